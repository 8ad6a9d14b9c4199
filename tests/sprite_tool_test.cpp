// dpf add-sprite and add-tile against CSprite and CTile: what the tool stores is what the engine
// draws, frame by frame and tile by tile; options that do not fit the artwork are wrong usage;
// dpf list says what the engine reads in each sprite and tile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "resource_test_util.h"
#include "support/test_support.h"

using namespace restest;

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

// A PNG whose every pixel names where it lies, as the coordinate sheets of the resource tests do
// (SheetColour), so a drawn pixel tells which frame or tile it came from. `magenta` pixels are set
// to FF00FF for key colour checks.
void WriteSheet(const std::string& path, Uint32 width, Uint32 height, const std::vector<SDL_Rect>& magenta = {}) {
    NimbrelAuthoring::RgbaImage image;
    image.Resize(width, height);
    for (Uint32 y = 0; y < height; ++y)
        for (Uint32 x = 0; x < width; ++x) {
            Uint8* p = image.Pixel(x, y);
            p[0] = Uint8(x), p[1] = Uint8(y), p[2] = 0x80, p[3] = 255;
        }
    for (const SDL_Rect& at : magenta) {
        Uint8* p = image.Pixel(Uint32(at.x), Uint32(at.y));
        p[0] = 0xFF, p[1] = 0x00, p[2] = 0xFF;
    }
    std::vector<Uint8> png;
    std::string problem;
    ASSERT_TRUE(NimbrelAuthoring::EncodePNG(image, false, &png, &problem)) << problem;
    WriteFile(path, std::string(png.begin(), png.end()));
}

class SpriteTool : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        target = Surface32(64, 48, 0);
        WriteSheet("sheet.png", 40, 24); // three rows of five 8x8 frames
        ASSERT_EQ(0, RunDpf("create game.dpf").status);
    }
    void TearDown() override { SDL_FreeSurface(target); }

    ToolRun Added(const std::string& arguments) {
        ToolRun run = RunDpf(arguments);
        EXPECT_EQ(0, run.status) << arguments << "\n" << run.err;
        return run;
    }

    // Draws after `ms` more: the frame shown, which must be the one drawn at (x, y) of the target.
    int Step(CSprite& sprite, Uint32 ms, int expectedResult, int x = 0, int y = 0) {
        clock.Advance(ms);
        EXPECT_EQ(expectedResult, sprite.Draw(target));
        const int frame = sprite.GetFrame();
        EXPECT_EQ(SheetColour(frame * 8, sprite.GetAnimation() * 8), ColourAt(target, x, y)) << "frame " << frame;
        return frame;
    }
    std::vector<int> Steps(CSprite& sprite, int count, Uint32 ms) {
        std::vector<int> frames;
        for (int i = 0; i < count; ++i) frames.push_back(Step(sprite, ms, 1));
        return frames;
    }

    ScopedTempDir dir;
    EngineSession engine{5};
    FakeClock clock;
    SDL_Surface* target = nullptr;
};

typedef std::vector<int> Shown;

} // namespace

