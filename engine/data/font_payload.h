// The bitmap font's stored forms and the reading of its mark row: bytes and plain tables only, so
// the font class above builds on checked data and a fuzzer can reach every line here.
//
// "FONT2" block payload, N bytes (little-endian):
//
//   offset   size     field
//   0        4        bitmap width
//   4        4        bitmap height, mark row included
//   8        40       pixel format record, as an "IMG" block's (data/image_payload.h); depth,
//                     masks and surface alpha are read, the colour key is not
//   48       N - 180  pixel rows: height rows of the pitch SDL gives such a surface
//   N - 132  4        spacing, signed
//   N - 128  128      not read
//
// "FONT" (version 1.0) is the same without the last 132 bytes.
//
// The mark row is the bitmap's top row: magenta runs over the gaps between the glyphs of codes
// 33 to 127. Glyph i lies between run i and run i + 1; the last glyph lies after the last run.
#ifndef NIMBREL_DATA_FONT_PAYLOAD_H
#define NIMBREL_DATA_FONT_PAYLOAD_H

#include <SDL.h>

#include <vector>

#include "data/image_payload.h"

namespace font {

const Uint32 kHeaderSize = 48;
const Uint32 kTailSize = 132;            // "FONT2" only: spacing and 128 unread bytes
const Uint32 kVersion2Overhead = kHeaderSize + kTailSize;
const int kFirstCode = 33;
const int kLastCode = 127;
const int kGlyphCount = kLastCode - kFirstCode + 1; // 95, so 95 mark runs
const int kTableSize = kGlyphCount + 1;             // the positions end with the bitmap width
// SDL 1.2 makes no surface this wide or wider.
const Uint32 kMaxWidth = 16383;

// A parsed payload. The rows point into the block it was parsed from.
struct FontView {
    img::ImageFormat format; // its colour key is always "none": fonts take theirs from the bitmap
    Uint32 pitch = 0;
    const Uint8* rows = nullptr; // pitch x height bytes
    Sint32 spacing = 0;
};

// Checks and parses a "FONT2" payload (version2) or a "FONT" one. False, with the reason, when the
// block is shorter than its fixed parts, the format cannot describe a surface SDL makes, or the
// pixel bytes are not exactly pitch x height: every byte of the rows is copied into a surface of
// that size, so a block that holds more or fewer is damaged.
bool ParseFont(const Uint8* data, Uint64 size, bool version2, FontView* view, const char** problem);

// A "FONT" payload brought to "FONT2": the same bytes and 132 zero bytes (spacing 0).
std::vector<Uint8> UpgradeFont(const Uint8* data, Uint64 size);

// A "FONT2" payload from a format and pitch x height bytes of rows (pitch from img::ImagePitch).
std::vector<Uint8> BuildFont(const img::ImageFormat& format, const Uint8* rows, Sint32 spacing);

// ---- The mark row ---------------------------------------------------------------------------------

struct MarkRow {
    int runs = 0;                   // every run of the row, also beyond the 95 a font has
    Sint32 positions[kTableSize];   // the middle of each run; [95] the width, when runs is 95
    Sint32 advances[kTableSize];    // glyph advances; [95] unused
};

// Reads the runs of a row, one byte per column (nonzero for magenta), `width` columns. A run
// starting at s ends at the first column after it that is not magenta (or at the last column);
// its position is the middle of the two, and the glyph before it advances from the previous
// run's end to s, plus one. At most 95 runs are stored, however many the row holds; the tables
// are complete only when exactly 95 were found.
void ScanMarkRow(const Uint8* marks, int width, MarkRow* row);

// The number of columns whose ink differs from the column before (one byte per column, nonzero
// for ink); the column before the first counts as ink. A bitmap of 95 glyphs separated by empty
// columns, starting at column 0 and ending with an empty column, gives 189.
int CountInkChanges(const Uint8* ink, int width);

} // namespace font

#endif
