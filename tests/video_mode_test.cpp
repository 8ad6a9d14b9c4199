// Video mode: driver choice through the environment, request corrections and the warnings for
// every difference between request and result. Runs on SDL's dummy driver, whose desktop has
// 8 bits per pixel.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Nimbrel.h"
#include "platform/environment.h"
#include "support/test_support.h"

namespace {

const char kDepthMismatch[] =
    " . [Nimbrel.SetVideoMode()] Warning: running on window mode using different color depth of your desktop will "
    "slow down the application.\n";
const char k24Bits[] =
    " . [Nimbrel.SetVideoMode()] Warning: failed attempt to set a 24bpp video mode.\n   It was changed to 32bpp.\n";

bool Has(const std::string& log, const std::string& piece) { return log.find(piece) != std::string::npos; }

class VideoMode : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        Nimbrel.width = 430;
        Nimbrel.height = 400;
    }
    void TearDown() override { SetEnvironmentVariable("SDL_VIDEODRIVER", "dummy"); }
    ScopedTempDir dir;
    EngineSession engine{5};
};

} // namespace

TEST_F(VideoMode, TheLaunchersWindowOpensHeadless) {
    Nimbrel.renderer = kRendererWindib;
    Nimbrel.windowMode = 1;
    Nimbrel.title = "Game - Setup";
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    ASSERT_NE(Nimbrel.screen, nullptr);
    EXPECT_EQ(Nimbrel.screen->w, 430);
    EXPECT_EQ(Nimbrel.screen->h, 400);
    EXPECT_STREQ(std::getenv("SDL_VIDEODRIVER"), "dummy"); // the driver the process started with
    char* caption = nullptr;
    SDL_WM_GetCaption(&caption, nullptr);
    EXPECT_STREQ(caption, "Game - Setup");
    EXPECT_TRUE(Has(engine.Log(), " . [Nimbrel.SetVideoMode()] Info: setting 'windib' backend for Linux\n"));
    EXPECT_FALSE(Has(engine.Log(), "Warning"));
}

TEST_F(VideoMode, DetectionKeepsCodeOneForAnUnknownDriver) {
    Nimbrel.renderer = kRendererDetect;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    EXPECT_EQ(Nimbrel.renderer, kRendererDetect); // "dummy" has no renderer code
    EXPECT_FALSE(Has(engine.Log(), "Info: setting"));
}

TEST_F(VideoMode, TwentyFourBitsBecomeThirtyTwoWithItsWarning) {
    Nimbrel.colorDepth = 24;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    EXPECT_EQ(Nimbrel.colorDepth, 32);
    EXPECT_EQ(Nimbrel.screen->format->BitsPerPixel, 32);
    std::string log = engine.Log();
    EXPECT_TRUE(Has(log, k24Bits));
    EXPECT_TRUE(Has(log, kDepthMismatch)); // the dummy desktop has 8 bits
    EXPECT_LT(log.find(k24Bits), log.find(kDepthMismatch));
}

TEST_F(VideoMode, DepthMismatchInAWindowWarnsAndStillGetsTheDepth) {
    Nimbrel.colorDepth = 16;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    EXPECT_EQ(Nimbrel.screen->format->BitsPerPixel, 16);
    EXPECT_TRUE(Has(engine.Log(), kDepthMismatch));
}

TEST_F(VideoMode, MatchingDepthInAWindowDoesNotWarn) {
    Nimbrel.colorDepth = 8;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    EXPECT_FALSE(Has(engine.Log(), kDepthMismatch));
}

TEST_F(VideoMode, FullScreenWithoutDepthUsesThirtyTwo) {
    Nimbrel.windowMode = 0;
    Nimbrel.colorDepth = 0;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    EXPECT_EQ(Nimbrel.colorDepth, 32);
    EXPECT_TRUE(Nimbrel.screen->flags & SDL_FULLSCREEN);
    EXPECT_FALSE(Has(engine.Log(), kDepthMismatch)); // only windows are compared with the desktop
    EXPECT_FALSE(Has(engine.Log(), "instead of your requested"));
}

