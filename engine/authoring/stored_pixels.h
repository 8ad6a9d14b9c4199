// An RGBA image as the engine's blocks store pixels: the pixel format record, the rows and, at 8
// bits, the palette. Images, sprite sheets and tile images are all stored this way, so the choice
// of format for each depth, the palette and the key colour are made in this one place
// (image_authoring.cpp) for every payload the authoring interface builds.
#ifndef NIMBREL_AUTHORING_STORED_PIXELS_H
#define NIMBREL_AUTHORING_STORED_PIXELS_H

#include <SDL.h>

#include <string>
#include <vector>

#include "NimbrelAuthoring.h"
#include "data/image_payload.h"

namespace NimbrelAuthoring {

struct StoredPixels {
    img::ImageFormat format;
    std::vector<Uint8> rows;     // format.height rows of img::ImagePitch bytes
    SDL_Color palette[256] = {}; // used at 8 bits
};

// The image at the options' depth, with their key colour and surface alpha (see
// BuildImagePayload for the rules and failures).
bool StorePixels(const RgbaImage& image, const ImagePayloadOptions& options, StoredPixels* stored,
                 std::string* problem);

} // namespace NimbrelAuthoring

#endif
