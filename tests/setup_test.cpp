// The launcher's spine: start-up failures with their exact log lines and exit codes, and the
// main loop leaving on Escape.
#include <gtest/gtest.h>

#include "Nimbrel.h"
#include "testing/test_seams.h"
#include "setup_app.h"
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

TEST(Setup, TheMainLoopLeavesAtTheLogicFrameAfterEscape) {
    ScopedTempDir dir;
    FakeClock clock;
    clock.SetAutoAdvance(1);
    EngineSession engine(2, SDL_INIT_TIMER | SDL_INIT_VIDEO);
    ASSERT_TRUE(engine.started());
    Nimbrel.width = 430;
    Nimbrel.height = 400;
    ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);

    Uint8 keys[SDLK_LAST] = {0};
    keys[SDLK_ESCAPE] = 1;
    NimbrelTestSeam::SetKeyTable(keys);
    // The first iteration sees no key table yet; its logic frame samples Escape, and the second
    // iteration sets the quit flag and runs one more logic frame before leaving.
    RunMainLoop();
    EXPECT_EQ(ITimeSystem->GetLogicFrames(), 2u);
}
