// builtin_font: renders the overlays' built-in font at build time and writes it as a C++ source
// holding the PNG bytes, so no font bitmap is ever committed. It renders with the same code as
// `dpf add-font --ttf` and checks the result with the engine's own CFont::Create before writing.
//
//   builtin_font FONT.ttf PIXELS WIDTHxHEIGHT OUTPUT.cpp
//
// The bitmap is brought to exactly WIDTH x HEIGHT: transparent rows are added below the glyphs
// and transparent columns after the last glyph (code 127, which draws nothing). A rendering that
// does not fit is an error, so a changed font file cannot silently cut glyphs.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"

namespace {

int Fail(const std::string& text) {
    std::fprintf(stderr, "builtin_font: %s\n", text.c_str());
    return 1;
}

// Pads the bitmap with transparent pixels to the wanted size; false when it is larger.
bool FitTo(NimbrelAuthoring::RgbaImage* bitmap, Uint32 width, Uint32 height) {
    if (bitmap->width > width || bitmap->height > height) return false;
    NimbrelAuthoring::RgbaImage fitted;
    fitted.Resize(width, height);
    fitted.transparent = true;
    for (Uint32 y = 0; y < bitmap->height; ++y)
        for (Uint32 x = 0; x < bitmap->width; ++x)
            for (int c = 0; c < 4; ++c) fitted.Pixel(x, y)[c] = bitmap->Pixel(x, y)[c];
    *bitmap = fitted;
    return true;
}

bool WriteSource(const char* path, const std::vector<Uint8>& png, std::string* problem) {
    std::string text =
        "// Generated at build time by Tools/builtin_font; never edit or commit.\n"
        "#include \"overlays/builtin_font.h\"\n\n"
        "const unsigned char kBuiltinFontPng[] = {";
    char byte[8];
    for (size_t i = 0; i < png.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%s%u,", i % 20 == 0 ? "\n" : "", png[i]);
        text += byte;
    }
    text += "\n};\nconst int kBuiltinFontPngSize = " + std::to_string(png.size()) + ";\n";
    return NimbrelAuthoring::WriteWholeFile(path, text.data(), text.size(), problem);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) return Fail("usage: builtin_font FONT.ttf PIXELS WIDTHxHEIGHT OUTPUT.cpp");
    unsigned width = 0, height = 0;
    if (std::sscanf(argv[3], "%ux%u", &width, &height) != 2 || width == 0 || height == 0)
        return Fail(std::string("not a size: ") + argv[3]);

    NimbrelAuthoring::FontRenderOptions options;
    options.pixelSize = std::atoi(argv[2]);
    NimbrelAuthoring::RgbaImage bitmap;
    std::string problem;
    if (!NimbrelAuthoring::RenderFontBitmap(argv[1], options, &bitmap, &problem)) return Fail(argv[1] + (": " + problem));
    if (!FitTo(&bitmap, width, height))
        return Fail("the font renders " + std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height) +
                    ", larger than " + argv[3] + " (choose a smaller size)");

    std::vector<Uint8> png, payload;
    NimbrelAuthoring::FontFacts facts;
    if (!NimbrelAuthoring::EncodePNG(bitmap, true, &png, &problem) ||
        !NimbrelAuthoring::BuildFontPayload(bitmap, 0, &payload, &problem) ||
        !NimbrelAuthoring::CheckFontPayload(payload, "builtin", "builtin font", &facts, &problem))
        return Fail(problem);
    if (!WriteSource(argv[4], png, &problem)) return Fail(std::string(argv[4]) + ": " + problem);
    return 0;
}
