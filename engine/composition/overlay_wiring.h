// How the main object drives the developer overlays: made with the first screen, fed events,
// updated at logic frames, drawn at renders and destroyed at Quit.
#ifndef NIMBREL_COMPOSITION_OVERLAY_WIRING_H
#define NIMBREL_COMPOSITION_OVERLAY_WIRING_H

#include "core/nimbrel_private.h"

// Makes the console and the debug window unless they exist (a game may set the mode again).
void CreateOverlays(Nimbrel::Private& priv);
// Console first, then the debug window, which still names the console.
void DestroyOverlays(Nimbrel::Private& priv);
// The back-quote toggle and dragging the debug window.
void OverlaysReactToEvent(const SDL_Event& event, Nimbrel::Private& priv);
void UpdateOverlays(Nimbrel::Private& priv);
void DrawOverlays(Nimbrel::Private& priv);

#endif
