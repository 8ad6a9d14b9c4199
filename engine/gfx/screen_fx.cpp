// IScreenFX: mirror, resize, zoom and rotation of surface rectangles.
//
// This half owns the interface object (with the IPrimitives instance it locks surfaces through)
// and each operation up to its new surface: the conventions they share, the 32-bit working copy
// of sources the kernels do not read, and the bound on result sizes. The pixel work is
// screen_fx_kernels.cpp; returning or drawing the new surface is
// composition/screen_fx_drawing.cpp, above the cursor it has to step around.
#include "gfx/screen_fx.h"

#include <cmath>
#include <cstring>

#include "Nimbrel.h"
#include "core/copy_paths.h"
#include "core/interface_log.h"
#include "gfx/gl_backend.h"
#include "gfx/screen_fx_kernels.h"

struct IScreenFX::Private {};

class IScreenFX* IScreenFX = nullptr;

IScreenFX::IScreenFX() : ownsPrimitives(false), priv(new Private) {
    // The effects lock surfaces through the shared primitives; an IScreenFX made where none exist
    // brings its own.
    if (!::IPrimitives) {
        ::IPrimitives = new class IPrimitives;
        ownsPrimitives = true;
    }
    LogInterfaceCreated("IScreenFX");
}

IScreenFX::~IScreenFX() {
    delete priv;
    if (ownsPrimitives) {
        delete ::IPrimitives;
        ::IPrimitives = nullptr;
    }
    LogInterfaceDeleted("IScreenFX");
}