TEST_F(SpriteTool, EachAnimationRunsAsDescribedWithItsOwnFrameTimes) {
    ToolRun added =
        Added("add-sprite game.dpf sheet.png hero --frame 8x8 --hotspot 2,3 --anim pingpong:0:100,100,100,100"
              " --anim loop:2:50,60,70,80,90 --anim 8:0:30,30,30");
    EXPECT_TRUE(Has(added.out, "game.dpf: added sprite 'hero': 8x8 frames, 3 animations: ping-pong of 4 frames, 100 ms "
                               "each; loop of 5 frames back to frame 2, 50-90 ms each; once of 3 frames, 30 ms each;"))
        << added.out;

    CSprite sprite;
    ASSERT_EQ(3, sprite.Load("game.dpf", "hero", "SPR2"));
    EXPECT_EQ(8, sprite.GetFrameWidth());
    EXPECT_EQ(8, sprite.GetFrameHeight());
    sprite.SetPosition(12, 13, 0);
    SDL_FillRect(target, nullptr, 0);
    EXPECT_EQ(2, sprite.Draw(target));                      // the first draw starts the frame's time
    EXPECT_EQ(SheetColour(0, 0), ColourAt(target, 10, 10)); // drawn at the position less the hot spot
    EXPECT_EQ(SheetColour(7, 7), ColourAt(target, 17, 17));
    EXPECT_EQ(0u, ColourAt(target, 9, 10));
    EXPECT_EQ(0u, ColourAt(target, 18, 17));

    sprite.SetPosition(2, 3, 0);
    EXPECT_EQ(Shown({1, 2, 3, 2, 1, 0, 1}), Steps(sprite, 7, 101));

    // Each frame of the loop keeps its own time, and the animation shows frames 0 and 1 once
    // before it loops from frame 2.
    ASSERT_EQ(1, sprite.SetAnimation(1));
    EXPECT_EQ(0, Step(sprite, 0, 2));
    for (int shown : {0, 1, 2, 3, 4, 2, 3}) {
        EXPECT_EQ(shown, Step(sprite, Uint32(50 + 10 * shown), 2)) << "after the frame's whole time";
        EXPECT_EQ(shown + 1 < 5 ? shown + 1 : 2, Step(sprite, 1, 1)) << "a millisecond later";
    }

    ASSERT_EQ(1, sprite.SetAnimation(2));
    EXPECT_EQ(0, Step(sprite, 0, 2));
    EXPECT_EQ(Shown({1, 2, 2, 2}), Steps(sprite, 4, 31));
}

TEST_F(SpriteTool, WithoutAnimationsEveryRowLoopsOverAllItsFramesAndKeysAndDepthsCarryOver) {
    WriteSheet("keyed.png", 40, 24, {{1, 8, 0, 0}});
    ToolRun added = Added("add-sprite game.dpf keyed.png plain --frame 8x8 --key-colour FF00FF --depth 16");
    EXPECT_TRUE(Has(added.out, "3 animations: loop of 5 frames, 100 ms each; loop of 5 frames, 100 ms each; loop of 5"))
        << added.out;

    CSprite sprite;
    ASSERT_EQ(3, sprite.Load("game.dpf", "plain", "SPR2"));
    EXPECT_EQ(16, sprite.GetSurface()->format->BitsPerPixel);
    ASSERT_EQ(1, sprite.SetAnimation(1));
    SDL_FillRect(target, nullptr, 0x123456);
    sprite.Draw(target);
    EXPECT_EQ(0x123456u, ColourAt(target, 1, 0)); // keyed out
    EXPECT_NE(0x123456u, ColourAt(target, 2, 0));
    std::vector<int> frames;
    for (int i = 0; i < 6; ++i) {
        clock.Advance(101);
        EXPECT_EQ(1, sprite.Draw(target));
        frames.push_back(sprite.GetFrame());
    }
    EXPECT_EQ(Shown({1, 2, 3, 4, 0, 1}), frames);
}

TEST_F(SpriteTool, TilesComeBackWholeOrTileByTile) {
    Added("add-tile game.dpf sheet.png grid --tileset 8x8 --type TILB2");
    ToolRun whole = Added("add-tile game.dpf sheet.png whole");
    EXPECT_TRUE(Has(whole.out, "game.dpf: added tile 'whole' (TILE2): 40x24, drawn whole;")) << whole.out;

    const int package = IStuffDPF->Open("game.dpf");
    ASSERT_GT(package, 0);
    CTile grid, image;
    ASSERT_TRUE(grid.Load(package, "grid", "TILB"));
    ASSERT_TRUE(image.Load(package, "whole", "TILE"));
    IStuffDPF->Close(package);

    EXPECT_EQ(15, grid.GetTileCount());
    SDL_FillRect(target, nullptr, 0);
    EXPECT_EQ(1, grid.Draw(target, 7)); // second row, second column
    EXPECT_EQ(SheetColour(8, 8), ColourAt(target, 0, 0));
    EXPECT_EQ(SheetColour(15, 15), ColourAt(target, 7, 7));
    EXPECT_EQ(0u, ColourAt(target, 8, 0));
    EXPECT_EQ(0u, ColourAt(target, 0, 8));

    EXPECT_EQ(0, image.GetTileCount());
    EXPECT_EQ(40, image.GetWidth());
    image.SetPosition(3, 4);
    EXPECT_EQ(1, image.Draw(target, 0));
    EXPECT_EQ(SheetColour(39, 23), ColourAt(target, 42, 27));
}

