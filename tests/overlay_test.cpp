// The developer overlays driven frame by frame: keys through the key-table seam, the back-quote
// toggle and the drag through real SDL events, time through a clock the test moves.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "support/test_support.h"
#include "testing/test_seams.h"

namespace {

const int kWidth = 640, kHeight = 480;

class Overlays : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        Nimbrel.width = kWidth, Nimbrel.height = kHeight, Nimbrel.colorDepth = 32, Nimbrel.frameDelay = 0;
        ASSERT_EQ(1, Nimbrel.SetVideoMode());
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(0, 0); // one logic frame and one render per pump call
        std::memset(keys, 0, sizeof keys);
        NimbrelTestSeam::SetKeyTable(keys);
        console = Nimbrel.GetConsole();
        debug = Nimbrel.GetDebugWindow();
        ASSERT_NE(console, nullptr);
        ASSERT_NE(debug, nullptr);
        clock.Set(5000);
    }
    void TearDown() override {
        NimbrelTestSeam::SetKeyTable(nullptr);
        NimbrelTestSeam::SetMouse(false, 0, 0, 0);
    }
    // One pump call `ms` later: at most one event, one logic frame and one render.
    void Frame(Uint32 ms = 50) {
        clock.Advance(ms);
        Nimbrel.Update(nullptr);
    }
    // Holds a key for one frame, then releases it for long enough that it may act again.
    void Press(int key) {
        keys[key] = 1;
        Frame(50);
        keys[key] = 0;
        Frame(200);
    }
    void Type(const char* text) {
        for (const char* c = text; *c; ++c) Press(*c == ' ' ? 32 : *c);
    }
    void Run(const char* line) {
        Type(line);
        Press(13);
    }
    // The console lines from `first` on.
    std::vector<std::string> LinesFrom(int first) const {
        std::vector<std::string> lines;
        for (int i = first; i < console->GetLineCount(); ++i) lines.push_back(console->GetLine(i));
        return lines;
    }
    void OpenConsole() {
        ASSERT_EQ(1, Nimbrel.ShowConsole(1));
        Frame(1100);
    }
    static void PushKey(int sym) {
        SDL_Event event = {};
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = SDLKey(sym);
        SDL_PushEvent(&event);
    }

    ScopedTempDir dir;
    FakeClock clock;
    EngineSession engine{2};
    Uint8 keys[512];
    cConsole* console = nullptr;
    cDebugWO* debug = nullptr;
};

} // namespace

TEST_F(Overlays, TheBuiltInFontIsMadeOnceWithTheWindows) {
    CFont* font = console->GetFont();
    ASSERT_NE(font, nullptr);
    EXPECT_STREQ("VXQR builtin font", font->GetName());
    EXPECT_EQ(899, font->GetSurface()->w);
    EXPECT_EQ(13, font->GetHeight());
    EXPECT_GT(font->GetTextWidth("M"), 0);
    // Setting the mode again keeps the one console and debug window.
    ASSERT_EQ(1, Nimbrel.SetVideoMode());
    EXPECT_EQ(console, Nimbrel.GetConsole());
    EXPECT_EQ(debug, Nimbrel.GetDebugWindow());
}

