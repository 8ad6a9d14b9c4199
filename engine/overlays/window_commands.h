// The sub-commands the console's "con" and the debug window's "debug" share: they act on a window
// and answer through the console.
#ifndef NIMBREL_OVERLAYS_WINDOW_COMMANDS_H
#define NIMBREL_OVERLAYS_WINDOW_COMMANDS_H

#include "Nimbrel.h"

// The command's help: its nine lines, printed under the usage line when the command comes alone.
typedef const char* const WindowCommandHelp[9];

// Runs the command alone (its usage and help) or words[1] ("alpha", "color", "hide", "move",
// "resize") on `window`, printing the answers on `console`; `noun` names the window in the
// position and size answers ("console", "debug"). 1 when handled, 0 for a syntax error (too few
// or too many words), -1 when words[1] is none of these.
int RunWindowCommand(cSimpleWin& window, cConsole& console, const char* noun, const WindowCommandHelp& help,
                     int wordCount, const char* const* words);

#endif
