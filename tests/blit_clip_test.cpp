// Nimbrel_Blit: the plain copy must give exactly what SDL gives, clipping included; the
// lost-surface restore; pixel backups.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "testing/test_seams.h"
#include "support/test_support.h"

namespace {

SDL_Surface* MakeSurface(int w, int h, int depth, Uint32 seed) {
    SDL_Surface* s = depth == 32   ? SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0)
                     : depth == 24 ? SDL_CreateRGBSurface(0, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0)
                     : depth == 16 ? SDL_CreateRGBSurface(0, w, h, 16, 0xF800, 0x07E0, 0x1F, 0)
                                   : SDL_CreateRGBSurface(0, w, h, 8, 0, 0, 0, 0);
    Uint8* p = static_cast<Uint8*>(s->pixels);
    for (int i = 0; i < s->pitch * h; ++i) p[i] = Uint8((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
    return s;
}

SDL_Surface* Copy(SDL_Surface* s) {
    const SDL_PixelFormat* f = s->format;
    SDL_Surface* c = SDL_CreateRGBSurface(0, s->w, s->h, f->BitsPerPixel, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (f->palette) SDL_SetColors(c, f->palette->colors, 0, f->palette->ncolors);
    std::memcpy(c->pixels, s->pixels, size_t(s->pitch) * s->h);
    return c;
}

std::string Pixels(const SDL_Surface* s) { return std::string(static_cast<const char*>(s->pixels), size_t(s->pitch) * s->h); }

bool SameRect(const SDL_Rect& a, const SDL_Rect& b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

// SDL_UpperBlit and Nimbrel_Blit from the same starting point: pixels, result and the returned
// destination rectangle must agree.
void ExpectSameAsSDL(SDL_Surface* source, SDL_Surface* destination, const SDL_Rect* sourceRect, const SDL_Rect* destRect,
                     const SDL_Rect* clip, const std::string& label) {
    SDL_Surface* expected = Copy(destination);
    SDL_Surface* actual = Copy(destination);
    SDL_SetClipRect(expected, clip);
    SDL_SetClipRect(actual, clip);
    ASSERT_TRUE(IsPlainBlit(source, actual)) << label;
    SDL_Rect s1, s2, d1, d2;
    if (sourceRect) s1 = s2 = *sourceRect;
    if (destRect) d1 = d2 = *destRect;
    int r1 = SDL_UpperBlit(source, sourceRect ? &s1 : nullptr, expected, destRect ? &d1 : nullptr);
    int r2 = Nimbrel_Blit(source, sourceRect ? &s2 : nullptr, actual, destRect ? &d2 : nullptr);
    EXPECT_EQ(r1, r2) << label;
    EXPECT_EQ(Pixels(expected), Pixels(actual)) << label;
    if (destRect) {
        EXPECT_TRUE(SameRect(d1, d2)) << label << " rect " << d2.x << "," << d2.y << " " << d2.w << "x" << d2.h;
    }
    SDL_FreeSurface(expected);
    SDL_FreeSurface(actual);
}

} // namespace

TEST(Blit, PlainCopyClipsLikeSDLAtEveryEdgeInEveryDepth) {
    for (int depth : {8, 16, 24, 32}) {
        SDL_Surface* source = MakeSurface(23, 17, depth, 1);
        SDL_Surface* destination = MakeSurface(41, 29, depth, 2);
        if (depth == 8) SDL_SetColors(destination, source->format->palette->colors, 0, 256);
        const SDL_Rect clip = {5, 3, 30, 20};
        const int offsets[] = {-30, -23, -22, -5, -1, 0, 1, 9, 18, 19, 24, 34, 35, 40, 41, 60};
        for (int dx : offsets) {
            for (int dy : offsets) {
                SDL_Rect at = {Sint16(dx), Sint16(dy), 0, 0};
                std::string label = "depth " + std::to_string(depth) + " at " + std::to_string(dx) + "," + std::to_string(dy);
                ExpectSameAsSDL(source, destination, nullptr, &at, nullptr, label);
                ExpectSameAsSDL(source, destination, nullptr, &at, &clip, label + " clipped");
                SDL_Rect part = {Sint16(dx / 3), Sint16(dy / 4), 12, 9}; // may start before or end after the source
                ExpectSameAsSDL(source, destination, &part, &at, &clip, label + " part");
            }
        }
        ExpectSameAsSDL(source, destination, nullptr, nullptr, nullptr, "null rectangles");
        SDL_FreeSurface(source);
        SDL_FreeSurface(destination);
    }
}

TEST(Blit, OverlappingBlitWithinOneSurfaceMatchesSDL) {
    SDL_Surface* surface = MakeSurface(64, 48, 32, 3);
    SDL_Surface* reference = Copy(surface);
    for (int shift : {-7, -1, 1, 5}) {
        SDL_Rect from = {10, 10, 30, 20}, to1 = {Sint16(10 + shift), Sint16(10 + shift), 0, 0}, to2 = to1;
        SDL_Rect from2 = from;
        SDL_UpperBlit(reference, &from, reference, &to1);
        Nimbrel_Blit(surface, &from2, surface, &to2);
        EXPECT_EQ(Pixels(reference), Pixels(surface)) << shift;
    }
    SDL_FreeSurface(surface);
    SDL_FreeSurface(reference);
}

TEST(Blit, KeyedAlphaDifferentFormatAndLockedBlitsGoToSDL) {
    SDL_Surface* a = MakeSurface(8, 8, 32, 1);
    SDL_Surface* b = MakeSurface(8, 8, 32, 2);
    SDL_Surface* c16 = MakeSurface(8, 8, 16, 2);
    EXPECT_TRUE(IsPlainBlit(a, b));
    EXPECT_FALSE(IsPlainBlit(a, c16));
    SDL_SetColorKey(a, SDL_SRCCOLORKEY, 0);
    EXPECT_FALSE(IsPlainBlit(a, b));
    SDL_SetColorKey(a, 0, 0);
    SDL_SetAlpha(a, SDL_SRCALPHA, 128);
    EXPECT_FALSE(IsPlainBlit(a, b));
    SDL_SetAlpha(a, 0, 255);

    // A locked surface is refused as SDL refuses it, and nothing is drawn.
    std::string before = Pixels(b);
    SDL_LockSurface(b);
    EXPECT_EQ(-1, Nimbrel_Blit(a, nullptr, b, nullptr));
    SDL_UnlockSurface(b);
    EXPECT_EQ(before, Pixels(b));
    EXPECT_EQ(-1, Nimbrel_Blit(nullptr, nullptr, b, nullptr));
    SDL_FreeSurface(a);
    SDL_FreeSurface(b);
    SDL_FreeSurface(c16);
}

// ---- Lost surfaces ------------------------------------------------------------------------------

namespace {

int lostAnswers = 0;   // how many blits still report a lost source
int blitCalls = 0;
SDL_Rect firstDestination;

// Plays a renderer that lost the source: scrambles its pixels and moves the destination rectangle
// the way a clipping blit does, then answers -2.
int LosingBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    ++blitCalls;
    if (lostAnswers > 0) {
        --lostAnswers;
        std::memset(source->pixels, 0xEE, size_t(source->pitch) * source->h);
        if (destinationRect) {
            firstDestination = *destinationRect;
            destinationRect->x = 99;
        }
        return -2;
    }
    return SDL_UpperBlit(source, sourceRect, destination, destinationRect);
}

class LostSurface : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        NimbrelTestSeam::SetUpperBlit(LosingBlit);
        lostAnswers = blitCalls = 0;
        source = MakeSurface(16, 12, 32, 5);
        destination = SDL_CreateRGBSurface(0, 40, 40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        original = Pixels(source);
    }
    void TearDown() override {
        NimbrelTestSeam::SetUpperBlit(nullptr);
        Nimbrel.lostSurfaceCheck = 0;
        SDL_FreeSurface(source);
        SDL_FreeSurface(destination);
    }
    int Count(const std::string& log, const std::string& line) {
        int n = 0;
        for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
        return n;
    }
    ScopedTempDir dir;
    EngineSession engine{5};
    SDL_Surface* source = nullptr;
    SDL_Surface* destination = nullptr;
    std::string original;
};

const char kRestored[] = " . [Nimbrel_Blit()] Info: lost surface was restored.\n";

} // namespace

TEST_F(LostSurface, BackupIsTakenOnlyWhileTheCheckIsOn) {
    EXPECT_EQ(nullptr, Nimbrel_TakePixelBackup(source));
    Nimbrel.lostSurfaceCheck = 1;
    NimbrelPixelBackup* backup = Nimbrel_TakePixelBackup(source);
    ASSERT_NE(nullptr, backup);
    EXPECT_EQ(Uint32(source->pitch * source->h), backup->size);
    EXPECT_EQ(original, std::string(reinterpret_cast<char*>(backup->pixels), backup->size));
    Nimbrel_FreePixelBackup(backup);
    Nimbrel_FreePixelBackup(nullptr);
}

TEST_F(LostSurface, RestoresFromTheBackupAndBlitsAgainAtTheRequestedPlace) {
    Nimbrel.lostSurfaceCheck = 1;
    NimbrelPixelBackup* backup = Nimbrel_TakePixelBackup(source);
    lostAnswers = 1;
    SDL_Rect at = {3, 4, 0, 0};
    EXPECT_EQ(0, Nimbrel_Blit(source, nullptr, destination, &at, backup));
    EXPECT_EQ(2, blitCalls);
    EXPECT_EQ(original, Pixels(source));
    EXPECT_EQ(3, at.x); // not the 99 the lost blit left there
    EXPECT_EQ(4, at.y);
    Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(destination->pixels) + 4 * destination->pitch);
    EXPECT_EQ(reinterpret_cast<Uint32*>(source->pixels)[0], row[3]);
    EXPECT_EQ(1, Count(engine.Log(), kRestored));

