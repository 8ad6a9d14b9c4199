// The surface work of IScreenFX's operations: everything up to the new surface, which the
// composition then returns or draws with the cursor-safe Nimbrel.Blit
// (composition/screen_fx_drawing.cpp). Drawing that may cover the cursor belongs above the cursor,
// and the pixel work below it; this is the line between the two.
//
// Each function follows the operation of the same name in Nimbrel.h: the refusals, the clamped
// source rectangle, the new surface's format, palette, colour key and alpha, the size bound, and
// the hand-off to the OpenGL backend for texture surfaces. Failures are logged here, under the
// name of the operation the application called (`operation`, e.g. "Zoom").
#ifndef NIMBREL_GFX_SCREEN_FX_H
#define NIMBREL_GFX_SCREEN_FX_H

#include <SDL.h>

// What an operation leaves for the drawing step.
struct ScreenEffect {
    SDL_Surface* made;    // the new surface, or null when the operation ended without one
    int moveX, moveY;     // where `made` is drawn, from the destination point
    SDL_Surface* answer;  // the operation's result when nothing was made: null, or the
                          // destination the OpenGL backend already drew on
};

ScreenEffect MakeFlipX(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination,
                       const SDL_Rect* destinationRect);
ScreenEffect MakeFlipY(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination,
                       const SDL_Rect* destinationRect);
ScreenEffect MakeResize(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, int newWidth, int newHeight,
                        SDL_Surface* destination, const SDL_Rect* destinationRect);
ScreenEffect MakeZoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double zoomX, double zoomY,
                      SDL_Surface* destination, const SDL_Rect* destinationRect, const char* operation = "Zoom");
ScreenEffect MakeRotoZoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double angle, double zoom,
                          SDL_Surface* destination, const SDL_Rect* destinationRect,
                          const char* operation = "RotoZoom");

#endif
