// dpf add-image and extract-image: PNG files in and out of "IMG" blocks, through the engine's
// image code (NimbrelAuthoring.h) and its package and image interfaces.
#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "commands.h"
#include "package.h"
#include "values.h"

namespace {

std::string Label(const std::string& name) { return "image '" + name + "'"; }

DPFBlock ImageBlock(const std::string& name) {
    DPFBlock block{};
    name.copy(block.name, sizeof block.name - 1);
    std::strcpy(block.type, "IMG");
    return block;
}

} // namespace

// ---- add-image ----------------------------------------------------------------------------------

bool ReadArtwork(const CommandLine& line, const std::string& file, NimbrelAuthoring::RgbaImage* image,
                 NimbrelAuthoring::ImagePayloadOptions* options) {
    line.Get("--depth", ParseDepth, &options->depth);
    line.Get("--alpha", ParseAlpha, &options->alpha);
    line.Get("--key-colour", ParseColour, &options->keyColour);
    options->hasKey = line.Has("--key-colour");
    std::string png, problem;
    if (!ReadBlockFile(file, &png)) return false;
    if (!NimbrelAuthoring::DecodePNG(png.data(), png.size(), image, &problem)) {
        ReportProblem(file, problem);
        return false;
    }
    const int depth = options->depth ? options->depth : 32;
    if (image->transparent && depth != 32)
        std::fprintf(stderr, "dpf: %s: note: the PNG's transparency is not kept at %d bits (use --key-colour)\n",
                     file.c_str(), depth);
    return true;
}

int AddImageCommand(const CommandLine& line) {
    const std::string& file = line.Argument("PNGFILE");
    const std::string& name = line.Argument("NAME");
    NimbrelAuthoring::RgbaImage image;
    NimbrelAuthoring::ImagePayloadOptions options;
    if (!ReadArtwork(line, file, &image, &options)) return kExitFailure;
    std::vector<Uint8> payload;
    std::string problem;
    if (!NimbrelAuthoring::BuildImagePayload(image, options, &payload, &problem)) {
        ReportProblem(file, problem);
        return kExitFailure;
    }

    const int stored = PutBlock(line, "IMG", DPFBlock::kCompressed, Label(name), payload.data(), payload.size());
    if (stored < 0) return kExitFailure;
    const int depth = options.depth ? options.depth : 32;
    const bool alphaChannel = depth == 32 && image.transparent;
    std::printf("%s: added %s, %ux%u, %d bits%s, alpha %d%s, %zu bytes, %d stored\n", line.Argument("PKG").c_str(),
                Label(name).c_str(), image.width, image.height, depth, alphaChannel ? " with alpha channel" : "",
                options.alpha, options.hasKey ? ", colour key" : "", payload.size(), stored);
    return kExitSuccess;
}

// ---- extract-image ------------------------------------------------------------------------------

int ExtractImageCommand(const CommandLine& line) {
    const std::string& name = line.Argument("NAME");
    const std::string& out = line.Argument("OUT.png");
    Package package(line);
    if (!package.OpenForBlocks()) return kExitFailure;
    DPFBlock wanted = ImageBlock(name);
    if (IStuffDPF->FindBlock(package.handle(), &wanted) != 1) {
        ReportProblem(package.path(), "has no " + Label(name));
        return kExitFailure;
    }
    // With no display, the image comes back in its stored format.
    SDL_Surface* surface = IImage->Load(package.handle(), name.c_str(), nullptr);
    if (!surface) {
        ReportProblem(package.path(), Label(name) + " does not load (see the message above)");
        return kExitFailure;
    }
    NimbrelAuthoring::RgbaImage image;
    const bool converted = NimbrelAuthoring::SurfaceToRgba(surface, &image);
    SDL_FreeSurface(surface);
    std::vector<Uint8> png;
    std::string problem;
    if (!converted || !NimbrelAuthoring::EncodePNG(image, image.transparent, &png, &problem)) {
        ReportProblem(out, "cannot make the PNG: " + (converted ? problem : std::string("unusable pixel format")));
        return kExitFailure;
    }
    if (!NimbrelAuthoring::WriteWholeFile(out.c_str(), png.data(), png.size(), &problem)) {
        ReportProblem(out, "cannot write the file: " + problem);
        return kExitFailure;
    }
    std::printf("%s: extracted %s, %ux%u, to %s\n", package.path().c_str(), Label(name).c_str(), image.width,
                image.height, out.c_str());
    return kExitSuccess;
}
