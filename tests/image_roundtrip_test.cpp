// dpf add-image and extract-image against IImage->Load: every depth comes back pixel for pixel.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "support/test_support.h"

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// A picture with a gradient, a few exact colours and, when asked, transparent and half-transparent
// pixels. At most `colours` distinct colours when that is given (for 8-bit images).
NimbrelAuthoring::RgbaImage Picture(Uint32 w, Uint32 h, bool transparent, int colours = 0) {
    NimbrelAuthoring::RgbaImage image;
    image.width = w;
    image.height = h;
    image.transparent = transparent;
    image.pixels.resize(size_t(w) * h * 4);
    for (Uint32 y = 0; y < h; ++y) {
        for (Uint32 x = 0; x < w; ++x) {
            Uint8* p = &image.pixels[4 * (size_t(y) * w + x)];
            Uint32 v = colours ? (x * 7 + y * 3) % Uint32(colours) : x * 37 + y * 101;
            p[0] = Uint8(v * 13);
            p[1] = Uint8(v * 29 + 7);
            p[2] = Uint8(v * 71 + y);
            p[3] = transparent ? Uint8((x + y) % 3 == 0 ? 0 : (x % 2 ? 128 : 255)) : 255;
        }
    }
    if (w > 2) { // the key colour used below, magenta, at a known place
        Uint8* p = &image.pixels[4 * 2];
        p[0] = 255, p[1] = 0, p[2] = 255;
    }
    return image;
}

Uint32 Expected(const Uint8* p, int depth, bool alphaChannel) {
    switch (depth) {
    case 16: return Uint32(p[0] >> 3) << 11 | Uint32(p[1] >> 2) << 5 | Uint32(p[2] >> 3);
    case 24: return Uint32(p[0]) << 16 | Uint32(p[1]) << 8 | p[2];
    default: return (alphaChannel ? Uint32(p[3]) << 24 : 0) | Uint32(p[0]) << 16 | Uint32(p[1]) << 8 | p[2];
    }
}

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// A 256x256 16-bit PNG written by libpng itself (an error would end the test), decoded.
// sample(pixel, channel) gives its values.
template <typename Sample>
NimbrelAuthoring::RgbaImage DecodeSixteenBit(int colourType, int channels, int interlace, Sample sample) {
    std::vector<Uint8> samples(size_t(256) * 256 * channels * 2);
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        Uint16 v = sample(i / channels, int(i % channels));
        samples[2 * i] = Uint8(v >> 8);
        samples[2 * i + 1] = Uint8(v);
    }
    std::vector<png_bytep> rows;
    for (size_t y = 0; y < 256; ++y) rows.push_back(&samples[y * 256 * channels * 2]);
    std::string png;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(writer);
    png_set_write_fn(writer, &png, AppendPngBytes, nullptr);
    png_set_IHDR(writer, info, 256, 256, 16, colourType, interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(writer, info);
    png_write_image(writer, rows.data());
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);

    NimbrelAuthoring::RgbaImage image;
    std::string problem;
    EXPECT_TRUE(NimbrelAuthoring::DecodePNG(png.data(), png.size(), &image, &problem)) << problem;
    EXPECT_EQ(256u * 256u * 4u, image.pixels.size());
    image.pixels.resize(256 * 256 * 4);
    return image;
}

class ImageRoundTrip : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(engine.started()); }

    ToolRun Dpf(const std::string& arguments) {
        return RunDpf(arguments);
    }
    void WritePng(const std::string& path, const NimbrelAuthoring::RgbaImage& image) {
        std::vector<Uint8> png;
        std::string problem;
        ASSERT_TRUE(NimbrelAuthoring::EncodePNG(image, image.transparent, &png, &problem)) << problem;
        WriteFile(path, std::string(png.begin(), png.end()));
    }
    NimbrelAuthoring::RgbaImage ReadPng(const std::string& path) {
        std::string bytes = ReadFile(path);
        NimbrelAuthoring::RgbaImage image;
        std::string problem;
        EXPECT_TRUE(NimbrelAuthoring::DecodePNG(bytes.data(), bytes.size(), &image, &problem)) << problem;
        return image;
    }

    ScopedTempDir dir;
    EngineSession engine{5};
};

} // namespace

