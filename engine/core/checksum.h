// The package checksum: the common CRC-32 (reflected polynomial 0xEDB88320, the one zlib
// computes), fast enough that checking a package costs about as much as reading it.
//
// On processors with carry-less multiplication the bulk of the data is folded 64 bytes at a
// time; elsewhere, and for the short head and tail, zlib does the work. The results are the same.
#ifndef NIMBREL_CORE_CHECKSUM_H
#define NIMBREL_CORE_CHECKSUM_H

#include <SDL.h>

#include <cstddef>
#include <cstdint>

// Continues `crc` (0 for no data yet) over `length` more bytes, like zlib's crc32().
Uint32 ChecksumUpdate(Uint32 crc, const void* data, size_t length);

// The checksum of a region after `length` bytes inside it changed from oldBytes to newBytes,
// with `bytesAfter` bytes of the region following the changed ones. Costs nothing like a pass
// over the region.
Uint32 ChecksumAfterPatch(Uint32 crc, const void* oldBytes, const void* newBytes, size_t length,
                          uint64_t bytesAfter);

#endif
