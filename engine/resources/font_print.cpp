// CFont: printing and measuring text. Everything here runs per frame, so it allocates nothing and
// works from the glyph tables Create made.
#include "resources/font_private.h"

#include <climits>

#include "cursor/cursor_safe_blit.h"

namespace {

// The glyph code range of a built font: 33 up to (not including) its last code.
int GlyphIndex(const CFont::Private& font, unsigned char code) {
    return code >= font::kFirstCode && int(code) < font.lastCode ? code - font::kFirstCode : -1;
}

// Pens and widths add up in 64 bits: a stored spacing may be anything a block holds.
typedef long long Pen;

// Moves the pen over one character, as printing does.
Pen Advance(const CFont::Private& font, unsigned char code) {
    if (code == ' ') return font.spaceWidth;
    const int index = GlyphIndex(font, code);
    return index < 0 ? 0 : Pen(font.advances[index]) + font.spacing;
}

// Cuts a span (the source start, its length and where it lands) to the clip's span on one axis.
void Cut(int clipStart, int clipLength, int* source, int* length, int* destination) {
    const int before = clipStart - *destination;
    if (before > 0) {
        *source += before;
        *length -= before;
        *destination = clipStart;
    }
    const int after = *destination + *length - (clipStart + clipLength);
    if (after > 0) *length -= after;
}

// Draws glyph `index` with its picture's left edge at pictureX, cut to the clip rectangle. The
// picture is the bitmap's columns between two mark-run middles, which Create found inside the
// bitmap, and of it only the part with ink is blitted; clipping only ever narrows it.
void DrawGlyph(const CFont::Private& font, SDL_Surface* surface, int index, Pen pictureX, int y, const SDL_Rect* clip) {
    // No surface is anywhere near this wide; beyond it the pen only has to keep moving.
    if (pictureX < INT_MIN / 2 || pictureX > INT_MAX / 2 || y < INT_MIN / 2 || y > INT_MAX / 2) return;
    const SDL_Rect& ink = font.ink[index];
    int sourceX = ink.x, width = ink.w, sourceY = ink.y, height = ink.h;
    int destinationX = int(pictureX) + (sourceX - font.positions[index]);
    int destinationY = y + (sourceY - 1);
    if (clip) {
        Cut(clip->x, clip->w, &sourceX, &width, &destinationX);
        Cut(clip->y, clip->h, &sourceY, &height, &destinationY);
    }
    if (width <= 0 || height <= 0 || sourceX < 0 || sourceX + width > font.bitmap->w || sourceY + height > font.bitmap->h)
        return;
    // SDL's rectangles hold 16-bit positions; a pen that ran beyond them would wrap back on screen.
    if (destinationX < -32768 || destinationX > 32767 || destinationY < -32768 || destinationY > 32767) return;
    SDL_Rect source = {Sint16(sourceX), Sint16(sourceY), Uint16(width), Uint16(height)};
    SDL_Rect destination = {Sint16(destinationX), Sint16(destinationY), 0, 0};
    CursorSafeBlit(font.bitmap, &source, surface, &destination, font.backup);
}

// Where a glyph's picture starts for a pen position: the picture is centred on the advance.
Pen PictureX(const CFont::Private& font, int index, Pen pen) {
    const int pictureWidth = font.positions[index + 1] - font.positions[index];
    return pen - (pictureWidth - font.advances[index]) / 2;
}

} // namespace

void CFont::Print(SDL_Surface* surface, int x, int y, const char* text, SDL_Rect* clip) {
    if (!priv->loaded || !surface || !text || !*text) return;
    const Private& font = *priv;
    Pen pen = x;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c) {
        const int index = GlyphIndex(font, *c);
        if (index >= 0) DrawGlyph(font, surface, index, PictureX(font, index, pen), y, clip);
        pen += Advance(font, *c);
    }
}

void CFont::PrintCursor(SDL_Surface* surface, int x, int y, const char* text, int count, SDL_Rect* clip, int show) {
    const Private& font = *priv;
    const int bar = GlyphIndex(font, font.cursorCharacter);
    if (show && bar >= 0 && surface) {
        Pen pen = x;
        for (int i = 0; text && i < count && text[i]; ++i) pen += Advance(font, static_cast<unsigned char>(text[i]));
        DrawGlyph(font, surface, bar, PictureX(font, bar, pen - font.cursorOffset + 2), y, clip);
    }
    Print(surface, x, y, text, clip);
}

int CFont::GetTextWidth(const char* text) const {
    if (!priv->loaded || !text) return 0;
    const Private& font = *priv;
    Pen width = 0;
    for (int i = 0; i < 255 && text[i]; ++i) {
        const unsigned char code = static_cast<unsigned char>(text[i]);
        if (code == ' ') {
            width += font.spaceWidth;
            continue;
        }
        const int index = GlyphIndex(font, code);
        if (index < 0) continue;
        width += font.advances[index];
        if (text[i + 1]) width += font.spacing;
    }
    return width < INT_MIN ? INT_MIN : width > INT_MAX ? INT_MAX : int(width);
}