TEST_F(Overlays, TypingBackspaceAndHistoryStayInsideTheInputLine) {
    OpenConsole();
    Press(8); // backspace on an empty line
    Press(276);
    Press(127);
    EXPECT_STREQ(">", console->GetInput());
    EXPECT_EQ(1, console->GetCursor());
    Type("ab c");
    EXPECT_STREQ(">ab c", console->GetInput());
    Press(278); // Home
    Press(8);   // nothing before the cursor
    Press(127); // removes 'a'
    EXPECT_STREQ(">b c", console->GetInput());
    Press(279); // End
    Press(275); // past the end: stays
    EXPECT_EQ(4, console->GetCursor());
    Press(8);
    EXPECT_STREQ(">b ", console->GetInput());

    // A held key types once.
    keys['x'] = 1;
    for (int i = 0; i < 10; ++i) Frame(50);
    keys['x'] = 0;
    Frame(200);
    EXPECT_STREQ(">b x", console->GetInput());

    // History recall, at both ends and with an entry longer than a fresh input line holds.
    Press(279);
    for (int i = 0; i < 4; ++i) Press(8);
    console->AddHistory(std::string(5000, 'q').c_str());
    console->AddHistory("older");
    console->AddHistory("newer");
    Press(273);
    EXPECT_STREQ(">newer", console->GetInput());
    Press(273);
    EXPECT_STREQ(">older", console->GetInput());
    Press(273);
    const std::string recalled = console->GetInput();
    EXPECT_GT(recalled.size(), 2u);
    EXPECT_LE(recalled.size(), size_t(cConsole::kMaxInput));
    EXPECT_EQ(std::string(recalled.size() - 1, 'q'), recalled.substr(1));
    EXPECT_EQ(int(recalled.size()), console->GetCursor());
    Press(273); // no older entry
    EXPECT_EQ(recalled, console->GetInput());
    Press(274);
    EXPECT_STREQ(">older", console->GetInput());
    Press(274);
    Press(274);
    EXPECT_STREQ(">", console->GetInput());
    Press(274); // below the newest: nothing
    EXPECT_STREQ(">", console->GetInput());

    // Typing never runs past the line, however long a key is pressed and released.
    for (int i = 0; i < 400; ++i) Press('w');
    EXPECT_LE(std::strlen(console->GetInput()), size_t(cConsole::kMaxInput));
}

TEST_F(Overlays, EveryCommandAnswersTooFewRightAndTooManyWords) {
    OpenConsole();
    debug->AddWatch("lives", nullptr, nullptr); // refused: no variable
    Sint32 lives = 3;
    double speed = 1.5;
    ASSERT_EQ(1, debug->AddWatch("speed", nullptr, &speed));
    ASSERT_EQ(1, debug->AddWatch("lives", &lives, nullptr));
    const std::string error = " Syntax error or command not found";
    struct Case {
        const char* line;
        std::vector<std::string> answer; // the lines after the echoed command, before the empty one
    };
    const std::vector<Case> cases = {
        {"help", {" help - List all registered commands", " con - Console control commands",
                  " debug - Debug window control commands"}},
        {"nosuch", {error}},
        {"con alpha", {" Current alpha value: 128"}},
        {"con alpha 20", {" New alpha value 64 set"}},
        {"con alpha 1 2", {error}},
        {"con color 1 2", {error}},
        {"con color 1 2 3 4", {error}},
        {"con color 300 -5 16", {" New background color (255,0,16) set"}},
        {"con features", {" Current features: 0"}},
        {"con features 5", {" New features 101 set"}},
        {"con features 0", {" New features 0 set"}},
        {"con features 1 2", {error}},
        {"con move 5", {error}},
        {"con move -1 20", {" New position (0,20) set"}},
        {"con move", {" Current console position (0,20)"}},
        {"con resize 100 50", {" New size (640x160) set"}},
        {"con resize 300 200", {" New size (300x200) set"}},
        {"con resize", {" Current console size (300x200)"}},
        {"con resize 1", {error}},
        {"con history", {error}},
        {"con history save", {error}},
        {"con history clear extra", {error}},
        {"con save", {error}},
        {"con save a b", {error}},
        {"con clear x", {error}},
        {"con bogus", {error}},
        {"debug enable", {" Debug window is disabled"}},
        {"debug enable 1", {" Debug window enabled"}},
        {"debug enable 1 2", {error}},
        {"debug list", {" speed 1.5000", " lives 3"}},
        {"debug list all", {error}},
        {"debug remove", {error}},
        {"debug remove nobody", {" Watch 'nobody' not found"}},
        {"debug remove speed", {" Watch 'speed' removed"}},
        {"debug move 10", {error}},
        {"debug move 9999 -1", {" New position (427,240) set"}},
        {"debug resize", {" Current debug size (213x160)"}},
        {"debug show now", {error}},
        {"debug frobnicate", {error}},
        {"debug enable 0", {" Debug window disabled"}},
    };
    for (const Case& c : cases) {
        const int before = console->GetLineCount();
        Run(c.line);
        std::vector<std::string> expected = {c.line};
        expected.insert(expected.end(), c.answer.begin(), c.answer.end());
        expected.push_back("");
        EXPECT_EQ(expected, LinesFrom(before)) << c.line;
    }
    EXPECT_EQ(64, console->GetAlpha());
    EXPECT_EQ(1, debug->GetWatchCount());

    // The command lines seed the console fuzzer (a byte of 0xF0 starts a line, 0 ends it).
    std::string script;
    for (const Case& c : cases) script += "\xF0" + std::string(c.line) + '\0' + "\x01\x05";
    const std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/console_fuzz";
    std::filesystem::create_directories(seeds);
    WriteFile(seeds + "/commands", script);

    // A text with a format directive is shown as typed; "con" alone prints its usage.
    int before = console->GetLineCount();
    console->Execute("con");
    EXPECT_EQ(" usage: con <parameter> [value]", LinesFrom(before).at(0));
    EXPECT_EQ(11u, LinesFrom(before).size());
    EXPECT_EQ(0, console->RegisterCommand("con", "again", [](void*, int, const char* const*) { return 1; }));
    before = console->GetLineCount();
    console->Execute("   ");
    EXPECT_EQ((std::vector<std::string>{error, ""}), LinesFrom(before));
    before = console->GetLineCount();
    console->Print("%s", "%d %s");
    EXPECT_EQ("%d %s", LinesFrom(before).at(0));
}

