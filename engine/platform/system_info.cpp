// Names of this platform, as they appear in the engine's texts.
#include "platform/system_info.h"

const char* PlatformName() { return "Linux"; }
