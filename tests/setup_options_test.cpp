// The launcher's option controls on the default skin: the video tab's renderer and window-mode
// rules, resolutions, the audio tab, the Save button's validity check, and the actions that start
// programs or write the configuration.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Nimbrel.h"
#include "benchmark.h"
#include "dispatch.h"
#include "layout.h"
#include "options.h"
#include "setup_app.h"
#include "setup_state.h"
#include "support/test_support.h"

namespace {

std::string Configuration(const std::string& video, const std::string& audio) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<setup>\n<general mtfriendly=\"3\"/>\n"
           "<video " + video + "/>\n<audio " + audio + "/>\n</setup>\n";
}

const char kAudioOn[] = "enable=\"1\" format=\"16\" frequency=\"44100\" mode=\"2\" musicvol=\"100\" soundvol=\"90\" buffer=\"4096\"";

// Setup started on the default skin in a fresh directory, with this configuration (none when
// empty), and released at the end of the test.
class SetupOptions : public ::testing::Test {
protected:
    void Start(const std::string& configuration) {
        ASSERT_TRUE(CopyDefaultSkin());
        if (!configuration.empty()) WriteFile("config.xml", configuration);
        ASSERT_EQ(StartSetup(), 0) << ReadFile("Setup.log");
        started_ = true;
    }
    void TearDown() override {
        if (started_) ReleaseSetup();
    }

    // A press as the main loop handles it: the action, then the validity check.
    static void Press(int tab, int slot) {
        Act(gLayout.groups[tab][slot].id);
        CheckSave();
    }
    // A check box changes its own state when clicked, before the launcher acts.
    static void Tick(int tab, int slot, bool on) {
        IButton->SetState(gLayout.groups[tab][slot].id, on ? kStateSelected : kStateEnabled);
        Press(tab, slot);
    }
    static int State(int tab, int slot) { return IButton->GetState(gLayout.groups[tab][slot].id); }
    static int Video(int slot) { return State(kVideoTab, slot); }
    static int Audio(int slot) { return State(kAudioTab, slot); }
    static bool SaveEnabled() { return IButton->GetState(gLayout.save.id) == kStateEnabled; }
    static const NimbrelConfig& Settings() { return gSetup.settings; }

    ScopedTempDir dir_;
    bool started_ = false;
};

} // namespace

// Each renderer offers only the accelerations and window modes it can honour, whatever the
// configuration says, and switching back brings the options back.
TEST_F(SetupOptions, RendererAndWindowModeRulesDecideWhatCanBeChosen) {
    Start(Configuration("renderer=\"2\" resolutionx=\"800\" resolutiony=\"600\" colordepth=\"16\" window=\"0\" accel=\"3\"",
                        kAudioOn));
    // Windib draws in software.
    EXPECT_EQ(Settings().acceleration, 1);
    EXPECT_EQ(Video(kAccelSoftwareSlot), kStateSelected);
    EXPECT_EQ(Video(kAccelHardSmoothSlot), kStateDisabled);
    EXPECT_EQ(Video(kAccelHardSpeedSlot), kStateDisabled);
    EXPECT_EQ(Video(kRendererWindibSlot), kStateSelected);
    EXPECT_EQ(Video(kModeFullScreenSlot), kStateSelected);
    EXPECT_EQ(Video(kDepth16Slot), kStateSelected);
    EXPECT_TRUE(SaveEnabled());

    // DirectX in full screen offers hardware; in a window it does not, and the depth is the desktop's.
    Press(kVideoTab, kRendererDDrawSlot);
    EXPECT_EQ(Video(kRendererWindibSlot), kStateEnabled);
    EXPECT_EQ(Video(kAccelHardSpeedSlot), kStateEnabled);
    Press(kVideoTab, kAccelHardSpeedSlot);
    EXPECT_EQ(Settings().acceleration, 3);
    Press(kVideoTab, kModeWindowSlot);
    EXPECT_EQ(Settings().acceleration, 1);
    EXPECT_EQ(Settings().colorDepth, 0);
    for (int slot : {kDepth8Slot, kDepth16Slot, kDepth32Slot, kAccelHardSmoothSlot, kAccelHardSpeedSlot})
        EXPECT_EQ(Video(slot), kStateDisabled) << slot;
    EXPECT_TRUE(SaveEnabled());

    // Back in full screen the depths return, but the desktop depth is no choice there.
    Press(kVideoTab, kModeFullScreenSlot);
    EXPECT_EQ(Video(kDepth32Slot), kStateEnabled);
    EXPECT_EQ(Video(kAccelHardSmoothSlot), kStateEnabled);
    EXPECT_FALSE(SaveEnabled());
    Press(kVideoTab, kDepth32Slot);
    EXPECT_EQ(Video(kDepth32Slot), kStateSelected);
    EXPECT_TRUE(SaveEnabled());

    // OpenGL has no software mode: the choice moves to hardware (smooth).
    Press(kVideoTab, kAccelSoftwareSlot);
    Press(kVideoTab, kRendererOpenGLSlot);
    EXPECT_EQ(Settings().acceleration, 2);
    EXPECT_EQ(Video(kAccelSoftwareSlot), kStateDisabled);
    EXPECT_EQ(Video(kAccelHardSmoothSlot), kStateSelected);
    EXPECT_TRUE(SaveEnabled());
}

