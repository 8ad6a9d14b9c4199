// Sprite and tile payloads for the authoring tools (NimbrelAuthoring.h).
//
// Making them from artwork: the options are checked against the artwork's size first, the pixels
// are stored as an image's are (authoring/stored_pixels.h), and the engine's own builders lay out
// the payloads (data/sprite_payload.h, data/tile_payload.h).
//
// Describing them: a payload is read by the parser its loader runs, the old versions after the
// conversion the loader makes, and its pixels are made into a surface by the loader's own surface
// step, so a payload described here is one the engine loads.
#include "NimbrelAuthoring.h"

#include <algorithm>
#include <cstring>

#include "authoring/failures.h"
#include "authoring/stored_pixels.h"
#include "data/sprite_payload.h"
#include "data/tile_payload.h"
#include "resources/resource_surface.h"

namespace NimbrelAuthoring {

namespace {

std::string Size(Sint64 width, Sint64 height) { return std::to_string(width) + "x" + std::to_string(height); }

bool Divides(Uint32 width, Uint32 height, Uint32 partWidth, Uint32 partHeight, const char* whole, const char* parts,
             std::string* problem) {
    if (width % partWidth == 0 && height % partHeight == 0) return true;
    return Fail(problem, std::string("the ") + whole + "'s " + Size(width, height) +
                             " pixels are not a whole number of " + Size(partWidth, partHeight) + " " + parts);
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

bool CheckSpriteSheet(Uint32 sheetWidth, Uint32 sheetHeight, const SpritePayloadOptions& options,
                      std::string* problem) {
    return WithoutExceptions(problem, [&]() {
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
                                     Size(options.frameWidth, options.frameHeight) +
                                     " frames, one per animation, but " + std::to_string(animations.size()) +
                                     " animation(s) are described");
        for (size_t row = 0; row < animations.size(); ++row)
            if (!CheckAnimation(animations[row], row, sheetWidth / options.frameWidth, problem)) return false;
        return true;
    });
}

bool BuildSpritePayload(const RgbaImage& sheet, const SpritePayloadOptions& options, std::vector<Uint8>* payload,
                        std::string* problem) {
    return WithoutExceptions(problem, [&]() {
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
        const Uint16 framesPerRow =
            Uint16(sheet.width / options.frameWidth); // the sheet's width fits 16 bits once stored
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
    });
}

bool CheckTileImage(Uint32 width, Uint32 height, const TilePayloadOptions& options, std::string* problem) {
    return WithoutExceptions(problem, [&]() {
        if (options.tileWidth == 0 && options.tileHeight == 0) return true;
        if (options.tileWidth == 0 || options.tileHeight == 0) return Fail(problem, "a tile is at least 1x1 pixels");
        return Divides(width, height, options.tileWidth, options.tileHeight, "image", "tiles", problem);
    });
}

bool BuildTilePayload(const RgbaImage& image, const TilePayloadOptions& options, std::vector<Uint8>* payload,
                      std::string* problem) {
    return WithoutExceptions(problem, [&]() {
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
    });
}

// ---- Describing ---------------------------------------------------------------------------------

namespace {

// Without a display the surface keeps its stored format, as it would before a video mode is set.
bool SurfaceLoads(const img::ImageView& pixels, std::string* problem) {
    ResourceSurface made;
    if (!MakeResourceSurface(pixels, "DescribeBlock", "", "", &made))
        return Fail(problem, std::string("SDL cannot make a surface of its pixels: ") + SDL_GetError());
    SDL_FreeSurface(made.surface);
    return true;
}

std::string TypeName(Uint16 type) {
    switch (type) {
    case spr::kLoop: return "loop";
    case spr::kPingPong: return "ping-pong";
    case spr::kPlayOnce: return "once";
    default: return "type " + std::to_string(type) + " (stays on its frame)";
    }
}

std::string FrameTimes(const std::vector<Uint32>& times, Uint16 frames) {
    Uint32 shortest = times[0], longest = times[0];
    for (Uint16 f = 1; f < frames; ++f) {
        shortest = std::min(shortest, times[f]);
        longest = std::max(longest, times[f]);
    }
    return (shortest == longest ? std::to_string(shortest) : std::to_string(shortest) + "-" + std::to_string(longest)) +
           " ms each";
}

// What runs, as the parser left it: the frames 0 .. endFrame - 1, or a frozen frame.
std::string AnimationText(const spr::SpriteAnimation& animation) {
    if (animation.Frozen()) return "frozen on frame " + std::to_string(animation.startFrame);
    const Uint16 frames = animation.endFrame;
    std::string text =
        TypeName(animation.type) + " of " + std::to_string(frames) + (frames == 1 ? " frame" : " frames");
    if (animation.loopStart != 0 && animation.type == spr::kLoop)
        text += " back to frame " + std::to_string(animation.loopStart);
    if (animation.loopStart != 0 && animation.type == spr::kPingPong)
        text += " turning at frame " + std::to_string(animation.loopStart);
    return text + ", " + FrameTimes(animation.frameTimes, frames);
}

bool DescribeSprite(const Uint8* data, Uint64 size, std::string* description, std::string* problem) {
    spr::SpriteView sprite;
    const char* why = "";
    if (!spr::ParseSprite(data, size, &sprite, &why)) return Fail(problem, why);
    if (!SurfaceLoads(sprite.sheet, problem)) return false;
    const size_t count = sprite.animations.size();
    std::string text = Size(sprite.frameWidth, sprite.frameHeight) + " frames, " + std::to_string(count) +
                       (count == 1 ? " animation: " : " animations: ");
    for (size_t a = 0; a < count; ++a) text += (a ? "; " : "") + AnimationText(sprite.animations[a]);
    *description = text;
    return true;
}

bool DescribeTile(const Uint8* data, Uint64 size, std::string* description, std::string* problem) {
    tile::TileView view;
    const char* why = "";
    if (!tile::ParseTile(data, size, &view, &why)) return Fail(problem, why);
    if (!SurfaceLoads(view.image, problem)) return false;
    const Sint64 width = view.image.format.width, height = view.image.format.height;
    std::string text = Size(width, height);
    // The loader's rule: a tile size of 0 counts as 1, and sizes that do not divide the image
    // leave it whole.
    const Sint64 tileWidth = view.tileWidth ? view.tileWidth : 1, tileHeight = view.tileHeight ? view.tileHeight : 1;
    const bool setStored = view.tileSet && (view.tileWidth != 0 || view.tileHeight != 0);
    if (!setStored) {
        text += ", drawn whole";
    } else if (tileWidth < 0 || tileHeight < 0 || width % tileWidth || height % tileHeight) {
        text += ", drawn whole: its tiles of " + Size(tileWidth, tileHeight) + " do not divide it";
    } else {
        const Sint64 columns = width / tileWidth, rows = height / tileHeight;
        text += ", a tile set of " + std::to_string(columns * rows) + " tiles of " + Size(tileWidth, tileHeight) +
                " (" + std::to_string(columns) + " x " + std::to_string(rows) + ")";
    }
    *description = text;
    return true;
}

const char kConverted[] = " (version 1.0, converted when first loaded)";

} // namespace

bool DescribesBlockType(const char* type) {
    char current[tile::kTypeBufferSize], old[tile::kTypeBufferSize];
    return type && (std::strcmp(type, "SPR2") == 0 || std::strcmp(type, "SPR") == 0 ||
                    tile::TileBlockTypes(type, current, old));
}

bool DescribeBlock(const char* type, const void* bytes, size_t length, std::string* description, std::string* problem) {
    return WithoutExceptions(problem, [&]() {
        description->clear();
        if (!DescribesBlockType(type)) return true;
        const Uint8* data = static_cast<const Uint8*>(bytes);
        const char* why = "";
        std::vector<Uint8> converted;
        if (std::strcmp(type, "SPR2") == 0) return DescribeSprite(data, length, description, problem);
        if (std::strcmp(type, "SPR") == 0) {
            if (!spr::ConvertLegacySprite(data, length, &converted, &why)) return Fail(problem, why);
            if (!DescribeSprite(converted.data(), converted.size(), description, problem)) return false;
            *description += kConverted;
            return true;
        }
        // As the tile loader reads types: the current version's ends in "2", anything else of the two
        // families is the old version.
        char current[tile::kTypeBufferSize], old[tile::kTypeBufferSize];
        tile::TileBlockTypes(type, current, old);
        if (std::strcmp(type, current) == 0) return DescribeTile(data, length, description, problem);
        if (!tile::ConvertLegacyTile(data, length, &converted, &why)) return Fail(problem, why);
        if (!DescribeTile(converted.data(), converted.size(), description, problem)) return false;
        *description += kConverted;
        return true;
    });
}

} // namespace NimbrelAuthoring
