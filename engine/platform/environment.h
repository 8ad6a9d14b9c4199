// Process environment variables.
#ifndef NIMBREL_PLATFORM_ENVIRONMENT_H
#define NIMBREL_PLATFORM_ENVIRONMENT_H

#include <string>

// Sets (overwrites) a variable. True on success.
bool SetEnvironmentVariable(const char* name, const char* value);
// Removes a variable. True on success.
bool UnsetEnvironmentVariable(const char* name);
// The variable's value, or null when it is not set.
const char* GetEnvironmentVariable(const char* name);
// The value a variable had when the process started, before the engine changed anything.
// Empty when it was not set.
std::string GetStartupEnvironmentVariable(const char* name);

#endif