namespace {

const Uint32 kNoColorKey = 0xFFFFFFFFu;

#define FX_ERROR " . [IScreenFX->%s()] Error: "

ScreenEffect Nothing() { return ScreenEffect{nullptr, 0, 0, nullptr}; }
ScreenEffect Answer(SDL_Surface* surface) { return ScreenEffect{nullptr, 0, 0, surface}; }
ScreenEffect Made(SDL_Surface* surface, Sint64 moveX, Sint64 moveY) {
    return ScreenEffect{surface, int(moveX), int(moveY), nullptr};
}

// A source rectangle after clamping, in plain integers.
struct Area {
    int x, y, w, h;
};

// Null source, or work in place: refused without a message.
bool Refused(const SDL_Surface* source, const SDL_Surface* destination) {
    return !source || source == destination;
}

// x and y clamped into the surface, width and height cut to the part inside it. False when
// nothing is left.
bool ClampRect(const SDL_Surface* surface, const SDL_Rect* rect, Area* area) {
    if (!rect) {
        *area = Area{0, 0, surface->w, surface->h};
    } else {
        const int x = rect->x < 0 ? 0 : (rect->x > surface->w ? surface->w : rect->x);
        const int y = rect->y < 0 ? 0 : (rect->y > surface->h ? surface->h : rect->y);
        *area = Area{x, y, rect->w < surface->w - x ? rect->w : surface->w - x,
                     rect->h < surface->h - y ? rect->h : surface->h - y};
    }
    return area->w > 0 && area->h > 0;
}

// ---- The OpenGL shortcut ------------------------------------------------------------------------

OpenGLTransform Scaling(double scaleX, double scaleY, int smooth) {
    OpenGLTransform transform;
    transform.scaleX = scaleX;
    transform.scaleY = scaleY;
    transform.rotation = 0;
    transform.centreX = transform.centreY = 0;
    transform.moveX = transform.moveY = 0;
    transform.smooth = smooth != 0;
    return transform;
}

// A texture surface drawn with a destination needs no pixel work: the backend draws it
// transformed onto the screen, whatever destination was passed. True when it did.
bool DrawnByOpenGL(SDL_Surface* source, const Area& area, SDL_Surface* destination,
                   const SDL_Rect* destinationRect, const OpenGLTransform& transform) {
    if (!destination || !IsOpenGLSurface(source)) return false;
    SDL_Rect from = {Sint16(area.x), Sint16(area.y), Uint16(area.w), Uint16(area.h)};
    SDL_Rect at = {0, 0, 0, 0};
    if (destinationRect) at = *destinationRect;
    OpenGLBlitTransformed(source, &from, &at, transform);
    return true;
}

// ---- New surfaces -------------------------------------------------------------------------------

// NaN stays NaN, so that the bound below refuses it.
double AtLeastOne(double size) { return size < 1 ? 1 : size; }

// The bound every new surface passes before memory is asked for: sizes computed from huge factors
// or rectangles would otherwise exhaust it.
bool Fits(const char* operation, double width, double height, int bytesPerPixel) {
    if (fx::ResultFits(width, height, bytesPerPixel)) return true;
    ILogSystem.Msg(0, FX_ERROR "a %.6gx%.6g surface is too large.\n", operation, width, height);
    return false;
}

// A software surface of the given size, depth and masks, with the palette's colours for 8 bits,
// and no colour key (said the engine's way). Null, logged, when it is too large or SDL fails.
SDL_Surface* NewSurface(const char* operation, double width, double height, int depth, Uint32 red, Uint32 green,
                        Uint32 blue, Uint32 alpha, const SDL_Palette* palette) {
    if (!Fits(operation, width, height, (depth + 7) / 8)) return nullptr;
    SDL_Surface* surface = SDL_CreateRGBSurface(SDL_SWSURFACE, int(width), int(height), depth, red, green, blue, alpha);
    if (!surface) {
        ILogSystem.Msg(0, FX_ERROR "the new surface could not be made: %s\n", operation, SDL_GetError());
        return nullptr;
    }
    SDL_Palette* own = surface->format->palette;
    if (palette && own) {
        const int colours = palette->ncolors < own->ncolors ? palette->ncolors : own->ncolors;
        std::memcpy(own->colors, palette->colors, sizeof(SDL_Color) * size_t(colours));
        own->ncolors = colours;
    }
    surface->format->colorkey = kNoColorKey;
    return surface;
}

SDL_Surface* NewSurfaceLike(const char* operation, double width, double height, const SDL_PixelFormat* format) {
    return NewSurface(operation, width, height, format->BitsPerPixel, format->Rmask, format->Gmask, format->Bmask,
                      format->Amask, format->palette);
}

// The new surface draws as the source did: its colour key (in the new surface's format) and a
// surface alpha below opaque.
void KeepTransparency(const SDL_Surface* source, SDL_Surface* made, bool keyed, Uint32 key) {
    if (keyed) SDL_SetColorKey(made, SDL_SRCCOLORKEY, key);
    if ((source->flags & SDL_SRCALPHA) && source->format->alpha != 255)
        SDL_SetAlpha(made, SDL_SRCALPHA, source->format->alpha);
}

// ---- Pixel access -------------------------------------------------------------------------------

// Runs `work` (which gives false when it could not get its scratch memory) with source and new
// surface locked through the shared primitives, which IScreenFX brings along. False, logged and
// with `made` freed, when the locks left either surface without pixel memory or the work failed.
template <typename Work>
bool WithPixels(const char* operation, SDL_Surface* source, SDL_Surface* made, Work work) {
    class IPrimitives* primitives = ::IPrimitives;
    if (primitives) {
        primitives->Lock(source);
        primitives->Lock(made);
    }
    bool done = false;
    if (!source->pixels || !made->pixels)
        ILogSystem.Msg(0, FX_ERROR "the pixels could not be reached.\n", operation);
    else if (!work())
        ILogSystem.Msg(0, FX_ERROR "out of memory.\n", operation);
    else
        done = true;
    if (primitives) {
        primitives->Unlock(made);
        primitives->Unlock(source);
    }
    if (!done) SDL_FreeSurface(made);
    return done;
}

fx::SourcePixels SourceView(const SDL_Surface* surface, const Area& area) {
    const Uint8* pixels = static_cast<const Uint8*>(surface->pixels) + Sint64(area.y) * surface->pitch +
                          Sint64(area.x) * surface->format->BytesPerPixel;
    return fx::SourcePixels{pixels, surface->pitch, area.w, area.h};
}

fx::ResultPixels ResultView(SDL_Surface* surface) {
    return fx::ResultPixels{static_cast<Uint8*>(surface->pixels), surface->pitch, surface->w, surface->h};
}

// ---- The working source -------------------------------------------------------------------------

// What the zoom and rotation kernels read: the source itself at 8 and 32 bits a pixel, otherwise
// its rectangle copied into a 32-bit surface.
class WorkingSource {
public:
    WorkingSource() = default;
    ~WorkingSource() {
        if (copy_) SDL_FreeSurface(surface_);
    }
    WorkingSource(const WorkingSource&) = delete;
    WorkingSource& operator=(const WorkingSource&) = delete;

