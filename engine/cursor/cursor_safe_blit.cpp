// Blitting onto the screen without harming the software cursor (see cursor_safe_blit.h).
#include "cursor/cursor_safe_blit.h"

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
