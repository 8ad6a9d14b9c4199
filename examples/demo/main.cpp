// The demo game: what a small game on an installed Nimbrel looks like. It takes the options the
// player saved with Setup (config.xml beside it), opens its window as asked (or a 640x480 window
// when the asked mode cannot be had), and shows a walking sprite over a tile map, the settings in
// a bitmap font, music and a click on each mouse press. The back-quote key opens the engine's
// console, and a debug window watches the frame rates. Escape leaves.
//
// Everything it does goes to demo-game.log, together with the engine's own lines, so the log
// answers "what did the game read, and what did it get".
//
// One option: --window WIDTHxHEIGHT gives the OpenGL renderer (64) a window of that size, into
// which the game's picture is scaled.
#include <Nimbrel.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char kLogFile[] = "demo-game.log";
const char kConfigFile[] = "config.xml";
const char kDataFile[] = "demo.dpf";
const char kTag[] = " . [demo-game] ";

const int kFallbackWidth = 640;
const int kFallbackHeight = 480;
const int kTileSize = 32;
const int kMapRows = 4;
const int kMapColumns = 16;
const Uint32 kBackground = 0x1B2233;

// The ground strip along the bottom of the window, repeated across its width: tile numbers of
// the tile set, 0 for none.
const char kMap[kMapRows][kMapColumns + 1] = {
    "0000000000030000",
    "1111111111111111",
    "2222422222224222",
    "2222222422222222",
};

struct Scene {
    CSprite walker;
    CTile tiles;
    CFont font;
    int music = -1;
    int click = -1;
    int walkerX = 0;
    int walkerStep = 4;
    // Frame rates of the last whole second, refreshed at every logic frame.
    Sint32 renderRate = 0;
    Sint32 logicRate = 0;
    // What the screen says about a mode that could not be set; empty when it was.
    char fallbackNote[128] = "";
};

Scene* scene = nullptr;

// The plain window every machine with a display can give: 640x480 on the native driver, at the
// desktop's depth, drawn in software.
void AskForPlainWindow() {
    Nimbrel.renderer = kRendererWindib;
    Nimbrel.acceleration = 1;
    Nimbrel.windowMode = 1;
    Nimbrel.colorDepth = 0;
    Nimbrel.width = kFallbackWidth;
    Nimbrel.height = kFallbackHeight;
}

// The record as the demo asks for it before the document is read: the plain window, and sound
// on. The document replaces what it holds.
void SetDefaults() {
    Nimbrel.title = "Nimbrel demo game";
    Nimbrel.frameDelay = 1;
    AskForPlainWindow();
    Nimbrel.audioEnabled = 1;
    Nimbrel.audioFormat = 16;
    Nimbrel.audioFrequency = 22050;
    Nimbrel.audioChannels = 2;
    Nimbrel.audioBuffer = 4096;
    Nimbrel.musicVolume = 128;
    Nimbrel.soundVolume = 128;
}

void LogConfiguration() {
    ILogSystem.Msg(0, "%sInfo: general: frame delay %d\n", kTag, Nimbrel.frameDelay);
    ILogSystem.Msg(0, "%sInfo: video: renderer %d, acceleration %d, window mode %d, colour depth %d, %dx%d\n", kTag,
                   Nimbrel.renderer, Nimbrel.acceleration, Nimbrel.windowMode, Nimbrel.colorDepth, Nimbrel.width,
                   Nimbrel.height);
    ILogSystem.Msg(0,
                   "%sInfo: audio: enabled %d, format %u, frequency %u, channels %u, buffer %u, music volume %d, "
                   "sound volume %d\n",
                   kTag, Nimbrel.audioEnabled, static_cast<unsigned>(Nimbrel.audioFormat),
                   static_cast<unsigned>(Nimbrel.audioFrequency), static_cast<unsigned>(Nimbrel.audioChannels),
                   static_cast<unsigned>(Nimbrel.audioBuffer), Nimbrel.musicVolume, Nimbrel.soundVolume);
}

// Opens the window the player chose. When that mode cannot be set, the plain window takes its
// place, so a bad choice in Setup never keeps the game from starting. `note` receives the line the screen shows about it (empty when the chosen
// mode was set). False only when even the plain window fails.
bool OpenWindow(char* note, size_t noteSize) {
    note[0] = '\0';
    const int width = Nimbrel.width, height = Nimbrel.height, depth = Nimbrel.colorDepth;
    if (Nimbrel.SetVideoMode()) return true;

    std::snprintf(note, noteSize, "The mode %dx%d at %d bits could not be set: this is a %dx%d window.", width,
                  height, depth, kFallbackWidth, kFallbackHeight);
    ILogSystem.Msg(0, "%sWarning: the mode %dx%d at %d bits could not be set; running in a %dx%d window instead.\n",
                   kTag, width, height, depth, kFallbackWidth, kFallbackHeight);
    AskForPlainWindow();
    if (Nimbrel.SetVideoMode()) return true;
    ILogSystem.Msg(0, "%sError: not even a %dx%d window could be opened.\n", kTag, kFallbackWidth, kFallbackHeight);
    return false;
}

