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

Uint32 ColorKeyInFormat(const img::ImageView& view, SDL_PixelFormat* format) {
    const Uint32 key = view.format.colorKey;
    if (key == img::kNoColorKey) return key;
    img::ImageView probe = view;
    probe.format.width = probe.format.height = 1;
    probe.pitch = 4;
    Uint8 pixel[4] = {Uint8(key), Uint8(key >> 8), Uint8(key >> 16), Uint8(key >> 24)};
    probe.rows = pixel;
    SDL_Surface* from = SurfaceFromPixels(probe);
    if (!from) return key;
    SDL_SetAlpha(from, 0, 255); // copied, not blended
    SDL_Surface* to = SDL_ConvertSurface(from, format, SDL_SWSURFACE);
    SDL_FreeSurface(from);
    if (!to) return key;
    Uint32 converted = 0;
    const Uint8* bytes = static_cast<const Uint8*>(to->pixels);
    for (int i = 0; i < to->format->BytesPerPixel; ++i) converted |= Uint32(bytes[i]) << (8 * i);
    SDL_FreeSurface(to);
    return converted;
}

bool DiffersFromDisplay(const SDL_Surface* surface, const SDL_Surface* screen) {
    const SDL_PixelFormat* a = surface->format;
    const SDL_PixelFormat* b = screen->format;
    return (surface->flags & SDL_HWSURFACE) != (screen->flags & SDL_HWSURFACE) || a->BytesPerPixel != b->BytesPerPixel ||
           a->Rmask != b->Rmask || a->Gmask != b->Gmask || a->Bmask != b->Bmask || a->Amask != b->Amask;
}