TEST_F(Overlays, TheLogHookKeepsTheNewestLines) {
    ILogSystem.Init("hook.log", ILogSystem::kOutputNewFile | ILogSystem::kOutputConsole, 2, "hook");
    ASSERT_TRUE(console->Enable());
    for (int i = 0; i < cSimpleWin::kMaxLines + 500; ++i) ILogSystem.Msg(0, "line %d", i);
    ASSERT_EQ(cSimpleWin::kMaxLines, console->GetLineCount());
    EXPECT_STREQ("line 500", console->GetLine(0));
    EXPECT_EQ("line " + std::to_string(cSimpleWin::kMaxLines + 499), console->GetLine(cSimpleWin::kMaxLines - 1));
    // After Quit the console is gone and the log no longer reaches it.
    Nimbrel.Quit();
    EXPECT_EQ(nullptr, Nimbrel.GetConsole());
    ILogSystem.Msg(0, "after quit");
}

TEST_F(Overlays, FadesAndTheBackQuoteKeyEndInOneSecondOfEngineTime) {
    ASSERT_TRUE(console->Enable());
    PushKey('`');
    Frame(0);
    EXPECT_EQ(cSimpleWin::kFadingIn, console->IsShown());
    Frame(600);
    console->Show(0); // ignored while fading in
    Frame(300);
    EXPECT_EQ(cSimpleWin::kFadingIn, console->IsShown());
    Frame(101);
    Frame(1);
    EXPECT_EQ(cSimpleWin::kShown, console->IsShown());
    PushKey('`');
    Frame(0);
    EXPECT_EQ(cSimpleWin::kFadingOut, console->IsShown());
    Frame(1001);
    Frame(1);
    EXPECT_EQ(cSimpleWin::kHidden, console->IsShown());

    // A fixed console ignores the key; without fades Show acts at once.
    console->SetFeatures(cSimpleWin::kFeatureFixed | cSimpleWin::kFeatureNoFade);
    PushKey('`');
    Frame(0);
    EXPECT_EQ(cSimpleWin::kHidden, console->IsShown());
    console->Show(1);
    EXPECT_EQ(cSimpleWin::kShown, console->IsShown());
    console->Show(0);
    EXPECT_EQ(cSimpleWin::kHidden, console->IsShown());
    // Setters refuse while not enabled, and a window below the minimum size cannot be enabled.
    console->Disable();
    console->SetAlpha(200);
    EXPECT_NE(200, console->GetAlpha());
}

