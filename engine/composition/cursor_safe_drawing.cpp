// Drawing onto the screen that keeps the software cursor intact, offered by the main object and
// the primitives: Nimbrel.Blit and IPrimitives->Rect. They sit here, above both the raw drawing
// and the cursor, because they compose the two.
#include "Nimbrel.h"

#include "cursor/cursor_safe_blit.h"
#include "gfx/primitives.h"

int Nimbrel::Blit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    return CursorSafeBlit(source, sourceRect, destination, destinationRect);
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
