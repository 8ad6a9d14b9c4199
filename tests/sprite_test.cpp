// CSprite: the animation step of each type, smoothing, background saving, keys and alpha, the
// legacy conversion stored in the package, and damaged blocks that must change nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "resource_test_util.h"
#include "support/test_support.h"

using namespace restest;

namespace {

const Uint32 kFrame = 4;

// 0 ping-pong over 4 frames; 1 a loop of 5 frames back to frame 2, starting on 0; 2 play once over
// 3 frames; 3 frozen on frame 2; 4 a loop of frames shown for 0 ms.
std::vector<spr::SpriteAnimation> Animations() {
    spr::SpriteAnimation pingPong = spr::MakeAnimation(spr::kPingPong, 4, 100);
    spr::SpriteAnimation loop = spr::MakeAnimation(spr::kLoop, 5, 100);
    loop.loopStart = 2;
    spr::SpriteAnimation once = spr::MakeAnimation(spr::kPlayOnce, 3, 100);
    spr::SpriteAnimation frozen = spr::MakeAnimation(spr::kLoop, 3, 100);
    frozen.endFrame = frozen.startFrame = 2;
    spr::SpriteAnimation instant = spr::MakeAnimation(spr::kLoop, 3, 0);
    return {pingPong, loop, once, frozen, instant};
}

class Sprite : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        package = IStuffDPF->Create("sprites.dpf");
        ASSERT_GT(package, 0);
        target = Surface32(32, 32, 0);
    }
    void TearDown() override {
        if (package > 0) IStuffDPF->Close(package);
        SDL_FreeSurface(target);
    }
    void Screen32() {
        Nimbrel.width = 64;
        Nimbrel.height = 48;
        Nimbrel.colorDepth = 32;
        ASSERT_EQ(1, Nimbrel.SetVideoMode());
        ASSERT_EQ(4, Nimbrel.screen->format->BytesPerPixel);
        ASSERT_FALSE(Nimbrel.screen->flags & SDL_DOUBLEBUF);
    }
    std::string Line(const std::string& name, const std::string& text) {
        return " . [CSprite::Load('sprites.dpf','" + name + "','SPR2')] " + text;
    }

    // Draws `steps` times, each after `ms` more; the frames shown. Every draw must return `result`
    // and must have drawn the frame the sprite reports.
    std::vector<int> Frames(CSprite& sprite, int steps, Uint32 ms, int result = 1) {
        std::vector<int> frames;
        for (int i = 0; i < steps; ++i) {
            clock.Advance(ms);
            EXPECT_EQ(result, sprite.Draw(target)) << "draw " << i;
            EXPECT_EQ(SheetColour(sprite.GetFrame() * int(kFrame), sprite.GetAnimation() * int(kFrame)),
                      ColourAt(target, 0, 0));
            frames.push_back(sprite.GetFrame());
        }
        return frames;
    }

    ScopedTempDir dir;
    EngineSession engine{5};
    FakeClock clock;
    int package = 0;
    SDL_Surface* target = nullptr;
};

typedef std::vector<int> Shown;

} // namespace

// ---- Animation ----------------------------------------------------------------------------------

