// IScreenFX: mirrors in every depth, resize and zoom (mirroring, smoothing that stays inside the
// rectangle, agreement with SDL_gfx where the two follow the same rules), rotation that puts every
// pixel where it belongs, colour keys kept through every operation, drawing at the destination,
// and the bound on result sizes.
#include <gtest/gtest.h>

#include <SDL_rotozoom.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Nimbrel.h"
#include "gfx/screen_fx_kernels.h"
#include "support/test_support.h"

namespace {

class ScreenFX : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.started()); }
    ScopedTempDir dir;
    EngineSession engine{5};
};

Uint32 Pixel(SDL_Surface* s, int x, int y) { return IPrimitives->GetPixel(s, x, y, 1); }

// A surface whose every pixel differs from its neighbours (and, below 256 x 256 at 16 bits or
// more, from every other pixel), none of them 0xFF00FF.
SDL_Surface* Picture(int w, int h, int depth, bool alphaChannel = false) {
    const Uint32 alpha = alphaChannel ? 0xFF000000 : 0;
    SDL_Surface* s = depth == 32   ? SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, alpha)
                     : depth == 24 ? SDL_CreateRGBSurface(0, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0)
                     : depth == 16 ? SDL_CreateRGBSurface(0, w, h, 16, 0xF800, 0x07E0, 0x1F, 0)
                                   : SDL_CreateRGBSurface(0, w, h, 8, 0, 0, 0, 0);
    if (depth == 8) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i) colours[i] = SDL_Color{Uint8(i), Uint8(255 - i), Uint8(i * 7), 0};
        SDL_SetColors(s, colours, 0, 256);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Uint32 unique = Uint32(y) << 8 | Uint32(x + 1) | alpha;
            IPrimitives->PutPixel(s, x, y, depth == 8 ? (x * 7 + y * 31 + 1) % 250 : unique, 1);
        }
    return s;
}

// Same size and the same pixel values.
void ExpectSamePixels(SDL_Surface* expected, SDL_Surface* actual, const std::string& label) {
    ASSERT_TRUE(expected && actual) << label;
    ASSERT_EQ(expected->w, actual->w) << label;
    ASSERT_EQ(expected->h, actual->h) << label;
    for (int y = 0; y < expected->h; ++y)
        for (int x = 0; x < expected->w; ++x)
            ASSERT_EQ(Pixel(expected, x, y), Pixel(actual, x, y)) << label << " at " << x << "," << y;
}

bool HasKey(const SDL_Surface* s) { return (s->flags & SDL_SRCCOLORKEY) != 0; }

} // namespace

// ---- Mirrors ------------------------------------------------------------------------------------

TEST_F(ScreenFX, FlipXMirrorsRowsAndTwiceGivesTheOriginalInEveryDepth) {
    for (int depth : {8, 16, 24, 32}) {
        SDL_Surface* source = Picture(7, 3, depth); // 24 bits: rows padded to 24 bytes
        SDL_Surface* once = IScreenFX->FlipX(source, nullptr);
        ASSERT_TRUE(once) << depth;
        EXPECT_EQ(source->format->BitsPerPixel, once->format->BitsPerPixel);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) EXPECT_EQ(Pixel(source, x, y), Pixel(once, 6 - x, y)) << depth;
        SDL_Surface* twice = IScreenFX->FlipX(once, nullptr);
        // Row padding included: nothing was written past a row.
        EXPECT_EQ(0, std::memcmp(source->pixels, twice->pixels, size_t(source->pitch) * source->h)) << depth;
        SDL_FreeSurface(twice);
        SDL_FreeSurface(once);
        SDL_FreeSurface(source);
    }
}

// Three rows: the middle one stays where it is.
TEST_F(ScreenFX, MirrorsReadOnlyTheirClampedRectangleAndFlipYKeepsAnOddMiddleRow) {
    SDL_Surface* source = Picture(10, 8, 24);
    SDL_Rect rect = {-3, 5, 4, 9}; // x clamps to 0; the height is cut to the 3 rows left
    SDL_Surface* x = IScreenFX->FlipX(source, &rect);
    SDL_Surface* y = IScreenFX->FlipY(source, &rect);
    ASSERT_TRUE(x && y);
    ASSERT_EQ(4, y->w);
    ASSERT_EQ(3, y->h);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(Pixel(source, i, 5 + j), Pixel(x, 3 - i, j));
            EXPECT_EQ(Pixel(source, i, 5 + j), Pixel(y, i, 2 - j));
        }
    SDL_FreeSurface(x);
    SDL_FreeSurface(y);
    SDL_FreeSurface(source);
}

