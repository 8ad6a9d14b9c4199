// dpf add-sprite and add-tile: PNG artwork into "SPR2" blocks and tile blocks. The payload is
// built by the authoring interface, then read back with the engine's own sprite or tile reading
// (NimbrelAuthoring::DescribeBlock) before the package is touched, so a package never receives a
// block the engine would refuse.
#include <cstdio>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "commands.h"
#include "values.h"

namespace {

// Options that do not fit the artwork are wrong usage: the file is sound, the words are not.
int Misfit(const CommandLine& line, const std::string& file, const std::string& problem) {
    return WrongUsage(line.command(), file + ": " + problem);
}

// Reads the payload back as the engine will, then stores it; says what was added.
int StoreChecked(const CommandLine& line, const std::string& type, const std::string& label, const std::string& file,
                 std::vector<Uint8>& payload) {
    std::string description, problem;
    if (!NimbrelAuthoring::DescribeBlock(type.c_str(), payload.data(), payload.size(), &description, &problem)) {
        ReportProblem(file, "the engine would refuse the " + type + " block made from it (" + problem +
                                "); nothing was added");
        return kExitFailure;
    }
    const int stored = PutBlock(line, type, DPFBlock::kCompressed, label, payload.data(), payload.size());
    if (stored < 0) return kExitFailure;
    std::printf("%s: added %s: %s; %zu bytes, %d stored\n", line.Argument("PKG").c_str(), label.c_str(),
                description.c_str(), payload.size(), stored);
    return kExitSuccess;
}

} // namespace

int AddSpriteCommand(const CommandLine& line) {
    const std::string& file = line.Argument("SHEET.png");
    NimbrelAuthoring::SpritePayloadOptions options;
    PixelSize frame;
    line.Get("--frame", ParseSize, &frame);
    options.frameWidth = frame.width;
    options.frameHeight = frame.height;
    PixelPoint hotSpot;
    line.Get("--hotspot", ParsePoint, &hotSpot);
    options.hotX = hotSpot.x;
    options.hotY = hotSpot.y;
    for (const std::string& word : line.Values("--anim")) {
        options.animations.emplace_back();
        ParseAnimation(word, &options.animations.back(), nullptr);
    }

    NimbrelAuthoring::RgbaImage sheet;
    if (!ReadArtwork(line, file, &sheet, &options.pixels)) return kExitFailure;
    std::string problem;
    if (!NimbrelAuthoring::CheckSpriteSheet(sheet.width, sheet.height, options, &problem))
        return Misfit(line, file, problem);
    std::vector<Uint8> payload;
    if (!NimbrelAuthoring::BuildSpritePayload(sheet, options, &payload, &problem)) {
        ReportProblem(file, problem);
        return kExitFailure;
    }
    return StoreChecked(line, "SPR2", "sprite '" + line.Argument("NAME") + "'", file, payload);
}

int AddTileCommand(const CommandLine& line) {
    const std::string& file = line.Argument("PNGFILE");
    NimbrelAuthoring::TilePayloadOptions options;
    PixelSize tiles;
    line.Get("--tileset", ParseSize, &tiles);
    options.tileWidth = tiles.width;
    options.tileHeight = tiles.height;
    std::string type = "TILE2";
    line.Get("--type", ParseTileType, &type);

    NimbrelAuthoring::RgbaImage image;
    if (!ReadArtwork(line, file, &image, &options.pixels)) return kExitFailure;
    std::string problem;
    if (!NimbrelAuthoring::CheckTileImage(image.width, image.height, options, &problem))
        return Misfit(line, file, problem);
    std::vector<Uint8> payload;
    if (!NimbrelAuthoring::BuildTilePayload(image, options, &payload, &problem)) {
        ReportProblem(file, problem);
        return kExitFailure;
    }
    return StoreChecked(line, type, "tile '" + line.Argument("NAME") + "' (" + type + ")", file, payload);
}