TEST_F(SpriteTool, OptionsThatDoNotFitTheArtworkAreWrongUsageAndChangeNothing) {
    const std::string sprite = "add-sprite game.dpf sheet.png s --frame ";
    const std::string threeRows = " --anim loop:0:1 --anim loop:0:1";
    const struct {
        std::string arguments;
        const char* problem;
    } refusals[] = {
        {"add-sprite game.dpf sheet.png s", "dpf: add-sprite needs --frame WxH"},
        {sprite + "8", "--frame needs a size WIDTHxHEIGHT, each 1 to 32767, such as 32x48, not '8'"},
        {sprite + "0x8", "--frame needs a size"},
        {sprite + "7x8", "dpf: sheet.png: the sheet's 40x24 pixels are not a whole number of 7x8 frames"},
        {sprite + "8x5", "not a whole number of 8x5 frames"},
        {sprite + "8x8 --anim bounce:0:100", "--anim has the unknown animation type 'bounce'"},
        {sprite + "8x8 --anim loop:x:100", "--anim has the loop start 'x'"},
        {sprite + "8x8 --anim loop:0:100,", "--anim has the display time ''"},
        {sprite + "8x8 --anim loop:0:4294967296", "--anim has the display time '4294967296'"},
        {sprite + "8x8 --anim loop", "--anim needs TYPE:LOOPSTART:MS[,MS...]"},
        {sprite + "8x8 --anim loop:0:100",
         "dpf: sheet.png: the sheet has 3 row(s) of 8x8 frames, one per animation, but 1 animation(s) are described"},
        {sprite + "8x8" + threeRows + " --anim once:0:1,1,1,1,1,1",
         "sheet.png: the animation of row 3 has 6 frames, but a row of the sheet holds 5"},
        {sprite + "8x8" + threeRows + " --anim pingpong:3:1,1,1",
         "the animation of row 3 has its loop start at frame 3"},
        {sprite + "8x8 --hotspot 4", "--hotspot needs a point X,Y"},
        {sprite + "8x8 --hotspot 4,40000", "--hotspot needs a point X,Y"},
        {"add-tile game.dpf sheet.png t --tileset 16x16",
         "dpf: sheet.png: the image's 40x24 pixels are not a whole number of 16x16 tiles"},
        {"add-tile game.dpf sheet.png t --type TILE",
         "--type must be TILE2 (a tile) or TILB2 (a button's tile), not 'TILE'"},
        {"add-tile game.dpf sheet.png t --frame 8x8", "unknown option '--frame' for add-tile"},
    };
    for (const auto& refusal : refusals) {
        ToolRun run = RunDpf(refusal.arguments);
        EXPECT_EQ(2, run.status) << refusal.arguments;
        EXPECT_TRUE(Has(run.err, refusal.problem)) << refusal.arguments << "\n" << run.err;
        EXPECT_TRUE(Has(run.err, "\nUsage: dpf add-")) << refusal.arguments;
    }

    // Files that cannot be read are failures, and so is a name already taken without --replace.
    WriteFile("broken.png", "\x89PNG\r\n\x1a\n not really");
    ToolRun broken = RunDpf("add-sprite game.dpf broken.png s --frame 8x8");
    EXPECT_EQ(1, broken.status);
    EXPECT_TRUE(Has(broken.err, "dpf: broken.png: not a readable PNG")) << broken.err;
    EXPECT_EQ(1, RunDpf("add-tile game.dpf missing.png t").status);
    ToolRun list = RunDpf("list game.dpf");
    EXPECT_TRUE(Has(list.out, "0 blocks (0 deleted)")) << list.out;

    Added("add-sprite game.dpf sheet.png s --frame 8x8");
    ToolRun again = RunDpf("add-sprite game.dpf sheet.png s --frame 40x8");
    EXPECT_EQ(1, again.status);
    EXPECT_TRUE(Has(again.err, "dpf: game.dpf: sprite 's' already exists (use --replace to replace it)")) << again.err;
    Added("add-sprite game.dpf sheet.png s --frame 40x8 --replace");
    CSprite replaced;
    ASSERT_EQ(3, replaced.Load("game.dpf", "s", "SPR2"));
    EXPECT_EQ(40, replaced.GetFrameWidth());
}

