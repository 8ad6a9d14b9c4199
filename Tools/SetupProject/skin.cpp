// Loading the skin. Each step records what it loaded in gSkin before the next one starts, so a
// failure anywhere leaves exactly the loaded part for ReleaseSkin.
#include "skin.h"

#include "Nimbrel.h"
#include "layout.h"
#include "setup_state.h"

SkinResources gSkin = {-1, {nullptr, nullptr, nullptr}, nullptr, nullptr, -1, -1, -1, -1};

const char kSkinPackage[] = "setup.dpf";

namespace {

// The layers buttons are made on.
const int kMainLayer = 0;
const int kLayerOfTab[kTabCount] = {1, 2, 3};

// A button load or clone: 0 (package not opened) and -1 (not made) are failures.
bool Made(int id) { return id != 0 && id != -1; }

bool LoadWorkingButton(const char* name, ButtonRecord* record) {
    record->id = IButton->Load(kSkinPackage, name, 0);
    if (Made(record->id)) return true;
    record->id = kNoButton;
    return false;
}

bool Clone(int master, ButtonRecord* record) {
    record->id = IButton->Clone(master);
    if (Made(record->id)) return true;
    record->id = kNoButton;
    return false;
}

const char* LoadLooks() {
    const ResourceNames& names = gLayout.names;
    // The cursor module reports failure as any number outside its slots.
    int cursor = ICursor->Load(kSkinPackage, names.cursor, 0);
    if (cursor < 0 || cursor >= ICursor::kMaxCursors) return names.cursor;
    gSkin.cursor = cursor;

    const char* const backgrounds[kTabCount] = {names.bgGeneral, names.bgVideo, names.bgAudio};
    for (int tab = 0; tab < kTabCount; ++tab) {
        gSkin.backgrounds[tab] = IImage->Load(kSkinPackage, backgrounds[tab]);
        if (gSkin.backgrounds[tab] == nullptr) return backgrounds[tab];
    }

    gSkin.sprite = new CSprite;
    if (gSkin.sprite->Load(kSkinPackage, gLayout.spriteName, "SPR2") == 0) return gLayout.spriteName;
    gSkin.sprite->SetPosition(gLayout.logoX, gLayout.logoY, 0);

    gSkin.font = new CFont;
    if (gSkin.font->Load(kSkinPackage, names.font) == 0) return names.font;
    return nullptr;
}

const char* LoadSounds() {
    if (!ISoundFX->IsInitialized()) return nullptr;
    gSkin.click = ISoundFX->SoundLoad(kSkinPackage, gLayout.names.click);
    if (gSkin.click == -1) return gLayout.names.click;
    gSkin.music = ISoundFX->MusicLoad(kSkinPackage, gLayout.names.music);
    if (gSkin.music == -1) return gLayout.names.music;
    return nullptr;
}

// The radio clones of the video tab, in the order they are made.
const int kVideoRadios[] = {kRendererOpenGLSlot, kRendererWindibSlot, kRendererDDrawSlot, kResolution1Slot,
                            kResolution2Slot,    kResolution3Slot,    kResolution4Slot,   kDepth8Slot,
                            kDepth16Slot,        kDepth32Slot,        kModeWindowSlot,    kModeFullScreenSlot,
                            kModeNoFrameSlot,    kAccelSoftwareSlot,  kAccelHardSmoothSlot, kAccelHardSpeedSlot};
const int kAudioRadios[] = {kFormat8Slot, kFormat16Slot, kFreq44Slot, kFreq22Slot,
                            kFreq11Slot,  kMonoSlot,     kStereoSlot, kMultiSlot};

const char* LoadButtons() {
    const ResourceNames& names = gLayout.names;
    ButtonRecord(&general)[kGroupSlots] = gLayout.groups[kGeneralTab];
    ButtonRecord(&video)[kGroupSlots] = gLayout.groups[kVideoTab];
    ButtonRecord(&audio)[kGroupSlots] = gLayout.groups[kAudioTab];

    gSkin.checkMaster = IButton->Load(kSkinPackage, names.check, 1);
    if (!Made(gSkin.checkMaster)) return names.check;
    gSkin.radioMaster = IButton->Load(kSkinPackage, names.radio, 1);
    if (!Made(gSkin.radioMaster)) return names.radio;

    IButton->SetLayer(kMainLayer);
    if (!LoadWorkingButton(names.tabGeneral, &general[kTabSlot])) return names.tabGeneral;
    IButton->SetLayer(kLayerOfTab[kGeneralTab]);
    if (!Clone(gSkin.checkMaster, &general[kMtFriendlySlot])) return names.check;
    if (!LoadWorkingButton(names.benchmark, &general[kBenchmarkSlot])) return names.benchmark;
    for (int k = 0; k < kCustomButtons; ++k) {
        const CustomButton& custom = gLayout.custom[k];
        if (custom.type == -1) continue;
        if (!LoadWorkingButton(custom.graphic, &general[kFirstCustomSlot + k])) return custom.graphic;
    }

    IButton->SetLayer(kMainLayer);
    if (!LoadWorkingButton(names.tabVideo, &video[kTabSlot])) return names.tabVideo;
    IButton->SetLayer(kLayerOfTab[kVideoTab]);
    for (int slot : kVideoRadios)
        if (!Clone(gSkin.radioMaster, &video[slot])) return names.radio;

    IButton->SetLayer(kMainLayer);
    if (!LoadWorkingButton(names.tabAudio, &audio[kTabSlot])) return names.tabAudio;
    IButton->SetLayer(kLayerOfTab[kAudioTab]);
    if (!Clone(gSkin.checkMaster, &audio[kAudioEnabledSlot])) return names.check;
    for (int slot : kAudioRadios)
        if (!Clone(gSkin.radioMaster, &audio[slot])) return names.radio;
    if (!LoadWorkingButton(names.slider, &audio[kMusicVolumeSlot])) return names.slider;
    if (!LoadWorkingButton(names.slider, &audio[kSoundVolumeSlot])) return names.slider;
    return nullptr;
}

void PlaceButton(const ButtonRecord& record) {
    if (record.id == kNoButton) return;
    IButton->SetPosition(record.id, record.x, record.y);
    IButton->SetState(record.id, record.state);
}

} // namespace

