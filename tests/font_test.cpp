// CFont: the mark-row analysis, loading "FONT2" and "FONT" blocks, printing with clipping and the
// text cursor, and blocks that are not what they claim. The fonts here are drawn by the tests
// themselves: solid glyph cells in colours of their own, so every drawn pixel tells which glyph
// and which column of it landed there.
#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "data/font_payload.h"
#include "support/child_process.h"
#include "support/test_support.h"
#include "testing/test_seams.h"

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

size_t Count(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

const int kRun = 2;
const int kBar = '|' - 33;
const int kBarGap = 2; // transparent columns of the '|' cell before its bar

Uint32& PixelRef(SDL_Surface* s, int x, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x];
}

Uint32 GlyphColour(int index, int column) { return Uint32(0x100000 * (1 + index % 15) + 0x100 * (index + 1) + column + 1); }

SDL_Surface* Surface32(int w, int h, Uint32 fill = 0) {
    SDL_Surface* s = SDL_CreateRGBSurface(0, w, h, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, fill);
    return s;
}

int CellWidth(int index) { return index == kBar ? 5 : 3 + index % 3; }

// A 32-bit bitmap with `runs` mark runs of kRun columns, each followed by a glyph cell whose every
// pixel has its own colour, on black (the bottom-left pixel, so the transparent colour). The '|'
// cell is black but for one bar column.
SDL_Surface* MarkedBitmap(int runs, int height = 9, std::vector<int>* runStarts = nullptr) {
    int width = 0;
    for (int k = 0; k < runs; ++k) width += kRun + CellWidth(k);
    SDL_Surface* s = Surface32(width, height);
    int x = 0;
    for (int k = 0; k < runs; ++k) {
        if (runStarts) runStarts->push_back(x);
        for (int i = 0; i < kRun; ++i) PixelRef(s, x++, 0) = 0xFF00FF;
        for (int c = 0; c < CellWidth(k); ++c, ++x)
            for (int y = 1; y < height; ++y)
                if (k != kBar || c == kBarGap) PixelRef(s, x, y) = GlyphColour(k, c);
    }
    return s;
}

std::vector<Uint32> Pixels(SDL_Surface* s) {
    std::vector<Uint32> pixels;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) pixels.push_back(PixelRef(s, x, y));
    return pixels;
}

// The "FONT2" payload of a bitmap, and its "FONT" (version 1.0) form.
std::vector<Uint8> FontPayload(SDL_Surface* bitmap, Sint32 spacing) {
    img::ImageFormat format;
    format.width = Uint32(bitmap->w);
    format.height = Uint32(bitmap->h);
    format.redMask = 0xFF0000;
    format.greenMask = 0xFF00;
    format.blueMask = 0xFF;
    return font::BuildFont(format, static_cast<Uint8*>(bitmap->pixels), spacing);
}

std::vector<Uint8> OldFontPayload(SDL_Surface* bitmap) {
    std::vector<Uint8> payload = FontPayload(bitmap, 0);
    payload.resize(payload.size() - 132);
    return payload;
}

void WriteSeed(const std::string& name, const std::vector<Uint8>& payload) {
    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/font_fuzz/";
    std::filesystem::create_directories(seeds);
    WriteFile(seeds + name, std::string(payload.begin(), payload.end()));
}

