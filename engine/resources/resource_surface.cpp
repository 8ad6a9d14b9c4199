// Resource surfaces from checked payloads (see resource_surface.h).
#include "resources/resource_surface.h"

#include "Nimbrel.h"
#include "gfx/gl_backend.h"
#include "gfx/payload_surface.h"

namespace {

// A 24-bit copy of a 32-bit surface, whose alpha channel is dropped: only images drawn with
// per-pixel alpha keep one. Null when SDL cannot make it; the original is freed either way.
SDL_Surface* CopyTo24Bits(SDL_Surface* surface) {
    SDL_Surface* copy = SDL_CreateRGBSurface(0, surface->w, surface->h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (copy) {
        SDL_SetAlpha(surface, 0, 255); // a plain copy, not a blend onto the empty copy
        SDL_SetColorKey(surface, 0, 0);
        SDL_BlitSurface(surface, nullptr, copy, nullptr);
    }
    SDL_FreeSurface(surface);
    return copy;
}

void MarkWithoutKey(SDL_Surface* surface) {
    if (!(surface->flags & SDL_SRCCOLORKEY)) surface->format->colorkey = img::kNoColorKey;
}

} // namespace

SDL_Surface* ConvertToDisplayFormat(SDL_Surface* surface, bool alphaPerPixel) {
    if (!Nimbrel.screen) return surface;
    SDL_Surface* converted = alphaPerPixel ? SDL_DisplayFormatAlpha(surface) : SDL_DisplayFormat(surface);
    if (!converted) return surface;
    SDL_FreeSurface(surface);
    if (alphaPerPixel) converted->format->alpha = 255;
    MarkWithoutKey(converted);
    return converted;
}

bool MakeResourceSurface(const img::ImageView& pixels, const char* operation, const char* package, const char* name,
                         ResourceSurface* made) {
    const img::ImageFormat& stored = pixels.format;
    SDL_Surface* surface = SurfaceFromPixels(pixels);
    if (!surface) return false;

    const bool alphaPerPixel = (surface->flags & SDL_SRCALPHA) && stored.alpha == 255;
    const bool keyed = !alphaPerPixel && stored.colorKey != img::kNoColorKey;
    const bool openGL = Nimbrel.IsOpenGL();
    if (!alphaPerPixel) {
        if (stored.bitsPerPixel == 32) {
            surface = CopyTo24Bits(surface);
            if (!surface) return false;
        }
        if (stored.alpha == 255)
            SDL_SetAlpha(surface, 0, 255);
        else
            SDL_SetAlpha(surface, SDL_SRCALPHA, stored.alpha);
        SDL_SetColorKey(surface, 0, 0);
        // The stored key names a pixel of the stored format; it is set in the surface's own.
        if (keyed && openGL) SDL_SetColorKey(surface, SDL_SRCCOLORKEY, ColorKeyInFormat(pixels, surface->format));
    }

    if (Nimbrel.screen && DiffersFromDisplay(surface, Nimbrel.screen)) {
        SDL_Surface* before = surface;
        surface = ConvertToDisplayFormat(surface, alphaPerPixel);
        if (surface == before) {
            ILogSystem.Msg(2, " . [%s('%s','%s')] Warning: the surface could not be converted to the display format: %s\n",
                           operation, package, name, SDL_GetError());
        } else if (alphaPerPixel) {
            ILogSystem.Msg(5, " . [%s('%s','%s')] Info: surface with alpha per pixel loaded, it could slow down your graphics system.\n",
                           operation, package, name);
        }
    }
    if (openGL) OpenGLUploadSurface(surface);

    if (keyed && !openGL) SDL_SetColorKey(surface, SDL_SRCCOLORKEY, ColorKeyInFormat(pixels, surface->format));
    MarkWithoutKey(surface);

    made->surface = surface;
    made->alphaPerPixel = alphaPerPixel;
    made->colorKey = (surface->flags & SDL_SRCCOLORKEY) ? surface->format->colorkey : img::kNoColorKey;
    made->alpha = stored.alpha;
    return true;
}
