// Frame pacing: runs the launcher's pump (render rate 60, logic rate 20, 1 ms frame delay) on the
// dummy video driver and reports
//   - logic frames per second   (goal: within 0.5% of 20),
//   - rendered frames per second (goal: at most 60),
//   - CPU time per wall second   (goal: at most 3% of one core).
// Rates are measured between the first and last frame of the run, so they do not depend on
// where the run happens to start or stop within a frame.
//
//   build/bench/pacing_bench [--seconds N]    (default 6)
//   build/bench/pacing_bench --smoke          (1 second, for CI)
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Nimbrel.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<Clock::time_point> renderTimes;
void RecordRender(int) { renderTimes.push_back(Clock::now()); }

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Frames per second between the first and the last of the given moments.
double Rate(const std::vector<Clock::time_point>& moments) {
    if (moments.size() < 2) return 0.0;
    double seconds = std::chrono::duration<double>(moments.back() - moments.front()).count();
    return (moments.size() - 1) / seconds;
}

double ParseSeconds(int argc, char** argv) {
    double seconds = 6.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) seconds = 1.0;
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) seconds = std::atof(argv[++i]);
    }
    return seconds < 0.5 ? 0.5 : seconds;
}

} // namespace

int main(int argc, char** argv) {
    double seconds = ParseSeconds(argc, argv);
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    ILogSystem.Init("pacing_bench.log", ILogSystem::kOutputNewFile, 2, "pacing benchmark");
    if (Nimbrel.Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) return 1;
    Nimbrel.width = 430;
    Nimbrel.height = 400;
    Nimbrel.frameDelay = 1;
    if (!Nimbrel.SetVideoMode()) return 1;
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    Nimbrel.SetRenderCallback(RecordRender);

    std::vector<Clock::time_point> logicTimes;
    Clock::time_point start = Clock::now();
    double cpuStart = CpuSeconds();
    while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
        logicTimes.push_back(Clock::now()); // the game's logic frame runs here
        while (Nimbrel.Update(nullptr) != 0) {
        }
    }
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    double cpu = CpuSeconds() - cpuStart;
    Nimbrel.Quit();

    double logicRate = Rate(logicTimes);
    double renderRate = Rate(renderTimes);
    double cpuShare = cpu / wall;
    std::printf("pacing over %.1f s (render rate 60, logic rate 20, frame delay 1 ms, dummy driver)\n", wall);
    std::printf("  logic frames per second     %8.3f   ratio to 20: %.4f   goal: within 0.5%%  %s\n", logicRate,
                logicRate / 20.0, std::abs(logicRate / 20.0 - 1.0) <= 0.005 ? "met" : "MISSED");
    std::printf("  rendered frames per second  %8.3f   ratio to 60: %.4f   goal: at most 1      %s\n", renderRate,
                renderRate / 60.0, renderRate <= 60.0 * 1.005 ? "met" : "MISSED");
    std::printf("  CPU time per wall second    %8.2f%%  of one core          goal: at most 3%%   %s\n",
                cpuShare * 100.0, cpuShare <= 0.03 ? "met" : "MISSED");
    return 0;
}