TEST_F(Sprite, EachAnimationTypeRunsItsFramesInOrder) {
    AddBlock(package, "hero", "SPR2", MakeSprite(kFrame, Animations()).payload);
    CSprite sprite;
    ASSERT_EQ(5, sprite.Load(package, "hero", "SPR2"));
    EXPECT_EQ(4, sprite.GetFrameWidth());

    // Ping-pong. The first draw starts the frame's time; a frame moves on once its time has passed.
    EXPECT_EQ(Shown({0}), Frames(sprite, 1, 0, 2));
    EXPECT_EQ(Shown({0}), Frames(sprite, 1, 100, 2));
    EXPECT_EQ(Shown({1}), Frames(sprite, 1, 1));
    EXPECT_EQ(Shown({2, 3, 2}), Frames(sprite, 3, 101));
    EXPECT_EQ(1, sprite.SetAnimation(0)); // the current one again: it goes on, backwards
    EXPECT_EQ(Shown({1, 0, 1}), Frames(sprite, 3, 101));

    // A later animation starts on its stored frame, below its loop start, and then loops.
    ASSERT_EQ(1, sprite.SetAnimation(1));
    EXPECT_EQ(Shown({0}), Frames(sprite, 1, 0, 2));
    EXPECT_EQ(Shown({1, 2, 3, 4, 2, 3, 4, 2}), Frames(sprite, 8, 101));

    // Play once stops on its last frame and still reports each elapsed time.
    ASSERT_EQ(1, sprite.SetAnimation(2));
    EXPECT_EQ(Shown({0}), Frames(sprite, 1, 0, 2));
    EXPECT_EQ(Shown({1, 2, 2, 2}), Frames(sprite, 4, 101));
    EXPECT_EQ(Shown({2}), Frames(sprite, 1, 50, 2));

    // Frozen: never moves, whatever the time.
    ASSERT_EQ(1, sprite.SetAnimation(3));
    EXPECT_EQ(Shown({2, 2, 2}), Frames(sprite, 3, 1000, 2));

    // A display time of 0 moves on at every draw once a millisecond has passed.
    ASSERT_EQ(1, sprite.SetAnimation(4));
    EXPECT_EQ(Shown({0, 0}), Frames(sprite, 2, 0, 2));
    EXPECT_EQ(Shown({1, 2, 0}), Frames(sprite, 3, 1));

    // Another animation chosen starts from its start frame, its time not started.
    ASSERT_EQ(1, sprite.SetAnimation(0));
    EXPECT_EQ(Shown({0}), Frames(sprite, 1, 101, 2));
    EXPECT_EQ(0, sprite.SetAnimation(5));
    EXPECT_EQ(1, Count(engine.Log(), " . [CSprite::SetAnimation(5)] Warning: the sprite 'hero' has no such animation.\n"));
}

TEST_F(Sprite, StoredAnimationsThatWouldLeaveTheirFramesAreMendedAtLoad) {
    TestSprite made = MakeSprite(kFrame, {spr::MakeAnimation(spr::kLoop, 3, 100), spr::MakeAnimation(spr::kLoop, 3, 100),
                                          spr::MakeAnimation(spr::kPingPong, 1, 100),
                                          spr::MakeAnimation(spr::kPingPong, 2, 100), spr::MakeAnimation(spr::kLoop, 3, 100),
                                          spr::MakeAnimation(spr::kLoop, 3, 100), spr::MakeAnimation(spr::kLoop, 0, 100)});
    std::vector<Uint8>& p = made.payload;
    WriteLittle16(&p[AnimationRecord(p, 0) + 14], 9); // end frame past the frame table
    WriteLittle16(&p[AnimationRecord(p, 1) + 14], 0); // end frame 0
    WriteLittle16(&p[AnimationRecord(p, 4) + 6], 7);  // start frame past the end
    WriteLittle16(&p[AnimationRecord(p, 5) + 12], 5); // loop start past the end
    AddBlock(package, "odd", "SPR2", p);
    CSprite sprite;
    ASSERT_EQ(7, sprite.Load(package, "odd", "SPR2"));

    Frames(sprite, 1, 0, 2);
    EXPECT_EQ(Shown({1, 2, 0, 1}), Frames(sprite, 4, 101)); // cut to its 3 frames
    sprite.SetAnimation(1);
    EXPECT_EQ(Shown({0, 0}), Frames(sprite, 2, 101, 2)); // frozen on frame 0
    sprite.SetAnimation(2);
    Frames(sprite, 1, 0, 2);
    EXPECT_EQ(Shown({0, 0, 0}), Frames(sprite, 3, 101)); // one frame: stays, its time still counted
    sprite.SetAnimation(3);
    Frames(sprite, 1, 0, 2);
    EXPECT_EQ(Shown({1, 0, 1, 0}), Frames(sprite, 4, 101)); // two frames alternate
    sprite.SetAnimation(4);
    EXPECT_EQ(Shown({2, 2}), Frames(sprite, 2, 101, 2)); // frozen on its last frame
    sprite.SetAnimation(5);
    EXPECT_EQ(Shown({0, 0}), Frames(sprite, 2, 101, 2)); // frozen on its start frame
    sprite.SetAnimation(6);
    EXPECT_EQ(Shown({0, 0}), Frames(sprite, 2, 101, 2)); // no frames at all
}

// ---- Position -----------------------------------------------------------------------------------

