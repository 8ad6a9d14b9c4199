// Making "FONT2" payloads (NimbrelAuthoring.h): glyphs rendered with FreeType and laid out with
// the mark row CFont::Create reads, the payload writer, and the check that loads a payload with
// the engine's own font code before a tool stores it.
//
// This module owns the layout of a rendered font bitmap: where each glyph's ink goes relative to
// its mark run, so that the printing rules of CFont put it at FreeType's pen position.
#include "NimbrelAuthoring.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <new>

#include "authoring/counts_as_started.h"
#include "data/font_payload.h"
#include "resources/font_private.h"

namespace NimbrelAuthoring {

namespace {

bool Fail(std::string* problem, const std::string& text) {
    if (problem) *problem = text;
    return false;
}

// One glyph as FreeType draws it: coverage rows and where they sit against the pen and baseline.
struct RenderedGlyph {
    int left = 0;    // first ink column, from the pen
    int top = 0;     // rows of ink above the baseline
    int width = 0;
    int rows = 0;
    int advance = 0; // pixels the pen moves
    std::vector<Uint8> ink;     // width x rows coverage of the glyph itself
    std::vector<Uint8> outline; // width x rows coverage of its outline; empty without one
};

class FreeType {
public:
    FreeType() { ok_ = FT_Init_FreeType(&library_) == 0; }
    ~FreeType() {
        if (face_) FT_Done_Face(face_);
        if (ok_) FT_Done_FreeType(library_);
    }
    FreeType(const FreeType&) = delete;
    FreeType& operator=(const FreeType&) = delete;

    bool Open(const char* path, int pixelSize, std::string* problem) {
        if (!ok_) return Fail(problem, "FreeType does not start");
        if (FT_New_Face(library_, path, 0, &face_) != 0) {
            face_ = nullptr;
            return Fail(problem, "not a font file FreeType can read");
        }
        if (FT_Set_Pixel_Sizes(face_, 0, FT_UInt(pixelSize)) != 0)
            return Fail(problem, "the font cannot be drawn at " + std::to_string(pixelSize) + " pixels");
        return true;
    }
    FT_Face face() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    bool ok_ = false;
};

int PixelsUp(FT_Pos value) { return int((value + 63) >> 6); }

bool RenderGlyph(FT_Face face, unsigned long code, RenderedGlyph* glyph, std::string* problem) {
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
        return Fail(problem, "FreeType cannot draw the character " + std::to_string(code));
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    glyph->left = slot->bitmap_left;
    glyph->top = slot->bitmap_top;
    glyph->width = int(bitmap.width);
    glyph->rows = int(bitmap.rows);
    glyph->advance = int((slot->advance.x + 32) >> 6);
    glyph->ink.assign(size_t(glyph->width) * size_t(glyph->rows), 0);
    for (int y = 0; y < glyph->rows; ++y) {
        const int pitch = bitmap.pitch;
        const unsigned char* row = bitmap.buffer + (pitch >= 0 ? y * pitch : (glyph->rows - 1 - y) * -pitch);
        for (int x = 0; x < glyph->width; ++x) {
            Uint8 coverage = 0;
            if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                coverage = Uint8(row[x] * 255 / (bitmap.num_grays > 1 ? bitmap.num_grays - 1 : 1));
            else if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                coverage = (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
            else
                return Fail(problem, "the font's glyphs come in a pixel mode this tool does not read");
            glyph->ink[size_t(y) * glyph->width + x] = coverage;
        }
    }
    return true;
}

// Grows a glyph by one pixel on every side and gives it the coverage of its one-pixel outline.
void AddOutline(RenderedGlyph* glyph) {
    const int width = glyph->width + 2, rows = glyph->rows + 2;
    std::vector<Uint8> ink(size_t(width) * rows, 0), outline(size_t(width) * rows, 0);
    for (int y = 0; y < glyph->rows; ++y)
        for (int x = 0; x < glyph->width; ++x) ink[size_t(y + 1) * width + x + 1] = glyph->ink[size_t(y) * glyph->width + x];
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) {
            Uint8 most = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (y + dy >= 0 && y + dy < rows && x + dx >= 0 && x + dx < width)
                        most = std::max(most, ink[size_t(y + dy) * width + x + dx]);
            outline[size_t(y) * width + x] = most;
        }
    }
    glyph->ink.swap(ink);
    glyph->outline.swap(outline);
    glyph->width = width;
    glyph->rows = rows;
    glyph->left -= 1;
    glyph->top += 1;
}

// The glyph over its outline, as straight (not premultiplied) RGBA.
void Compose(Uint8 ink, Uint8 outline, const FontRenderOptions& options, Uint8* pixel) {
    const int inkAlpha = ink, outlineAlpha = options.outline ? outline * (255 - ink) / 255 : 0;
    const int alpha = inkAlpha + outlineAlpha;
    if (alpha == 0) {
        std::memset(pixel, 0, 4);
        return;
    }
    const SDL_Color& a = options.colour;
    const SDL_Color& b = options.outlineColour;
    pixel[0] = Uint8((a.r * inkAlpha + b.r * outlineAlpha + alpha / 2) / alpha);
    pixel[1] = Uint8((a.g * inkAlpha + b.g * outlineAlpha + alpha / 2) / alpha);
    pixel[2] = Uint8((a.b * inkAlpha + b.b * outlineAlpha + alpha / 2) / alpha);
    pixel[3] = Uint8(alpha);
}

bool IsMagenta(const SDL_Color& colour) { return colour.r == 255 && colour.g == 0 && colour.b == 255; }

} // namespace

