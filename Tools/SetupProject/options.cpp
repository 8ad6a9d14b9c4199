// The option controls. Every refresh starts from the layout's states, so what a rule disabled
// comes back as soon as the rule no longer applies.
#include "options.h"

#include <cstdlib>
#include <initializer_list>

#include "Nimbrel.h"
#include "layout.h"
#include "setup_state.h"

namespace {

NimbrelConfig& Settings() { return gSetup.settings; }

const ButtonRecord& Slot(int tab, int slot) { return gLayout.groups[tab][slot]; }

int StateOf(int tab, int slot) {
    const int id = Slot(tab, slot).id;
    return id == kNoButton ? kStateDisabled : IButton->GetState(id);
}

bool IsSelected(int tab, int slot) { return slot != 0 && StateOf(tab, slot) == kStateSelected; }

void SetState(int tab, int slot, int state) {
    if (slot != 0 && Slot(tab, slot).id != kNoButton) IButton->SetState(Slot(tab, slot).id, state);
}

// Selects a radio on the settings' behalf, unless it is disabled: a disabled option is not a
// choice the player can confirm.
void Select(int tab, int slot) {
    if (slot != 0 && StateOf(tab, slot) != kStateDisabled) SetState(tab, slot, kStateSelected);
}

// The tab's buttons back to the layout's states. The tab button itself is ShowTab's: a refresh
// while its tab is shown must not make it look unselected.
void RestoreLayoutStates(int tab) {
    for (int slot = kTabSlot + 1; slot < kGroupSlots; ++slot) SetState(tab, slot, Slot(tab, slot).state);
}

void DisableAll(int tab, int except) {
    for (int slot = kTabSlot + 1; slot < kGroupSlots; ++slot)
        if (slot != except) SetState(tab, slot, kStateDisabled);
}

bool TabDisabled(int tab) { return IButton->GetState(Slot(tab, kTabSlot).id) == kStateDisabled; }

// ---- Video ---------------------------------------------------------------------------------------

// What each renderer allows. Renderers without a radio on this platform still force their
// settings.
enum AccelerationRule { kAnyAcceleration, kSoftwareOnly, kHardwareOnly };
struct RendererRule {
    int renderer;
    int radio;
    int forcedMode; // -1: any
    AccelerationRule acceleration;
    int disabledModes[2];
};
const RendererRule kRendererRules[] = {
    {kRendererWindib, kRendererWindibSlot, -1, kSoftwareOnly, {0, 0}},
    {kRendererDirectX, kRendererDDrawSlot, -1, kAnyAcceleration, {0, 0}},
    {kRendererOpenGL, kRendererOpenGLSlot, -1, kHardwareOnly, {0, 0}},
    {kRendererX11, kRendererX11Slot, 1, kSoftwareOnly, {kModeFullScreenSlot, 0}},
    {kRendererFbcon, kRendererFbconSlot, 0, kHardwareOnly, {kModeWindowSlot, kModeNoFrameSlot}},
    {kRendererQuartz, kRendererQuartzSlot, -1, kSoftwareOnly, {0, 0}},
};

const RendererRule* RuleOf(int renderer) {
    for (const RendererRule& rule : kRendererRules)
        if (rule.renderer == renderer) return &rule;
    return nullptr;
}

// Software only: acceleration 1, both hardware radios disabled.
void ForceSoftware() {
    Settings().acceleration = 1;
    SetState(kVideoTab, kAccelHardSmoothSlot, kStateDisabled);
    SetState(kVideoTab, kAccelHardSpeedSlot, kStateDisabled);
}

void ApplyRendererRule(const RendererRule& rule) {
    Select(kVideoTab, rule.radio);
    if (rule.forcedMode != -1) Settings().windowMode = static_cast<Uint8>(rule.forcedMode);
    if (rule.acceleration == kSoftwareOnly) ForceSoftware();
    if (rule.acceleration == kHardwareOnly) {
        if (Settings().acceleration == 1) Settings().acceleration = 2;
        SetState(kVideoTab, kAccelSoftwareSlot, kStateDisabled);
    }
    for (int slot : rule.disabledModes) SetState(kVideoTab, slot, kStateDisabled);
}

int ModeSlot(int mode) {
    return mode == 0 ? kModeFullScreenSlot : mode == 1 ? kModeWindowSlot : mode == 2 ? kModeNoFrameSlot : 0;
}
int DepthSlot(int depth) {
    return depth == 8 ? kDepth8Slot : depth == 16 ? kDepth16Slot : depth == 32 ? kDepth32Slot : 0;
}
int AccelerationSlot(int acceleration) {
    return acceleration >= 1 && acceleration <= 3 ? kAccelSoftwareSlot + acceleration - 1 : 0;
}

// A window takes the desktop's depth, and DirectX draws a window in software.
void ApplyWindowModeRule() {
    const int mode = Settings().windowMode;
    Select(kVideoTab, ModeSlot(mode));
    if (mode != 1 && mode != 2) return;
    Settings().colorDepth = 0;
    for (int slot : {kDepth8Slot, kDepth16Slot, kDepth32Slot}) SetState(kVideoTab, slot, kStateDisabled);
    if (Settings().renderer == kRendererDirectX) ForceSoftware();
}

// The first layout entry whose width and height equal the current size; 0 when none does.
int ResolutionSlot() {
    for (int i = 0; i < 4; ++i) {
        const ResolutionEntry& entry = gLayout.resolutions[i];
        if (std::atoi(entry.width) == Settings().width && std::atoi(entry.height) == Settings().height)
            return kResolution1Slot + i;
    }
    return 0;
}

// ---- Audio ---------------------------------------------------------------------------------------

int FormatSlot(Uint32 bits) { return bits == 8 ? kFormat8Slot : kFormat16Slot; }
int FrequencySlot(Uint32 hertz) { return hertz == 11025 ? kFreq11Slot : hertz == 22050 ? kFreq22Slot : kFreq44Slot; }
int ChannelsSlot(Uint32 channels) { return channels == 1 ? kMonoSlot : channels == 2 ? kStereoSlot : kMultiSlot; }

// Selects `chosen` and returns the rest of its group to their layout states.
void ChooseRadio(int chosen, std::initializer_list<int> group) {
    for (int slot : group) SetState(kAudioTab, slot, Slot(kAudioTab, slot).state);
    SetState(kAudioTab, chosen, kStateSelected);
}

// The sliders always hold the settings' volumes, even while disabled: Save reads them, and must
// not change volumes the player could not touch.
void ShowVolumes() {
    const int music = Slot(kAudioTab, kMusicVolumeSlot).id, sound = Slot(kAudioTab, kSoundVolumeSlot).id;
    if (music != kNoButton) IButton->SetValue(music, Settings().musicVolume);
    if (sound != kNoButton) IButton->SetValue(sound, Settings().soundVolume);
}

} // namespace

