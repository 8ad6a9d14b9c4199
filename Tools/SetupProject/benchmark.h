// The general tab's benchmark: two processor tests, a memory test and a blit test, weighed into
// one score. Each measurement runs for a fixed time (one second in the launcher), during which no
// events are handled.
#ifndef SETUP_BENCHMARK_H
#define SETUP_BENCHMARK_H

#include <SDL.h>

struct BenchmarkResult {
    int cpu1, memory, cpu2, blit; // the four measurements
    int score;
};

// Runs the four measurements, each for `milliseconds`, the blit test at `depth` bits per pixel (32
// when 0). A measurement whose memory or surfaces cannot be had counts 0.
BenchmarkResult MeasureBenchmark(Uint32 milliseconds, int depth);

// score = memory x 0.25 + cpu1 x 0.2 + cpu2 x 0.2 + blit x 0.35, in single precision, truncated.
int BenchmarkScore(int memory, int cpu1, int cpu2, int blit);

// The general tab's button: measures for one second each at the settings' depth, keeps the score
// and shows the general tab again with it.
void RunBenchmark();

#endif
