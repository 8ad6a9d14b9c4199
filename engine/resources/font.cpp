// CFont: building a font from a bitmap (the mark-row analysis), loading it from "FONT2" and "FONT"
// blocks, its state, and raw pixel access. Printing and measuring are in font_print.cpp.
//
// This module owns the font's life: the live-font count, the bitmap's conversion to the display
// format, its pixel backup, and the rewriting of version 1.0 blocks in their package.
#include "resources/font_private.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "gfx/gl_backend.h"
#include "gfx/payload_surface.h"

namespace {

const char kDefaultName[] = "Created on execution time";

unsigned Address(const void* pointer) { return unsigned(reinterpret_cast<std::uintptr_t>(pointer)); }

// Locks a surface for direct pixel access when SDL requires it, for the length of a scope.
class PixelAccess {
public:
    explicit PixelAccess(SDL_Surface* surface) : surface_(surface) {
        if (!surface) return;
        locked_ = SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) == 0;
        ok_ = surface->pixels && (!SDL_MUSTLOCK(surface) || locked_);
    }
    ~PixelAccess() {
        if (locked_) SDL_UnlockSurface(surface_);
    }
    PixelAccess(const PixelAccess&) = delete;
    PixelAccess& operator=(const PixelAccess&) = delete;
    bool ok() const { return ok_; }

private:
    SDL_Surface* surface_;
    bool locked_ = false;
    bool ok_ = false;
};

// Pixel reads and writes on a surface whose pixels are accessible; the caller has checked the
// point. 3-byte pixels go through their colour bytes, as the format's shifts place them.
bool ReadPixel(const SDL_Surface* surface, int x, int y, Uint32* value) {
    const SDL_PixelFormat* format = surface->format;
    const Uint8* row = static_cast<const Uint8*>(surface->pixels) + size_t(surface->pitch) * size_t(y);
    switch (format->BytesPerPixel) {
    case 1: *value = row[x]; return true;
    case 2: {
        Uint16 pixel;
        std::memcpy(&pixel, row + 2 * x, 2);
        *value = pixel;
        return true;
    }
    case 3: {
        const Uint8* p = row + 3 * x;
        *value = SDL_MapRGB(surface->format, p[format->Rshift / 8], p[format->Gshift / 8], p[format->Bshift / 8]);
        return true;
    }
    case 4: std::memcpy(value, row + 4 * x, 4); return true;
    default: return false;
    }
}

void WritePixel(SDL_Surface* surface, int x, int y, Uint32 value) {
    const SDL_PixelFormat* format = surface->format;
    Uint8* row = static_cast<Uint8*>(surface->pixels) + size_t(surface->pitch) * size_t(y);
    switch (format->BytesPerPixel) {
    case 1: row[x] = Uint8(value); break;
    case 2: {
        const Uint16 pixel = Uint16(value);
        std::memcpy(row + 2 * x, &pixel, 2);
        break;
    }
    case 3: {
        Uint8 r, g, b;
        SDL_GetRGB(value, surface->format, &r, &g, &b);
        Uint8* p = row + 3 * x;
        p[format->Rshift / 8] = r;
        p[format->Gshift / 8] = g;
        p[format->Bshift / 8] = b;
        break;
    }
    case 4: std::memcpy(row + 4 * x, &value, 4); break;
    default: break;
    }
}

bool IsMagenta(const SDL_Surface* surface, Uint32 pixel) {
    Uint8 r, g, b;
    SDL_GetRGB(pixel, surface->format, &r, &g, &b);
    return r == 255 && g == 0 && b == 255;
}

Uint32 PixelAt(const SDL_Surface* surface, int x, int y) {
    Uint32 value = 0;
    ReadPixel(surface, x, y, &value);
    return value;
}

