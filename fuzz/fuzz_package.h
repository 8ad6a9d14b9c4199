// What the fuzzers that go through a package share: a scratch package file in memory-backed
// storage, made anew for each input and holding that input as one block, and reading a parsed
// image's pixels through so the sanitizers see every byte a view claims.
#ifndef NIMBREL_FUZZ_FUZZ_PACKAGE_H
#define NIMBREL_FUZZ_FUZZ_PACKAGE_H

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Nimbrel.h"
#include "data/image_payload.h"

// A package path of its own for this fuzzer process.
inline std::string ScratchPackagePath(const std::string& fuzzer) {
    std::error_code error;
    std::filesystem::path base = std::filesystem::exists("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                                             : std::filesystem::temp_directory_path();
    return (base / (fuzzer + "_" + std::to_string(std::random_device()()) + ".dpf")).string();
}

// Creates the package anew with the input as block "fuzz" of `type`, stored as is. The open
// handle (close it), or 0 when the package or the block cannot be made.
inline int PackageHolding(const std::string& path, const char* type, const Uint8* data, size_t size) {
    const int package = IStuffDPF->Create(path.c_str());
    if (package <= 0) return 0;
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "fuzz");
    std::strncpy(block.type, type, sizeof block.type - 1);
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(size);
    block.data = const_cast<Uint8*>(data);
    if (IStuffDPF->AddData(package, &block) > 0) return package;
    IStuffDPF->Close(package);
    return 0;
}

// Where ReadThrough leaves its sum, so the reads are not optimised away.
inline volatile Uint8 readThroughSink = 0;

// Reads every row byte and palette byte of a parsed view.
inline void ReadThrough(const img::ImageView& view) {
    Uint8 sum = 0;
    for (Uint64 i = 0; i < Uint64(view.pitch) * view.format.height; ++i) sum = Uint8(sum + view.rows[i]);
    for (Uint32 i = 0; view.palette && i < img::kPaletteSize; ++i) sum = Uint8(sum + view.palette[i]);
    readThroughSink = sum;
}

#endif
