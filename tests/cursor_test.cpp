// ICursor: slots and hot spots, the pointer's limits and interpolation, taking the cursor down
// and putting it back without a trail or a hole under blits and sprites, deletion, and lost video
// memory.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Nimbrel.h"
#include "data/image_payload.h"
#include "resource_test_util.h"
#include "support/test_support.h"
#include "testing/test_seams.h"

namespace {

const int kWidth = 160, kHeight = 120;

Uint32* Row(const SDL_Surface* s, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch);
}

std::vector<Uint32> Pixels(const SDL_Surface* s) {
    std::vector<Uint32> pixels;
    for (int y = 0; y < s->h; ++y) pixels.insert(pixels.end(), Row(s, y), Row(s, y) + s->w);
    return pixels;
}

// A surface in the screen's format, every pixel a different colour, marked as having no colour
// key as the engine's own images are.
SDL_Surface* Picture(int w, int h, Uint32 seed = 1) {
    const SDL_PixelFormat* f = Nimbrel.screen->format;
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, f->Rmask, f->Gmask, f->Bmask, 0);
    for (int i = 0; i < w * h; ++i) Row(s, i / w)[i % w] = (seed * 2654435761u + Uint32(i) * 40503u) & 0xFFFFFF;
    s->format->colorkey = 0xFFFFFFFFu;
    return s;
}

std::string Where() {
    const SDL_Rect r = ICursor->GetRect();
    return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.w) + "x" + std::to_string(r.h);
}

class Cursor : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        Nimbrel.width = kWidth, Nimbrel.height = kHeight, Nimbrel.colorDepth = 32, Nimbrel.frameDelay = 0;
        ASSERT_EQ(1, Nimbrel.SetVideoMode());
        ASSERT_EQ(4, Nimbrel.screen->format->BytesPerPixel);
        SDL_FillRect(Nimbrel.screen, nullptr, 0x203040);
        ICursor->Init();
    }
    void TearDown() override {
        NimbrelTestSeam::SetUpperBlit(nullptr);
        for (SDL_Surface* s : surfaces) SDL_FreeSurface(s);
    }
    SDL_Surface* Keep(SDL_Surface* s) { return surfaces.push_back(s), s; }
    int Make(int w, int h, int hotSpot) { return ICursor->Create(Keep(Picture(w, h)), hotSpot); }
    // The hot spot goes to (x, y) at the next position update: before any logic frame the drawn
    // position is the last one.
    static void PointAt(int x, int y) {
        ICursor->SetLastPosition(x, y);
        Nimbrel.mouseX = x, Nimbrel.mouseY = y;
    }
    // Moves the clock on, then pumps until the logic frames due have run and a frame is rendered.
    // The first call still sees the old time: the time system reads the clock as a call ends.
    void Tick(Uint32 ms) {
        clock.Advance(ms);
        Nimbrel.Update(nullptr);
        while (Nimbrel.Update(nullptr) == 0) {}
    }
    // A small random generator, so a failing walk can be replayed.
    struct Random {
        Uint32 state = 12345;
        int operator()(int n) { return int((state = state * 1103515245u + 12345u) >> 16) % n; }
    };

    // Walks the pointer for `renders` renders, creeping and jumping (past the screen's edges too)
    // and switching between a keyed, centred cursor and a plain one. At every logic frame the game
    // takes its turn, `draw(cursorRect, random)`, drawing through the engine on or beside the
    // cursor; every 25 renders the cursor is taken down, and the screen must then hold exactly
    // `scene()`, the pixels drawn with no cursor at all.
    template <typename Draw, typename Scene>
    void WanderOverTheScene(int renders, Draw draw, Scene scene) {
        SDL_Surface* arrow = Keep(Picture(12, 9, 3));
        SDL_SetColorKey(arrow, SDL_SRCCOLORKEY, Row(arrow, 1)[1]);
        const int cursors[] = {ICursor->Create(arrow, ICursor::kCentre), Make(5, 14, ICursor::kBottomRight)};
        ICursor->Select(cursors[0]);
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(0, 25);

        Random next;
        int x = 80, y = 60;
        for (int frame = 1; frame <= renders; ++frame) {
            const int step = next(10);
            if (step < 6) x += next(9) - 4, y += next(9) - 4;                           // creep
            else if (step < 8) x = next(kWidth + 20) - 10, y = next(kHeight + 20) - 10; // jump
            NimbrelTestSeam::SetMouse(true, x, y, 0);
            clock.Advance(Uint32(5 + next(60)));
            while (Nimbrel.Update(nullptr) == 0) { // a logic frame ran: the game's turn, before the render
                if (next(6) == 0) ICursor->Select(cursors[next(2)]);
                draw(ICursor->GetRect(), next);
            }
            if (frame % 25 == 0) {
                ICursor->TakeDown(nullptr);
                ASSERT_TRUE(scene() == Pixels(Nimbrel.screen)) << "frame " << frame;
                ICursor->SaveBackground();
            }
        }
    }

    ScopedTempDir dir;
    FakeClock clock;
    EngineSession engine{5};
    std::vector<SDL_Surface*> surfaces;
};

} // namespace

