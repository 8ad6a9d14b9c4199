// IImage: "IMG" blocks into surfaces: alpha and colour-key rules, conversion to the display
// format, messages, and damaged blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "data/image_payload.h"
#include "support/test_support.h"

namespace {

bool Has(const std::string& log, const std::string& piece) { return log.find(piece) != std::string::npos; }

img::ImageFormat Format(int depth, Uint32 w, Uint32 h, Uint32 r, Uint32 g, Uint32 b, Uint32 a) {
    img::ImageFormat f;
    f.width = w;
    f.height = h;
    f.bitsPerPixel = Uint8(depth);
    f.redMask = r;
    f.greenMask = g;
    f.blueMask = b;
    f.alphaMask = a;
    return f;
}

std::vector<Uint8> Rows(const img::ImageFormat& f) {
    std::vector<Uint8> rows(size_t(img::ImagePitch(f.width, f.bitsPerPixel) * f.height));
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = Uint8(i * 37 + 11);
    return rows;
}

std::vector<Uint8> Payload(const img::ImageFormat& f) {
    std::vector<Uint8> rows = Rows(f);
    SDL_Color palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = {Uint8(i), Uint8(255 - i), Uint8(i * 3), 0};
    return img::BuildImage(f, rows.data(), palette);
}

class ImageLoad : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        package = IStuffDPF->Create("images.dpf");
        ASSERT_GT(package, 0);
    }
    void TearDown() override {
        if (package > 0) IStuffDPF->Close(package);
    }
    void Add(const std::string& name, const std::vector<Uint8>& payload) {
        DPFBlock block;
        std::memset(&block, 0, sizeof block);
        std::snprintf(block.name, sizeof block.name, "%s", name.c_str());
        std::snprintf(block.type, sizeof block.type, "IMG");
        block.mode = DPFBlock::kCompressed;
        block.originalSize = Uint32(payload.size());
        block.data = const_cast<Uint8*>(payload.data());
        ASSERT_GT(IStuffDPF->AddData(package, &block), 0) << name;
    }
    void Display32() {
        Nimbrel.width = 64;
        Nimbrel.height = 48;
        Nimbrel.colorDepth = 32;
        ASSERT_EQ(1, Nimbrel.SetVideoMode());
        ASSERT_EQ(4, Nimbrel.screen->format->BytesPerPixel);
    }
    std::string Message(const std::string& name, const std::string& text) {
        return " . [IImage->Load('images.dpf','" + name + "',0x0)] " + text;
    }
    ScopedTempDir dir;
    EngineSession engine{5};
    int package = 0;
};

} // namespace

TEST_F(ImageLoad, EightBitImagesKeepTheirPaletteAndWarnOnAThirtyTwoBitDisplay) {
    Display32();
    img::ImageFormat f = Format(8, 5, 3, 0, 0, 0, 0);
    f.colorKey = 7;
    Add("pal", Payload(f));
    ImageInfo info;
    SDL_Surface* s = IImage->Load(package, "pal", &info);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(8, s->format->BitsPerPixel);
    ASSERT_NE(nullptr, s->format->palette);
    EXPECT_EQ(200, s->format->palette->colors[200].r);
    EXPECT_EQ(55, s->format->palette->colors[200].g);
    EXPECT_EQ(Uint8(600), s->format->palette->colors[200].b);
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(7u, s->format->colorkey);
    std::vector<Uint8> rows = Rows(f);
    for (int y = 0; y < 3; ++y) EXPECT_EQ(0, std::memcmp(static_cast<Uint8*>(s->pixels) + y * s->pitch, &rows[y * 8], 5));
    EXPECT_TRUE(Has(engine.Log(), " . [IImage->Load('images.dpf','pal'," ));
    EXPECT_TRUE(Has(engine.Log(), ")] Warning: 8bits surface loaded, it could be a different screen format.\n"));
    EXPECT_EQ(5u, info.width);
    EXPECT_EQ(3u, info.height);
    EXPECT_EQ(8, info.bitsPerPixel);
    EXPECT_EQ(255u, info.alpha);
    EXPECT_EQ(7u, info.colorKey);
    EXPECT_STREQ("pal", info.name);
    SDL_FreeSurface(s);
}

