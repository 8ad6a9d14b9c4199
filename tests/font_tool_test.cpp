// dpf add-font against CFont: a font rendered from DejaVu Sans measures and prints as FreeType
// lays the text out, and the tool refuses every bitmap the engine would not load.
#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "support/test_support.h"
#include "testing/test_seams.h"

namespace {

const char kSans[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

Uint32& PixelRef(SDL_Surface* s, int x, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x];
}

// FreeType's own answer for one character at a size: the advance and the coverage with its
// bearings, drawn as the tool asks FreeType to draw it.
struct Reference {
    int advance, left, top, width, rows;
    std::vector<Uint8> coverage;
};

Reference FreeTypeGlyph(char code, int size) {
    FT_Library library;
    FT_Face face;
    Reference r{};
    EXPECT_EQ(0, FT_Init_FreeType(&library));
    EXPECT_EQ(0, FT_New_Face(library, kSans, 0, &face));
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(size));
    EXPECT_EQ(0, FT_Load_Char(face, FT_ULong(code), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL));
    const FT_GlyphSlot g = face->glyph;
    r.advance = int((g->advance.x + 32) >> 6);
    r.left = g->bitmap_left;
    r.top = g->bitmap_top;
    r.width = int(g->bitmap.width);
    r.rows = int(g->bitmap.rows);
    for (int y = 0; y < r.rows; ++y)
        for (int x = 0; x < r.width; ++x) r.coverage.push_back(g->bitmap.buffer[y * g->bitmap.pitch + x]);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return r;
}

class FontTool : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        Nimbrel.width = 430;
        Nimbrel.height = 60;
        Nimbrel.colorDepth = 32;
        ASSERT_EQ(1, Nimbrel.SetVideoMode());
        ASSERT_EQ(0, RunDpf("create skin.dpf").status);
    }
    // The picture of glyph `code` as Print places it for a pen position: its source rectangle and
    // its destination x, from the font's tables.
    void Glyph(const NimbrelTestSeam::FontTables& t, int code, int pen, SDL_Rect* source, int* x) {
        const int i = code - 33;
        *source = {Sint16(t.positions[i]), 1, Uint16(t.positions[i + 1] - t.positions[i]), 0};
        *x = pen - (source->w - t.advances[i]) / 2;
    }
    void WritePng(const std::string& path, const NimbrelAuthoring::RgbaImage& image) {
        std::vector<Uint8> png;
        std::string problem;
        ASSERT_TRUE(NimbrelAuthoring::EncodePNG(image, image.transparent, &png, &problem)) << problem;
        WriteFile(path, std::string(png.begin(), png.end()));
    }

    ScopedTempDir dir;
    EngineSession engine{5};
};

} // namespace

TEST_F(FontTool, DejaVuSansMeasuresAndPrintsHelloAsFreeTypeLaysItOut) {
    ToolRun add = RunDpf(std::string("add-font skin.dpf sans --ttf ") + kSans + " --size 16 --spacing 2");
    ASSERT_EQ(0, add.status) << add.err;
    EXPECT_TRUE(Has(add.out, "skin.dpf: added font 'sans', 95 glyphs, height ")) << add.out;
    CFont font;
    ASSERT_EQ(1, font.Load("skin.dpf", "sans"));
    EXPECT_EQ(2, font.GetSpacing());
    NimbrelTestSeam::FontTables t = NimbrelTestSeam::InspectFont(font);
    EXPECT_TRUE(t.alphaPerPixel);

    const std::string hello = "Hello";
    int sum = 0;
    for (char c : hello) sum += FreeTypeGlyph(c, 16).advance;
    EXPECT_EQ(sum + 4 * 2, font.GetTextWidth(hello.c_str()));

    // Every glyph's ink in the bitmap, put where Print puts its picture, is FreeType's coverage at
    // the pen plus FreeType's bearing, on one baseline for all of them.
    SDL_Surface* bitmap = font.GetSurface();
    int pen = 0, baseline = -1;
    for (char c : hello) {
        const Reference r = FreeTypeGlyph(c, 16);
        SDL_Rect source;
        int x;
        Glyph(t, c, pen, &source, &x);
        for (int row = 1; row < bitmap->h; ++row) {
            for (int column = source.x; column < source.x + source.w; ++column) {
                Uint8 red, green, blue, alpha;
                SDL_GetRGBA(PixelRef(bitmap, column, row), bitmap->format, &red, &green, &blue, &alpha);
                const int inkX = x + (column - source.x) - (pen + r.left);
                if (baseline < 0 && alpha) baseline = row + r.top; // the first ink is the top of 'H'
                const int inkY = row - (baseline - r.top);
                const bool inside = inkX >= 0 && inkX < r.width && inkY >= 0 && inkY < r.rows;
                ASSERT_EQ(inside ? r.coverage[size_t(inkY * r.width + inkX)] : 0, alpha)
                    << c << " at bitmap " << column << "," << row;
            }
        }
        pen += r.advance + 2;
    }

    // Print on the screen against a reference drawn glyph by glyph from the tables and the bitmap.
    SDL_Surface* screen = Nimbrel.screen;
    SDL_Surface* reference = SDL_CreateRGBSurface(0, screen->w, screen->h, 32, screen->format->Rmask,
                                                  screen->format->Gmask, screen->format->Bmask, 0);
    for (SDL_Surface* s : {screen, reference}) SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, 40, 60, 90));
    const int left = 17, top = 9;
    font.Print(screen, left, top, hello.c_str());
    pen = left;
    for (char c : hello) {
        SDL_Rect source;
        int x;
        Glyph(t, c, pen, &source, &x);
        source.h = Uint16(font.GetHeight());
        SDL_Rect at = {Sint16(x), Sint16(top), 0, 0};
        SDL_BlitSurface(bitmap, &source, reference, &at);
        pen += t.advances[c - 33] + 2;
    }
    int inked = 0;
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) {
            ASSERT_EQ(PixelRef(reference, x, y), PixelRef(screen, x, y)) << x << "," << y;
            inked += PixelRef(screen, x, y) != SDL_MapRGB(screen->format, 40, 60, 90);
        }
    EXPECT_GT(inked, 60);
    SDL_FreeSurface(reference);
}