TEST_F(ImageRoundTrip, EveryDepthComesBackPixelForPixel) {
    ASSERT_EQ(0, Dpf("create skin.dpf").status);
    const NimbrelAuthoring::RgbaImage opaque = Picture(13, 7, false);
    const NimbrelAuthoring::RgbaImage clear = Picture(13, 7, true);
    const NimbrelAuthoring::RgbaImage few = Picture(13, 7, false, 40);
    WritePng("opaque.png", opaque);
    WritePng("clear.png", clear);
    WritePng("few.png", few);

    struct Case {
        const char* name;
        const char* png;
        const NimbrelAuthoring::RgbaImage* image;
        int depth;
        const char* extra;
    } cases[] = {
        {"d32", "opaque.png", &opaque, 32, ""},         {"d32a", "clear.png", &clear, 32, ""},
        {"d24", "opaque.png", &opaque, 24, " --depth 24"}, {"d16", "opaque.png", &opaque, 16, " --depth 16"},
        {"d8", "few.png", &few, 8, " --depth 8"},
    };
    for (const Case& c : cases) {
        ToolRun add = Dpf(std::string("add-image skin.dpf ") + c.png + " " + c.name + c.extra);
        ASSERT_EQ(0, add.status) << c.name << ": " << add.err;

        ImageInfo info;
        SDL_Surface* s = IImage->Load("skin.dpf", c.name, &info);
        ASSERT_NE(nullptr, s) << c.name;
        EXPECT_EQ(c.depth, s->format->BitsPerPixel) << c.name;
        EXPECT_EQ(c.depth, info.bitsPerPixel) << c.name;
        const bool alphaChannel = c.depth == 32 && c.image->transparent;
        EXPECT_EQ(alphaChannel, s->format->Amask != 0) << c.name;
        for (Uint32 y = 0; y < c.image->height; ++y) {
            for (Uint32 x = 0; x < c.image->width; ++x) {
                const Uint8* p = &c.image->pixels[4 * (size_t(y) * c.image->width + x)];
                Uint32 value = IPrimitives->GetPixel(s, int(x), int(y), 1);
                if (c.depth == 8) {
                    const SDL_Color& colour = s->format->palette->colors[value];
                    ASSERT_TRUE(colour.r == p[0] && colour.g == p[1] && colour.b == p[2]) << c.name << " " << x << "," << y;
                } else {
                    ASSERT_EQ(Expected(p, c.depth, alphaChannel), value) << c.name << " " << x << "," << y;
                }
            }
        }
        SDL_FreeSurface(s);

        // And back out as a PNG: exact for every depth that keeps 8 bits per channel.
        ToolRun extract = Dpf(std::string("extract-image skin.dpf ") + c.name + " out.png");
        ASSERT_EQ(0, extract.status) << c.name << ": " << extract.err;
        NimbrelAuthoring::RgbaImage back = ReadPng("out.png");
        EXPECT_EQ(c.image->transparent && c.depth == 32, back.transparent) << c.name;
        if (c.depth != 16) {
            EXPECT_TRUE(back.pixels == c.image->pixels) << c.name;
        }
    }
    ToolRun verify = Dpf("verify skin.dpf");
    EXPECT_EQ(0, verify.status) << verify.err;
}

TEST_F(ImageRoundTrip, KeyColourAlphaAndReplace) {
    ASSERT_EQ(0, Dpf("create skin.dpf").status);
    WritePng("few.png", Picture(9, 5, false, 30));
    ASSERT_EQ(0, Dpf("add-image skin.dpf few.png keyed --key-colour FF00ff --alpha 128 --depth 16").status);
    ASSERT_EQ(0, Dpf("add-image skin.dpf few.png keyed8 --key-colour FF00FF --depth 8").status);
    ImageInfo info;
    SDL_Surface* s = IImage->Load("skin.dpf", "keyed", &info);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(0xF81Fu, info.colorKey);
    EXPECT_EQ(128u, info.alpha);
    EXPECT_EQ(128, s->format->alpha);
    EXPECT_TRUE(s->flags & SDL_SRCCOLORKEY);
    SDL_FreeSurface(s);
    s = IImage->Load("skin.dpf", "keyed8", &info);
    ASSERT_NE(nullptr, s);
    const SDL_Color& key = s->format->palette->colors[info.colorKey];
    EXPECT_TRUE(key.r == 255 && key.g == 0 && key.b == 255);
    SDL_FreeSurface(s);

    // Extracting a keyed image makes its keyed pixels transparent.
    ASSERT_EQ(0, Dpf("extract-image skin.dpf keyed out.png").status);
    NimbrelAuthoring::RgbaImage back = ReadPng("out.png");
    EXPECT_TRUE(back.transparent);
    EXPECT_EQ(0, back.pixels[4 * 2 + 3]);
    EXPECT_EQ(255, back.pixels[3]);

    ToolRun again = Dpf("add-image skin.dpf few.png keyed");
    EXPECT_EQ(1, again.status);
    EXPECT_TRUE(Has(again.err, "dpf: skin.dpf: image 'keyed' already exists (use --replace to replace it)"));
    EXPECT_EQ(0, Dpf("add-image skin.dpf few.png keyed --replace").status);
    s = IImage->Load("skin.dpf", "keyed", &info);
    ASSERT_NE(nullptr, s);
    EXPECT_EQ(32, info.bitsPerPixel);
    SDL_FreeSurface(s);
}

