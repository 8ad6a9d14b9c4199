// Nimbrel.SetVideoMode: turns the video request of the main object into Nimbrel.screen.
//
// It chooses the video driver through SDL_VIDEODRIVER, turns acceleration and window mode into
// surface flags, corrects requests known to be bad, and warns about every difference between
// what was asked and what SDL granted.
//
// It belongs to the composition because a new screen concerns more than one floor: the
// developer overlays are created with the first screen, and under renderer 64 the screen comes
// from the OpenGL presenter (gfx/gl_presenter.h), which then shows it at every flip.
#include "Nimbrel.h"

#include <cstring>
#include <string>

#include "composition/overlay_wiring.h"
#include "core/nimbrel_private.h"
#include "gfx/gl_presenter.h"
#include "platform/environment.h"
#include "platform/signals.h"
#include "platform/system_info.h"
#include "platform/video_driver.h"

namespace {

const char kOperation[] = " . [Nimbrel.SetVideoMode()] ";

const char* RendererName(int code) {
    switch (code) {
    case kRendererWindib: return "windib";
    case kRendererDirectX: return "directx";
    case kRendererOpenGL: return "glSDL";
    default: return "";
    }
}

Uint32 AccelerationFlags(int acceleration) {
    switch (acceleration) {
    case 2: return SDL_HWSURFACE | SDL_DOUBLEBUF;
    case 3: return SDL_HWSURFACE;
    default: return SDL_SWSURFACE;
    }
}

Uint32 WindowModeFlags(int windowMode) {
    switch (windowMode) {
    case 0: return SDL_FULLSCREEN;
    case 2: return SDL_NOFRAME;
    default: return 0;
    }
}

// Below this frame delay the pump's sleep leaves room in a 60 Hz refresh to wait for the retrace;
// with a longer one the sleep already paces the loop, and a retrace wait on top would cost frames.
const int kRetraceWaitDelayLimitMs = 8;

// Stopping the video subsystem frees the screen surface, so nothing may keep pointing at it:
// the pump would flip it and the time system would read its flags.
void ShutDownVideo(class Nimbrel& engine) {
    OpenGLCloseScreen();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    engine.screen = nullptr;
    engine.priv->openGL = false;
}

bool StartVideo() {
    const int started = SDL_InitSubSystem(SDL_INIT_VIDEO);
    RestoreTerminationSignals();
    return started == 0;
}

// A failed restart would leave SDL's video stopped, and every later mode refused, even one that
// works. The driver that ran before is started again, so the caller can fall back on it.
void RestartPreviousDriver(const std::string& previous, bool hadPrevious) {
    if (hadPrevious)
        SetEnvironmentVariable("SDL_VIDEODRIVER", previous.c_str());
    else
        UnsetEnvironmentVariable("SDL_VIDEODRIVER");
    StartVideo();
}

// Code 1: learn which driver SDL chose. Other codes: restart the video subsystem with the
// driver the code names. False (with its error line) when the restart fails.
bool ChooseRenderer(class Nimbrel& engine, Uint8& renderer) {
    if (renderer == kRendererDetect) {
        char name[21] = {0};
        if (SDL_VideoDriverName(name, sizeof name)) renderer = static_cast<Uint8>(RendererForVideoDriver(name));
        return true;
    }
    const char* before = GetEnvironmentVariable("SDL_VIDEODRIVER");
    const bool hadBefore = before != nullptr;
    const std::string previous = hadBefore ? before : "";
    ShutDownVideo(engine);
    std::string driver = VideoDriverForRenderer(renderer);
    if (!driver.empty()) {
        SetEnvironmentVariable("SDL_VIDEODRIVER", driver.c_str());
        ILogSystem.Msg(5, "%sInfo: setting '%s' backend for %s\n", kOperation, RendererName(renderer),
                       PlatformName());
    }
    if (!StartVideo()) {
        ILogSystem.Msg(0, "%sError: could not initialize SDL video system (%d) (%s).\n", kOperation, renderer,
                       SDL_GetError());
        RestartPreviousDriver(previous, hadBefore);
        return false;
    }
    return true;
}

// Renderer 64: the presenter's window and software screen. Acceleration picks the filtering.
SDL_Surface* OpenPresentedScreen(const class Nimbrel& engine, Uint32 windowFlags, int windowWidth,
                                 int windowHeight, Uint32* grantedFlags) {
    OpenGLScreenRequest request;
    request.width = engine.width;
    request.height = engine.height;
    request.windowWidth = windowWidth;
    request.windowHeight = windowHeight;
    request.windowFlags = windowFlags;
    request.smooth = engine.acceleration == 2;
    request.waitForRetrace = engine.frameDelay < kRetraceWaitDelayLimitMs;
    std::string why;
    SDL_Surface* screen = OpenGLOpenScreen(request, grantedFlags, &why);
    if (!screen)
        ILogSystem.Msg(0, "%sError: no OpenGL context could be made for renderer 64 (%s).\n", kOperation,
                       why.c_str());
    return screen;
}

SDL_Surface* OpenSoftwareScreen(const class Nimbrel& engine, Uint32 flags, Uint32* grantedFlags) {
    SDL_Surface* screen = SDL_SetVideoMode(engine.width, engine.height, engine.colorDepth, flags);
    if (!screen) {
        ILogSystem.Msg(0, "%sError: Couldn't set video mode %dx%d with %dbpp: %s\n", kOperation, engine.width,
                       engine.height, engine.colorDepth, SDL_GetError());
        return nullptr;
    }
    *grantedFlags = screen->flags;
    return screen;
}

// Warns for every flag that SDL did not grant as requested.
void WarnAboutGrantedFlags(Uint32 requested, Uint32 granted) {
    if ((requested & SDL_HWSURFACE) && !(granted & SDL_HWSURFACE))
        ILogSystem.Msg(2, "%sWarning: running on software mode instead of your requested hardware mode.\n", kOperation);
    if ((requested & SDL_DOUBLEBUF) && !(granted & SDL_DOUBLEBUF))
        ILogSystem.Msg(2, "%sWarning: using a single-buffer instead of your requested double-buffer.\n", kOperation);
    if (!(requested & SDL_FULLSCREEN) && (granted & SDL_FULLSCREEN))
        ILogSystem.Msg(2, "%sWarning: running on a full screen instead of your requested window mode.\n", kOperation);
    if ((requested & SDL_FULLSCREEN) && !(granted & SDL_FULLSCREEN))
        ILogSystem.Msg(2, "%sWarning: running on a window mode instead of your requested full screen.\n", kOperation);
}

} // namespace

