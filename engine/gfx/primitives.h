// The primitives' geometry, shared with the cursor-safe IPrimitives->Rect of the composition.
#ifndef NIMBREL_GFX_PRIMITIVES_H
#define NIMBREL_GFX_PRIMITIVES_H

#include <SDL.h>

// The area the outline of the rectangle with corners (x1, y1) and (x2, y2), both included,
// covers: corners in either order, cut to SDL_Rect's 16-bit coordinates like the lines are.
SDL_Rect OutlineArea(int x1, int y1, int x2, int y2);

#endif
