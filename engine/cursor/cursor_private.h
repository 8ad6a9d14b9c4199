// The software cursor's private block, shared by the two halves of the module: the slots and the
// interface object (cursor.cpp) and the position and drawing (cursor_drawing.cpp).
#ifndef NIMBREL_CURSOR_CURSOR_PRIVATE_H
#define NIMBREL_CURSOR_CURSOR_PRIVATE_H

#include "Nimbrel.h"

// A point in screen pixels. Floats, so that the drawn position can lie between the positions of
// two logic frames.
struct CursorPoint {
    float x = 0.0f, y = 0.0f;
};

struct ICursor::Private {
    bool selected = false;           // a cursor has been selected; nothing is drawn before
    bool initialized = false;        // Init has run
    bool softwareBackground = false; // the screen under the cursor is saved and put back
    bool backgroundSaved = false;    // the current background surface holds the screen at savedRect
    bool moved = false;              // the drawn position changed since the background was last put back
    bool needsRedraw = false;        // the cursor must be drawn at the next Draw

    SDL_Surface* images[kMaxCursors] = {};      // owned; null for an empty slot
    SDL_Surface* backgrounds[kMaxCursors] = {}; // owned; one per image, its size and format; none on OpenGL
    NimbrelPixelBackup* backups[kMaxCursors] = {}; // owned; only while Nimbrel.lostSurfaceCheck is set
    Uint8 hotSpots[kMaxCursors] = {};
    Uint8 current = kNoCursor;

    CursorPoint pointer;       // the mouse position of this logic frame
    CursorPoint last;          // the mouse position of the previous logic frame
    CursorPoint drawn;         // where the pointer is drawn
    CursorPoint previousDrawn; // where it was drawn before
    bool interpolation = true;

    Sint16 minX = 0, minY = 0; // the pointer's limits, both ends included
    Uint16 maxX = 0, maxY = 0;

    SDL_Rect rect = {0, 0, 0, 0}; // where the current cursor is drawn
    // Where the saved background was taken from, and so where it goes back. Between two renders
    // this is `rect`, except right after a move or a change of cursor, before the next save.
    SDL_Rect savedRect = {0, 0, 0, 0};
};

// The current cursor's image and background surface; null when there is none.
SDL_Surface* CurrentImage(const ICursor::Private& cursor);
SDL_Surface* CurrentBackground(const ICursor::Private& cursor);

#endif
