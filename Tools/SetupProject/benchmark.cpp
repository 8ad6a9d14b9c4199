// The benchmark. Its numbers only compare machines running this same code, so the measurements
// keep their fixed shapes: ticks read per second, 32 MiB checksummed per second, and squares of
// five sizes bouncing across an 800x600 surface.
#include "benchmark.h"

#include <new>

#include "Nimbrel.h"
#include "setup_state.h"
#include "tabs.h"

namespace {

const Uint32 kMemoryTestBytes = 0x2000000;
const int kMemoryTestMegabytes = 32;

bool Elapsed(Uint32 start, Uint32 milliseconds) { return SDL_GetTicks() - start >= milliseconds; }

// How often the tick counter can be read in the time given, in units of 40000.
int MeasureProcessor(Uint32 milliseconds) {
    const Uint32 start = SDL_GetTicks();
    long count = 0;
    do ++count;
    while (!Elapsed(start, milliseconds));
    return static_cast<int>(count / 40000);
}

// Megabytes checksummed in the time given.
int MeasureMemory(Uint32 milliseconds) {
    unsigned char* buffer = new (std::nothrow) unsigned char[kMemoryTestBytes]();
    if (buffer == nullptr) return 0;
    const Uint32 start = SDL_GetTicks();
    int passes = 0;
    volatile Uint32 sink = 0;
    do {
        sink = sink + Nimbrel.CRC32(buffer, static_cast<int>(kMemoryTestBytes));
        ++passes;
    } while (!Elapsed(start, milliseconds));
    delete[] buffer;
    return passes * kMemoryTestMegabytes;
}

SDL_Surface* FilledSurface(int size, int depth, Uint8 r, Uint8 g, Uint8 b, int height = 0) {
    SDL_Surface* surface = SDL_CreateRGBSurface(0, size, height ? height : size, depth, 0, 0, 0, 0);
    if (surface != nullptr) SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, r, g, b));
    return surface;
}

// Blits of one square bouncing inside the target for the time given.
long BounceSquare(SDL_Surface* square, SDL_Surface* target, Uint32 milliseconds) {
    int x = 0, y = 0, dx = 1, dy = 1;
    long blits = 0;
    const Uint32 start = SDL_GetTicks();
    do {
        x += dx;
        y += dy;
        SDL_Rect at = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        SDL_UpperBlit(square, nullptr, target, &at);
        ++blits;
        if (x + square->w > target->w || x < 1) dx = -dx;
        if (y + square->h > target->h || y < 1) dy = -dy;
    } while (!Elapsed(start, milliseconds));
    return blits;
}

// Larger squares weigh more: (c16 + 2 c32 + 4 c64 + 8 c128 + 16 c256) / 2500.
int MeasureBlits(Uint32 milliseconds, int depth) {
    struct {
        int size;
        Uint8 r, g, b;
    } const squares[] = {{16, 255, 0, 0}, {32, 0, 255, 0}, {64, 0, 0, 255}, {128, 255, 255, 0}, {256, 0, 255, 255}};
    SDL_Surface* target = FilledSurface(800, depth, 0, 0, 0, 600);
    if (target == nullptr) return 0;
    long weighted = 0;
    int weight = 1;
    for (const auto& square : squares) {
        SDL_Surface* surface = FilledSurface(square.size, depth, square.r, square.g, square.b);
        if (surface == nullptr) {
            weighted = 0;
            break;
        }
        weighted += weight * BounceSquare(surface, target, milliseconds);
        weight *= 2;
        SDL_FreeSurface(surface);
    }
    SDL_FreeSurface(target);
    return static_cast<int>(weighted / 2500);
}

} // namespace

int BenchmarkScore(int memory, int cpu1, int cpu2, int blit) {
    float score = memory * 0.25f + cpu1 * 0.2f + cpu2 * 0.2f + blit * 0.35f;
    return static_cast<int>(score);
}

BenchmarkResult MeasureBenchmark(Uint32 milliseconds, int depth) {
    BenchmarkResult result;
    result.cpu1 = MeasureProcessor(milliseconds);
    result.memory = MeasureMemory(milliseconds);
    result.cpu2 = MeasureProcessor(milliseconds);
    result.blit = MeasureBlits(milliseconds, depth == 0 ? 32 : depth);
    result.score = BenchmarkScore(result.memory, result.cpu1, result.cpu2, result.blit);
    return result;
}

void RunBenchmark() {
    gSetup.score = MeasureBenchmark(1000, gSetup.settings.colorDepth).score;
    gSetup.currentTab = -1;
    ShowTab(0);
}
