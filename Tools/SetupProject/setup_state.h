// The launcher's own state beside the layout and the skin: the settings being edited, the values
// the option controls keep, and where the main loop stands.
#ifndef SETUP_STATE_H
#define SETUP_STATE_H

#include "Nimbrel.h"

struct SetupState {
    NimbrelConfig settings;  // read from and written to the game's configuration document
    Sint8 savedFrameDelay;   // the configuration's multitasking value, for its check box
    int score;               // the last benchmark score, 0 until the benchmark has run
    int currentTab;          // -1 before the first tab is shown, then 0, 1 or 2
    bool quit;               // set by Exit, Play or Escape
};

extern SetupState gSetup;

// The mixer channel of the click every pressed button plays.
const int kClickChannel = 1;

// The settings before the configuration document is read.
void SetDefaultSettings(NimbrelConfig* settings);

#endif
