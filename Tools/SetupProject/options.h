// The option controls: bringing each tab's buttons into line with the settings, the choices the
// player makes on them, and the check that enables Save only while every current choice is shown
// as a selected, enabled option.
//
// A radio group behaves as one choice: the launcher, not the buttons, decides which radio is
// selected. A radio the layout disables is never selected on the settings' behalf, so a
// configuration that asks for it leaves Save disabled until the player picks an enabled option.
#ifndef SETUP_OPTIONS_H
#define SETUP_OPTIONS_H

// Each tab's buttons return to their layout states and then show the current settings. The video
// and audio refreshes do nothing while their tab button is disabled. The video refresh applies the
// renderer's rules, which may change the acceleration, the window mode and the colour depth.
void RefreshGeneralTab();
void RefreshVideoTab();
void RefreshAudioTab();

// The choices, as the buttons of the tabs make them.
void ToggleMultitasking();        // after the check box has changed its own state; ticked
                                  // gives the configuration's delay, or 1 ms when it had none
void SetRenderer(int renderer);   // the other video fields: set, then the video refresh
void SetColorDepth(int depth);
void SetAcceleration(int acceleration);
void SetWindowMode(int mode);
void SelectResolution(int entry); // 0..3: the layout's resolution entries
void ToggleAudio();               // after the check box has changed its own state
void SelectFormat(int bits);      // 8 or 16
void SelectFrequency(int hertz);  // 11025, 22050 or 44100
void SelectChannels(int channels); // 1, 2 or 4

// True while every current choice is shown as a selected radio: the renderer, the acceleration,
// the window mode (and in full screen a colour depth, which must not be the desktop's), the
// layout resolution equal to the current size when there is one, and with audio enabled its
// format, frequency and channels. Choices on a tab the layout disables, and the audio choices when
// the layout disables the audio check box, do not count. Reads the settings and the button states;
// changes neither.
bool ChoicesAreValid();

// Enables Save when the choices are valid, else disables it.
void CheckSave();

#endif
