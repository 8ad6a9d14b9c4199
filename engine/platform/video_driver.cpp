// Renderer codes to SDL video driver names on this platform.
#include "platform/video_driver.h"

#include <cstring>

#include "platform/environment.h"

namespace {
const char kNativeDriver[] = "x11";
}

std::string NativeVideoDriver() {
    std::string preset = GetStartupEnvironmentVariable("SDL_VIDEODRIVER");
    return preset.empty() ? kNativeDriver : preset;
}

std::string VideoDriverForRenderer(int rendererCode) {
    switch (rendererCode) {
    case 2:  // windib
    case 4:  // directx
    case 64: // OpenGL: the engine's own backend opens an OpenGL window on the native driver
        return NativeVideoDriver();
    default:
        return std::string();
    }
}

int RendererForVideoDriver(const char* driverName) {
    static const struct {
        const char* name;
        int code;
    } kDrivers[] = {{"windib", 2}, {"directx", 4}, {"glSDL", 64},
                    {"x11", 8},    {"fbcon", 16},  {"quartz", 128}};
    if (!driverName) return 1;
    for (const auto& driver : kDrivers)
        if (std::strcmp(driverName, driver.name) == 0) return driver.code;
    return 1;
}
