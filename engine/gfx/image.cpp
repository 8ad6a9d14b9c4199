// IImage: images from "IMG" package blocks and from PNG data held in memory.
//
// This module owns turning a checked payload (data/image_payload.h) into a surface, the alpha
// and colour-key rules, the conversion to the display format and the conversion flag.
#include "Nimbrel.h"

#include <SDL_image.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/interface_log.h"
#include "data/image_payload.h"
#include "gfx/gl_backend.h"
#include "gfx/payload_surface.h"

struct IImage::Private {
    bool conversion = true;
};

class IImage* IImage = nullptr;

IImage::IImage() : priv(new Private) { LogInterfaceCreated("IImage"); }

IImage::~IImage() {
    delete priv;
    LogInterfaceDeleted("IImage");
}

void IImage::SetConversion(bool on) { priv->conversion = on; }

bool IImage::GetConversion() const { return priv->conversion; }

namespace {

// What every Load message names: the package file, the block and the information record.
struct LoadCall {
    const char* package;
    const char* name;
    unsigned info;
};

#define LOAD_PREFIX " . [IImage->Load('%s','%s',0x%x)] "

// Applies the stored surface alpha and colour key. True when the image draws with per-pixel alpha
// (it has an alpha channel and is otherwise opaque); such images get neither surface alpha nor a
// colour key.
bool ApplyAlphaAndKey(SDL_Surface* surface, const img::ImageFormat& format) {
    const bool alphaChannel = (surface->flags & SDL_SRCALPHA) != 0; // SDL sets it for an alpha mask
    if (alphaChannel && format.alpha == 255) return true;

    if (format.alpha == 255)
        SDL_SetAlpha(surface, 0, 255);
    else
        SDL_SetAlpha(surface, SDL_SRCALPHA, format.alpha);
    if (format.colorKey == img::kNoColorKey)
        SDL_SetColorKey(surface, 0, 0);
    else
        SDL_SetColorKey(surface, SDL_SRCCOLORKEY, format.colorKey);
    return false;
}

// The surface in the display's format, or the surface itself when the conversion fails (it still
// draws, only more slowly).
SDL_Surface* ConvertToDisplay(SDL_Surface* surface, bool alphaPerPixel, const LoadCall* call) {
    SDL_Surface* converted = alphaPerPixel ? SDL_DisplayFormatAlpha(surface) : SDL_DisplayFormat(surface);
    if (!converted) {
        if (call)
            ILogSystem.Msg(2, LOAD_PREFIX "Warning: the image could not be converted to the display format: %s\n",
                           call->package, call->name, call->info, SDL_GetError());
        return surface;
    }
    SDL_FreeSurface(surface);
    if (alphaPerPixel) {
        converted->format->alpha = 255;
        if (call)
            ILogSystem.Msg(5, LOAD_PREFIX "Info: surface with alpha per pixel loaded, it could slow down your graphics system.\n",
                           call->package, call->name, call->info);
    }
    return converted;
}

void FillInfo(ImageInfo* info, const img::ImageFormat& format, const char* name) {
    info->width = format.width;
    info->height = format.height;
    info->bitsPerPixel = format.bitsPerPixel;
    info->alpha = format.alpha;
    info->colorKey = format.colorKey;
    std::memset(info->name, 0, sizeof info->name);
    std::strncpy(info->name, name, sizeof info->name - 1);
}

} // namespace

// ---- Loading from packages ----------------------------------------------------------------------

SDL_Surface* IImage::Load(int package, const char* name, ImageInfo* info) {
    if (package <= 0) return nullptr;
    const char* packageName = ::IStuffDPF ? ::IStuffDPF->GetName(package) : nullptr;
    const LoadCall call = {packageName ? packageName : "", name ? name : "",
                           unsigned(reinterpret_cast<std::uintptr_t>(info))};

    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    const int size = ::IStuffDPF && name ? ::IStuffDPF->LoadBlock(package, "IMG", name, &block) : 0;
    if (size <= 0 || !block.data) {
        std::free(block.data);
        ILogSystem.Msg(0, LOAD_PREFIX "Error: image not found.\n", call.package, call.name, call.info);
        return nullptr;
    }

    img::ImageView view;
    const char* problem = "";
    if (!img::ParseImage(block.data, Uint64(size), &view, &problem)) {
        std::free(block.data);
        ILogSystem.Msg(0, LOAD_PREFIX "Error: the image block is damaged: %s.\n", call.package, call.name, call.info,
                       problem);
        return nullptr;
    }

    SDL_Surface* surface = SurfaceFromPixels(view);
    if (!surface) {
        std::free(block.data);
        return nullptr;
    }
    const bool alphaPerPixel = ApplyAlphaAndKey(surface, view.format);

    if (view.format.bitsPerPixel == 8) {
        ILogSystem.Msg(2, LOAD_PREFIX "Warning: 8bits surface loaded, it could be a different screen format.\n",
                       call.package, call.name, call.info);
    } else if (Nimbrel.screen && priv->conversion && DiffersFromDisplay(surface, Nimbrel.screen)) {
        surface = ConvertToDisplay(surface, alphaPerPixel, &call);
        // SDL converts the key through its colour components, which can round it to a value
        // the converted pixels do not have (16-bit red becomes 0xFF0000, the pixels 0xF80000):
        // set the value the key's pixel really became.
        if (surface->flags & SDL_SRCCOLORKEY)
            SDL_SetColorKey(surface, SDL_SRCCOLORKEY, ColorKeyInFormat(view, surface->format));
    }
    if (Nimbrel.IsOpenGL() && priv->conversion) OpenGLUploadSurface(surface);

    // A surface that draws without a colour key says so, whatever the conversion left there.
    if (!(surface->flags & SDL_SRCCOLORKEY)) surface->format->colorkey = img::kNoColorKey;
    if (info) FillInfo(info, view.format, call.name);
    std::free(block.data);
    return surface;
}

SDL_Surface* IImage::Load(const char* packageFile, const char* name, ImageInfo* info) {
    if (!::IStuffDPF) return nullptr;
    const int package = ::IStuffDPF->Open(packageFile);
    if (package <= 0) return nullptr;
    SDL_Surface* surface = Load(package, name, info);
    ::IStuffDPF->Close(package);
    return surface;
}

// ---- PNG data -----------------------------------------------------------------------------------

SDL_Surface* IImage::LoadFromPNG(const void* bytes, int length) {
    if (!bytes || length <= 0) {
        SDL_SetError("no PNG data was given");
        return nullptr;
    }
    SDL_RWops* stream = SDL_RWFromConstMem(bytes, length);
    if (!stream) return nullptr;
    SDL_Surface* surface = IMG_LoadPNG_RW(stream);
    SDL_RWclose(stream);
    if (!surface) return nullptr;

    if (Nimbrel.screen && priv->conversion && DiffersFromDisplay(surface, Nimbrel.screen)) {
        const bool alphaPerPixel = surface->format->Amask != 0;
        if (!alphaPerPixel) {
            SDL_SetAlpha(surface, 0, 0);
            SDL_SetColorKey(surface, 0, 0);
        }
        surface = ConvertToDisplay(surface, alphaPerPixel, nullptr);
    }
    if (Nimbrel.IsOpenGL() && priv->conversion) OpenGLUploadSurface(surface);

    // PNG images come without a colour key, also when the file marks a transparent colour.
    SDL_SetColorKey(surface, 0, 0);
    surface->format->colorkey = img::kNoColorKey;
    return surface;
}
