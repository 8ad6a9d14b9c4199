// The "IMG" block payload: a raw surface dump that IImage->Load turns back into a surface.
//
//   offset  size  field (little-endian)
//   0       4     width
//   4       4     height
//   8       40    pixel format record, laid out as SDL 1.2's on a 32-bit system:
//                 8 palette reference (ignored), 12 bits per pixel, 13 bytes per pixel,
//                 14..17 losses, 18..21 shifts, 22 padding, 24/28/32/36 red/green/blue/alpha mask,
//                 40 colour key (0xFFFFFFFF none), 44 surface alpha, 45 padding
//   48      n     pixel rows: height rows of pitch bytes, pitch = width x bytes per pixel rounded
//                 up to a multiple of 4
//   48 + n  1024  8-bit images only: 256 palette entries of red, green, blue, unused
//
// This module owns reading and writing that layout. Reading trusts nothing in the block: every
// size is checked in 64 bits against the block before anything is read.
#ifndef NIMBREL_DATA_IMAGE_PAYLOAD_H
#define NIMBREL_DATA_IMAGE_PAYLOAD_H

#include <SDL.h>

#include <vector>

namespace img {

const Uint32 kHeaderSize = 48;
const Uint32 kFormatRecordSize = 40; // the record at offset 8, which sprites and tiles store too
const Uint32 kPaletteSize = 256 * 4;
const Uint32 kNoColorKey = 0xFFFFFFFFu;
// SDL 1.2 keeps a surface's pitch in 16 bits and rectangle sizes in 16 bits.
const Uint32 kMaxPitch = 0xFFFF;
const Uint32 kMaxHeight = 0xFFFF;
// Sprites and tiles address frames and tiles inside their surface with SDL_Rect, whose x and y
// are signed 16-bit: their surfaces stay within this size so that every frame can be reached.
const Uint32 kMaxRectCoordinate = 0x7FFF;

struct ImageFormat {
    Uint32 width = 0;
    Uint32 height = 0;
    Uint8 bitsPerPixel = 32;
    Uint32 redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    Uint32 colorKey = kNoColorKey;
    Uint8 alpha = 255;
};

// A parsed payload. The pointers point into the block it was parsed from.
struct ImageView {
    ImageFormat format;
    Uint32 pitch = 0;
    const Uint8* rows = nullptr;     // pitch x height bytes
    const Uint8* palette = nullptr;  // 8-bit images: 1024 bytes; otherwise null
};

// The row length in bytes of an image, rounded up to 4 (64-bit so no width can overflow it).
Uint64 ImagePitch(Uint32 width, Uint8 bitsPerPixel);

// ---- The parts other payloads share -------------------------------------------------------------

// The 40-byte pixel format record: depth, masks, colour key and surface alpha (width and height
// are not part of it and are left as they are).
void ReadFormatRecord(const Uint8* record, ImageFormat* format);
void WriteFormatRecord(const ImageFormat& format, Uint8* record);

// Checks a format read from a block: known depth, a size SDL can hold, masks within the depth.
// Sets the pitch. False, with the reason, otherwise.
bool CheckFormat(const ImageFormat& format, Uint64* pitch, const char** problem);

// Checks the format and that its pixel rows (and, for 8 bits, the palette after them) fit in the
// `available` bytes at `data`, and fills the view.
bool ParsePixels(const ImageFormat& format, const Uint8* data, Uint64 available, ImageView* view,
                 const char** problem);

// An 8-bit image's colour key must name one of its 256 palette entries (or be kNoColorKey): the
// key is looked up in the palette when a resource is converted to the display's format.
bool CheckPaletteKey(const ImageFormat& format, const char** problem);

// The bytes of the pixel rows plus, for 8 bits, the palette; and writing them (the palette from
// 256 colours, or zero when palette is null).
Uint64 PixelBytes(const ImageFormat& format);
void WritePixels(const ImageFormat& format, const Uint8* rows, const SDL_Color* palette, Uint8* out);

// ---- The "IMG" payload --------------------------------------------------------------------------

// Checks and parses a payload of `size` bytes. False when the block is shorter than its fixed
// parts, its depth is not 8, 16, 24 or 32, its size or masks cannot describe a surface, or its
// rows do not fit in it; `problem` then says which (it may be null).
bool ParseImage(const Uint8* data, Uint64 size, ImageView* view, const char** problem);

// Builds a payload from a format and pitch x height bytes of rows (pitch from ImagePitch), plus
// 256 palette colours for 8-bit images.
std::vector<Uint8> BuildImage(const ImageFormat& format, const Uint8* rows, const SDL_Color* palette);

} // namespace img

#endif
