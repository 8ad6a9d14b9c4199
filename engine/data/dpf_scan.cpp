// Finding blocks in a DPF package, and the block index (see dpf_scan.h).
#include "data/dpf_scan.h"

#include <cstring>

#include "platform/file_io.h"

namespace dpf {

namespace {

// Blocks usually follow one another closely, so a search starts with a small read and widens it
// only while no marker turns up.
const size_t kFirstReadSize = 4096;
const size_t kLargestReadSize = 256 * 1024;

std::string KeyOf(const char* name, const char* type) {
    std::string key(name);
    key.push_back('\0');
    key.append(type);
    return key;
}

} // namespace

ScanStatus ScanForBlock(int fd, int64_t fileLength, int64_t from, ScanHit* hit) {
    std::vector<Uint8> buffer;
    size_t readSize = kFirstReadSize;
    int64_t position = from;

    // A marker needs 16 bytes; a partial marker at the very end of the file is not a block.
    while (position + kMarkerSize <= fileLength) {
        int64_t left = fileLength - position;
        size_t wanted = left < int64_t(readSize) ? size_t(left) : readSize;
        buffer.resize(wanted);
        int64_t got = FileReadAt(fd, buffer.data(), wanted, position);
        if (got < 0) return kScanReadError;
        if (got < kMarkerSize) return kScanEnd; // the file shrank under us

        const Uint8* start = buffer.data();
        const Uint8* end = start + got;
        const Uint8* candidate = start;
        int64_t resume = position + got - (kMarkerSize - 1);
        while ((candidate = static_cast<const Uint8*>(std::memchr(candidate, kBlockMarker[0], end - candidate)))) {
            if (end - candidate < kMarkerSize) {
                resume = position + (candidate - start); // the marker may straddle this read
                break;
            }
            if (std::memcmp(candidate, kBlockMarker, kMarkerSize) != 0) {
                ++candidate;
                continue;
            }
            hit->markerOffset = position + (candidate - start);
            const Uint8* header = candidate + kMarkerSize;
            if (end - header >= kBlockHeaderSize) {
                std::memcpy(hit->header, header, kBlockHeaderSize);
                hit->headerBytes = kBlockHeaderSize;
                return kScanFound;
            }
            int64_t headerRead = FileReadAt(fd, hit->header, kBlockHeaderSize, hit->markerOffset + kMarkerSize);
            if (headerRead < 0) return kScanReadError;
            hit->headerBytes = int(headerRead);
            return headerRead == kBlockHeaderSize ? kScanFound : kScanShortHeader;
        }
        if (resume <= position) resume = position + 1; // never stand still
        position = resume;
        if (readSize < kLargestReadSize) readSize *= 2;
    }
    return kScanEnd;
}

void BlockIndex::Clear() {
    built = false;
    fileLength = 0;
    blocks.clear();
    firstByKey.clear();
    endResult = 0;
    endIsBrokenHeader = false;
}

long BlockIndex::FirstMatch(const char* name, const char* type) const {
    auto found = firstByKey.find(KeyOf(name, type));
    return found == firstByKey.end() ? -1 : long(found->second);
}

void BuildBlockIndex(int fd, int64_t fileLength, const BlowfishState* cipher, BlockIndex* index) {
    index->Clear();
    index->fileLength = fileLength;
    int64_t from = kFirstBlockOffset;
    for (;;) {
        ScanHit hit;
        ScanStatus status = ScanForBlock(fd, fileLength, from, &hit);
        if (status == kScanEnd) {
            index->endResult = 0;
            break;
        }
        if (status == kScanReadError) {
            index->endResult = 2;
            break;
        }
        if (status == kScanShortHeader) {
            index->endResult = hit.headerBytes == 0 ? 0 : 2;
            index->endIsBrokenHeader = true;
            break;
        }
        if (cipher) BlowfishDecipher(cipher, hit.header, kBlockHeaderSize);
        IndexedBlock block;
        DecodeBlockHeader(hit.header, &block.header);
        block.dataOffset = hit.markerOffset + kBlockFrameSize;
        index->firstByKey.emplace(KeyOf(block.header.name, block.header.type), index->blocks.size());
        index->blocks.push_back(block);
        // Always forward: the data offset is past the marker and the stored size is unsigned.
        from = block.dataOffset + int64_t(block.header.storedSize);
    }
    index->built = true;
}

} // namespace dpf
