// dpf add-image and extract-image: PNG files in and out of "IMG" blocks, through the engine's
// image code (authoring/image_authoring.h) and its package and image interfaces.
#include "image_commands.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Nimbrel.h"
#include "commands.h"
#include "NimbrelAuthoring.h"

namespace {

const char kAddSynopsis[] =
    "dpf add-image PKG PNGFILE NAME [--key-colour RRGGBB] [--alpha N] [--depth 8|16|24|32] [--replace]";
const char kExtractSynopsis[] = "dpf extract-image PKG NAME OUT.png";

const char kAddHelp[] =
    "Converts the PNG file into the image block NAME (type IMG, at most 31 characters), which\n"
    "IImage->Load reads back pixel for pixel.\n"
    "  --depth 32     the default: per-pixel alpha when the PNG has transparency, opaque when not\n"
    "  --depth 24|16  opaque; 16 bits are stored as 5-6-5\n"
    "  --depth 8      a palette of the image's colours (at most 256)\n"
    "  --key-colour RRGGBB  the colour drawn as transparent (hexadecimal red, green, blue)\n"
    "  --alpha N      surface alpha 0..255 (255, the default, is opaque)\n"
    "  --replace      replace an image of that name; the old block is deleted only once the new\n"
    "                 one is written\n"
    "Transparency of the PNG is kept only at 32 bits; at other depths use --key-colour.";
const char kExtractHelp[] =
    "Writes the image block NAME as the PNG file OUT.png: RGBA when the image has an alpha\n"
    "channel or a colour key (keyed pixels become transparent), RGB otherwise.";

struct ImageOptions {
    std::string package, file, name;
    NimbrelAuthoring::ImagePayloadOptions payload;
    bool replace = false;
};

int Usage(const char* synopsis, const std::string& problem) {
    std::fprintf(stderr, "dpf: %s\nUsage: %s\n", problem.c_str(), synopsis);
    return kExitUsage;
}

bool ParseHexColour(const std::string& text, SDL_Color* colour) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 16);
    *colour = {Uint8(value >> 16), Uint8(value >> 8), Uint8(value), 0};
    return true;
}

bool ParseNumber(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    *value = std::atoi(text.c_str());
    return *value >= low && *value <= high;
}

// Fills the options from argv[2...]. 0 when fine, -1 for --help, else the exit status.
int ParseImageArguments(bool adding, int argc, char** argv, ImageOptions* options) {
    const char* synopsis = adding ? kAddSynopsis : kExtractSynopsis;
    std::vector<std::string> positionals;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        const bool hasValue = i + 1 < argc;
        if (word == "--help" || word == "-h") return -1;
        if (adding && word == "--key-colour") {
            if (!hasValue || !ParseHexColour(argv[i + 1], &options->payload.keyColour))
                return Usage(synopsis, "--key-colour needs a colour as six hexadecimal digits, such as FF00FF");
            options->payload.hasKey = true;
            ++i;
        } else if (adding && word == "--alpha") {
            int alpha = 0;
            if (!hasValue || !ParseNumber(argv[i + 1], 0, 255, &alpha)) return Usage(synopsis, "--alpha needs a number from 0 to 255");
            options->payload.alpha = Uint8(alpha);
            ++i;
        } else if (adding && word == "--depth") {
            int depth = 0;
            if (!hasValue || !ParseNumber(argv[i + 1], 8, 32, &depth) || (depth != 8 && depth != 16 && depth != 24 && depth != 32))
                return Usage(synopsis, "--depth must be 8, 16, 24 or 32");
            options->payload.depth = depth;
            ++i;
        } else if (adding && word == "--replace") {
            options->replace = true;
        } else if (word.size() > 1 && word[0] == '-') {
            return Usage(synopsis, "unknown option '" + word + "'");
        } else {
            positionals.push_back(word);
        }
    }
    if (positionals.size() != 3)
        return Usage(synopsis, std::string(argv[1]) + " takes 3 arguments, " + std::to_string(positionals.size()) + " given");
    options->package = positionals[0];
    options->file = adding ? positionals[1] : positionals[2];
    options->name = adding ? positionals[2] : positionals[1];
    if (options->name.empty() || options->name.size() > 31)
        return Usage(synopsis, "an image name has 1 to 31 characters: '" + options->name + "'");
    return 0;
}

// The package for the length of a command; false (with the problem reported) when it cannot be
// used for images.
class OpenPackage {
public:
    explicit OpenPackage(const std::string& path) : handle_(IStuffDPF->Open(path.c_str())) {}
    ~OpenPackage() { Close(); }
    OpenPackage(const OpenPackage&) = delete;
    OpenPackage& operator=(const OpenPackage&) = delete;
    int handle() const { return handle_; }
    bool Usable(const std::string& path) const {
        if (handle_ <= 0) {
            ReportProblem(path, "cannot open the package (see the message above)");
            return false;
        }
        if (IStuffDPF->IsProtected(handle_) == 1) {
            ReportProblem(path, "is protected; image commands work on unprotected packages only");
            return false;
        }
        return true;
    }
    bool Close() {
        if (handle_ <= 0) return true;
        const int result = IStuffDPF->Close(handle_);
        handle_ = 0;
        return result == 0;
    }

private:
    int handle_;
};

