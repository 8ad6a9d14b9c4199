// Drawing onto the screen that keeps the software cursor intact: Nimbrel.Blit and
// IPrimitives->Rect. Each asks the cursor to take itself down from the area it is about to
// cover and, when it did, to save its background again afterwards, so the cursor never leaves a
// hole or a trail. They sit here, above both the raw drawing and the cursor, because they
// compose the two.
#include "Nimbrel.h"

#include "gfx/primitives.h"

namespace {

// The screen area a blit draws on.
SDL_Rect DrawnArea(const SDL_Surface* source, const SDL_Rect* sourceRect, const SDL_Rect* destinationRect) {
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

bool TakeCursorDown(SDL_Rect* area) { return ::ICursor && ::ICursor->TakeDown(area) == 1; }

void SaveCursorBackground() {
    if (::ICursor) ::ICursor->SaveBackground();
}

} // namespace

int Nimbrel::Blit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    if (!source || !destination || destination != screen)
        return Nimbrel_Blit(source, sourceRect, destination, destinationRect);

    SDL_Rect area = DrawnArea(source, sourceRect, destinationRect);
    bool cursorTakenDown = TakeCursorDown(&area);
    int result = Nimbrel_Blit(source, sourceRect, destination, destinationRect);
    if (cursorTakenDown) SaveCursorBackground();
    return result;
}

void IPrimitives::Rect(SDL_Surface* surface, int x1, int y1, int x2, int y2, Uint32 colour) {
    if (!surface) return;
    SDL_Rect area = OutlineArea(x1, y1, x2, y2);
    bool cursorTakenDown = TakeCursorDown(&area);
    HLine(surface, x1, x2, y1, colour);
    HLine(surface, x1, x2, y2, colour);
    VLine(surface, x1, y1, y2, colour);
    VLine(surface, x2, y1, y2, colour);
    if (cursorTakenDown) SaveCursorBackground();
}
