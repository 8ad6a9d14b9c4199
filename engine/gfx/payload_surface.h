// Surfaces made from checked payloads: the one place that turns stored pixel rows and palettes
// (a view from data/image_payload.h) into SDL surfaces, for images and for the resources that
// keep their pixels the same way (sprites, tiles, fonts).
#ifndef NIMBREL_GFX_PAYLOAD_SURFACE_H
#define NIMBREL_GFX_PAYLOAD_SURFACE_H

#include <SDL.h>

#include "data/image_payload.h"

// A software surface of the view's size and format holding its rows and, for 8 bits, its
// palette. 8-bit surfaces are palettised whatever masks the payload carries: SDL gives a surface
// with masks no palette. Null when SDL cannot make the surface. No colour key or alpha is set.
SDL_Surface* SurfaceFromPixels(const img::ImageView& view);

// The view's colour key as a pixel value of `format`: a pixel holding the key, converted by a
// blit as a surface's pixels are when it changes format. (SDL_GetRGB and SDL_MapRGB round
// channels of fewer than 8 bits differently from the blitters, so a key mapped through them can
// miss the very pixels it should hide.) The stored key when the view has none or the conversion
// cannot be made.
Uint32 ColorKeyInFormat(const img::ImageView& view, SDL_PixelFormat* format);

// True when blitting the surface onto the screen would convert pixels: another pixel layout, or
// one of the two in video memory and the other not.
bool DiffersFromDisplay(const SDL_Surface* surface, const SDL_Surface* screen);

#endif
