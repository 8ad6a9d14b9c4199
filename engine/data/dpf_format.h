// The DPF package format, version 4, and what is needed to read version 3: sizes and offsets,
// the block marker, the package header and block header records, storage modes (compression and
// the block mask), the creation of new headers and the built-in cipher key.
//
// Everything here works on bytes in memory; files are read and written by the package interface
// (stuff_dpf.cpp) and the block scanner (dpf_scan.h).
#ifndef NIMBREL_DATA_DPF_FORMAT_H
#define NIMBREL_DATA_DPF_FORMAT_H

#include <SDL.h>

#include <cstddef>
#include <cstdint>

#include "data/blowfish.h"

namespace dpf {

// ---- Layout -------------------------------------------------------------------------------------

const int kIdentifierSize = 8;
const int kHeaderSize = 512;
const int64_t kHeaderOffset = kIdentifierSize;
const int64_t kFirstBlockOffset = kIdentifierSize + kHeaderSize; // 520
const int kMarkerSize = 16;
const int kBlockHeaderSize = 64;
const int kBlockFrameSize = kMarkerSize + kBlockHeaderSize; // 80
const int kNameSize = 32; // at most 31 characters and a NUL
const int kTypeSize = 8;  // at most 7 characters and a NUL

extern const Uint8 kBlockMarker[kMarkerSize];
extern const char kIdentifierV4[kIdentifierSize];

// The version a package's first kIdentifierSize bytes name: 4 for kIdentifierV4, 3 for a version
// 3 package, the digit after "DPFv" for any other; -1 when that place holds no digit, and 0 when
// the bytes are no package identifier at all.
int IdentifierVersion(const char identifier[kIdentifierSize]);

// Version 3 (read for conversion only).
const int kV3HeaderSize = 256;
const int kV3MarkerSize = 11;
const int kV3CreatorOffset = 8;
const int kV3DateOffset = 37;
const int kV3TypeSize = 5;
const int kV3BlockHeaderSize = kV3MarkerSize + 32 + kV3TypeSize + 1 + 4 + 4; // 57
bool IsV3Marker(const Uint8* bytes);

// Data is stored padded to a multiple of 8 bytes, the cipher's block size.
inline uint64_t PaddedSize(uint64_t storedSize) { return (storedSize + 7) & ~uint64_t(7); }

// ---- Package header (512 bytes, plain form) -----------------------------------------------------

const int kCreatorOffset = 0;
const int kCreatorSize = 29;
const int kCreatedOffset = 29;
const int kModifiedOffset = 61;
const int kDateSize = 32;
const int kProtectionOffset = 93;
const int kChecksumOffset = 96;
const int kFillerOffset = 100;
const int kFillerSize = 410;

// Fills a new header: creator text, both dates set to `date`, the protection flag, checksum 0 and
// filler bytes drawn from the C library generator (the caller seeds it).
void BuildHeader(Uint8 header[kHeaderSize], const char* creator, const char* date, bool protectedPackage);
void SetHeaderModified(Uint8 header[kHeaderSize], const char* date);
Uint32 GetHeaderChecksum(const Uint8 header[kHeaderSize]);
void SetHeaderChecksum(Uint8 header[kHeaderSize], Uint32 checksum);
bool IsHeaderProtected(const Uint8 header[kHeaderSize]);

// The current local time as "Tue Dec 08 01:24:02 2026" (weekday, month, two-digit day, time,
// year), the form package dates are stored in.
void FormatPackageDate(char text[kDateSize]);

// ---- Block header (64 bytes, plain form) ---------------------------------------------------------

enum StorageMode : Uint8 {
    kModeCompressed = 0,
    kModeStored = 1,
    kModeMasked = 2,
};

struct BlockHeader {
    char name[kNameSize];
    char type[kTypeSize];
    Uint8 mode;
    Uint32 originalSize;
    Uint32 storedSize;
};

void EncodeBlockHeader(const BlockHeader& header, Uint8 bytes[kBlockHeaderSize]);
// Names and types are cut at 31 and 7 characters, whatever the file holds.
void DecodeBlockHeader(const Uint8 bytes[kBlockHeaderSize], BlockHeader* header);
// Marks a block header deleted in place: "?" as the name's first character, type "DELETED".
void MarkHeaderDeleted(Uint8 bytes[kBlockHeaderSize]);

// ---- Storage modes ------------------------------------------------------------------------------

const Uint8 kBlockMask = 0x6B;
// XORs every byte with the block mask; its own inverse.
void ApplyBlockMask(Uint8* data, size_t length);

// Room the compressor may need for `length` bytes of input.
inline uint64_t CompressBound(uint64_t length) { return length + length / 8 + 256; }
// Compresses at level 6 into `out` (CompressBound(length) bytes). The compressed length, or -1.
int64_t Compress(const Uint8* data, size_t length, Uint8* out);
// Decompresses exactly `originalSize` bytes with the bounds-checking decoder. False when the data
// is damaged or does not produce exactly that many bytes.
bool Decompress(const Uint8* stored, size_t storedSize, Uint8* out, size_t originalSize);

// A compressed block cannot expand beyond this many bytes: the compressor's longest match costs
// several bits, so the ratio is bounded. Checked before allocating room for a hostile size.
uint64_t MaxOriginalSize(uint64_t storedSize);

// ---- Cipher key ---------------------------------------------------------------------------------

// Keys a cipher state with the engine's built-in key, which exists in plain form only for the
// duration of this call.
void KeyWithBuiltInKey(BlowfishState* state);

} // namespace dpf

#endif