// Resolutions: a size the layout does not offer selects nothing and does not block Save; two
// entries of the same width can each be chosen, and the check never rewrites the chosen height.
TEST_F(SetupOptions, ResolutionsOfferedTakenAndCheckedByWidthAndHeight) {
    Start(Configuration("renderer=\"2\" resolutionx=\"1000\" resolutiony=\"700\" colordepth=\"0\" window=\"1\" accel=\"1\"",
                        kAudioOn));
    for (int slot = kResolution1Slot; slot <= kResolution4Slot; ++slot) EXPECT_EQ(Video(slot), kStateEnabled) << slot;
    EXPECT_TRUE(SaveEnabled());

    std::strcpy(gLayout.resolutions[3].width, "640");
    std::strcpy(gLayout.resolutions[3].height, "400");
    Press(kVideoTab, kResolution4Slot);
    EXPECT_EQ(Settings().width, 640);
    EXPECT_EQ(Settings().height, 400);
    EXPECT_EQ(Video(kResolution4Slot), kStateSelected);
    EXPECT_EQ(Video(kResolution1Slot), kStateEnabled);
    EXPECT_TRUE(SaveEnabled());
    Press(kVideoTab, kResolution1Slot);
    EXPECT_EQ(Settings().height, 480);
    EXPECT_EQ(Video(kResolution1Slot), kStateSelected);
    EXPECT_TRUE(SaveEnabled());
    EXPECT_EQ(Settings().height, 480);
}

// A radio the layout disables is never selected on the configuration's behalf: Save waits until the
// player picks an option that is offered.
TEST_F(SetupOptions, ALayoutDisabledChoiceKeepsSaveDisabledUntilAnotherIsPicked) {
    Start(Configuration("renderer=\"2\" resolutionx=\"800\" resolutiony=\"600\" colordepth=\"0\" window=\"1\" accel=\"1\"",
                        kAudioOn));
    gLayout.groups[kVideoTab][kResolution2Slot].state = kStateDisabled;
    gLayout.groups[kAudioTab][kStereoSlot].state = kStateDisabled;
    RefreshVideoTab();
    RefreshAudioTab();
    CheckSave();
    EXPECT_EQ(Video(kResolution2Slot), kStateDisabled);
    EXPECT_EQ(Audio(kStereoSlot), kStateDisabled);
    EXPECT_FALSE(SaveEnabled());
    Press(kVideoTab, kResolution3Slot);
    EXPECT_FALSE(SaveEnabled()); // the channels are still a disabled choice
    Press(kAudioTab, kMultiSlot);
    EXPECT_EQ(Settings().audioChannels, 4u);
    EXPECT_EQ(Audio(kMultiSlot), kStateSelected);
    EXPECT_EQ(Audio(kMonoSlot), kStateEnabled);
    EXPECT_EQ(Audio(kStereoSlot), kStateDisabled); // picking another option does not enable it
    EXPECT_TRUE(SaveEnabled());
}