TEST_F(Cursor, HotSpotCodesAreLimitedAndPlaceTheImageAndTheThirtyThirdCursorIsRefused) {
    EXPECT_EQ(ICursor::kCentre, ICursor->GetHotSpot(Make(11, 7, 7)));
    EXPECT_EQ(ICursor::kTopLeft, ICursor->GetHotSpot(Make(11, 7, -2)));
    const char* corners[] = {"50,30 11x7", "39,30 11x7", "50,23 11x7", "39,23 11x7", "45,27 11x7"};
    PointAt(50, 30);
    for (int code = 0; code <= 4; ++code) {
        ICursor->Select(Make(11, 7, code));
        EXPECT_EQ(corners[code], Where()) << code;
    }
    for (int i = 7; i < 32; ++i) ASSERT_EQ(i, Make(3, 3, 0));
    EXPECT_EQ(255, Make(3, 3, 0));
    ICursor->Delete(5);
    EXPECT_EQ(5, Make(3, 3, 0));
}

TEST_F(Cursor, LoadReadsTheCodeAsASignedByteAndFailsOnlyWith255) {
    img::ImageFormat format;
    format.width = 5, format.height = 3, format.redMask = 0xFF0000, format.greenMask = 0xFF00, format.blueMask = 0xFF;
    std::vector<Uint8> rows(5 * 4 * 3, 0x7F), payload = img::BuildImage(format, rows.data(), nullptr);
    DPFBlock block{};
    std::strcpy(block.name, "arrow");
    std::strcpy(block.type, "IMG");
    block.originalSize = Uint32(payload.size());
    block.data = payload.data();
    const int package = IStuffDPF->Create("cursors.dpf");
    ASSERT_GT(IStuffDPF->AddData(package, &block), 0);
    IStuffDPF->Close(package);

    EXPECT_EQ(ICursor::kTopLeft, ICursor->GetHotSpot(ICursor->Load("cursors.dpf", "arrow", 200))); // 200 is -56
    EXPECT_EQ(255, ICursor->Load("cursors.dpf", "missing", 0));
    EXPECT_EQ(255, ICursor->Load("cursors.dpf", nullptr, 0));
}

TEST_F(Cursor, AnImageWithoutKeyOrAlphaIsTransparentWhereItMatchesItsTopLeftPixel) {
    SDL_Surface* image = Keep(Picture(4, 4));
    Row(image, 1)[1] = Row(image, 2)[3] = Row(image, 0)[0];
    PointAt(20, 10);
    ICursor->Select(ICursor->Create(image, 0));
    ICursor->Draw();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            const Uint32 own = Row(image, y)[x];
            EXPECT_EQ(own == Row(image, 0)[0] ? 0x203040u : own, Row(Nimbrel.screen, 10 + y)[20 + x]) << x << "," << y;
        }
}

TEST_F(Cursor, TheDrawnPositionLiesBetweenTheLastTwoLogicFramesAndOnTheScreen) {
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(0, 25); // a logic frame every 40 ms
    ICursor->Select(Make(8, 8, 0));
    // Renders a quarter or three quarters between logic frames, where no rounding moves a frame.
    NimbrelTestSeam::SetMouse(true, 40, 20, 0);
    Tick(50); // 1.25 logic frames
    NimbrelTestSeam::SetMouse(true, 82, 30, 0);
    Tick(40); // 2.25: (50.5, 22.5)
    EXPECT_EQ("50,22 8x8", Where());
    Tick(20); // 2.75: (71.5, 27.5)
    EXPECT_EQ("71,27 8x8", Where());
    // The pointer stops at the screen's width and height themselves.
    NimbrelTestSeam::SetMouse(true, 1000, -5, 0);
    Tick(40), Tick(40);
    EXPECT_EQ(kWidth, Nimbrel.mouseX);
    EXPECT_EQ("160,0 8x8", Where());
    NimbrelTestSeam::SetMouse(true, -7, 999, 0);
    Tick(40), Tick(40);
    EXPECT_EQ("0,120 8x8", Where());
}

