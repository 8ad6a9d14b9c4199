// What Exit, Save, Play and the custom buttons do. Programs are started without a shell and never
// waited for; each failure leaves its line in Setup.log.
#ifndef SETUP_ACTIONS_H
#define SETUP_ACTIONS_H

// Lets the click finish playing, then asks the main loop to stop.
void ExitSetup();

// Takes the volumes from the sliders, gives a window the desktop's depth and writes the game's
// configuration. Play is enabled only when the document was really written.
void SaveSettings();

// Starts the layout's target in the working directory, logs the outcome and asks the main loop to
// stop, whether or not the game started.
void LaunchGame();

// Opens custom button k's data (types 1 and 2 alike; any other type does nothing).
void OpenCustomButton(int k);

#endif