class Font : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        package = IStuffDPF->Create("fonts.dpf");
        ASSERT_GT(package, 0);
    }
    void TearDown() override {
        if (package > 0) IStuffDPF->Close(package);
        Nimbrel.lostSurfaceCheck = 0;
    }
    void Screen32() {
        Nimbrel.width = 320;
        Nimbrel.height = 64;
        Nimbrel.colorDepth = 32;
        ASSERT_EQ(1, Nimbrel.SetVideoMode());
        ASSERT_EQ(4, Nimbrel.screen->format->BytesPerPixel);
    }
    void Add(const std::string& name, const std::string& type, const std::vector<Uint8>& payload) {
        DPFBlock block;
        std::memset(&block, 0, sizeof block);
        std::snprintf(block.name, sizeof block.name, "%s", name.c_str());
        std::snprintf(block.type, sizeof block.type, "%s", type.c_str());
        block.mode = DPFBlock::kCompressed;
        block.originalSize = Uint32(payload.size());
        block.data = const_cast<Uint8*>(payload.data());
        ASSERT_GT(IStuffDPF->AddData(package, &block), 0) << name;
    }
    bool HasBlock(const std::string& name, const std::string& type) {
        DPFBlock block;
        std::memset(&block, 0, sizeof block);
        std::snprintf(block.name, sizeof block.name, "%s", name.c_str());
        std::snprintf(block.type, sizeof block.type, "%s", type.c_str());
        return IStuffDPF->FindBlock(package, &block) == 1;
    }
    // A font of the drawn bitmap, loaded from a "FONT2" block with the given spacing.
    void LoadFont(CFont& f, Sint32 spacing) {
        SDL_Surface* bitmap = MarkedBitmap(95);
        Add("drawn", "FONT2", FontPayload(bitmap, spacing));
        SDL_FreeSurface(bitmap);
        ASSERT_EQ(1, f.Load(package, "drawn"));
    }
    std::string LoadMessage(const std::string& name, const std::string& text) {
        return " . [CFont::Load('fonts.dpf','" + name + "')] " + text;
    }

    ScopedTempDir dir;
    EngineSession engine{5};
    int package = 0;
};

} // namespace

// ---- Building from a bitmap -----------------------------------------------------------------------

TEST_F(Font, CreateWorksOutTheGlyphsFromTheMarkRow) {
    Screen32();
    std::vector<int> starts;
    SDL_Surface* bitmap = MarkedBitmap(95, 9, &starts);
    const std::vector<Uint32> before = Pixels(bitmap);
    const int engineFonts = Nimbrel.liveFonts; // the developer overlays' built-in fonts
    {
        CFont f;
        EXPECT_EQ(engineFonts + 1, Nimbrel.liveFonts);
        EXPECT_EQ(nullptr, f.GetName());
        ASSERT_EQ(96, f.Create(bitmap));
        EXPECT_EQ(before, Pixels(bitmap)) << "the caller's surface is copied, never changed";
        EXPECT_EQ(8, f.GetHeight());
        EXPECT_STREQ("Created on execution time", f.GetName());
        f.SetName(std::string(32, 'x').c_str());
        EXPECT_STREQ("Created on execution time", f.GetName());
        f.SetName("label");
        EXPECT_STREQ("label", f.GetName());

        NimbrelTestSeam::FontTables t = NimbrelTestSeam::InspectFont(f);
        for (int k = 0; k < 95; ++k) {
            EXPECT_EQ(starts[k] + kRun / 2, t.positions[k]) << k;
            if (k > 0) {
                EXPECT_EQ(CellWidth(k - 1) + 1, t.advances[k - 1]) << k;
            }
        }
        EXPECT_EQ(bitmap->w, t.positions[95]);
        EXPECT_EQ(bitmap->w - starts[94], t.advances[94]);
        EXPECT_EQ(0u, t.colourKey);
        EXPECT_FALSE(t.alphaPerPixel);
        EXPECT_EQ(t.advances['a' - 33], t.spaceWidth);
        // From the middle of the run before '|': the run's second column and the bar's gap.
        EXPECT_EQ(1 + kBarGap + 1, t.cursorOffset);

        SDL_Surface* s = f.GetSurface();
        ASSERT_NE(nullptr, s);
        EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
        for (int x = 0; x < s->w; ++x) ASSERT_EQ(0u, PixelRef(s, x, 0)) << "the mark row is transparent at " << x;
        EXPECT_EQ(255, f.Create(bitmap)) << "a loaded font refuses a second Create";
        EXPECT_TRUE(Has(engine.Log(), " . [CFont::Create()] Warning: font already exists. It is not possible to create another one.\n"));
    }
    EXPECT_EQ(engineFonts, Nimbrel.liveFonts);
    SDL_FreeSurface(bitmap);
}

TEST_F(Font, MarkRowsOfAnyOtherRunCountAreRefusedWithThatCount) {
    for (int runs : {94, 96, 1, 200, 400}) {
        SDL_Surface* bitmap = MarkedBitmap(runs);
        CFont f;
        EXPECT_EQ(runs > 254 ? 254 : runs, f.Create(bitmap)) << runs;
        EXPECT_EQ(0, f.GetHeight()) << runs;
        EXPECT_EQ(nullptr, f.GetSurface()) << runs;
        SDL_FreeSurface(bitmap);
    }
}