TEST_F(ImageLoad, AlphaChannelImagesGetNoKeyAndAreConvertedKeepingTheirAlpha) {
    Display32();
    // Red and blue swapped against the display, so a conversion shows in the masks.
    img::ImageFormat f = Format(32, 4, 4, 0xFF, 0xFF00, 0xFF0000, 0xFF000000);
    f.colorKey = 0x000000FF; // stored, but never used for an image with per-pixel alpha
    Add("argb", Payload(f));
    SDL_Surface* s = IImage->Load(package, "argb", nullptr);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(Nimbrel.screen->format->Rmask, s->format->Rmask);
    EXPECT_NE(0u, s->format->Amask);
    EXPECT_TRUE(s->flags & SDL_SRCALPHA);
    EXPECT_EQ(255, s->format->alpha);
    EXPECT_FALSE(s->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey);
    EXPECT_TRUE(Has(engine.Log(), Message("argb", "Info: surface with alpha per pixel loaded, it could slow down your graphics system.\n")));
    // The pixels survived the conversion: the first stored pixel, read back as colours.
    std::vector<Uint8> rows = Rows(f);
    Uint8 r, g, b, a;
    SDL_GetRGBA(reinterpret_cast<Uint32*>(s->pixels)[0], s->format, &r, &g, &b, &a);
    EXPECT_EQ(rows[0], r);
    EXPECT_EQ(rows[1], g);
    EXPECT_EQ(rows[2], b);
    EXPECT_EQ(rows[3], a);
    SDL_FreeSurface(s);
}

TEST_F(ImageLoad, SurfaceAlphaAndColourKeysSurviveConversion) {
    Display32();
    img::ImageFormat half = Format(16, 6, 2, 0xF800, 0x07E0, 0x001F, 0);
    half.alpha = 128;
    Add("half", Payload(half));
    img::ImageFormat keyed = Format(16, 6, 2, 0xF800, 0x07E0, 0x001F, 0);
    keyed.colorKey = 0xF800; // pure red, which the first pixel is
    std::vector<Uint8> keyedRows = Rows(keyed);
    keyedRows[0] = 0x00;
    keyedRows[1] = 0xF8;
    Add("keyed", img::BuildImage(keyed, keyedRows.data(), nullptr));
    img::ImageFormat none = Format(24, 6, 2, 0xFF0000, 0xFF00, 0xFF, 0);
    Add("none", Payload(none));

    SDL_Surface* s = IImage->Load(package, "half", nullptr);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(4, s->format->BytesPerPixel);
    EXPECT_TRUE(s->flags & SDL_SRCALPHA);
    EXPECT_EQ(128, s->format->alpha);
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey);
    SDL_FreeSurface(s);

    s = IImage->Load(package, "keyed", nullptr);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(4, s->format->BytesPerPixel);
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    // The key is the value the red pixel became, so that pixel still draws as transparent.
    EXPECT_EQ(*static_cast<Uint32*>(s->pixels), s->format->colorkey);
    SDL_FreeSurface(s);

    s = IImage->Load(package, "none", nullptr);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(4, s->format->BytesPerPixel);
    EXPECT_FALSE(s->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA));
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey);
    SDL_FreeSurface(s);
    EXPECT_FALSE(Has(engine.Log(), "Error"));
}

TEST_F(ImageLoad, WithoutDisplayOrConversionImagesKeepTheirStoredFormat) {
    img::ImageFormat f = Format(16, 3, 3, 0x7C00, 0x03E0, 0x001F, 0);
    Add("555", Payload(f));
    ImageInfo info;
    SDL_Surface* s = IImage->Load(package, "555", &info);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(16, s->format->BitsPerPixel);
    EXPECT_EQ(0x7C00u, s->format->Rmask);
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey);
    EXPECT_EQ(0, std::memcmp(s->pixels, Rows(f).data(), 6));
    SDL_FreeSurface(s);

    Display32();
    IImage->SetConversion(false);
    s = IImage->Load(package, "555", nullptr);
    IImage->SetConversion(true);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(16, s->format->BitsPerPixel);
    SDL_FreeSurface(s);
}

TEST_F(ImageLoad, MissingBlocksAndPackages) {
    EXPECT_EQ(nullptr, IImage->Load(package, "absent", nullptr));
    EXPECT_TRUE(Has(engine.Log(), Message("absent", "Error: image not found.\n")));
    EXPECT_EQ(nullptr, IImage->Load(0, "absent", nullptr));
    EXPECT_EQ(nullptr, IImage->Load("no-such.dpf", "absent", nullptr));
    EXPECT_FALSE(Has(engine.Log(), "[IImage->Load('no-such.dpf'"));

    // The file form opens and closes the package around the load.
    Add("tiny", Payload(Format(32, 1, 1, 0xFF0000, 0xFF00, 0xFF, 0)));
    IStuffDPF->Close(package);
    package = 0;
    SDL_Surface* s = IImage->Load("images.dpf", "tiny", nullptr);
    ASSERT_NE(nullptr, s);
    SDL_FreeSurface(s);
    EXPECT_EQ(nullptr, IStuffDPF->GetName(1));
}