    // False, logged, when the copy cannot be made. The masks are the copy's.
    bool Make(const char* operation, SDL_Surface* source, const Area& area, Uint32 red, Uint32 green, Uint32 blue,
              Uint32 alpha) {
        keyed_ = (source->flags & SDL_SRCCOLORKEY) != 0;
        key_ = source->format->colorkey;
        const int depth = source->format->BitsPerPixel;
        if (depth == 8 || depth == 32) {
            surface_ = source;
            area_ = area;
            return true;
        }
        surface_ = NewSurface(operation, area.w, area.h, 32, red, green, blue, alpha, nullptr);
        if (!surface_) return false;
        area_ = Area{0, 0, area.w, area.h};
        const auto copy = [&] {
            CopyConverted(source, area);
            return true;
        };
        if (!WithPixels(operation, source, surface_, copy)) return false;
        copy_ = true;
        if (keyed_) key_ = Converted(key_, source->format);
        return true;
    }

    SDL_Surface* surface() const { return surface_; }
    const Area& area() const { return area_; }
    bool keyed() const { return keyed_; }
    Uint32 key() const { return key_; } // in the working surface's format

private:
    Uint32 Converted(Uint32 value, SDL_PixelFormat* from) const {
        Uint8 r, g, b, a;
        SDL_GetRGBA(value, from, &r, &g, &b, &a);
        return SDL_MapRGBA(surface_->format, r, g, b, a);
    }

    // The pixels as they are, keyed ones included: a blit would skip those and blend the rest by
    // the surface alpha, which the new surface applies again when it is drawn. The key converts
    // the same way, so keyed pixels still match it.
    void CopyConverted(const SDL_Surface* source, const Area& area) {
        const int bytes = source->format->BytesPerPixel;
        for (int y = 0; y < area.h; ++y) {
            const Uint8* from = static_cast<const Uint8*>(source->pixels) + Sint64(area.y + y) * source->pitch +
                                Sint64(area.x) * bytes;
            Uint32* to = reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface_->pixels) + Sint64(y) * surface_->pitch);
            for (int x = 0; x < area.w; ++x, from += bytes) {
                Uint32 value = 0;
                if (bytes == 2) {
                    Uint16 pair;
                    std::memcpy(&pair, from, 2);
                    value = pair;
                } else if (bytes == 3) {
                    // SDL's order for 3-byte pixels: the value's low byte first on little-endian
                    // machines.
                    value = SDL_BYTEORDER == SDL_LIL_ENDIAN ? Uint32(from[0] | from[1] << 8 | from[2] << 16)
                                                            : Uint32(from[2] | from[1] << 8 | from[0] << 16);
                }
                to[x] = Converted(value, source->format);
            }
        }
    }

    SDL_Surface* surface_ = nullptr;
    Area area_ = {0, 0, 0, 0};
    bool copy_ = false;
    bool keyed_ = false;
    Uint32 key_ = 0;
};

// Bytes a pixel of the result the zoom and rotation make from this source.
int ResultBytesPerPixel(const SDL_Surface* source) { return source->format->BitsPerPixel == 8 ? 1 : 4; }