TEST_F(Font, BitmapsWithoutAMarkRowAreMarkedFromTheirEmptyColumns) {
    // 95 glyphs of two ink columns, one empty column after each; the top row is empty too.
    auto bitmap = [](int glyphs) {
        SDL_Surface* s = Surface32(glyphs * 3, 6);
        for (int g = 0; g < glyphs; ++g)
            for (int y = 1; y < 6; ++y) PixelRef(s, 3 * g, y) = PixelRef(s, 3 * g + 1, y) = GlyphColour(g, 0);
        return s;
    };
    SDL_Surface* s = bitmap(95);
    EXPECT_EQ(189, CFont::CreateUpperMark(s));
    for (int x = 0; x < s->w; ++x) EXPECT_EQ(x % 3 == 2 ? 0xFF00FFu : 0u, PixelRef(s, x, 0)) << x;
    SDL_FreeSurface(s);

    s = bitmap(95);
    CFont f;
    ASSERT_EQ(96, f.Create(s));
    // The first glyph lies before the first run: '!' is the bitmap's second glyph.
    SDL_Surface* out = Surface32(20, 8);
    f.Print(out, 5, 0, "!");
    bool second = false, first = false;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 20; ++x) {
            second |= PixelRef(out, x, y) == GlyphColour(1, 0);
            first |= PixelRef(out, x, y) == GlyphColour(0, 0);
        }
    EXPECT_TRUE(second);
    EXPECT_FALSE(first);
    SDL_FreeSurface(out);
    SDL_FreeSurface(s);

    s = bitmap(94);
    CFont g;
    EXPECT_EQ(187 / 2, g.Create(s));
    EXPECT_TRUE(Has(engine.Log(), " . [CFont::CreateUpperMark()] Warning: it was not possible to import bitmap with font characters.\n"));
    SDL_FreeSurface(s);
    s = Surface32(7, 4); // no ink at all: one change
    EXPECT_EQ(1, CFont::CreateUpperMark(s));
    SDL_FreeSurface(s);
}

TEST_F(Font, CreateRefusesWhatItCannotUse) {
    CFont f;
    EXPECT_EQ(255, f.Create(nullptr));
    EXPECT_TRUE(Has(engine.Log(), " . [CFont::Create()] Error: font surface is null\n"));
    SDL_Surface* eight = SDL_CreateRGBSurface(0, 8, 8, 8, 0, 0, 0, 0);
    EXPECT_EQ(255, f.Create(eight));
    EXPECT_TRUE(Has(engine.Log(), " . [CFont::Create()] Warning: 8bits surface loaded is not supported to create a font.\n"));
    SDL_FreeSurface(eight);

    SDL_Surface* bitmap = MarkedBitmap(95);
    const Uint32 started = Nimbrel.startTicks;
    Nimbrel.startTicks = Nimbrel::kNotStarted;
    EXPECT_EQ(255, f.Create(bitmap));
    EXPECT_EQ(0, f.Load(package, "any"));
    Nimbrel.startTicks = started;
    EXPECT_TRUE(Has(engine.Log(), " . [CFont::Create()] Error: Nimbrel was not initialized. Aborting the font creation.\n"));
    EXPECT_TRUE(Has(engine.Log(), LoadMessage("any", "Error: Nimbrel was not initialized. Aborting the font load.\n")));
    EXPECT_EQ(0, f.GetHeight());
    f.PrintCursor(bitmap, 0, 0, "abc", 1); // a font refused draws nothing, not even the bar
    EXPECT_EQ(0, f.GetTextWidth("abc"));
    SDL_Surface* untouched = MarkedBitmap(95);
    EXPECT_EQ(Pixels(untouched), Pixels(bitmap));
    SDL_FreeSurface(untouched);
    SDL_FreeSurface(bitmap);
}

// ---- Measuring and printing -----------------------------------------------------------------------

