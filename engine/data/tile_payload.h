// The tile block payloads: version 2.0 ("TILB2", "TILE2"), which CTile loads, and version 1.0
// ("TILB", "TILE"), which it converts.
//
// Version 2.0 (little-endian):
//   offset     size  field
//   0          4     image width (signed)
//   4          4     image height
//   8          4     x position
//   12         4     y position
//   16         4     tile set flag: non-zero when the image is a grid of tiles
//   20         4     tile width
//   24         40    pixel format record, as in "IMG" (data/image_payload.h)
//   64         n     the image's rows
//   64 + n     1024  8-bit images only: the palette
//   size - 64  4     tile height
//   size - 60  60    unused
//
// Version 1.0 lacks the 64-byte trailer (its tiles are square: the tile width is also the tile
// height) and reads a colour key of 0 as none.
//
// Reading trusts nothing in the block: each part is checked in 64 bits to lie inside it before it
// is read.
#ifndef NIMBREL_DATA_TILE_PAYLOAD_H
#define NIMBREL_DATA_TILE_PAYLOAD_H

#include <SDL.h>

#include <vector>

#include "data/image_payload.h"

namespace tile {

const Uint32 kHeaderSize = 64;
const Uint32 kTrailerSize = 64;
// Block types are at most 7 characters; the buffers below hold one more and the terminator.
const int kTypeBufferSize = 10;

// A parsed version 2.0 payload. The pixel view points into the block it was parsed from.
struct TileView {
    Sint32 x = 0, y = 0;
    bool tileSet = false;
    Sint32 tileWidth = 0;  // as stored; only a tile set uses them, and they need not divide the image
    Sint32 tileHeight = 0;
    img::ImageView image;
};

// Checks and parses a version 2.0 payload of `size` bytes. False, with the reason in `problem`
// (which may be null), when a part lies past the end of the block or the image cannot be a
// surface.
bool ParseTile(const Uint8* data, Uint64 size, TileView* tile, const char** problem);

// Converts a version 1.0 payload into the version 2.0 payload of the same tile: the trailer added
// with the tile width as tile height, a colour key of 0 turned into none. Checks the old payload
// as thoroughly as ParseTile does the new one; false, with the reason, when it is damaged.
bool ConvertLegacyTile(const Uint8* data, Uint64 size, std::vector<Uint8>* converted, const char** problem);

// The two block types a tile type names: the version 2.0 type (the given one, with "2" appended
// unless it ends in "2") and the version 1.0 type (that without its final "2"). False when the
// type is not of the "TILE" or "TILB" families (its first four characters). The buffers hold
// kTypeBufferSize bytes; types too long for a block come out too long, so a package finds no
// block of that type.
bool TileBlockTypes(const char* type, char* newType, char* oldType);

// ---- Building -----------------------------------------------------------------------------------

// What a version 2.0 payload is built from.
struct TileSource {
    img::ImageFormat image;             // size, depth, masks, colour key and surface alpha
    const Uint8* rows = nullptr;        // pitch x height bytes, pitch from img::ImagePitch
    const SDL_Color* palette = nullptr; // 8-bit images: 256 colours
    Sint32 x = 0, y = 0;
    bool tileSet = false;
    Uint32 tileWidth = 0;               // with tileSet: sizes that divide the image's
    Uint32 tileHeight = 0;
};

// Builds the version 2.0 payload. False, with the reason, when the image cannot be a surface or,
// for a tile set, the tile sizes are 0 or do not divide the image's (the engine would then draw
// the whole image, never a tile).
bool BuildTile(const TileSource& source, std::vector<Uint8>* payload, const char** problem);

} // namespace tile

#endif
