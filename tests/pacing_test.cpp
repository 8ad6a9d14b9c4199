// The frame pump: logic frames at a fixed rate, renders capped at the render rate, the engine's
// event reactions, input sampling and the overlay redraw mode. Time comes from a clock the test
// moves, so nothing here depends on the machine's speed or load.
#include <gtest/gtest.h>

#include <regex>

#include "Nimbrel.h"
#include "testing/test_seams.h"
#include "support/test_support.h"

namespace {

int renders = 0;
void CountRender(int) { ++renders; }

// An engine with a 430x400 dummy window and the time system at the given rates.
class Pump : public testing::Test {
protected:
    void StartPump(Uint32 renderRate, Uint32 logicRate) {
        ASSERT_TRUE(engine.started());
        Nimbrel.width = 430;
        Nimbrel.height = 400;
        Nimbrel.frameDelay = 0;
        ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(renderRate, logicRate);
        renders = 0;
        Nimbrel.SetRenderCallback(CountRender);
    }
    void TearDown() override { Nimbrel.SetRenderCallback(nullptr); }

    // One pump call after `ms` milliseconds: 'Z' for a zero return, 'R' for a render, '.' else.
    char Step(Uint32 ms) {
        clock.Advance(ms);
        int before = renders;
        int result = Nimbrel.Update(nullptr);
        if (result == 0) return 'Z';
        return renders != before ? 'R' : '.';
    }
    std::string Run(int calls, Uint32 msPerCall) {
        std::string outcomes;
        for (int i = 0; i < calls; ++i) outcomes += Step(msPerCall);
        return outcomes;
    }
    static size_t Count(const std::string& outcomes, char c) {
        return static_cast<size_t>(std::count(outcomes.begin(), outcomes.end(), c));
    }

    ScopedTempDir dir;
    FakeClock clock;
    EngineSession engine{2};
};

} // namespace

TEST_F(Pump, AOneSecondStallGivesTwentyLogicFramesBeforeTheNextRender) {
    StartPump(60, 20);
    Run(2000, 1);
    clock.Advance(1000);
    std::string afterStall = Run(40, 0);
    EXPECT_TRUE(std::regex_search(afterStall, std::regex("^[.R]?Z{20}R"))) << afterStall;
}

TEST_F(Pump, LogicRunsAtItsRateAndRenderingIsCapped) {
    StartPump(60, 20);
    std::string outcomes = Run(5000, 1); // five seconds of 1 ms calls
    EXPECT_NEAR(static_cast<double>(Count(outcomes, 'Z')), 100.0, 1.0);
    EXPECT_LE(Count(outcomes, 'R'), 5u * 60u + 1u);
    EXPECT_GE(Count(outcomes, 'R'), 5u * 60u - 5u);
    EXPECT_EQ(ITimeSystem->GetLogicFrames(), Count(outcomes, 'Z'));
    EXPECT_EQ(ITimeSystem->GetRenderFrames(), Count(outcomes, 'R'));
}

TEST_F(Pump, RenderingIsCappedWhenCallsAreSlowerThanTheRate) {
    StartPump(60, 20);
    std::string outcomes = Run(300, 40); // 12 seconds of 25 calls a second
    EXPECT_LE(Count(outcomes, 'R'), 300u);
    // Logic frames are handed out one per call, so the pump trails the clock by at most a burst.
    EXPECT_LE(Count(outcomes, 'Z'), 241u);
    EXPECT_GE(Count(outcomes, 'Z'), 235u);
}

TEST_F(Pump, RenderRateZeroRendersOnEveryCallThatIsNotALogicFrame) {
    StartPump(0, 20);
    std::string outcomes = Run(1000, 1);
    EXPECT_EQ(Count(outcomes, '.'), 0u);
    EXPECT_NEAR(static_cast<double>(Count(outcomes, 'Z')), 20.0, 1.0);
}

TEST_F(Pump, WithoutALogicRateEveryCallIsOneLogicFrameAndOneRender) {
    StartPump(0, 0);
    for (int i = 0; i < 50; ++i) {
        int before = renders;
        clock.Advance(1);
        EXPECT_EQ(Nimbrel.Update(nullptr), 0);
        EXPECT_EQ(renders, before + 1);
    }
    EXPECT_EQ(ITimeSystem->GetLogicFrames(), 50u);
}