// ---- Conventions every operation shares ---------------------------------------------------------

TEST_F(ScreenFX, RefusalsGiveNullWithoutAMessage) {
    SDL_Surface* source = Picture(8, 8, 32);
    SDL_Surface* other = Picture(8, 8, 32);
    const std::string before = engine.Log();
    SDL_Rect right = {8, 0, 4, 4}, empty = {2, 2, 0, 3};
    for (const SDL_Rect* rect : {static_cast<const SDL_Rect*>(&right), static_cast<const SDL_Rect*>(&empty)}) {
        EXPECT_EQ(nullptr, IScreenFX->FlipX(source, rect));
        EXPECT_EQ(nullptr, IScreenFX->FlipY(source, rect));
        EXPECT_EQ(nullptr, IScreenFX->Resize(source, rect, 1, 4, 4));
        EXPECT_EQ(nullptr, IScreenFX->Zoom(source, rect, 1, 2, 2));
        EXPECT_EQ(nullptr, IScreenFX->RotoZoom(source, rect, 1, 30, 2));
    }
    EXPECT_EQ(nullptr, IScreenFX->FlipX(nullptr, nullptr, other));
    EXPECT_EQ(nullptr, IScreenFX->Rotate(nullptr, nullptr, 0, 45));
    EXPECT_EQ(nullptr, IScreenFX->FlipY(source, nullptr, source));
    EXPECT_EQ(nullptr, IScreenFX->Zoom(source, nullptr, 0, 2, 2, source));
    EXPECT_EQ(nullptr, IScreenFX->Rotate(source, nullptr, 0, 45, source));
    EXPECT_EQ(before, engine.Log());
    SDL_FreeSurface(other);
    SDL_FreeSurface(source);
}

TEST_F(ScreenFX, EveryOperationKeepsFormatPaletteColourKeyAndSurfaceAlphaInEveryDepth) {
    for (int depth : {8, 16, 24, 32}) {
        SDL_Surface* source = Picture(12, 10, depth);
        const Uint32 key = Pixel(source, 3, 4);
        SDL_SetColorKey(source, SDL_SRCCOLORKEY, key);
        SDL_SetAlpha(source, SDL_SRCALPHA, 128);
        Uint8 r, g, b;
        SDL_GetRGB(key, source->format, &r, &g, &b);
        SDL_Surface* results[] = {IScreenFX->FlipX(source, nullptr),
                                  IScreenFX->FlipY(source, nullptr),
                                  IScreenFX->Resize(source, nullptr, 0, 24, 20),
                                  IScreenFX->Zoom(source, nullptr, 0, 3, 3),
                                  IScreenFX->RotoZoom(source, nullptr, 0, 33, 2),
                                  IScreenFX->Rotate(source, nullptr, 0, 180)};
        for (SDL_Surface* result : results) {
            ASSERT_TRUE(result) << depth;
            // 16 and 24 bits are mirrored as they are, but scaled and turned as 32-bit copies.
            const bool mirror = result == results[0] || result == results[1];
            EXPECT_EQ((depth == 16 || depth == 24) && !mirror ? 32 : depth, result->format->BitsPerPixel);
            if (depth == 8) {
                EXPECT_EQ(0, std::memcmp(source->format->palette->colors, result->format->palette->colors,
                                         sizeof(SDL_Color) * 256));
            }
            ASSERT_TRUE(HasKey(result)) << depth;
            EXPECT_EQ(128, result->format->alpha) << depth;
            // The key is the same colour, in the result's format when the depth changed, and the
            // pixels that had the key still match it.
            Uint8 kr, kg, kb;
            SDL_GetRGB(result->format->colorkey, result->format, &kr, &kg, &kb);
            EXPECT_EQ(std::make_tuple(r, g, b), std::make_tuple(kr, kg, kb)) << depth;
            int keyed = 0;
            for (int y = 0; y < result->h; ++y)
                for (int x = 0; x < result->w; ++x) keyed += Pixel(result, x, y) == result->format->colorkey;
            EXPECT_GT(keyed, 0) << depth;
            SDL_FreeSurface(result);
        }
        SDL_FreeSurface(source);
    }
}

