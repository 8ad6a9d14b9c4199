// Nimbrel_Blit's own per-pixel alpha blend must give exactly what SDL gives: every alpha over
// every difference of source and destination, every row length (the four-pixel steps and the
// one to three pixels after them), clipping, and the cases it leaves to SDL.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace {

SDL_Surface* Argb(int w, int h, Uint32 seed, Uint32 rmask = 0xFF0000, Uint32 bmask = 0xFF) {
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, rmask, 0xFF00, bmask, 0xFF000000);
    Uint32* p = static_cast<Uint32*>(s->pixels);
    Uint32 state = seed * 2654435761u + 7;
    for (int i = 0; i < w * h; ++i) {
        state = state * 1103515245u + 12345u;
        const Uint32 alpha = (i % 7 == 0) ? 0 : (i % 7 == 1) ? 255 : (state >> 8) & 0xFF; // clear, opaque, any
        p[i] = alpha << 24 | (state >> 9 & 0xFFFFFF);
    }
    return s;
}

SDL_Surface* Opaque(int w, int h, Uint32 seed, Uint32 rmask = 0xFF0000, Uint32 bmask = 0xFF) {
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, rmask, 0xFF00, bmask, 0);
    Uint32* p = static_cast<Uint32*>(s->pixels);
    for (int i = 0; i < w * h; ++i) p[i] = (Uint32(i) * 2246822519u + seed * 3266489917u) ^ (Uint32(i) << 21);
    return s;
}

std::string Pixels(const SDL_Surface* s) { return std::string(static_cast<const char*>(s->pixels), size_t(s->pitch) * s->h); }

// SDL and Nimbrel_Blit from the same destination: the same pixels, result and drawn rectangle.
void ExpectSameAsSDL(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect at,
                     const std::string& label) {
    SDL_Surface* theirs = SDL_ConvertSurface(destination, destination->format, 0);
    SDL_Rect ours = at, sdl = at;
    EXPECT_EQ(SDL_UpperBlit(source, sourceRect, theirs, &sdl), Nimbrel_Blit(source, sourceRect, destination, &ours)) << label;
    EXPECT_TRUE(Pixels(theirs) == Pixels(destination)) << label;
    EXPECT_TRUE(ours.x == sdl.x && ours.y == sdl.y && ours.w == sdl.w && ours.h == sdl.h) << label;
    SDL_FreeSurface(theirs);
}

} // namespace

TEST(BlitAlpha, EveryAlphaOverEveryDifference) {
    // Column x holds source level x under every alpha, one per row, and neighbours differ in
    // alpha, so four-pixel steps mix opaque, clear and translucent pixels; the destination level
    // runs through every value, one channel at a time.
    for (int shift : {0, 8, 16}) {
        SDL_Surface* source = SDL_CreateRGBSurface(0, 256, 256, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
        SDL_Surface* destination = SDL_CreateRGBSurface(0, 256, 256, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        for (int level = 0; level < 256; ++level) {
            for (int y = 0; y < 256; ++y) {
                for (int x = 0; x < 256; ++x) {
                    static_cast<Uint32*>(source->pixels)[y * 256 + x] = Uint32((x + y) & 0xFF) << 24 | Uint32(x) << shift;
                    static_cast<Uint32*>(destination->pixels)[y * 256 + x] = Uint32(level) << shift | Uint32(x) << 24;
                }
            }
            ExpectSameAsSDL(source, nullptr, destination, {0, 0, 0, 0}, "level " + std::to_string(level));
            if (HasFailure()) break;
        }
        SDL_FreeSurface(source);
        SDL_FreeSurface(destination);
    }
}

TEST(BlitAlpha, RowLengthsClippingAndLayouts) {
    for (Uint32 swap = 0; swap < 2; ++swap) {
        const Uint32 r = swap ? 0xFF : 0xFF0000, b = swap ? 0xFF0000 : 0xFF;
        SDL_Surface* source = Argb(23, 9, 3 + swap, r, b);
        for (int w = 1; w <= 11; ++w) {
            for (int x : {-5, 0, 3, 30}) {
                SDL_Surface* destination = Opaque(37, 14, Uint32(w + x), r, b);
                SDL_Rect part = {Sint16(w % 4), Sint16(w % 3), Uint16(w), 7};
                ExpectSameAsSDL(source, &part, destination, {Sint16(x), Sint16(w % 5 - 2), 0, 0},
                                "width " + std::to_string(w) + " at " + std::to_string(x));
                SDL_Rect clip = {Sint16(2 + w % 3), 1, Uint16(25 - w), 9};
                SDL_SetClipRect(destination, &clip);
                ExpectSameAsSDL(source, nullptr, destination, {Sint16(x), 0, 0, 0}, "clipped " + std::to_string(w));
                SDL_FreeSurface(destination);
            }
        }
        SDL_FreeSurface(source);
    }
    // Left to SDL, and still the same: surface alpha below 255, a destination with alpha, a colour key.
    SDL_Surface* source = Argb(9, 5, 11);
    SDL_Surface* withAlpha = Argb(12, 6, 12);
    SDL_Surface* destination = Opaque(12, 6, 13);
    ExpectSameAsSDL(source, nullptr, withAlpha, {1, 1, 0, 0}, "onto alpha");
    SDL_SetAlpha(source, SDL_SRCALPHA, 128);
    ExpectSameAsSDL(source, nullptr, destination, {1, 1, 0, 0}, "surface alpha");
    SDL_FreeSurface(source);
    SDL_FreeSurface(withAlpha);
    SDL_FreeSurface(destination);
}
