// Frame pacing: runs the launcher's pump (render rate 60, logic rate 20, 1 ms frame delay, SDL
// started with the launcher's subsystems: timer, audio and video) on the dummy drivers and reports
//   - logic frames per second    (goal: within 0.5% of 20),
//   - rendered frames per second (goal: at most 60),
//   - its CPU share against a bare SDL_Delay(1) loop run in the same process with the same
//     subsystems started (goal: at most 1.1). Most of an idle pump's cost is waking up every
//     millisecond, which the bare loop pays as well; the ratio shows what the pump adds to that.
//   - what SDL's timer subsystem costs by itself: the bare loop with and without it.
//
// The CPU cost of a loop that sleeps a millisecond at a time swings by half from one second to
// the next on a shared machine, so each comparison alternates half-second slices of its two sides
// and adds up each side's slices. While the bare loop runs, the pump is paused: the engine's clock
// stops, so the pump neither sees the pause nor catches up on it afterwards, and rates are
// measured in pump time between the first and last frame of the run.
//
//   build/bench/pacing_bench [--seconds N]    (default 6; the whole run takes about 4 N seconds)
//   build/bench/pacing_bench --smoke          (1 second, for CI)
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "testing/test_seams.h"

namespace {

using Clock = std::chrono::steady_clock;

const Uint32 kSubsystems = SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO; // the launcher's
const double kSliceSeconds = 0.5;

// ---- Pump time: wall time less the pauses -------------------------------------------------------

Clock::time_point runStart = Clock::now();
Clock::duration paused{};

double PumpSeconds() { return std::chrono::duration<double>(Clock::now() - runStart - paused).count(); }

// Installed as the engine's clock for the whole run. Reads the same kind of clock SDL's tick
// count does, so the pump does the same work it does on SDL's ticks.
Uint32 PumpTicks() {
    return Uint32(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - runStart - paused).count());
}

std::vector<double> renderMoments;
void RecordRender(int) { renderMoments.push_back(PumpSeconds()); }

// Frames per second between the first and the last of the given moments.
double Rate(const std::vector<double>& moments) {
    if (moments.size() < 2) return 0.0;
    return (moments.size() - 1) / (moments.back() - moments.front());
}

// ---- CPU shares ---------------------------------------------------------------------------------

// Every thread of the process, SDL's own included, to the nanosecond.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// CPU and wall seconds, added up over the slices of one side of a comparison.
struct Spent {
    double cpu = 0.0;
    double wall = 0.0;
    double Share() const { return wall > 0.0 ? cpu / wall : 0.0; }
};

// The reference: nothing but the pump's frame delay.
void BareLoop(double seconds, Spent* spent) {
    Clock::time_point start = Clock::now();
    double cpuStart = CpuSeconds();
    while (SecondsSince(start) < seconds) SDL_Delay(1);
    spent->cpu += CpuSeconds() - cpuStart;
    spent->wall += SecondsSince(start);
}

int SliceCount(double seconds) { return std::max(2, int(std::lround(seconds / kSliceSeconds))); }

// ---- The two comparisons ------------------------------------------------------------------------

struct PumpResult {
    double logicRate = 0.0;
    double renderRate = 0.0;
    Spent pump, bare;
};

// `seconds` of pump and as many of bare loop, alternating.
bool ComparePumpWithBareLoop(double seconds, PumpResult* result) {
    ILogSystem.Init("pacing_bench.log", ILogSystem::kOutputNewFile, 2, "pacing benchmark");
    if (Nimbrel.Init(kSubsystems) < 0) return false;
    Nimbrel.width = 430;
    Nimbrel.height = 400;
    Nimbrel.frameDelay = 1;
    if (!Nimbrel.SetVideoMode()) {
        Nimbrel.Quit();
        return false;
    }
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    Nimbrel.SetRenderCallback(RecordRender);

    std::vector<double> logicMoments;
    int slices = SliceCount(seconds);
    for (int slice = 1; slice <= slices; ++slice) {
        Clock::time_point pauseStart = Clock::now();
        BareLoop(seconds / slices, &result->bare);
        paused += Clock::now() - pauseStart;

        double sliceEnd = seconds * slice / slices;
        Clock::time_point start = Clock::now();
        double cpuStart = CpuSeconds();
        while (PumpSeconds() < sliceEnd) {
            logicMoments.push_back(PumpSeconds()); // the game's logic frame runs here
            while (Nimbrel.Update(nullptr) != 0) {
            }
        }
        result->pump.cpu += CpuSeconds() - cpuStart;
        result->pump.wall += SecondsSince(start);
    }

    Nimbrel.SetRenderCallback(nullptr);
    Nimbrel.Quit();
    result->logicRate = Rate(logicMoments);
    result->renderRate = Rate(renderMoments);
    return true;
}

