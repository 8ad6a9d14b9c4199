// The dispatch table: one row per button that does something, naming the button by its slot and
// the action with its argument.
#include "dispatch.h"

#include "actions.h"
#include "benchmark.h"
#include "layout.h"
#include "options.h"
#include "tabs.h"

namespace {

// Exit, Play and Save are not in a tab's group; they have a group of their own here.
const int kMainGroup = -1;
enum MainSlot { kExitSlot, kPlaySlot, kSaveSlot };

struct Row {
    int group; // kMainGroup or a tab
    int slot;
    void (*action)(int argument);
    int argument;
};

void Exit(int) { ExitSetup(); }
void Play(int) { LaunchGame(); }
void Save(int) { SaveSettings(); }
void Multitasking(int) { ToggleMultitasking(); }
void Benchmark(int) { RunBenchmark(); }
void Audio(int) { ToggleAudio(); }

const Row kTable[] = {
    {kMainGroup, kExitSlot, Exit, 0},
    {kMainGroup, kPlaySlot, Play, 0},
    {kMainGroup, kSaveSlot, Save, 0},
    {kGeneralTab, kTabSlot, ShowTab, kGeneralTab},
    {kVideoTab, kTabSlot, ShowTab, kVideoTab},
    {kAudioTab, kTabSlot, ShowTab, kAudioTab},
    {kGeneralTab, kMtFriendlySlot, Multitasking, 0},
    {kGeneralTab, kBenchmarkSlot, Benchmark, 0},
    {kGeneralTab, kFirstCustomSlot + 0, OpenCustomButton, 0},
    {kGeneralTab, kFirstCustomSlot + 1, OpenCustomButton, 1},
    {kGeneralTab, kFirstCustomSlot + 2, OpenCustomButton, 2},
    {kGeneralTab, kFirstCustomSlot + 3, OpenCustomButton, 3},
    {kGeneralTab, kFirstCustomSlot + 4, OpenCustomButton, 4},
    {kGeneralTab, kFirstCustomSlot + 5, OpenCustomButton, 5},
    {kGeneralTab, kFirstCustomSlot + 6, OpenCustomButton, 6},
    {kVideoTab, kRendererOpenGLSlot, SetRenderer, kRendererOpenGL},
    {kVideoTab, kRendererWindibSlot, SetRenderer, kRendererWindib},
    {kVideoTab, kRendererDDrawSlot, SetRenderer, kRendererDirectX},
    {kVideoTab, kRendererX11Slot, SetRenderer, kRendererX11},
    {kVideoTab, kRendererFbconSlot, SetRenderer, kRendererFbcon},
    {kVideoTab, kRendererQuartzSlot, SetRenderer, kRendererQuartz},
    {kVideoTab, kResolution1Slot, SelectResolution, 0},
    {kVideoTab, kResolution2Slot, SelectResolution, 1},
    {kVideoTab, kResolution3Slot, SelectResolution, 2},
    {kVideoTab, kResolution4Slot, SelectResolution, 3},
    {kVideoTab, kDepth8Slot, SetColorDepth, 8},
    {kVideoTab, kDepth16Slot, SetColorDepth, 16},
    {kVideoTab, kDepth32Slot, SetColorDepth, 32},
    {kVideoTab, kAccelSoftwareSlot, SetAcceleration, 1},
    {kVideoTab, kAccelHardSmoothSlot, SetAcceleration, 2},
    {kVideoTab, kAccelHardSpeedSlot, SetAcceleration, 3},
    {kVideoTab, kModeWindowSlot, SetWindowMode, 1},
    {kVideoTab, kModeFullScreenSlot, SetWindowMode, 0},
    {kVideoTab, kModeNoFrameSlot, SetWindowMode, 2},
    {kAudioTab, kAudioEnabledSlot, Audio, 0},
    {kAudioTab, kFormat8Slot, SelectFormat, 8},
    {kAudioTab, kFormat16Slot, SelectFormat, 16},
    {kAudioTab, kFreq44Slot, SelectFrequency, 44100},
    {kAudioTab, kFreq22Slot, SelectFrequency, 22050},
    {kAudioTab, kFreq11Slot, SelectFrequency, 11025},
    {kAudioTab, kMonoSlot, SelectChannels, 1},
    {kAudioTab, kStereoSlot, SelectChannels, 2},
    {kAudioTab, kMultiSlot, SelectChannels, 4},
};

int IdOf(const Row& row) {
    if (row.group != kMainGroup) return gLayout.groups[row.group][row.slot].id;
    const ButtonRecord* const main[] = {&gLayout.exit, &gLayout.play, &gLayout.save};
    return main[row.slot]->id;
}

} // namespace

void Act(int id) {
    if (id == kNoButton) return;
    for (const Row& row : kTable)
        if (IdOf(row) == id) return row.action(row.argument);
}
