// Reading, converting and building the tile payloads (layout in data/tile_payload.h).
#include "data/tile_payload.h"

#include <cstring>

#include "core/byte_order.h"

namespace tile {

namespace {

const Uint32 kOffsetWidth = 0;
const Uint32 kOffsetHeight = 4;
const Uint32 kOffsetX = 8;
const Uint32 kOffsetY = 12;
const Uint32 kOffsetTileSet = 16;
const Uint32 kOffsetTileWidth = 20;
const Uint32 kOffsetFormat = 24;
const Uint32 kFormatColorKey = 32; // within the format record

bool Fail(const char** problem, const char* text) {
    if (problem) *problem = text;
    return false;
}

// The header and the rows after it, which the rows must leave `trailer` bytes after.
bool ParseImagePart(const Uint8* data, Uint64 size, Uint32 trailer, TileView* tile, const char** problem) {
    if (!data || size < kHeaderSize) return Fail(problem, "the block is shorter than its header");
    if (size - kHeaderSize < trailer) return Fail(problem, "the block is shorter than its header and trailer");
    img::ImageFormat format;
    format.width = ReadLittle32(data + kOffsetWidth);
    format.height = ReadLittle32(data + kOffsetHeight);
    img::ReadFormatRecord(data + kOffsetFormat, &format);
    if (format.width > img::kMaxRectCoordinate || format.height > img::kMaxRectCoordinate)
        return Fail(problem, "the image is too large");
    if (!img::CheckPaletteKey(format, problem)) return false;
    if (!img::ParsePixels(format, data + kHeaderSize, size - kHeaderSize - trailer, &tile->image, problem))
        return false;
    tile->x = Sint32(ReadLittle32(data + kOffsetX));
    tile->y = Sint32(ReadLittle32(data + kOffsetY));
    tile->tileSet = ReadLittle32(data + kOffsetTileSet) != 0;
    tile->tileWidth = Sint32(ReadLittle32(data + kOffsetTileWidth));
    return true;
}

} // namespace

bool ParseTile(const Uint8* data, Uint64 size, TileView* tile, const char** problem) {
    TileView parsed;
    if (!ParseImagePart(data, size, kTrailerSize, &parsed, problem)) return false;
    parsed.tileHeight = Sint32(ReadLittle32(data + size - kTrailerSize));
    *tile = parsed;
    return true;
}

bool ConvertLegacyTile(const Uint8* data, Uint64 size, std::vector<Uint8>* converted, const char** problem) {
    TileView old;
    if (!ParseImagePart(data, size, 0, &old, problem)) return false;
    if (size + kTrailerSize > 0xFFFFFFFFu) return Fail(problem, "the converted tile would be too large for a block");

    converted->assign(size_t(size + kTrailerSize), 0);
    Uint8* out = converted->data();
    std::memcpy(out, data, size_t(size));
    WriteLittle32(out + size, Uint32(old.tileWidth)); // version 1.0 tiles are square
    Uint8* key = out + kOffsetFormat + kFormatColorKey;
    if (ReadLittle32(key) == 0) WriteLittle32(key, img::kNoColorKey);
    return true;
}

bool TileBlockTypes(const char* type, char* newType, char* oldType) {
    if (!type || (std::strncmp(type, "TILE", 4) != 0 && std::strncmp(type, "TILB", 4) != 0)) return false;
    const size_t longest = size_t(kTypeBufferSize) - 2; // room for the "2" and the terminator
    size_t length = std::strlen(type);
    if (length > longest) length = longest;
    std::memcpy(newType, type, length);
    if (type[length - 1] != '2') newType[length++] = '2';
    newType[length] = '\0';
    std::memcpy(oldType, newType, length - 1);
    oldType[length - 1] = '\0';
    return true;
}

bool BuildTile(const TileSource& source, std::vector<Uint8>* payload, const char** problem) {
    const img::ImageFormat& format = source.image;
    if (format.width > img::kMaxRectCoordinate || format.height > img::kMaxRectCoordinate)
        return Fail(problem, "the image is too large");
    Uint64 pitch = 0;
    if (!img::CheckFormat(format, &pitch, problem) || !img::CheckPaletteKey(format, problem)) return false;
    if (source.tileSet) {
        if (source.tileWidth == 0 || source.tileHeight == 0) return Fail(problem, "a tile set needs a tile size");
        if (format.width % source.tileWidth != 0 || format.height % source.tileHeight != 0)
            return Fail(problem, "the tile size does not divide the image");
    }
    const Uint64 size = kHeaderSize + img::PixelBytes(format) + kTrailerSize;
    if (size > 0xFFFFFFFFu) return Fail(problem, "the tile is too large for a block");

    std::vector<Uint8> bytes(size_t(size), 0);
    Uint8* out = bytes.data();
    WriteLittle32(out + kOffsetWidth, format.width);
    WriteLittle32(out + kOffsetHeight, format.height);
    WriteLittle32(out + kOffsetX, Uint32(source.x));
    WriteLittle32(out + kOffsetY, Uint32(source.y));
    WriteLittle32(out + kOffsetTileSet, source.tileSet ? 1 : 0);
    WriteLittle32(out + kOffsetTileWidth, source.tileSet ? source.tileWidth : 0);
    img::WriteFormatRecord(format, out + kOffsetFormat);
    img::WritePixels(format, source.rows, source.palette, out + kHeaderSize);
    WriteLittle32(out + size - kTrailerSize, source.tileSet ? source.tileHeight : 0);
    payload->swap(bytes);
    return true;
}

} // namespace tile
