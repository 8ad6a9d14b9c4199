// Blitting: Nimbrel_Blit with lost-surface recovery, pixel backups, and the engine's own copy of
// plain blits through the processor's copy path.
//
// This module owns the blit dispatch (plain copy or SDL) and the lost-surface restore. The
// cursor-safe Nimbrel.Blit builds on it from the composition floor, above the cursor.
#include "gfx/blit.h"

#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "Nimbrel.h"
#include "core/copy_paths.h"

namespace {

UpperBlitFunction testBlit = nullptr;

// ---- The plain case -----------------------------------------------------------------------------

bool SamePalette(const SDL_Palette* a, const SDL_Palette* b) {
    if (a == b) return true;
    if (!a || !b || a->ncolors != b->ncolors) return false;
    return std::memcmp(a->colors, b->colors, sizeof(SDL_Color) * size_t(a->ncolors)) == 0;
}

// Formats between which SDL's blit is a straight copy of the bytes.
bool SameFormat(const SDL_PixelFormat* a, const SDL_PixelFormat* b) {
    if (a->BitsPerPixel != b->BitsPerPixel || a->BytesPerPixel != b->BytesPerPixel) return false;
    if (a->BytesPerPixel == 1) return SamePalette(a->palette, b->palette);
    return a->Rmask == b->Rmask && a->Gmask == b->Gmask && a->Bmask == b->Bmask && a->Amask == b->Amask;
}

// A software surface whose pixels can be touched without locking.
bool IsDirectlyWritable(const SDL_Surface* surface) {
    return surface->pixels && !surface->locked && !(surface->flags & SDL_HWSURFACE) && !SDL_MUSTLOCK(surface);
}

// SDL_UpperBlit's clipping, for the plain case: cut the source rectangle to the source surface
// and the destination to its clip rectangle. Fills the area to copy and writes the drawn area
// into the destination rectangle, as SDL does. False when nothing is left to copy.
bool ClipLikeSDL(const SDL_Surface* source, const SDL_Rect* sourceRect, const SDL_Surface* destination,
                 SDL_Rect* destinationRect, int* sourceX, int* sourceY, int* width, int* height) {
    int srcX = 0, srcY = 0, w = source->w, h = source->h;
    if (sourceRect) {
        srcX = sourceRect->x;
        w = sourceRect->w;
        if (srcX < 0) {
            w += srcX;
            destinationRect->x = Sint16(destinationRect->x - srcX);
            srcX = 0;
        }
        if (source->w - srcX < w) w = source->w - srcX;
        srcY = sourceRect->y;
        h = sourceRect->h;
        if (srcY < 0) {
            h += srcY;
            destinationRect->y = Sint16(destinationRect->y - srcY);
            srcY = 0;
        }
        if (source->h - srcY < h) h = source->h - srcY;
    }

    const SDL_Rect& clip = destination->clip_rect;
    int dx = clip.x - destinationRect->x;
    if (dx > 0) {
        w -= dx;
        destinationRect->x = Sint16(destinationRect->x + dx);
        srcX += dx;
    }
    dx = destinationRect->x + w - clip.x - clip.w;
    if (dx > 0) w -= dx;
    int dy = clip.y - destinationRect->y;
    if (dy > 0) {
        h -= dy;
        destinationRect->y = Sint16(destinationRect->y + dy);
        srcY += dy;
    }
    dy = destinationRect->y + h - clip.y - clip.h;
    if (dy > 0) h -= dy;

    if (w <= 0 || h <= 0) {
        destinationRect->w = destinationRect->h = 0;
        return false;
    }
    destinationRect->w = Uint16(w);
    destinationRect->h = Uint16(h);
    *sourceX = srcX;
    *sourceY = srcY;
    *width = w;
    *height = h;
    return true;
}

int PlainBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    SDL_Rect wholeSurface = {0, 0, 0, 0};
    if (!destinationRect) destinationRect = &wholeSurface;
    int srcX, srcY, w, h;
    if (!ClipLikeSDL(source, sourceRect, destination, destinationRect, &srcX, &srcY, &w, &h)) return 0;

