// ICursor: the software mouse cursor that replaces the system pointer.
//
// This half owns the interface object, Init and Enable, and the 32 slots: each holds the
// cursor's own copy of an image (transparent where it should be, in the display's format), the
// background surface the screen under it is saved into, its pixel backup for lost video memory,
// and its hot-spot code. Where the cursor is and how it gets on and off the screen is
// cursor_drawing.cpp.
#include "cursor/cursor_private.h"

#include <cstdint>

#include "core/interface_log.h"
#include "gfx/gl_backend.h"
#include "gfx/gl_presenter.h"
#include "gfx/payload_surface.h"

class ICursor* ICursor = nullptr;

namespace {

const Uint32 kNoColorKey = 0xFFFFFFFFu;

#define CREATE_PREFIX " . [ICursor->Create(0x%x,%d)] "
#define LOAD_PREFIX " . [ICursor->Load('%s','%s',%d)] "

bool IsSlot(int index) { return index >= 0 && index < ICursor::kMaxCursors; }

// Hot-spot codes travel as signed bytes: 200 is -56, which means the top-left corner.
int AsCode(int hotSpot) { return Sint8(hotSpot); }

Uint8 LimitHotSpot(int code) {
    if (code < ICursor::kTopLeft) return ICursor::kTopLeft;
    if (code > ICursor::kCentre) return ICursor::kCentre;
    return Uint8(code);
}

unsigned AddressOf(const void* pointer) { return unsigned(reinterpret_cast<std::uintptr_t>(pointer)); }

int FirstFreeSlot(const ICursor::Private& cursor) {
    for (int i = 0; i < ICursor::kMaxCursors; ++i)
        if (!cursor.images[i]) return i;
    return -1;
}

// Drawn with its alpha channel rather than with a colour key.
bool HasAlphaPerPixel(const SDL_Surface* surface) {
    return (surface->flags & SDL_SRCALPHA) && surface->format->alpha == 255;
}

// An image that says nothing about transparency takes its top-left pixel as transparent, so a
// plain picture on a flat backdrop makes a usable cursor.
void KeyOnTopLeftPixel(SDL_Surface* image) {
    if (!::IPrimitives) return;
    SDL_SetColorKey(image, SDL_SRCCOLORKEY, ::IPrimitives->GetPixel(image, 0, 0, 1));
}

// The image in the display's format, so that the blit at every render converts nothing. When SDL
// cannot convert it, the copy is kept: it still draws, only more slowly.
SDL_Surface* InDisplayFormat(SDL_Surface* image, bool alphaPerPixel) {
    if (!Nimbrel.screen || !DiffersFromDisplay(image, Nimbrel.screen)) return image;
    SDL_Surface* converted = alphaPerPixel ? SDL_DisplayFormatAlpha(image) : SDL_DisplayFormat(image);
    if (!converted) return image;
    SDL_FreeSurface(image);
    if (alphaPerPixel) converted->format->alpha = 255;
    return converted;
}

// The cursor's own copy of `source`, ready to draw; null when SDL cannot copy it.
SDL_Surface* CopyImage(SDL_Surface* source) {
    SDL_Surface* copy = SDL_ConvertSurface(source, source->format, source->flags);
    if (!copy) return nullptr;
    copy->format->colorkey = source->format->colorkey;
    copy->format->alpha = source->format->alpha;
    const bool alphaPerPixel = HasAlphaPerPixel(source);
    if (!alphaPerPixel && source->format->colorkey == kNoColorKey) KeyOnTopLeftPixel(copy);
    return InDisplayFormat(copy, alphaPerPixel);
}

// What the screen under the cursor is saved into: the image's size and format, drawn as is (no
// alpha, no key). Red, so that a background shown before it was ever saved stands out.
SDL_Surface* MakeBackground(SDL_Surface* image) {
    SDL_Surface* background = SDL_ConvertSurface(image, image->format, image->flags & SDL_HWSURFACE);
    if (!background) return nullptr;
    SDL_SetAlpha(background, 0, 255);
    SDL_SetColorKey(background, 0, 0);
    SDL_FillRect(background, nullptr, SDL_MapRGB(background->format, 255, 0, 0));
    return background;
}

void EmptySlot(ICursor::Private& cursor, int index) {
    SDL_FreeSurface(cursor.images[index]);
    SDL_FreeSurface(cursor.backgrounds[index]);
    Nimbrel_FreePixelBackup(cursor.backups[index]);
    cursor.images[index] = nullptr;
    cursor.backgrounds[index] = nullptr;
    cursor.backups[index] = nullptr;
    cursor.hotSpots[index] = 0;
}

} // namespace

SDL_Surface* CurrentImage(const ICursor::Private& cursor) {
    return IsSlot(cursor.current) ? cursor.images[cursor.current] : nullptr;
}

SDL_Surface* CurrentBackground(const ICursor::Private& cursor) {
    return IsSlot(cursor.current) ? cursor.backgrounds[cursor.current] : nullptr;
}

// ---- The interface object -----------------------------------------------------------------------

ICursor::ICursor() : priv(new Private) { LogInterfaceCreated("ICursor"); }

ICursor::~ICursor() {
    SDL_ShowCursor(1);
    priv->selected = false; // shutting down: the screen is left as it is
    for (int i = 0; i < kMaxCursors; ++i) Delete(i);
    priv->initialized = false;
    delete priv;
    LogInterfaceDeleted("ICursor");
}

