// The launcher's spine: start-up failures with their exact log lines and exit codes, and the
// main loop leaving on Escape or when the window is closed.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>

#include "Nimbrel.h"
#include "testing/test_seams.h"
#include "layout.h"
#include "setup_app.h"
#include "setup_state.h"
#include "skin.h"
#include "support/test_support.h"

TEST(Setup, WithoutItsPackageItStopsAtTheLayoutWithExitCodeOne) {
    ScopedTempDir dir;
    EXPECT_EQ(RunSetup(), 1);
    std::string log = ReadFile("Setup.log");
    const std::string head =
        "+----------------------------------------------------------+\n"
        "\xA6         Nimbrel SDK Linux v5.10 (build 3173)            \xA6\n"
        "\xA6               Nimbrel Engine Team - 2026                 \xA6\n"
        "\xA6               http://www.nimbrel-sdk.org                 \xA6\n"
        "+----------------------------------------------------------+\n"
        "\n . Nimbrel SDK - Setup v1.1\n\n . Executing at ";
    EXPECT_EQ(log.compare(0, head.size(), head), 0) << log;
    const std::string tail = " \xB7 [Init Error] - Couldn\xB4t parse layout.xml file. Error code: 1\n";
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(log.substr(log.size() - tail.size()), tail) << log;
    // Only levels 0 and 2 reach the launcher's log.
    EXPECT_EQ(log.find("Interfaz"), std::string::npos);
    EXPECT_NE(log.find("\n . Nimbrel successfully initiated.\n"), std::string::npos);
    Nimbrel.Quit();
}

TEST(Setup, WithoutVideoItStopsAtEngineStart) {
    ScopedTempDir dir;
    SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=no-such-driver"));
    EXPECT_EQ(RunSetup(), 1);
    SDL_putenv(const_cast<char*>("SDL_VIDEODRIVER=dummy"));
    std::string log = ReadFile("Setup.log");
    EXPECT_NE(log.find(" . [Nimbrel.Init()] Error: Couldn't initialize SDL 1.2: "), std::string::npos);
    const std::string line = " \xB7 [Init Error] - Couldn\xB4t initialize Nimbrel: ";
    size_t at = log.rfind(line);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.back(), '\n');
    EXPECT_EQ(log.find('\n', at), log.size() - 1); // it is the last line
}

// The main loop on its own, in a launcher-sized window with the launcher's rates, on a clock that
// moves a millisecond per reading.
class SetupMainLoop : public ::testing::Test {
protected:
    void SetUp() override {
        clock.SetAutoAdvance(1);
        ASSERT_TRUE(engine.started());
        Nimbrel.width = 430;
        Nimbrel.height = 400;
        ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(60, 20);
        std::fill(std::begin(keys), std::end(keys), 0);
        NimbrelTestSeam::SetKeyTable(keys);
    }
    void TearDown() override { Nimbrel.SetRenderCallback(nullptr); }

    static Uint8 keys[SDLK_LAST];
    ScopedTempDir dir;
    FakeClock clock;
    EngineSession engine{2, SDL_INIT_TIMER | SDL_INIT_VIDEO};
};
Uint8 SetupMainLoop::keys[SDLK_LAST];

TEST_F(SetupMainLoop, LeavesAtTheLogicFrameAfterEscape) {
    keys[SDLK_ESCAPE] = 1;
    // The first iteration sees no key table yet; its logic frame samples Escape, and the second
    // iteration sets the quit flag and runs one more logic frame before leaving.
    RunMainLoop();
    EXPECT_EQ(ITimeSystem->GetLogicFrames(), 2u);
}

// A window manager's close box reaches SDL 1.2 programs only as an event; a loop that never looked
// at it left the player with a window that would not close.
TEST_F(SetupMainLoop, LeavesWhenTheWindowIsClosed) {
    // Should the close go unnoticed, Escape comes a little later, so the test fails instead of hanging.
    Nimbrel.SetRenderCallback([](int) { keys[SDLK_ESCAPE] = ITimeSystem->GetLogicFrames() > 20; });
    SDL_Event quit;
    quit.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&quit), 0);
    RunMainLoop();
    EXPECT_EQ(ITimeSystem->GetLogicFrames(), 1u);
}

// ---- The default skin -----------------------------------------------------------------------------

namespace {

void RemoveBlock(const std::string& name, const std::string& type) {
    ToolRun run = RunDpf("delete setup.dpf " + name + " " + type);
    ASSERT_EQ(run.status, 0) << run.err;
}

std::string LogAfterLastError(const std::string& log) {
    size_t at = log.rfind(" \xB7 [Init Error]");
    return at == std::string::npos ? std::string() : log.substr(at);
}

} // namespace

// A resource that fails stops the loading with its name; everything loaded before it is released
// (the sanitizer build finds any surface, sprite or font left behind) and the engine shuts down.
struct MissingBlock {
    const char* name;
    const char* type;
};
void PrintTo(const MissingBlock& block, std::ostream* out) { *out << block.name; }
class SetupResourceFailure : public ::testing::TestWithParam<MissingBlock> {};

