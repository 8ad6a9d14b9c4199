// Fuzzes the bitmap fonts: each input is stored as a "FONT2" block and loaded with CFont::Load
// (which runs the mark-row analysis, or CreateUpperMark on a bitmap without a mark row), then
// printed with every character code and a clip rectangle taken from the input; when it does not
// load as "FONT2" it is tried as a "FONT" block, which Load rewrites in the package. The input is
// also scanned as a mark row on its own, and the tables checked to stay inside the row.
//
// Seeds are the payloads the unit tests write into build/fuzz-seeds/font_fuzz/.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Nimbrel.h"
#include "data/font_payload.h"

namespace {

std::string packagePath;
SDL_Surface* canvas = nullptr;
char everyCode[256];

void Start() {
    std::error_code error;
    std::filesystem::path base = std::filesystem::exists("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                                             : std::filesystem::temp_directory_path();
    packagePath = (base / ("font_fuzz_" + std::to_string(std::random_device()()) + ".dpf")).string();
    Nimbrel.Init(0);
    canvas = SDL_CreateRGBSurface(0, 96, 48, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int i = 0; i < 255; ++i) everyCode[i] = char(255 - i);
    everyCode[255] = 0;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// The tables a mark row gives stay within the row whatever it holds, and the runs are all counted.
void ScanAsMarkRow(const uint8_t* data, size_t size) {
    const int width = int(size < 4096 ? size : 4096);
    font::MarkRow row;
    font::ScanMarkRow(data, width, &row);
    int runs = 0;
    for (int x = 0; x < width; ++x) runs += data[x] && (x == 0 || !data[x - 1]);
    Check(row.runs == runs);
    const int stored = runs < font::kGlyphCount ? runs : font::kGlyphCount;
    for (int k = 0; k < stored; ++k) {
        Check(row.positions[k] >= 0 && row.positions[k] < width);
        Check(k == 0 || row.positions[k] > row.positions[k - 1]);
        Check(k == 0 || row.advances[k - 1] >= 1);
    }
    if (runs == font::kGlyphCount) Check(row.positions[font::kGlyphCount] == width && row.advances[font::kGlyphCount - 1] >= 1);
}

bool LoadAndPrint(int package, const uint8_t* data, size_t size) {
    CFont font;
    if (!font.Load(package, "fuzz")) return false;
    SDL_Rect clip = {Sint16(data[size / 2] % 96 - 16), Sint16(data[size / 3] % 48 - 8), Uint16(data[size - 1] % 120),
                     Uint16(data[0] % 64)};
    const int x = int(data[size / 4]) - 128, y = int(data[size / 5] % 64) - 32;
    font.Print(canvas, x, y, everyCode);
    font.Print(canvas, x, y, everyCode, &clip);
    font.PrintCursor(canvas, x, y, everyCode + 128, data[size / 6], &clip, 1);
    font.GetTextWidth(everyCode);
    return true;
}

void AddBlock(int package, const char* type, const uint8_t* data, size_t size) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "fuzz");
    std::strcpy(block.type, type);
    block.mode = DPFBlock::kStored;
    block.originalSize = Uint32(size);
    block.data = const_cast<Uint8*>(data);
    IStuffDPF->AddData(package, &block);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (Start(), true);
    (void)started;
    if (size == 0 || size > (1u << 22)) return 0;
    ScanAsMarkRow(data, size);

    const int package = IStuffDPF->Create(packagePath.c_str());
    if (package <= 0) return 0;
    AddBlock(package, "FONT2", data, size);
    if (!LoadAndPrint(package, data, size)) {
        DPFBlock stale;
        std::memset(&stale, 0, sizeof stale);
        std::strcpy(stale.name, "fuzz");
        std::strcpy(stale.type, "FONT2");
        IStuffDPF->Delete(package, &stale);
        AddBlock(package, "FONT", data, size);
        LoadAndPrint(package, data, size);
    }
    IStuffDPF->Close(package);
    return 0;
}
