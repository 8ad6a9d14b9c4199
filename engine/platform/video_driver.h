// Renderer codes to SDL video driver names on this platform.
//
// The renderer codes of the configuration document name Windows drivers. Here the two windowed
// ones, windib (2) and directx (4), both mean the native windowed driver: the SDL_VIDEODRIVER
// the process was started with (tests use "dummy"), or "x11". OpenGL (64) runs on the same
// driver: the engine's presentation backend opens its OpenGL window there. SDL is never left to
// pick a driver by itself: with no display it would pick a text-terminal driver.
#ifndef NIMBREL_PLATFORM_VIDEO_DRIVER_H
#define NIMBREL_PLATFORM_VIDEO_DRIVER_H

#include <string>

// The native windowed driver: the SDL_VIDEODRIVER the process was started with, or "x11".
std::string NativeVideoDriver();

// The driver name to put into SDL_VIDEODRIVER for a forced renderer code (2, 4 or 64), or an
// empty string when the code is not forced through the environment on this platform.
std::string VideoDriverForRenderer(int rendererCode);

// The renderer code of a driver name reported by SDL, or 1 when it has none.
int RendererForVideoDriver(const char* driverName);

#endif