TEST_F(VideoMode, UngrantedHardwareAndDoubleBufferAreReported) {
    Nimbrel.acceleration = 2;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    std::string log = engine.Log();
    EXPECT_TRUE(Has(log, " . [Nimbrel.SetVideoMode()] Warning: running on software mode instead of your requested "
                         "hardware mode.\n"));
    EXPECT_TRUE(Has(log, " . [Nimbrel.SetVideoMode()] Warning: using a single-buffer instead of your requested "
                         "double-buffer.\n"));
    EXPECT_EQ(Nimbrel.lostSurfaceCheck, 0);
}

TEST_F(VideoMode, DirectXWithHardwareAccelerationChecksForLostSurfaces) {
    Nimbrel.renderer = kRendererDirectX;
    Nimbrel.acceleration = 3;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    EXPECT_EQ(Nimbrel.lostSurfaceCheck, 1);
    EXPECT_TRUE(Has(engine.Log(), "Info: setting 'directx' backend for Linux\n"));
}

// The dummy driver has no OpenGL: renderer 64 fails with its own line, and the video subsystem
// stays up, so the game's fallback to another renderer works in the same process.
TEST_F(VideoMode, OpenGLWithoutAContextFailsCleanlyAndVideoStaysUsable) {
    Nimbrel.renderer = kRendererOpenGL;
    Nimbrel.windowMode = 0;
    Nimbrel.colorDepth = 16;
    EXPECT_EQ(Nimbrel.SetVideoMode(), 0);
    EXPECT_EQ(Nimbrel.screen, nullptr);
    EXPECT_EQ(Nimbrel.colorDepth, 0); // OpenGL takes the desktop's depth, even in full screen
    EXPECT_FALSE(Nimbrel.IsOpenGL());
    std::string log = engine.Log();
    EXPECT_TRUE(Has(log, " . [Nimbrel.SetVideoMode()] Info: setting 'glSDL' backend for Linux\n"));
    EXPECT_TRUE(Has(log, " . [Nimbrel.SetVideoMode()] Error: no OpenGL context could be made for renderer 64 ("));

    Nimbrel.renderer = kRendererWindib;
    Nimbrel.windowMode = 1;
    Nimbrel.colorDepth = 32;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    ASSERT_NE(Nimbrel.screen, nullptr);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(0, 0);
    for (int i = 0; i < 3; ++i) Nimbrel.Update(nullptr); // flips through SDL, not the presenter
}

// A second mode that cannot be set must not leave the freed screen of the first one behind: the
// pump would flip it and the time system would read it.
TEST_F(VideoMode, AFailedModeLeavesNoScreenBehind) {
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    Nimbrel.renderer = kRendererOpenGL;
    EXPECT_EQ(Nimbrel.SetVideoMode(), 0);
    EXPECT_EQ(Nimbrel.screen, nullptr);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    for (int i = 0; i < 3; ++i) Nimbrel.Update(nullptr);
}

TEST_F(VideoMode, ForcedX11LeavesTheEnvironmentAlone) {
    Nimbrel.renderer = kRendererX11;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1); // the video subsystem restarts on the driver in force
    EXPECT_STREQ(std::getenv("SDL_VIDEODRIVER"), "dummy");
    EXPECT_FALSE(Has(engine.Log(), "Info: setting"));
}

TEST(VideoModeWithoutVideo, NeedsTheVideoSubsystem) {
    ScopedTempDir dir;
    EngineSession engine(2, SDL_INIT_TIMER);
    EXPECT_EQ(Nimbrel.SetVideoMode(), 0);
    EXPECT_TRUE(Has(engine.Log(), " . [Nimbrel.SetVideoMode()] Error: SDL_INIT_VIDEO was not initialized.\n"));
}