TEST_F(SpriteTool, ListSaysWhatTheEngineReadsInSpritesAndTiles) {
    Added("add-sprite game.dpf sheet.png hero --frame 20x8 --anim once:0:10,20 --anim loop:1:5,5 --anim pingpong:0:7");
    Added("add-tile game.dpf sheet.png grid --tileset 20x12");
    WriteFile("short.bin", "SPR2 but far too short");
    Added("add game.dpf short.bin broken SPR2");
    const std::vector<Uint8> legacy = LegacySprite(MakeSprite(4, {spr::MakeAnimation(spr::kLoop, 2, 40)}).payload);
    WriteFile("legacy.bin", std::string(legacy.begin(), legacy.end()));
    Added("add game.dpf legacy.bin old SPR");

    ToolRun list = RunDpf("list game.dpf");
    ASSERT_EQ(0, list.status) << list.err;
    const std::vector<std::string> lines = Lines(list.out);
    auto after = [&lines](const std::string& start) {
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            if (lines[i].compare(0, start.size(), start) == 0) return lines[i + 1];
        return std::string("(no line starting '" + start + "')");
    };
    EXPECT_EQ("    20x8 frames, 3 animations: once of 2 frames, 10-20 ms each; loop of 2 frames back to frame 1, 5 ms "
              "each; ping-pong of 1 frame, 7 ms each",
              after("hero "));
    EXPECT_EQ("    40x24, a tile set of 4 tiles of 20x12 (2 x 2)", after("grid "));
    EXPECT_EQ("    the engine refuses it: the block is shorter than its header", after("broken "));
    EXPECT_EQ("    4x4 frames, 1 animation: loop of 2 frames, 40 ms each (version 1.0, converted when first loaded)",
              after("old "));
    EXPECT_TRUE(Has(list.out, "4 blocks (0 deleted)")) << list.out;
}

TEST_F(SpriteTool, AProtectedPackageTakesSpritesAndTilesWithItsKeyOnly) {
    WriteFile("game.key", "sprite key");
    ASSERT_EQ(0, RunDpf("create locked.dpf --key game.key").status);
    for (const char* command :
         {"add-sprite locked.dpf sheet.png hero --frame 8x8", "add-tile locked.dpf sheet.png grid"}) {
        ToolRun refused = RunDpf(command);
        EXPECT_EQ(1, refused.status) << command;
        EXPECT_TRUE(Has(refused.err, "dpf: locked.dpf: the package is protected: give its key with --key KEYFILE"))
            << refused.err;
    }
    Added("add-sprite locked.dpf sheet.png hero --frame 8x8 --key game.key");
    Added("add-tile locked.dpf sheet.png grid --tileset 8x8 --key game.key");
    ToolRun list = RunDpf("list locked.dpf --key game.key");
    EXPECT_TRUE(Has(list.out, "    8x8 frames, 3 animations: loop of 5 frames")) << list.out;
    EXPECT_TRUE(Has(list.out, "    40x24, a tile set of 15 tiles of 8x8 (5 x 3)")) << list.out;
    EXPECT_EQ(0, RunDpf("verify locked.dpf --key game.key").status);

    ASSERT_EQ(1, IStuffDPF->SetKey("sprite key", 10));
    CSprite sprite;
    EXPECT_EQ(3, sprite.Load("locked.dpf", "hero", "SPR2"));
}