TEST_F(FontTool, TheCursorBarStandsRightAfterTheCountedCharacters) {
    ASSERT_EQ(0, RunDpf(std::string("add-font skin.dpf sans --ttf ") + kSans + " --size 20 --spacing 1").status);
    CFont font;
    ASSERT_EQ(1, font.Load("skin.dpf", "sans"));
    NimbrelTestSeam::FontTables t = NimbrelTestSeam::InspectFont(font);
    SDL_Surface* bitmap = font.GetSurface();
    SDL_Rect bar;
    int unused;
    Glyph(t, '|', 0, &bar, &unused);
    int barInk = bar.x + bar.w; // the first column of the bar's picture holding ink
    for (int y = 1; y < bitmap->h; ++y)
        for (int x = bar.x; x < barInk; ++x)
            if (PixelRef(bitmap, x, y) >> 24) barInk = x;
    ASSERT_LT(barInk, bar.x + bar.w);

    SDL_Surface* screen = Nimbrel.screen;
    SDL_Surface* text = SDL_CreateRGBSurface(0, screen->w, screen->h, 32, screen->format->Rmask, screen->format->Gmask,
                                             screen->format->Bmask, 0);
    const int x = 40;
    int pen = x;
    for (int count = 0; count <= 3; ++count) {
        SDL_FillRect(screen, nullptr, 0);
        SDL_FillRect(text, nullptr, 0);
        font.PrintCursor(screen, x, 0, "He", count, nullptr, 1);
        font.Print(text, x, 0, "He");
        int first = screen->w; // where the cursor made a difference
        for (int y = 0; y < screen->h; ++y)
            for (int column = 0; column < first; ++column)
                if (PixelRef(screen, column, y) != PixelRef(text, column, y)) first = column;
        // x - cursor offset + 2 from the pen, centred as a glyph.
        SDL_Rect source;
        int picture;
        Glyph(t, '|', pen - t.cursorOffset + 2, &source, &picture);
        EXPECT_EQ(picture + (barInk - source.x), first) << "count " << count;
        if (count < 2) pen += t.advances["He"[count] - 33] + 1;
    }
    SDL_FillRect(screen, nullptr, 0);
    font.PrintCursor(screen, x, 0, "", 0, nullptr, 0);
    for (int y = 0; y < screen->h; ++y)
        for (int column = 0; column < screen->w; ++column) ASSERT_EQ(0u, PixelRef(screen, column, y));
    SDL_FreeSurface(text);
}