    const int bytesPerPixel = source->format->BytesPerPixel;
    const Uint8* from = static_cast<const Uint8*>(source->pixels) + srcY * source->pitch + srcX * bytesPerPixel;
    Uint8* to = static_cast<Uint8*>(destination->pixels) + destinationRect->y * destination->pitch +
                destinationRect->x * bytesPerPixel;
    CopyRows(to, destination->pitch, from, source->pitch, Uint32(w * bytesPerPixel), h);
    return 0;
}

// ---- The per-pixel alpha case -------------------------------------------------------------------

// A byte-per-channel layout of the low three bytes, alpha (if any) in the top one.
bool IsByteLayout(const SDL_PixelFormat* f) {
    const Uint32 masks[3] = {f->Rmask, f->Gmask, f->Bmask};
    for (Uint32 mask : masks)
        if (mask != 0xFF && mask != 0xFF00 && mask != 0xFF0000) return false;
    return (f->Rmask | f->Gmask | f->Bmask) == 0xFFFFFF;
}

// A source drawn through its alpha channel onto an opaque 32-bit surface of the same colour
// layout, both in system memory: what fonts and sprites with soft edges print.
bool IsPixelAlphaBlit(const SDL_Surface* source, const SDL_Surface* destination) {
    const SDL_PixelFormat* from = source->format;
    const SDL_PixelFormat* to = destination->format;
    return (source->flags & (SDL_SRCALPHA | SDL_SRCCOLORKEY)) == SDL_SRCALPHA && from->alpha == 255 &&
           from->BytesPerPixel == 4 && to->BytesPerPixel == 4 && from->Amask == 0xFF000000 && to->Amask == 0 &&
           from->Rmask == to->Rmask && from->Gmask == to->Gmask && from->Bmask == to->Bmask && IsByteLayout(from) &&
           IsDirectlyWritable(source) && IsDirectlyWritable(destination);
}

#if defined(__SSE2__)
// SDL's blend of four pixels, to the bit. SDL weighs red and blue together in one 32-bit
// multiplication and green in another, rounding down; that comes to each channel on its own as
// (d + ((s - d) * alpha >> 8)) & 255 with the product's low 16 bits, which is what 16-bit lanes
// compute. Red and blue sit in 16-bit lanes as they are, green and alpha after a shift; the alpha
// lane's result is dropped.
inline __m128i BlendFour(__m128i source, __m128i destination) {
    const __m128i redBlueMask = _mm_set1_epi32(0xFF00FF), colourMask = _mm_set1_epi32(0xFFFFFF);
    const __m128i alphaGreenSource = _mm_srli_epi16(source, 8), alphaGreen = _mm_srli_epi16(destination, 8);
    // Alpha 255 weighs as 256, which makes the blend the source colour itself, as SDL draws an
    // opaque pixel (255 would round it one step short).
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(alphaGreenSource, 0xF5), 0xF5);
    const __m128i weight = _mm_add_epi16(alpha, _mm_srli_epi16(_mm_add_epi16(alpha, _mm_set1_epi16(1)), 8));
    const __m128i redBlue = _mm_and_si128(destination, redBlueMask);
    const __m128i redBlueStep =
        _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(_mm_and_si128(source, redBlueMask), redBlue), weight), 8);
    const __m128i greenStep = _mm_srli_epi16(_mm_mullo_epi16(_mm_sub_epi16(alphaGreenSource, alphaGreen), weight), 8);
    const __m128i blended = _mm_or_si128(_mm_and_si128(_mm_add_epi16(redBlue, redBlueStep), redBlueMask),
                                         _mm_slli_epi16(_mm_add_epi16(alphaGreen, greenStep), 8));
    // Every pixel keeps the destination's top byte.
    return _mm_or_si128(_mm_and_si128(blended, colourMask), _mm_andnot_si128(colourMask, destination));
}

