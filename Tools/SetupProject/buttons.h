// The button operations the launcher uses: layers, loading from setup.dpf, clones of masters,
// positions, states, values, the drawing pass and the release of a layer.
//
// PLACEHOLDER until the engine's button module lands: no button can be loaded, so LoadButton
// and CloneButton fail (-1) and the resource loading stops at the skin's first button and names
// it; the launcher then exits with code 1 rather than showing a window whose buttons are missing.
// With no buttons, the other operations have nothing to act on.
#ifndef SETUP_BUTTONS_H
#define SETUP_BUTTONS_H

#include <SDL.h>

// A button of the package file, as a working button of the current layer (master 0) or as a
// master (1). Its identifier; 0 when the package cannot be opened, -1 when the button cannot be
// made.
int LoadButton(const char* packageFile, const char* name, int master);
// A copy of a master in the current layer. Its identifier, or -1.
int CloneButton(int masterId);

void SetButtonLayer(int layer);
void ShowButtonLayer(int layer, int visible);
void SetButtonPosition(int id, int x, int y);
void SetButtonState(int id, int state);
// The state (a check button's check value), or -1 when there is no such button.
int GetButtonState(int id);
void SetButtonValue(int id, int value);
// A slider's value, or -1.
int GetButtonValue(int id);
// The image a button shows in a state (1 normal), or null.
SDL_Surface* GetButtonSurface(int id, int state);
// Draws the visible layers; the identifier of the button activated at the last logic frame, or -1.
int DrawButtons();
// Frees the buttons of the current layer.
void RemoveButtons();

#endif