// ---- Refreshes -------------------------------------------------------------------------------------

void RefreshGeneralTab() {
    RestoreLayoutStates(kGeneralTab);
    if (Settings().frameDelay != 0) SetState(kGeneralTab, kMtFriendlySlot, kStateSelected);
}

void RefreshVideoTab() {
    if (TabDisabled(kVideoTab)) return;
    RestoreLayoutStates(kVideoTab);
    if (const RendererRule* rule = RuleOf(Settings().renderer)) ApplyRendererRule(*rule);
    ApplyWindowModeRule();
    Select(kVideoTab, ResolutionSlot());
    Select(kVideoTab, DepthSlot(Settings().colorDepth));
    Select(kVideoTab, AccelerationSlot(Settings().acceleration));
}

void RefreshAudioTab() {
    ShowVolumes();
    if (TabDisabled(kAudioTab)) return;
    NimbrelConfig& settings = Settings();
    if (Slot(kAudioTab, kAudioEnabledSlot).state == kStateDisabled) return DisableAll(kAudioTab, 0);
    if (!settings.audioEnabled) {
        SetState(kAudioTab, kAudioEnabledSlot, kStateEnabled);
        return DisableAll(kAudioTab, kAudioEnabledSlot);
    }
    RestoreLayoutStates(kAudioTab);
    SetState(kAudioTab, kAudioEnabledSlot, kStateSelected);
    Select(kAudioTab, FormatSlot(settings.audioFormat));
    Select(kAudioTab, FrequencySlot(settings.audioFrequency));
    Select(kAudioTab, ChannelsSlot(settings.audioChannels));
}

// ---- Choices -----------------------------------------------------------------------------------------

