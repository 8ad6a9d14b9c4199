// Making "IMG" payloads from PNG files and PNG files from loaded images (NimbrelAuthoring.h).
//
// This module owns the choice of stored pixel format for each depth, the 8-bit palette built from
// an image's colours, and the colour key given as an RGB colour. PNG decoding and encoding go
// through libpng.
#include "NimbrelAuthoring.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

#include "authoring/failures.h"
#include "authoring/stored_pixels.h"
#include "data/image_payload.h"

namespace NimbrelAuthoring {

using namespace img; // the payload layout (data/image_payload.h)

namespace {

// Decoded images larger than this are refused before their pixels are allocated.
const Uint64 kMaxDecodedBytes = Uint64(1) << 30;

Uint32 PackRgb(Uint8 r, Uint8 g, Uint8 b, Uint8 a, int depth, bool alphaChannel) {
    switch (depth) {
    case 16: return Uint32(r >> 3) << 11 | Uint32(g >> 2) << 5 | Uint32(b >> 3);
    case 24: return Uint32(r) << 16 | Uint32(g) << 8 | b;
    default: return (alphaChannel ? Uint32(a) << 24 : 0) | Uint32(r) << 16 | Uint32(g) << 8 | b;
    }
}

void StoreLittleEndian(Uint8* at, Uint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = Uint8(value >> (8 * i));
}

Uint32 RgbKey(const Uint8* pixel) { return Uint32(pixel[0]) << 16 | Uint32(pixel[1]) << 8 | pixel[2]; }

// Palette indices for an 8-bit image: one entry per distinct colour, in order of appearance.
bool BuildPalette(const RgbaImage& image, std::vector<Uint8>* indices, SDL_Color palette[256], std::string* problem) {
    std::map<Uint32, int> entries;
    const size_t count = size_t(image.width) * image.height;
    indices->resize(count);
    for (size_t i = 0; i < count; ++i) {
        const Uint8* pixel = &image.pixels[4 * i];
        auto found = entries.find(RgbKey(pixel));
        if (found == entries.end()) {
            if (entries.size() == 256)
                return Fail(problem, "has more than 256 colours; an 8-bit image holds at most 256 (use --depth 16, 24 or 32)");
            const int index = int(entries.size());
            palette[index] = {pixel[0], pixel[1], pixel[2], 0};
            found = entries.emplace(RgbKey(pixel), index).first;
        }
        (*indices)[i] = Uint8(found->second);
    }
    return true;
}

// The stored masks of each depth. 32-bit images with transparency keep it as an alpha channel.
void MasksForDepth(int depth, bool alphaChannel, Uint32* red, Uint32* green, Uint32* blue, Uint32* alpha) {
    *alpha = 0;
    switch (depth) {
    case 8: *red = *green = *blue = 0; break;
    case 16:
        *red = 0xF800;
        *green = 0x07E0;
        *blue = 0x001F;
        break;
    default:
        *red = 0x00FF0000;
        *green = 0x0000FF00;
        *blue = 0x000000FF;
        if (depth == 32 && alphaChannel) *alpha = 0xFF000000;
        break;
    }
}

} // namespace


// ---- PNG ----------------------------------------------------------------------------------------

namespace {

// A PNG read from memory, and the text of the error that ended the read.
struct PngSource {
    const Uint8* bytes;
    size_t length;
    size_t offset;
    char message[200];
};

void ReadPngBytes(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->length - source->offset) png_error(png, "the data ends too soon");
    std::memcpy(out, source->bytes + source->offset, count);
    source->offset += count;
}

void StopAtPngError(png_structp png, png_const_charp text) {
    PngSource* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", text ? text : "");
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

enum class PngRead { kDone, kUnreadable, kTooLarge, kDamaged };

// Every depth and colour type becomes 8-bit RGBA. Sixteen-bit samples are scaled with rounding
// (truncating them would put most values one level low), and a file without gamma information
// is taken to be sRGB like an 8-bit one; a file whose gamma differs is converted to sRGB.
//
// libpng ends a failed read with a long jump back into this function, so nothing here may need a
// destructor: the pixels and row pointers belong to the caller.
PngRead ReadPng(png_structp png, png_infop info, RgbaImage* image, std::vector<png_bytep>* rows) {
    volatile bool readingPixels = false;
    if (setjmp(png_jmpbuf(png))) return readingPixels ? PngRead::kDamaged : PngRead::kUnreadable;
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    if (Uint64(width) * height * 4 > kMaxDecodedBytes) return PngRead::kTooLarge;
    const int colourType = png_get_color_type(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    png_set_alpha_mode(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_set_expand(png); // palette to RGB, small grey depths to 8 bits, transparency to alpha
    png_set_scale_16(png);
    png_set_gray_to_rgb(png);
    image->transparent = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
    if (!image->transparent) png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unexpected row layout");

    image->width = width;
    image->height = height;
    image->pixels.assign(size_t(width) * height * 4, 0);
    rows->resize(height);
    for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = &image->pixels[size_t(y) * width * 4];
    readingPixels = true;
    png_read_image(png, rows->data());
    return PngRead::kDone;
}

} // namespace

bool DecodePNG(const void* bytes, size_t length, RgbaImage* image, std::string* problem) {
    PngSource source = {static_cast<const Uint8*>(bytes), bytes ? length : 0, 0, {0}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, StopAtPngError, IgnorePngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return Fail(problem, "not a readable PNG: out of memory");
    }
    png_set_read_fn(png, &source, ReadPngBytes);
    std::vector<png_bytep> rows;
    PngRead result = PngRead::kUnreadable;
    try {
        result = ReadPng(png, info, image, &rows);
    } catch (const std::bad_alloc&) {
        std::snprintf(source.message, sizeof source.message, "out of memory");
    }
    png_destroy_read_struct(&png, &info, nullptr);
    switch (result) {
    case PngRead::kDone: return true;
    case PngRead::kTooLarge: return Fail(problem, "the image is too large");
    case PngRead::kDamaged: return Fail(problem, std::string("the PNG data is damaged: ") + source.message);
    default: return Fail(problem, std::string("not a readable PNG: ") + source.message);
    }
}

bool EncodePNG(const RgbaImage& image, bool withAlpha, std::vector<Uint8>* png, std::string* problem) {
    std::vector<Uint8> rgb;
    const Uint8* pixels = image.pixels.data();
    if (!withAlpha) {
        const size_t count = size_t(image.width) * image.height;
        rgb.resize(count * 3);
        for (size_t i = 0; i < count; ++i) std::memcpy(&rgb[3 * i], &image.pixels[4 * i], 3);
        pixels = rgb.data();
    }
    png_image header;
    std::memset(&header, 0, sizeof header);
    header.version = PNG_IMAGE_VERSION;
    header.width = image.width;
    header.height = image.height;
    header.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;

    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&header, nullptr, &size, 0, pixels, 0, nullptr))
        return Fail(problem, std::string("cannot encode the PNG: ") + header.message);
    png->resize(size);
    if (!png_image_write_to_memory(&header, png->data(), &size, 0, pixels, 0, nullptr))
        return Fail(problem, std::string("cannot encode the PNG: ") + header.message);
    png->resize(size);
    return true;
}

// ---- Payloads -----------------------------------------------------------------------------------

bool StorePixels(const RgbaImage& image, const ImagePayloadOptions& options, StoredPixels* stored,
                 std::string* problem) {
    const int depth = options.depth == 0 ? 32 : options.depth;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return Fail(problem, "the depth must be 8, 16, 24 or 32");
    if (image.width == 0 || image.height == 0) return Fail(problem, "the image has no pixels");
    const Uint64 pitch = ImagePitch(image.width, Uint8(depth));
    if (pitch > kMaxPitch || image.height > kMaxHeight) return Fail(problem, "the image is too large for an image block");

    ImageFormat& format = stored->format;
    format = ImageFormat();
    format.width = image.width;
    format.height = image.height;
    format.bitsPerPixel = Uint8(depth);
    format.alpha = options.alpha;
    const bool alphaChannel = depth == 32 && image.transparent;
    MasksForDepth(depth, alphaChannel, &format.redMask, &format.greenMask, &format.blueMask, &format.alphaMask);

    std::vector<Uint8>& rows = stored->rows;
    rows.assign(size_t(pitch * image.height), 0);
    SDL_Color* palette = stored->palette;
    const SDL_Color& key = options.keyColour;
    if (depth == 8) {
        std::vector<Uint8> indices;
        if (!BuildPalette(image, &indices, palette, problem)) return false;
        for (Uint32 y = 0; y < image.height; ++y)
            std::memcpy(&rows[size_t(y * pitch)], &indices[size_t(y) * image.width], image.width);
        if (options.hasKey) {
            int keyIndex = -1;
            for (int i = 0; i < 256 && keyIndex < 0; ++i)
                if (palette[i].r == key.r && palette[i].g == key.g && palette[i].b == key.b) keyIndex = i;
            if (keyIndex < 0) return Fail(problem, "the key colour does not occur in the image, so an 8-bit image cannot key it");
            format.colorKey = Uint32(keyIndex);
        }
    } else {
        const int bytesPerPixel = depth / 8;
        for (Uint32 y = 0; y < image.height; ++y) {
            for (Uint32 x = 0; x < image.width; ++x) {
                const Uint8* p = &image.pixels[4 * (size_t(y) * image.width + x)];
                StoreLittleEndian(&rows[size_t(y * pitch) + size_t(x) * bytesPerPixel],
                                  PackRgb(p[0], p[1], p[2], p[3], depth, alphaChannel), bytesPerPixel);
            }
        }
        if (options.hasKey) format.colorKey = PackRgb(key.r, key.g, key.b, 255, depth, alphaChannel);
    }
    return true;
}

bool BuildImagePayload(const RgbaImage& image, const ImagePayloadOptions& options, std::vector<Uint8>* payload,
                       std::string* problem) {
    return WithoutExceptions(problem, [&]() {
        StoredPixels stored;
        if (!StorePixels(image, options, &stored, problem)) return false;
        *payload = BuildImage(stored.format, stored.rows.data(), stored.palette);
        return true;
    });
}

bool SurfaceToRgba(SDL_Surface* surface, RgbaImage* image) {
    if (!surface || !surface->pixels) return false;
    const SDL_PixelFormat* format = surface->format;
    const int bytesPerPixel = format->BytesPerPixel;
    if (bytesPerPixel < 1 || bytesPerPixel > 4) return false;
    const bool keyed = (surface->flags & SDL_SRCCOLORKEY) != 0;

    image->width = Uint32(surface->w);
    image->height = Uint32(surface->h);
    image->transparent = keyed || format->Amask != 0;
    image->pixels.assign(size_t(surface->w) * surface->h * 4, 0);
    for (int y = 0; y < surface->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + y * surface->pitch;
        for (int x = 0; x < surface->w; ++x) {
            Uint32 value = 0;
            for (int i = 0; i < bytesPerPixel; ++i) value |= Uint32(row[x * bytesPerPixel + i]) << (8 * i);
            Uint8* out = &image->pixels[4 * (size_t(y) * surface->w + x)];
            SDL_GetRGBA(value, surface->format, &out[0], &out[1], &out[2], &out[3]);
            if (keyed && value == format->colorkey) out[3] = 0;
        }
    }
    return true;
}

} // namespace NimbrelAuthoring
