// dpf add-button: a button's "BUT" block and its "TILB2" images from PNG files. The button is
// first created by the engine's own IButton from a scratch package holding exactly these blocks
// (NimbrelAuthoring::CheckButton); only then is the package changed, and every block is checked
// for a clash before the first one is written.
#include <cstdio>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "commands.h"
#include "package.h"
#include "values.h"

namespace {

// The descriptor the options describe; wrong usage when they do not fit the type.
bool ReadButtonSettings(const CommandLine& line, NimbrelAuthoring::ButtonSettings* settings, std::string* problem) {
    line.Get("--type", ParseButtonType, &settings->type);
    int key = 0;
    line.Get("--hotkey", ParseKeyCode, &key);
    settings->key = Uint16(key);
    if (line.Has("--select-colour")) {
        SDL_Color colour = {0, 0, 0, 0};
        line.Get("--select-colour", ParseColour, &colour);
        settings->selectColour = Uint32(colour.r) << 16 | Uint32(colour.g) << 8 | colour.b;
    }
    PixelPoint at;
    line.Get("--position", ParsePoint, &at);
    settings->x = at.x;
    settings->y = at.y;
    line.Get("--range", ParseButtonNumber, &settings->range);
    line.Get("--value", ParseButtonNumber, &settings->value);
    PixelPoint margins;
    line.Get("--margins", ParsePoint, &margins);
    settings->marginX = margins.x;
    settings->marginY = margins.y;
    const bool ranged = settings->type == IButton::kSlider || settings->type == IButton::kProgress;
    if (!ranged && (line.Has("--range") || line.Has("--value"))) {
        *problem = "--range and --value are for sliders and progress bars";
        return false;
    }
    if (settings->type != IButton::kInput && line.Has("--margins")) {
        *problem = "--margins is for input boxes";
        return false;
    }
    return true;
}

} // namespace

int AddButtonCommand(const CommandLine& line) {
    const std::string& name = line.Argument("NAME");
    std::string problem, description;
    if (!NimbrelAuthoring::CheckButtonName(name, &problem)) return WrongUsage(line.command(), problem);
    NimbrelAuthoring::ButtonSettings settings;
    if (!ReadButtonSettings(line, &settings, &problem)) return WrongUsage(line.command(), problem);
    std::vector<std::string> files;
    line.Get("--images", ParseImageList, &files);
    const std::vector<std::string> suffixes = NimbrelAuthoring::ButtonImageSuffixes(settings.type);
    if (files.size() != suffixes.size())
        return WrongUsage(line.command(), "a " + line.Value("--type") + " button takes " +
                                              std::to_string(suffixes.size()) + " images (" +
                                              (suffixes.size() == 4 ? "normal, pressed, off, selected" : "normal, pressed, off") +
                                              "), not " + std::to_string(files.size()));

    std::vector<Uint8> button;
    if (!NimbrelAuthoring::BuildButtonPayload(settings, &button, &problem)) return WrongUsage(line.command(), problem);
    std::vector<std::vector<Uint8>> images(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        NimbrelAuthoring::RgbaImage artwork;
        NimbrelAuthoring::TilePayloadOptions options;
        if (!ReadArtwork(line, files[i], &artwork, &options.pixels)) return kExitFailure;
        if (!NimbrelAuthoring::BuildTilePayload(artwork, options, &images[i], &problem)) {
            ReportProblem(files[i], problem);
            return kExitFailure;
        }
    }
    const std::string& path = line.Argument("PKG");
    const std::string scratch = path + ".button-check";
    if (!NimbrelAuthoring::CheckButton(name, button, images, scratch.c_str(), &description, &problem)) {
        ReportProblem(path, "button '" + name + "': " + problem + "; nothing was added");
        return kExitFailure;
    }

    Package package(line);
    if (!package.OpenForBlocks()) return kExitFailure;
    std::vector<DPFBlock> blocks(1 + images.size());
    std::vector<std::string> labels;
    for (size_t b = 0; b < blocks.size(); ++b) {
        DPFBlock& block = blocks[b];
        const std::string blockName = b == 0 ? name : name + suffixes[b - 1];
        std::vector<Uint8>& payload = b == 0 ? button : images[b - 1];
        blockName.copy(block.name, sizeof block.name - 1);
        std::snprintf(block.type, sizeof block.type, "%s", b == 0 ? "BUT" : "TILB2");
        block.mode = DPFBlock::kCompressed;
        block.originalSize = Uint32(payload.size());
        block.data = payload.data();
        labels.push_back("'" + blockName + "' (" + block.type + ")");
        DPFBlock existing = block;
        existing.data = nullptr;
        if (!line.Has("--replace") && IStuffDPF->FindBlock(package.handle(), &existing) == 1) {
            ReportProblem(path, labels.back() + " already exists (use --replace to replace the button); nothing was added");
            return kExitFailure;
        }
    }
    int stored = 0;
    for (size_t b = 0; b < blocks.size(); ++b) {
        const int bytes = package.Put(&blocks[b], line.Has("--replace"), labels[b]);
        if (bytes < 0) return kExitFailure;
        stored += bytes;
    }
    if (!package.Close()) return kExitFailure;
    std::printf("%s: added button '%s': %s; %d bytes stored\n", path.c_str(), name.c_str(), description.c_str(),
                stored);
    return kExitSuccess;
}
