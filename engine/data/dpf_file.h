// Steps on a whole package file, shared by the package interface (IStuffDPF), the version 3
// conversion and the crash recovery: the checksum over the blocks, rewriting the header, and the
// bytes of a new package's start and of a block's frame.
#ifndef NIMBREL_DATA_DPF_FILE_H
#define NIMBREL_DATA_DPF_FILE_H

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/blowfish.h"
#include "data/dpf_format.h"

namespace dpf {

// Files are checksummed in pieces of this size, small enough that the checksum reads each piece
// while it is still in the processor cache.
const size_t kChecksumReadSize = 128 * 1024;

// CRC of the file from the first block offset to `length`. Logs and gives 0 when the file cannot
// be read that far.
Uint32 CalculateCRC(int fd, int64_t length);

// Writes the package header again with the current date and `checksum`; with flushToDisk the
// file is flushed to the storage device as well. False (logged) when it cannot be written.
bool UpdateHeader(const BlowfishState& headerCipher, int fd, Uint32 checksum, bool flushToDisk);

// Identifier and a new enciphered header: the first 520 bytes of a version 4 package. `created`
// null means now.
void BuildPackageStart(const BlowfishState& headerCipher, Uint8 start[kFirstBlockOffset], const char* creator,
                       const char* created, bool protectedPackage);

// Marker, block header and zero-padded data, enciphered when a cipher is given.
std::vector<Uint8> BuildBlockFrame(const BlockHeader& header, const Uint8* data, const BlowfishState* cipher);

} // namespace dpf

#endif
