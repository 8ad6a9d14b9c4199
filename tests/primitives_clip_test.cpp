// IPrimitives: pixel access in every depth, and lines and rectangles that stay inside the surface
// and its clip rectangle.
#include <gtest/gtest.h>

#include <string>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace {

class Primitives : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.started()); }
    ScopedTempDir dir;
    EngineSession engine{5};
};

SDL_Surface* Blank(int w, int h, int depth, Uint32 r = 0, Uint32 g = 0, Uint32 b = 0, Uint32 a = 0) {
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, depth, r, g, b, a);
    SDL_FillRect(s, nullptr, 0);
    return s;
}

std::string Pixels(const SDL_Surface* s) { return std::string(static_cast<const char*>(s->pixels), size_t(s->pitch) * s->h); }

// The set pixels of a 32-bit surface as a picture, one text row per surface row.
std::string Picture(SDL_Surface* s) {
    std::string picture;
    for (int y = 0; y < s->h; ++y) {
        for (int x = 0; x < s->w; ++x) picture += IPrimitives->GetPixel(s, x, y, 1) ? '#' : '.';
        picture += '\n';
    }
    return picture;
}

} // namespace

TEST_F(Primitives, PixelsRoundTripInEveryDepth) {
    struct Format {
        int depth;
        Uint32 r, g, b, a, colour;
    } formats[] = {
        {8, 0, 0, 0, 0, 0xA5},
        {16, 0xF800, 0x07E0, 0x001F, 0, 0xBEEF},
        {24, 0xFF0000, 0xFF00, 0xFF, 0, 0x123456},
        {24, 0xFF, 0xFF00, 0xFF0000, 0, 0xABCDEF}, // the other byte order
        {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x80C0FFEE},
    };
    for (const Format& f : formats) {
        SDL_Surface* s = Blank(7, 5, f.depth, f.r, f.g, f.b, f.a);
        IPrimitives->PutPixel(s, 6, 4, f.colour, 1);
        IPrimitives->PutPixel(s, 0, 0, f.colour, 0);
        EXPECT_EQ(f.colour, IPrimitives->GetPixel(s, 6, 4, 1)) << f.depth;
        EXPECT_EQ(f.colour, IPrimitives->GetPixel(s, 0, 0, 0)) << f.depth;
        EXPECT_EQ(0u, IPrimitives->GetPixel(s, 5, 4, 0)) << f.depth; // the neighbour is untouched
        // The value lies in memory where SDL's own fill puts it.
        SDL_Surface* reference = Blank(7, 5, f.depth, f.r, f.g, f.b, f.a);
        SDL_Rect one = {6, 4, 1, 1}, origin = {0, 0, 1, 1};
        SDL_FillRect(reference, &one, f.colour);
        SDL_FillRect(reference, &origin, f.colour);
        EXPECT_EQ(Pixels(reference), Pixels(s)) << f.depth;
        SDL_FreeSurface(reference);
        SDL_FreeSurface(s);
    }
}

TEST_F(Primitives, PixelsOutsideTheSurfaceOrClipAreIgnored) {
    SDL_Surface* s = Blank(6, 4, 32, 0xFF0000, 0xFF00, 0xFF);
    const std::string empty = Pixels(s);
    for (int x : {-1, 6, 7, 65536 + 2, -65536})
        for (int y : {-1, 0, 4, 100}) IPrimitives->PutPixel(s, x, y, 0xFFFFFF, 1);
    EXPECT_EQ(empty, Pixels(s));
    SDL_Rect clip = {1, 1, 3, 2};
    SDL_SetClipRect(s, &clip);
    IPrimitives->PutPixel(s, 0, 1, 0xFFFFFF, 1);
    IPrimitives->PutPixel(s, 4, 2, 0xFFFFFF, 1);
    IPrimitives->PutPixel(s, 2, 3, 0xFFFFFF, 1);
    EXPECT_EQ(empty, Pixels(s));
    IPrimitives->PutPixel(s, 3, 2, 0xFFFFFF, 1);
    EXPECT_EQ(0xFFFFFFu, IPrimitives->GetPixel(s, 3, 2, 1));

    // Reading outside gives 0 instead of reading outside the pixel memory.
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 6, 0, 1));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 0, -1, 1));
    EXPECT_EQ(0u, IPrimitives->GetPixel(s, 1000, 1000, 1));
    EXPECT_EQ(0u, IPrimitives->GetPixel(nullptr, 0, 0, 1));
    IPrimitives->PutPixel(nullptr, 0, 0, 1, 1);
    IPrimitives->HLine(nullptr, 0, 1, 0, 1);
    IPrimitives->Rect(nullptr, 0, 0, 1, 1, 1);
    SDL_FreeSurface(s);
}

TEST_F(Primitives, LinesIncludeBothEndsInEitherOrder) {
    SDL_Surface* s = Blank(8, 6, 32, 0xFF0000, 0xFF00, 0xFF);
    IPrimitives->HLine(s, 5, 5, 1, 1);
    EXPECT_EQ("........\n"
              ".....#..\n"
              "........\n"
              "........\n"
              "........\n"
              "........\n",
              Picture(s));
    IPrimitives->HLine(s, 6, 2, 3, 1); // reversed ends draw the same line
    IPrimitives->VLine(s, 0, 5, 2, 1);
    EXPECT_EQ("........\n"
              ".....#..\n"
              "#.......\n"
              "#.#####.\n"
              "#.......\n"
              "#.......\n",
              Picture(s));
    SDL_FreeSurface(s);
}

TEST_F(Primitives, RectanglesAndLinesAreClippedToTheClipRectangle) {
    SDL_Surface* s = Blank(9, 7, 32, 0xFF0000, 0xFF00, 0xFF);
    SDL_Rect clip = {1, 1, 7, 5};
    SDL_SetClipRect(s, &clip);
    IPrimitives->Rect(s, -3, -2, 5, 4, 1);     // top and left sides outside the clip
    IPrimitives->Rect(s, 6, 3, 20, 30, 1);     // runs off the bottom right
    IPrimitives->HLine(s, -40000, 40000, 5, 1); // ends beyond 16 bits wrap, still clipped
    EXPECT_EQ(".........\n"
              ".....#...\n"
              ".....#...\n"
              ".....###.\n"
              ".######..\n"
              ".#######.\n"
              ".........\n",
              Picture(s));
    SDL_FreeSurface(s);
}