TEST_F(Cursor, TakeDownCountsASharedEdgePixelAsOverlap) {
    const std::vector<Uint32> empty = Pixels(Nimbrel.screen);
    PointAt(100, 50);
    ICursor->Select(Make(16, 16, 0)); // covers 100..115 by 50..65
    ICursor->Draw();
    const std::vector<Uint32> shown = Pixels(Nimbrel.screen);
    SDL_Rect touching[] = {{90, 55, 11, 1}, {115, 55, 5, 1}, {105, 40, 1, 11}, {105, 65, 1, 3}};
    SDL_Rect apart[] = {{90, 55, 10, 1}, {116, 55, 5, 1}, {105, 40, 1, 10}, {105, 66, 1, 3}, {100, 50, 0, 5}};
    for (SDL_Rect& area : touching) {
        EXPECT_EQ(1, ICursor->TakeDown(&area)) << area.x << "," << area.y;
        EXPECT_TRUE(empty == Pixels(Nimbrel.screen));
        ICursor->SaveBackground();
        ICursor->Draw();
    }
    for (SDL_Rect& area : apart) EXPECT_EQ(0, ICursor->TakeDown(&area)) << area.x << "," << area.y;
    EXPECT_TRUE(shown == Pixels(Nimbrel.screen));
}

TEST_F(Cursor, ReselectingChangesNothingAndDeletingTheSelectedCursorLeavesNothingToDraw) {
    const std::vector<Uint32> empty = Pixels(Nimbrel.screen);
    PointAt(30, 30);
    const int slot = Make(6, 6, 0);
    ICursor->Select(slot);
    ICursor->Draw();
    const std::vector<Uint32> shown = Pixels(Nimbrel.screen);
    const std::string log = engine.Log();
    PointAt(60, 60);
    ICursor->Select(slot);
    EXPECT_EQ("30,30 6x6", Where());
    EXPECT_TRUE(shown == Pixels(Nimbrel.screen));
    EXPECT_EQ(log, engine.Log());

    ICursor->Delete(slot);
    EXPECT_EQ(255, ICursor->GetCurrent());
    ICursor->Draw(); // would read the freed image
    EXPECT_EQ(0, ICursor->TakeDown(nullptr));
    EXPECT_TRUE(empty == Pixels(Nimbrel.screen));
    ICursor->Select(Make(6, 6, 0)); // the same slot, no longer current
    EXPECT_EQ(slot, ICursor->GetCurrent());
}

// What the saved background is for: whatever the game draws through the engine while the cursor
// moves and changes, taking the cursor down leaves exactly the scene drawn without one.
TEST_F(Cursor, NeitherTrailNorHoleWhenTheSceneIsDrawnUnderAMovingCursor) {
    const SDL_PixelFormat* f = Nimbrel.screen->format;
    SDL_Surface* scene = Keep(SDL_CreateRGBSurface(SDL_SWSURFACE, kWidth, kHeight, 32, f->Rmask, f->Gmask, f->Bmask, 0));
    SDL_Surface* backdrop = Keep(Picture(kWidth, kHeight, 7));
    Nimbrel.Blit(backdrop, nullptr, Nimbrel.screen, nullptr);
    SDL_BlitSurface(backdrop, nullptr, scene, nullptr);

    auto tilesNearTheCursor = [&](const SDL_Rect& c, Random& next) {
        for (int n = next(3); n > 0; --n) { // on, across and just beside the cursor
            SDL_Surface* tile = Keep(Picture(1 + next(14), 1 + next(14), Uint32(next(1000) * 3 + n)));
            if (next(2)) SDL_SetColorKey(tile, SDL_SRCCOLORKEY, Row(tile, 0)[0]);
            SDL_Rect onScreen = {Sint16(c.x - tile->w + next(c.w + tile->w + 1)),
                                 Sint16(c.y - tile->h + next(c.h + tile->h + 1)), 0, 0};
            SDL_Rect inScene = onScreen;
            Nimbrel.Blit(tile, nullptr, Nimbrel.screen, &onScreen);
            SDL_BlitSurface(tile, nullptr, scene, &inScene);
        }
    };
    WanderOverTheScene(400, tilesNearTheCursor, [&]() { return Pixels(scene); });
}

