// IScreenFX against SDL_gfx on one 256x256 32-bit image (with an alpha channel): zoom by 2 with
// smoothing (Zoom / zoomSurface), zoom by 0.5 without (Zoom / zoomSurface), and rotation by 30
// degrees with smoothing (Rotate / rotozoomSurface). Each side makes a new surface and frees it,
// as a game calling either would.
//
// Each figure is a time ratio, engine / SDL_gfx: 1.00 is as fast as SDL_gfx, below 1.00 is faster;
// the goal is at most 1.00. A figure is the median of several passes; in each pass the two are
// timed in alternating rounds and each keeps its best round, so load from elsewhere hits both
// alike and is then discarded.
//
//   screenfx_bench           the full run (about ten seconds)
//   screenfx_bench --smoke   a tiny run that only checks the program works
//   screenfx_bench --help
#include <SDL_rotozoom.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "Nimbrel.h"
#include "bench_options.h"
#include "bench_support.h"

namespace {

const double kGoal = 1.00;

struct Settings {
    int operationsPerRound;
    int roundsPerPass;
    int passes;
};

// One operation measured on both sides: each makes a new surface from the source.
struct Case {
    const char* name;
    SDL_Surface* (*engine)(SDL_Surface*);
    SDL_Surface* (*library)(SDL_Surface*);
    bool samePixels; // the conventions agree with SDL_gfx here, so the results must too
    std::vector<double> ratios;
};

SDL_Surface* EngineZoomUp(SDL_Surface* s) { return IScreenFX->Zoom(s, nullptr, 1, 2.0, 2.0); }
SDL_Surface* LibraryZoomUp(SDL_Surface* s) { return zoomSurface(s, 2.0, 2.0, SMOOTHING_ON); }
SDL_Surface* EngineZoomDown(SDL_Surface* s) { return IScreenFX->Zoom(s, nullptr, 0, 0.5, 0.5); }
SDL_Surface* LibraryZoomDown(SDL_Surface* s) { return zoomSurface(s, 0.5, 0.5, SMOOTHING_OFF); }
SDL_Surface* EngineRotate(SDL_Surface* s) { return IScreenFX->Rotate(s, nullptr, 1, 30.0); }
SDL_Surface* LibraryRotate(SDL_Surface* s) { return rotozoomSurface(s, 30.0, 1.0, SMOOTHING_ON); }

SDL_Surface* Image() {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000);
    if (!s) return nullptr;
    for (int y = 0; y < 256; ++y) {
        Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < 256; ++x) row[x] = Uint32(x | (y << 8) | (((x ^ y) * 7 & 0xFF) << 16) | 0xFF000000u);
    }
    return s;
}

// Both sides make a surface of about the same size (SDL_gfx rounds rotated sizes up to even
// numbers), and the same pixels where the conventions agree.
bool Comparable(const Case& c, SDL_Surface* source) {
    SDL_Surface* mine = c.engine(source);
    SDL_Surface* theirs = c.library(source);
    bool comparable = mine && theirs && std::abs(mine->w - theirs->w) <= 1 && std::abs(mine->h - theirs->h) <= 1;
    if (comparable && c.samePixels) {
        for (int y = 0; y < mine->h && comparable; ++y)
            for (int x = 0; x < mine->w; ++x) {
                const Uint32* a = static_cast<const Uint32*>(mine->pixels) + y * mine->pitch / 4;
                const Uint32* b = static_cast<const Uint32*>(theirs->pixels) + y * theirs->pitch / 4;
                if (a[x] != b[x]) comparable = false;
            }
    }
    SDL_FreeSurface(mine);
    SDL_FreeSurface(theirs);
    return comparable;
}

__attribute__((noinline)) double SecondsPerOperation(SDL_Surface* (*operation)(SDL_Surface*), SDL_Surface* source,
                                                     int count) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) SDL_FreeSurface(operation(source));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / count;
}

double Ratio(const Case& c, SDL_Surface* source, const Settings& settings) {
    double engine = 1e30, library = 1e30;
    for (int round = 0; round < settings.roundsPerPass; ++round) {
        library = std::min(library, SecondsPerOperation(c.library, source, settings.operationsPerRound));
        engine = std::min(engine, SecondsPerOperation(c.engine, source, settings.operationsPerRound));
    }
    return engine / library;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "screenfx_bench",
                                  "Times IScreenFX's zoom and rotation against SDL_gfx's on a 256x256 32-bit image and "
                                  "prints the time ratios.",
                                  &smoke);
    if (status >= 0) return status;
    const Settings settings = smoke ? Settings{1, 1, 1} : Settings{20, 5, 9};

    // The engine's effects without the engine: the object brings the primitives it locks with.
    IScreenFX = new class IScreenFX;
    SDL_Surface* source = Image();
    std::vector<Case> cases = {{"zoom x2, smoothed", EngineZoomUp, LibraryZoomUp, false, {}},
                               {"zoom x0.5", EngineZoomDown, LibraryZoomDown, true, {}},
                               {"rotate 30 degrees, smoothed", EngineRotate, LibraryRotate, false, {}}};
    int result = 0;
    for (const Case& c : cases)
        if (!source || !Comparable(c, source)) {
            std::printf("%s: the engine and SDL_gfx made different results\n", c.name);
            result = 1;
        }
    if (result == 0) {
        for (int pass = 0; pass < settings.passes; ++pass) {
            for (Case& c : cases) c.ratios.push_back(Ratio(c, source, settings));
            std::fprintf(stderr, "pass %d of %d measured\n", pass + 1, settings.passes);
        }
        std::printf("256x256 32-bit image, time ratio IScreenFX / SDL_gfx (below 1.00 = faster), goal %.2f\n", kGoal);
        int missed = 0;
        for (const Case& c : cases) {
            const double median = Median(c.ratios);
            missed += median > kGoal;
            std::printf("%-30s %6.2f  %s\n", c.name, median, median > kGoal ? "MISSED" : "met");
        }
        if (missed)
            std::printf("\n%d of %zu figures above the goal: goal MISSED\n", missed, cases.size());
        else
            std::printf("\nEvery figure within the goal: goal met\n");
    }
    SDL_FreeSurface(source);
    delete IScreenFX;
    IScreenFX = nullptr;
    return result;
}
