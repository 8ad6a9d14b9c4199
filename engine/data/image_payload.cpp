// Reading and writing the "IMG" block payload (layout in data/image_payload.h).
#include "data/image_payload.h"

#include <cstring>

#include "core/byte_order.h"

namespace img {

namespace {

const Uint32 kOffsetWidth = 0;
const Uint32 kOffsetHeight = 4;
const Uint32 kOffsetBitsPerPixel = 12;
const Uint32 kOffsetBytesPerPixel = 13;
const Uint32 kOffsetLosses = 14;
const Uint32 kOffsetShifts = 18;
const Uint32 kOffsetMasks = 24;
const Uint32 kOffsetColorKey = 40;
const Uint32 kOffsetAlpha = 44;

bool IsKnownDepth(Uint8 bitsPerPixel) {
    return bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
}

// Shift and loss of a mask, as SDL computes them.
void MaskShiftAndLoss(Uint32 mask, Uint8* shift, Uint8* loss) {
    *shift = 0;
    *loss = 8;
    if (!mask) return;
    while (!(mask & 1)) {
        mask >>= 1;
        ++*shift;
    }
    while ((mask & 1) && *loss > 0) {
        mask >>= 1;
        --*loss;
    }
}

bool Fail(const char** problem, const char* text) {
    if (problem) *problem = text;
    return false;
}

} // namespace

Uint64 ImagePitch(Uint32 width, Uint8 bitsPerPixel) {
    const Uint64 bytes = Uint64(width) * ((bitsPerPixel + 7) / 8);
    return (bytes + 3) & ~Uint64(3);
}

bool ParseImage(const Uint8* data, Uint64 size, ImageView* view, const char** problem) {
    if (!data || size < kHeaderSize) return Fail(problem, "the block is shorter than its header");

    ImageFormat format;
    format.width = ReadLittle32(data + kOffsetWidth);
    format.height = ReadLittle32(data + kOffsetHeight);
    format.bitsPerPixel = data[kOffsetBitsPerPixel];
    format.redMask = ReadLittle32(data + kOffsetMasks);
    format.greenMask = ReadLittle32(data + kOffsetMasks + 4);
    format.blueMask = ReadLittle32(data + kOffsetMasks + 8);
    format.alphaMask = ReadLittle32(data + kOffsetMasks + 12);
    format.colorKey = ReadLittle32(data + kOffsetColorKey);
    format.alpha = data[kOffsetAlpha];

    if (!IsKnownDepth(format.bitsPerPixel)) return Fail(problem, "the depth is not 8, 16, 24 or 32 bits");
    const bool paletted = format.bitsPerPixel == 8;
    if (paletted && size < Uint64(kHeaderSize) + kPaletteSize) return Fail(problem, "the block has no room for its palette");
    if (format.width == 0 || format.height == 0) return Fail(problem, "the image has no pixels");
    const Uint64 pitch = ImagePitch(format.width, format.bitsPerPixel);
    if (pitch > kMaxPitch || format.height > kMaxHeight) return Fail(problem, "the image is too large");
    if (!paletted && format.bitsPerPixel < 32) {
        const Uint32 depthBits = (Uint32(1) << format.bitsPerPixel) - 1;
        if ((format.redMask | format.greenMask | format.blueMask | format.alphaMask) & ~depthBits)
            return Fail(problem, "a colour mask does not fit the depth");
    }

    const Uint64 rowBytes = size - kHeaderSize - (paletted ? kPaletteSize : 0);
    if (pitch * format.height > rowBytes) return Fail(problem, "the pixel rows do not fit in the block");

    view->format = format;
    view->pitch = Uint32(pitch);
    view->rows = data + kHeaderSize;
    view->palette = paletted ? data + kHeaderSize + rowBytes : nullptr;
    return true;
}

std::vector<Uint8> BuildImage(const ImageFormat& format, const Uint8* rows, const SDL_Color* palette) {
    const bool paletted = format.bitsPerPixel == 8;
    const Uint64 rowBytes = ImagePitch(format.width, format.bitsPerPixel) * format.height;
    std::vector<Uint8> payload(size_t(kHeaderSize + rowBytes + (paletted ? kPaletteSize : 0)), 0);
    Uint8* header = payload.data();

    WriteLittle32(header + kOffsetWidth, format.width);
    WriteLittle32(header + kOffsetHeight, format.height);
    header[kOffsetBitsPerPixel] = format.bitsPerPixel;
    header[kOffsetBytesPerPixel] = Uint8((format.bitsPerPixel + 7) / 8);
    const Uint32 masks[4] = {format.redMask, format.greenMask, format.blueMask, format.alphaMask};
    for (int i = 0; i < 4; ++i) {
        MaskShiftAndLoss(masks[i], &header[kOffsetShifts + i], &header[kOffsetLosses + i]);
        WriteLittle32(header + kOffsetMasks + 4 * i, masks[i]);
    }
    WriteLittle32(header + kOffsetColorKey, format.colorKey);
    header[kOffsetAlpha] = format.alpha;

    if (rowBytes) std::memcpy(header + kHeaderSize, rows, size_t(rowBytes));
    if (paletted && palette) {
        Uint8* entry = header + kHeaderSize + rowBytes;
        for (int i = 0; i < 256; ++i, entry += 4) {
            entry[0] = palette[i].r;
            entry[1] = palette[i].g;
            entry[2] = palette[i].b;
        }
    }
    return payload;
}

} // namespace img
