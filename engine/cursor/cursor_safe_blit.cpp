// Blitting onto the screen without harming the software cursor (see cursor_safe_blit.h), and
// IPrimitives->Rect, the outline drawn the same way.
#include "cursor/cursor_safe_blit.h"

#include "gfx/primitives.h"

SDL_Rect BlitArea(const SDL_Surface* source, const SDL_Rect* sourceRect, const SDL_Rect* destinationRect) {
    SDL_Rect area = {0, 0, Uint16(source->w), Uint16(source->h)};
    if (sourceRect) {
        area.w = sourceRect->w;
        area.h = sourceRect->h;
    }
    if (destinationRect) {
        area.x = destinationRect->x;
        area.y = destinationRect->y;
    }
    return area;
}

int CursorSafeBlit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect,
                   const NimbrelPixelBackup* backup) {
    if (!source || !destination || destination != Nimbrel.screen || !::ICursor)
        return Nimbrel_Blit(source, sourceRect, destination, destinationRect, backup);

    SDL_Rect area = BlitArea(source, sourceRect, destinationRect);
    const bool cursorTakenDown = ::ICursor->TakeDown(&area) == 1;
    const int result = Nimbrel_Blit(source, sourceRect, destination, destinationRect, backup);
    if (cursorTakenDown) ::ICursor->SaveBackground();
    return result;
}

void IPrimitives::Rect(SDL_Surface* surface, int x1, int y1, int x2, int y2, Uint32 colour) {
    if (!surface) return;
    SDL_Rect area = OutlineArea(x1, y1, x2, y2);
    const bool cursorTakenDown = ::ICursor && ::ICursor->TakeDown(&area) == 1;
    HLine(surface, x1, x2, y1, colour);
    HLine(surface, x1, x2, y2, colour);
    VLine(surface, x1, y1, y2, colour);
    VLine(surface, x2, y1, y2, colour);
    if (cursorTakenDown) ::ICursor->SaveBackground();
}
