// Blitting onto the screen without harming the software cursor: the one sequence every drawing
// operation that may cover the cursor follows (the main object's Nimbrel.Blit, sprites, tiles,
// fonts, buttons). The cursor is asked to take itself down from the area about to be drawn;
// when it did, its background is saved again after the blit, and the cursor is drawn anew at
// the next render.
#ifndef NIMBREL_CURSOR_CURSOR_SAFE_BLIT_H
#define NIMBREL_CURSOR_CURSOR_SAFE_BLIT_H

#include "Nimbrel.h"

// Nimbrel_Blit (with lost-surface restore from `backup`, which may be null) wrapped in the cursor
// sequence when the destination is the screen; a plain Nimbrel_Blit otherwise. Its result.
int CursorSafeBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect,
                   const NimbrelPixelBackup* backup = nullptr);

// The screen area a blit of `source` (or of `sourceRect` of it) to `destinationRect` covers,
// before clipping: what the cursor is asked about.
SDL_Rect BlitArea(const SDL_Surface* source, const SDL_Rect* sourceRect, const SDL_Rect* destinationRect);

#endif