TEST_F(ScreenFX, WithADestinationTheResultIsDrawnAtItsPointOrCentredOnIt) {
    SDL_Surface* source = Picture(8, 6, 32);
    SDL_Surface* destination = SDL_CreateRGBSurface(0, 40, 40, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Rect at = {10, 12, 1, 1};
    EXPECT_EQ(destination, IScreenFX->FlipX(source, nullptr, destination, &at));
    EXPECT_EQ(10, at.x); // only read
    EXPECT_EQ(1, at.w);
    EXPECT_EQ(Pixel(source, 7, 0), Pixel(destination, 10, 12));
    EXPECT_EQ(Pixel(source, 0, 5), Pixel(destination, 17, 17));

    // 16 x 12 in place of 8 x 6: moved by (8 - 16) / 2 and (6 - 12) / 2.
    SDL_FillRect(destination, nullptr, 0);
    EXPECT_EQ(destination, IScreenFX->Zoom(source, nullptr, 0, 2, 2, destination, &at));
    EXPECT_EQ(Pixel(source, 0, 0), Pixel(destination, 6, 9));
    EXPECT_EQ(0u, Pixel(destination, 5, 9));
    EXPECT_EQ(Pixel(source, 7, 5), Pixel(destination, 21, 20));
    EXPECT_EQ(0u, Pixel(destination, 22, 21));
    SDL_FreeSurface(destination);
    SDL_FreeSurface(source);
}

// ---- Resize and zoom ----------------------------------------------------------------------------

TEST_F(ScreenFX, NegativeSizesMirrorTheResultOfTheAbsoluteSize) {
    for (int depth : {8, 32})
        for (int smooth : {0, 1}) {
            SDL_Surface* source = Picture(9, 7, depth);
            SDL_Surface* mirroredX = IScreenFX->FlipX(source, nullptr);
            SDL_Surface* mirroredXY = IScreenFX->FlipY(mirroredX, nullptr);
            const std::string label = std::to_string(depth) + (smooth ? " smooth" : "");
            // Each pair: the mirrored source scaled, and the source scaled by negative sizes.
            const std::pair<SDL_Surface*, SDL_Surface*> pairs[] = {
                {IScreenFX->Resize(mirroredX, nullptr, smooth, 20, 5),
                 IScreenFX->Resize(source, nullptr, smooth, -20, 5)},
                {IScreenFX->Resize(mirroredXY, nullptr, smooth, 4, 15),
                 IScreenFX->Resize(source, nullptr, smooth, -4, -15)}};
            for (const auto& pair : pairs) {
                ExpectSamePixels(pair.first, pair.second, label);
                SDL_FreeSurface(pair.first);
                SDL_FreeSurface(pair.second);
            }
            SDL_FreeSurface(mirroredXY);
            SDL_FreeSurface(mirroredX);
            SDL_FreeSurface(source);
        }
}

// SDL_gfx steps 8-bit columns exactly where the conventions step in 16.16, so at 8 bits the two
// agree only where 16.16 is exact; it also cannot mirror 8-bit surfaces.
TEST_F(ScreenFX, IntegerZoomsWithoutSmoothingEqualSDLgfx) {
    const std::pair<int, double> cases[] = {{32, 1}, {32, 2}, {32, 3}, {32, -2}, {32, -3}, {8, 1}, {8, 2}, {8, 4}};
    for (const auto& c : cases) {
        const int depth = c.first;
        const double factor = c.second;
        SDL_Surface* source = Picture(13, 9, depth);
        SDL_Rect rect = {3, 2, 7, 5};
        SDL_Surface* part = IScreenFX->FlipX(source, &rect); // the rectangle alone, mirrored twice
        SDL_Surface* alone = IScreenFX->FlipX(part, nullptr);
        SDL_Surface* expected = zoomSurface(alone, factor, factor, SMOOTHING_OFF);
        SDL_Surface* actual = IScreenFX->Zoom(source, &rect, 0, factor, factor);
        ExpectSamePixels(expected, actual, std::to_string(depth) + " x" + std::to_string(factor));
        for (SDL_Surface* s : {actual, expected, alone, part, source}) SDL_FreeSurface(s);
    }
}

// Smoothing blends towards the next column and row: at the rectangle's last ones there is none, and
// reading it anyway leaves the pixel buffer (AddressSanitizer) or the rectangle (the colour).
TEST_F(ScreenFX, SmoothingReadsNothingOutsideTheRectangle) {
    const int sizes[][2] = {{1, 1}, {1, 6}, {6, 1}, {5, 4}};
    for (const auto& size : sizes) {
        const int w = size[0], h = size[1];
        std::vector<Uint32> source(size_t(w) * h); // exactly the pixels, so any read past them is caught
        for (size_t i = 0; i < source.size(); ++i) source[i] = 0x10203040u * Uint32(i + 1);
        const fx::SourcePixels from = {reinterpret_cast<const Uint8*>(source.data()), 4 * w, w, h};
        for (int scale : {1, 3}) {
            std::vector<Uint32> result(size_t(w * scale + 1) * (h * scale + 2));
            const fx::ResultPixels to = {reinterpret_cast<Uint8*>(result.data()), 4 * (w * scale + 1), w * scale + 1,
                                         h * scale + 2};
            for (int flips = 0; flips < 4; ++flips) EXPECT_TRUE(fx::ZoomRGBA(from, to, true, flips & 1, flips & 2));
            for (double angle : {30.0, 90.0, 200.0})
                fx::RotateRGBA(from, to, fx::RotationStepsFor(angle, 1.0 / scale), true);
        }
    }

    // A flat rectangle in a surface of another colour: no other colour may bleed in.
    SDL_Surface* surface = SDL_CreateRGBSurface(0, 12, 10, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(surface, nullptr, 0x00FFFF);
    SDL_Rect rect = {4, 6, 8, 4}; // at the right and bottom edges: the rows end there
    SDL_FillRect(surface, &rect, 0x804020);
    SDL_Surface* zoomed = IScreenFX->Zoom(surface, &rect, 1, 2.5, 3);
    SDL_Surface* turned = IScreenFX->RotoZoom(surface, &rect, 1, 30, 2);
    ASSERT_TRUE(zoomed && turned);
    for (int y = 0; y < zoomed->h; ++y)
        for (int x = 0; x < zoomed->w; ++x) ASSERT_EQ(0x804020u, Pixel(zoomed, x, y)) << x << "," << y;
    for (int y = 0; y < turned->h; ++y)
        for (int x = 0; x < turned->w; ++x) {
            const Uint32 p = Pixel(turned, x, y);
            ASSERT_TRUE(p == 0x804020u || p == 0xFF00FFu) << x << "," << y << " " << std::hex << p;
        }
    SDL_FreeSurface(turned);
    SDL_FreeSurface(zoomed);
    SDL_FreeSurface(surface);
}

// ---- Rotation -----------------------------------------------------------------------------------

TEST_F(ScreenFX, RotationsByRightAnglesRoundTheirSizesUpAndPutEveryPixelInPlace) {
    for (int depth : {8, 32})
        for (int quarter : {1, 2, 3}) {
            SDL_Surface* source = Picture(40, 20, depth);
            SDL_Surface* turned = IScreenFX->Rotate(source, nullptr, 0, 90.0 * quarter);
            ASSERT_TRUE(turned);
            const std::string label = std::to_string(depth) + " " + std::to_string(90 * quarter);
            // Nearly integral sizes round up: one row or column more than the turned picture.
            EXPECT_EQ(quarter == 2 ? 41 : 21, turned->w) << label;
            EXPECT_EQ(quarter == 2 ? 21 : 41, turned->h) << label;

            // Where source pixel (x, y) lands, counter-clockwise, before the whole picture is moved
            // by one offset inside the spare row and column.
            auto lands = [quarter](int x, int y) {
                return quarter == 1 ? std::make_pair(y, 39 - x) : quarter == 2 ? std::make_pair(39 - x, 19 - y)
                                                                               : std::make_pair(19 - y, x);
            };
            // Every turn puts some corner of the source at the picture's top-left corner, which is
            // the first pixel that is not the key.
            int offsetX = -1, offsetY = -1;
            for (int y = 0; y < turned->h && offsetX < 0; ++y)
                for (int x = 0; x < turned->w && offsetX < 0; ++x)
                    if (Pixel(turned, x, y) != turned->format->colorkey) offsetX = x, offsetY = y;
            ASSERT_TRUE(offsetX >= 0 && offsetX <= 1 && offsetY >= 0 && offsetY <= 1) << label;
            std::map<std::pair<int, int>, Uint32> expected;
            for (int y = 0; y < 20; ++y)
                for (int x = 0; x < 40; ++x) {
                    const auto to = lands(x, y);
                    expected[{to.first + offsetX, to.second + offsetY}] = Pixel(source, x, y);
                }
            for (int y = 0; y < turned->h; ++y)
                for (int x = 0; x < turned->w; ++x) {
                    const auto found = expected.find({x, y});
                    const Uint32 want = found == expected.end() ? turned->format->colorkey : found->second;
                    ASSERT_EQ(want, Pixel(turned, x, y)) << label << " at " << x << "," << y;
                }
            SDL_FreeSurface(turned);
            SDL_FreeSurface(source);
        }
}

TEST_F(ScreenFX, RotationUnderAThousandthOfADegreeIsAZoom) {
    SDL_Surface* source = Picture(11, 7, 32, true);
    SDL_Surface* zoomed = IScreenFX->Zoom(source, nullptr, 1, 1.5, 1.5);
    SDL_Surface* turned = IScreenFX->RotoZoom(source, nullptr, 1, 0.0005, 1.5);
    ExpectSamePixels(zoomed, turned, "0.0005 degrees");
    EXPECT_EQ(source->format->Amask, turned->format->Amask);
    EXPECT_EQ(0xFFFFFFFFu, turned->format->colorkey); // no key, said the engine's way
    SDL_FreeSurface(turned);
    SDL_FreeSurface(zoomed);

    // With an alpha channel the corners a real turn leaves uncovered are zero, not keyed.
    turned = IScreenFX->Rotate(source, nullptr, 0, 45);
    ASSERT_TRUE(turned);
    EXPECT_FALSE(HasKey(turned));
    EXPECT_EQ(0u, Pixel(turned, 0, 0));
    SDL_FreeSurface(turned);
    SDL_FreeSurface(source);
}

// ---- The size bound -----------------------------------------------------------------------------

TEST_F(ScreenFX, ZoomSizesAreWholePixelsAtLeastOneAndWithinTheBound) {
    SDL_Surface* source = Picture(100, 100, 32);
    SDL_Surface* thin = IScreenFX->Zoom(source, nullptr, 1, 0.005, 0.999);
    ASSERT_TRUE(thin);
    EXPECT_EQ(std::make_pair(1, 99), std::make_pair(thin->w, thin->h));
    SDL_FreeSurface(thin);

    // Refused before anything is allocated.
    EXPECT_EQ(nullptr, IScreenFX->Zoom(source, nullptr, 1, 1e5, 1e5));
    EXPECT_EQ(nullptr, IScreenFX->Zoom(source, nullptr, 0, NAN, 1));
    EXPECT_EQ(nullptr, IScreenFX->Resize(source, nullptr, 0, -20000, 1));
    EXPECT_EQ(nullptr, IScreenFX->Resize(source, nullptr, 0, 9000, 9000)); // 309 MiB
    EXPECT_EQ(nullptr, IScreenFX->RotoZoom(source, nullptr, 1, 45, 1e9));
    EXPECT_EQ(nullptr, IScreenFX->Rotate(source, nullptr, 1, INFINITY));
    const std::string log = engine.Log();
    for (const char* line : {" . [IScreenFX->Zoom()] Error: a 1e+07x1e+07 surface is too large.\n",
                             " . [IScreenFX->Zoom()] Error: a nanx100 surface is too large.\n",
                             " . [IScreenFX->Resize()] Error: a 20000x1 surface is too large.\n",
                             " . [IScreenFX->Resize()] Error: a 9000x9000 surface is too large.\n",
                             " . [IScreenFX->RotoZoom()] Error: a 1.41421e+11x1.41421e+11 surface is too large.\n",
                             " . [IScreenFX->Rotate()] Error: a nanxnan surface is too large.\n"})
        EXPECT_NE(std::string::npos, log.find(line)) << line;
    SDL_FreeSurface(source);
}

TEST(ScreenFXBound, SidesBytesAndPitchAreJudgedAtTheirLimits) {
    EXPECT_TRUE(fx::ResultFits(16384, 16384, 1)); // exactly 256 MiB
    EXPECT_FALSE(fx::ResultFits(16385, 1, 1));
    EXPECT_FALSE(fx::ResultFits(1, 16385, 1));
    EXPECT_TRUE(fx::ResultFits(16383, 4096, 4));
    EXPECT_FALSE(fx::ResultFits(16384, 1, 4));  // a 65536-byte row wraps SDL's 16-bit pitch to 0
    EXPECT_TRUE(fx::ResultFits(16384, 5461, 3)); // 49152-byte rows
    EXPECT_FALSE(fx::ResultFits(16384, 5462, 3));
    for (double bad : {0.0, -1.0, double(NAN), double(INFINITY)}) {
        EXPECT_FALSE(fx::ResultFits(bad, 10, 4));
        EXPECT_FALSE(fx::ResultFits(10, bad, 4));
    }
}

// ---- The shared primitives ----------------------------------------------------------------------

TEST(ScreenFXPrimitives, AnObjectMadeWithoutPrimitivesBringsAndRemovesItsOwn) {
    ASSERT_EQ(nullptr, IPrimitives);
    class IScreenFX* effects = new class IScreenFX;
    ASSERT_NE(nullptr, IPrimitives);
    delete effects;
    EXPECT_EQ(nullptr, IPrimitives);

    class IPrimitives* shared = new class IPrimitives;
    IPrimitives = shared;
    effects = new class IScreenFX;
    delete effects;
    EXPECT_EQ(shared, IPrimitives);
    delete shared;
    IPrimitives = nullptr;
}
