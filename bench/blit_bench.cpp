// Nimbrel_Blit against SDL_BlitSurface for plain 32-bit blits (same format, no colour key, no
// surface alpha), the case Nimbrel_Blit copies itself through the processor's copy path.
//
// Each source size is blitted onto a 32-bit destination 8 pixels wider than itself and
// onto an 800x600 screen-like destination (row by row). Each figure is a time ratio,
// Nimbrel_Blit / SDL_BlitSurface: 1.00 is as fast as SDL, below 1.00 is faster. The two are timed
// in alternating rounds and each keeps its best round, so load from elsewhere hits both alike.
//
//   blit_bench           the full run (a few seconds)
//   blit_bench --smoke   a tiny run that only checks the program works
//   blit_bench --help
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "Nimbrel.h"
#include "bench_options.h"
#include "gfx/blit.h"
#include "core/copy_paths.h"

namespace {

struct Settings {
    double pixelsPerRound; // pixels blitted in one timed round
    int rounds;
};

typedef int (*BlitFunction)(SDL_Surface*, SDL_Rect*, SDL_Surface*, SDL_Rect*);

int EngineBlit(SDL_Surface* s, SDL_Rect* sr, SDL_Surface* d, SDL_Rect* dr) { return Nimbrel_Blit(s, sr, d, dr); }
int LibraryBlit(SDL_Surface* s, SDL_Rect* sr, SDL_Surface* d, SDL_Rect* dr) { return SDL_BlitSurface(s, sr, d, dr); }

SDL_Surface* Surface32(int w, int h) {
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    if (!s) return nullptr;
    Uint8* p = static_cast<Uint8*>(s->pixels);
    for (int i = 0; i < s->pitch * h; ++i) p[i] = Uint8(i * 31 + (i >> 10));
    return s;
}

double SecondsPerBlit(BlitFunction blit, SDL_Surface* source, SDL_Surface* destination, int blits) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < blits; ++i) {
        SDL_Rect at = {Sint16(i & 7), 0, 0, 0};
        blit(source, nullptr, destination, &at);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / blits;
}

// Both blits must draw the same pixels, or the ratio means nothing.
bool SameResult(SDL_Surface* source, SDL_Surface* destination) {
    SDL_Surface* other = Surface32(destination->w, destination->h);
    SDL_Rect a = {3, 0, 0, 0}, b = a;
    EngineBlit(source, nullptr, destination, &a);
    LibraryBlit(source, nullptr, other, &b);
    bool same = std::memcmp(destination->pixels, other->pixels, size_t(destination->pitch) * destination->h) == 0;
    SDL_FreeSurface(other);
    return same;
}

// Time ratio Nimbrel_Blit / SDL_BlitSurface, or a negative value when the results differ.
double Ratio(const Settings& settings, int w, int h, int destinationW, int destinationH) {
    SDL_Surface* source = Surface32(w, h);
    SDL_Surface* destination = Surface32(destinationW, destinationH);
    double ratio = -1;
    if (source && destination && IsPlainBlit(source, destination) && SameResult(source, destination)) {
        const int blits = std::max(1, int(settings.pixelsPerRound / (double(w) * h)));
        double engine = 1e30, library = 1e30;
        for (int round = 0; round < settings.rounds; ++round) {
            library = std::min(library, SecondsPerBlit(LibraryBlit, source, destination, blits));
            engine = std::min(engine, SecondsPerBlit(EngineBlit, source, destination, blits));
        }
        ratio = engine / library;
    }
    SDL_FreeSurface(source);
    SDL_FreeSurface(destination);
    return ratio;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "blit_bench",
                                  "Times Nimbrel_Blit against SDL_BlitSurface for plain 32-bit blits and prints the time ratios.", &smoke);
    if (status >= 0) return status;
    const Settings settings = smoke ? Settings{2e5, 1} : Settings{3e7, 15};

    // The copy path the engine selects at start on this processor (the log is not started, so
    // detection selects silently).
    if (!Nimbrel.GetCPUFeatures(nullptr)) {
        std::printf("processor detection refused this processor\n");
        return 1;
    }
    std::printf("Plain 32-bit blits, time ratio Nimbrel_Blit / SDL_BlitSurface (below 1.00 = faster than SDL)\n");
    std::printf("Copy path %d (%s)\n", CurrentCopyPathNumber(), CopyPathName(CurrentCopyPathNumber()));
    std::printf("%-10s %18s %18s\n", "source", "onto (w+8)xh", "onto 800x600");
    const int sizes[][2] = {{64, 64}, {430, 400}, {800, 600}};
    for (const auto& size : sizes) {
        const double own = Ratio(settings, size[0], size[1], size[0] + 8, size[1]);
        const double screen = Ratio(settings, size[0], size[1], 800, 600);
        if (own < 0 || screen < 0) {
            std::printf("%dx%d: Nimbrel_Blit and SDL_BlitSurface drew different pixels\n", size[0], size[1]);
            return 1;
        }
        std::printf("%-10s %18.2f %18.2f\n", (std::to_string(size[0]) + "x" + std::to_string(size[1])).c_str(), own, screen);
        std::fflush(stdout);
    }
    return 0;
}
