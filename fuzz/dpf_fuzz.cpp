// Fuzzes the package reader on arbitrary bytes: IStuffDPF->Open (identifier, header, version 3
// conversion), the block search, LoadBlock of every block found, and one append and delete.
//
// Built with -DNIMBREL_FUZZ_SKIP_CHECKSUM=ON so that inputs get past the checksum comparison and
// reach the search and the loaders. Seeds are packages the unit tests write into
// build/fuzz-seeds/dpf_fuzz/.
#include <ucl/ucl.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Nimbrel.h"

namespace {

std::filesystem::path workDirectory;
std::string packagePath;

const int kMaxBlocksVisited = 4096;
// The key of the protected seed package the unit tests write.
const char kFuzzKey[] = "correct horse";

void WriteInput(const uint8_t* data, size_t size) {
    std::ofstream out(packagePath, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

void Exercise(int handle) {
    if (IStuffDPF->IsProtected(handle) == 1) IStuffDPF->SetKey(kFuzzKey, sizeof kFuzzKey - 1);

    std::vector<DPFBlock> blocks;
    DPFBlock block;
    for (int result = IStuffDPF->FindFirst(handle, &block); result == 1 && int(blocks.size()) < kMaxBlocksVisited;
         result = IStuffDPF->FindNext(handle, &block))
        blocks.push_back(block);
    for (const DPFBlock& found : blocks) {
        DPFBlock loaded;
        if (IStuffDPF->LoadBlock(handle, found.type, found.name, &loaded) > 0) std::free(loaded.data);
    }

    static const char kPayload[] = "fuzz payload, fuzz payload, fuzz payload";
    DPFBlock added{};
    std::snprintf(added.name, sizeof added.name, "fuzz-added");
    std::snprintf(added.type, sizeof added.type, "RAW");
    added.mode = DPFBlock::kCompressed;
    added.originalSize = sizeof kPayload;
    added.data = reinterpret_cast<Uint8*>(const_cast<char*>(kPayload));
    if (IStuffDPF->AddData(handle, &added) > 0) {
        DPFBlock loaded;
        if (IStuffDPF->LoadBlock(handle, "RAW", "fuzz-added", &loaded) > 0) std::free(loaded.data);
        IStuffDPF->Delete(handle, &added);
    }
    IStuffDPF->SetKey(nullptr, 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ucl_init();
    IStuffDPF = new class IStuffDPF;
    // Memory-backed when the system offers it: every input is written to a file and flushed.
    std::error_code ignored;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ignored) ? std::filesystem::path("/dev/shm")
                                                                                   : std::filesystem::temp_directory_path();
    workDirectory = base / ("nimbrel-dpf-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(workDirectory);
    packagePath = (workDirectory / "input.dpf").string();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteInput(data, size);
    int handle = IStuffDPF->Open(packagePath.c_str());
    if (handle > 0) {
        Exercise(handle);
        IStuffDPF->Close(handle);
    }
    // A version 3 input is converted in place, leaving a backup beside it.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(workDirectory, ignored))
        if (entry.path().filename() != "input.dpf") std::filesystem::remove(entry.path(), ignored);
    return 0;
}
