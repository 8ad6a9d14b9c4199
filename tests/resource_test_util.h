// Helpers for the sprite and tile tests: sheets whose every pixel tells where it came from, the
// version 1.0 payloads (made from the current ones), packages, screen pixels and fuzz seeds.
#ifndef NIMBREL_TESTS_RESOURCE_TEST_UTIL_H
#define NIMBREL_TESTS_RESOURCE_TEST_UTIL_H

#include <SDL.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "core/byte_order.h"
#include "data/image_payload.h"
#include "data/sprite_payload.h"
#include "data/tile_payload.h"
#include "dpf_test_util.h"
#include "support/test_support.h"

namespace restest {

// 32-bit pixels without alpha: red = x, green = y, blue = 0x80, so a drawn pixel names the sheet
// pixel it came from (for images up to 256 pixels a side).
inline img::ImageFormat Format32(Uint32 width, Uint32 height) {
    img::ImageFormat format;
    format.width = width;
    format.height = height;
    format.bitsPerPixel = 32;
    format.redMask = 0xFF0000;
    format.greenMask = 0x00FF00;
    format.blueMask = 0x0000FF;
    return format;
}

inline std::vector<Uint8> CoordinateRows(const img::ImageFormat& format) {
    std::vector<Uint8> rows(size_t(img::ImagePitch(format.width, format.bitsPerPixel) * format.height));
    const size_t pitch = rows.size() / format.height;
    for (Uint32 y = 0; y < format.height; ++y)
        for (Uint32 x = 0; x < format.width; ++x) WriteLittle32(&rows[y * pitch + 4 * x], (x << 16) | (y << 8) | 0x80);
    return rows;
}

// The colour of a pixel of any 32-bit surface, as 0xRRGGBB.
inline Uint32 ColourAt(SDL_Surface* surface, int x, int y) {
    const Uint32 value = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + y * surface->pitch)[x];
    Uint8 r, g, b;
    SDL_GetRGB(value, surface->format, &r, &g, &b);
    return Uint32(r) << 16 | Uint32(g) << 8 | b;
}
// The colour a coordinate sheet has at (x, y).
inline Uint32 SheetColour(int x, int y) { return Uint32(x) << 16 | Uint32(y) << 8 | 0x80; }

