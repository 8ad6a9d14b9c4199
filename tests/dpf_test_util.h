// Helpers for the package tests: building block records, reading and patching raw package bytes,
// resealing a hand-made package with a valid checksum, and a plain byte-by-byte block search to
// compare the engine's search with.
#ifndef NIMBREL_TESTS_DPF_TEST_UTIL_H
#define NIMBREL_TESTS_DPF_TEST_UTIL_H

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "data/blowfish.h"
#include "core/checksum.h"
#include "data/dpf_format.h"
#include "support/test_support.h"

namespace dpftest {

inline DPFBlock Record(const std::string& name, const std::string& type, Uint8 mode, const std::string& payload) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::memcpy(block.name, name.data(), std::min(name.size(), sizeof block.name));
    std::memcpy(block.type, type.data(), std::min(type.size(), sizeof block.type));
    block.mode = mode;
    block.originalSize = Uint32(payload.size());
    block.data = reinterpret_cast<Uint8*>(const_cast<char*>(payload.data()));
    return block;
}

// The record points into the payload, so the payload must outlive it.
DPFBlock Record(const std::string& name, const std::string& type, Uint8 mode, std::string&& payload) = delete;

// A record naming a block to find or delete.
inline DPFBlock Wanted(const std::string& name, const std::string& type) {
    static const std::string none;
    return Record(name, type, DPFBlock::kStored, none);
}

// Loads a block and returns its payload (original size bytes); "<failed>" when the load fails.
inline std::string Load(int handle, const std::string& type, const std::string& name) {
    DPFBlock block;
    int size = IStuffDPF->LoadBlock(handle, type.c_str(), name.c_str(), &block);
    if (size <= 0 || !block.data) return "<failed>";
    std::string payload(reinterpret_cast<char*>(block.data), size_t(size));
    std::free(block.data);
    return payload;
}

inline std::string Marker() { return std::string(reinterpret_cast<const char*>(dpf::kBlockMarker), dpf::kMarkerSize); }

// Mixed data: text-like runs, a little noise.
inline std::string SampleData(size_t size, unsigned seed) {
    std::string data(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        data[i] = (i % 64 < 48) ? char('a' + (i / 64 + seed) % 26) : char(state >> 24);
    }
    return data;
}

inline std::string PlainHeader(const std::string& package) {
    std::string header = package.substr(dpf::kIdentifierSize, dpf::kHeaderSize);
    BlowfishState state;
    dpf::KeyWithBuiltInKey(&state);
    BlowfishDecipher(&state, &header[0], header.size());
    return header;
}

// A raw version 4 block: marker, plain 64-byte header, data padded with zeros.
inline std::string RawBlock(const std::string& name, const std::string& type, Uint8 mode, Uint32 originalSize,
                            Uint32 storedSize, const std::string& data) {
    dpf::BlockHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.name, name.data(), std::min(name.size(), size_t(31)));
    std::memcpy(header.type, type.data(), std::min(type.size(), size_t(7)));
    header.mode = mode;
    header.originalSize = originalSize;
    header.storedSize = storedSize;
    Uint8 bytes[dpf::kBlockHeaderSize];
    dpf::EncodeBlockHeader(header, bytes);
    std::string padded = data;
    padded.resize(dpf::PaddedSize(data.size()), '\0');
    return Marker() + std::string(reinterpret_cast<char*>(bytes), sizeof bytes) + padded;
}

// Writes a package whose blocks region is `body` (raw bytes after offset 520) with a header that
// carries the right checksum, so it opens.
inline void WriteSealedPackage(const std::string& path, const std::string& body, bool protectedPackage = false) {
    Uint8 header[dpf::kHeaderSize];
    dpf::BuildHeader(header, "test maker", "Tue Dec 08 01:24:02 2026", protectedPackage);
    dpf::SetHeaderChecksum(header, ChecksumUpdate(0, body.data(), body.size()));
    BlowfishState state;
    dpf::KeyWithBuiltInKey(&state);
    BlowfishEncipher(&state, header, sizeof header);
    WriteFile(path, std::string(dpf::kIdentifierV4, 8) + std::string(reinterpret_cast<char*>(header), sizeof header) + body);
}

// A raw version 3 block: its marker (".BlockData." or the framed form), name, type, mode, sizes
// and data, as that version wrote them.
inline std::string V3Block(const std::string& marker, const std::string& name, const std::string& type, Uint8 mode,
                           Uint32 originalSize, const std::string& data) {
    std::string block = marker;
    std::string field(32, '\0');
    field.replace(0, name.size(), name);
    block += field;
    field.assign(5, '\0');
    field.replace(0, type.size(), type);
    block += field;
    block += char(mode);
    Uint32 sizes[2] = {originalSize, Uint32(data.size())};
    block.append(reinterpret_cast<char*>(sizes), 8);
    return block + data;
}

// A version 3 package: its 256-byte plain header, then `blocks`.
inline std::string V3Package(const std::string& blocks) {
    std::string header(256, '\0');
    header.replace(0, 8, std::string("DPFv3.0\0", 8));
    header.replace(8, 11, "old creator");
    header.replace(37, 24, "Mon Jan 05 10:00:00 2004");
    return header + blocks;
}

struct FoundBlock {
    std::string name, type;
    Uint32 originalSize, storedSize;
    bool operator==(const FoundBlock& o) const {
        return name == o.name && type == o.type && originalSize == o.originalSize && storedSize == o.storedSize;
    }
};

// The blocks a plain byte-by-byte search finds in a plain package's bytes.
inline std::vector<FoundBlock> ReferenceScan(const std::string& package) {
    std::vector<FoundBlock> found;
    size_t at = dpf::kFirstBlockOffset;
    const std::string marker = Marker();
    while (at < package.size()) {
        if (Uint8(package[at]) != 0xB7 || package.compare(at, 16, marker) != 0 || at + 80 > package.size()) {
            ++at;
            continue;
        }
        dpf::BlockHeader header;
        dpf::DecodeBlockHeader(reinterpret_cast<const Uint8*>(package.data() + at + 16), &header);
        found.push_back({header.name, header.type, header.originalSize, header.storedSize});
        at += 80 + size_t(header.storedSize);
    }
    return found;
}

// The blocks the engine's finds report.
inline std::vector<FoundBlock> EngineScan(int handle) {
    std::vector<FoundBlock> found;
    DPFBlock block;
    for (int result = IStuffDPF->FindFirst(handle, &block); result == 1; result = IStuffDPF->FindNext(handle, &block))
        found.push_back({block.name, block.type, block.originalSize, block.storedSize});
    return found;
}

// Copies a package into the package fuzzer's seed corpus.
inline void KeepAsFuzzSeed(const std::string& path, const std::string& seedName) {
    std::filesystem::path seeds = std::filesystem::path(NIMBREL_BINARY_DIR) / "fuzz-seeds" / "dpf_fuzz";
    std::error_code ignored;
    std::filesystem::create_directories(seeds, ignored);
    WriteFile((seeds / (seedName + ".dpf")).string(), ReadFile(path));
}

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace dpftest

#endif
