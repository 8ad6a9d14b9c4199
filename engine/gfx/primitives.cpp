// IPrimitives: surface locking, lines, rectangle outlines and single pixels in every depth.
//
// The interface object holds no drawing state. Lines are SDL fills, so SDL clips them; pixel
// access checks its bounds itself. OpenGL texture surfaces are handed to the backend
// (gfx/gl_backend.h). Rect, which must keep the software cursor intact, is drawn by the
// composition (composition/cursor_safe_drawing.cpp).
#include "Nimbrel.h"

#include "core/interface_log.h"
#include "gfx/gl_backend.h"
#include "gfx/primitives.h"

struct IPrimitives::Private {};

class IPrimitives* IPrimitives = nullptr;

IPrimitives::IPrimitives() : priv(new Private) { LogInterfaceCreated("IPrimitives"); }

IPrimitives::~IPrimitives() {
    delete priv;
    LogInterfaceDeleted("IPrimitives");
}

namespace {

// Coordinates are SDL_Rect's 16-bit values.
Sint16 Cut(int value) { return Sint16(value); }

// The extent from a to b, both included, in either order. Returns the smaller end.
Sint16 Span(int a, int b, Uint16* length) {
    Sint16 from = Cut(a), to = Cut(b);
    if (to < from) {
        Sint16 swap = from;
        from = to;
        to = swap;
    }
    *length = Uint16(int(to) - int(from) + 1 > 0xFFFF ? 0xFFFF : int(to) - int(from) + 1);
    return from;
}

bool InsideSurface(const SDL_Surface* surface, int x, int y) {
    return x >= 0 && x < surface->w && y >= 0 && y < surface->h;
}

bool InsideClip(const SDL_Surface* surface, int x, int y) {
    const SDL_Rect& clip = surface->clip_rect;
    return x >= clip.x && x < clip.x + clip.w && y >= clip.y && y < clip.y + clip.h;
}

// The shifts whose bytes make up a 3-byte pixel, as byte offsets within it.
int ChannelCount(const SDL_PixelFormat* format, int offsets[4], int shifts[4]) {
    const Uint8 formatShifts[4] = {format->Rshift, format->Gshift, format->Bshift, format->Ashift};
    const bool present[4] = {true, true, true, format->Amask != 0};
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        if (!present[i] || formatShifts[i] / 8 >= 3) continue;
        offsets[count] = formatShifts[i] / 8;
        shifts[count] = formatShifts[i];
        ++count;
    }
    return count;
}

void WritePixel(SDL_Surface* surface, int x, int y, Uint32 colour) {
    Uint8* row = static_cast<Uint8*>(surface->pixels) + y * surface->pitch;
    switch (surface->format->BytesPerPixel) {
    case 1: row[x] = Uint8(colour); break;
    case 2: reinterpret_cast<Uint16*>(row)[x] = Uint16(colour); break;
    case 4: reinterpret_cast<Uint32*>(row)[x] = colour; break;
    case 3: {
        int offsets[4], shifts[4];
        int channels = ChannelCount(surface->format, offsets, shifts);
        for (int i = 0; i < channels; ++i) row[3 * x + offsets[i]] = Uint8(colour >> shifts[i]);
        break;
    }
    default: break;
    }
}

Uint32 ReadPixel(const SDL_Surface* surface, int x, int y) {
    const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
    switch (surface->format->BytesPerPixel) {
    case 1: return row[x];
    case 2: return reinterpret_cast<const Uint16*>(row)[x];
    case 4: return reinterpret_cast<const Uint32*>(row)[x];
    case 3: {
        int offsets[4], shifts[4];
        int channels = ChannelCount(surface->format, offsets, shifts);
        Uint32 value = 0;
        for (int i = 0; i < channels; ++i) value |= Uint32(row[3 * x + offsets[i]]) << shifts[i];
        return value;
    }
    default: return 0;
    }
}

} // namespace

SDL_Rect OutlineArea(int x1, int y1, int x2, int y2) {
    SDL_Rect area;
    area.x = Span(x1, x2, &area.w);
    area.y = Span(y1, y2, &area.h);
    return area;
}

// ---- Locking ------------------------------------------------------------------------------------

void IPrimitives::Lock(SDL_Surface* surface) {
    if (!surface || !SDL_MUSTLOCK(surface)) return;
    if (SDL_LockSurface(surface) < 0) ILogSystem.Msg(0, " . [IPrimitives->Lock()] Error: %s\n", SDL_GetError());
}

void IPrimitives::Unlock(SDL_Surface* surface) {
    if (surface && SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

// ---- Lines and rectangles -----------------------------------------------------------------------

void IPrimitives::HLine(SDL_Surface* surface, int x1, int x2, int y, Uint32 colour) {
    if (!surface) return;
    SDL_Rect line;
    line.x = Span(x1, x2, &line.w);
    line.y = Cut(y);
    line.h = 1;
    SDL_FillRect(surface, &line, colour);
}

void IPrimitives::VLine(SDL_Surface* surface, int x, int y1, int y2, Uint32 colour) {
    if (!surface) return;
    SDL_Rect line;
    line.x = Cut(x);
    line.y = Span(y1, y2, &line.h);
    line.w = 1;
    SDL_FillRect(surface, &line, colour);
}

// ---- Pixels -------------------------------------------------------------------------------------

void IPrimitives::PutPixel(SDL_Surface* surface, int x, int y, Uint32 colour, Uint8 lock) {
    // No cut to 16 bits here: a point far outside must not wrap onto the surface.
    if (!surface) return;
    if (!InsideSurface(surface, x, y) || !InsideClip(surface, x, y)) return;
    if (IsOpenGLSurface(surface)) {
        // Only the screen can be drawn on point by point; textures stay as they are.
        if (surface == Nimbrel.screen) OpenGLDrawPoint(surface, x, y, colour);
        return;
    }
    if (lock == 1) Lock(surface);
    if (surface->pixels) WritePixel(surface, x, y, colour);
    if (lock == 1) Unlock(surface);
}

Uint32 IPrimitives::GetPixel(SDL_Surface* surface, int x, int y, Uint8 lock) {
    if (!surface) return 0;
    // Reading outside the surface would read outside its pixel memory.
    if (!InsideSurface(surface, x, y)) return 0;
    if (IsOpenGLSurface(surface)) return OpenGLReadPixel(surface, x, y);
    if (lock == 1) Lock(surface);
    Uint32 value = surface->pixels ? ReadPixel(surface, x, y) : 0;
    if (lock == 1) Unlock(surface);
    return value;
}
