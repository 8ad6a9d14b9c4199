// Steps on a whole package file (see dpf_file.h).
#include "data/dpf_file.h"

#include <cstdlib>
#include <cstring>

#include "Nimbrel.h"
#include "core/checksum.h"
#include "core/clock.h"
#include "platform/file_io.h"

namespace dpf {

Uint32 CalculateCRC(int fd, int64_t length) {
    if (fd < 0) return 0;
    std::vector<Uint8> buffer(kChecksumReadSize);
    Uint32 crc = 0;
    for (int64_t at = kFirstBlockOffset; at < length;) {
        size_t wanted = length - at < int64_t(buffer.size()) ? size_t(length - at) : buffer.size();
        int64_t got = FileReadAt(fd, buffer.data(), wanted, at);
        if (got != int64_t(wanted)) {
            ILogSystem.Msg(0, " . [IStuffDPF->CalculateCRC('%d')] Error: %s\n", fd,
                           got < 0 ? LastFileErrorText() : "unexpected end of file");
            return 0;
        }
        crc = ChecksumUpdate(crc, buffer.data(), wanted);
        at += got;
    }
    return crc;
}

bool UpdateHeader(const BlowfishState& headerCipher, int fd, Uint32 checksum, bool flushToDisk) {
    Uint8 header[kHeaderSize];
    if (FileReadAt(fd, header, sizeof header, kHeaderOffset) != kHeaderSize) {
        ILogSystem.Msg(0, " . [IStuffDPF->UpdateHeader(%d)] Error: the header could not be read.\n", fd);
        return false;
    }
    BlowfishDecipher(&headerCipher, header, sizeof header);
    char date[kDateSize];
    FormatPackageDate(date);
    SetHeaderModified(header, date);
    SetHeaderChecksum(header, checksum);
    BlowfishEncipher(&headerCipher, header, sizeof header);
    if (!FileWriteAt(fd, header, sizeof header, kHeaderOffset) || (flushToDisk && !FileSync(fd))) {
        ILogSystem.Msg(0, " . [IStuffDPF->UpdateHeader(%d)] Error: %s\n", fd, LastFileErrorText());
        return false;
    }
    return true;
}

void BuildPackageStart(const BlowfishState& headerCipher, Uint8 start[kFirstBlockOffset], const char* creator,
                       const char* created, bool protectedPackage) {
    std::srand(EngineTicks());
    std::memcpy(start, kIdentifierV4, kIdentifierSize);
    Uint8* header = start + kIdentifierSize;
    char now[kDateSize];
    FormatPackageDate(now);
    BuildHeader(header, creator, created ? created : now, protectedPackage);
    SetHeaderModified(header, now);
    BlowfishEncipher(&headerCipher, header, kHeaderSize);
}

std::vector<Uint8> BuildBlockFrame(const BlockHeader& header, const Uint8* data, const BlowfishState* cipher) {
    uint64_t padded = PaddedSize(header.storedSize);
    std::vector<Uint8> frame(kBlockFrameSize + padded, 0);
    std::memcpy(frame.data(), kBlockMarker, kMarkerSize);
    EncodeBlockHeader(header, frame.data() + kMarkerSize);
    if (header.storedSize) std::memcpy(frame.data() + kBlockFrameSize, data, header.storedSize);
    if (cipher) BlowfishEncipher(cipher, frame.data() + kMarkerSize, frame.size() - kMarkerSize);
    return frame;
}

} // namespace dpf
