// Making "IMG" payloads from PNG files and PNG files from loaded images: what the authoring tools
// (dpf add-image, extract-image, the skin build) use. PNG decoding and encoding go through libpng.
//
// This module owns the choice of stored pixel format for each depth, the 8-bit palette built from
// an image's colours, and the colour key given as an RGB colour.
#ifndef NIMBREL_DATA_IMAGE_AUTHORING_H
#define NIMBREL_DATA_IMAGE_AUTHORING_H

#include <SDL.h>

#include <string>
#include <vector>

namespace img {

// 8-bit red, green, blue, alpha per pixel, rows without padding.
struct RgbaImage {
    Uint32 width = 0;
    Uint32 height = 0;
    std::vector<Uint8> pixels;
    bool transparent = false;  // the source has an alpha channel or a transparent colour
};

struct PayloadOptions {
    int depth = 0;             // 8, 16, 24 or 32; 0 chooses 32
    bool hasKey = false;       // keyColour is the transparent colour
    SDL_Color keyColour = {0, 0, 0, 0};
    Uint8 alpha = 255;         // surface alpha
};

// The stored masks of each depth. 32-bit images with transparency keep it as an alpha channel.
void MasksForDepth(int depth, bool alphaChannel, Uint32* red, Uint32* green, Uint32* blue, Uint32* alpha);

bool DecodePNG(const void* bytes, size_t length, RgbaImage* image, std::string* problem);
// Encodes as RGBA when withAlpha, else RGB.
bool EncodePNG(const RgbaImage& image, bool withAlpha, std::vector<Uint8>* png, std::string* problem);

// The "IMG" payload of an image at the options' depth. Fails for an 8-bit image of more than 256
// colours, for a key colour an 8-bit image does not contain, and for images too large to store.
bool BuildPayload(const RgbaImage& image, const PayloadOptions& options, std::vector<Uint8>* payload,
                  std::string* problem);

// A surface of any format back to RGBA. Pixels equal to an active colour key become transparent.
bool SurfaceToRgba(SDL_Surface* surface, RgbaImage* image);

} // namespace img

#endif
