// Recovering a package whose last change a crash cut short (see dpf_recovery.h).
#include "data/dpf_recovery.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/checksum.h"
#include "data/dpf_file.h"
#include "data/dpf_format.h"
#include "data/dpf_scan.h"
#include "platform/file_io.h"

namespace dpf {

// Candidates: every block marker in the file (an unfinished append starts with one), a cut-short
// marker at its very end, and every block header that is not marked deleted yet.
// Block headers of a protected package can only be marked when its key is set (headersReadable).
bool RecoverInterruptedChange(int fd, int64_t length, Uint32 stored, bool headersReadable,
                              const BlowfishState* cipher, Uint32* checksum) {
    std::vector<int64_t> markers;
    for (int64_t from = kFirstBlockOffset;;) {
        ScanHit hit;
        ScanStatus status = ScanForBlock(fd, length, from, &hit);
        if (status != kScanFound && status != kScanShortHeader) break;
        markers.push_back(hit.markerOffset);
        from = hit.markerOffset + 1;
    }
    Uint8 tail[kMarkerSize] = {0};
    int64_t tailStart = std::max<int64_t>(kFirstBlockOffset, length - (kMarkerSize - 1));
    if (FileReadAt(fd, tail, size_t(length - tailStart), tailStart) == length - tailStart) {
        for (int64_t at = tailStart; at < length; ++at) {
            if (std::memcmp(tail + (at - tailStart), kBlockMarker, size_t(length - at)) == 0) {
                markers.push_back(at);
                break;
            }
        }
    }

    // Checksums of every prefix that ends at a candidate, in one pass.
    std::vector<Uint8> buffer(kChecksumReadSize);
    Uint32 crc = 0;
    int64_t at = kFirstBlockOffset;
    auto advanceTo = [&](int64_t end) {
        while (at < end) {
            size_t wanted = size_t(std::min<int64_t>(end - at, int64_t(buffer.size())));
            if (FileReadAt(fd, buffer.data(), wanted, at) != int64_t(wanted)) return false;
            crc = ChecksumUpdate(crc, buffer.data(), wanted);
            at += int64_t(wanted);
        }
        return true;
    };
    for (int64_t marker : markers) {
        if (!advanceTo(marker)) return false;
        if (crc == stored) { // an append that did not finish: back to the package before it
            if (!FileTruncate(fd, marker)) return false;
            *checksum = crc;
            return true;
        }
    }
    if (!advanceTo(length) || !headersReadable) return false;

    for (int64_t marker : markers) {
        int64_t headerAt = marker + kMarkerSize;
        if (headerAt + kBlockHeaderSize > length) continue;
        Uint8 before[kBlockHeaderSize], after[kBlockHeaderSize];
        if (FileReadAt(fd, before, sizeof before, headerAt) != kBlockHeaderSize) return false;
        std::memcpy(after, before, sizeof after);
        if (cipher) BlowfishDecipher(cipher, after, sizeof after);
        MarkHeaderDeleted(after);
        if (cipher) BlowfishEncipher(cipher, after, sizeof after);
        if (std::memcmp(before, after, sizeof after) == 0) continue;
        uint64_t bytesAfter = uint64_t(length - headerAt - kBlockHeaderSize);
        if (ChecksumAfterPatch(crc, before, after, sizeof after, bytesAfter) == stored) { // a delete to finish
            if (!FileWriteAt(fd, after, sizeof after, headerAt)) return false;
            *checksum = stored;
            return true;
        }
    }
    return false;
}

} // namespace dpf