TEST_F(Font, WidthsAndPrintingSkipCodesOutsideTheFont) {
    CFont f;
    LoadFont(f, 3);
    EXPECT_EQ(3, f.GetSpacing());
    NimbrelTestSeam::FontTables t = NimbrelTestSeam::InspectFont(f);
    const int a = t.advances['a' - 33], b = t.advances['b' - 33];
    EXPECT_EQ(a + 3 + b, f.GetTextWidth("ab"));
    EXPECT_EQ(a + 3 + t.spaceWidth, f.GetTextWidth("a "));
    EXPECT_EQ(t.spaceWidth + a, f.GetTextWidth(" a"));
    EXPECT_EQ(a + 3 + b, f.GetTextWidth("a\x01\x1F\x80\xFF" "b"));
    EXPECT_EQ(0, f.GetTextWidth(""));
    EXPECT_EQ(0, f.GetTextWidth(nullptr));
    EXPECT_EQ(255 * (t.advances[0] + 3), f.GetTextWidth(std::string(300, '!').c_str()))
        << "at most 255 characters, and the 255th is not the text's last";

    SDL_Surface* blank = Surface32(200, 12, 0x123456);
    SDL_Surface* plain = Surface32(200, 12, 0x123456);
    SDL_Surface* mixed = Surface32(200, 12, 0x123456);
    f.Print(plain, 4, 2, "a~b\x7F!");
    f.Print(mixed, 4, 2, "\x1F" "a\t~\x80\xFF" "b\x7F\x01!"); // 127 is a glyph; the others are not
    EXPECT_NE(Pixels(blank), Pixels(plain));
    EXPECT_EQ(Pixels(plain), Pixels(mixed));
    SDL_FreeSurface(blank);
    SDL_FreeSurface(plain);
    SDL_FreeSurface(mixed);
}

TEST_F(Font, AHugeStoredSpacingMovesThePenOffEveryScreen) {
    CFont f;
    LoadFont(f, 0x7FFFFFFF);
    EXPECT_EQ(0x7FFFFFFF, f.GetTextWidth("abc"));
    SDL_Surface* one = Surface32(60, 12), *three = Surface32(60, 12);
    f.Print(one, 5, 0, "a");
    f.Print(three, 5, 0, "abc");
    EXPECT_EQ(Pixels(one), Pixels(three));
    SDL_FreeSurface(one);
    SDL_FreeSurface(three);
}

TEST_F(Font, ClipRectanglesCutGlyphsOnAllFourSides) {
    CFont f;
    LoadFont(f, 1);
    const SDL_Rect clips[] = {
        {13, 4, 6, 3},   // inside the first glyphs: cut on all four sides
        {0, 0, 14, 40},  // cut on the right only
        {15, 0, 100, 40}, // on the left only
        {0, 5, 100, 40}, // at the top
        {0, 0, 100, 6},  // at the bottom
        {0, 0, 3, 40},   // the text cut away entirely
        {9, 3, 0, 0},    // an empty rectangle
    };
    SDL_Surface* whole = Surface32(60, 16, 0x123456);
    f.Print(whole, 10, 2, "MW#");
    for (const SDL_Rect& clip : clips) {
        SDL_Surface* cut = Surface32(60, 16, 0x123456);
        SDL_Rect c = clip;
        f.Print(cut, 10, 2, "MW#", &c);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 60; ++x) {
                bool inside = x >= clip.x && x < clip.x + clip.w && y >= clip.y && y < clip.y + clip.h;
                ASSERT_EQ(inside ? PixelRef(whole, x, y) : 0x123456u, PixelRef(cut, x, y))
                    << "clip " << clip.x << "," << clip.y << " " << clip.w << "x" << clip.h << " at " << x << "," << y;
            }
        SDL_FreeSurface(cut);
    }
    SDL_FreeSurface(whole);
}

