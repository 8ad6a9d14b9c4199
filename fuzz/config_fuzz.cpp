// Fuzz target: arbitrary bytes as the configuration document, stored as the "FILE" block of a
// package and read with Nimbrel.ReadConfig. Whatever the bytes, the read must end cleanly and
// leave only supported values in the record.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Nimbrel.h"

namespace {

std::string packagePath;

// A private directory on a memory file system when there is one: packages are created and
// flushed for every input.
std::string MakeWorkDirectory() {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                      : std::filesystem::temp_directory_path();
    std::filesystem::path directory = base / ("nimbrel-config-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(directory);
    return directory.string();
}

void RemoveWorkDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(packagePath).parent_path(), ignored);
}

bool Supported(const NimbrelConfig& record) {
    auto oneOf = [](unsigned value, std::initializer_list<unsigned> allowed) {
        for (unsigned a : allowed)
            if (value == a) return true;
        return false;
    };
    return record.frameDelay >= 0 && oneOf(record.renderer, {2, 4, 64}) && oneOf(record.colorDepth, {0, 8, 16, 32}) &&
           record.windowMode <= 2 && record.acceleration >= 1 && record.acceleration <= 3 && record.audioEnabled <= 1 &&
           oneOf(record.audioFormat, {8, 16}) && oneOf(record.audioFrequency, {11025, 22050, 44100}) &&
           oneOf(record.audioChannels, {1, 2, 4}) && record.audioBuffer >= 1024 && record.audioBuffer <= 16384;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (Nimbrel.Init(SDL_INIT_TIMER) != 1) std::abort();
    packagePath = MakeWorkDirectory() + "/config.dpf";
    std::atexit(RemoveWorkDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int package = IStuffDPF->Create(packagePath.c_str());
    if (package <= 0) std::abort();
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "config.xml");
    std::strcpy(block.type, "FILE");
    block.mode = DPFBlock::kStored;
    block.originalSize = static_cast<Uint32>(size);
    block.data = const_cast<Uint8*>(data);
    if (size > 0 && IStuffDPF->AddData(package, &block) <= 0) std::abort();
    IStuffDPF->Close(package);

    // A valid starting record: every field the read reaches must stay valid.
    NimbrelConfig record = {};
    record.renderer = 2;
    record.colorDepth = 32;
    record.acceleration = 1;
    record.audioFormat = 8;
    record.audioFrequency = 11025;
    record.audioChannels = 1;
    record.audioBuffer = 4096;
    Nimbrel.ReadConfig(packagePath.c_str(), "config.xml", &record);
    if (!Supported(record)) std::abort();
    return 0;
}