// Ticking the box brings back the configuration's delay; a configuration that had none gets the
// smallest one, so a ticked box is never saved as 0.
void ToggleMultitasking() {
    const Sint8 delay = gSetup.savedFrameDelay > 0 ? gSetup.savedFrameDelay : 1;
    Settings().frameDelay = IsSelected(kGeneralTab, kMtFriendlySlot) ? delay : 0;
}

void SetRenderer(int renderer) {
    Settings().renderer = static_cast<Uint8>(renderer);
    RefreshVideoTab();
}

void SetColorDepth(int depth) {
    Settings().colorDepth = static_cast<Uint8>(depth);
    RefreshVideoTab();
}

void SetAcceleration(int acceleration) {
    Settings().acceleration = static_cast<Uint8>(acceleration);
    RefreshVideoTab();
}

void SetWindowMode(int mode) {
    Settings().windowMode = static_cast<Uint8>(mode);
    RefreshVideoTab();
}

void SelectResolution(int entry) {
    if (entry < 0 || entry >= 4) return;
    const int width = std::atoi(gLayout.resolutions[entry].width), height = std::atoi(gLayout.resolutions[entry].height);
    if (width <= 0 || height <= 0) return; // a layout entry that is no size
    Settings().width = static_cast<Uint16>(width);
    Settings().height = static_cast<Uint16>(height);
    RefreshVideoTab();
}

void ToggleAudio() {
    Settings().audioEnabled = IsSelected(kAudioTab, kAudioEnabledSlot) ? 1 : 0;
    RefreshAudioTab();
}

void SelectFormat(int bits) {
    Settings().audioFormat = static_cast<Uint32>(bits);
    ChooseRadio(FormatSlot(Settings().audioFormat), {kFormat8Slot, kFormat16Slot});
}

void SelectFrequency(int hertz) {
    Settings().audioFrequency = static_cast<Uint32>(hertz);
    ChooseRadio(FrequencySlot(Settings().audioFrequency), {kFreq44Slot, kFreq22Slot, kFreq11Slot});
}

void SelectChannels(int channels) {
    Settings().audioChannels = static_cast<Uint32>(channels);
    ChooseRadio(ChannelsSlot(Settings().audioChannels), {kMonoSlot, kStereoSlot, kMultiSlot});
}

// ---- Save ------------------------------------------------------------------------------------------------

namespace {

// Audio choices the player can see and change: their tab and their check box are offered.
bool AudioChoicesOffered() {
    return !TabDisabled(kAudioTab) && Slot(kAudioTab, kAudioEnabledSlot).state != kStateDisabled;
}

bool VideoChoicesShown() {
    const NimbrelConfig& settings = Settings();
    bool valid = true;
    if (const RendererRule* rule = RuleOf(settings.renderer)) valid = IsSelected(kVideoTab, rule->radio);
    valid &= IsSelected(kVideoTab, AccelerationSlot(settings.acceleration));
    if (settings.windowMode == 0)
        valid &= settings.colorDepth != 0 && IsSelected(kVideoTab, kModeFullScreenSlot) &&
                 IsSelected(kVideoTab, DepthSlot(settings.colorDepth));
    else
        valid &= IsSelected(kVideoTab, ModeSlot(settings.windowMode));
    // A size the layout does not offer does not count; one it offers must be the one shown.
    const int resolution = ResolutionSlot();
    if (resolution != 0) valid &= IsSelected(kVideoTab, resolution);
    return valid;
}

bool AudioChoicesShown() {
    const NimbrelConfig& settings = Settings();
    return IsSelected(kAudioTab, FormatSlot(settings.audioFormat)) &&
           IsSelected(kAudioTab, FrequencySlot(settings.audioFrequency)) &&
           IsSelected(kAudioTab, ChannelsSlot(settings.audioChannels));
}

} // namespace

// A tab (or the audio options) that the layout does not offer cannot show a choice, and the player
// cannot change it: its settings stand as they are and do not hold Save back.
bool ChoicesAreValid() {
    bool valid = TabDisabled(kVideoTab) || VideoChoicesShown();
    if (Settings().audioEnabled && AudioChoicesOffered()) valid &= AudioChoicesShown();
    return valid;
}

void CheckSave() { IButton->SetState(gLayout.save.id, ChoicesAreValid() ? kStateEnabled : kStateDisabled); }
