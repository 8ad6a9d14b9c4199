// dpf add-font: "FONT2" blocks from TrueType files (rendered with FreeType) or from drawn bitmaps,
// through the engine's authoring interface; every font is loaded by the engine's own font code
// before the package is touched.
#include <cstdio>
#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "commands.h"
#include "package.h"
#include "values.h"

namespace {

std::string Label(const std::string& name) { return "font '" + name + "'"; }

// The bitmap the command line asks for: rendered from --ttf, or read from --png. False, reported.
bool MakeBitmap(const CommandLine& line, NimbrelAuthoring::RgbaImage* bitmap) {
    std::string problem;
    if (line.Has("--png")) {
        const std::string file = line.Value("--png");
        std::string png;
        if (!ReadBlockFile(file, &png)) return false;
        if (!NimbrelAuthoring::DecodePNG(png.data(), png.size(), bitmap, &problem)) {
            ReportProblem(file, problem);
            return false;
        }
        return true;
    }
    NimbrelAuthoring::FontRenderOptions options;
    line.Get("--size", ParsePixelSize, &options.pixelSize);
    line.Get("--colour", ParseColour, &options.colour);
    line.Get("--outline", ParseColour, &options.outlineColour);
    options.outline = line.Has("--outline");
    const std::string file = line.Value("--ttf");
    if (!NimbrelAuthoring::RenderFontBitmap(file.c_str(), options, bitmap, &problem)) {
        ReportProblem(file, problem);
        return false;
    }
    return true;
}

} // namespace

int AddFontCommand(const CommandLine& line) {
    const bool ttf = line.Has("--ttf"), png = line.Has("--png");
    if (ttf == png) return WrongUsage(line.command(), "give either --ttf FILE with --size PX, or --png FILE");
    if (ttf && !line.Has("--size")) return WrongUsage(line.command(), "--ttf needs --size PX");
    if (png && (line.Has("--size") || line.Has("--colour") || line.Has("--outline")))
        return WrongUsage(line.command(), "--size, --colour and --outline go with --ttf, not with --png");

    NimbrelAuthoring::RgbaImage bitmap;
    if (!MakeBitmap(line, &bitmap)) return kExitFailure;
    int spacing = 0;
    line.Get("--spacing", ParseSpacing, &spacing);
    const std::string source = line.Value(ttf ? "--ttf" : "--png");
    const std::string& name = line.Argument("NAME");
    std::vector<Uint8> payload;
    std::string problem;
    if (!NimbrelAuthoring::BuildFontPayload(bitmap, spacing, &payload, &problem)) {
        ReportProblem(source, problem);
        return kExitFailure;
    }
    NimbrelAuthoring::FontFacts facts;
    if (!NimbrelAuthoring::CheckFontPayload(payload, line.Argument("PKG").c_str(), name.c_str(), &facts, &problem)) {
        ReportProblem(source, "not a font the engine loads: " + problem + "; nothing was added");
        return kExitFailure;
    }

    Package package(line);
    if (!package.OpenForBlocks()) return kExitFailure;
    DPFBlock block{};
    name.copy(block.name, sizeof block.name - 1);
    std::strcpy(block.type, "FONT2");
    block.mode = DPFBlock::kCompressed;
    block.originalSize = Uint32(payload.size());
    block.data = payload.data();
    const int stored = package.Put(&block, line.Has("--replace"), Label(name));
    if (stored < 0 || !package.Close()) return kExitFailure;
    std::printf("%s: added %s, %d glyphs, height %d, spacing %d, bitmap %dx%d%s, %zu bytes, %d stored\n",
                package.path().c_str(), Label(name).c_str(), facts.glyphs, facts.height, facts.spacing, facts.width,
                facts.bitmapHeight, bitmap.transparent ? " with alpha channel" : "", payload.size(), stored);
    return kExitSuccess;
}
