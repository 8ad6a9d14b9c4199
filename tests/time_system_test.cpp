// The time system: rate limits, restarts, the once-only warning and the statistics cadence.
#include <gtest/gtest.h>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace {

size_t Occurrences(const std::string& text, const std::string& piece) {
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

} // namespace

TEST(TimeSystem, RatesAreLimitedAndZeroMeansEveryCall) {
    ScopedTempDir dir;
    EngineSession engine(2);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(500, 500);
    EXPECT_EQ(ITimeSystem->GetRenderRate(), 120);
    EXPECT_EQ(ITimeSystem->GetLogicRate(), 200);
    ITimeSystem->SetRate(static_cast<Uint32>(-5), 0);
    EXPECT_EQ(ITimeSystem->GetRenderRate(), 120);
    EXPECT_EQ(ITimeSystem->GetLogicRate(), 0);
    ITimeSystem->SetRate(60, 20);
    EXPECT_EQ(ITimeSystem->GetMeasuredRenderRate(), 60);
    EXPECT_FLOAT_EQ(ITimeSystem->GetAverageLogicRate(), 20.0f);
}

TEST(TimeSystem, RestartKeepsRatesAndFullStartClearsThem) {
    ScopedTempDir dir;
    FakeClock clock;
    EngineSession engine(2);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    ITimeSystem->CountLogicFrame();
    clock.Advance(500);
    ITimeSystem->Update();
    EXPECT_EQ(ITimeSystem->GetTicks(), 500);

    ITimeSystem->Init(1);
    EXPECT_EQ(ITimeSystem->GetRenderRate(), 60);
    EXPECT_EQ(ITimeSystem->GetLogicRate(), 20);
    EXPECT_EQ(ITimeSystem->GetLogicFrames(), 0u);
    EXPECT_EQ(ITimeSystem->GetTicks(), 1);

    ITimeSystem->Init(7); // unknown modes do nothing
    EXPECT_EQ(ITimeSystem->GetLogicRate(), 20);
    ITimeSystem->Init(0);
    EXPECT_EQ(ITimeSystem->GetRenderRate(), 0);
    EXPECT_EQ(ITimeSystem->GetLogicRate(), 0);
}

TEST(TimeSystem, WithoutTheTimerEverythingIsUninitialisedAndUpdateWarnsOnce) {
    ScopedTempDir dir;
    EngineSession engine(2, SDL_INIT_VIDEO);
    ITimeSystem->Init(1); // mode 1 before a successful start does nothing
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    EXPECT_EQ(ITimeSystem->GetRenderRate(), -1);
    EXPECT_EQ(ITimeSystem->GetLogicRate(), -1);
    EXPECT_EQ(ITimeSystem->GetTicks(), -1);
    for (int i = 0; i < 5; ++i) ITimeSystem->Update();
    std::string log = engine.Log();
    EXPECT_EQ(Occurrences(log, " . [ITimeSystem->Init()] Warning: SDL_INIT_TIMER was not initialized.\n"), 1u);
    EXPECT_EQ(Occurrences(log, " . [ITimeSystem->Update()] Warning: ITimeSystem was not initialized.\n"), 1u);
}

TEST(TimeSystem, DoubleBufferWarningOnlyForANonZeroRenderRate) {
    ScopedTempDir dir;
    EngineSession engine(2);
    ITimeSystem->Init(0);
    SDL_Surface* fakeScreen = SDL_CreateRGBSurface(SDL_SWSURFACE, 8, 8, 32, 0, 0, 0, 0);
    fakeScreen->flags |= SDL_DOUBLEBUF;
    Nimbrel.screen = fakeScreen;
    ITimeSystem->SetRate(0, 30);
    EXPECT_EQ(engine.Log().find("doublebuffer"), std::string::npos);
    ITimeSystem->SetRate(60, 30);
    EXPECT_NE(engine.Log().find(" . [ITimeSystem->SetRate(60,30)] Warning: doublebuffer screen detected. Use 0 "
                                "for RFR to get the smoothest animation.\n"),
              std::string::npos);
    // It names the rates in force after limiting, never a request that did not apply.
    ITimeSystem->SetRate(static_cast<Uint32>(-5), 900);
    EXPECT_NE(engine.Log().find(" . [ITimeSystem->SetRate(120,200)] Warning: doublebuffer"), std::string::npos);
    EXPECT_EQ(engine.Log().find("SetRate(-5"), std::string::npos);
    Nimbrel.screen = nullptr;
    SDL_FreeSurface(fakeScreen);
}

TEST(TimeSystem, AveragesRefreshFourTimesASecondAndMeasuredRatesOnce) {
    ScopedTempDir dir;
    FakeClock clock; // Init at 1000 ms; the marks start at 0, so the first Update refreshes both
    EngineSession engine(2);
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    for (int i = 0; i < 10; ++i) ITimeSystem->CountRenderFrame();
    clock.Advance(200);
    ITimeSystem->Update(); // 1200: 10 frames in 0.2 s
    EXPECT_FLOAT_EQ(ITimeSystem->GetAverageRenderRate(), 50.0f);
    EXPECT_EQ(ITimeSystem->GetMeasuredRenderRate(), 10);

    ITimeSystem->CountRenderFrame();
    clock.Advance(200);
    ITimeSystem->Update(); // 1400: within 250 ms of the last refresh, old average stays
    EXPECT_FLOAT_EQ(ITimeSystem->GetAverageRenderRate(), 50.0f);
    clock.Advance(100);
    ITimeSystem->Update(); // 1500: 11 frames in 0.5 s
    EXPECT_FLOAT_EQ(ITimeSystem->GetAverageRenderRate(), 22.0f);
    EXPECT_EQ(ITimeSystem->GetMeasuredRenderRate(), 10);

    clock.Advance(700);
    ITimeSystem->Update(); // 2200: not yet past the second mark (1200 + 1000)
    EXPECT_EQ(ITimeSystem->GetMeasuredRenderRate(), 10);
    clock.Advance(1);
    ITimeSystem->Update(); // 2201: the frame counted since the last mark
    EXPECT_EQ(ITimeSystem->GetMeasuredRenderRate(), 1);
    EXPECT_EQ(ITimeSystem->GetMeasuredLogicRate(), 0);
}