void ICursor::Init() {
    SDL_Surface* screen = Nimbrel.screen;
    if (!screen) {
        ILogSystem.Msg(0, " . [ICursor->Init()] Error: Nimbrel.screen was not initialized.\n");
        return;
    }
    SDL_ShowCursor(0);
    priv->maxX = Uint16(screen->w);
    priv->maxY = Uint16(screen->h);
    int centreX = screen->w / 2, centreY = screen->h / 2;
    OpenGLScreenToWindow(&centreX, &centreY); // a scaled OpenGL window has its own pixels
    SDL_WarpMouse(Uint16(centreX), Uint16(centreY));
    // A double-buffered or OpenGL screen is redrawn whole at every frame, so there is nothing
    // under the cursor worth keeping.
    priv->softwareBackground = !(screen->flags & SDL_DOUBLEBUF) && !Nimbrel.IsOpenGL();
    priv->backgroundSaved = false; // anything saved came from an earlier screen
    priv->initialized = true;
}

void ICursor::Enable(int on) {
    const bool software = on != 0 && !Nimbrel.IsOpenGL();
    if (software == priv->softwareBackground) return;
    priv->softwareBackground = software;
    // Nothing was saved while it was off; Draw saves what lies under the cursor before drawing it.
    priv->backgroundSaved = false;
    priv->needsRedraw = true;
}

void ICursor::SetLastPosition(int x, int y) {
    priv->last.x = float(x);
    priv->last.y = float(y);
}

// ---- Slots --------------------------------------------------------------------------------------

int ICursor::Create(SDL_Surface* surface, int hotSpot) {
    const int code = AsCode(hotSpot);
    if (!priv->initialized) {
        ILogSystem.Msg(0, CREATE_PREFIX "Error: ICursor was not initialized.\n", AddressOf(surface), code);
        return kNoCursor;
    }
    if (!surface) {
        ILogSystem.Msg(0, CREATE_PREFIX "Error: there is no surface.\n", AddressOf(surface), code);
        return kNoCursor;
    }
    const Uint8 limited = LimitHotSpot(code);
    const int slot = FirstFreeSlot(*priv);
    if (slot < 0) {
        ILogSystem.Msg(0, CREATE_PREFIX "Error: all %d cursors are in use.\n", AddressOf(surface), code, kMaxCursors);
        return kNoCursor;
    }

    SDL_Surface* image = CopyImage(surface);
    SDL_Surface* background = nullptr;
    if (image && Nimbrel.IsOpenGL()) {
        OpenGLUploadSurface(image);
    } else if (image) {
        background = MakeBackground(image);
        if (!background) {
            SDL_FreeSurface(image);
            image = nullptr;
        }
    }
    if (!image) {
        ILogSystem.Msg(0, CREATE_PREFIX "Error: the cursor could not be copied: %s\n", AddressOf(surface), code,
                       SDL_GetError());
        return kNoCursor;
    }

    priv->images[slot] = image;
    priv->backgrounds[slot] = background;
    priv->backups[slot] = Nimbrel_TakePixelBackup(image);
    priv->hotSpots[slot] = limited;
    ILogSystem.Msg(5, CREATE_PREFIX "Info: cursor created.\n", AddressOf(surface), limited);
    return slot;
}

int ICursor::Load(const char* packageFile, const char* name, int hotSpot) {
    const int code = AsCode(hotSpot);
    const char* file = packageFile ? packageFile : "";
    const char* block = name ? name : "";
    if (!priv->initialized) {
        ILogSystem.Msg(0, LOAD_PREFIX "Error: ICursor was not initialized.\n", file, block, code);
        return kNoCursor;
    }
    if (!packageFile || !name || !::IImage) {
        ILogSystem.Msg(0, LOAD_PREFIX "Error: no package file or no resource name was given.\n", file, block, code);
        return kNoCursor;
    }

    // The image keeps its stored format here; Create converts its own copy.
    const bool conversion = ::IImage->GetConversion();
    ::IImage->SetConversion(false);
    SDL_Surface* loaded = ::IImage->Load(packageFile, name);
    ::IImage->SetConversion(conversion);
    if (!loaded) return kNoCursor; // the image loader has said why

    const int slot = Create(loaded, LimitHotSpot(code));
    SDL_FreeSurface(loaded);
    return slot;
}

void ICursor::Delete(int index) {
    if (!IsSlot(index) || !priv->images[index]) return;
    if (index == priv->current) {
        // Off the screen first, and no selection left that could draw the freed image.
        TakeDown(nullptr);
        priv->current = kNoCursor;
        priv->selected = false;
        priv->backgroundSaved = false;
    }
    EmptySlot(*priv, index);
    ILogSystem.Msg(5, " . [ICursor->Delete(%d)] Info: cursor deleted.\n", index);
}

// ---- Queries ------------------------------------------------------------------------------------

int ICursor::GetCurrent() const { return priv->current; }

int ICursor::GetHotSpot(int index) const {
    return IsSlot(index) && priv->images[index] ? priv->hotSpots[index] : -1;
}

SDL_Rect ICursor::GetRect() const {
    const SDL_Rect none = {0, 0, 0, 0};
    return priv->selected ? priv->rect : none;
}