inline void BlendRow(const Uint32* from, Uint32* to, int width) {
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i source = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
        __m128i* at = reinterpret_cast<__m128i*>(to + x);
        const __m128i destination = _mm_loadu_si128(at);
        _mm_storeu_si128(at, BlendFour(source, destination));
    }
    // The last one to three pixels go through the same four-pixel step: a pixel-by-pixel choice
    // between opaque, clear and blended costs more in mispredicted branches than it saves.
    switch (width - x) {
    case 1: {
        const __m128i result = BlendFour(_mm_cvtsi32_si128(int(from[x])), _mm_cvtsi32_si128(int(to[x])));
        to[x] = Uint32(_mm_cvtsi128_si32(result));
        break;
    }
    case 2: {
        const __m128i result = BlendFour(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + x)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(to + x)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + x), result);
        break;
    }
    case 3: {
        const __m128i source = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(from + x)),
                                                  _mm_cvtsi32_si128(int(from[x + 2])));
        const __m128i destination = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(to + x)),
                                                       _mm_cvtsi32_si128(int(to[x + 2])));
        const __m128i result = BlendFour(source, destination);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(to + x), result);
        to[x + 2] = Uint32(_mm_cvtsi128_si32(_mm_srli_si128(result, 8)));
        break;
    }
    default: break;
    }
}
#else
// SDL's blend, to the bit: red and blue weighed together in one multiplication, green in
// another, both rounded down; an opaque pixel replaces the colour, a transparent one is skipped.
inline Uint32 BlendPixel(Uint32 source, Uint32 destination) {
    const Uint32 alpha = source >> 24;
    if (alpha == 255) return (source & 0xFFFFFF) | (destination & 0xFF000000);
    const Uint32 redBlue = destination & 0xFF00FF, green = destination & 0xFF00;
    const Uint32 blendedRedBlue = (redBlue + (((source & 0xFF00FF) - redBlue) * alpha >> 8)) & 0xFF00FF;
    const Uint32 blendedGreen = (green + (((source & 0xFF00) - green) * alpha >> 8)) & 0xFF00;
    return blendedRedBlue | blendedGreen | (destination & 0xFF000000);
}

inline void BlendRow(const Uint32* from, Uint32* to, int width) {
    for (int x = 0; x < width; ++x)
        if (from[x] >> 24) to[x] = BlendPixel(from[x], to[x]);
}
#endif

// SDL's per-pixel alpha blit, four pixels at a time and without SDL's per-call set-up: text is
// made of many small blits of mostly transparent pixels.
int PixelAlphaBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    SDL_Rect wholeSurface = {0, 0, 0, 0};
    if (!destinationRect) destinationRect = &wholeSurface;
    int srcX, srcY, w, h;
    if (!ClipLikeSDL(source, sourceRect, destination, destinationRect, &srcX, &srcY, &w, &h)) return 0;
    for (int y = 0; y < h; ++y) {
        const Uint32* from = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(source->pixels) +
                                                             (srcY + y) * source->pitch) + srcX;
        Uint32* to = reinterpret_cast<Uint32*>(static_cast<Uint8*>(destination->pixels) +
                                               (destinationRect->y + y) * destination->pitch) + destinationRect->x;
        BlendRow(from, to, w);
    }
    return 0;
}

// Every blit of this module: the plain copy, the per-pixel alpha blend, or SDL (or the test's
// stand-in for it).
int DispatchBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    if (testBlit) return testBlit(source, sourceRect, destination, destinationRect);
    if (source && destination && IsPlainBlit(source, destination))
        return PlainBlit(source, sourceRect, destination, destinationRect);
    if (source && destination && IsPixelAlphaBlit(source, destination))
        return PixelAlphaBlit(source, sourceRect, destination, destinationRect);
    return SDL_UpperBlit(source, sourceRect, destination, destinationRect);
}

// ---- Lost surfaces ------------------------------------------------------------------------------

