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

// How one kind of artwork becomes its payload (NimbrelAuthoring.h).
template <typename Options> struct Import {
    bool (*check)(Uint32 width, Uint32 height, const Options& options, std::string* problem);
    bool (*build)(const NimbrelAuthoring::RgbaImage& artwork, const Options& options, std::vector<Uint8>* payload,
                  std::string* problem);
};

// Reads the artwork, makes the payload, reads it back as the engine will, and only then stores it
// as `type`; says what was added. Options that do not fit the artwork are wrong usage: the file is
// sound, the words describing it are not.
template <typename Options>
int ImportArtwork(const CommandLine& line, const std::string& file, const Import<Options>& import, Options& options,
                  const std::string& type, const std::string& label) {
    NimbrelAuthoring::RgbaImage artwork;
    if (!ReadArtwork(line, file, &artwork, &options.pixels)) return kExitFailure;
    std::string problem, description;
    if (!import.check(artwork.width, artwork.height, options, &problem))
        return WrongUsage(line.command(), file + ": " + problem);
    std::vector<Uint8> payload;
    if (!import.build(artwork, options, &payload, &problem)) {
        ReportProblem(file, problem);
        return kExitFailure;
    }
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
    const Import<NimbrelAuthoring::SpritePayloadOptions> sprite = {NimbrelAuthoring::CheckSpriteSheet,
                                                                   NimbrelAuthoring::BuildSpritePayload};
    return ImportArtwork(line, line.Argument("SHEET.png"), sprite, options, "SPR2",
                         "sprite '" + line.Argument("NAME") + "'");
}

int AddTileCommand(const CommandLine& line) {
    NimbrelAuthoring::TilePayloadOptions options;
    PixelSize tiles;
    line.Get("--tileset", ParseSize, &tiles);
    options.tileWidth = tiles.width;
    options.tileHeight = tiles.height;
    std::string type = "TILE2";
    line.Get("--type", ParseTileType, &type);
    const Import<NimbrelAuthoring::TilePayloadOptions> tile = {NimbrelAuthoring::CheckTileImage,
                                                               NimbrelAuthoring::BuildTilePayload};
    return ImportArtwork(line, line.Argument("PNGFILE"), tile, options, type,
                         "tile '" + line.Argument("NAME") + "' (" + type + ")");
}