// The mark row of a bitmap as one byte per column, nonzero where it is magenta.
bool ReadMarks(const SDL_Surface* surface, std::vector<Uint8>* marks) {
    try {
        marks->assign(size_t(surface->w), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int x = 0; x < surface->w; ++x) (*marks)[size_t(x)] = IsMagenta(surface, PixelAt(surface, x, 0));
    return true;
}

// The smallest part of each glyph's picture holding a pixel that draws: not the colour key of a
// keyed bitmap, not fully transparent in one with an alpha channel.
void FindInk(CFont::Private* font) {
    SDL_Surface* bitmap = font->bitmap;
    PixelAccess access(bitmap);
    const bool keyed = (bitmap->flags & SDL_SRCCOLORKEY) != 0;
    const Uint32 key = bitmap->format->colorkey, alphaMask = bitmap->format->Amask;
    const bool alphaChannel = font->alphaPerPixel && alphaMask;
    for (int i = 0; i < font::kGlyphCount; ++i) {
        const int first = font->positions[i], last = font->positions[i + 1];
        int left = last, right = first, top = bitmap->h, bottom = 1;
        for (int y = 1; y < bitmap->h; ++y) {
            for (int x = first; x < last; ++x) {
                Uint32 pixel = 0;
                const bool drawn = !access.ok() || !ReadPixel(bitmap, x, y, &pixel) ||
                                   (alphaChannel ? (pixel & alphaMask) != 0 : !keyed || pixel != key);
                if (!drawn) continue;
                left = x < left ? x : left;
                right = x + 1 > right ? x + 1 : right;
                top = y < top ? y : top;
                bottom = y + 1;
            }
        }
        font->ink[i] = left < right ? SDL_Rect{Sint16(left), Sint16(top), Uint16(right - left), Uint16(bottom - top)}
                                    : SDL_Rect{Sint16(first), 1, 0, 0};
    }
}

} // namespace

// ---- Life -----------------------------------------------------------------------------------------

CFont::CFont() : priv(new Private) {
    std::strcpy(priv->name, kDefaultName);
    ++Nimbrel.liveFonts;
}

CFont::~CFont() {
    if (priv->bitmap) SDL_FreeSurface(priv->bitmap);
    Nimbrel_FreePixelBackup(priv->backup);
    delete priv;
    --Nimbrel.liveFonts;
}

// ---- Create ---------------------------------------------------------------------------------------

Uint8 CFont::CreateUpperMark(SDL_Surface* surface) {
    int changes = 0;
    PixelAccess access(surface);
    if (surface && surface->w > 0 && surface->h > 0 && access.ok()) {
        std::vector<Uint8> ink;
        try {
            ink.assign(size_t(surface->w), 0);
        } catch (const std::bad_alloc&) {
            ink.clear();
        }
        if (!ink.empty()) {
            const Uint32 magenta = SDL_MapRGB(surface->format, 255, 0, 255);
            for (int x = 0; x < surface->w; ++x) {
                for (int y = 0; y < surface->h && !ink[size_t(x)]; ++y) {
                    const Uint32 pixel = PixelAt(surface, x, y);
                    Uint8 r, g, b, a;
                    SDL_GetRGBA(pixel, surface->format, &r, &g, &b, &a);
                    ink[size_t(x)] = pixel != 0 && a != 0;
                }
                if (!ink[size_t(x)]) WritePixel(surface, x, 0, magenta);
            }
            changes = font::CountInkChanges(ink.data(), surface->w);
        }
    }
    const Uint8 result = Uint8(changes);
    if (result != 189)
        ILogSystem.Msg(2, " . [CFont::CreateUpperMark()] Warning: it was not possible to import bitmap with font characters.\n");
    return result;
}

