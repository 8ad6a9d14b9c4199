// The launcher's actions that leave it: saving, starting the game, opening documents, leaving.
#include "actions.h"

#include "Nimbrel.h"
#include "layout.h"
#include "setup_state.h"

namespace {

// A slider value as a volume.
Uint8 Volume(int sliderValue, Uint8 previous) {
    if (sliderValue < 0) return previous; // no slider to read
    return static_cast<Uint8>(sliderValue > 255 ? 255 : sliderValue);
}

} // namespace

void ExitSetup() {
    while (ISoundFX->SoundPlaying(kClickChannel)) SDL_Delay(10);
    gSetup.quit = true;
}

void SaveSettings() {
    NimbrelConfig& settings = gSetup.settings;
    const ButtonRecord& music = gLayout.groups[kAudioTab][kMusicVolumeSlot];
    const ButtonRecord& sound = gLayout.groups[kAudioTab][kSoundVolumeSlot];
    if (music.id != kNoButton) settings.musicVolume = Volume(IButton->GetValue(music.id), settings.musicVolume);
    if (sound.id != kNoButton) settings.soundVolume = Volume(IButton->GetValue(sound.id), settings.soundVolume);
    if (settings.windowMode == 1 || settings.windowMode == 2) settings.colorDepth = 0;
    if (Nimbrel.WriteConfig(gLayout.configPackage, gLayout.configDocument, &settings))
        IButton->SetState(gLayout.play.id, kStateEnabled);
}

void LaunchGame() {
    if (Nimbrel.Execute(gLayout.target))
        ILogSystem.Msg(2, " \xB7 [Execute Info] - '%s' was successfully executed!\n", gLayout.target);
    else
        ILogSystem.Msg(2, " \xB7 [Execute Error] - Couldn\xB4t execute the target application\n");
    gSetup.quit = true;
}

void OpenCustomButton(int k) {
    if (k < 0 || k >= kCustomButtons) return;
    const CustomButton& custom = gLayout.custom[k];
    if (custom.type != 1 && custom.type != 2) return;
    if (!Nimbrel.OpenDocument(custom.data))
        ILogSystem.Msg(2, " \xB7 [OpenData() Error] - Couldn\xB4t open '%s'\n", custom.data);
}