TEST_F(ImageRoundTrip, ProblemsAreReportedWithTheirFileAndStatus) {
    ASSERT_EQ(0, Dpf("create skin.dpf").status);
    WritePng("many.png", Picture(40, 40, false));
    WriteFile("broken.png", "\x89PNG\r\n\x1a\n not really");
    ToolRun many = Dpf("add-image skin.dpf many.png big --depth 8");
    EXPECT_EQ(1, many.status);
    EXPECT_TRUE(Has(many.err, "dpf: many.png: has more than 256 colours"));
    ToolRun broken = Dpf("add-image skin.dpf broken.png b");
    EXPECT_EQ(1, broken.status);
    EXPECT_TRUE(Has(broken.err, "dpf: broken.png: "));
    EXPECT_EQ(1, Dpf("add-image skin.dpf missing.png b").status);
    EXPECT_EQ(1, Dpf("add-image nowhere.dpf many.png b").status);
    EXPECT_EQ(1, Dpf("extract-image skin.dpf absent out.png").status);
    EXPECT_FALSE(FileExists("out.png"));

    EXPECT_EQ(2, Dpf("add-image skin.dpf many.png").status);
    EXPECT_EQ(2, Dpf("add-image skin.dpf many.png b --depth 12").status);
    EXPECT_EQ(2, Dpf("add-image skin.dpf many.png b --alpha 300").status);
    EXPECT_EQ(2, Dpf("add-image skin.dpf many.png b --key-colour red").status);
    EXPECT_EQ(2, Dpf("extract-image skin.dpf b out.png --depth 8").status);
    ToolRun help = Dpf("add-image --help");
    EXPECT_EQ(0, help.status);
    EXPECT_TRUE(Has(help.out, "Usage: dpf add-image PKG PNGFILE NAME"));
    EXPECT_TRUE(Has(Dpf("--help").out, "dpf extract-image PKG NAME OUT.png"));
}

TEST_F(ImageRoundTrip, ProtectedPackagesTakeImagesWithTheirKeyOnly) {
    WriteFile("key.bin", "image key");
    ASSERT_EQ(0, Dpf("create locked.dpf --key key.bin").status);
    const NimbrelAuthoring::RgbaImage picture = Picture(11, 6, true);
    WritePng("clear.png", picture);

    for (const char* command : {"add-image locked.dpf clear.png logo", "extract-image locked.dpf logo out.png"}) {
        ToolRun refused = Dpf(command);
        EXPECT_EQ(1, refused.status) << command;
        EXPECT_TRUE(Has(refused.err, "dpf: locked.dpf: the package is protected: give its key with --key KEYFILE"))
            << refused.err;
    }
    ToolRun added = Dpf("add-image locked.dpf clear.png logo --key key.bin");
    ASSERT_EQ(0, added.status) << added.err;
    ToolRun extracted = Dpf("extract-image locked.dpf logo back.png --key key.bin");
    ASSERT_EQ(0, extracted.status) << extracted.err;
    NimbrelAuthoring::RgbaImage back = ReadPng("back.png");
    EXPECT_TRUE(back.transparent);
    EXPECT_TRUE(back.pixels == picture.pixels);
    EXPECT_EQ(0, Dpf("verify locked.dpf --key key.bin").status);
}

// Sixteen-bit samples come in as the nearest 8-bit level, round(v * 255 / 65535) (no sample lies
// halfway); cutting the low byte off would put most of them one level low. Every 16-bit value
// occurs in each channel.
TEST(SixteenBitPng, SamplesBecomeTheNearestEightBitLevel) {
    auto nearest = [](Uint16 v) { return Uint8((v * 255u + 32767u) / 65535u); };
    auto grey = [](size_t pixel, int) { return Uint16(pixel); };
    NimbrelAuthoring::RgbaImage image = DecodeSixteenBit(PNG_COLOR_TYPE_GRAY, 1, PNG_INTERLACE_NONE, grey);
    EXPECT_FALSE(image.transparent);
    for (size_t v = 0; v < 65536; ++v)
        ASSERT_EQ((std::vector<Uint8>{nearest(Uint16(v)), nearest(Uint16(v)), nearest(Uint16(v)), 255}),
                  std::vector<Uint8>(&image.pixels[4 * v], &image.pixels[4 * v + 4])) << v;

    // Each channel walks through every value in its own order, in an interlaced file.
    auto walk = [](size_t pixel, int channel) { return Uint16(pixel * 40503u + unsigned(channel) * 12345u); };
    image = DecodeSixteenBit(PNG_COLOR_TYPE_RGB_ALPHA, 4, PNG_INTERLACE_ADAM7, walk);
    EXPECT_TRUE(image.transparent);
    for (size_t i = 0; i < 4 * 65536; ++i) ASSERT_EQ(nearest(walk(i / 4, int(i % 4))), image.pixels[i]) << i;
}
