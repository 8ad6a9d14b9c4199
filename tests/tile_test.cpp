// CTile: tile sets and their numbering, block types and the version 1.0 conversion stored in the
// package, damaged blocks; and what sprites and tiles share: lost-surface restore and the leak
// report at shutdown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Nimbrel.h"
#include "resource_test_util.h"
#include "support/test_support.h"
#include "testing/test_seams.h"

using namespace restest;

namespace {

class Tile : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        package = IStuffDPF->Create("tiles.dpf");
        ASSERT_GT(package, 0);
        target = Surface32(80, 48, 0);
    }
    void TearDown() override {
        if (package > 0) IStuffDPF->Close(package);
        SDL_FreeSurface(target);
    }
    std::string Line(const std::string& name, const std::string& type, const std::string& text) {
        return " . [CTile::Load('tiles.dpf','" + name + "','" + type + "')] " + text;
    }

    ScopedTempDir dir;
    EngineSession engine{5};
    int package = 0;
    SDL_Surface* target = nullptr;
};

const char kTileWarning[] = "] Warning: the given tile number does not exist in current tileset.\n";

} // namespace

TEST_F(Tile, TilesAreNumberedFromOneRowByRow) {
    AddBlock(package, "grid", "TILB2", MakeTile(64, 32, true, 16, 16, 8, 4).payload);
    CTile tile;
    ASSERT_TRUE(tile.Load(package, "grid", "TILB2"));
    EXPECT_EQ(8, tile.GetTileCount());
    EXPECT_EQ(64, tile.GetWidth());
    EXPECT_EQ(32, tile.GetHeight());
    EXPECT_EQ(8, tile.GetX());
    EXPECT_EQ(4, tile.GetY());

    EXPECT_EQ(1, tile.Draw(target, 5)); // second row, first column
    EXPECT_EQ(SheetColour(0, 16), ColourAt(target, 8, 4));
    EXPECT_EQ(SheetColour(15, 31), ColourAt(target, 23, 19));
    EXPECT_EQ(0u, ColourAt(target, 24, 4)); // one tile wide
    EXPECT_EQ(0u, ColourAt(target, 8, 20)); // one tile high
    tile.SetPosition(40, 30);
    EXPECT_EQ(1, tile.Draw(target, 4)); // first row, last column
    EXPECT_EQ(SheetColour(48, 0), ColourAt(target, 40, 30));

    SDL_FillRect(target, nullptr, 0);
    EXPECT_EQ(0, tile.Draw(target, 9));
    EXPECT_EQ(0, tile.Draw(target, 0));
    EXPECT_EQ(0, tile.Draw(target, -3));
    EXPECT_EQ(1, Count(engine.Log(), " . [CTileEngine::Draw(9)" + std::string(kTileWarning)));
    EXPECT_EQ(1, Count(engine.Log(), kTileWarning));
    for (int y = 0; y < target->h; ++y)
        for (int x = 0; x < target->w; ++x) ASSERT_EQ(0u, ColourAt(target, x, y));
}

TEST_F(Tile, TileSizesThatDoNotDivideTheImageLeaveItWhole) {
    AddBlock(package, "odd", "TILE2", MakeTile(64, 32, false, 0, 0).payload);
    CTile tile;
    EXPECT_FALSE(tile.SetTileset(1, 16, 16)); // not loaded
    ASSERT_TRUE(tile.Load(package, "odd", "TILE"));
    EXPECT_EQ(0, tile.GetTileCount());
    EXPECT_FALSE(tile.SetTileset(1, 10, 16));
    EXPECT_FALSE(tile.SetTileset(1, 16, -16));
    EXPECT_EQ(0, tile.GetTileCount());
    EXPECT_EQ(1, tile.Draw(target, 77)); // the number is ignored: the whole image
    EXPECT_EQ(SheetColour(63, 31), ColourAt(target, 63, 31));

    EXPECT_TRUE(tile.SetTileset(1, 0, 8)); // 0 counts as 1
    EXPECT_EQ(64 * 4, tile.GetTileCount());
    EXPECT_TRUE(tile.SetTileset(1, 32, 32));
    EXPECT_EQ(2, tile.GetTileCount());
    EXPECT_FALSE(tile.SetTileset(0, 32, 32));
    EXPECT_EQ(0, tile.GetTileCount());

    // A stored tile set whose sizes do not divide the image loads as a whole image.
    TestTile made = MakeTile(64, 32, true, 16, 16);
    WriteLittle32(&made.payload[20], 24);
    AddBlock(package, "stored-odd", "TILE2", made.payload);
    CTile stored;
    ASSERT_TRUE(stored.Load(package, "stored-odd", "TILE2"));
    EXPECT_EQ(0, stored.GetTileCount());
}

