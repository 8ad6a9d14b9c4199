// Process environment variables.
#include "platform/environment.h"

#include <cstdlib>
#include <map>

namespace {

// The engine only ever changes SDL_VIDEODRIVER; its start-up value is taken before main runs.
struct StartupEnvironment {
    std::map<std::string, std::string> values;
    StartupEnvironment() {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (driver) values["SDL_VIDEODRIVER"] = driver;
    }
};

const StartupEnvironment& Startup() {
    static const StartupEnvironment startup;
    return startup;
}

// Forces the capture at static initialisation time.
const StartupEnvironment& startupCapture = Startup();

} // namespace

bool SetEnvironmentVariable(const char* name, const char* value) {
    Startup();
    return setenv(name, value, 1) == 0;
}

bool UnsetEnvironmentVariable(const char* name) {
    Startup();
    return unsetenv(name) == 0;
}

const char* GetEnvironmentVariable(const char* name) { return std::getenv(name); }

std::string GetStartupEnvironmentVariable(const char* name) {
    auto it = Startup().values.find(name);
    return it == Startup().values.end() ? std::string() : it->second;
}
