// The developer overlays' render cost: an open console holding 30 lines and a debug window with
// 10 watches, drawn onto a 32-bit 640x480 screen (the dummy video driver), against the reference
// of one opaque SDL_BlitSurface of a whole 640x480 surface onto that screen. The two are timed in
// alternating rounds on this thread's processor time and the median of the rounds' ratios is
// reported, so load from elsewhere hits both alike. The translucent backgrounds alone cost about
// one reference blit, so the goal is at most 2.5.
//
// Also reported: heap allocations per frame in steady state (goal: 0), over frames that run the
// overlays' logic (fades, blinking cursor, the debug window's refresh twice a second) and drawing,
// with engine time moved on 50 ms a frame.
//
//   overlay_bench           the full run (a few seconds)
//   overlay_bench --smoke   a tiny run that only checks the program works
//   overlay_bench --help
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "Nimbrel.h"
#include "bench_options.h"
#include "bench_support.h"
#include "testing/test_seams.h"

namespace {

double Now() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

Uint32 engineTime = 10000;
Uint32 EngineTime() { return engineTime; }

struct Settings {
    int framesPerRound;
    int rounds;
};

Sint32 integers[10];
double values[10];

void DrawOverlays() {
    Nimbrel.GetConsole()->Draw();
    Nimbrel.GetDebugWindow()->Draw();
}

double SecondsPerOverlayFrame(int frames) {
    const double start = Now();
    for (int i = 0; i < frames; ++i) DrawOverlays();
    return (Now() - start) / frames;
}

double SecondsPerReference(SDL_Surface* whole, int frames) {
    const double start = Now();
    for (int i = 0; i < frames; ++i) SDL_BlitSurface(whole, nullptr, Nimbrel.screen, nullptr);
    return (Now() - start) / frames;
}

bool SetUpOverlays() {
    cConsole* console = Nimbrel.GetConsole();
    cDebugWO* debug = Nimbrel.GetDebugWindow();
    if (!console || !debug || !console->Enable() || !debug->Enable()) return false;
    console->SetFeatures(cSimpleWin::kFeatureNoFade);
    debug->SetFeatures(cSimpleWin::kFeatureNoFade);
    console->Show(1);
    debug->Show(1);
    for (int i = 2; i < 30; ++i) console->Print(" line %d of the console, as long as a log line may be", i);
    static const char* const names[10] = {"fps", "logic", "x", "y", "speed", "lives", "score", "level", "ammo", "time"};
    for (int i = 0; i < 10; ++i) {
        integers[i] = i * 37;
        values[i] = i * 1.25;
        debug->AddWatch(names[i], i % 3 == 2 ? nullptr : &integers[i], i % 3 == 0 ? nullptr : &values[i]);
    }
    debug->Update(); // the first refresh fills the watch lines
    return console->GetLineCount() == 30 && debug->GetLineCount() == 10;
}

int Run(const Settings& settings) {
    Nimbrel.width = 640;
    Nimbrel.height = 480;
    Nimbrel.colorDepth = 32;
    if (Nimbrel.SetVideoMode() != 1 || Nimbrel.screen->format->BytesPerPixel != 4) {
        std::printf("no 32-bit 640x480 screen\n");
        return 1;
    }
    NimbrelTestSeam::SetClock(EngineTime);
    if (!SetUpOverlays()) {
        std::printf("the overlays did not start\n");
        return 1;
    }
    SDL_Surface* whole = SDL_ConvertSurface(Nimbrel.screen, Nimbrel.screen->format, SDL_SWSURFACE);
    SDL_FillRect(whole, nullptr, SDL_MapRGB(whole->format, 40, 80, 120));

    SecondsPerOverlayFrame(5);
    SecondsPerReference(whole, 5);
    std::vector<double> ratios;
    double overlays = 1e30, reference = 1e30;
    for (int round = 0; round < settings.rounds; ++round) {
        const double r = SecondsPerReference(whole, settings.framesPerRound);
        const double o = SecondsPerOverlayFrame(settings.framesPerRound);
        ratios.push_back(o / r);
        overlays = std::min(overlays, o);
        reference = std::min(reference, r);
    }

    // Steady state: warm the reused strings up with a few refreshes first.
    cConsole* console = Nimbrel.GetConsole();
    cDebugWO* debug = Nimbrel.GetDebugWindow();
    auto frame = [&](int i) {
        engineTime += 50;
        integers[i % 10] += 1;
        values[i % 10] += 0.5;
        console->Update();
        debug->Update();
        DrawOverlays();
    };
    for (int i = 0; i < 40; ++i) frame(i);
    const int counted = settings.framesPerRound * 2;
    const bool counterWorks = AllocationCounterWorks();
    StartCountingAllocations();
    for (int i = 0; i < counted; ++i) frame(i);
    const long allocations = StopCountingAllocations();

    std::printf("An open console with 30 lines and a debug window with 10 watches, 32-bit 640x480 screen\n");
    std::printf("  overlays drawn                        %9.2f us per frame\n", overlays * 1e6);
    std::printf("  reference: one 640x480 SDL_BlitSurface %8.2f us\n", reference * 1e6);
    std::printf("  ratio overlays / reference (median)   %9.2f (goal: at most 2.5)\n", Median(ratios));
    if (counterWorks)
        std::printf("  heap allocations per frame            %9.2f (goal: 0) over %d frames\n",
                    double(allocations) / counted, counted);
    else
        std::printf("  heap allocations: the counter does not work in this build\n");
    NimbrelTestSeam::SetClock(nullptr);
    SDL_FreeSurface(whole);
    return counterWorks && allocations != 0 ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "overlay_bench",
                                  "Times drawing an open console (30 lines) and a debug window (10 watches) against "
                                  "one 640x480 SDL_BlitSurface, and counts heap allocations per frame.",
                                  &smoke);
    if (status >= 0) return status;
    const Settings settings = smoke ? Settings{5, 2} : Settings{300, 15};
    if (!StartEngineOnDummyVideo()) return 1;
    status = Run(settings);
    Nimbrel.Quit();
    return status;
}