TEST_F(Tile, TypesOfBothFamiliesFindTheirCurrentVersionAndOthersAreRefused) {
    AddBlock(package, "button", "TILB2", MakeTile(8, 8, false, 0, 0).payload);
    for (const char* type : {"TILB", "TILB2"}) {
        CTile tile;
        EXPECT_TRUE(tile.Load(package, "button", type)) << type;
    }
    CTile wrong;
    EXPECT_FALSE(wrong.Load(package, "button", "SPR2"));
    EXPECT_EQ(1, Count(engine.Log(), Line("button", "SPR2", "Error: the typeblock is not supported.\n")));
    EXPECT_FALSE(wrong.Load(package, "button", "TIL"));
    EXPECT_FALSE(wrong.Load(package, "button", "TILE"));
    EXPECT_EQ(1, Count(engine.Log(), Line("button", "TILE", "Error: tile not found.\n")));
    EXPECT_FALSE(wrong.Load(package, nullptr, "TILE"));
    EXPECT_FALSE(wrong.Load(0, "button", "TILB"));
    EXPECT_EQ(0, wrong.Draw(target, 1));

    CTile twice;
    ASSERT_TRUE(twice.Load(package, "button", "TILB"));
    EXPECT_FALSE(twice.Load(package, "button", "TILB"));
    EXPECT_EQ(1, Count(engine.Log(),
                       Line("button", "TILB", "Warning: tile already exists. It is not possible to create another one.\n")));
    EXPECT_EQ(0, twice.Draw(nullptr, 1));
    EXPECT_EQ(1, Count(engine.Log(), " . [CTile::Draw()] Error: the given surface or Nimbrel.screen are null.\n"));
}

TEST_F(Tile, AVersionOneTileIsConvertedOnceWithSquareTiles) {
    TestTile made = MakeTile(64, 32, true, 16, 16);
    const std::vector<Uint8> legacy = LegacyTile(made.payload);
    AddBlock(package, "old", "TILB", legacy);
    KeepSeed("tile_fuzz", "legacy", legacy);
    KeepSeed("tile_fuzz", "current", made.payload);

    CTile first;
    ASSERT_TRUE(first.Load(package, "old", "TILB"));
    EXPECT_EQ(8, first.GetTileCount()); // 16 x 16: the tile width served as tile height
    const std::string updated = Line("old", "TILB", "Info: tile successfully updated from v1.0 to v2.0.\n");
    EXPECT_EQ(1, Count(engine.Log(), updated));
    EXPECT_EQ(std::vector<std::string>({"?ld/DELETED", "old/TILB2"}), BlockList(package));
    EXPECT_EQ(std::string(made.payload.begin(), made.payload.end()), dpftest::Load(package, "TILB2", "old"));

    CTile second;
    ASSERT_TRUE(second.Load(package, "old", "TILB2"));
    EXPECT_EQ(1, Count(engine.Log(), updated));
    EXPECT_EQ(2u, BlockList(package).size());
}

TEST_F(Tile, DamagedBlocksOfEitherVersionFailAndChangeNothing) {
    const std::vector<Uint8> good = MakeTile(12, 6, true, 4, 3).payload;
    const std::vector<Uint8> legacy = LegacyTile(good);
    auto cut = [](const std::vector<Uint8>& p, size_t n) { return std::vector<Uint8>(p.begin(), p.begin() + long(n)); };
    auto patched = [](std::vector<Uint8> p, size_t at, Uint32 value) {
        WriteLittle32(&p[at], value);
        return p;
    };
    std::vector<std::pair<std::string, std::vector<Uint8>>> current = {
        {"cut63", cut(good, 63)},
        {"no-trailer", cut(good, good.size() - 64)},
        {"cut-rows", cut(good, good.size() - 1)},
        {"width-huge", patched(good, 0, 0x40000000)},
        {"width-negative", patched(good, 0, 0xFFFFFFFF)},
        {"height-zero", patched(good, 4, 0)},
        {"pitch-mismatch", patched(good, 0, 13)},
        {"too-wide-to-address", patched(patched(good, 0, 40000), 4, 1)},
    };
    std::vector<std::pair<std::string, std::vector<Uint8>>> old = {
        {"old-cut", cut(legacy, 40)},
        {"old-cut-rows", cut(legacy, legacy.size() - 1)},
        {"old-height-huge", patched(legacy, 4, 0x10000)},
    };
    for (const auto& block : current) AddBlock(package, block.first, "TILE2", block.second);
    for (const auto& block : old) AddBlock(package, block.first, "TILE", block.second);
    const std::string before = ReadFile("tiles.dpf");
    current.insert(current.end(), old.begin(), old.end());
    for (const auto& block : current) {
        CTile tile;
        EXPECT_FALSE(tile.Load(package, block.first.c_str(), "TILE")) << block.first;
        EXPECT_EQ(1, Count(engine.Log(), Line(block.first, "TILE", "Error: the tile block is damaged: "))) << block.first;
        EXPECT_EQ(nullptr, tile.GetSurface());
        KeepSeed("tile_fuzz", block.first, block.second);
    }
    EXPECT_TRUE(before == ReadFile("tiles.dpf"));
}