// Resize of a clamped rectangle to |newWidth| x |newHeight| (each at least 1), mirrored along the
// sides whose size is negative, centred on the place of the unscaled rectangle.
ScreenEffect ResizeArea(const char* operation, SDL_Surface* source, const Area& area, int smooth, Sint64 newWidth,
                        Sint64 newHeight) {
    const bool flipX = newWidth < 0, flipY = newHeight < 0;
    const double width = AtLeastOne(double(flipX ? -newWidth : newWidth));
    const double height = AtLeastOne(double(flipY ? -newHeight : newHeight));
    // Judged before the working copy is made, so a refused size allocates nothing at all.
    if (!Fits(operation, width, height, ResultBytesPerPixel(source))) return Nothing();

    WorkingSource working;
    if (!working.Make(operation, source, area, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000)) return Nothing();
    SDL_Surface* made = NewSurfaceLike(operation, width, height, working.surface()->format);
    const bool eightBit = working.surface()->format->BitsPerPixel == 8;
    if (!made || !WithPixels(operation, working.surface(), made, [&] {
            const fx::SourcePixels from = SourceView(working.surface(), working.area());
            if (eightBit) fx::Zoom8(from, ResultView(made), flipX, flipY);
            return eightBit || fx::ZoomRGBA(from, ResultView(made), smooth != 0, flipX, flipY);
        }))
        return Nothing();
    KeepTransparency(source, made, working.keyed(), working.key());
    return Made(made, (area.w - Sint64(width)) / 2, (area.h - Sint64(height)) / 2);
}

// Row j of the result is row height - 1 - j of the source. Whole rows keep their order inside, so
// they go through the processor's copy path.
void ReverseRows(const fx::SourcePixels& source, const fx::ResultPixels& result, int bytesPerPixel) {
    const Uint32 rowBytes = Uint32(source.width) * Uint32(bytesPerPixel);
    for (int y = 0; y < source.height; ++y) {
        const Uint8* from = source.pixels + Sint64(source.height - 1 - y) * source.pitch;
        CopyBytes(result.pixels + Sint64(y) * result.pitch, from, rowBytes);
    }
}

// FlipX (leftRight) and FlipY.
ScreenEffect Mirror(const char* operation, bool leftRight, SDL_Surface* source, const SDL_Rect* sourceRect,
                    SDL_Surface* destination, const SDL_Rect* destinationRect) {
    Area area;
    if (Refused(source, destination) || !ClampRect(source, sourceRect, &area)) return Nothing();
    // The backend mirrors by a negative scale, drawing from the far edge.
    OpenGLTransform mirror = Scaling(leftRight ? -1 : 1, leftRight ? 1 : -1, 0);
    mirror.moveX = leftRight ? area.w : 0;
    mirror.moveY = leftRight ? 0 : area.h;
    if (DrawnByOpenGL(source, area, destination, destinationRect, mirror)) return Answer(destination);

    SDL_Surface* made = NewSurfaceLike(operation, area.w, area.h, source->format);
    const int bytesPerPixel = source->format->BytesPerPixel;
    if (!made || !WithPixels(operation, source, made, [&] {
            if (leftRight)
                fx::MirrorRows(SourceView(source, area), ResultView(made), bytesPerPixel);
            else
                ReverseRows(SourceView(source, area), ResultView(made), bytesPerPixel);
            return true;
        }))
        return Nothing();
    KeepTransparency(source, made, (source->flags & SDL_SRCCOLORKEY) != 0, source->format->colorkey);
    return Made(made, 0, 0);
}

} // namespace

// ---- Operations ---------------------------------------------------------------------------------

ScreenEffect MakeFlipX(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination,
                       const SDL_Rect* destinationRect) {
    return Mirror("FlipX", true, source, sourceRect, destination, destinationRect);
}

ScreenEffect MakeFlipY(SDL_Surface* source, const SDL_Rect* sourceRect, SDL_Surface* destination,
                       const SDL_Rect* destinationRect) {
    return Mirror("FlipY", false, source, sourceRect, destination, destinationRect);
}