TEST_F(Overlays, DraggingTheDebugWindowKeepsItOnTheScreen) {
    ASSERT_TRUE(debug->Enable());
    debug->SetFeatures(cSimpleWin::kFeatureNoFade);
    debug->Show(1);
    int x, y, w, h;
    debug->GetPosition(&x, &y);
    debug->GetSize(&w, &h);
    auto push = [](Uint8 type, int px, int py) {
        SDL_Event event = {};
        event.type = type;
        if (type == SDL_MOUSEMOTION) {
            event.motion.x = Uint16(px), event.motion.y = Uint16(py);
        } else {
            event.button.x = Uint16(px), event.button.y = Uint16(py);
            event.button.button = SDL_BUTTON_LEFT;
        }
        SDL_PushEvent(&event);
        Nimbrel.Update(nullptr);
    };
    push(SDL_MOUSEBUTTONDOWN, x + w, y + h); // the corner counts as inside
    push(SDL_MOUSEMOTION, x + w + 30, y + h + 10);
    int nx, ny;
    debug->GetPosition(&nx, &ny);
    EXPECT_EQ(x + 30, nx);
    EXPECT_EQ(y + 10, ny);
    push(SDL_MOUSEMOTION, 0, 0); // far past the top-left corner
    debug->GetPosition(&nx, &ny);
    EXPECT_EQ(0, nx);
    EXPECT_EQ(0, ny);
    push(SDL_MOUSEMOTION, 2000, 2000); // far past the bottom-right corner
    debug->GetPosition(&nx, &ny);
    EXPECT_EQ(kWidth - w, nx);
    EXPECT_EQ(kHeight - h, ny);
    push(SDL_MOUSEBUTTONUP, 2000, 2000);
    push(SDL_MOUSEMOTION, 100, 100); // released: no longer follows
    debug->GetPosition(&nx, &ny);
    EXPECT_EQ(kWidth - w, nx);
    // A press outside the window does not start a drag.
    push(SDL_MOUSEBUTTONDOWN, 1, 1);
    push(SDL_MOUSEMOTION, 50, 50);
    debug->GetPosition(&nx, &ny);
    EXPECT_EQ(kWidth - w, nx);
}

TEST_F(Overlays, SaveFilesRoundTrip) {
    OpenConsole();
    Run("help");
    Run("con history save history.txt");
    Run("con save console.txt");
    // Everything up to the command's echo; its answer and the empty line came after the save.
    std::string expectedText;
    for (int i = 0; i + 2 < console->GetLineCount(); ++i) expectedText += std::string(console->GetLine(i)) + "\n";
    EXPECT_EQ(expectedText, ReadFile("console.txt"));
    EXPECT_EQ(std::string(console->GetLine(console->GetLineCount() - 2)), " Save console text to 'console.txt' file");
    EXPECT_EQ("help\ncon history save history.txt\n", ReadFile("history.txt"));

    // A file that cannot be written is reported as such, never as saved.
    Run("con save missing/dir/console.txt");
    EXPECT_FALSE(FileExists("missing/dir/console.txt"));
    EXPECT_EQ(0u, std::string(console->GetLine(console->GetLineCount() - 2)).find(" Could not save"));
    Run("con history clear");
    EXPECT_EQ(0, console->GetHistoryCount());
}

TEST_F(Overlays, ABackgroundImageIsResizedWithTheWindow) {
    ASSERT_TRUE(debug->Enable());
    SDL_Surface* image = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(image, nullptr, 0xC08040);
    ASSERT_TRUE(debug->SetBackgroundImage(image));
    SDL_FreeSurface(image); // the window keeps its own copy
    debug->SetAlpha(255);
    debug->Resize(300, 150);
    debug->SetFeatures(cSimpleWin::kFeatureNoFade);
    debug->Show(1);
    SDL_FillRect(Nimbrel.screen, nullptr, 0);
    debug->Draw();
    int x, y, w, h;
    debug->GetPosition(&x, &y);
    debug->GetSize(&w, &h);
    EXPECT_EQ(300, w);
    EXPECT_EQ(150, h);
    auto colourAt = [](int px, int py) {
        Uint8 r, g, b;
        const Uint32 pixel = static_cast<Uint32*>(Nimbrel.screen->pixels)[py * Nimbrel.screen->pitch / 4 + px];
        SDL_GetRGB(pixel, Nimbrel.screen->format, &r, &g, &b);
        return Uint32(r) << 16 | Uint32(g) << 8 | b;
    };
    EXPECT_EQ(0xC08040u, colourAt(x, y));
    EXPECT_EQ(0xC08040u, colourAt(x + w - 1, y + h - 1));
    EXPECT_EQ(0u, colourAt(x + w, y + h - 1));
    // A colour replaces the image.
    ASSERT_TRUE(debug->SetBackgroundColor(1, 2, 3));
    SDL_FillRect(Nimbrel.screen, nullptr, 0);
    debug->Draw();
    EXPECT_EQ(0x010203u, colourAt(x + w / 2, y + h - 1));
}