TEST_F(FontTool, OutlinesColoursAndDrawnBitmaps) {
    ToolRun plain = RunDpf(std::string("add-font skin.dpf plain --ttf ") + kSans + " --size 14 --colour 20C040");
    ASSERT_EQ(0, plain.status) << plain.err;
    ToolRun outlined = RunDpf(std::string("add-font skin.dpf outlined --ttf ") + kSans + " --size 14 --outline 000000");
    ASSERT_EQ(0, outlined.status) << outlined.err;
    CFont a, b;
    ASSERT_EQ(1, a.Load("skin.dpf", "plain"));
    ASSERT_EQ(1, b.Load("skin.dpf", "outlined"));
    EXPECT_GE(b.GetHeight(), a.GetHeight());
    // Solid ink is the colour asked for; the outline's solid pixels are black.
    auto solid = [](SDL_Surface* s, Uint32 rgb) {
        int n = 0;
        for (int y = 1; y < s->h; ++y)
            for (int x = 0; x < s->w; ++x) n += PixelRef(s, x, y) == (0xFF000000u | rgb);
        return n;
    };
    EXPECT_GT(solid(a.GetSurface(), 0x20C040), 100);
    EXPECT_EQ(0, solid(a.GetSurface(), 0));
    EXPECT_GT(solid(b.GetSurface(), 0), 100);
    EXPECT_EQ(a.GetTextWidth("Hello"), b.GetTextWidth("Hello")) << "an outline does not move the pen";

    // A drawn bitmap without a mark row: a first glyph that is never drawn, then the codes 33 to
    // 126, each two columns wide with an empty column after it.
    NimbrelAuthoring::RgbaImage drawn;
    drawn.width = 95 * 3;
    drawn.height = 8;
    drawn.transparent = true;
    drawn.pixels.assign(size_t(drawn.width) * drawn.height * 4, 0);
    for (Uint32 x = 0; x < drawn.width; ++x)
        for (Uint32 y = 2; y < drawn.height && x % 3 != 2; ++y) drawn.pixels[4 * (y * drawn.width + x) + 3] = 255;
    WritePng("drawn.png", drawn);
    ToolRun ok = RunDpf("add-font skin.dpf drawn --png drawn.png --spacing -1");
    ASSERT_EQ(0, ok.status) << ok.err;
    CFont c;
    ASSERT_EQ(1, c.Load("skin.dpf", "drawn"));
    EXPECT_EQ(-1, c.GetSpacing());
    EXPECT_EQ(3 + -1 + 3, c.GetTextWidth("!!"));
}

TEST_F(FontTool, RefusesWhatTheEngineWouldNotLoad) {
    const std::string before = ReadFile("skin.dpf");
    // A mark row of 94 runs.
    NimbrelAuthoring::RgbaImage marked;
    marked.width = 94 * 4;
    marked.height = 6;
    marked.pixels.assign(size_t(marked.width) * marked.height * 4, 0);
    for (Uint32 x = 0; x < marked.width; ++x) {
        Uint8* p = &marked.pixels[4 * x];
        if (x % 4 == 0) p[0] = 255, p[2] = 255, p[3] = 255;
        for (Uint32 y = 1; y < marked.height && x % 4 == 2; ++y) marked.pixels[4 * (y * marked.width + x) + 1] = 200;
    }
    WritePng("marked.png", marked);
    ToolRun runs = RunDpf("add-font skin.dpf bad --png marked.png");
    EXPECT_EQ(1, runs.status);
    EXPECT_TRUE(Has(runs.err, "dpf: marked.png: not a font the engine loads: its mark row (the top row) has 94 magenta runs"))
        << runs.err;

    NimbrelAuthoring::RgbaImage empty;
    empty.width = 40;
    empty.height = 5;
    empty.pixels.assign(40 * 5 * 4, 0);
    empty.pixels[4 * (2 * 40 + 3) + 1] = 9;
    WritePng("empty.png", empty);
    ToolRun unmarked = RunDpf("add-font skin.dpf bad --png empty.png");
    EXPECT_EQ(1, unmarked.status);
    EXPECT_TRUE(Has(unmarked.err, "it has no mark row")) << unmarked.err;

    ToolRun magenta = RunDpf(std::string("add-font skin.dpf bad --ttf ") + kSans + " --size 12 --colour ff00FF");
    EXPECT_EQ(1, magenta.status);
    EXPECT_TRUE(Has(magenta.err, "magenta (FF00FF) marks the gaps between glyphs")) << magenta.err;
    ToolRun huge = RunDpf(std::string("add-font skin.dpf bad --ttf ") + kSans + " --size 400");
    EXPECT_EQ(1, huge.status);
    EXPECT_TRUE(Has(huge.err, "(choose a smaller size)")) << huge.err;
    EXPECT_EQ(before, ReadFile("skin.dpf"));

    EXPECT_EQ(2, RunDpf("add-font skin.dpf bad --png marked.png --ttf x.ttf --size 9").status);
    EXPECT_EQ(2, RunDpf("add-font skin.dpf bad --ttf x.ttf").status);
    EXPECT_EQ(2, RunDpf("add-font skin.dpf bad --png marked.png --size 9").status);
}
