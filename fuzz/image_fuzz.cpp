// Fuzzes IImage->Load on arbitrary "IMG" payloads: each input is stored as an image block in a
// fresh package and loaded back, with and without an information record. Damaged payloads must
// fail cleanly; sound ones must become surfaces whose every pixel can be read.
//
// Seeds are the payloads the unit tests write into build/fuzz-seeds/image_fuzz/.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"

namespace {

std::string packagePath;

void Start() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::exists("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                                             : std::filesystem::temp_directory_path();
    packagePath = (base / ("image_fuzz_" + std::to_string(std::random_device()()) + ".dpf")).string();
    Nimbrel.Init(0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (Start(), true);
    (void)started;
    if (size == 0 || size > (1u << 22)) return 0;

    const int package = IStuffDPF->Create(packagePath.c_str());
    if (package <= 0) return 0;
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "fuzz");
    std::strcpy(block.type, "IMG");
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(size);
    block.data = const_cast<Uint8*>(data);
    if (IStuffDPF->AddData(package, &block) > 0) {
        ImageInfo info;
        SDL_Surface* surface = IImage->Load(package, "fuzz", (size & 1) ? &info : nullptr);
        if (surface) {
            NimbrelAuthoring::RgbaImage pixels;
            NimbrelAuthoring::SurfaceToRgba(surface, &pixels); // reads every pixel of the surface
            SDL_FreeSurface(surface);
        }
    }
    IStuffDPF->Close(package);
    return 0;
}