inline SDL_Surface* Surface32(int width, int height, Uint32 fill) {
    SDL_Surface* surface = SDL_CreateRGBSurface(0, width, height, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(surface, nullptr, fill);
    return surface;
}

// ---- Sprites ------------------------------------------------------------------------------------

// A sprite of frameSize x frameSize frames on a coordinate sheet as wide as its longest animation.
struct TestSprite {
    spr::SpriteSource source;
    std::vector<Uint8> rows;
    std::vector<Uint8> payload;
};

inline TestSprite MakeSprite(Uint32 frameSize, const std::vector<spr::SpriteAnimation>& animations, Sint16 hotX = 0,
                             Sint16 hotY = 0) {
    TestSprite sprite;
    size_t longest = 1;
    for (const spr::SpriteAnimation& animation : animations)
        longest = std::max(longest, animation.frameTimes.size());
    sprite.source.sheet = Format32(Uint32(longest) * frameSize, Uint32(animations.size()) * frameSize);
    sprite.rows = CoordinateRows(sprite.source.sheet);
    sprite.source.rows = sprite.rows.data();
    sprite.source.frameWidth = sprite.source.frameHeight = frameSize;
    sprite.source.hotX = hotX;
    sprite.source.hotY = hotY;
    sprite.source.animations = animations;
    const char* problem = "";
    if (!spr::BuildSprite(sprite.source, &sprite.payload, &problem)) ADD_FAILURE() << problem;
    return sprite;
}

// Where animation `index`'s 64-byte record starts in a "SPR2" payload.
inline size_t AnimationRecord(const std::vector<Uint8>& payload, int index) {
    size_t at = spr::kHeaderSize;
    for (int a = 0; a < index; ++a) at += spr::kAnimationRecordSize + spr::kFrameRecordSize * ReadLittle16(&payload[at + 4]);
    return at;
}

// The legacy "SPR" payload of a "SPR2" one: 12-byte records, bare frame times, key none as 0.
inline std::vector<Uint8> LegacySprite(const std::vector<Uint8>& current) {
    std::vector<Uint8> legacy(current.begin(), current.begin() + spr::kHeaderSize);
    size_t at = spr::kHeaderSize;
    for (Uint32 a = 0; a < ReadLittle32(&current[16]); ++a) {
        const Uint16 frames = ReadLittle16(&current[at + 4]);
        legacy.insert(legacy.end(), current.begin() + long(at), current.begin() + long(at) + 12);
        at += spr::kAnimationRecordSize;
        for (Uint16 f = 0; f < frames; ++f, at += spr::kFrameRecordSize)
            legacy.insert(legacy.end(), current.begin() + long(at), current.begin() + long(at) + 4);
    }
    const size_t format = legacy.size();
    legacy.insert(legacy.end(), current.begin() + long(at), current.end());
    if (ReadLittle32(&legacy[format + 32]) == img::kNoColorKey) WriteLittle32(&legacy[format + 32], 0);
    return legacy;
}

// ---- Tiles --------------------------------------------------------------------------------------

struct TestTile {
    tile::TileSource source;
    std::vector<Uint8> rows;
    std::vector<Uint8> payload;
};

inline TestTile MakeTile(Uint32 width, Uint32 height, bool tileSet, Uint32 tileWidth, Uint32 tileHeight, Sint32 x = 0,
                         Sint32 y = 0) {
    TestTile made;
    made.source.image = Format32(width, height);
    made.rows = CoordinateRows(made.source.image);
    made.source.rows = made.rows.data();
    made.source.x = x;
    made.source.y = y;
    made.source.tileSet = tileSet;
    made.source.tileWidth = tileWidth;
    made.source.tileHeight = tileHeight;
    const char* problem = "";
    if (!tile::BuildTile(made.source, &made.payload, &problem)) ADD_FAILURE() << problem;
    return made;
}

// The version 1.0 payload of a version 2.0 one: no trailer, key none as 0.
inline std::vector<Uint8> LegacyTile(const std::vector<Uint8>& current) {
    std::vector<Uint8> legacy(current.begin(), current.end() - tile::kTrailerSize);
    if (ReadLittle32(&legacy[24 + 32]) == img::kNoColorKey) WriteLittle32(&legacy[24 + 32], 0);
    return legacy;
}

// ---- Packages and seeds -------------------------------------------------------------------------

inline void AddBlock(int package, const std::string& name, const std::string& type, const std::vector<Uint8>& payload,
                     Uint8 mode = DPFBlock::kCompressed) {
    const std::string bytes(payload.begin(), payload.end());
    DPFBlock block = dpftest::Record(name, type, mode, bytes);
    ASSERT_GT(IStuffDPF->AddData(package, &block), 0) << name << " " << type;
}

// "name/type" of every block, deleted ones included.
inline std::vector<std::string> BlockList(int package) {
    std::vector<std::string> list;
    for (const dpftest::FoundBlock& found : dpftest::EngineScan(package)) list.push_back(found.name + "/" + found.type);
    return list;
}

inline int Count(const std::string& text, const std::string& piece) {
    int n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

inline void KeepSeed(const std::string& fuzzer, const std::string& name, const std::vector<Uint8>& payload) {
    const std::filesystem::path seeds = std::filesystem::path(NIMBREL_BINARY_DIR) / "fuzz-seeds" / fuzzer;
    std::error_code ignored;
    std::filesystem::create_directories(seeds, ignored);
    WriteFile((seeds / name).string(), std::string(payload.begin(), payload.end()));
}

} // namespace restest

#endif