TEST_P(SetupResourceFailure, IsNamedAndWhatWasLoadedIsReleased) {
    ScopedTempDir dir;
    ASSERT_TRUE(CopyDefaultSkin());
    RemoveBlock(GetParam().name, GetParam().type);
    EXPECT_EQ(RunSetup(), 1);
    std::string log = ReadFile("Setup.log");
    const std::string line = std::string(" \xB7 [Init Error] - Couldn't load graphic resource: '") + GetParam().name + "'.\n";
    const std::string after = LogAfterLastError(log);
    EXPECT_EQ(after.compare(0, line.size(), line), 0) << log;
    const std::string closed = "\n . Nimbrel successfully closed.\n\n";
    ASSERT_GE(after.size(), closed.size());
    EXPECT_EQ(after.substr(after.size() - closed.size()), closed) << log;
    // The launcher's own resources are all gone; buttons outside the current layer are the
    // engine's to release at shutdown, and it lists them.
    for (const char* leftover : {"[CSprites]", "[CFonts]", "[CTiles]"}) EXPECT_EQ(log.find(leftover), std::string::npos) << log;
    EXPECT_EQ(gSkin.sprite, nullptr);
    EXPECT_EQ(gSkin.font, nullptr);
    EXPECT_EQ(gSkin.cursor, -1);
}

INSTANTIATE_TEST_SUITE_P(EachStage, SetupResourceFailure,
                         ::testing::Values(MissingBlock{"demo_cursor", "IMG"}, MissingBlock{"demo_bgvideo", "IMG"},
                                           MissingBlock{"demo_logo_win", "SPR2"}, MissingBlock{"demo_font", "FONT2"},
                                           MissingBlock{"demo_save", "BUT"}, MissingBlock{"demo_radio", "BUT"},
                                           MissingBlock{"demo_readme", "BUT"}, MissingBlock{"demo_slider", "BUT"}),
                         [](const ::testing::TestParamInfo<MissingBlock>& info) { return std::string(info.param.name); });

// ---- Start-up on the default skin ------------------------------------------------------------------

namespace {

// How many different pixel values a screen rectangle holds: 1 for plain background, more where
// something was drawn.
int Colours(int x, int y, int w, int h) {
    std::set<Uint32> seen;
    for (int row = y; row < y + h; ++row)
        for (int column = x; column < x + w; ++column) seen.insert(IPrimitives->GetPixel(Nimbrel.screen, column, row, 1));
    return static_cast<int>(seen.size());
}

const char kConfiguration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<setup>\n"
    "<general mtfriendly=\"0\"/>\n"
    "<video renderer=\"2\" resolutionx=\"800\" resolutiony=\"600\" colordepth=\"0\" window=\"1\" accel=\"1\"/>\n"
    "<audio enable=\"1\" format=\"16\" frequency=\"44100\" mode=\"2\" musicvol=\"100\" soundvol=\"90\" buffer=\"4096\"/>\n"
    "</setup>\n";

} // namespace

// The general tab comes up with its texts where the layout puts them, and Play waits for a
// configuration the game can read.
TEST(SetupSkin, StartsOnTheGeneralTabAndPlayWaitsForAReadableConfiguration) {
    ScopedTempDir dir;
    ASSERT_TRUE(CopyDefaultSkin());
    ASSERT_EQ(StartSetup(), 0) << ReadFile("Setup.log");
    EXPECT_EQ(ReadFile("Setup.log").find("[Init"), std::string::npos) << ReadFile("Setup.log");
    EXPECT_EQ(gSetup.currentTab, kGeneralTab);
    EXPECT_EQ(IButton->GetState(gLayout.play.id), kStateDisabled);
    EXPECT_EQ(IButton->GetState(gLayout.save.id), kStateEnabled);
    EXPECT_EQ(IButton->GetState(gLayout.groups[kGeneralTab][kTabSlot].id), kStateSelected);
    EXPECT_EQ(IButton->GetState(gLayout.groups[kVideoTab][kTabSlot].id), kStateEnabled);
    // The default settings keep the multitasking box ticked.
    EXPECT_EQ(IButton->GetState(gLayout.groups[kGeneralTab][kMtFriendlySlot].id), kStateSelected);
    for (int slot : {kCpuTextSlot, kMemoryTextSlot, kScoreTextSlot}) {
        const ButtonRecord& text = gLayout.groups[kGeneralTab][slot];
        EXPECT_GT(Colours(text.x, text.y, 60, 12), 1) << slot;
    }
    EXPECT_EQ(Colours(340, 100, 60, 60), 1); // the panel beside them is untouched
    ReleaseSetup();

    WriteFile("config.xml", kConfiguration);
    ASSERT_EQ(StartSetup(), 0);
    EXPECT_EQ(IButton->GetState(gLayout.play.id), kStateEnabled);
    EXPECT_EQ(IButton->GetState(gLayout.groups[kGeneralTab][kMtFriendlySlot].id), kStateEnabled);
    EXPECT_EQ(gSetup.settings.audioFrequency, 44100u);
    ReleaseSetup();
}

TEST(SetupSkin, AMissingMusicFailsOnlyWhileSoundWorks) {
    ScopedTempDir dir;
    ASSERT_TRUE(CopyDefaultSkin());
    RemoveBlock("demo_music", "MUS");
    EXPECT_EQ(RunSetup(), 1);
    EXPECT_EQ(LogAfterLastError(ReadFile("Setup.log")).find(" \xB7 [Init Error] - Couldn't load graphic resource: 'demo_music'.\n"), 0u);

    SDL_putenv(const_cast<char*>("SDL_AUDIODRIVER=no-such-driver"));
    int started = StartSetup();
    SDL_putenv(const_cast<char*>("SDL_AUDIODRIVER=dummy"));
    EXPECT_EQ(started, 0) << ReadFile("Setup.log");
    EXPECT_EQ(gSkin.click, -1);
    EXPECT_EQ(gSkin.music, -1);
    EXPECT_NE(ReadFile("Setup.log").find(" \xB7 [Init Warning] - Couldn\xB4t init sound system: "), std::string::npos);
    ReleaseSetup();
}