// The same with a sprite: it puts back the background it covered before each draw, and that
// background must never hold the cursor, nor the cursor's saved background the sprite's old frame.
TEST_F(Cursor, NeitherTrailNorHoleWhenASpriteMovesUnderAMovingCursor) {
    SDL_Surface* backdrop = Keep(Picture(kWidth, kHeight, 11));
    Nimbrel.Blit(backdrop, nullptr, Nimbrel.screen, nullptr);
    const std::vector<spr::SpriteAnimation> animations = {spr::MakeAnimation(spr::kLoop, 3, 30),
                                                          spr::MakeAnimation(spr::kPingPong, 4, 20)};
    restest::TestSprite made = restest::MakeSprite(12, animations, 5, 7); // hot spot 5,7
    made.source.sheet.colorKey = restest::SheetColour(1, 1); // a hole in every frame of the first row
    const char* problem = "";
    ASSERT_TRUE(spr::BuildSprite(made.source, &made.payload, &problem)) << problem;
    const int package = IStuffDPF->Create("sprites.dpf");
    restest::AddBlock(package, "walker", "SPR2", made.payload);
    CSprite sprite; // made once the screen exists, so it keeps the background it covers
    ASSERT_EQ(2, sprite.Load(package, "walker", "SPR2"));
    IStuffDPF->Close(package);

    SDL_Rect frame = {0, 0, 12, 12}, drawnAt = {0, 0, 0, 0};
    auto spriteNearTheCursor = [&](const SDL_Rect& c, Random& next) {
        if (next(8) == 0) sprite.SetAnimation(next(2));
        const int x = c.x - 12 + next(c.w + 25), y = c.y - 12 + next(c.h + 25); // the frame meets the cursor or nearly
        sprite.SetPosition(x, y, 0);
        sprite.Draw(nullptr);
        frame.x = Sint16(sprite.GetFrame() * 12), frame.y = Sint16(sprite.GetAnimation() * 12);
        drawnAt.x = Sint16(x - 5), drawnAt.y = Sint16(y - 7);
    };
    auto backdropWithTheSprite = [&]() {
        SDL_Surface* scene = SDL_ConvertSurface(backdrop, backdrop->format, SDL_SWSURFACE);
        SDL_Rect from = frame, to = drawnAt;
        SDL_BlitSurface(sprite.GetSurface(), &from, scene, &to);
        std::vector<Uint32> pixels = Pixels(scene);
        SDL_FreeSurface(scene);
        return pixels;
    };
    WanderOverTheScene(400, spriteNearTheCursor, backdropWithTheSprite);
}

namespace {

int losses = 0;

// Plays a renderer that lost the source's video memory: its pixels are gone and the blit says so.
int LosingBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    if (losses == 0) return SDL_UpperBlit(source, sourceRect, destination, destinationRect);
    --losses;
    std::memset(source->pixels, 0, size_t(source->pitch) * size_t(source->h));
    return -2;
}

} // namespace

TEST_F(Cursor, ALostCursorImageIsRestoredFromItsBackup) {
    Nimbrel.lostSurfaceCheck = 1;
    SDL_Surface* image = Keep(Picture(8, 8, 5));
    image->format->colorkey = 0; // neither a key nor one made: drawn as is
    PointAt(10, 10);
    ICursor->Select(ICursor->Create(image, 0));
    ICursor->Enable(0); // so the image's is the first blit Draw makes
    losses = 1;
    NimbrelTestSeam::SetUpperBlit(LosingBlit);
    ICursor->Draw();
    for (int y = 0; y < 8; ++y) EXPECT_EQ(0, std::memcmp(Row(image, y), Row(Nimbrel.screen, 10 + y) + 10, 32)) << y;
    const std::string line = " . [Nimbrel_Blit()] Info: lost surface was restored.\n", log = engine.Log();
    EXPECT_TRUE(log.find(line) != std::string::npos && log.find(line) == log.rfind(line)) << log;
}