TEST_F(Sprite, SmoothedMovesFollowTheLogicAccumulatorAndSnapWhenItStartsOver) {
    TestSprite made = MakeSprite(kFrame, {spr::MakeAnimation(spr::kLoop, 1, 100)}, 1, 0);
    WriteLittle32(&made.payload[8], 7); // the stored position
    AddBlock(package, "hero", "SPR2", made.payload);
    CSprite sprite;
    sprite.SetPosition(3, 0, 0); // ignored: not loaded yet
    ASSERT_EQ(1, sprite.Load(package, "hero", "SPR2"));
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(0, 20); // a logic frame every 50 ms
    // The pump moves the accumulator a call or two after the clock (it reads the time system's
    // last update), and a due logic frame takes a call of its own.
    auto pumpUntil = [](float fraction) {
        for (int i = 0; i < 5 && std::fabs(Nimbrel.GetLogicAccumulator() - fraction) > 1e-4f; ++i)
            Nimbrel.Update(nullptr);
        return std::fabs(Nimbrel.GetLogicAccumulator() - fraction) <= 1e-4f;
    };
    const Uint32 background = 0x123456;
    auto drawnAt = [&]() { // the left edge of the frame on the target
        SDL_FillRect(target, nullptr, background);
        sprite.Draw(target);
        for (int x = 0; x < target->w; ++x)
            if (ColourAt(target, x, 0) != background) return x;
        return -1;
    };

    EXPECT_EQ(6, drawnAt()); // the stored position less the hot spot
    sprite.SetPosition(1, 0, 0);
    EXPECT_EQ(0, drawnAt());
    sprite.SetPosition(11, 0, 1);
    clock.Advance(25);
    ASSERT_TRUE(pumpUntil(0.5f));
    ASSERT_EQ(0.5f, Nimbrel.GetLogicAccumulator());
    EXPECT_EQ(5, drawnAt()); // halfway from 0 to 10
    clock.Advance(25);
    ASSERT_TRUE(pumpUntil(0.0f)); // the next logic frame began
    EXPECT_EQ(10, drawnAt());
    clock.Advance(10);
    ASSERT_TRUE(pumpUntil(0.2f));
    EXPECT_EQ(10, drawnAt()); // and stays there until the next smoothed move

    sprite.SetPosition(21, 0, 0); // without smoothing it jumps
    EXPECT_EQ(20, drawnAt());
}

// ---- The screen ---------------------------------------------------------------------------------

TEST_F(Sprite, ASpriteMovingOverTheScreenPutsBackWhatItCovered) {
    Screen32();
    SDL_Surface* screen = Nimbrel.screen;
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) {
            SDL_Rect pixel = {Sint16(x), Sint16(y), 1, 1};
            SDL_FillRect(screen, &pixel, SDL_MapRGB(screen->format, Uint8(x * 3), Uint8(y * 5), 77));
        }
    SDL_Surface* expected = SDL_ConvertSurface(screen, screen->format, 0);
    TestSprite made = MakeSprite(8, {spr::MakeAnimation(spr::kLoop, 2, 100)});
    WriteLittle32(&made.payload[made.payload.size() - 8 * 2 * 8 * 4 - 40 + 32], 0x010180); // key: the pixel at (1, 1)
    AddBlock(package, "walker", "SPR2", made.payload);

    CSprite sprite; // created with a single-buffered screen: it keeps its background
    ASSERT_EQ(1, sprite.Load(package, "walker", "SPR2"));
    for (const SDL_Rect& at : {SDL_Rect{5, 6, 0, 0}, SDL_Rect{-3, 44, 0, 0}, SDL_Rect{60, -2, 0, 0}, SDL_Rect{30, 20, 0, 0}}) {
        sprite.SetPosition(at.x, at.y, 0);
        EXPECT_EQ(2, sprite.Draw(nullptr));
    }
    EXPECT_EQ(SheetColour(0, 0), ColourAt(screen, 30, 20));
    EXPECT_NE(SheetColour(1, 1), ColourAt(screen, 31, 21)); // keyed out

    // The screen must be the untouched one with the frame drawn only where the sprite is now.
    SDL_Rect frame = {0, 0, 8, 8};
    SDL_Rect at = {30, 20, 0, 0};
    SDL_BlitSurface(sprite.GetSurface(), &frame, expected, &at);
    int differing = 0;
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) differing += ColourAt(screen, x, y) != ColourAt(expected, x, y);
    EXPECT_EQ(0, differing);

    // Drawing onto another surface leaves the screen and the kept background alone.
    sprite.SetPosition(0, 0, 0);
    sprite.Draw(target);
    for (int y = 0; y < screen->h; ++y)
        for (int x = 0; x < screen->w; ++x) differing += ColourAt(screen, x, y) != ColourAt(expected, x, y);
    EXPECT_EQ(0, differing);
    SDL_FreeSurface(expected);
}

