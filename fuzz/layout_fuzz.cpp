// Fuzz target: arbitrary bytes as the launcher's layout document, parsed as Setup parses it.
// Whatever the bytes, parsing must end with a known result and leave records that the launcher
// can use as they are: terminated texts, availability states and custom button types it knows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Nimbrel.h"
#include "layout.h"

namespace {

std::string documentPath;

void RemoveWorkDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(documentPath).parent_path(), ignored);
}

bool Terminated(const char* text, size_t size) { return std::memchr(text, '\0', size) != nullptr; }

bool Usable(const SetupLayout& layout) {
    if (!Terminated(layout.title, sizeof layout.title) || !Terminated(layout.target, sizeof layout.target) ||
        !Terminated(layout.skin, sizeof layout.skin) || !Terminated(layout.spriteName, sizeof layout.spriteName))
        return false;
    for (const auto& group : layout.groups)
        for (const ButtonRecord& slot : group)
            if (slot.state != kStateEnabled && slot.state != kStateDisabled) return false;
    for (const CustomButton& custom : layout.custom) {
        if (custom.type != -1 && custom.type != 1 && custom.type != 2) return false;
        if (!Terminated(custom.data, sizeof custom.data) || !Terminated(custom.graphic, sizeof custom.graphic))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                      : std::filesystem::temp_directory_path();
    std::filesystem::path directory = base / ("nimbrel-layout-fuzz-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(directory);
    documentPath = (directory / "layout.xml").string();
    std::atexit(RemoveWorkDirectory);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(documentPath.c_str(), "wb");
    if (!file) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    int handle = Nimbrel.XMLOpen(documentPath.c_str());
    if (handle <= 0) return 0;
    static SetupLayout layout;
    int result = ParseLayoutDocument(handle, &layout);
    Nimbrel.XMLClose(handle);
    if (result != 0 && result != 10 && !(result >= 11 && result <= 39) && !(result >= 1001 && result <= 1005) &&
        !(result >= 2001 && result <= 2052) && !(result >= 3001 && result <= 3041))
        std::abort();
    if (!Usable(layout)) std::abort();
    return 0;
}