TEST_F(ImageLoad, DamagedBlocksFailCleanly) {
    std::vector<std::vector<Uint8>> bad;
    std::vector<Uint8> good32 = Payload(Format(32, 5, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000));
    std::vector<Uint8> good8 = Payload(Format(8, 5, 4, 0, 0, 0, 0));
    // Every length shorter than the whole block.
    for (size_t n : {size_t(1), size_t(47), size_t(48), size_t(50), good32.size() - 1})
        bad.emplace_back(good32.begin(), good32.begin() + long(n));
    for (size_t n : {size_t(48), size_t(48 + 1023), size_t(48 + 1024), good8.size() - 1})
        bad.emplace_back(good8.begin(), good8.begin() + long(n));
    // Fields that do not describe a surface that fits.
    auto patched = [&](size_t offset, Uint32 value) {
        std::vector<Uint8> p = good32;
        std::memcpy(&p[offset], &value, 4);
        return p;
    };
    bad.push_back(patched(0, 0));            // no width
    bad.push_back(patched(4, 0x40000000));   // rows far beyond the block
    bad.push_back(patched(0, 0xFFFFFFFF));   // pitch overflows 32 bits
    bad.push_back(patched(0, 20000));        // pitch beyond SDL's 16 bits
    std::vector<Uint8> depth = good32;
    depth[12] = 7;
    bad.push_back(depth);
    std::vector<Uint8> masks = Payload(Format(16, 5, 4, 0xF800, 0x07E0, 0x001F, 0));
    std::memcpy(&masks[36], "\x00\x00\x01\x00", 4); // alpha mask above 16 bits
    bad.push_back(masks);

    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/image_fuzz/";
    Nimbrel.MakePath(seeds.c_str());
    WriteFile(seeds + "good32", std::string(good32.begin(), good32.end()));
    WriteFile(seeds + "good8", std::string(good8.begin(), good8.end()));
    for (size_t i = 0; i < bad.size(); ++i) {
        std::string name = "bad" + std::to_string(i);
        Add(name, bad[i]);
        EXPECT_EQ(nullptr, IImage->Load(package, name.c_str(), nullptr)) << name;
        EXPECT_TRUE(Has(engine.Log(), Message(name, "Error: the image block is damaged: "))) << name;
        WriteFile(seeds + name, std::string(bad[i].begin(), bad[i].end()));
    }
    // A longer block than its rows need loads: the rows are there.
    std::vector<Uint8> longer = good32;
    longer.resize(longer.size() + 9, 0xAB);
    Add("longer", longer);
    SDL_Surface* s = IImage->Load(package, "longer", nullptr);
    EXPECT_NE(nullptr, s);
    SDL_FreeSurface(s);
}

TEST_F(ImageLoad, PngDataDecodesWithoutColourKey) {
    NimbrelAuthoring::RgbaImage rgba;
    rgba.width = 3;
    rgba.height = 2;
    rgba.pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 0, 1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 128};
    std::vector<Uint8> png;
    std::string problem;
    ASSERT_TRUE(NimbrelAuthoring::EncodePNG(rgba, true, &png, &problem)) << problem;
    SDL_Surface* s = IImage->LoadFromPNG(png.data(), int(png.size()));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(3, s->w);
    EXPECT_NE(0u, s->format->Amask);
    EXPECT_EQ(0xFFFFFFFFu, s->format->colorkey);
    SDL_FreeSurface(s);

    Display32();
    s = IImage->LoadFromPNG(png.data(), int(png.size()));
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(255, s->format->alpha);
    EXPECT_EQ(Nimbrel.screen->format->Rmask, s->format->Rmask);
    Uint8 r, g, b, a;
    SDL_GetRGBA(reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + s->pitch)[2], s->format, &r, &g, &b, &a);
    EXPECT_EQ(7, r);
    EXPECT_EQ(128, a);
    SDL_FreeSurface(s);

    EXPECT_EQ(nullptr, IImage->LoadFromPNG("not a png", 9));
    EXPECT_EQ(nullptr, IImage->LoadFromPNG(png.data(), 20)); // cut short
    EXPECT_EQ(nullptr, IImage->LoadFromPNG(nullptr, 10));
}