// ---- Keys and alpha -----------------------------------------------------------------------------

TEST_F(Sprite, KeysHideTheirColourInTheDisplayFormatAndAlphaSkipsPerPixelAlphaSheets) {
    Screen32();
    // A 16-bit sheet keyed on pure red, an 8-bit one keyed on palette entry 3 (green), and a
    // 32-bit one with an alpha channel at half strength.
    spr::SpriteSource source = MakeSprite(2, {spr::MakeAnimation(spr::kLoop, 1, 10)}).source;
    auto add = [&](const char* name, int depth, Uint32 red, Uint32 green, Uint32 blue, Uint32 alpha, Uint32 key,
                   std::vector<Uint8> rows) {
        source.sheet.bitsPerPixel = Uint8(depth);
        source.sheet.redMask = red, source.sheet.greenMask = green, source.sheet.blueMask = blue;
        source.sheet.alphaMask = alpha;
        source.sheet.colorKey = key;
        source.rows = rows.data();
        std::vector<Uint8> payload;
        const char* problem = "";
        ASSERT_TRUE(spr::BuildSprite(source, &payload, &problem)) << problem;
        AddBlock(package, name, "SPR2", payload);
    };
    add("red", 16, 0xF800, 0x07E0, 0x001F, 0, 0xF800, {0x00, 0xF8, 0x1F, 0x00, 0xE0, 0x07, 0x00, 0xF8});
    SDL_Color palette[256] = {};
    palette[3] = {0, 255, 0, 0};
    palette[4] = {9, 9, 9, 0};
    source.palette = palette;
    add("green", 8, 0, 0, 0, 0, 3, {3, 4, 0, 0, 4, 3, 0, 0});
    add("glass", 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000, 0x80, std::vector<Uint8>(16, 0x80));

    for (const char* name : {"red", "green"}) {
        CSprite sprite;
        ASSERT_EQ(1, sprite.Load(package, name, "SPR2")) << name;
        EXPECT_EQ(32, sprite.GetSurface()->format->BitsPerPixel);
        SDL_FillRect(target, nullptr, 0xABCDEF);
        sprite.Draw(target);
        EXPECT_EQ(0xABCDEFu, ColourAt(target, 0, 0)) << name; // keyed out
        EXPECT_NE(0xABCDEFu, ColourAt(target, 1, 0)) << name;
        sprite.SetColorKey(0xFFFFFFFF);
        EXPECT_EQ(0xFFFFFFFFu, sprite.GetSurface()->format->colorkey);
        sprite.Draw(target);
        EXPECT_NE(0xABCDEFu, ColourAt(target, 0, 0)) << name;
        sprite.SetAlpha(100);
        EXPECT_EQ(100, sprite.GetSurface()->format->alpha);
        sprite.SetAlpha(256);
        EXPECT_EQ(100, sprite.GetSurface()->format->alpha);
        sprite.SetAlpha(255);
        EXPECT_FALSE(sprite.GetSurface()->flags & SDL_SRCALPHA);
    }

    CSprite glass;
    ASSERT_EQ(1, glass.Load(package, "glass", "SPR2"));
    EXPECT_NE(0u, glass.GetSurface()->format->Amask);
    glass.SetAlpha(10);
    glass.SetColorKey(0x80);
    EXPECT_FALSE(glass.GetSurface()->flags & SDL_SRCCOLORKEY);
    SDL_FillRect(target, nullptr, 0);
    glass.Draw(target);
    EXPECT_NEAR(0x80 / 2, int(ColourAt(target, 0, 0) & 0xFF), 2); // blended at half strength onto black
}

// ---- Loading ------------------------------------------------------------------------------------