TEST_F(Font, PrintCursorPutsTheBarAfterTheCountedCharacters) {
    CFont f;
    LoadFont(f, 2);
    NimbrelTestSeam::FontTables t = NimbrelTestSeam::InspectFont(f);
    const int pictureWidth = t.positions[kBar + 1] - t.positions[kBar];
    // Where the bar's ink lands for a pen position, by the cursor's rule.
    auto barColumn = [&](int pen) {
        const int picture = pen - t.cursorOffset + 2 - (pictureWidth - t.advances[kBar]) / 2;
        return picture + (kRun - kRun / 2) + kBarGap; // from the run's middle to the bar
    };
    auto inkColumns = [&](SDL_Surface* s) {
        std::vector<int> columns;
        for (int x = 0; x < s->w; ++x)
            if (PixelRef(s, x, 4) == GlyphColour(kBar, kBarGap)) columns.push_back(x);
        return columns;
    };
    const int x = 30;
    struct Case {
        const char* text;
        int count;
        int pen;
    } cases[] = {
        // The bar is drawn under the text, so each case leaves it where no glyph covers it.
        {"", 0, x},
        {" ab", 0, x},
        {"a b", 1, x + t.advances['a' - 33] + 2},
        {"ab", 2, x + t.advances['a' - 33] + 2 + t.advances['b' - 33] + 2},
        {"a b", 9, x + t.advances['a' - 33] + 2 + t.spaceWidth + t.advances['b' - 33] + 2},
    };
    for (const Case& c : cases) {
        SDL_Surface* s = Surface32(120, 12);
        f.PrintCursor(s, x, 0, c.text, c.count);
        EXPECT_EQ(std::vector<int>{barColumn(c.pen)}, inkColumns(s)) << c.text << " " << c.count;
        SDL_FreeSurface(s);
    }
    EXPECT_EQ(x + 1, barColumn(x)) << "the bar stands in the first column a glyph would draw";

    SDL_Surface* s = Surface32(120, 12);
    f.PrintCursor(s, x, 0, "", 0, nullptr, 0);
    EXPECT_TRUE(inkColumns(s).empty());
    SDL_Rect clip = {0, 0, x, 12};
    f.PrintCursor(s, x, 0, "", 0, &clip);
    EXPECT_TRUE(inkColumns(s).empty()) << "the bar is clipped like the text";
    SDL_FreeSurface(s);
}

TEST_F(Font, SetAlphaTakesOnlyValuesFrom0To255) {
    CFont f;
    LoadFont(f, 0);
    SDL_Surface* s = f.GetSurface();
    for (int alpha : {255, 128, 0}) {
        f.SetAlpha(alpha);
        f.SetAlpha(300);
        f.SetAlpha(-1);
        EXPECT_EQ(alpha != 255, (s->flags & SDL_SRCALPHA) != 0) << alpha;
        EXPECT_EQ(alpha, s->format->alpha) << alpha;
    }
    f.SetAlpha(255);
    EXPECT_FALSE(s->flags & SDL_SRCALPHA);
    EXPECT_FALSE(Has(engine.Log(), "on-the-fly")) << "a screen in system memory needs no conversion";
}

TEST_F(Font, LostBitmapsAreRestoredFromTheirBackup) {
    Nimbrel.lostSurfaceCheck = 1;
    CFont f;
    LoadFont(f, 0);
    SDL_Surface* bitmap = f.GetSurface();
    const std::vector<Uint32> pixels = Pixels(bitmap);
    std::memset(bitmap->pixels, 0x55, size_t(bitmap->pitch) * bitmap->h); // what a lost surface holds
    static int blits;
    blits = 0;
    NimbrelTestSeam::SetUpperBlit([](SDL_Surface* a, SDL_Rect* b, SDL_Surface* c, SDL_Rect* d) {
        return blits++ == 0 ? -2 : SDL_UpperBlit(a, b, c, d);
    });
    SDL_Surface* s = Surface32(20, 10);
    f.Print(s, 0, 0, "a");
    NimbrelTestSeam::SetUpperBlit(nullptr);
    EXPECT_EQ(pixels, Pixels(bitmap));
    EXPECT_EQ(2, blits);
    EXPECT_TRUE(Has(engine.Log(), " . [Nimbrel_Blit()] Info: lost surface was restored.\n"));
    SDL_FreeSurface(s);
}