// The bare loop with the other subsystems started, `seconds` with the timer subsystem and as many
// without, alternating.
bool CompareWithAndWithoutTimer(double seconds, Spent* withTimer, Spent* withoutTimer) {
    if (SDL_Init(kSubsystems & ~SDL_INIT_TIMER) < 0) return false;
    bool started = true;
    int slices = SliceCount(seconds);
    for (int slice = 0; slice < slices && started; ++slice) {
        started = SDL_InitSubSystem(SDL_INIT_TIMER) == 0;
        if (started) BareLoop(seconds / slices, withTimer);
        SDL_QuitSubSystem(SDL_INIT_TIMER);
        if (started) BareLoop(seconds / slices, withoutTimer);
    }
    SDL_Quit();
    return started;
}

// ---- Options ------------------------------------------------------------------------------------

const char* kUsage = "usage: pacing_bench [--seconds N | --smoke]\n"
                     "Runs the idle frame pump and a bare SDL_Delay(1) loop with the same SDL subsystems,\n"
                     "and reports the pump's rates, its CPU share against the loop's and what SDL's timer\n"
                     "subsystem costs; see the comment at the top of bench/pacing_bench.cpp.\n"
                     "  --seconds N   seconds of pump (default 6); the whole run takes about 4 N\n"
                     "  --smoke       a 1 second run that only checks the benchmark works\n"
                     "  --help        this text\n";

// Reads the options into *seconds. Returns -1 when the benchmark should run, otherwise the exit
// status to end with (0 after --help, 2 for a wrong option).
int ReadOptions(int argc, char** argv, double* seconds) {
    *seconds = 6.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            *seconds = 1.0;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            *seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fprintf(stderr, "pacing_bench: wrong option '%s'\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (*seconds < 0.5) *seconds = 0.5;
    return -1;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

} // namespace

int main(int argc, char** argv) {
    double seconds = 0.0;
    int status = ReadOptions(argc, argv, &seconds);
    if (status >= 0) return status;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0); // no sound device on build machines

    NimbrelTestSeam::SetClock(PumpTicks);
    PumpResult run;
    bool pumped = ComparePumpWithBareLoop(seconds, &run);
    NimbrelTestSeam::SetClock(nullptr);
    if (!pumped) {
        std::fprintf(stderr, "pacing_bench: the engine does not start: %s\n", SDL_GetError());
        return 1;
    }
    Spent withTimer, withoutTimer;
    if (!CompareWithAndWithoutTimer(seconds, &withTimer, &withoutTimer)) {
        std::fprintf(stderr, "pacing_bench: SDL does not start: %s\n", SDL_GetError());
        return 1;
    }

    double pumpShare = run.pump.Share(), bareShare = run.bare.Share();
    double ratio = bareShare > 0.0 ? pumpShare / bareShare : 0.0;
    std::printf("pacing over %.1f s (render rate 60, logic rate 20, frame delay 1 ms, dummy drivers,\n"
                "SDL timer, audio and video started)\n",
                run.pump.wall);
    std::printf("  logic frames per second     %8.3f   ratio to 20: %.4f   goal: within 0.5%%  %s\n", run.logicRate,
                run.logicRate / 20.0, Verdict(std::abs(run.logicRate / 20.0 - 1.0) <= 0.005));
    std::printf("  rendered frames per second  %8.3f   ratio to 60: %.4f   goal: at most 1      %s\n", run.renderRate,
                run.renderRate / 60.0, Verdict(run.renderRate <= 60.0 * 1.005));
    std::printf("  CPU time per wall second    %8.2f%%  of one core; bare SDL_Delay(1) loop: %.2f%%\n",
                pumpShare * 100.0, bareShare * 100.0);
    std::printf("  CPU share, pump / bare loop %8.3f                        goal: at most 1.1    %s\n", ratio,
                Verdict(ratio > 0.0 && ratio <= 1.1));
    std::printf("  SDL timer subsystem adds    %8.2f%%  of one core (bare loop %.2f%% with it, %.2f%% without):\n"
                "    SDL 1.2 runs its timers on a thread of its own that wakes every millisecond, timers set or not.\n",
                (withTimer.Share() - withoutTimer.Share()) * 100.0, withTimer.Share() * 100.0,
                withoutTimer.Share() * 100.0);
    return 0;
}
