// Reading and writing the "IMG" block payload (layout in data/image_payload.h).
#include "data/image_payload.h"

#include <cstring>

#include "core/byte_order.h"

namespace img {

namespace {

const Uint32 kOffsetWidth = 0;
const Uint32 kOffsetHeight = 4;
const Uint32 kOffsetFormat = 8;

// Within the pixel format record.
const Uint32 kRecordBitsPerPixel = 4;
const Uint32 kRecordBytesPerPixel = 5;
const Uint32 kRecordLosses = 6;
const Uint32 kRecordShifts = 10;
const Uint32 kRecordMasks = 16;
const Uint32 kRecordColorKey = 32;
const Uint32 kRecordAlpha = 36;

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

void ReadFormatRecord(const Uint8* record, ImageFormat* format) {
    format->bitsPerPixel = record[kRecordBitsPerPixel];
    format->redMask = ReadLittle32(record + kRecordMasks);
    format->greenMask = ReadLittle32(record + kRecordMasks + 4);
    format->blueMask = ReadLittle32(record + kRecordMasks + 8);
    format->alphaMask = ReadLittle32(record + kRecordMasks + 12);
    format->colorKey = ReadLittle32(record + kRecordColorKey);
    format->alpha = record[kRecordAlpha];
}

void WriteFormatRecord(const ImageFormat& format, Uint8* record) {
    std::memset(record, 0, kFormatRecordSize);
    record[kRecordBitsPerPixel] = format.bitsPerPixel;
    record[kRecordBytesPerPixel] = Uint8((format.bitsPerPixel + 7) / 8);
    const Uint32 masks[4] = {format.redMask, format.greenMask, format.blueMask, format.alphaMask};
    for (int i = 0; i < 4; ++i) {
        MaskShiftAndLoss(masks[i], &record[kRecordShifts + i], &record[kRecordLosses + i]);
        WriteLittle32(record + kRecordMasks + 4 * i, masks[i]);
    }
    WriteLittle32(record + kRecordColorKey, format.colorKey);
    record[kRecordAlpha] = format.alpha;
}

bool CheckFormat(const ImageFormat& format, Uint64* pitch, const char** problem) {
    if (!IsKnownDepth(format.bitsPerPixel)) return Fail(problem, "the depth is not 8, 16, 24 or 32 bits");
    if (format.width == 0 || format.height == 0) return Fail(problem, "the image has no pixels");
    *pitch = ImagePitch(format.width, format.bitsPerPixel);
    if (*pitch > kMaxPitch || format.height > kMaxHeight) return Fail(problem, "the image is too large");
    if (format.bitsPerPixel != 8 && format.bitsPerPixel < 32) {
        const Uint32 depthBits = (Uint32(1) << format.bitsPerPixel) - 1;
        if ((format.redMask | format.greenMask | format.blueMask | format.alphaMask) & ~depthBits)
            return Fail(problem, "a colour mask does not fit the depth");
    }
    return true;
}

bool ParsePixels(const ImageFormat& format, const Uint8* data, Uint64 available, ImageView* view,
                 const char** problem) {
    Uint64 pitch = 0;
    if (!CheckFormat(format, &pitch, problem)) return false;
    const bool paletted = format.bitsPerPixel == 8;
    if (paletted && available < kPaletteSize) return Fail(problem, "the block has no room for its palette");
    const Uint64 rowBytes = available - (paletted ? kPaletteSize : 0);
    if (pitch * format.height > rowBytes) return Fail(problem, "the pixel rows do not fit in the block");

    view->format = format;
    view->pitch = Uint32(pitch);
    view->rows = data;
    view->palette = paletted ? data + rowBytes : nullptr;
    return true;
}

bool CheckPaletteKey(const ImageFormat& format, const char** problem) {
    if (format.bitsPerPixel == 8 && format.colorKey != kNoColorKey && format.colorKey > 255)
        return Fail(problem, "the colour key is not a palette entry");
    return true;
}

Uint64 PixelBytes(const ImageFormat& format) {
    return ImagePitch(format.width, format.bitsPerPixel) * format.height + (format.bitsPerPixel == 8 ? kPaletteSize : 0);
}

void WritePixels(const ImageFormat& format, const Uint8* rows, const SDL_Color* palette, Uint8* out) {
    const Uint64 rowBytes = ImagePitch(format.width, format.bitsPerPixel) * format.height;
    if (rowBytes && rows) std::memcpy(out, rows, size_t(rowBytes));
    if (format.bitsPerPixel == 8) {
        Uint8* entry = out + rowBytes;
        std::memset(entry, 0, kPaletteSize);
        for (int i = 0; palette && i < 256; ++i, entry += 4) {
            entry[0] = palette[i].r;
            entry[1] = palette[i].g;
            entry[2] = palette[i].b;
        }
    }
}

bool ParseImage(const Uint8* data, Uint64 size, ImageView* view, const char** problem) {
    if (!data || size < kHeaderSize) return Fail(problem, "the block is shorter than its header");
    ImageFormat format;
    format.width = ReadLittle32(data + kOffsetWidth);
    format.height = ReadLittle32(data + kOffsetHeight);
    ReadFormatRecord(data + kOffsetFormat, &format);
    return ParsePixels(format, data + kHeaderSize, size - kHeaderSize, view, problem);
}

std::vector<Uint8> BuildImage(const ImageFormat& format, const Uint8* rows, const SDL_Color* palette) {
    std::vector<Uint8> payload(size_t(kHeaderSize + PixelBytes(format)), 0);
    WriteLittle32(payload.data() + kOffsetWidth, format.width);
    WriteLittle32(payload.data() + kOffsetHeight, format.height);
    WriteFormatRecord(format, payload.data() + kOffsetFormat);
    WritePixels(format, rows, palette, payload.data() + kHeaderSize);
    return payload;
}

} // namespace img