// The configuration reader gives the sample size in bits (8 or 16); the mixer wants a format code.
// A record that already holds a code keeps it.
Uint16 MixerFormat(Uint32 format) {
    if (format == 8) return AUDIO_U8;
    if (format == 16) return AUDIO_S16SYS;
    return static_cast<Uint16>(format);
}

void StartSound() {
    if (!Nimbrel.audioEnabled) {
        ILogSystem.Msg(0, "%sInfo: sound is off in the configuration.\n", kTag);
        return;
    }
    if (!ISoundFX->Init(static_cast<int>(Nimbrel.audioFrequency), MixerFormat(Nimbrel.audioFormat),
                        static_cast<int>(Nimbrel.audioChannels), static_cast<int>(Nimbrel.audioBuffer)))
        ILogSystem.Msg(0, "%sWarning: the audio device could not be opened (%s); playing without sound.\n", kTag,
                       SDL_GetError());
}

// Loads the scene's resources from the data package. False (with the reason logged) when any is
// missing: a demo without its artwork shows nothing worth seeing.
bool LoadScene(Scene& s) {
    const int package = IStuffDPF->Open(kDataFile);
    if (package <= 0) {
        ILogSystem.Msg(0, "%sError: the data package %s could not be opened.\n", kTag, kDataFile);
        return false;
    }
    bool loaded = s.walker.Load(package, "demo_walker", "walker") > 0;
    loaded = s.tiles.Load(package, "demo_tiles", "TILE") && s.tiles.GetTileCount() >= 4 && loaded;
    loaded = s.font.Load(package, "demo_font") > 0 && loaded;
    if (ISoundFX->IsInitialized()) {
        s.music = ISoundFX->MusicLoad(package, "demo_music");
        s.click = ISoundFX->SoundLoad(package, "demo_click");
        loaded = s.music >= 0 && s.click >= 0 && loaded;
    }
    IStuffDPF->Close(package);
    if (!loaded) ILogSystem.Msg(0, "%sError: the data package %s lacks part of the scene.\n", kTag, kDataFile);
    return loaded;
}

void FillBackground(SDL_Rect* area) {
    SDL_Surface* screen = Nimbrel.screen;
    SDL_FillRect(screen, area,
                 SDL_MapRGB(screen->format, kBackground >> 16, (kBackground >> 8) & 0xFF, kBackground & 0xFF));
}

void DrawGround(Scene& s) {
    const int top = Nimbrel.screen->h - kMapRows * kTileSize;
    for (int row = 0; row < kMapRows; ++row)
        for (int x = 0, column = 0; x < Nimbrel.screen->w; x += kTileSize, column = (column + 1) % kMapColumns) {
            const int tile = kMap[row][column] - '0';
            if (tile == 0) continue;
            s.tiles.SetPosition(x, top + row * kTileSize);
            s.tiles.Draw(nullptr, tile);
        }
}

void DrawText(Scene& s) {
    SDL_Surface* screen = Nimbrel.screen;
    const int line = s.font.GetHeight() + 6;
    int y = 16;
    char text[160];
    s.font.Print(screen, 16, y, "Nimbrel demo game");
    y += line * 2;
    std::snprintf(text, sizeof text, "Video: %dx%d, %d bits (asked %d), window mode %d", screen->w, screen->h,
                  screen->format->BitsPerPixel, Nimbrel.colorDepth, Nimbrel.windowMode);
    s.font.Print(screen, 16, y, text);
    y += line;
    std::snprintf(text, sizeof text, "Renderer %d, acceleration %d, frame delay %d ms", Nimbrel.renderer,
                  Nimbrel.acceleration, Nimbrel.frameDelay);
    s.font.Print(screen, 16, y, text);
    y += line;
    if (ISoundFX->IsInitialized())
        std::snprintf(text, sizeof text, "Audio: %u Hz, %d bits, %u channel%s, music %d, sound %d",
                      static_cast<unsigned>(Nimbrel.audioFrequency), static_cast<int>(Nimbrel.audioFormat & 0xFF),
                      static_cast<unsigned>(Nimbrel.audioChannels), Nimbrel.audioChannels == 1 ? "" : "s",
                      Nimbrel.musicVolume, Nimbrel.soundVolume);
    else
        std::snprintf(text, sizeof text, "Audio: off");
    s.font.Print(screen, 16, y, text);
    y += line;
    if (s.fallbackNote[0]) {
        s.font.Print(screen, 16, y, s.fallbackNote);
        y += line;
    }
    y += line;
    std::snprintf(text, sizeof text, "Frames per second: %d drawn, %d of logic", s.renderRate, s.logicRate);
    s.font.Print(screen, 16, y, text);
    y += line * 2;
    s.font.Print(screen, 16, y, "Click for a sound. The back-quote key opens the console. Escape leaves.");
}

// The whole picture at every render: the translucent overlays are drawn over it afterwards, so
// anything not drawn again would collect their shading.
void OnRender(int) {
    if (!scene) return;
    FillBackground(nullptr);
    DrawGround(*scene);
    DrawText(*scene);
    scene->walker.Draw();
}