// Options the layout does not offer at all (the audio check box, the whole video tab) cannot be
// shown as chosen, so they never hold Save back.
TEST_F(SetupOptions, OptionsTheLayoutDoesNotOfferDoNotBlockSave) {
    Start(Configuration("renderer=\"2\" resolutionx=\"800\" resolutiony=\"600\" colordepth=\"0\" window=\"1\" accel=\"1\"",
                        kAudioOn));
    gLayout.groups[kAudioTab][kAudioEnabledSlot].state = kStateDisabled;
    RefreshAudioTab();
    CheckSave();
    for (int slot = kAudioEnabledSlot; slot <= kSoundVolumeSlot; ++slot) EXPECT_EQ(Audio(slot), kStateDisabled) << slot;
    EXPECT_EQ(Settings().audioEnabled, 1);
    EXPECT_TRUE(SaveEnabled());

    IButton->SetState(gLayout.groups[kVideoTab][kTabSlot].id, kStateDisabled);
    IButton->SetState(gLayout.groups[kVideoTab][kResolution2Slot].id, kStateEnabled);
    CheckSave();
    EXPECT_TRUE(SaveEnabled());
}

// With audio off every audio option but the check box is disabled and none of them affects Save;
// ticking it brings the configuration's choices back.
TEST_F(SetupOptions, AudioOffDisablesItsOptionsAndTheirCheck) {
    Start(Configuration("renderer=\"2\" resolutionx=\"640\" resolutiony=\"480\" colordepth=\"0\" window=\"1\" accel=\"1\"",
                        "enable=\"0\" format=\"16\" frequency=\"22050\" mode=\"2\" musicvol=\"100\" soundvol=\"90\" buffer=\"4096\""));
    EXPECT_EQ(Audio(kAudioEnabledSlot), kStateEnabled);
    for (int slot = kFormat8Slot; slot <= kSoundVolumeSlot; ++slot) EXPECT_EQ(Audio(slot), kStateDisabled) << slot;
    EXPECT_TRUE(SaveEnabled());
    // The disabled sliders still hold the configuration's volumes, which Save reads.
    EXPECT_EQ(IButton->GetValue(gLayout.groups[kAudioTab][kMusicVolumeSlot].id), 100);
    EXPECT_EQ(IButton->GetValue(gLayout.groups[kAudioTab][kSoundVolumeSlot].id), 90);

    Tick(kAudioTab, kAudioEnabledSlot, true);
    EXPECT_EQ(Settings().audioEnabled, 1);
    EXPECT_EQ(Audio(kFormat16Slot), kStateSelected);
    EXPECT_EQ(Audio(kFreq22Slot), kStateSelected);
    EXPECT_EQ(Audio(kStereoSlot), kStateSelected);
    Press(kAudioTab, kFormat8Slot);
    Press(kAudioTab, kFreq11Slot);
    EXPECT_EQ(Audio(kFormat16Slot), kStateEnabled);
    EXPECT_EQ(Audio(kFreq22Slot), kStateEnabled);
    EXPECT_EQ(Settings().audioFormat, 8u);
    EXPECT_EQ(Settings().audioFrequency, 11025u);
    EXPECT_TRUE(SaveEnabled());

    Tick(kAudioTab, kAudioEnabledSlot, false);
    EXPECT_EQ(Settings().audioEnabled, 0);
    EXPECT_EQ(Audio(kFormat8Slot), kStateDisabled);
}

// Save writes what is chosen (a window at the desktop depth, the sliders' volumes) and enables Play
// only when the document was really written.
TEST_F(SetupOptions, SaveEnablesPlayOnlyAfterARealWrite) {
    Start("");
    EXPECT_EQ(IButton->GetState(gLayout.play.id), kStateDisabled);
    std::strcpy(gLayout.configDocument, "blocker/config.xml");
    WriteFile("blocker", "a file where a directory should be");
    Act(gLayout.save.id);
    EXPECT_EQ(IButton->GetState(gLayout.play.id), kStateDisabled);

    std::strcpy(gLayout.configDocument, "config.xml");
    gSetup.settings.colorDepth = 16;
    IButton->SetValue(gLayout.groups[kAudioTab][kMusicVolumeSlot].id, 40);
    Act(gLayout.save.id);
    EXPECT_EQ(IButton->GetState(gLayout.play.id), kStateEnabled);
    NimbrelConfig saved;
    ASSERT_EQ(Nimbrel.ReadConfig(nullptr, "config.xml", &saved), 1);
    EXPECT_EQ(saved.colorDepth, 0);
    EXPECT_EQ(saved.musicVolume, 40);
    EXPECT_EQ(saved.width, 640);
}