ScreenEffect MakeResize(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, int newWidth, int newHeight,
                        SDL_Surface* destination, const SDL_Rect* destinationRect) {
    Area area;
    if (Refused(source, destination) || !ClampRect(source, sourceRect, &area)) return Nothing();
    const OpenGLTransform scaling = Scaling(double(newWidth) / area.w, double(newHeight) / area.h, smooth);
    if (DrawnByOpenGL(source, area, destination, destinationRect, scaling)) return Answer(destination);
    return ResizeArea("Resize", source, area, smooth, newWidth, newHeight);
}

ScreenEffect MakeZoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double zoomX, double zoomY,
                      SDL_Surface* destination, const SDL_Rect* destinationRect, const char* operation) {
    Area area;
    if (Refused(source, destination) || !ClampRect(source, sourceRect, &area)) return Nothing();
    if (DrawnByOpenGL(source, area, destination, destinationRect, Scaling(zoomX, zoomY, smooth)))
        return Answer(destination);

    // Whole pixels, as a cast to int would give them, but judged while still a double: a huge or
    // undefined factor must be refused before it is made an integer.
    const double width = std::trunc(area.w * zoomX), height = std::trunc(area.h * zoomY);
    if (!Fits(operation, AtLeastOne(std::fabs(width)), AtLeastOne(std::fabs(height)), ResultBytesPerPixel(source)))
        return Nothing();
    return ResizeArea(operation, source, area, smooth, width == 0 ? 1 : Sint64(width),
                      height == 0 ? 1 : Sint64(height));
}

ScreenEffect MakeRotoZoom(SDL_Surface* source, const SDL_Rect* sourceRect, int smooth, double angle, double zoom,
                          SDL_Surface* destination, const SDL_Rect* destinationRect, const char* operation) {
    if (Refused(source, destination)) return Nothing();
    if (std::fabs(angle) < 0.001)
        return MakeZoom(source, sourceRect, smooth, zoom, zoom, destination, destinationRect, operation);
    Area area;
    if (!ClampRect(source, sourceRect, &area)) return Nothing();
    OpenGLTransform turn = Scaling(zoom, zoom, smooth);
    turn.rotation = -angle;
    turn.centreX = area.w / 2;
    turn.centreY = area.h / 2;
    if (DrawnByOpenGL(source, area, destination, destinationRect, turn)) return Nothing();

    if (zoom < 0.001) zoom = 0.001;
    const fx::RotatedSize size = fx::RotatedResultSize(area.w, area.h, angle, zoom);
    if (!Fits(operation, size.width, size.height, ResultBytesPerPixel(source))) return Nothing();

    WorkingSource working;
    if (!working.Make(operation, source, area, 0, 0, 0, 0)) return Nothing(); // SDL's default masks
    SDL_Surface* made = NewSurfaceLike(operation, size.width, size.height, working.surface()->format);
    if (!made) return Nothing();
    const bool eightBit = made->format->BitsPerPixel == 8;
    if (!made->format->Amask) {
        // The corners the turned rectangle leaves uncovered stay transparent.
        const Uint32 key = working.keyed() ? working.key() : (eightBit ? 255 : 0xFF00FF);
        SDL_SetColorKey(made, SDL_SRCCOLORKEY, key);
        SDL_FillRect(made, nullptr, key);
    }
    const fx::RotationSteps steps = fx::RotationStepsFor(angle, zoom);
    if (!WithPixels(operation, working.surface(), made, [&] {
            const fx::SourcePixels from = SourceView(working.surface(), working.area());
            if (eightBit)
                fx::Rotate8(from, ResultView(made), steps);
            else
                fx::RotateRGBA(from, ResultView(made), steps, smooth != 0);
            return true;
        }))
        return Nothing();
    KeepTransparency(source, made, working.keyed(), working.key());
    return Made(made, (area.w - Sint64(size.width)) / 2, (area.h - Sint64(size.height)) / 2);
}