// One logic frame: the walker paces along the grass, a mouse press clicks.
void Logic(Scene& s) {
    const int limit = Nimbrel.screen->w - s.walker.GetFrameWidth();
    s.walkerX += s.walkerStep;
    if (s.walkerX <= 0 || s.walkerX >= limit) {
        s.walkerX = s.walkerX <= 0 ? 0 : limit;
        s.walkerStep = -s.walkerStep;
    }
    const int grassTop = Nimbrel.screen->h - (kMapRows - 1) * kTileSize;
    s.walker.SetPosition(s.walkerX, grassTop - s.walker.GetFrameHeight(), 1);

    const Uint8 left = SDL_BUTTON(SDL_BUTTON_LEFT);
    if ((Nimbrel.mouseButtons & left) && !(Nimbrel.previousMouseButtons & left))
        ISoundFX->SoundPlay(-1, s.click, 0);

    s.renderRate = ITimeSystem->GetMeasuredRenderRate();
    s.logicRate = ITimeSystem->GetMeasuredLogicRate();
}

// The developer overlays: the console on the back-quote key, which also shows the log's lines,
// and a debug window in the sky at the right watching the frame rates.
void EnableOverlays(Scene& s) {
    cConsole* console = Nimbrel.GetConsole();
    cDebugWO* debug = Nimbrel.GetDebugWindow();
    if (!console || !debug) {
        ILogSystem.Msg(0, "%sWarning: the engine made no console or debug window.\n", kTag);
        return;
    }
    console->Enable();
    debug->AddWatch("render fps", &s.renderRate, nullptr);
    debug->AddWatch("logic fps", &s.logicRate, nullptr);
    if (!debug->Enable()) {
        ILogSystem.Msg(0, "%sWarning: the debug window could not be shown.\n", kTag);
        return;
    }
    // Two watches need only the smallest window; it sits in the empty sky at the right, below the
    // settings text and above the walker, so it covers neither.
    debug->Resize(180, 100);
    int width = 0, height = 0;
    debug->GetSize(&width, &height);
    const int walkerTop = Nimbrel.screen->h - (kMapRows - 1) * kTileSize - kTileSize - 4;
    debug->Move(Nimbrel.screen->w - width - 8, walkerTop - height);
    debug->Show(1);
    ILogSystem.Msg(0, "%sInfo: the back-quote key opens the console; the debug window watches the frame rates.\n", kTag);
}

int Run() {
    SetDefaults();
    if (Nimbrel.ReadConfig(nullptr, kConfigFile))
        ILogSystem.Msg(0, "%sInfo: configuration read from %s\n", kTag, kConfigFile);
    else
        ILogSystem.Msg(0, "%sWarning: %s could not be read whole; defaults stand for what it lacks.\n", kTag,
                       kConfigFile);
    LogConfiguration();

    Scene s;
    if (!OpenWindow(s.fallbackNote, sizeof s.fallbackNote)) return 1;
    ILogSystem.Msg(0, "%sInfo: window open: %dx%d, %d bits\n", kTag, Nimbrel.screen->w, Nimbrel.screen->h,
                   Nimbrel.screen->format->BitsPerPixel);
    StartSound();

    if (!LoadScene(s)) return 1;
    scene = &s;
    EnableOverlays(s);
    Nimbrel.SetUpdateMode(2); // the picture is drawn anew at every render, so are the overlays
    ISoundFX->MusicPlay(s.music, -1);

    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    Nimbrel.SetRenderCallback(OnRender);
    // Escape typed into the open console is the console's.
    bool closed = false; // the window's close box
    while (!closed && (!Nimbrel.KeyState(SDLK_ESCAPE) || Nimbrel.IsConsoleShown())) {
        Logic(s);
        SDL_Event event;
        while (Nimbrel.Update(&event) != 0)
            if (event.type == SDL_QUIT) closed = true;
    }
    Nimbrel.SetRenderCallback(nullptr);
    scene = nullptr;
    if (s.music >= 0) ISoundFX->MusicDelete(s.music);
    if (s.click >= 0) ISoundFX->SoundDelete(s.click);
    ILogSystem.Msg(0, closed ? "%sInfo: leaving, the window was closed.\n" : "%sInfo: leaving after Escape.\n", kTag);
    return 0;
}

// Reads --window WIDTHxHEIGHT. False (with a line on standard error) for anything else.
bool ReadOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        int width = 0, height = 0;
        char end = 0;
        if (std::string(argv[i]) == "--window" && i + 1 < argc &&
            std::sscanf(argv[i + 1], "%dx%d%c", &width, &height, &end) == 2 && width > 0 && height > 0) {
            Nimbrel.SetWindowSize(width, height);
            ++i;
            continue;
        }
        std::fprintf(stderr, "usage: demo-game [--window WIDTHxHEIGHT]\n");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!ReadOptions(argc, argv)) return 2;
    ILogSystem.Init(kLogFile, ILogSystem::kOutputNewFile | ILogSystem::kOutputConsole, 5, "Nimbrel demo game");
    if (Nimbrel.Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0) return 1;
    const int status = Run();
    Nimbrel.Quit();
    return status;
}
