// Surfaces made from checked payloads (see payload_surface.h).
#include "gfx/payload_surface.h"

#include <cstring>

SDL_Surface* SurfaceFromPixels(const img::ImageView& view) {
    const img::ImageFormat& format = view.format;
    SDL_Surface* surface =
        format.bitsPerPixel == 8
            ? SDL_CreateRGBSurface(0, int(format.width), int(format.height), 8, 0, 0, 0, 0)
            : SDL_CreateRGBSurface(0, int(format.width), int(format.height), format.bitsPerPixel, format.redMask,
                                   format.greenMask, format.blueMask, format.alphaMask);
    if (!surface) return nullptr;

    // Never more than either side holds: SDL's pitch may differ from the stored one.
    const Uint32 rowBytes = Uint32(surface->pitch) < view.pitch ? Uint32(surface->pitch) : view.pitch;
    Uint8* to = static_cast<Uint8*>(surface->pixels);
    for (Uint32 y = 0; y < format.height && y < Uint32(surface->h); ++y)
        std::memcpy(to + size_t(y) * surface->pitch, view.rows + size_t(y) * view.pitch, rowBytes);

    if (view.palette && surface->format->palette) {
        SDL_Color colours[256];
        for (int i = 0; i < 256; ++i) {
            colours[i].r = view.palette[4 * i];
            colours[i].g = view.palette[4 * i + 1];
            colours[i].b = view.palette[4 * i + 2];
            colours[i].unused = 0;
        }
        SDL_SetColors(surface, colours, 0, 256);
    }
    return surface;
}

bool DiffersFromDisplay(const SDL_Surface* surface, const SDL_Surface* screen) {
    const SDL_PixelFormat* a = surface->format;
    const SDL_PixelFormat* b = screen->format;
    return (surface->flags & SDL_HWSURFACE) != (screen->flags & SDL_HWSURFACE) || a->BytesPerPixel != b->BytesPerPixel ||
           a->Rmask != b->Rmask || a->Gmask != b->Gmask || a->Bmask != b->Bmask || a->Amask != b->Amask;
}
