// Blitting: Nimbrel_Blit with lost-surface recovery, pixel backups, and the engine's own copy of
// plain blits through the processor's copy path.
//
// This module owns the blit dispatch (plain copy or SDL) and the lost-surface restore. The
// cursor-safe Nimbrel.Blit builds on it from the composition floor, above the cursor.
#include "gfx/blit.h"

#include <cstdlib>
#include <cstring>

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

// Every blit of this module: the plain copy, or SDL (or the test's stand-in for it).
int DispatchBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    if (testBlit) return testBlit(source, sourceRect, destination, destinationRect);
    if (source && destination && IsPlainBlit(source, destination))
        return PlainBlit(source, sourceRect, destination, destinationRect);
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
