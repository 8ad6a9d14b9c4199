// The main object: defaults, start-up and shut-down of the engine, and its small services
// (version texts, CRC-32, directory creation).
//
// The frame pump lives in core/frame_pump.cpp and the video mode in core/video_mode.cpp.
#include "Nimbrel.h"

#include <ucl/ucl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/clock.h"
#include "core/nimbrel_private.h"
#include "data/checksum.h"
#include "platform/environment.h"
#include "platform/filesystem.h"
#include "platform/signals.h"
#include "platform/system_info.h"
#include "platform/video_driver.h"

namespace {

const char kMakerText[] = "Nimbrel Engine Team - 2026";

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

// ---- Construction -------------------------------------------------------------------------------

Nimbrel::Nimbrel() : priv(new Private) {
    title = "Nimbrel SDK Application";
    icon = nullptr;
    frameDelay = 0;
    renderer = kRendererDetect;
    acceleration = 1;
    windowMode = 1;
    colorDepth = 0;
    width = 640;
    height = 480;
    audioEnabled = 0;
    audioFormat = 0x8008;
    audioFrequency = 11025;
    audioChannels = 1;
    audioBuffer = 4096;
    musicVolume = 128;
    soundVolume = 128;

    screen = nullptr;
    mouseX = mouseY = 0;
    mouseButtons = previousMouseButtons = 0;
    startTicks = kNotStarted;
    lostSurfaceCheck = 0;
    liveTiles = liveSprites = liveFonts = 0;

    std::snprintf(priv->versionText, sizeof priv->versionText, "Nimbrel SDK %s v5.10 (build 3173)",
                  PlatformName());
    std::snprintf(priv->makerText, sizeof priv->makerText, "%s", kMakerText);
}

Nimbrel::~Nimbrel() { delete priv; }

// ---- Init and Quit ------------------------------------------------------------------------------

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

    // The console and the debug window arrive with the developer tools; until then there are
    // none to destroy here.
    DestroyInterfaces();

    if (icon) {
        SDL_FreeSurface(icon);
        icon = nullptr;
    }
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

bool Nimbrel::IsInitialized() const { return priv->initialized; }

// ---- Services -----------------------------------------------------------------------------------

const char* Nimbrel::GetVersion() const { return priv->versionText; }

const char* Nimbrel::GetMaker() const { return priv->makerText; }

Uint32 Nimbrel::CRC32(const void* data, int length) const {
    if (length <= 0 || !data) return 0;
    return ChecksumUpdate(0, data, static_cast<size_t>(length));
}

int Nimbrel::MakePath(const char* path) const {
    if (!path || !*path) return 0;

    // The directory part: everything up to the last separator, without a drive letter.
    std::string text(path);
    if (text.size() >= 2 && text[1] == ':') text.erase(0, 2);
    size_t lastSeparator = text.find_last_of("/\\");
    if (lastSeparator == std::string::npos) return 0;
    std::string directory = text.substr(0, lastSeparator + 1);
    for (size_t i = 1; i < directory.size(); ++i)
        if (directory[i] == '\\') directory[i] = '/';

    // Walk the components, creating each missing prefix.
    for (size_t end = directory.find('/', 1); end != std::string::npos; end = directory.find('/', end + 1)) {
        std::string prefix = directory.substr(0, end);
        if (prefix.empty() || PathExists(prefix.c_str())) continue;
        if (!MakeDirectory(prefix.c_str()) && !PathExists(prefix.c_str())) return 0;
    }
    return 1;
}
