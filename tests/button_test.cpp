// IButton: clicks and keys driven frame by frame through the input seam and the frame pump, the
// widgets' own rules (complex hit box, check toggling, radio groups, sliders, input boxes),
// disabled buttons and hidden layers, creation failures, and the sharing and release of images.
#include <gtest/gtest.h>

#include <string>

#include "Nimbrel.h"
#include "button_test_util.h"
#include "resource_test_util.h"
#include "support/test_support.h"

using namespace buttontest;

namespace {

int callbackRuns = 0;
Sint32 callbackFirst = 0, callbackSecond = 0;
void CountCallback(Sint32 first, Sint32 second) {
    ++callbackRuns;
    callbackFirst = first;
    callbackSecond = second;
}

const Uint8 kLeft = SDL_BUTTON(1);
const Uint8 kMiddle = SDL_BUTTON(2);

class Buttons : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(engine.started());
        Nimbrel.width = 430;
        Nimbrel.height = 400;
        Nimbrel.colorDepth = 32;
        Nimbrel.frameDelay = 0;
        ASSERT_EQ(Nimbrel.SetVideoMode(), 1);
        ITimeSystem->Init(0);
        ITimeSystem->SetRate(60, 20);
        package = IStuffDPF->Create("buttons.dpf");
        ASSERT_GT(package, 0);
        callbackRuns = 0;
    }
    void TearDown() override {
        if (package > 0) IStuffDPF->Close(package);
    }
    int Make(const std::string& name, const TestButton& button, int master = 0) {
        EXPECT_TRUE(AddButton(package, name, button));
        std::vector<Uint8> seed = but::BuildButton(button.record);
        const std::vector<Uint8> image = SolidTile(button.width, button.height, kNormalColour);
        seed.insert(seed.end(), image.begin(), image.end());
        restest::KeepSeed("button_fuzz", name, seed);
        return IButton->Load(package, name.c_str(), master);
    }
    void ClearScreen() { SDL_FillRect(Nimbrel.screen, nullptr, 0); }

    ScopedTempDir dir;
    Frames frames; // before the engine: the time system starts on its clock
    EngineSession engine{5};
    int package = 0;
};

} // namespace

TEST_F(Buttons, AClickActivatesOnlyWhenReleasedInsideTheHitBox) {
    TestButton ok = Button(IButton::kNormal, 10, 10); // hit box 10 < x < 49, 10 < y < 29
    ok.record.colour = 0xFF0000;
    const int id = Make("ok", ok);
    ASSERT_EQ(1, id);
    IButton->SetCallback(id, CountCallback, 7, -3);

    EXPECT_EQ(-1, frames.Run(20, 20, kLeft));
    EXPECT_EQ(IButton::kStatePressed, IButton->GetState(id));
    EXPECT_EQ(kPressColour, ScreenColour(20, 20));
    EXPECT_EQ(id, frames.Run(20, 20, 0));
    EXPECT_EQ(1, callbackRuns);
    EXPECT_EQ(7, callbackFirst);
    EXPECT_EQ(-3, callbackSecond);
    EXPECT_EQ(id, IButton->Draw()) << "a second draw before the next logic frame reports it again";
    EXPECT_EQ(1, callbackRuns) << "but runs its callback once";
    EXPECT_EQ(-1, frames.Run(20, 20, 0));
    EXPECT_EQ(IButton::kStateSelected, IButton->GetState(id));
    EXPECT_EQ(0xFF0000u, ScreenColour(10, 10)) << "the select box outlines the hit box";
    EXPECT_EQ(0xFF0000u, ScreenColour(49, 29));
    EXPECT_EQ(kNormalColour, ScreenColour(20, 20));

    // Pressed inside, dragged out, released outside.
    frames.Run(20, 20, kLeft);
    frames.Run(100, 100, kLeft);
    EXPECT_EQ(-1, frames.Run(100, 100, 0));
    EXPECT_EQ(-1, frames.Run(100, 100, 0));
    // On the hit box's edge the pointer is outside it.
    frames.Run(10, 20, kLeft);
    EXPECT_EQ(IButton::kStateNormal, IButton->GetState(id));
    EXPECT_EQ(-1, frames.Run(10, 20, 0));
    frames.Run(49, 20, kLeft);
    EXPECT_EQ(-1, frames.Run(49, 20, 0));
    // Only the left button counts until the mask says otherwise.
    frames.Run(20, 20, kMiddle);
    EXPECT_EQ(IButton::kStateSelected, IButton->GetState(id));
    EXPECT_EQ(-1, frames.Run(20, 20, 0));
    IButton->SetMouseMask(id, kMiddle);
    frames.Run(20, 20, kMiddle);
    EXPECT_EQ(id, frames.Run(20, 20, 0));
    EXPECT_EQ(2, callbackRuns);
}