// The multitasking box gives back the configuration's delay; from a configuration without one, a
// ticked box still means a delay, never a saved 0.
TEST_F(SetupOptions, TheMultitaskingBoxAlwaysSavesWhatItShows) {
    Start(Configuration("renderer=\"2\" resolutionx=\"640\" resolutiony=\"480\" colordepth=\"0\" window=\"1\" accel=\"1\"",
                        kAudioOn));
    EXPECT_EQ(State(kGeneralTab, kMtFriendlySlot), kStateSelected);
    Tick(kGeneralTab, kMtFriendlySlot, false);
    EXPECT_EQ(Settings().frameDelay, 0);
    Tick(kGeneralTab, kMtFriendlySlot, true);
    EXPECT_EQ(Settings().frameDelay, 3);

    gSetup.savedFrameDelay = 0; // as read from mtfriendly="0"
    Tick(kGeneralTab, kMtFriendlySlot, false);
    Tick(kGeneralTab, kMtFriendlySlot, true);
    EXPECT_EQ(Settings().frameDelay, 1);
}

// Play and the custom buttons start their programs without a shell and log what failed; Play ends
// the launcher either way.
TEST_F(SetupOptions, PlayAndCustomButtonsStartTheirProgramsAndLogFailures) {
    Start("");
    WriteFile("record.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.out.tmp\" && mv \"$0.out.tmp\" \"$0.out\"\n");
    chmod("record.sh", 0755);
    const int readme = gLayout.groups[kGeneralTab][kFirstCustomSlot].id;
    const int website = gLayout.groups[kGeneralTab][kFirstCustomSlot + 1].id;

    auto waitFor = [](const char* path) {
        for (int i = 0; i < 200 && !FileExists(path); ++i) SDL_Delay(10);
        return ReadFile(path);
    };
    setenv("NIMBREL_OPENER", "./record.sh", 1);
    std::strcpy(gLayout.custom[0].data, "my notes; rm -rf $HOME.txt");
    Act(readme);
    EXPECT_EQ(waitFor("record.sh.out"), "my notes; rm -rf $HOME.txt|");
    std::remove("record.sh.out");
    Act(website);
    EXPECT_EQ(waitFor("record.sh.out"), "https://example.org/nimbrel-demo|");
    EXPECT_FALSE(gSetup.quit);

    setenv("NIMBREL_OPENER", "./no-such-opener", 1);
    Act(website);
    unsetenv("NIMBREL_OPENER");
    EXPECT_NE(ReadFile("Setup.log").find(" \xB7 [OpenData() Error] - Couldn\xB4t open 'https://example.org/nimbrel-demo'\n"),
              std::string::npos);

    std::remove("record.sh.out");
    std::strcpy(gLayout.target, "./record.sh \"the game\" -x");
    IButton->SetState(gLayout.play.id, kStateEnabled);
    Act(gLayout.play.id);
    EXPECT_TRUE(gSetup.quit);
    EXPECT_EQ(waitFor("record.sh.out"), "the game|-x|");
    EXPECT_NE(ReadFile("Setup.log").find(" \xB7 [Execute Info] - './record.sh \"the game\" -x' was successfully executed!\n"),
              std::string::npos);

    gSetup.quit = false;
    std::strcpy(gLayout.target, "./no-such-game");
    Act(gLayout.play.id);
    EXPECT_TRUE(gSetup.quit);
    EXPECT_NE(ReadFile("Setup.log").find(" \xB7 [Execute Error] - Couldn\xB4t execute the target application\n"),
              std::string::npos);
}

// Every measurement runs at each depth the settings allow, the 8-bit one included.
TEST(SetupBenchmark, MeasuresAtEveryDepth) {
    EngineSession engine(2, SDL_INIT_TIMER | SDL_INIT_VIDEO);
    ASSERT_TRUE(engine.started());
    for (int depth : {0, 8, 16}) {
        BenchmarkResult result = MeasureBenchmark(60, depth);
        EXPECT_GT(result.memory, 0) << depth;
        EXPECT_GT(result.blit, 0) << depth;
        EXPECT_EQ(result.score, BenchmarkScore(result.memory, result.cpu1, result.cpu2, result.blit));
    }
}
