// Names of this platform, as they appear in the engine's texts.
#ifndef NIMBREL_PLATFORM_SYSTEM_INFO_H
#define NIMBREL_PLATFORM_SYSTEM_INFO_H

// "Linux": the platform name in the version text and in information lines.
const char* PlatformName();

#endif