TEST_F(Buttons, AHeldKeyActivatesAfter120MsWithoutTheCallback) {
    TestButton button = Button(IButton::kNormal, 10, 10);
    button.record.key = SDLK_RETURN;
    const int id = Make("enter", button);
    IButton->SetCallback(id, CountCallback, 0, 0);
    frames.keys[SDLK_RETURN] = 1;
    EXPECT_EQ(-1, frames.Run(300, 300, 0)); // held from now
    EXPECT_EQ(IButton::kStatePressed, IButton->GetState(id));
    EXPECT_EQ(-1, frames.Run(300, 300, 0)); // 50 ms
    EXPECT_EQ(-1, frames.Run(300, 300, 0)); // 100 ms
    EXPECT_EQ(id, frames.Run(300, 300, 0)); // 150 ms
    EXPECT_EQ(-1, frames.Run(300, 300, 0)); // held again from here
    EXPECT_EQ(0, callbackRuns);
    frames.keys[SDLK_RETURN] = 0;
    EXPECT_EQ(-1, frames.Run(300, 300, 0));
    EXPECT_EQ(IButton::kStateNormal, IButton->GetState(id));
}

TEST_F(Buttons, AComplexButtonsHitBoxIsOnePixelLarger) {
    const int normal = Make("plain", Button(IButton::kNormal, 0, 100));
    const int complex = Make("fancy", Button(IButton::kComplex, 100, 100));
    // x + W - 1 and y + H - 1: the last pixel of each image.
    frames.Run(39, 119, 0);
    EXPECT_EQ(IButton::kStateNormal, IButton->GetState(normal));
    frames.Run(139, 119, 0);
    EXPECT_EQ(IButton::kStateSelected, IButton->GetState(complex));
    EXPECT_EQ(kSelectColour, ScreenColour(120, 110)) << "Selected draws the select image";
    frames.Run(139, 119, kLeft);
    EXPECT_EQ(complex, frames.Run(139, 119, 0));
    EXPECT_NE(nullptr, IButton->GetSurface(complex, IButton::kStateSelected));
    EXPECT_EQ(nullptr, IButton->GetSurface(normal, IButton::kStateSelected));
}

TEST_F(Buttons, ACheckButtonTogglesOncePerClick) {
    TestButton button = Button(IButton::kCheck, 10, 10);
    button.record.key = SDLK_c;
    const int id = Make("check", button);
    EXPECT_EQ(1, IButton->GetState(id));

    frames.Run(20, 20, kLeft);
    EXPECT_EQ(id, frames.Run(20, 20, 0));
    EXPECT_EQ(4, IButton->GetState(id));
    EXPECT_EQ(kNormalColour, ScreenColour(20, 20)) << "the reporting draw shows the old look";
    EXPECT_EQ(id, IButton->Draw());
    EXPECT_EQ(4, IButton->GetState(id)) << "a second draw of the same click toggles nothing";
    EXPECT_EQ(kPressColour, ScreenColour(20, 20));
    frames.Run(20, 20, 0);
    EXPECT_EQ(4, IButton->GetState(id)) << "the check value survives the input pass";

    frames.Run(20, 20, kLeft);
    EXPECT_EQ(id, frames.Run(20, 20, 0));
    EXPECT_EQ(1, IButton->GetState(id));

    // Activated by its key, it reports the activation and keeps its check value.
    frames.keys[SDLK_c] = 1;
    int reported = -1;
    for (int i = 0; i < 4; ++i) reported = std::max(reported, frames.Run(300, 300, 0));
    EXPECT_EQ(id, reported);
    EXPECT_EQ(1, IButton->GetState(id));
}

