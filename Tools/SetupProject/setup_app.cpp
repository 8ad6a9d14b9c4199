// The Setup launcher's spine: start-up in its fixed order, the main loop and the release.
//
// Start-up brings up the log, the engine, the layout, the window, the cursor, sound and the
// time system, then the skin's resources, the settings and the first tab. Any failure ends the
// launcher with exit code 1 and its line in Setup.log. The loop body runs once per logic frame,
// 20 times a second, until Exit, Play or Escape.
#include "setup_app.h"

#include "Nimbrel.h"
#include "layout.h"

namespace {

const int kEscapeKey = 27;
const Uint32 kSdlSubsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO; // 49
const Uint32 kRenderRate = 60;
const Uint32 kLogicRate = 20;

bool quitRequested = false;

// ---- Start-up steps ---------------------------------------------------------------------------

void StartLog() {
    ILogSystem.Init("Setup.log", ILogSystem::kOutputNewFile, 2, "Nimbrel SDK - Setup v1.1");
}

bool StartEngine() {
    if (Nimbrel.Init(kSdlSubsystems) >= 0) return true;
    ILogSystem.Msg(2, " \xB7 [Init Error] - Couldn\xB4t initialize Nimbrel: %s\n", SDL_GetError());
    return false;
}

bool ReadLayout() {
    int result = ParseLayout();
    if (result == kLayoutOk) return true;
    ILogSystem.Msg(2, " \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: %d\n", result);
    return false;
}

// The window: 430x400, windowed, software, desktop depth, 1 ms of sleep per pump call.
bool OpenWindow() {
    Nimbrel.title = gLayout.title;
    // The skin's icon ("<skin>_icon") is loaded here once the layout names the skin.
    Nimbrel.frameDelay = 1;
    Nimbrel.renderer = kRendererWindib;
    Nimbrel.windowMode = 1;
    Nimbrel.width = 430;
    Nimbrel.height = 400;
    if (Nimbrel.SetVideoMode()) return true;
    Nimbrel.Quit();
    ILogSystem.Msg(2, " \xB7 [Init Error] - Couldn\xB4t set video mode 430x400: %s\n", SDL_GetError());
    return false;
}

// Sound is optional: without a device the launcher goes on, and every later sound call is a
// silent no-op. 44100 Hz, signed 16-bit little-endian samples, stereo, a 4096-byte buffer.
void StartSound() {
    if (ISoundFX->Init(44100, 0x8010, 2, 4096)) return;
    ILogSystem.Msg(2, " \xB7 [Init Warning] - Couldn\xB4t init sound system: %s\n", SDL_GetError());
    ISoundFX->Disable();
}

void StartTimeSystem() {
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(kRenderRate, kLogicRate);
}

} // namespace

// ---- Start-up, loop, release ----------------------------------------------------------------------

int StartSetup() {
    quitRequested = false;
    StartLog();
    if (!StartEngine()) return kSetupExitStartupFailed;
    if (!ReadLayout()) return kSetupExitStartupFailed;
    if (!OpenWindow()) return kSetupExitStartupFailed;
    // The cursor starts here as its module lands.
    StartSound();
    StartTimeSystem();
    // Then the skin's resources, the music, the settings and the configuration document, the
    // tab refreshes, the cursor selection and the first tab.
    return 0;
}

void RunMainLoop() {
    while (!quitRequested) {
        // Each iteration draws the logotype and the buttons and acts on the pressed button, once
        // those modules exist.
        if (Nimbrel.KeyState(kEscapeKey)) quitRequested = true;
        while (Nimbrel.Update(nullptr) != 0) {
        }
    }
}

void ReleaseSetup() {
    // The backgrounds, the logotype, the cursor, the sounds, the buttons and the font are freed
    // here as their modules land.
    Nimbrel.Quit();
}

int RunSetup() {
    int startup = StartSetup();
    if (startup != 0) return startup;
    RunMainLoop();
    ReleaseSetup();
    return kSetupExitOk;
}
