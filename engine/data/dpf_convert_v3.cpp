// Converting a version 3 package to version 4 (see dpf_convert_v3.h).
//
// The new package is written to "tmp.dpf" beside the old one and only then takes its place, so a
// failure at any step leaves the version 3 package as it was.
#include "data/dpf_convert_v3.h"

#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "core/byte_order.h"
#include "core/checksum.h"
#include "data/dpf_file.h"
#include "data/dpf_format.h"
#include "platform/file_io.h"

namespace dpf {

namespace {

// Longer paths are refused: the conversion's file names must fit the format's path fields.
const size_t kMaxV3PathLength = 250;

// "dir/setup.dpf" -> "dir/setup_v3.dpf". Only a dot in the file name itself counts, so a dot in a
// directory name never moves the backup elsewhere.
std::string BackupNameOf(const std::string& path) {
    size_t nameStart = path.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.find_last_of('.');
    std::string base = (dot != std::string::npos && dot > nameStart) ? path.substr(0, dot) : path;
    return base + "_v3.dpf";
}

// The temporary file of a conversion sits beside the package, so the final rename never crosses
// file systems.
std::string TemporaryNameOf(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "tmp.dpf";
}

struct Conversion {
    const char* path;
    int source = -1;
    int target = -1;
    int64_t sourceLength = 0;
    int64_t writeAt = kFirstBlockOffset;
    Uint32 checksum = 0;
    int imported = 0;
};

// Copies the version 3 blocks into the new package. False when the conversion must fail.
bool ConvertBlocks(Conversion& c) {
    int64_t readAt = kV3HeaderSize;
    for (;;) {
        Uint8 raw[kV3BlockHeaderSize];
        int64_t got = FileReadAt(c.source, raw, sizeof raw, readAt);
        if (got == 0) return true;
        if (got < kV3MarkerSize) return false;
        if (!IsV3Marker(raw)) {
            ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: header block does not match.\n", c.path);
            return false;
        }
        BlockHeader header;
        std::memset(&header, 0, sizeof header);
        const Uint8* fields = raw + kV3MarkerSize;
        std::memcpy(header.name, fields, kNameSize - 1);
        std::memcpy(header.type, fields + kNameSize, kV3TypeSize - 1);
        header.mode = fields[kNameSize + kV3TypeSize];
        const Uint8* sizes = fields + kNameSize + kV3TypeSize + 1;
        header.originalSize = ReadLittle32(sizes);
        header.storedSize = ReadLittle32(sizes + 4);

        int64_t dataAt = readAt + kV3BlockHeaderSize;
        if (got < kV3BlockHeaderSize || dataAt + int64_t(header.storedSize) > c.sourceLength) {
            ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: data block is corrupted.\n", c.path);
            return false;
        }
        std::vector<Uint8> data(header.storedSize);
        if (FileReadAt(c.source, data.data(), data.size(), dataAt) != int64_t(data.size())) {
            ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: data block is corrupted.\n", c.path);
            return false;
        }
        readAt = dataAt + header.storedSize;
        if (std::strcmp(header.type, "DELE") == 0) continue;

        ++c.imported;
        ILogSystem.Msg(2, " . [IStuffDPF->Update3to4('%s')] Info: imported block %d - Name '%s' - Type '%s' - Size %d Kb\n",
                       c.path, c.imported, header.name, header.type, int(header.originalSize / 1024));
        std::vector<Uint8> frame = BuildBlockFrame(header, data.data(), nullptr);
        if (!FileWriteAt(c.target, frame.data(), frame.size(), c.writeAt)) {
            ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: new data block is corrupted.\n", c.path);
            return false;
        }
        c.checksum = ChecksumUpdate(c.checksum, frame.data(), frame.size());
        c.writeAt += frame.size();
    }
}

// Writes the version 4 package into `temporary`. False (logged) when any step fails; the caller
// removes the temporary file then.
bool WriteConvertedPackage(const BlowfishState& headerCipher, const char* path, const std::string& temporary,
                           int* imported) {
    ScopedFile source(FileOpen(path, kFileReadOnly));
    Uint8 oldHeader[kV3HeaderSize];
    if (!source.isOpen() || FileReadAt(source.get(), oldHeader, sizeof oldHeader, 0) != kV3HeaderSize) return false;
    ScopedFile target(FileOpen(temporary.c_str(), kFileCreateReadWrite));
    if (!target.isOpen()) return false;

    char creator[kCreatorSize] = {0};
    char created[kDateSize] = {0};
    std::memcpy(creator, oldHeader + kV3CreatorOffset, kCreatorSize - 1);
    std::memcpy(created, oldHeader + kV3DateOffset, kDateSize - 1);
    Uint8 start[kFirstBlockOffset];
    BuildPackageStart(headerCipher, start, creator, created, false);
    if (!FileWriteAt(target.get(), start, kIdentifierSize, 0)) {
        ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: new ID block is corrupted.\n", path);
        return false;
    }
    if (!FileWriteAt(target.get(), start + kIdentifierSize, kHeaderSize, kHeaderOffset)) {
        ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: new header block is corrupted.\n", path);
        return false;
    }

    ILogSystem.Msg(2, "\n . [IStuffDPF->Update3to4('%s')] Info: creating new DPF v4.0...\n", path);
    Conversion c;
    c.path = path;
    c.source = source.get();
    c.target = target.get();
    c.sourceLength = FileLength(source.get());
    if (!ConvertBlocks(c) || !UpdateHeader(headerCipher, target.get(), c.checksum, true)) return false;
    *imported = c.imported;
    return FileClose(target.Release()) == 0;
}

// Puts the converted package in the original's place, keeping the original as its backup. False
// (logged) with the original back in place when a rename fails.
bool SwapIn(const char* path, const std::string& temporary) {
    std::string backup = BackupNameOf(path);
    if (!FileRename(path, backup.c_str())) {
        ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: %s\n", path, LastFileErrorText());
        return false;
    }
    if (!FileRename(temporary.c_str(), path)) {
        ILogSystem.Msg(0, " . [IStuffDPF->Update3to4('%s')] Error: %s\n", path, LastFileErrorText());
        FileRename(backup.c_str(), path); // put the original back where it was
        return false;
    }
    SyncParentDirectory(path);
    ILogSystem.Msg(2, "   - Original DPF v3.0 was renamed to %s\n\n", backup.c_str());
    return true;
}

} // namespace

int ConvertVersion3(const BlowfishState& headerCipher, const char* path) {
    if (std::strlen(path) > kMaxV3PathLength) return -1;
    const std::string temporary = TemporaryNameOf(path);
    int imported = 0;
    if (!WriteConvertedPackage(headerCipher, path, temporary, &imported)) {
        FileRemove(temporary.c_str());
        return -1;
    }
    ILogSystem.Msg(2, " . [IStuffDPF->Update3to4('%s')] Info: total blocks imported: %d\n", path, imported);
    if (!SwapIn(path, temporary)) {
        FileRemove(temporary.c_str());
        return -1;
    }
    return FileOpen(path, kFileReadWrite);
}

} // namespace dpf
