// What the benchmarks share beyond their options (bench_options.h): counting heap allocations,
// taking medians and starting the engine.
//
// Counting works by this program's own malloc, calloc and realloc (bench_support.cpp), which every
// allocation in the process reaches, the C++ runtime and SDL included, and which hand on to the C
// library's. It is linked into every benchmark; it counts only between Start and Stop.
#ifndef NIMBREL_BENCH_SUPPORT_H
#define NIMBREL_BENCH_SUPPORT_H

#include <vector>

// Starts counting heap allocations from zero.
void StartCountingAllocations();
// Stops counting; the number of allocations since the start.
long StopCountingAllocations();
// True when the counter sees an allocation that surely happens, so that a count of 0 means
// something. Benchmarks check it once before they report a count.
bool AllocationCounterWorks();

// Starts the engine with video on SDL's dummy driver (unless SDL_VIDEODRIVER names another), for
// benchmarks that draw without showing; says so on standard output when it does not start.
bool StartEngineOnDummyVideo();

// The exit status a measuring child gives when it found no X display, so that a virtual one that
// was not ready in time is tried again.
const int kNoDisplayStatus = 3;

// Runs this program again with `ownOption` (and --smoke) on the x11 driver, for benchmarks that
// need a real X server: on the display of DISPLAY when it is set, else on a virtual one started
// with xvfb-run, tried up to three times while the child reports kNoDisplayStatus. The child's
// output passes through; its exit status (1 when it could not be run at all).
int RunSelfOnX11(const char* ownOption, bool smoke);

// The median of the values (the mean of the middle two for an even count); 0 for none.
double Median(std::vector<double> values);

#endif
