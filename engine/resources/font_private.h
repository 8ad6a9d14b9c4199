// CFont's private record, and the font code the engine shares beyond the class: loading a payload
// that is already in memory (CFont::Load after the block is read; the authoring check of a payload
// about to be stored) and a read-only look at the glyph tables (the test seams).
#ifndef NIMBREL_RESOURCES_FONT_PRIVATE_H
#define NIMBREL_RESOURCES_FONT_PRIVATE_H

#include "Nimbrel.h"
#include "data/font_payload.h"

struct CFont::Private {
    int alpha = 255;
    int glyphHeight = 0;
    SDL_Surface* bitmap = nullptr;
    Sint32 positions[font::kTableSize] = {}; // [i]: middle of mark run i; [95]: bitmap width
    Sint32 advances[font::kTableSize] = {};  // [i]: advance of code 33 + i
    int lastCode = 0;                        // 128 once built
    int spaceWidth = 0;
    int cursorOffset = 0;
    Uint32 colourKey = 0;
    bool loaded = false;
    bool alphaPerPixel = false;
    int spacing = 0;
    char name[32] = {0};
    Uint8 cursorCharacter = '|';
    NimbrelPixelBackup* backup = nullptr;
    // Per glyph, the part of its picture that holds anything to draw: drawing the transparent
    // rest changes no pixel, and skipping it makes printing several times cheaper. Pictures in
    // bitmap coordinates; an empty glyph has width 0.
    SDL_Rect ink[font::kGlyphCount] = {};
};

struct FontInternals {
    // CFont::Load's work once the block's payload is in memory: parse it ("FONT2" when version2,
    // else "FONT"), make the bitmap, Create. Logs as CFont::Load('packageName','name') and sets
    // the font's name on success. *createResult (may be null) receives Create's code, or 0 when
    // Create was not reached. 1 on success, 0 on failure.
    static int LoadPayload(CFont& font, const Uint8* data, Uint64 size, bool version2, const char* packageName,
                           const char* name, int* createResult);
    static const CFont::Private& Record(const CFont& font) { return *font.priv; }
};

#endif