Uint8 CFont::Create(SDL_Surface* surface) {
    if (Nimbrel.startTicks == Nimbrel::kNotStarted) {
        ILogSystem.Msg(0, " . [CFont::Create()] Error: Nimbrel was not initialized. Aborting the font creation.\n");
        return kRefused;
    }
    if (priv->loaded) {
        ILogSystem.Msg(2, " . [CFont::Create()] Warning: font already exists. It is not possible to create another one.\n");
        return kRefused;
    }
    if (!surface) {
        ILogSystem.Msg(0, " . [CFont::Create()] Error: font surface is null\n");
        return kRefused;
    }
    if (surface->format->BitsPerPixel == 8) {
        ILogSystem.Msg(2, " . [CFont::Create()] Warning: 8bits surface loaded is not supported to create a font.\n");
        return kRefused;
    }
    SDL_Surface* copy = SDL_ConvertSurface(surface, surface->format, surface->flags);
    if (!copy) return kRefused;
    copy->format->colorkey = surface->format->colorkey;
    copy->format->alpha = surface->format->alpha;

    // A bitmap without a mark row gets one drawn from its empty columns.
    bool marked = false;
    if (copy->w > 0 && copy->h > 0) {
        PixelAccess access(copy);
        marked = access.ok() && IsMagenta(copy, PixelAt(copy, 0, 0));
    }
    if (!marked) {
        const Uint8 changes = CreateUpperMark(copy);
        if (changes != 189) {
            SDL_FreeSurface(copy);
            return changes == 0 ? kRefused : Uint8(changes / 2);
        }
    }

    int alpha = priv->alpha < 0 ? 0 : priv->alpha > 255 ? 255 : priv->alpha;
    const bool alphaPerPixel = (copy->flags & SDL_SRCALPHA) && copy->format->alpha == 255 && copy->format->Amask;
    if (!alphaPerPixel) SDL_SetAlpha(copy, alpha == 255 ? 0 : SDL_SRCALPHA, Uint8(alpha));
    const int glyphHeight = copy->h - 1;

    font::MarkRow row;
    Uint32 colourKey = 0;
    {
        PixelAccess access(copy);
        std::vector<Uint8> marks;
        if (!access.ok() || !ReadMarks(copy, &marks)) {
            SDL_FreeSurface(copy);
            return kRefused;
        }
        font::ScanMarkRow(marks.data(), copy->w, &row);
        if (row.runs != font::kGlyphCount) {
            SDL_FreeSurface(copy);
            // 8 bits: a count past 254 must not read as the outright refusal.
            return Uint8(row.runs > 254 ? 254 : row.runs);
        }
        colourKey = PixelAt(copy, 0, glyphHeight);
        // The mark row becomes transparent, and so does any magenta the glyphs hold.
        for (int y = 0; y < copy->h; ++y)
            for (int x = 0; x < copy->w; ++x)
                if (IsMagenta(copy, PixelAt(copy, x, y))) WritePixel(copy, x, y, colourKey);
    }
    if (!alphaPerPixel) SDL_SetColorKey(copy, SDL_SRCCOLORKEY, colourKey);

    priv->alpha = alpha;
    priv->alphaPerPixel = alphaPerPixel;
    priv->glyphHeight = glyphHeight;
    priv->lastCode = font::kLastCode + 1;
    priv->colourKey = colourKey;
    std::memcpy(priv->positions, row.positions, sizeof priv->positions);
    std::memcpy(priv->advances, row.advances, sizeof priv->advances);

    priv->spaceWidth = 0;
    for (const char* probe : {"a", "A", "0"})
        if (!priv->spaceWidth) priv->spaceWidth = row.advances[probe[0] - font::kFirstCode];
    if (!priv->spaceWidth) priv->spaceWidth = row.positions[1] - row.positions[0];

    // The cursor bar is drawn where '|' has its ink, not where its picture starts: count the
    // transparent columns before the bar on the glyph's middle row.
    {
        PixelAccess access(copy);
        const int bar = '|' - font::kFirstCode;
        const int y = glyphHeight / 2;
        int n = 0;
        if (access.ok() && y >= 0) {
            const int limit = priv->advances[bar] + 1;
            for (int x = priv->positions[bar]; n < limit && x < copy->w && PixelAt(copy, x, y) == colourKey; ++x) ++n;
        }
        priv->cursorOffset = n + 1;
    }

    if (Nimbrel.screen && DiffersFromDisplay(copy, Nimbrel.screen)) {
        SDL_Surface* converted = alphaPerPixel ? SDL_DisplayFormatAlpha(copy) : SDL_DisplayFormat(copy);
        if (converted) {
            SDL_FreeSurface(copy);
            copy = converted;
            if (alphaPerPixel) {
                copy->format->alpha = 255;
                ILogSystem.Msg(5, " . [CFont->Create()] Info: surface with alpha per pixel loaded, it could slow down your graphics system.\n");
            } else if (copy->flags & SDL_SRCCOLORKEY) {
                priv->colourKey = copy->format->colorkey;
            }
        } else {
            ILogSystem.Msg(2, " . [CFont::Create()] Warning: the font could not be converted to the display format: %s\n",
                           SDL_GetError());
        }
    }
    if (Nimbrel.IsOpenGL()) OpenGLUploadSurface(copy);
    priv->bitmap = copy;
    FindInk(priv);
    priv->backup = Nimbrel_TakePixelBackup(copy);
    priv->loaded = true;
    return kCreated;
}

// ---- Load -----------------------------------------------------------------------------------------

#define LOAD_PREFIX " . [CFont::Load('%s','%s')] "