TEST_F(Sprite, LoadFailuresAreLoggedAndLeaveTheSpriteUnloaded) {
    AddBlock(package, "hero", "SPR2", MakeSprite(kFrame, Animations()).payload);
    CSprite sprite;
    EXPECT_EQ(0, sprite.Load(package, "absent", "SPR2"));
    EXPECT_EQ(1, Count(engine.Log(), Line("absent", "Error: sprite not found\n")));
    EXPECT_EQ(0, sprite.Load(0, "hero", "SPR2"));
    EXPECT_EQ(0, sprite.Load(package, nullptr, "SPR2"));
    EXPECT_EQ(0, sprite.Load(package, "hero", nullptr));
    EXPECT_EQ(nullptr, sprite.GetSurface());
    EXPECT_EQ(0, sprite.Draw(target));

    ASSERT_EQ(5, sprite.Load(package, "hero", "SPR2"));
    EXPECT_EQ(0, sprite.Draw(nullptr)); // no screen
    EXPECT_EQ(1, Count(engine.Log(), " . [CSprite::Draw()] Error: Nimbrel.screen was not initialized.\n"));
    EXPECT_EQ(0, sprite.Load(package, "hero", "SPR2"));
    EXPECT_EQ(1, Count(engine.Log(),
                       Line("hero", "Warning: sprite already exists. It is not possible to create another one.\n")));
    EXPECT_NE(nullptr, sprite.GetSurface());

    // The package file form opens and closes the package around the load.
    IStuffDPF->Close(package);
    package = 0;
    CSprite fromFile;
    EXPECT_EQ(5, fromFile.Load("sprites.dpf", "hero", "SPR2"));
    EXPECT_EQ(nullptr, IStuffDPF->GetName(1));
    CSprite missing;
    EXPECT_EQ(0, missing.Load("missing.dpf", "hero", "SPR2"));
}

TEST_F(Sprite, ALegacySpriteIsConvertedOnceAndStoredInItsPlace) {
    TestSprite made = MakeSprite(kFrame, Animations());
    const std::vector<Uint8> legacy = LegacySprite(made.payload);
    AddBlock(package, "old", "SPR", legacy, DPFBlock::kStored);
    KeepSeed("sprite_fuzz", "legacy", legacy);
    KeepSeed("sprite_fuzz", "current", made.payload);

    CSprite first;
    ASSERT_EQ(5, first.Load(package, "old", "SPR2"));
    const std::string updated = Line("old", "Info: sprite successfully updated from v1.0 to v2.0.\n");
    EXPECT_EQ(1, Count(engine.Log(), updated));
    EXPECT_EQ(std::vector<std::string>({"?ld/DELETED", "old/SPR2"}), BlockList(package));
    DPFBlock stored = dpftest::Wanted("old", "SPR2");
    ASSERT_EQ(1, IStuffDPF->FindBlock(package, &stored));
    EXPECT_EQ(DPFBlock::kStored, stored.mode); // the old block's storage mode

    // The stored block is the sprite with every animation looping over all its frames from 0.
    TestSprite looping = MakeSprite(kFrame, Animations());
    for (spr::SpriteAnimation& animation : looping.source.animations) {
        animation.loopStart = 0;
        animation.endFrame = Uint16(animation.frameTimes.size());
    }
    const char* problem = "";
    ASSERT_TRUE(spr::BuildSprite(looping.source, &looping.payload, &problem)) << problem;
    EXPECT_EQ(std::string(looping.payload.begin(), looping.payload.end()), dpftest::Load(package, "SPR2", "old"));

    CSprite second;
    ASSERT_EQ(5, second.Load(package, "old", "SPR2"));
    EXPECT_EQ(1, Count(engine.Log(), updated));
    EXPECT_EQ(2u, BlockList(package).size());
}

TEST_F(Sprite, ALegacySpriteThatCannotBeStoredConvertedLeavesThePackageAsItWas) {
    // A "SPR2" block of that name exists but does not load, so the converted one cannot be added.
    const std::vector<Uint8> legacy = LegacySprite(MakeSprite(kFrame, Animations()).payload);
    dpftest::WriteSealedPackage("sealed.dpf", dpftest::RawBlock("old", "SPR2", 1, 100, 8, "12345678") +
                                                  dpftest::RawBlock("old", "SPR", 1, Uint32(legacy.size()), Uint32(legacy.size()),
                                                                    std::string(legacy.begin(), legacy.end())));
    const std::string before = ReadFile("sealed.dpf");
    const int sealed = IStuffDPF->Open("sealed.dpf");
    ASSERT_GT(sealed, 0);
    CSprite sprite;
    EXPECT_EQ(0, sprite.Load(sealed, "old", "SPR2"));
    EXPECT_EQ(1, Count(engine.Log(), " . [CSprite::Load('sealed.dpf','old','SPR2')] Error: update to v2.0 was not possible.\n"));
    EXPECT_EQ(nullptr, sprite.GetSurface());
    IStuffDPF->Close(sealed);
    EXPECT_TRUE(before == ReadFile("sealed.dpf"));
}