// Restarting the time system mid-run sends its clock back to zero; neither step may wait for it
// to pass the times the pump remembers from before, nor make up for them.
TEST_F(Pump, RestartingTheTimeSystemKeepsBothRates) {
    StartPump(60, 20);
    Run(3000, 1);
    ITimeSystem->Init(1);
    std::string outcomes = Run(1000, 1);
    EXPECT_GE(Count(outcomes, 'R'), 58u) << outcomes;
    EXPECT_LE(Count(outcomes, 'R'), 61u);
    EXPECT_NEAR(static_cast<double>(Count(outcomes, 'Z')), 20.0, 1.0);
    EXPECT_EQ(outcomes.find("ZZ"), std::string::npos); // no burst of logic frames either
}

TEST_F(Pump, AccumulatorsStayFractionalOverLongRuns) {
    StartPump(60, 20);
    Run(20000, 1);
    float accumulator = Nimbrel.GetLogicAccumulator();
    EXPECT_GE(accumulator, 0.0f);
    EXPECT_LT(accumulator, 1.0f);
    // Pacing is unchanged by that: 20 seconds still give 400 logic frames.
    EXPECT_NEAR(static_cast<double>(ITimeSystem->GetLogicFrames()), 400.0, 1.0);
}

TEST_F(Pump, CallerEventsAreReturnedAndPseudoEventsMarkRenders) {
    StartPump(0, 20);
    SDL_Event pushed{};
    pushed.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&pushed), 0);
    SDL_Event event{};
    EXPECT_EQ(Nimbrel.Update(&event), 1);
    EXPECT_EQ(event.type, SDL_QUIT);

    clock.Advance(1);
    Nimbrel.Update(&event);
    EXPECT_EQ(event.type, 30);
    EXPECT_EQ(event.user.code, 1); // render rate 0: this call rendered
}

TEST_F(Pump, AQuitRequestIsConsumedWithoutEffect) {
    StartPump(60, 20);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    Run(100, 1);
    EXPECT_TRUE(Nimbrel.IsInitialized());
    EXPECT_NE(Nimbrel.screen, nullptr);
    SDL_Event left{};
    EXPECT_EQ(SDL_PollEvent(&left), 0);
}

TEST_F(Pump, LogicFramesSampleKeysAndMouse) {
    StartPump(0, 0);
    Uint8 keys[SDLK_LAST] = {0};
    keys[SDLK_ESCAPE] = 1;
    NimbrelTestSeam::SetKeyTable(keys);
    NimbrelTestSeam::SetMouse(true, 12, 34, SDL_BUTTON(1));
    Nimbrel.Update(nullptr);
    EXPECT_EQ(Nimbrel.KeyState(SDLK_ESCAPE), 1);
    EXPECT_EQ(Nimbrel.KeyState(SDLK_a), 0);
    EXPECT_EQ(Nimbrel.mouseX, 12);
    EXPECT_EQ(Nimbrel.mouseY, 34);
    EXPECT_EQ(Nimbrel.mouseButtons, SDL_BUTTON(1));
    NimbrelTestSeam::SetMouse(true, 12, 34, 0);
    Nimbrel.Update(nullptr);
    EXPECT_EQ(Nimbrel.previousMouseButtons, SDL_BUTTON(1));
    EXPECT_EQ(Nimbrel.mouseButtons, 0);
}

TEST_F(Pump, UpdateModeRules) {
    StartPump(0, 0);
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 1); // IButton asks for the first drawing when it is made
    Nimbrel.Update(nullptr);
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 0);
    Nimbrel.SetUpdateMode(1);
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 1);
    Nimbrel.Update(nullptr); // a render clears the one-time redraw
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 0);

    Nimbrel.SetUpdateMode(2);
    Nimbrel.SetUpdateMode(1); // does not weaken "always"
    Nimbrel.Update(nullptr);
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 1);
    Nimbrel.SetUpdateMode(0);
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 0);

    // On a double-buffered screen the overlays stay on.
    Nimbrel.SetUpdateMode(2);
    Nimbrel.screen->flags |= SDL_DOUBLEBUF;
    Nimbrel.SetUpdateMode(0);
    EXPECT_EQ(Nimbrel.GetUpdateMode(), 1);
    Nimbrel.screen->flags &= ~SDL_DOUBLEBUF;
}