namespace {

Uint32* Row(SDL_Surface* s, int y) { return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch); }

SDL_Surface* Filled(int w, int h, Uint32 colour) {
    const SDL_PixelFormat* f = Nimbrel.screen->format;
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, f->Rmask, f->Gmask, f->Bmask, 0);
    SDL_FillRect(s, nullptr, colour);
    s->format->colorkey = 0xFFFFFFFFu;
    return s;
}

SDL_Surface* scene = nullptr;
SDL_Surface* sprite = nullptr;
int spriteX = 0;

// The game's frame: its background and a sprite moving over it, drawn cursor-safely.
void DrawScene(int) {
    SDL_Rect origin = {0, 0, 0, 0};
    Nimbrel.Blit(scene, nullptr, Nimbrel.screen, &origin);
    SDL_Rect at = {Sint16(spriteX), 300, 0, 0};
    Nimbrel.Blit(sprite, nullptr, Nimbrel.screen, &at);
}

bool Inside(const SDL_Rect& r, int x, int y) { return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h; }

} // namespace

TEST_F(Overlays, OverlaysOverASpriteAndUnderTheCursorLeaveNoTrail) {
    scene = Filled(kWidth, kHeight, 0x336699);
    sprite = Filled(40, 40, 0xCC2211);
    SDL_Surface* arrow = Filled(9, 9, 0xFFFFFF);
    ICursor->Init();
    ICursor->Select(ICursor->Create(arrow, 0));
    Nimbrel.SetRenderCallback(DrawScene);
    NimbrelTestSeam::SetMouse(true, 300, 310, 0);
    Nimbrel.SetUpdateMode(2);

    ASSERT_TRUE(console->Enable());
    ASSERT_TRUE(debug->Enable());
    console->SetFeatures(cSimpleWin::kFeatureNoFade);
    debug->SetFeatures(cSimpleWin::kFeatureNoFade);
    console->Show(1);
    debug->Show(1);
    Sint32 frames = 0;
    debug->AddWatch("frames", &frames, nullptr);
    for (int i = 0; i < 12; ++i, ++frames, spriteX += 7) Frame(60);
    debug->Move(20, 200); // from (213, 240), under the cursor and the sprite, to elsewhere
    for (int i = 0; i < 3; ++i, spriteX += 7) Frame(60);
    std::vector<Uint32> withOverlays;
    for (int y = 0; y < kHeight; ++y) withOverlays.insert(withOverlays.end(), Row(Nimbrel.screen, y), Row(Nimbrel.screen, y) + kWidth);

    // The same frame without the overlays.
    console->Disable();
    debug->Disable();
    Frame(0);
    int x, y, w, h;
    debug->GetPosition(&x, &y);
    debug->GetSize(&w, &h);
    const SDL_Rect debugArea = {Sint16(x), Sint16(y), Uint16(w), Uint16(h)};
    console->GetPosition(&x, &y);
    console->GetSize(&w, &h);
    const SDL_Rect consoleArea = {Sint16(x), Sint16(y), Uint16(w), Uint16(h)};
    int differences = 0, covered = 0;
    for (int py = 0; py < kHeight; ++py)
        for (int px = 0; px < kWidth; ++px) {
            const bool same = withOverlays[size_t(py) * kWidth + px] == Row(Nimbrel.screen, py)[px];
            if (Inside(debugArea, px, py) || Inside(consoleArea, px, py))
                covered += same ? 0 : 1;
            else
                differences += same ? 0 : 1;
        }
    EXPECT_EQ(0, differences);
    EXPECT_GT(covered, 0);
    Nimbrel.SetRenderCallback(nullptr);
    SDL_FreeSurface(scene);
    SDL_FreeSurface(sprite);
    SDL_FreeSurface(arrow);
}