int FontInternals::LoadPayload(CFont& font, const Uint8* data, Uint64 size, bool version2, const char* packageName,
                               const char* name, int* createResult) {
    if (createResult) *createResult = 0;
    font::FontView view;
    const char* problem = "";
    if (!font::ParseFont(data, size, version2, &view, &problem)) {
        ILogSystem.Msg(0, LOAD_PREFIX "Error: the font block is damaged: %s.\n", packageName, name, problem);
        return 0;
    }
    const img::ImageFormat& format = view.format;
    SDL_Surface* surface = SDL_CreateRGBSurface(0, int(format.width), int(format.height), format.bitsPerPixel,
                                                format.redMask, format.greenMask, format.blueMask, format.alphaMask);
    if (!surface) {
        ILogSystem.Msg(0, LOAD_PREFIX "Error: %s\n", packageName, name, SDL_GetError());
        return 0;
    }
    // The rows are copied whole, so they must be exactly what the surface SDL made holds.
    const Uint64 rowBytes = Uint64(view.pitch) * format.height;
    if (Uint64(surface->pitch) * Uint64(surface->h) != rowBytes || !surface->pixels) {
        SDL_FreeSurface(surface);
        ILogSystem.Msg(0, LOAD_PREFIX "Error: the font block is damaged: %s.\n", packageName, name,
                       "its pixel rows do not fill a surface of its width, height and depth");
        return 0;
    }
    std::memcpy(surface->pixels, view.rows, size_t(rowBytes));

    CFont::Private& record = *font.priv;
    const int spacing = record.spacing, alpha = record.alpha;
    record.spacing = view.spacing;
    record.alpha = format.alpha;
    const int result = font.Create(surface);
    SDL_FreeSurface(surface);
    if (createResult) *createResult = result;
    if (!record.loaded) {
        record.spacing = spacing;
        record.alpha = alpha;
        ILogSystem.Msg(0, LOAD_PREFIX "Error: internal failure (%d).\n", packageName, name, result);
        return 0;
    }
    font.SetName(name);
    return 1;
}

int CFont::Load(int package, const char* name) {
    if (package <= 0) return 0;
    const char* packageName = ::IStuffDPF ? ::IStuffDPF->GetName(package) : nullptr;
    if (!packageName) packageName = "";
    if (!name) name = "";
    if (Nimbrel.startTicks == Nimbrel::kNotStarted || !::IStuffDPF) {
        ILogSystem.Msg(0, LOAD_PREFIX "Error: Nimbrel was not initialized. Aborting the font load.\n", packageName, name);
        return 0;
    }
    if (priv->loaded) {
        ILogSystem.Msg(2, LOAD_PREFIX "Warning: font already exists. It is not possible to create another one.\n",
                       packageName, name);
        return 0;
    }

    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    bool version2 = true;
    int size = ::IStuffDPF->LoadBlock(package, "FONT2", name, &block);
    if (size <= 0 || !block.data) {
        std::free(block.data);
        std::memset(&block, 0, sizeof block);
        version2 = false;
        size = ::IStuffDPF->LoadBlock(package, "FONT", name, &block);
    }
    if (size <= 0 || !block.data) {
        std::free(block.data);
        ILogSystem.Msg(0, LOAD_PREFIX "Error: font not found\n", packageName, name);
        return 0;
    }

    std::vector<Uint8> upgraded;
    const Uint8* payload = block.data;
    Uint64 payloadSize = Uint64(size);
    if (!version2) {
        // A damaged version 1.0 block is not copied into the package; the parse below tells why.
        font::FontView view;
        const char* problem = "";
        if (!font::ParseFont(block.data, payloadSize, false, &view, &problem)) {
            std::free(block.data);
            ILogSystem.Msg(0, LOAD_PREFIX "Error: the font block is damaged: %s.\n", packageName, name, problem);
            return 0;
        }
        try {
            upgraded = font::UpgradeFont(block.data, payloadSize);
        } catch (const std::bad_alloc&) {
            upgraded.clear();
        }
        DPFBlock record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.name, block.name, sizeof record.name);
        std::strcpy(record.type, "FONT2");
        record.mode = block.mode;
        record.originalSize = Uint32(upgraded.size());
        record.data = upgraded.data();
        if (upgraded.empty() || ::IStuffDPF->AddData(package, &record) <= 0) {
            std::free(block.data);
            ILogSystem.Msg(0, LOAD_PREFIX "Error: update to v2.0 was not possible.\n", packageName, name);
            return 0;
        }
        DPFBlock old;
        std::memset(&old, 0, sizeof old);
        std::memcpy(old.name, block.name, sizeof old.name);
        std::strcpy(old.type, "FONT");
        ::IStuffDPF->Delete(package, &old);
        ILogSystem.Msg(2, LOAD_PREFIX "Info: font successfully updated from v1.0 to v2.0.\n", packageName, name);
        payload = upgraded.data();
        payloadSize = upgraded.size();
    }

    const int result = FontInternals::LoadPayload(*this, payload, payloadSize, true, packageName, name, nullptr);
    std::free(block.data);
    return result;
}

