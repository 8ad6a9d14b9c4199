// Finding blocks in a DPF package, and the per-package block index built from the same search.
//
// Blocks are found by a forward search for the 16-byte block marker. A search for the block after
// a found one resumes right after that block's header plus its stored size, so marker bytes inside
// block data are never taken for a block, and padding or stray bytes between blocks are skipped.
// The search reads the file in large pieces and looks for the marker's first byte with memchr.
//
// The index is the list of every block one complete search from the first block offset finds,
// plus how that search ended. Finds served from it give exactly the results of searching the file
// again; the package interface drops it whenever the file changes.
#ifndef NIMBREL_DATA_DPF_SCAN_H
#define NIMBREL_DATA_DPF_SCAN_H

#include <SDL.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/blowfish.h"
#include "data/dpf_format.h"

namespace dpf {

enum ScanStatus {
    kScanFound,       // a marker and its whole block header
    kScanEnd,         // no further marker before the end of the file
    kScanReadError,   // the file could not be read
    kScanShortHeader, // a marker whose block header runs past the end of the file
};

struct ScanHit {
    int64_t markerOffset;
    Uint8 header[kBlockHeaderSize]; // as stored in the file (enciphered in protected packages)
    int headerBytes;                // bytes of the header the file holds (kScanShortHeader)
};

// Searches for the next block marker at or after `from` in a file of `fileLength` bytes.
ScanStatus ScanForBlock(int fd, int64_t fileLength, int64_t from, ScanHit* hit);

struct IndexedBlock {
    BlockHeader header;  // deciphered and decoded
    int64_t dataOffset;  // first data byte; the block header is the 64 bytes before it
};

struct BlockIndex {
    bool built = false;
    int64_t fileLength = 0; // the length the search saw; the index is dropped when it changes
    std::vector<IndexedBlock> blocks;
    // What a find after the last block returns: 0 (end of the package) or 2 (read error or
    // damaged block header), and whether that end is a damaged block header, which finds report.
    int endResult = 0;
    bool endIsBrokenHeader = false;

    void Clear();
    // The position of the first block with this name and type, or -1.
    long FirstMatch(const char* name, const char* type) const;

    std::unordered_map<std::string, size_t> firstByKey;
};

// Runs one complete search. `cipher` deciphers block headers of protected packages (null for a
// plain package).
void BuildBlockIndex(int fd, int64_t fileLength, const BlowfishState* cipher, BlockIndex* index);

} // namespace dpf

#endif