TEST_F(Sprite, DamagedBlocksOfEitherVersionFailAndChangeNothing) {
    const std::vector<Uint8> good = MakeSprite(kFrame, {spr::MakeAnimation(spr::kLoop, 3, 10),
                                                        spr::MakeAnimation(spr::kPingPong, 2, 10)}).payload;
    TestSprite paletted = MakeSprite(kFrame, {spr::MakeAnimation(spr::kLoop, 2, 10)});
    paletted.source.sheet.bitsPerPixel = 8; // its rows: the first bytes of the 32-bit ones
    paletted.source.sheet.redMask = paletted.source.sheet.greenMask = paletted.source.sheet.blueMask = 0;
    std::vector<Uint8> good8;
    const char* problem = "";
    ASSERT_TRUE(spr::BuildSprite(paletted.source, &good8, &problem)) << problem;
    const size_t table0 = AnimationRecord(good, 0);
    const size_t table1 = AnimationRecord(good, 1);
    const size_t format = AnimationRecord(good, 2);

    std::vector<std::pair<std::string, std::vector<Uint8>>> current;
    auto cut = [](const std::vector<Uint8>& p, size_t n) { return std::vector<Uint8>(p.begin(), p.begin() + long(n)); };
    auto patched = [](std::vector<Uint8> p, size_t at, Uint32 value, int bytes = 4) {
        for (int i = 0; i < bytes; ++i) p[at + size_t(i)] = Uint8(value >> (8 * i));
        return p;
    };
    for (size_t n : {size_t(1), size_t(23), table0 + 63, table1 - 1, format + 39, good.size() - 1})
        current.push_back({"cut" + std::to_string(n), cut(good, n)});
    current.push_back({"cut-palette", cut(good8, good8.size() - 1)});
    current.push_back({"no-palette", cut(good8, good8.size() - 1024)});
    current.push_back({"animations-huge", patched(good, 16, 0x7FFFFFFF)});
    current.push_back({"animations-none", patched(good, 16, 0)});
    current.push_back({"animations-more", patched(good, 16, 3)});
    current.push_back({"frame-width-zero", patched(good, 0, 0)});
    current.push_back({"frame-height-negative", patched(good, 4, 0xFFFFFFFB)});
    current.push_back({"frame-wider-than-sheet", patched(good, 0, 13)});
    current.push_back({"sheet-huge", patched(good, 20, 0x7FFFFFFF)});
    current.push_back({"frames-huge", patched(good, table0 + 4, 0xFFFF, 2)});
    current.push_back({"frames-past-sheet", patched(good, table1 + 4, 4, 2)});
    current.push_back({"pitch-mismatch", patched(good, 20, 13)}); // rows 52 bytes long no longer fit
    current.push_back({"depth", patched(good, format + 4, 7, 1)});
    current.push_back({"palette-key", patched(good8, AnimationRecord(good8, 1) + 32, 300)});

    const std::vector<Uint8> legacy = LegacySprite(good);
    const size_t legacyTable1 = spr::kHeaderSize + 12 + 3 * 4;
    const size_t legacyFormat = legacyTable1 + 12 + 2 * 4;
    std::vector<std::pair<std::string, std::vector<Uint8>>> old;
    for (size_t n : {size_t(20), legacyTable1 + 11, legacyFormat - 1, legacyFormat + 39, legacy.size() - 1})
        old.push_back({"old-cut" + std::to_string(n), cut(legacy, n)});
    old.push_back({"old-frames-huge", patched(legacy, spr::kHeaderSize + 4, 0xFFFF, 2)});
    old.push_back({"old-animations-huge", patched(legacy, 16, 40000)});
    old.push_back({"old-pitch-mismatch", patched(legacy, 20, 13)});

    for (const auto& block : current) AddBlock(package, block.first, "SPR2", block.second);
    for (const auto& block : old) AddBlock(package, block.first, "SPR", block.second);
    const std::string before = ReadFile("sprites.dpf");
    const std::vector<std::string> blocks = BlockList(package);
    current.insert(current.end(), old.begin(), old.end());
    for (const auto& block : current) {
        CSprite sprite;
        EXPECT_EQ(0, sprite.Load(package, block.first.c_str(), "SPR2")) << block.first;
        EXPECT_EQ(1, Count(engine.Log(), Line(block.first, "Error: the sprite block is damaged: "))) << block.first;
        EXPECT_EQ(nullptr, sprite.GetSurface());
        KeepSeed("sprite_fuzz", block.first, block.second);
    }
    EXPECT_TRUE(before == ReadFile("sprites.dpf"));
    EXPECT_EQ(blocks, BlockList(package));
    KeepSeed("sprite_fuzz", "good8", good8);
}