bool RenderFontBitmap(const char* fontFile, const FontRenderOptions& options, RgbaImage* bitmap, std::string* problem) {
    if (options.pixelSize < 1 || options.pixelSize > 1000) return Fail(problem, "the size must be 1 to 1000 pixels");
    if (IsMagenta(options.colour) || (options.outline && IsMagenta(options.outlineColour)))
        return Fail(problem, "magenta (FF00FF) marks the gaps between glyphs; it cannot colour them");
    try {
        FreeType freeType;
        if (!freeType.Open(fontFile, options.pixelSize, problem)) return false;
        FT_Face face = freeType.face();

        std::vector<RenderedGlyph> glyphs(font::kGlyphCount);
        RenderedGlyph space;
        if (!RenderGlyph(face, ' ', &space, problem)) return false;
        for (int i = 0; i < font::kGlyphCount; ++i) {
            const int code = font::kFirstCode + i;
            if (code == font::kLastCode) { // a control code: drawn as nothing
                glyphs[i].advance = space.advance;
                continue;
            }
            if (!RenderGlyph(face, FT_ULong(code), &glyphs[i], problem)) return false;
            if (options.outline) AddOutline(&glyphs[i]);
        }

        // A glyph's pen sits on the last column of its run (CFont draws the column after it one
        // pixel right of the pen). Ink left of the pen takes the right half of the run before it,
        // ink past the advance the left half of the run after it, so the runs grow to fit both.
        int reachLeft = 0, reachRight = 0;
        int ascent = PixelsUp(face->size->metrics.ascender), descent = PixelsUp(-face->size->metrics.descender);
        for (RenderedGlyph& glyph : glyphs) {
            glyph.advance = std::max(glyph.advance, 2); // a glyph cell of one column at least
            if (glyph.width == 0 || glyph.rows == 0) continue;
            reachLeft = std::max(reachLeft, 1 - glyph.left);
            reachRight = std::max(reachRight, glyph.left + glyph.width - glyph.advance);
            ascent = std::max(ascent, glyph.top);
            descent = std::max(descent, glyph.rows - glyph.top);
        }
        const int run = std::max({2, 2 * reachLeft - 1, 2 * reachRight});

        long width = 0;
        std::vector<int> cellStart(font::kGlyphCount);
        for (int i = 0; i < font::kGlyphCount; ++i) {
            width += run;
            cellStart[i] = int(width);
            width += glyphs[i].advance - 1;
        }
        if (width > long(font::kMaxWidth))
            return Fail(problem, "the glyphs at " + std::to_string(options.pixelSize) + " pixels need a bitmap " +
                                     std::to_string(width) + " pixels wide; SDL holds at most " +
                                     std::to_string(font::kMaxWidth) + " (choose a smaller size)");
        const int height = 1 + ascent + descent;

        bitmap->width = Uint32(width);
        bitmap->height = Uint32(height);
        bitmap->transparent = true;
        bitmap->pixels.assign(size_t(width) * size_t(height) * 4, 0);
        for (int i = 0; i < font::kGlyphCount; ++i) {
            for (int x = cellStart[i] - run; x < cellStart[i]; ++x) {
                Uint8* mark = &bitmap->pixels[size_t(x) * 4];
                mark[0] = 255, mark[1] = 0, mark[2] = 255, mark[3] = 255;
            }
            const RenderedGlyph& glyph = glyphs[i];
            const int penColumn = cellStart[i] - 1;
            for (int y = 0; y < glyph.rows; ++y) {
                const int row = 1 + ascent - glyph.top + y;
                for (int x = 0; x < glyph.width; ++x) {
                    const size_t at = size_t(y) * glyph.width + x;
                    const int column = penColumn + glyph.left + x;
                    Compose(glyph.ink[at], glyph.outline.empty() ? 0 : glyph.outline[at], options,
                            &bitmap->pixels[(size_t(row) * size_t(width) + size_t(column)) * 4]);
                }
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        return Fail(problem, "out of memory");
    }
}

bool BuildFontPayload(const RgbaImage& bitmap, int spacing, std::vector<Uint8>* payload, std::string* problem) {
    img::ImageFormat format;
    format.width = bitmap.width;
    format.height = bitmap.height;
    format.bitsPerPixel = 32;
    format.redMask = 0x00FF0000;
    format.greenMask = 0x0000FF00;
    format.blueMask = 0x000000FF;
    format.alphaMask = bitmap.transparent ? 0xFF000000 : 0;
    Uint64 pitch = 0;
    const char* reason = "";
    if (!img::CheckFormat(format, &pitch, &reason)) return Fail(problem, reason);
    if (bitmap.width > font::kMaxWidth) return Fail(problem, "the bitmap is wider than SDL's 16383 pixels");
    if (bitmap.pixels.size() != size_t(bitmap.width) * bitmap.height * 4) return Fail(problem, "the bitmap has no pixels");
    try {
        std::vector<Uint8> rows(size_t(pitch * bitmap.height), 0);
        for (size_t i = 0; i < size_t(bitmap.width) * bitmap.height; ++i) {
            const Uint8* p = &bitmap.pixels[4 * i];
            const Uint32 value = (bitmap.transparent ? Uint32(p[3]) << 24 : 0) | Uint32(p[0]) << 16 | Uint32(p[1]) << 8 | p[2];
            for (int b = 0; b < 4; ++b) rows[4 * i + b] = Uint8(value >> (8 * b));
        }
        *payload = font::BuildFont(format, rows.data(), Sint32(spacing));
    } catch (const std::bad_alloc&) {
        return Fail(problem, "out of memory");
    }
    return true;
}

bool CheckFontPayload(const std::vector<Uint8>& payload, const char* packageFile, const char* name, FontFacts* facts,
                      std::string* problem) {
    CountsAsStarted started;
    CFont font;
    int code = 0;
    if (FontInternals::LoadPayload(font, payload.data(), payload.size(), true, packageFile ? packageFile : "",
                                   name ? name : "", &code) == 1) {
        if (facts) {
            facts->glyphs = font::kGlyphCount;
            facts->height = font.GetHeight();
            facts->spacing = font.GetSpacing();
            facts->width = font.GetSurface()->w;
            facts->bitmapHeight = font.GetSurface()->h;
        }
        return true;
    }
    if (code == 0 || code == CFont::kRefused)
        return Fail(problem, "the engine does not load it as a font (see the message above)");
    // The payload parsed, so its first pixel can be read to tell which way Create went.
    font::FontView view;
    font::ParseFont(payload.data(), payload.size(), true, &view, nullptr);
    Uint32 first = 0;
    const int bytes = (view.format.bitsPerPixel + 7) / 8;
    for (int b = 0; b < bytes && b < 4; ++b) first |= Uint32(view.rows[b]) << (8 * b);
    const bool marked = (first & view.format.redMask) == view.format.redMask && !(first & view.format.greenMask) &&
                        (first & view.format.blueMask) == view.format.blueMask;
    if (marked)
        return Fail(problem, "its mark row (the top row) has " + std::to_string(code) +
                                 " magenta runs; a font has 95, one before each glyph of the codes 33 to 127");
    return Fail(problem, "it has no mark row (its top-left pixel is not magenta), and its empty columns do not separate "
                         "95 glyphs: the engine counted about " + std::to_string(2 * code) +
                         " changes between ink and empty columns where it needs 189");
}

} // namespace NimbrelAuthoring
