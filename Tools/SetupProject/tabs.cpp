// Showing a tab. Layer 0 (Exit, Play, Save, the tab buttons) is always shown; layer t + 1 holds
// tab t's buttons and is shown only with its tab. The texts are drawn straight onto the screen
// after the buttons, so they last until the next tab switch redraws the background.
#include "tabs.h"

#include <cstdio>

#include "layout.h"
#include "setup_state.h"
#include "skin.h"

namespace {

const ButtonRecord& Slot(int tab, int slot) { return gLayout.groups[tab][slot]; }

void Print(int x, int y, const char* text) { gSkin.font->Print(Nimbrel.screen, x, y, text); }

// A label beside a button, centred on the height of `image` (the image a whole group shares).
void Label(const ButtonRecord& slot, const SDL_Surface* image, const char* text) {
    if (slot.id == kNoButton || image == nullptr) return;
    Print(slot.x + image->w + 5, slot.y + (image->h - gSkin.font->GetHeight() + 3) / 2, text);
}

// Every radio is a clone of one master, so the first audio radio stands for all of them.
const SDL_Surface* RadioImage() { return IButton->GetSurface(Slot(kAudioTab, kFormat8Slot).id, kStateEnabled); }

void DrawGeneralTexts() {
    GeneralTexts texts = MakeGeneralTexts();
    if (!texts.processorUsable) {
        IButton->SetState(gLayout.play.id, kStateDisabled);
        IButton->SetState(gLayout.save.id, kStateDisabled);
    }
    const ButtonRecord& cpu = Slot(kGeneralTab, kCpuTextSlot);
    const ButtonRecord& memory = Slot(kGeneralTab, kMemoryTextSlot);
    const ButtonRecord& score = Slot(kGeneralTab, kScoreTextSlot);
    Print(cpu.x, cpu.y, texts.processor);
    Print(memory.x, memory.y, texts.memory);
    Print(score.x, score.y, texts.score);
}

void DrawVideoLabels() {
    const SDL_Surface* radio = RadioImage();
    struct {
        int slot;
        const char* text;
    } const labels[] = {
        {kRendererOpenGLSlot, "OpenGL"},     {kRendererWindibSlot, "Windib"},
        {kRendererDDrawSlot, "DirectX"},     {kDepth8Slot, "8bits"},
        {kDepth16Slot, "16bits"},            {kDepth32Slot, "32bits"},
        {kModeWindowSlot, "Window"},         {kModeFullScreenSlot, "Full screen"},
        {kModeNoFrameSlot, "Window no-frame"}, {kAccelSoftwareSlot, "Software"},
        {kAccelHardSmoothSlot, "Hardware(smooth)"}, {kAccelHardSpeedSlot, "Hardware(speed)"},
    };
    for (const auto& label : labels) Label(Slot(kVideoTab, label.slot), radio, label.text);
    for (int i = 0; i < 4; ++i) {
        char text[2 * kResolutionTextSize + 1];
        std::snprintf(text, sizeof text, "%sx%s", gLayout.resolutions[i].width, gLayout.resolutions[i].height);
        Label(Slot(kVideoTab, kResolution1Slot + i), radio, text);
    }
}

void DrawAudioLabels() {
    const ButtonRecord& check = Slot(kAudioTab, kAudioEnabledSlot);
    Label(check, IButton->GetSurface(check.id, kStateEnabled), "Enable music and sound");
    const SDL_Surface* radio = RadioImage();
    struct {
        int slot;
        const char* text;
    } const labels[] = {
        {kFormat8Slot, "8bits"},  {kFormat16Slot, "16bits"}, {kFreq44Slot, "44000Hz"}, {kFreq22Slot, "22000Hz"},
        {kFreq11Slot, "11000Hz"}, {kMonoSlot, "Mono"},       {kStereoSlot, "Stereo"},  {kMultiSlot, "Multichannel"},
    };
    for (const auto& label : labels) Label(Slot(kAudioTab, label.slot), radio, label.text);

    const ButtonRecord& music = Slot(kAudioTab, kMusicVolumeSlot);
    const ButtonRecord& sound = Slot(kAudioTab, kSoundVolumeSlot);
    const SDL_Surface* track = IButton->GetSurface(music.id, kStateEnabled);
    if (track == nullptr) return;
    int offset = (track->h - gSkin.font->GetHeight() + 3) / 2;
    Print(music.x - 50, music.y + offset, "Music volume:");
    Print(sound.x - 50, sound.y + offset, "Sound volume:");
}

} // namespace

GeneralTexts MakeGeneralTexts() {
    GeneralTexts texts;
    texts.processorUsable = Nimbrel.GetCPUFeatures(texts.processor) == 1;
    std::snprintf(texts.memory, sizeof texts.memory, "%llu Megabytes",
                  static_cast<unsigned long long>(Nimbrel.GetFreeMemory() >> 20));
    std::snprintf(texts.score, sizeof texts.score, "%d points", gSetup.score);
    return texts;
}

void ShowTab(int tab) {
    const int tabButton = Slot(tab, kTabSlot).id;
    if (tab == gSetup.currentTab) {
        IButton->SetState(tabButton, kStateSelected);
        return;
    }
    gSetup.currentTab = tab;
    for (int i = 0; i < kTabCount; ++i) {
        const int button = Slot(i, kTabSlot).id;
        IButton->ShowLayer(i + 1, i == tab);
        if (i == tab)
            IButton->SetState(button, kStateSelected);
        else if (IButton->GetState(button) != kStateDisabled)
            IButton->SetState(button, kStateEnabled);
    }

    SDL_Rect origin = {0, 0, 0, 0};
    Nimbrel.Blit(gSkin.backgrounds[tab], nullptr, Nimbrel.screen, &origin);
    gSkin.sprite->Draw();
    ICursor->ResetBackground();
    IButton->Draw();
    IButton->SetState(tabButton, kStateSelected);

    if (tab == kGeneralTab) DrawGeneralTexts();
    if (tab == kVideoTab) DrawVideoLabels();
    if (tab == kAudioTab) DrawAudioLabels();
}