int CFont::Load(const char* packageFile, const char* name) {
    if (Nimbrel.startTicks == Nimbrel::kNotStarted || !::IStuffDPF) {
        ILogSystem.Msg(0, LOAD_PREFIX "Error: Nimbrel was not initialized. Aborting the font load.\n",
                       packageFile ? packageFile : "", name ? name : "");
        return 0;
    }
    const int package = ::IStuffDPF->Open(packageFile);
    if (package <= 0) return 0;
    const int result = Load(package, name);
    ::IStuffDPF->Close(package);
    return result;
}

#undef LOAD_PREFIX

// ---- State ----------------------------------------------------------------------------------------

int CFont::GetHeight() const { return priv->loaded ? priv->glyphHeight : 0; }

int CFont::GetSpacing() const { return priv->loaded ? priv->spacing : 0; }

SDL_Surface* CFont::GetSurface() const { return priv->loaded ? priv->bitmap : nullptr; }

void CFont::SetName(const char* name) {
    if (!priv->loaded || !name || std::strlen(name) >= sizeof priv->name) return;
    std::strcpy(priv->name, name);
}

const char* CFont::GetName() const { return priv->loaded ? priv->name : nullptr; }

void CFont::SetAlpha(int alpha) {
    if (!priv->loaded || alpha < 0 || alpha > 255 || priv->alphaPerPixel) return;
    SDL_SetAlpha(priv->bitmap, alpha == 255 ? 0 : SDL_SRCALPHA, Uint8(alpha));
    const bool crossesOpaque = (priv->alpha == 255) != (alpha == 255);
    // A screen in video memory blits opaque and translucent surfaces from different places.
    if (Nimbrel.screen && (Nimbrel.screen->flags & SDL_HWSURFACE) && crossesOpaque) {
        SDL_Surface* converted = SDL_DisplayFormat(priv->bitmap);
        if (converted) {
            SDL_FreeSurface(priv->bitmap);
            priv->bitmap = converted;
            if (converted->flags & SDL_SRCCOLORKEY) priv->colourKey = converted->format->colorkey;
            FindInk(priv);
            Nimbrel_FreePixelBackup(priv->backup);
            priv->backup = Nimbrel_TakePixelBackup(converted);
        }
        ILogSystem.Msg(2, " . [CFont::SetAlpha(%d)] Warning: on-the-fly surface conversion. It may affect to the performance.\n",
                       alpha);
    }
    priv->alpha = alpha;
}

// ---- Pixels ---------------------------------------------------------------------------------------

Uint32 CFont::CFontGetPixel(SDL_Surface* surface, int x, int y) {
    if (!surface || x < 0 || x >= surface->w || y < 0 || y >= surface->h) {
        ILogSystem.Msg(0, " . [CFont::CFontGetPixel(0x%x,%d,%d)] Error: wrong function parameters.\n", Address(surface),
                       x, y);
        return 0;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) {
        ILogSystem.Msg(0, " . [CFont::CFontGetPixel(0x%x,%d,%d)] Error: %s\n", Address(surface), x, y, SDL_GetError());
        return 0;
    }
    Uint32 value = 0;
    const bool read = surface->pixels && ReadPixel(surface, x, y, &value);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    if (!read) {
        ILogSystem.Msg(0, " . [CFont::CFontGetPixel(0x%x,%d,%d)] Error: loading font", Address(surface), x, y);
        return 0;
    }
    return value;
}

void CFont::CFontSetPixel(SDL_Surface* surface, int x, int y, Uint32 pixel) {
    if (!surface || x < 0 || x >= surface->w || y < 0 || y >= surface->h) return;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) < 0) {
        ILogSystem.Msg(0, " . [CFont::CFontSetPixel()] Error: %s\n", SDL_GetError());
        return;
    }
    if (surface->pixels) WritePixel(surface, x, y, pixel);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

void CFont::SetCursorCharacter(Uint8 character) { priv->cursorCharacter = character; }