TEST_F(Buttons, RadioGroupsMadeOfCheckClonesKeepOneSelection) {
    const int master = Make("radio", Button(IButton::kCheck, 0, 0, 16, 16), 1);
    ASSERT_EQ(1000, master);
    IButton->SetLayer(2);
    int radios[3];
    for (int i = 0; i < 3; ++i) {
        radios[i] = IButton->Clone(master);
        IButton->SetPosition(radios[i], 50 + 30 * i, 50);
    }
    EXPECT_EQ(201, radios[0]);
    EXPECT_EQ(203, radios[2]);
    // As the launcher answers a click in a group: the clicked one checked, the others cleared.
    auto choose = [&](int chosen) {
        for (int id : radios) IButton->SetState(id, id == chosen ? 4 : 1);
    };
    IButton->SetState(radios[0], 4);
    for (int clicked : {1, 2, 2, 0}) {
        frames.Run(58 + 30 * clicked, 58, kLeft);
        const int activated = frames.Run(58 + 30 * clicked, 58, 0);
        ASSERT_EQ(radios[clicked], activated);
        choose(activated);
        frames.Run(58 + 30 * clicked, 58, 0);
        frames.Run(300, 300, 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(i == clicked ? 4 : 1, IButton->GetState(radios[i])) << clicked;
    }
}

TEST_F(Buttons, ASliderFollowsTheDragWithinItsRange) {
    TestButton track = Button(IButton::kSlider, 0, 50, 150, 20);
    track.record.range = 10;
    track.record.value = 99; // stored out of range: limited when it is loaded
    track.pressWidth = 10;
    track.pressHeight = 10;
    const int id = Make("volume", track);
    EXPECT_EQ(10, IButton->GetValue(id));

    frames.Run(75, 60, kLeft); // (50 + 5) x 10 / 100
    EXPECT_EQ(5, IButton->GetValue(id));
    EXPECT_EQ(kPressColour, ScreenColour(25 + 90 * 5 / 10, 57)) << "the knob follows the value";
    frames.Run(124, 60, kLeft);
    EXPECT_EQ(10, IButton->GetValue(id));
    frames.Run(26, 60, kLeft);
    EXPECT_EQ(0, IButton->GetValue(id));
    // Held from outside (a state set by the application) the value stays within the range.
    IButton->SetState(id, IButton::kStatePressed);
    Nimbrel.mouseX = 400;
    Nimbrel.SetUpdateMode(1);
    IButton->Draw();
    EXPECT_EQ(10, IButton->GetValue(id));

    IButton->SetValue(id, 20);
    EXPECT_EQ(10, IButton->GetValue(id));
    IButton->SetValue(id, -5);
    EXPECT_EQ(0, IButton->GetValue(id));

    // Range 0, or a track of at most 50 pixels: the value stays, the knob sits at x + 25.
    TestButton flat = Button(IButton::kSlider, 0, 150, 150, 20);
    flat.pressWidth = flat.pressHeight = 10;
    TestButton narrow = Button(IButton::kSlider, 0, 250, 50, 20);
    narrow.record.range = 10;
    narrow.record.value = 3;
    narrow.pressWidth = narrow.pressHeight = 10;
    const int flatId = Make("flat", flat), narrowId = Make("narrow", narrow);
    IButton->SetState(flatId, IButton::kStatePressed);
    IButton->SetState(narrowId, IButton::kStatePressed);
    Nimbrel.SetUpdateMode(1);
    IButton->Draw();
    EXPECT_EQ(0, IButton->GetValue(flatId));
    EXPECT_EQ(3, IButton->GetValue(narrowId));
    EXPECT_EQ(kPressColour, ScreenColour(25, 155));
    EXPECT_EQ(kPressColour, ScreenColour(25, 255));
}

namespace {

// A font of 95 glyphs each 4 pixels wide (advance 5 with the mark run), 8 pixels high.
CFont* TestFont() {
    const int runs = 95, cell = 4, height = 9;
    SDL_Surface* bitmap =
        SDL_CreateRGBSurface(0, runs * (2 + cell), height, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(bitmap, nullptr, 0);
    for (int k = 0; k < runs; ++k) {
        SDL_Rect mark = {Sint16(k * (2 + cell)), 0, 2, 1};
        SDL_FillRect(bitmap, &mark, 0xFF00FF);
        SDL_Rect ink = {Sint16(k * (2 + cell) + 2), 2, Uint16(cell), Uint16(height - 3)};
        SDL_FillRect(bitmap, &ink, 0xFFFFFF);
    }
    CFont* font = new CFont;
    font->Create(bitmap);
    SDL_FreeSurface(bitmap);
    return font;
}

} // namespace

TEST_F(Buttons, AnInputBoxTakesKeysOnlyUnderThePointerAndWithinItsLength) {
    TestButton box = Button(IButton::kInput, 10, 10, 400, 20);
    box.record.range = 2; // vertical margin
    box.record.value = 3; // horizontal margin
    const int id = Make("name", box);
    TestButton shortcut = Button(IButton::kNormal, 10, 200);
    shortcut.record.key = SDLK_a;
    const int other = Make("shortcut", shortcut);
    CFont* font = TestFont();
    ASSERT_NE(nullptr, font->GetSurface());
    IButton->SetFont(id, font);

    frames.keys[SDLK_a] = 1;
    frames.Run(300, 300, 0); // not under the pointer: no typing, the shortcut key counts
    EXPECT_STREQ("", IButton->GetText(id));
    EXPECT_EQ(IButton::kStatePressed, IButton->GetState(other));
    frames.Run(20, 20, 0);
    EXPECT_STREQ("a", IButton->GetText(id));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(-1, frames.Run(20, 20, 0)) << "typing fires no shortcut";
    EXPECT_EQ(IButton::kStateNormal, IButton->GetState(other));
    EXPECT_STREQ("aa", IButton->GetText(id)) << "a held key repeats once more than 150 ms have passed";
    frames.keys[SDLK_a] = 0;
    frames.keys[SDLK_1] = 1;
    frames.keys[SDLK_SPACE] = 1;
    frames.Run(20, 20, 0);
    EXPECT_STREQ("aa 1", IButton->GetText(id));
    frames.keys[SDLK_1] = frames.keys[SDLK_SPACE] = 0;
    frames.keys[SDLK_BACKSPACE] = 1;
    for (int i = 0; i < 20; ++i) frames.Run(20, 20, 0);
    EXPECT_STREQ("", IButton->GetText(id)) << "erasing stops at an empty text";
    frames.keys[SDLK_BACKSPACE] = 0;

    // 31 characters at most, however wide the box.
    frames.keys[SDLK_z] = 1;
    for (int i = 0; i < 140; ++i) frames.Run(20, 20, 0);
    EXPECT_EQ(31u, std::string(IButton->GetText(id)).size());
    // And no wider than its text area: 100 - 2 x 3 - 1 pixels hold 18 glyphs of 5.
    IButton->SetLayer(1);
    IButton->ShowLayer(0, 0);
    const int narrow = Make("narrow", Button(IButton::kInput, 10, 10, 100, 20));
    IButton->SetFont(narrow, font);
    for (int i = 0; i < 120; ++i) frames.Run(20, 20, 0);
    const std::string typed = IButton->GetText(narrow);
    EXPECT_LT(font->GetTextWidth(typed.c_str()), 100 - 1);
    EXPECT_GT(typed.size(), 10u);
    EXPECT_LT(typed.size(), 31u);

    IButton->SetText(narrow, "0123456789012345678901234567890123456789");
    EXPECT_EQ(31u, std::string(IButton->GetText(narrow)).size());
    EXPECT_EQ(nullptr, IButton->GetText(other));
    IButton->SetFont(narrow, nullptr);
    IButton->SetFont(id, nullptr);
    delete font;
}

TEST_F(Buttons, ADisabledButtonNeverActivates) {
    TestButton button = Button(IButton::kNormal, 10, 10);
    button.record.key = SDLK_RETURN;
    const int id = Make("off", button);
    const int check = Make("tick", Button(IButton::kCheck, 10, 100));
    IButton->SetCallback(id, CountCallback, 0, 0);
    IButton->SetState(id, IButton::kStateDisabled);
    IButton->SetState(check, IButton::kStatePressed);
    IButton->SetState(check, IButton::kStateDisabled);
    IButton->SetState(check, IButton::kStateDisabled); // twice: the check value is kept all the same
    EXPECT_EQ(16, IButton->GetState(check));

    frames.keys[SDLK_RETURN] = 1;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(-1, frames.Run(20, 20, i % 2 ? 0 : kLeft));
        EXPECT_EQ(-1, frames.Run(20, 110, i % 2 ? 0 : kLeft));
    }
    EXPECT_EQ(0, callbackRuns);
    Nimbrel.SetUpdateMode(1); // a disabled button changes no state, so nothing asked for a redraw
    IButton->Draw();
    EXPECT_EQ(kOffColour, ScreenColour(20, 20));
    EXPECT_EQ(kOffColour, ScreenColour(20, 110));

    IButton->SetState(check, IButton::kStateNormal);
    EXPECT_EQ(4, IButton->GetState(check)) << "enabling restores the saved check value";
    IButton->SetState(id, IButton::kStateNormal);
    frames.keys[SDLK_RETURN] = 0;
    frames.Run(20, 20, kLeft);
    EXPECT_EQ(id, frames.Run(20, 20, 0));
}

TEST_F(Buttons, HiddenLayersNeitherDrawNorReact) {
    IButton->SetLayer(1);
    const int id = Make("tab", Button(IButton::kNormal, 10, 10));
    EXPECT_EQ(101, id);
    IButton->SetLayer(0);
    ClearScreen();
    frames.Run(20, 20, kLeft);
    EXPECT_EQ(-1, frames.Run(20, 20, 0));
    EXPECT_EQ(IButton::kStateNormal, IButton->GetState(id));
    EXPECT_EQ(0u, ScreenColour(20, 20));

    IButton->ShowLayer(1, 5);
    frames.Run(20, 20, kLeft);
    EXPECT_EQ(kPressColour, ScreenColour(20, 20));
    EXPECT_EQ(id, frames.Run(20, 20, 0));
    IButton->ShowLayer(1, -3);
    frames.Run(20, 20, kLeft);
    EXPECT_EQ(-1, frames.Run(20, 20, 0));
    IButton->SetLayer(8); // ignored
    EXPECT_EQ(0, IButton->GetLayer());
}

TEST_F(Buttons, CreationRefusesWhatItCannotBuild) {
    ASSERT_TRUE(AddButton(package, "ok", Button(IButton::kNormal, 0, 0)));
    // A complex button needs its select image; a normal one made from the same tiles does not.
    ButtonDesc desc = {};
    desc.type = IButton::kComplex;
    EXPECT_EQ(-1, IButton->Create(&desc, "ok", 0, package));
    EXPECT_NE(std::string::npos, engine.Log().find("')] Error: we could not find valid tiles for this kind of button.\n"));
    EXPECT_EQ(0, Nimbrel.liveTiles) << "the images of a failed creation are destroyed";
    desc.type = IButton::kNormal;
    EXPECT_EQ(1, IButton->Create(&desc, "ok", 0, package));

    desc.type = 3;
    EXPECT_EQ(-1, IButton->Create(&desc, "ok", 0, package));
    desc.type = IButton::kNormal;
    desc.selectColour = 0xFFFFFFFF;
    EXPECT_EQ(-1, IButton->Create(&desc, "ok", 0, package));
    desc.selectColour = 0;
    EXPECT_EQ(-1, IButton->Create(&desc, "ok", 0, 0));
    EXPECT_EQ(3, restest::Count(engine.Log(), "')] Error: wrong parameters.\n"));
    EXPECT_EQ(-1, IButton->Create(&desc, "abcdefghijklmnopqrstuvwxy", 0, package));
    EXPECT_NE(std::string::npos, engine.Log().find("Error: button name too long, limit on 25 characters.\n"));

    // A "BUT" block shorter than a descriptor.
    std::vector<Uint8> shortBlock = but::BuildButton(Button(IButton::kNormal, 0, 0).record);
    shortBlock.resize(23);
    ASSERT_TRUE(PutBlock(package, "stub", "BUT", shortBlock));
    EXPECT_EQ(-1, IButton->Load(package, "stub", 0));
    EXPECT_NE(std::string::npos,
              engine.Log().find(" . [IButton->Load('stub','buttons.dpf',0)] Error: the 'BUT' block is damaged: the block "
                                "is shorter than the 24 bytes of a button.\n"));
    EXPECT_EQ(-1, IButton->Load(package, "nothing", 0));
    EXPECT_NE(std::string::npos,
              engine.Log().find(" . [IButton->Load('nothing','buttons.dpf',0)] Error: button not found.\n"));
    EXPECT_EQ(0, IButton->Load("missing.dpf", "ok", 0));

    // A full layer.
    for (int i = 1; i < IButton::kButtonsPerLayer; ++i) EXPECT_EQ(i + 1, IButton->Create(&desc, "ok", 0, package));
    EXPECT_EQ(-1, IButton->Create(&desc, "ok", 0, package));
    EXPECT_NE(std::string::npos, engine.Log().find("Warning: we have reached maximum buttons number(32) in this layer(0).\n"));
    EXPECT_EQ(32, IButton->Dump(0));
    for (int id : {0, 33, 100, 133, 150, 1000, 1100}) EXPECT_EQ(-1, IButton->GetState(id)) << id;
}

TEST_F(Buttons, ClonesShareTheirMastersImagesWhichAreReleasedOnce) {
    const int master = Make("radio", Button(IButton::kCheck, 0, 0, 16, 16), 1);
    const int tiles = Nimbrel.liveTiles;
    EXPECT_EQ(3, tiles);
    const int first = IButton->Clone(master), second = IButton->Clone(master);
    EXPECT_EQ(1, first);
    EXPECT_EQ(2, second);
    EXPECT_EQ(tiles, Nimbrel.liveTiles) << "clones cost no images";
    EXPECT_EQ(IButton->GetSurface(master, 1), IButton->GetSurface(first, 1));
    EXPECT_EQ(5, IButton->Dump(0)); // one master, two working buttons counted twice

    IButton->Remove();
    EXPECT_NE(std::string::npos, engine.Log().find(" . [IButton->Remove()] Info: 2 buttons of layer 0 were deleted.\n"));
    IButton->Dump(1);
    EXPECT_NE(std::string::npos, engine.Log().find("        + Cloned buttons: 0 - Saved memory: 0.0 Kbytes\n"));

    // Freed before its clone, the master leaves its images to the clone, which still draws.
    const int orphan = IButton->Clone(master);
    IButton->SetPosition(orphan, 100, 100);
    IButton->FreeMaster(master);
    EXPECT_NE(std::string::npos,
              engine.Log().find(" . [IButton->FreeMaster(0)] Warning: this master button still has 1 cloned buttons!\n"));
    EXPECT_EQ(tiles, Nimbrel.liveTiles);
    ClearScreen();
    Nimbrel.SetUpdateMode(1);
    IButton->Draw();
    EXPECT_EQ(kNormalColour, ScreenColour(105, 105));
    // A new master in the freed slot is not the clone's: removing the clone leaves its count alone.
    const int next = Make("other", Button(IButton::kNormal, 0, 0), 1);
    EXPECT_EQ(master, next);
    IButton->Clone(next);
    IButton->SetLayer(1);
    IButton->Clone(next);
    IButton->SetLayer(0);
    IButton->Remove();
    EXPECT_EQ(tiles, Nimbrel.liveTiles) << "the orphan's images went with it";
    IButton->SetLayer(1);
    IButton->Remove();
    IButton->FreeMaster(-1);
    EXPECT_EQ(0, Nimbrel.liveTiles);
}

TEST_F(Buttons, ShutdownReportsAndReleasesWhatWasLeft) {
    const int master = Make("radio", Button(IButton::kCheck, 0, 0, 16, 16), 1);
    IButton->Clone(master);
    IButton->SetLayer(3);
    Make("exit", Button(IButton::kNormal, 5, 5));
    IButton->Remove();
    Make("play", Button(IButton::kComplex, 5, 5));
    IButton->Clone(master);
    IStuffDPF->Close(package);
    package = 0;
    Nimbrel.Quit();
    const std::string log = engine.Log();
    EXPECT_NE(std::string::npos, log.find(" . [IButton] Warning! your application has left 6 buttons without deleting.\n"));
    EXPECT_NE(std::string::npos, log.find("\n   - Masterbuttons: 1 - Cloned buttons: 2 - Total working buttons: 3 - "
                                          "Current layer 3.\n"));
    EXPECT_NE(std::string::npos, log.find("\n     -> Button name 'radio' - MasterID '1000':\n"));
    EXPECT_NE(std::string::npos, log.find("          + Cloned button. MasterID '1000'.\n"));
    EXPECT_NE(std::string::npos, log.find("          + Select state button of 3 Kb located at system memory\n"));
    EXPECT_EQ(std::string::npos, log.find("still has")) << "layers go before masters";
    EXPECT_EQ(std::string::npos, log.find("tiles without deleting"));
    EXPECT_EQ(0, Nimbrel.liveTiles);
}
