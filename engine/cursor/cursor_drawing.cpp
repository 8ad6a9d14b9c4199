// ICursor: where the cursor is and how it gets on and off the screen.
//
// This half owns the position (the pointer kept on the screen, the drawn position between the
// last two logic frames, the rectangle the hot spot gives), selecting a cursor, and the
// background: saved from the screen before the cursor is drawn, put back whenever the cursor
// moves or something is about to be drawn where it is. Every step here runs at every render or
// blit, so none of it allocates.
#include "cursor/cursor_private.h"

#include <cmath>

#include "gfx/blit.h"

namespace {

// Keeps the engine's mouse position inside the limits, in place, so that the game reads the
// position the cursor shows. The limits include the screen's width and height themselves.
void KeepMouseInside(const ICursor::Private& cursor) {
    if (Nimbrel.mouseX < cursor.minX) Nimbrel.mouseX = cursor.minX;
    if (Nimbrel.mouseX > cursor.maxX) Nimbrel.mouseX = cursor.maxX;
    if (Nimbrel.mouseY < cursor.minY) Nimbrel.mouseY = cursor.minY;
    if (Nimbrel.mouseY > cursor.maxY) Nimbrel.mouseY = cursor.maxY;
}

// How far the current render lies between the last logic frame and the next one.
float LogicFraction() {
    const float accumulator = Nimbrel.GetLogicAccumulator();
    return accumulator - std::floor(accumulator);
}

// The screen rectangle of an image whose hot spot sits at `at`.
SDL_Rect RectAt(const SDL_Surface* image, Uint8 hotSpot, CursorPoint at) {
    int x = int(std::floor(at.x));
    int y = int(std::floor(at.y));
    const int w = image->w, h = image->h;
    switch (hotSpot) {
    case ICursor::kTopRight: x -= w; break;
    case ICursor::kBottomLeft: y -= h; break;
    case ICursor::kBottomRight: x -= w; y -= h; break;
    case ICursor::kCentre: x -= w / 2; y -= h / 2; break;
    default: break;
    }
    const SDL_Rect rect = {Sint16(x), Sint16(y), Uint16(w), Uint16(h)};
    return rect;
}

bool SamePixel(CursorPoint a, CursorPoint b) {
    return std::floor(a.x) == std::floor(b.x) && std::floor(a.y) == std::floor(b.y);
}

// Moves the drawn position on to where the pointer is at this render. True when the cursor has
// moved to another pixel since its background was last put back.
bool UpdatePosition(ICursor::Private& cursor) {
    cursor.previousDrawn = cursor.drawn;
    KeepMouseInside(cursor);
    cursor.pointer.x = float(Nimbrel.mouseX);
    cursor.pointer.y = float(Nimbrel.mouseY);
    if (cursor.interpolation) {
        const float f = LogicFraction();
        cursor.drawn.x = cursor.pointer.x * f + cursor.last.x * (1.0f - f);
        cursor.drawn.y = cursor.pointer.y * f + cursor.last.y * (1.0f - f);
    } else {
        cursor.drawn = cursor.pointer;
    }
    const SDL_Surface* image = CurrentImage(cursor);
    if (image) cursor.rect = RectAt(image, cursor.hotSpots[cursor.current], cursor.drawn);
    if (!SamePixel(cursor.drawn, cursor.previousDrawn)) cursor.moved = true;
    return cursor.moved;
}

// Whether two rectangles share a pixel, each covering x..x+w-1 by y..y+h-1. An empty one covers
// nothing.
bool Overlap(const SDL_Rect& a, const SDL_Rect& b) {
    if (a.w == 0 || a.h == 0 || b.w == 0 || b.h == 0) return false;
    return a.x <= b.x + b.w - 1 && b.x <= a.x + a.w - 1 && a.y <= b.y + b.h - 1 && b.y <= a.y + a.h - 1;
}

} // namespace

void ICursor::Select(int index) {
    Private& cursor = *priv;
    if (!cursor.initialized || index < 0 || index >= kMaxCursors || !cursor.images[index]) return;
    if (index == cursor.current) return;
    TakeDown(nullptr);
    cursor.current = Uint8(index);
    UpdatePosition(cursor);
    SaveBackground();
    cursor.selected = true;
    cursor.needsRedraw = true; // the new image shows at the next render, whether it moved or not
}

int ICursor::TakeDown(SDL_Rect* area) {
    Private& cursor = *priv;
    if (!cursor.initialized || !cursor.selected || !cursor.softwareBackground) return 0;
    cursor.moved = false;
    SDL_Surface* background = CurrentBackground(cursor);
    if (!cursor.backgroundSaved || !background || !Nimbrel.screen) return 0;
    if (area && !Overlap(*area, cursor.savedRect)) return 0;
    SDL_Rect at = cursor.savedRect; // the blit clips its copy, not the record
    Nimbrel_Blit(background, nullptr, Nimbrel.screen, &at);
    cursor.needsRedraw = true;
    return 1;
}

void ICursor::SaveBackground() {
    Private& cursor = *priv;
    if (!cursor.initialized || !cursor.selected || !cursor.softwareBackground) return;
    SDL_Surface* background = CurrentBackground(cursor);
    if (!background || !Nimbrel.screen) return;
    // Past the screen's edges the blit shifts where it writes exactly as the blit that puts the
    // background back shifts where it reads, so the two always meet.
    SDL_Rect from = cursor.rect;
    SDL_Rect to = {0, 0, 0, 0};
    Nimbrel_Blit(Nimbrel.screen, &from, background, &to);
    cursor.savedRect = cursor.rect;
    cursor.backgroundSaved = true;
}

void ICursor::ResetBackground() {
    if (!priv->initialized || !priv->selected) return;
    priv->backgroundSaved = false;
    SaveBackground();
}

void ICursor::Draw() {
    Private& cursor = *priv;
    if (!cursor.initialized || !cursor.selected || !Nimbrel.screen) return;
    SDL_Surface* image = CurrentImage(cursor);
    if (!image) return;

    if (UpdatePosition(cursor)) {
        TakeDown(nullptr);
        SaveBackground();
        cursor.needsRedraw = true;
    } else if (cursor.softwareBackground && !cursor.backgroundSaved) {
        // Selected or switched on since the last render: what lies under it is kept first.
        SaveBackground();
        cursor.needsRedraw = true;
    }
    if (!cursor.needsRedraw && cursor.softwareBackground) return; // the cursor on the screen is still right

    SDL_Rect at = cursor.rect;
    bool restored = false;
    if (BlitRestoringSource(image, nullptr, Nimbrel.screen, &at, cursor.backups[cursor.current], &restored) == -2)
        return; // the frame goes without the cursor; the next one tries again
    // Video memory lost with the image took the saved background with it.
    if (restored) cursor.backgroundSaved = false;
    cursor.needsRedraw = false;
}
