// Nimbrel.Blit: the main object's blit that keeps the software cursor intact. The composition
// offers it because it is the main object's operation; the sequence itself, like the outline of
// IPrimitives->Rect, lives with the cursor, where the buttons can use it too.
#include "Nimbrel.h"

#include "cursor/cursor_safe_blit.h"

int Nimbrel::Blit(SDL_Surface* source, SDL_Rect* sourceRect, SDL_Surface* destination, SDL_Rect* destinationRect) {
    return CursorSafeBlit(source, sourceRect, destination, destinationRect);
}