std::string Label(const std::string& name) { return "image '" + name + "'"; }

// ---- add-image ----------------------------------------------------------------------------------

int AddImage(const ImageOptions& options) {
    std::string png;
    if (!ReadWholeFile(options.file, &png)) {
        ReportProblem(options.file, "cannot read the file");
        return kExitFailure;
    }
    NimbrelAuthoring::RgbaImage image;
    std::string problem;
    if (!NimbrelAuthoring::DecodePNG(png.data(), png.size(), &image, &problem)) {
        ReportProblem(options.file, problem);
        return kExitFailure;
    }
    std::vector<Uint8> payload;
    if (!NimbrelAuthoring::BuildImagePayload(image, options.payload, &payload, &problem)) {
        ReportProblem(options.file, problem);
        return kExitFailure;
    }
    const int depth = options.payload.depth ? options.payload.depth : 32;
    if (image.transparent && depth != 32)
        std::fprintf(stderr, "dpf: %s: note: the PNG's transparency is not kept at %d bits (use --key-colour)\n",
                     options.file.c_str(), depth);

    OpenPackage package(options.package);
    if (!package.Usable(options.package)) return kExitFailure;
    DPFBlock block{};
    options.name.copy(block.name, sizeof block.name - 1);
    std::strcpy(block.type, "IMG");
    block.mode = DPFBlock::kCompressed;
    block.originalSize = Uint32(payload.size());
    block.data = payload.data();
    const int stored = options.replace ? IStuffDPF->Replace(package.handle(), &block) : IStuffDPF->AddData(package.handle(), &block);
    if (stored == -1) {
        ReportProblem(options.package, Label(options.name) + " already exists (use --replace to replace it)");
        return kExitFailure;
    }
    if (stored <= 0) {
        ReportProblem(options.package, "cannot add " + Label(options.name) + " (see the message above)");
        return kExitFailure;
    }
    if (!package.Close()) {
        ReportProblem(options.package, "cannot close the package");
        return kExitFailure;
    }
    const bool alphaChannel = depth == 32 && image.transparent;
    std::printf("%s: added %s, %ux%u, %d bits%s, alpha %d%s, %zu bytes, %d stored\n", options.package.c_str(),
                Label(options.name).c_str(), image.width, image.height, depth, alphaChannel ? " with alpha channel" : "",
                options.payload.alpha, options.payload.hasKey ? ", colour key" : "", payload.size(), stored);
    return kExitSuccess;
}

// ---- extract-image ------------------------------------------------------------------------------

int ExtractImage(const ImageOptions& options) {
    OpenPackage package(options.package);
    if (!package.Usable(options.package)) return kExitFailure;
    DPFBlock wanted{};
    options.name.copy(wanted.name, sizeof wanted.name - 1);
    std::strcpy(wanted.type, "IMG");
    if (IStuffDPF->FindBlock(package.handle(), &wanted) != 1) {
        ReportProblem(options.package, "has no " + Label(options.name));
        return kExitFailure;
    }
    // With no display, the image comes back in its stored format.
    SDL_Surface* surface = IImage->Load(package.handle(), options.name.c_str(), nullptr);
    if (!surface) {
        ReportProblem(options.package, Label(options.name) + " does not load (see the message above)");
        return kExitFailure;
    }
    NimbrelAuthoring::RgbaImage image;
    const bool converted = NimbrelAuthoring::SurfaceToRgba(surface, &image);
    SDL_FreeSurface(surface);
    std::vector<Uint8> png;
    std::string problem;
    if (!converted || !NimbrelAuthoring::EncodePNG(image, image.transparent, &png, &problem)) {
        ReportProblem(options.file, "cannot make the PNG: " + (converted ? problem : std::string("unusable pixel format")));
        return kExitFailure;
    }
    if (!WriteFileSafely(options.file, png.data(), png.size(), &problem)) {
        ReportProblem(options.file, "cannot write the file: " + problem);
        return kExitFailure;
    }
    std::printf("%s: extracted %s, %ux%u, to %s\n", options.package.c_str(), Label(options.name).c_str(), image.width,
                image.height, options.file.c_str());
    return kExitSuccess;
}

} // namespace

bool IsImageCommand(const std::string& word) { return word == "add-image" || word == "extract-image"; }

int RunImageCommand(int argc, char** argv) {
    const bool adding = std::string(argv[1]) == "add-image";
    ImageOptions options;
    const int parsed = ParseImageArguments(adding, argc, argv, &options);
    if (parsed == -1) {
        std::printf("Usage: %s\n\n%s\n", adding ? kAddSynopsis : kExtractSynopsis, adding ? kAddHelp : kExtractHelp);
        return kExitSuccess;
    }
    if (parsed != 0) return parsed;

    IImage = new class IImage;
    const int status = adding ? AddImage(options) : ExtractImage(options);
    delete IImage;
    IImage = nullptr;
    return status;
}

void PrintImageCommandSynopses(FILE* out) {
    std::fprintf(out, "  %s\n  %s\n", kAddSynopsis, kExtractSynopsis);
}
