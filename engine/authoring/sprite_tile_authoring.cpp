// Making sprite and tile payloads from artwork (NimbrelAuthoring.h). The options are checked
// against the artwork's size first, the pixels are stored as an image's are
// (authoring/stored_pixels.h), and the engine's own builders lay out the payloads
// (data/sprite_payload.h, data/tile_payload.h).
#include "NimbrelAuthoring.h"

#include "authoring/stored_pixels.h"
#include "data/sprite_payload.h"
#include "data/tile_payload.h"

namespace NimbrelAuthoring {

namespace {

bool Fail(std::string* problem, const std::string& text) {
    if (problem) *problem = text;
    return false;
}

std::string Size(Uint32 width, Uint32 height) { return std::to_string(width) + "x" + std::to_string(height); }

bool Divides(Uint32 width, Uint32 height, Uint32 partWidth, Uint32 partHeight, const char* whole, const char* parts,
             std::string* problem) {
    if (width % partWidth == 0 && height % partHeight == 0) return true;
    return Fail(problem, std::string("the ") + whole + "'s " + Size(width, height) + " pixels are not a whole number of " +
                             Size(partWidth, partHeight) + " " + parts);
}

bool CheckAnimation(const SpriteAnimationSpec& animation, size_t row, Uint32 framesPerRow, std::string* problem) {
    const std::string which = "the animation of row " + std::to_string(row + 1);
    if (animation.type != spr::kLoop && animation.type != spr::kPingPong && animation.type != spr::kPlayOnce)
        return Fail(problem, which + " has type " + std::to_string(animation.type) +
                                 "; the types are 2 (loop), 4 (ping-pong) and 8 (play once)");
    const size_t frames = animation.frameTimes.size();
    if (frames == 0) return Fail(problem, which + " has no frames");
    if (frames > framesPerRow)
        return Fail(problem, which + " has " + std::to_string(frames) + " frames, but a row of the sheet holds " +
                                 std::to_string(framesPerRow));
    if (animation.loopStart < 0 || size_t(animation.loopStart) >= frames)
        return Fail(problem, which + " has its loop start at frame " + std::to_string(animation.loopStart) +
                                 ", not one of its frames 0 to " + std::to_string(frames - 1));
    return true;
}

bool FitsSixteenBits(int value) { return value >= -32768 && value <= 32767; }

} // namespace

bool CheckSpriteSheet(Uint32 sheetWidth, Uint32 sheetHeight, const SpritePayloadOptions& options, std::string* problem) {
    if (options.frameWidth == 0 || options.frameHeight == 0) return Fail(problem, "a frame is at least 1x1 pixels");
    if (!Divides(sheetWidth, sheetHeight, options.frameWidth, options.frameHeight, "sheet", "frames", problem))
        return false;
    if (!FitsSixteenBits(options.hotX) || !FitsSixteenBits(options.hotY))
        return Fail(problem, "the hot spot lies outside -32768 to 32767");
    const Uint32 rows = sheetHeight / options.frameHeight;
    const std::vector<SpriteAnimationSpec>& animations = options.animations;
    if (animations.empty()) return true;
    if (animations.size() != rows)
        return Fail(problem, "the sheet has " + std::to_string(rows) + " row(s) of " +
                                 Size(options.frameWidth, options.frameHeight) + " frames, one per animation, but " +
                                 std::to_string(animations.size()) + " animation(s) are described");
    for (size_t row = 0; row < animations.size(); ++row)
        if (!CheckAnimation(animations[row], row, sheetWidth / options.frameWidth, problem)) return false;
    return true;
}

bool BuildSpritePayload(const RgbaImage& sheet, const SpritePayloadOptions& options, std::vector<Uint8>* payload,
                        std::string* problem) {
    if (!CheckSpriteSheet(sheet.width, sheet.height, options, problem)) return false;
    StoredPixels stored;
    if (!StorePixels(sheet, options.pixels, &stored, problem)) return false;

    spr::SpriteSource source;
    source.sheet = stored.format;
    source.rows = stored.rows.data();
    source.palette = stored.palette;
    source.frameWidth = options.frameWidth;
    source.frameHeight = options.frameHeight;
    source.hotX = Sint16(options.hotX);
    source.hotY = Sint16(options.hotY);
    const Uint32 rows = sheet.height / options.frameHeight;
    const Uint16 framesPerRow = Uint16(sheet.width / options.frameWidth); // the sheet's width fits 16 bits once stored
    for (Uint32 row = 0; row < rows; ++row) {
        if (options.animations.empty()) {
            source.animations.push_back(spr::MakeAnimation(spr::kLoop, framesPerRow, kDefaultFrameTime));
            continue;
        }
        const SpriteAnimationSpec& spec = options.animations[row];
        spr::SpriteAnimation animation =
            spr::MakeAnimation(spr::AnimationType(spec.type), Uint16(spec.frameTimes.size()), 0);
        animation.frameTimes = spec.frameTimes;
        animation.loopStart = Uint16(spec.loopStart);
        source.animations.push_back(animation);
    }
    const char* why = "";
    if (!spr::BuildSprite(source, payload, &why)) return Fail(problem, why);
    return true;
}

bool CheckTileImage(Uint32 width, Uint32 height, const TilePayloadOptions& options, std::string* problem) {
    if (options.tileWidth == 0 && options.tileHeight == 0) return true;
    if (options.tileWidth == 0 || options.tileHeight == 0) return Fail(problem, "a tile is at least 1x1 pixels");
    return Divides(width, height, options.tileWidth, options.tileHeight, "image", "tiles", problem);
}

bool BuildTilePayload(const RgbaImage& image, const TilePayloadOptions& options, std::vector<Uint8>* payload,
                      std::string* problem) {
    if (!CheckTileImage(image.width, image.height, options, problem)) return false;
    StoredPixels stored;
    if (!StorePixels(image, options.pixels, &stored, problem)) return false;

    tile::TileSource source;
    source.image = stored.format;
    source.rows = stored.rows.data();
    source.palette = stored.palette;
    source.tileSet = options.tileWidth != 0;
    source.tileWidth = options.tileWidth;
    source.tileHeight = options.tileHeight;
    const char* why = "";
    if (!tile::BuildTile(source, payload, &why)) return Fail(problem, why);
    return true;
}

} // namespace NimbrelAuthoring