TEST_F(Font, PixelHelpersAtEveryDepth) {
    struct Depth {
        int bits;
        Uint32 r, g, b, value;
    } depths[] = {{8, 0, 0, 0, 0xAB}, {16, 0xF800, 0x07E0, 0x001F, 0xBEEF}, {24, 0xFF0000, 0xFF00, 0xFF, 0x123456},
                  {24, 0xFF, 0xFF00, 0xFF0000, 0x654321}, {32, 0xFF0000, 0xFF00, 0xFF, 0x89ABCDEF}};
    for (const Depth& d : depths) {
        SDL_Surface* s = SDL_CreateRGBSurface(0, 5, 4, d.bits, d.r, d.g, d.b, 0);
        CFont::CFontSetPixel(s, 3, 2, d.value);
        CFont::CFontSetPixel(s, 5, 2, 1); // outside: ignored
        CFont::CFontSetPixel(s, 3, -1, 1);
        EXPECT_EQ(d.value, CFont::CFontGetPixel(s, 3, 2)) << d.bits;
        EXPECT_EQ(0u, CFont::CFontGetPixel(s, 2, 2)) << d.bits;
        if (d.bits == 24) {
            Uint8 r, g, b;
            SDL_GetRGB(d.value, s->format, &r, &g, &b);
            const Uint8* p = static_cast<Uint8*>(s->pixels) + 2 * s->pitch + 9;
            EXPECT_EQ(r, p[s->format->Rshift / 8]);
            EXPECT_EQ(b, p[s->format->Bshift / 8]);
        }
        SDL_FreeSurface(s);
    }
    EXPECT_EQ(0u, CFont::CFontGetPixel(nullptr, 0, 0));
    EXPECT_TRUE(Has(engine.Log(), " . [CFont::CFontGetPixel(0x0,0,0)] Error: wrong function parameters.\n"));
}

// ---- Loading --------------------------------------------------------------------------------------

TEST_F(Font, OldFontBlocksAreRewrittenOnceAsFont2) {
    SDL_Surface* bitmap = MarkedBitmap(95);
    Add("old", "FONT", OldFontPayload(bitmap));
    const std::string upgraded = LoadMessage("old", "Info: font successfully updated from v1.0 to v2.0.\n");
    {
        CFont f;
        ASSERT_EQ(1, f.Load(package, "old"));
        EXPECT_STREQ("old", f.GetName());
        EXPECT_EQ(0, f.GetSpacing());
        EXPECT_TRUE(HasBlock("old", "FONT2"));
        EXPECT_FALSE(HasBlock("old", "FONT"));
        EXPECT_EQ(1u, Count(engine.Log(), upgraded));
        EXPECT_EQ(0, f.Load(package, "old"));
        EXPECT_TRUE(Has(engine.Log(), LoadMessage("old", "Warning: font already exists. It is not possible to create another one.\n")));
    }
    IStuffDPF->Close(package);
    package = 0;
    CFont again;
    EXPECT_EQ(1, again.Load("fonts.dpf", "old"));
    EXPECT_EQ(1u, Count(engine.Log(), upgraded));
    SDL_FreeSurface(bitmap);
}

namespace {

void LoadAsNobody(void*) {
    if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) ExitImmediately(2);
    CFont f;
    ExitImmediately(f.Load("fonts.dpf", "old") == 0 ? 0 : 1);
}

} // namespace

