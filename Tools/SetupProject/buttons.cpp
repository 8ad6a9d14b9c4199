// PLACEHOLDER until the engine's button module lands (see buttons.h): loading fails honestly and
// the rest has no button to act on.
#include "buttons.h"

int LoadButton(const char*, const char*, int) { return -1; }
int CloneButton(int) { return -1; }
void SetButtonLayer(int) {}
void ShowButtonLayer(int, int) {}
void SetButtonPosition(int, int, int) {}
void SetButtonState(int, int) {}
int GetButtonState(int) { return -1; }
void SetButtonValue(int, int) {}
int GetButtonValue(int) { return -1; }
SDL_Surface* GetButtonSurface(int, int) { return nullptr; }
int DrawButtons() { return -1; }
void RemoveButtons() {}
