// The Setup launcher's spine: start-up in its fixed order, the main loop and the release.
//
// Start-up brings up the log, the engine, the layout, the window, the cursor, sound and the
// time system, then the skin's resources, the settings and the first tab. Any failure ends the
// launcher with exit code 1 and its line in Setup.log. The loop body runs once per logic frame,
// 20 times a second, until Exit, Play or Escape.
#include "setup_app.h"

#include "Nimbrel.h"
#include "dispatch.h"
#include "layout.h"
#include "options.h"
#include "setup_state.h"
#include "skin.h"
#include "tabs.h"

SetupState gSetup;

void SetDefaultSettings(NimbrelConfig* settings) {
    *settings = NimbrelConfig();
    settings->frameDelay = 1;
    settings->renderer = kRendererWindib;
    settings->acceleration = 1;
    settings->windowMode = 1;
    settings->colorDepth = 32;
    settings->width = 640;
    settings->height = 480;
    settings->audioEnabled = 1;
    settings->audioFormat = 8;
    settings->audioFrequency = 11025;
    settings->audioChannels = 1;
    settings->audioBuffer = 4096;
    settings->musicVolume = 128;
    settings->soundVolume = 128;
}

namespace {

const int kEscapeKey = 27;
const Uint32 kSdlSubsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO; // 49
const Uint32 kRenderRate = 60;
const Uint32 kLogicRate = 20;

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
    Nimbrel.icon = IImage->Load(kSkinPackage, gLayout.names.icon); // optional
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

bool LoadResources() {
    const char* failed = LoadSkin();
    if (failed == nullptr) return true;
    ILogSystem.Msg(2, " \xB7 [Init Error] - Couldn't load graphic resource: '%s'.\n", failed);
    ReleaseSetup();
    return false;
}

// The settings: defaults, then the game's configuration. A game without a readable configuration
// cannot be started until the player has saved one.
void ReadSettings() {
    SetDefaultSettings(&gSetup.settings);
    if (!Nimbrel.ReadConfig(gLayout.configPackage, gLayout.configDocument, &gSetup.settings))
        IButton->SetState(gLayout.play.id, kStateDisabled);
    gSetup.savedFrameDelay = gSetup.settings.frameDelay;
}

} // namespace

// ---- Start-up, loop, release ----------------------------------------------------------------------

int StartSetup() {
    gSetup.quit = false;
    gSetup.currentTab = -1;
    StartLog();
    if (!StartEngine()) return kSetupExitStartupFailed;
    if (!ReadLayout()) return kSetupExitStartupFailed;
    if (!OpenWindow()) return kSetupExitStartupFailed;
    ICursor->Init();
    StartSound();
    StartTimeSystem();
    if (!LoadResources()) return kSetupExitStartupFailed;
    ISoundFX->MusicPlay(gSkin.music, 0);
    ReadSettings();
    RefreshGeneralTab();
    RefreshVideoTab();
    RefreshAudioTab();
    CheckSave(); // a configuration may ask for an option the layout disables
    ICursor->Select(gSkin.cursor);
    ICursor->Enable(1);
    gSetup.currentTab = -1;
    ShowTab(kGeneralTab);
    return 0;
}

void RunMainLoop() {
    while (!gSetup.quit) {
        if (gSkin.sprite) gSkin.sprite->Draw();
        int id = IButton->Draw();
        if (id != -1) {
            ISoundFX->SoundPlay(kClickChannel, gSkin.click, 0);
            Act(id);
            CheckSave();
        }
        if (Nimbrel.KeyState(kEscapeKey)) gSetup.quit = true;
        SDL_Event event;
        while (Nimbrel.Update(&event) != 0)
            if (event.type == SDL_QUIT) gSetup.quit = true; // the window's close box leaves as Escape does
    }
}

void ReleaseSetup() {
    ReleaseSkin();
    Nimbrel.Quit();
}

int RunSetup() {
    int startup = StartSetup();
    if (startup != 0) return startup;
    RunMainLoop();
    ReleaseSetup();
    return kSetupExitOk;
}