TEST_F(Font, AReadOnlyPackageCannotBeUpgraded) {
    SDL_Surface* bitmap = MarkedBitmap(95);
    Add("old", "FONT", OldFontPayload(bitmap));
    SDL_FreeSurface(bitmap);
    IStuffDPF->Close(package);
    package = 0;
    namespace fs = std::filesystem;
    const std::string before = ReadFile("fonts.dpf");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions("test.log", fs::perms::all);
    fs::permissions("fonts.dpf", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(0, RunInChildProcess(LoadAsNobody, nullptr));
    EXPECT_TRUE(Has(engine.Log(), LoadMessage("old", "Error: update to v2.0 was not possible.\n")));
    EXPECT_EQ(before, ReadFile("fonts.dpf"));
}

TEST_F(Font, MissingFontsAndPackages) {
    CFont f;
    EXPECT_EQ(0, f.Load(0, "none"));
    EXPECT_EQ(0, f.Load(package, "none"));
    EXPECT_TRUE(Has(engine.Log(), LoadMessage("none", "Error: font not found\n")));
    EXPECT_EQ(0, f.Load("absent.dpf", "none"));
    EXPECT_FALSE(Has(engine.Log(), "[CFont::Load('absent.dpf'"));
}

TEST_F(Font, HostileFontBlocksFailCleanly) {
    SDL_Surface* bitmap = MarkedBitmap(95);
    const std::vector<Uint8> good = FontPayload(bitmap, 2);
    WriteSeed("good", good);
    WriteSeed("old", OldFontPayload(bitmap));
    SDL_FreeSurface(bitmap);
    auto patched = [&](size_t offset, Uint32 value) {
        std::vector<Uint8> p = good;
        std::memcpy(&p[offset], &value, 4);
        return p;
    };
    struct Case {
        const char* name;
        const char* type;
        std::vector<Uint8> payload;
        const char* problem; // null: the block parses, CFont::Create refuses it
    } cases[] = {
        {"short1", "FONT2", std::vector<Uint8>(1, 7), "the block is shorter than its fixed parts (180 bytes)"},
        {"short179", "FONT2", std::vector<Uint8>(good.begin(), good.begin() + 179), "the block is shorter than its fixed parts (180 bytes)"},
        {"short47", "FONT", std::vector<Uint8>(good.begin(), good.begin() + 47), "the block is shorter than its header (48 bytes)"},
        {"wide", "FONT2", patched(0, 0x7FFFFFFF), "the image is too large"},
        {"tall", "FONT2", patched(4, 0x40000000), "the image is too large"},
        {"onemore", "FONT2", patched(0, Uint32(good.size() - 180) / 36 + 1), "its pixel rows do not fill a surface of its width, height and depth"},
        {"lessrows", "FONT2", patched(4, 8), "its pixel rows do not fill a surface of its width, height and depth"},
        {"depth", "FONT2", [&] { auto p = good; p[12] = 7; return p; }(), "the depth is not 8, 16, 24 or 32 bits"},
        {"eightbit", "FONT2", [&] { auto p = good; p[12] = 8; return p; }(), "its pixel rows do not fill a surface of its width, height and depth"},
        {"nomarks", "FONT2", [&] { auto p = good; std::memset(&p[48], 0, 400); return p; }(), nullptr},
    };
    for (Case& c : cases) {
        Add(c.name, c.type, c.payload);
        WriteSeed(c.name, c.payload);
        CFont f;
        EXPECT_EQ(0, f.Load(package, c.name)) << c.name;
        EXPECT_EQ(nullptr, f.GetSurface()) << c.name;
        if (c.problem)
            EXPECT_TRUE(Has(engine.Log(), LoadMessage(c.name, std::string("Error: the font block is damaged: ") + c.problem + ".\n")))
                << c.name;
        else
            EXPECT_TRUE(Has(engine.Log(), LoadMessage(c.name, "Error: internal failure ("))) << c.name;
    }
    EXPECT_FALSE(HasBlock("short47", "FONT2")) << "a damaged old block is not upgraded";
    // Wider than SDL makes surfaces, in a depth whose rows would still fit a 16-bit pitch.
    std::vector<Uint8> wide(180 + 16384 * 2, 0);
    wide[1] = 0x40, wide[4] = 1, wide[12] = 16;
    wide[24] = 0x00, wide[25] = 0xF8, wide[28] = 0xE0, wide[29] = 0x07, wide[32] = 0x1F;
    Add("wider", "FONT2", wide);
    CFont w;
    EXPECT_EQ(0, w.Load(package, "wider"));
    EXPECT_TRUE(Has(engine.Log(), LoadMessage("wider", "Error: the font block is damaged: the bitmap is too wide.\n")));
    // An 8-bit bitmap whose rows fit parses; CFont::Create refuses its depth.
    std::vector<Uint8> eight(180 + 4 * 3, 1);
    std::memset(eight.data(), 0, 48);
    eight[0] = 4, eight[4] = 3, eight[12] = 8;
    Add("eight", "FONT2", eight);
    CFont f;
    EXPECT_EQ(0, f.Load(package, "eight"));
    EXPECT_TRUE(Has(engine.Log(), LoadMessage("eight", "Error: internal failure (255).\n")));
}
