// Fuzzes the tile payloads. Each input is read as a version 2.0 payload ("TILB2", "TILE2") and
// converted as a version 1.0 one; a conversion that succeeds must give a payload that parses.
// Every parsed tile has its pixel rows read through. Then the input goes through CTile from a
// package (as "TILE2", or as "TILE", which the loader converts and stores) and its tiles are
// drawn.
//
// Seeds are the payloads the unit tests write into build/fuzz-seeds/tile_fuzz/.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "data/tile_payload.h"
#include "fuzz_package.h"

namespace {

std::string packagePath;
SDL_Surface* target = nullptr;

void Start() {
    packagePath = ScratchPackagePath("tile_fuzz");
    Nimbrel.Init(0);
    target = SDL_CreateRGBSurface(0, 64, 64, 32, 0xFF0000, 0xFF00, 0xFF, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (Start(), true);
    (void)started;
    if (size == 0 || size > (1u << 22)) return 0;

    tile::TileView tile;
    if (tile::ParseTile(data, size, &tile, nullptr)) ReadThrough(tile.image);
    std::vector<Uint8> converted;
    if (tile::ConvertLegacyTile(data, size, &converted, nullptr)) {
        tile::TileView fromLegacy;
        if (!tile::ParseTile(converted.data(), converted.size(), &fromLegacy, nullptr)) std::abort();
        ReadThrough(fromLegacy.image);
    }

    const int package = PackageHolding(packagePath, (size & 1) ? "TILE" : "TILE2", data, size);
    if (package <= 0) return 0;
    CTile loaded;
    if (loaded.Load(package, "fuzz", "TILE")) {
        const int count = loaded.GetTileCount();
        loaded.SetPosition(-3, -5);
        for (int number = 0; number <= count + 1 && number < 24; ++number) loaded.Draw(target, number);
        loaded.Draw(target, count);
        if (loaded.SetTileset(1, loaded.GetWidth(), 1)) loaded.Draw(target, loaded.GetTileCount());
    }
    IStuffDPF->Close(package);
    return 0;
}