bool BackupFits(const NimbrelPixelBackup* backup, const SDL_Surface* surface) {
    return backup && backup->pixels && Uint64(backup->size) == Uint64(surface->pitch) * Uint64(surface->h);
}

// Puts the backup's pixels back into a lost surface. False when the surface cannot be locked.
bool RestorePixels(SDL_Surface* surface, const NimbrelPixelBackup* backup) {
    if (SDL_LockSurface(surface) < 0) return false;
    std::memcpy(surface->pixels, backup->pixels, backup->size);
    SDL_UnlockSurface(surface);
    return true;
}

void LockForBackup(SDL_Surface* surface) {
    if (::IPrimitives)
        ::IPrimitives->Lock(surface);
    else if (SDL_MUSTLOCK(surface))
        SDL_LockSurface(surface);
}

void UnlockAfterBackup(SDL_Surface* surface) {
    if (::IPrimitives)
        ::IPrimitives->Unlock(surface);
    else if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
}

} // namespace

// ---- Public blits -------------------------------------------------------------------------------

bool IsPlainBlit(const SDL_Surface* source, const SDL_Surface* destination) {
    if (source->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA)) return false;
    if (!IsDirectlyWritable(source) || !IsDirectlyWritable(destination)) return false;
    return SameFormat(source->format, destination->format);
}

int Nimbrel_Blit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect,
                 const NimbrelPixelBackup* backup) {
    return BlitRestoringSource(source, sourceRect, destination, destinationRect, backup, nullptr);
}

int BlitRestoringSource(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination,
                        SDL_Rect* destinationRect, const NimbrelPixelBackup* backup, bool* restored) {
    if (restored) *restored = false;
    // The first blit may have moved the destination rectangle while clipping; the second one must
    // start from what the caller asked for.
    SDL_Rect requested = {0, 0, 0, 0};
    if (destinationRect) requested = *destinationRect;

    int result = DispatchBlit(source, sourceRect, destination, destinationRect);
    if (result != -2 || !Nimbrel.lostSurfaceCheck || !source || !BackupFits(backup, source)) return result;

    if (!RestorePixels(source, backup)) {
        // Lost video memory is usually not lockable for a moment; the next blit tries again.
        SDL_Delay(10);
        return -2;
    }
    if (restored) *restored = true;
    if (destinationRect) *destinationRect = requested;
    result = DispatchBlit(source, sourceRect, destination, destinationRect);
    ILogSystem.Msg(5, " . [Nimbrel_Blit()] Info: lost surface was restored.\n");
    return result;
}

// ---- Pixel backups ------------------------------------------------------------------------------

NimbrelPixelBackup* Nimbrel_TakePixelBackup(SDL_Surface* surface) {
    if (!Nimbrel.lostSurfaceCheck || !surface) return nullptr;
    const Uint64 size = Uint64(surface->pitch) * Uint64(surface->h);
    if (size == 0 || size > 0xFFFFFFFFu) return nullptr;

    NimbrelPixelBackup* backup = static_cast<NimbrelPixelBackup*>(std::malloc(sizeof(NimbrelPixelBackup)));
    if (!backup) return nullptr;
    backup->size = Uint32(size);
    backup->pixels = static_cast<Uint8*>(std::malloc(size_t(size)));
    if (!backup->pixels) {
        std::free(backup);
        return nullptr;
    }
    LockForBackup(surface);
    if (surface->pixels)
        std::memcpy(backup->pixels, surface->pixels, size_t(size));
    else
        std::memset(backup->pixels, 0, size_t(size));
    UnlockAfterBackup(surface);
    return backup;
}

void Nimbrel_FreePixelBackup(NimbrelPixelBackup* backup) {
    if (!backup) return;
    std::free(backup->pixels);
    std::free(backup);
}

// ---- Test hook ----------------------------------------------------------------------------------

void SetUpperBlit(UpperBlitFunction blit) { testBlit = blit; }