int Nimbrel::SetVideoMode() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        ILogSystem.Msg(0, "%sError: SDL_INIT_VIDEO was not initialized.\n", kOperation);
        return 0;
    }
    OpenGLCloseScreen(); // a presented screen is replaced like SDL's own
    if (!ChooseRenderer(*this, renderer)) return 0;

    const bool openGL = renderer == kRendererOpenGL;
    // Under OpenGL the acceleration chooses the filtering, not surface flags: the screen the game
    // draws on is always in system memory.
    Uint32 flags = openGL ? 0 : AccelerationFlags(acceleration);
    if (openGL) {
        if (acceleration == 1)
            ILogSystem.Msg(2, "%sWarning: using OpenGL on software mode is quite slow.\n", kOperation);
        colorDepth = 0;
    }
    flags |= WindowModeFlags(windowMode);

    if (icon) SDL_WM_SetIcon(icon, nullptr);
    if (title) SDL_WM_SetCaption(title, nullptr);

    if (colorDepth == 24) {
        ILogSystem.Msg(2, "%sWarning: failed attempt to set a 24bpp video mode.\n   It was changed to 32bpp.\n",
                       kOperation);
        colorDepth = 32;
    }
    if (windowMode == 0 && colorDepth == 0 && renderer != kRendererOpenGL) colorDepth = 32;
    if ((windowMode == 1 || windowMode == 2) && colorDepth != 0) {
        const SDL_VideoInfo* desktop = SDL_GetVideoInfo();
        if (desktop && desktop->vfmt && desktop->vfmt->BitsPerPixel != colorDepth)
            ILogSystem.Msg(2,
                           "%sWarning: running on window mode using different color depth of your desktop "
                           "will slow down the application.\n",
                           kOperation);
    }

    Uint32 granted = 0;
    screen = openGL ? OpenPresentedScreen(*this, flags, priv->windowWidth, priv->windowHeight, &granted)
                    : OpenSoftwareScreen(*this, flags, &granted);
    if (!screen) return 0;
    if (screen->format->BitsPerPixel == 24)
        ILogSystem.Msg(2,
                       "%sWarning: your desktop is using 24bpp.\n   This color depth mode is very slow and could "
                       "cause problems. Try to change it or to run at fullscreen.\n",
                       kOperation);

    if (renderer == kRendererDirectX && acceleration != 1) lostSurfaceCheck = 1;
    priv->openGL = false; // the presenter keeps every surface in software (see Nimbrel.h)

    WarnAboutGrantedFlags(flags, granted);

    CreateOverlays(*priv);
    if (screen->flags & SDL_DOUBLEBUF) priv->overlayRedrawMode = kOverlayAlways;
    return 1;
}