    // The next loss is restored again, with one more line.
    lostAnswers = 1;
    EXPECT_EQ(0, Nimbrel_Blit(source, nullptr, destination, nullptr, backup));
    EXPECT_EQ(2, Count(engine.Log(), kRestored));
    Nimbrel_FreePixelBackup(backup);
}

TEST_F(LostSurface, WithoutBackupOrCheckTheLossIsReturnedSilently) {
    lostAnswers = 5;
    EXPECT_EQ(-2, Nimbrel_Blit(source, nullptr, destination, nullptr, nullptr));
    Nimbrel.lostSurfaceCheck = 1;
    EXPECT_EQ(-2, Nimbrel_Blit(source, nullptr, destination, nullptr, nullptr));
    // A backup of another surface's size is never copied in.
    SDL_Surface* other = MakeSurface(4, 4, 32, 1);
    NimbrelPixelBackup* wrong = Nimbrel_TakePixelBackup(other);
    EXPECT_EQ(-2, Nimbrel_Blit(source, nullptr, destination, nullptr, wrong));
    Nimbrel_FreePixelBackup(wrong);
    SDL_FreeSurface(other);
    Nimbrel.lostSurfaceCheck = 0;
    NimbrelPixelBackup fake = {nullptr, 0};
    EXPECT_EQ(-2, Nimbrel_Blit(source, nullptr, destination, nullptr, &fake));
    EXPECT_EQ(0, Count(engine.Log(), kRestored));
}

TEST_F(LostSurface, MainObjectBlitDrawsOnScreenAndOtherSurfaces) {
    NimbrelTestSeam::SetUpperBlit(nullptr);
    Nimbrel.width = 64;
    Nimbrel.height = 48;
    Nimbrel.colorDepth = 32;
    ASSERT_EQ(1, Nimbrel.SetVideoMode());
    SDL_Rect at = {60, 40, 0, 0};
    EXPECT_EQ(0, Nimbrel.Blit(source, nullptr, Nimbrel.screen, &at));
    EXPECT_EQ(4, at.w); // clipped at the screen's edge
    EXPECT_EQ(8, at.h);
    EXPECT_EQ(0, Nimbrel.Blit(source, nullptr, destination, nullptr));
    EXPECT_EQ(reinterpret_cast<Uint32*>(source->pixels)[0], reinterpret_cast<Uint32*>(destination->pixels)[0]);
}
