// dpf add-button against IButton: a button the tool adds loads, reacts and draws; what the
// engine would refuse (and names the skin prefixes make too long) never reaches the package;
// dpf list says what each button is made of.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Nimbrel.h"
#include "NimbrelAuthoring.h"
#include "button_test_util.h"
#include "support/test_support.h"

using namespace buttontest;

namespace {

bool Has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

void WritePng(const std::string& path, Uint32 width, Uint32 height, Uint32 colour) {
    NimbrelAuthoring::RgbaImage image;
    image.Resize(width, height);
    for (Uint32 y = 0; y < height; ++y)
        for (Uint32 x = 0; x < width; ++x) {
            Uint8* p = image.Pixel(x, y);
            p[0] = Uint8(colour >> 16), p[1] = Uint8(colour >> 8), p[2] = Uint8(colour), p[3] = 255;
        }
    std::vector<Uint8> png;
    std::string problem;
    ASSERT_TRUE(NimbrelAuthoring::EncodePNG(image, false, &png, &problem)) << problem;
    WriteFile(path, std::string(png.begin(), png.end()));
}

class ButtonTool : public testing::Test {
protected:
    void SetUp() override {
        WritePng("n.png", 40, 20, kNormalColour);
        WritePng("p.png", 40, 20, kPressColour);
        WritePng("o.png", 40, 20, kOffColour);
        WritePng("s.png", 40, 20, kSelectColour);
        WritePng("knob.png", 10, 10, kPressColour);
        ASSERT_EQ(0, RunDpf("create skin.dpf").status);
    }
    ToolRun Added(const std::string& arguments) {
        ToolRun run = RunDpf("add-button skin.dpf " + arguments);
        EXPECT_EQ(0, run.status) << arguments << "\n" << run.err;
        return run;
    }

    ScopedTempDir dir;
};

} // namespace

TEST_F(ButtonTool, AddedButtonsLoadReactAndDraw) {
    Added("demo_exit --type normal --images n.png,p.png,o.png --hotkey 27 --position 10,20");
    Added("fancy --type complex --images n.png,p.png,o.png,s.png --position 100,20");
    Added("volume --type slider --images n.png,knob.png,o.png --range 10 --value 4 --position 10,100");
    Added("name --type input --images n.png,p.png,o.png --margins 3,2 --position 10,200");
    const ToolRun list = RunDpf("list skin.dpf");
    EXPECT_TRUE(Has(list.out, "    normal button, at 10,20, key 27; images demo_exit_n 40x20, demo_exit_p 40x20, "
                              "demo_exit_o 40x20\n"))
        << list.out;
    EXPECT_TRUE(Has(list.out, "    slider, range 10, value 4, at 10,100; images volume_n 40x20, volume_p 10x10"));
    EXPECT_TRUE(Has(list.out, "fancy_s 40x20"));

    Frames frames;
    EngineSession engine{2};
    ASSERT_TRUE(engine.started());
    Nimbrel.width = 430;
    Nimbrel.height = 400;
    Nimbrel.colorDepth = 32;
    ASSERT_EQ(1, Nimbrel.SetVideoMode());
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);
    const int exit = IButton->Load("skin.dpf", "demo_exit", 0);
    const int fancy = IButton->Load("skin.dpf", "fancy", 0);
    const int volume = IButton->Load("skin.dpf", "volume", 0);
    const int name = IButton->Load("skin.dpf", "name", 0);
    ASSERT_EQ(1, exit);
    ASSERT_EQ(4, name);
    EXPECT_EQ(4, IButton->GetValue(volume));
    frames.Run(20, 30, SDL_BUTTON(1));
    EXPECT_EQ(kPressColour, ScreenColour(20, 30));
    EXPECT_EQ(exit, frames.Run(20, 30, 0));
    frames.Run(110, 30, 0);
    EXPECT_EQ(kSelectColour, ScreenColour(110, 30));
    frames.Run(110, 30, SDL_BUTTON(1));
    EXPECT_EQ(fancy, frames.Run(110, 30, 0));
    frames.keys[SDLK_ESCAPE] = 1;
    int reported = -1;
    for (int i = 0; i < 4; ++i) reported = std::max(reported, frames.Run(300, 300, 0));
    EXPECT_EQ(exit, reported) << "--hotkey is the associated key";
}

TEST_F(ButtonTool, WhatTheEngineWouldRefuseLeavesThePackageAlone) {
    const std::string before = ReadFile("skin.dpf");
    ToolRun run = RunDpf("add-button skin.dpf averyveryverylongskin_radio --type check --images n.png,p.png,o.png");
    EXPECT_EQ(2, run.status);
    EXPECT_TRUE(Has(run.err, "the engine takes button names of at most 24, so the skin prefix before '_radio' may "
                             "have at most 18 characters"))
        << run.err;
    run = RunDpf("add-button skin.dpf plain --type complex --images n.png,p.png,o.png");
    EXPECT_EQ(2, run.status);
    EXPECT_TRUE(Has(run.err, "takes 4 images"));
    run = RunDpf("add-button skin.dpf plain --type normal --images n.png,p.png,o.png --range 3");
    EXPECT_EQ(2, run.status);
    run = RunDpf("add-button skin.dpf vol --type slider --images n.png,knob.png,o.png --range 10 --value 11");
    EXPECT_EQ(2, run.status);
    run = RunDpf("add-button skin.dpf plain --type normal --images n.png,missing.png,o.png");
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(before, ReadFile("skin.dpf"));
    EXPECT_FALSE(FileExists("skin.dpf.button-check"));

    Added("plain --type normal --images n.png,p.png,o.png");
    const std::string once = ReadFile("skin.dpf");
    run = RunDpf("add-button skin.dpf plain --type normal --images n.png,p.png,o.png");
    EXPECT_EQ(1, run.status);
    EXPECT_TRUE(Has(run.err, "'plain' (BUT) already exists"));
    EXPECT_EQ(once, ReadFile("skin.dpf"));
    Added("plain --type check --images n.png,p.png,o.png --replace");
    EXPECT_TRUE(Has(RunDpf("list skin.dpf").out, "    check button, at 0,0; images plain_n"));
}