const char* LoadSkin() {
    const char* failed = LoadLooks();
    if (failed) return failed;

    gSetup.score = 0;
    IButton->SetLayer(kMainLayer);
    const ResourceNames& names = gLayout.names;
    if (!LoadWorkingButton(names.exit, &gLayout.exit)) return names.exit;
    if (!LoadWorkingButton(names.play, &gLayout.play)) return names.play;
    if (!LoadWorkingButton(names.save, &gLayout.save)) return names.save;

    failed = LoadSounds();
    if (failed) return failed;

    for (auto& group : gLayout.groups)
        for (ButtonRecord& slot : group) slot.id = kNoButton;
    failed = LoadButtons();
    if (failed) return failed;

    PlaceButton(gLayout.exit);
    PlaceButton(gLayout.play);
    PlaceButton(gLayout.save);
    for (const auto& group : gLayout.groups)
        for (const ButtonRecord& slot : group) PlaceButton(slot);
    IButton->ShowLayer(kMainLayer, 1);
    return nullptr;
}

void ReleaseSkin() {
    for (SDL_Surface*& background : gSkin.backgrounds) {
        SDL_FreeSurface(background);
        background = nullptr;
    }
    delete gSkin.sprite;
    gSkin.sprite = nullptr;
    if (gSkin.cursor != -1) {
        ICursor->Delete(gSkin.cursor);
        gSkin.cursor = -1;
    }
    if (gSkin.click != -1) ISoundFX->SoundDelete(gSkin.click);
    if (gSkin.music != -1) ISoundFX->MusicDelete(gSkin.music);
    gSkin.click = gSkin.music = -1;
    // Only the current layer (the audio tab, the last one filled); the engine frees the other
    // layers and the masters when it shuts down.
    IButton->Remove();
    delete gSkin.font;
    gSkin.font = nullptr;
}
