// CFont: printing and measuring text. Everything here runs per frame, so it allocates nothing and
// works from the glyph tables Create made.
#include "resources/font_private.h"

#include "cursor/cursor_safe_blit.h"

namespace {

// The glyph code range of a built font: 33 up to (not including) its last code.
int GlyphIndex(const CFont::Private& font, unsigned char code) {
    return code >= font::kFirstCode && int(code) < font.lastCode ? code - font::kFirstCode : -1;
}

// Moves the pen over one character, as printing does.
int Advance(const CFont::Private& font, unsigned char code) {
    if (code == ' ') return font.spaceWidth;
    const int index = GlyphIndex(font, code);
    return index < 0 ? 0 : font.advances[index] + font.spacing;
}

// Draws glyph `index` with its picture's left edge at destinationX, cut to the clip rectangle.
// The picture is the bitmap's columns between two mark-run middles, which Create found inside
// the bitmap; clipping only ever narrows it.
void DrawGlyph(const CFont::Private& font, SDL_Surface* surface, int index, int destinationX, int y, const SDL_Rect* clip) {
    int sourceX = font.positions[index];
    int width = font.positions[index + 1] - sourceX;
    int sourceY = 1;
    int height = font.glyphHeight;
    int destinationY = y;
    if (clip) {
        const int cutLeft = clip->x - destinationX;
        if (cutLeft > 0) {
            sourceX += cutLeft;
            width -= cutLeft;
            destinationX = clip->x;
        }
        const int cutRight = destinationX + width - (clip->x + clip->w);
        if (cutRight > 0) width -= cutRight;
        const int cutTop = clip->y - destinationY;
        if (cutTop > 0) {
            sourceY += cutTop;
            height -= cutTop;
            destinationY = clip->y;
        }
        const int cutBottom = destinationY + height - (clip->y + clip->h);
        if (cutBottom > 0) height -= cutBottom;
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
int PictureX(const CFont::Private& font, int index, int pen) {
    const int pictureWidth = font.positions[index + 1] - font.positions[index];
    return pen - (pictureWidth - font.advances[index]) / 2;
}

} // namespace

void CFont::Print(SDL_Surface* surface, int x, int y, const char* text, SDL_Rect* clip) {
    if (!priv->loaded || !surface || !text || !*text) return;
    const Private& font = *priv;
    int pen = x;
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
        int pen = x;
        for (int i = 0; text && i < count && text[i]; ++i) pen += Advance(font, static_cast<unsigned char>(text[i]));
        DrawGlyph(font, surface, bar, PictureX(font, bar, pen - font.cursorOffset + 2), y, clip);
    }
    Print(surface, x, y, text, clip);
}

int CFont::GetTextWidth(const char* text) const {
    if (!priv->loaded || !text) return 0;
    const Private& font = *priv;
    int width = 0;
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
    return width;
}