// ---- What sprites and tiles share ---------------------------------------------------------------

namespace {

SDL_Surface* losing = nullptr; // the surface the stand-in blit reports lost, once

int LosingBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    if (source == losing) {
        losing = nullptr;
        std::memset(source->pixels, 0xEE, size_t(source->pitch) * source->h);
        return -2;
    }
    return SDL_UpperBlit(source, sourceRect, destination, destinationRect);
}

} // namespace

TEST_F(Tile, LostSurfacesOfSpritesAndTilesAreRestoredFromTheirBackup) {
    AddBlock(package, "grid", "TILB2", MakeTile(64, 32, true, 16, 16).payload);
    AddBlock(package, "hero", "SPR2", MakeSprite(4, {spr::MakeAnimation(spr::kLoop, 2, 10)}).payload);
    Nimbrel.lostSurfaceCheck = 1;
    CTile tile;
    CSprite sprite;
    ASSERT_TRUE(tile.Load(package, "grid", "TILB2"));
    ASSERT_EQ(1, sprite.Load(package, "hero", "SPR2"));
    NimbrelTestSeam::SetUpperBlit(LosingBlit);

    losing = tile.GetSurface();
    EXPECT_EQ(1, tile.Draw(target, 6));
    EXPECT_EQ(nullptr, losing);
    EXPECT_EQ(SheetColour(16, 16), ColourAt(target, 0, 0));
    EXPECT_EQ(SheetColour(31, 31), ColourAt(target, 15, 15));
    losing = sprite.GetSurface();
    sprite.SetPosition(20, 20, 0);
    sprite.Draw(target);
    EXPECT_EQ(nullptr, losing);
    EXPECT_EQ(SheetColour(3, 3), ColourAt(target, 23, 23));
    EXPECT_EQ(2, Count(engine.Log(), " . [Nimbrel_Blit()] Info: lost surface was restored.\n"));

    NimbrelTestSeam::SetUpperBlit(nullptr);
    Nimbrel.lostSurfaceCheck = 0;
}

TEST(Resources, QuitReportsSpritesAndTilesLeftUndeleted) {
    ScopedTempDir dir;
    CSprite* sprite = nullptr;
    CTile* tiles[2] = {nullptr, nullptr};
    std::string log;
    {
        EngineSession engine(2);
        ASSERT_TRUE(engine.started());
        sprite = new CSprite;
        tiles[0] = new CTile;
        tiles[1] = new CTile;
        delete new CSprite; // deleted ones are not reported
        EXPECT_EQ(1, Nimbrel.liveSprites);
        EXPECT_EQ(2, Nimbrel.liveTiles);
        Nimbrel.Quit();
        log = engine.Log();
    }
    EXPECT_EQ(1, Count(log, "\n . [CTiles] Warning! your application have left 2 tiles without deleting."));
    EXPECT_EQ(1, Count(log, "\n . [CSprites] Warning! your application have left 1 sprites without deleting."));
    delete sprite;
    delete tiles[0];
    delete tiles[1];
}

TEST(Resources, LoadingNeedsAStartedEngine) {
    ScopedTempDir dir;
    ILogSystem.Init("test.log", ILogSystem::kOutputNewFile, 5, "resource test");
    CSprite sprite;
    CTile tile;
    EXPECT_EQ(0, sprite.Load(1, "hero", "SPR2"));
    EXPECT_EQ(0, sprite.Load("sprites.dpf", "hero", "SPR2"));
    EXPECT_FALSE(tile.Load(1, "grid", "TILB"));
    const std::string log = ReadFile("test.log");
    EXPECT_EQ(2, Count(log, " . [CSprite::Load('','hero','SPR2')] Error: Nimbrel was not initialized. Aborting the sprite load.\n"));
    EXPECT_EQ(1, Count(log, " . [CTile::Load('','grid','TILB')] Error: Nimbrel was not initialized. Aborting the tile creation.\n"));
}
