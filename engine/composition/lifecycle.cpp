// Nimbrel.Init and Nimbrel.Quit: the engine's start-up and shut-down, which create and destroy
// one instance of every interface, from the package layer up to sound, in a fixed order.
#include "Nimbrel.h"

#include <ucl/ucl.h>

#include "composition/overlay_wiring.h"
#include "core/clock.h"
#include "core/nimbrel_private.h"
#include "gfx/gl_presenter.h"
#include "platform/environment.h"
#include "platform/signals.h"
#include "platform/video_driver.h"

namespace {

// Interface objects are created in this order and destroyed in the reverse one.
void CreateInterfaces() {
    IStuffDPF = new class IStuffDPF;
    IImage = new class IImage;
    ICursor = new class ICursor;
    IPrimitives = new class IPrimitives;
    IButton = new class IButton;
    IScreenFX = new class IScreenFX;
    ITimeSystem = new class ITimeSystem;
    INetwork = new class INetwork;
    IVideo = new class IVideo;
    ISoundFX = new class ISoundFX;
}

template <typename Interface>
void DestroyInterface(Interface*& object) {
    delete object;
    object = nullptr;
}

void DestroyInterfaces() {
    DestroyInterface(ISoundFX);
    DestroyInterface(IVideo);
    DestroyInterface(INetwork);
    DestroyInterface(ITimeSystem);
    DestroyInterface(IScreenFX);
    DestroyInterface(IButton);
    DestroyInterface(IPrimitives);
    DestroyInterface(ICursor);
    DestroyInterface(IImage);
    DestroyInterface(IStuffDPF);
}

void ReportLeaks(int tiles, int sprites, int fonts) {
    if (tiles) ILogSystem.Msg(2, "\n . [CTiles] Warning! your application have left %d tiles without deleting.", tiles);
    if (sprites)
        ILogSystem.Msg(2, "\n . [CSprites] Warning! your application have left %d sprites without deleting.", sprites);
    if (fonts) ILogSystem.Msg(2, "\n . [CFonts] Warning! your application have left %d fonts without deleting.", fonts);
}

} // namespace

int Nimbrel::Init(Uint32 sdlFlags) {
    if (!GetCPUFeatures(nullptr)) return -1;

    // SDL must never pick a video driver by itself: with no display it would take over the
    // terminal with a text-mode driver.
    if ((sdlFlags & SDL_INIT_VIDEO) && !GetEnvironmentVariable("SDL_VIDEODRIVER"))
        SetEnvironmentVariable("SDL_VIDEODRIVER", NativeVideoDriver().c_str());

    RememberTerminationSignals();
    int started = SDL_Init(sdlFlags);
    RestoreTerminationSignals();
    if (started < 0) {
        ILogSystem.Msg(0, " . [Nimbrel.Init()] Error: Couldn't initialize SDL 1.2: %s\n", SDL_GetError());
        return -1;
    }

    CreateInterfaces();
    ::ISoundFX->Disable(); // until the application opens the audio device

    if (ucl_init() != UCL_E_OK) ILogSystem.Msg(0, " . [Nimbrel.Init()] Error: UCL failed to initiate\n");

    priv->pacing = FramePacing();
    startTicks = EngineTicks();
    priv->initialized = true;
    ILogSystem.Msg(0, "\n . Nimbrel successfully initiated.\n");
    return 1;
}

void Nimbrel::Quit() {
    if (!priv->initialized) return;

    DestroyOverlays(*priv);
    DestroyInterfaces();

    if (icon) {
        SDL_FreeSurface(icon);
        icon = nullptr;
    }
    OpenGLCloseScreen(); // its texture belongs to a context SDL_Quit destroys
    SDL_Quit();
    screen = nullptr;
    priv->keyTable = nullptr;
    priv->openGL = false;
    priv->overlayRedrawMode = kOverlayNone;

    ReportLeaks(liveTiles, liveSprites, liveFonts);
    ILogSystem.Msg(0, "\n . Nimbrel successfully closed.\n\n");
    priv->initialized = false;
    startTicks = kNotStarted;
}

