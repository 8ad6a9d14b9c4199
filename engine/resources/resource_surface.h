// The surface of a sprite sheet or a tile image, made ready to draw from its checked payload: the
// one place for the rules both resources follow (surface alpha, colour key, 24-bit copies of
// 32-bit images, conversion to the display's format, the OpenGL hand-off).
#ifndef NIMBREL_RESOURCES_RESOURCE_SURFACE_H
#define NIMBREL_RESOURCES_RESOURCE_SURFACE_H

#include <SDL.h>

#include "data/image_payload.h"

// What a resource remembers about its surface besides the surface itself.
struct ResourceSurface {
    SDL_Surface* surface = nullptr;   // owned by the resource
    bool alphaPerPixel = false;       // drawn with its alpha channel, never with a key
    Uint32 colorKey = img::kNoColorKey; // the key as set on the surface (in its final format)
    Uint8 alpha = 255;                // surface alpha; 255 is opaque
};

// Makes the surface of a resource from its pixels:
//   - an alpha channel with stored alpha 255 draws with per-pixel alpha, and nothing else is set;
//   - otherwise a 32-bit image becomes a 24-bit copy, the stored surface alpha is set, and the
//     stored colour key is set in the surface's final format, where it hides exactly the pixels
//     it hid in the stored one;
//   - the surface is converted to the display's format when a display exists and differs (with
//     an information line, "[<operation>('<package>','<name>')] Info: surface with alpha per pixel
//     loaded...", for per-pixel alpha);
//   - a surface without a key says so with 0xFFFFFFFF in its format's colorkey member.
// False when SDL cannot make the surface.
bool MakeResourceSurface(const img::ImageView& pixels, const char* operation, const char* package, const char* name,
                         ResourceSurface* made);

// The surface in the display's format, its key and alpha carried over; the surface itself when
// there is no display or the conversion fails. The old surface is freed when a new one is made.
SDL_Surface* ConvertToDisplayFormat(SDL_Surface* surface, bool alphaPerPixel);

#endif
