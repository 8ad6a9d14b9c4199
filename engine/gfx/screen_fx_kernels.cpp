// The screen effects' pixel kernels (see screen_fx_kernels.h).
//
// Speed comes from keeping the inner loops plain: positions are integers advanced by a constant
// step, every per-row decision (mirroring, which source rows, where a rotated row enters and
// leaves the source) is taken before the row starts, and the smoothed zoom blends each source row
// horizontally once and keeps it for every result row that needs it, so the per-pixel vertical
// blend is a straight loop over bytes the compiler vectorises.
#include "gfx/screen_fx_kernels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fx {

namespace {

// SDL 1.2 keeps a surface's pitch in 16 bits.
const Uint64 kMaxPitch = 0xFFFF;

inline Uint32 LoadPixel(const Uint8* at) {
    Uint32 value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// ---- Blending ------------------------------------------------------------------------------------
// A pixel's four channels spread over the four 16-bit lanes of a 64-bit value, so that one multiply
// weighs all of them: 8-bit channel times a weight of at most 256 stays inside its lane.

inline Uint64 Spread(Uint32 pixel) { return (pixel & 0x00FF00FFu) | (Uint64(pixel & 0xFF00FF00u) << 24); }

inline Uint32 Pack(Uint64 lanes) { return Uint32(lanes & 0x00FF00FFu) | Uint32((lanes >> 24) & 0xFF00FF00u); }

// Each lane a + (b - a) x weight / 256, rounded down; weight 0..255.
inline Uint64 Mix(Uint64 a, Uint64 b, Uint32 weight) {
    return ((a * (256 - weight) + b * weight) >> 8) & 0x00FF00FF00FF00FFull;
}

// The weight of the next pixel for a 16.16 position: the top 8 bits of its fraction.
inline Uint32 WeightOf(Sint64 position) { return Uint32(position >> 8) & 0xFF; }

// ---- Nearest-pixel zoom --------------------------------------------------------------------------

// One result row: the pixel at each position, positions 16.16 from 0 by `step`. Mirrored rows read
// backwards from the row's last pixel. Positions stay below width x 65536, so 32 bits hold them.
template <typename Pixel, bool kMirrored>
void NearestRow(const Pixel* row, int sourceWidth, Pixel* out, int width, Uint32 step) {
    const Pixel* from = kMirrored ? row + (sourceWidth - 1) : row;
    Uint32 position = 0;
    for (int x = 0; x < width; ++x, position += step) {
        const int offset = int(position >> 16);
        out[x] = kMirrored ? from[-offset] : from[offset];
    }
}

// The source row a result row takes, positions advancing by `step` from the top (or the bottom).
inline const Uint8* SourceRowAt(const SourcePixels& source, Uint64 position, bool flipY) {
    const int row = int(position >> 16);
    return source.pixels + Sint64(flipY ? source.height - 1 - row : row) * source.pitch;
}

Uint32 NearestStep(int sourceSize, int resultSize) { return Uint32(65536.0 * sourceSize / resultSize); }

template <typename Pixel>
void ZoomNearest(const SourcePixels& source, const ResultPixels& result, bool flipX, bool flipY) {
    const Uint32 stepX = NearestStep(source.width, result.width);
    const Uint32 stepY = NearestStep(source.height, result.height);
    Uint64 positionY = 0;
    for (int y = 0; y < result.height; ++y, positionY += stepY) {
        const Pixel* row = reinterpret_cast<const Pixel*>(SourceRowAt(source, positionY, flipY));
        Pixel* out = reinterpret_cast<Pixel*>(result.pixels + Sint64(y) * result.pitch);
        if (flipX)
            NearestRow<Pixel, true>(row, source.width, out, result.width, stepX);
        else
            NearestRow<Pixel, false>(row, source.width, out, result.width, stepX);
    }
}

// ---- Smoothed zoom -------------------------------------------------------------------------------

// Where one result column (or row) samples the source: the pixel at its position, the neighbour it
// blends towards (the pixel itself at the source's last column), and the neighbour's weight.
struct Tap {
    Sint32 near, far;
    Uint32 weight;
};

// Taps for `count` result pixels over `size` source pixels, positions advancing by `step`.
void FillTaps(Tap* taps, int count, int size, Uint32 step, bool mirrored) {
    Uint64 position = 0;
    for (int i = 0; i < count; ++i, position += step) {
        const int at = int(position >> 16);
        const int next = at < size - 1 ? at + 1 : at;
        taps[i].near = mirrored ? size - 1 - at : at;
        taps[i].far = mirrored ? size - 1 - next : next;
        taps[i].weight = WeightOf(Sint64(position));
    }
}

Uint32 SmoothStep(int sourceSize, int resultSize) { return Uint32(65536.0 * (sourceSize - 1) / resultSize); }

// Heap memory for the smoothed zoom, released with it; empty when it cannot be had.
class Scratch {
public:
    explicit Scratch(size_t bytes) : memory_(std::malloc(bytes)) {}
    ~Scratch() { std::free(memory_); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    Uint8* bytes() const { return static_cast<Uint8*>(memory_); }

private:
    void* memory_;
};

// The source rows blended horizontally, two at a time: the two a result row needs, kept for the
// next result rows, which mostly need one or both again.
class BlendedRows {
public:
    BlendedRows(const SourcePixels& source, const Tap* columns, int width, Uint32* first, Uint32* second)
        : source_(source), columns_(columns), width_(width), rows_{first, second} {}

    // The blended row `row` of the source, never evicting the slot `keep` (-1: none).
    const Uint32* Get(int row, int keep, int* slot) {
        for (int i = 0; i < 2; ++i) {
            if (held_[i] == row) {
                *slot = i;
                return rows_[i];
            }
        }
        const int fill = keep == 0 ? 1 : 0;
        const Uint8* pixels = source_.pixels + Sint64(row) * source_.pitch;
        Uint32* out = rows_[fill];
        for (int x = 0; x < width_; ++x) {
            const Tap& tap = columns_[x];
            const Uint64 near = Spread(LoadPixel(pixels + 4 * tap.near));
            out[x] = Pack(Mix(near, Spread(LoadPixel(pixels + 4 * tap.far)), tap.weight));
        }
        held_[fill] = row;
        *slot = fill;
        return out;
    }

private:
    const SourcePixels& source_;
    const Tap* columns_;
    int width_;
    Uint32* rows_[2];
    int held_[2] = {-1, -1};
};

// out = top + (bottom - top) x weight / 256 for each byte: the vertical blend of two rows. In
// blocks of a fixed length, which the compiler turns into vector code even at -O2; products stay
// within 16 bits, so eight bytes go through each vector multiply.
void BlendBytes(const Uint8* __restrict top, const Uint8* __restrict bottom, Uint8* __restrict out, int count,
                Uint32 weight) {
    const Uint32 keep = 256 - weight;
    const int kBlock = 32;
    int i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (int k = 0; k < kBlock; ++k) out[i + k] = Uint8((top[i + k] * keep + bottom[i + k] * weight) >> 8);
    for (; i < count; ++i) out[i] = Uint8((top[i] * keep + bottom[i] * weight) >> 8);
}

bool ZoomSmooth(const SourcePixels& source, const ResultPixels& result, bool flipX, bool flipY) {
    const size_t columnBytes = sizeof(Tap) * size_t(result.width);
    const size_t rowBytes = sizeof(Uint32) * size_t(result.width);
    Scratch scratch(columnBytes + sizeof(Tap) * size_t(result.height) + 2 * rowBytes);
    if (!scratch.bytes()) return false;
    Tap* columns = reinterpret_cast<Tap*>(scratch.bytes());
    Tap* rows = reinterpret_cast<Tap*>(scratch.bytes() + columnBytes);
    Uint32* first = reinterpret_cast<Uint32*>(scratch.bytes() + columnBytes + sizeof(Tap) * size_t(result.height));
    FillTaps(columns, result.width, source.width, SmoothStep(source.width, result.width), flipX);
    FillTaps(rows, result.height, source.height, SmoothStep(source.height, result.height), flipY);

    BlendedRows blended(source, columns, result.width, first, first + result.width);
    for (int y = 0; y < result.height; ++y) {
        Uint8* out = result.pixels + Sint64(y) * result.pitch;
        int nearSlot = -1, farSlot = -1;
        const Uint32* top = blended.Get(rows[y].near, -1, &nearSlot);
        if (rows[y].weight == 0 || rows[y].far == rows[y].near) {
            std::memcpy(out, top, rowBytes);
            continue;
        }
        const Uint32* bottom = blended.Get(rows[y].far, nearSlot, &farSlot);
        BlendBytes(reinterpret_cast<const Uint8*>(top), reinterpret_cast<const Uint8*>(bottom), out,
                   4 * result.width, rows[y].weight);
    }
    return true;
}

// ---- Rotation ------------------------------------------------------------------------------------

Sint64 FloorDivide(Sint64 numerator, Sint64 denominator) { // denominator > 0
    return numerator >= 0 ? numerator / denominator : -((-numerator + denominator - 1) / denominator);
}

// Narrows [*first, *last] to the x for which start + x * step lies in [0, size x 65536 - 1], that
// is whose position's whole part is a source column (or row) of a source `size` pixels long.
void KeepInside(Sint64 start, Sint64 step, int size, Sint64* first, Sint64* last) {
    const Sint64 limit = Sint64(size) * 65536 - 1;
    if (step == 0) {
        if (start < 0 || start > limit) *last = *first - 1;
        return;
    }
    Sint64 low, high;
    if (step > 0) {
        low = -FloorDivide(start, step);                 // ceil(-start / step)
        high = FloorDivide(limit - start, step);
    } else {
        low = -FloorDivide(limit - start, -step);        // ceil((start - limit) / -step)
        high = FloorDivide(start, -step);
    }
    if (low > *first) *first = low;
    if (high < *last) *last = high;
}

// One result row of a rotation: the source position of its first pixel and the columns that land
// inside the source.
struct RotatedRow {
    Sint64 x, y;       // 16.16 source position of result column `first`
    int first, last;   // result columns, both included; first > last when none
};

class Rotation {
public:
    Rotation(const SourcePixels& source, const ResultPixels& result, RotationSteps steps)
        : source_(source), result_(result), sine_(steps.sine), cosine_(steps.cosine) {
        // Turning about the centres: result pixel (cx, cy) maps onto the source's centre.
        const Sint64 cx = result.width / 2, cy = result.height / 2;
        originX_ = cx * 65536 - cosine_ * cx + Sint64(source.width - result.width) * 32768;
        originY_ = cy * 65536 - sine_ * cx + Sint64(source.height - result.height) * 32768;
        centreY_ = cy;
    }

    RotatedRow Row(int y) const {
        const Sint64 dy = centreY_ - y;
        const Sint64 startX = originX_ + sine_ * dy, startY = originY_ - cosine_ * dy;
        Sint64 first = 0, last = result_.width - 1;
        KeepInside(startX, cosine_, source_.width, &first, &last);
        KeepInside(startY, sine_, source_.height, &first, &last);
        RotatedRow row = {0, 0, 0, -1};
        if (first > last) return row;
        row.first = int(first);
        row.last = int(last);
        row.x = startX + cosine_ * first;
        row.y = startY + sine_ * first;
        return row;
    }

    Sint64 sine() const { return sine_; }
    Sint64 cosine() const { return cosine_; }

private:
    const SourcePixels& source_;
    const ResultPixels& result_;
    Sint64 sine_, cosine_;
    Sint64 originX_, originY_, centreY_;
};

template <typename Pixel>
void RotateNearest(const SourcePixels& source, const ResultPixels& result, RotationSteps steps) {
    const Rotation rotation(source, result, steps);
    for (int y = 0; y < result.height; ++y) {
        const RotatedRow row = rotation.Row(y);
        Pixel* out = reinterpret_cast<Pixel*>(result.pixels + Sint64(y) * result.pitch);
        Sint64 sx = row.x, sy = row.y;
        for (int x = row.first; x <= row.last; ++x, sx += rotation.cosine(), sy += rotation.sine()) {
            const Uint8* at = source.pixels + (sy >> 16) * source.pitch + (sx >> 16) * Sint64(sizeof(Pixel));
            Pixel value;
            std::memcpy(&value, at, sizeof value);
            out[x] = value;
        }
    }
}

void RotateSmooth(const SourcePixels& source, const ResultPixels& result, RotationSteps steps) {
    const Rotation rotation(source, result, steps);
    const Sint64 lastColumn = source.width - 1, lastRow = source.height - 1;
    for (int y = 0; y < result.height; ++y) {
        const RotatedRow row = rotation.Row(y);
        Uint32* out = reinterpret_cast<Uint32*>(result.pixels + Sint64(y) * result.pitch);
        Sint64 sx = row.x, sy = row.y;
        for (int x = row.first; x <= row.last; ++x, sx += rotation.cosine(), sy += rotation.sine()) {
            const Sint64 column = sx >> 16, line = sy >> 16;
            const Uint8* at = source.pixels + line * source.pitch + column * 4;
            const Sint64 right = column < lastColumn ? 4 : 0;
            const Sint64 down = line < lastRow ? source.pitch : 0;
            const Uint32 across = WeightOf(sx);
            const Uint64 top = Mix(Spread(LoadPixel(at)), Spread(LoadPixel(at + right)), across);
            const Uint64 bottom = Mix(Spread(LoadPixel(at + down)), Spread(LoadPixel(at + down + right)), across);
            out[x] = Pack(Mix(top, bottom, WeightOf(sy)));
        }
    }
}

} // namespace

// ---- Limits --------------------------------------------------------------------------------------

bool ResultFits(double width, double height, int bytesPerPixel) {
    // Written so that a comparison with a value that is not a number fails.
    if (!(width >= 1 && width <= kMaxSide && height >= 1 && height <= kMaxSide)) return false;
    const Uint64 pitch = (Uint64(width) * Uint64(bytesPerPixel) + 3) & ~Uint64(3);
    return pitch <= kMaxPitch && pitch * Uint64(height) <= kMaxBytes;
}

// ---- Mirroring -----------------------------------------------------------------------------------

namespace {

template <typename Pixel>
void MirrorPixels(const SourcePixels& source, const ResultPixels& result) {
    for (int y = 0; y < source.height; ++y) {
        const Pixel* row = reinterpret_cast<const Pixel*>(source.pixels + Sint64(y) * source.pitch);
        Pixel* out = reinterpret_cast<Pixel*>(result.pixels + Sint64(y) * result.pitch);
        for (int x = 0, w = source.width; x < w; ++x) out[w - 1 - x] = row[x];
    }
}

// Three bytes a pixel: no type holds one, so the bytes move one by one.
void MirrorTriples(const SourcePixels& source, const ResultPixels& result) {
    for (int y = 0; y < source.height; ++y) {
        const Uint8* row = source.pixels + Sint64(y) * source.pitch;
        Uint8* out = result.pixels + Sint64(y) * result.pitch + 3 * (source.width - 1);
        for (int x = 0; x < source.width; ++x, row += 3, out -= 3) {
            out[0] = row[0];
            out[1] = row[1];
            out[2] = row[2];
        }
    }
}

} // namespace

void MirrorRows(const SourcePixels& source, const ResultPixels& result, int bytesPerPixel) {
    switch (bytesPerPixel) {
    case 1: MirrorPixels<Uint8>(source, result); break;
    case 2: MirrorPixels<Uint16>(source, result); break;
    case 3: MirrorTriples(source, result); break;
    case 4: MirrorPixels<Uint32>(source, result); break;
    default: break;
    }
}

// ---- Zoom ----------------------------------------------------------------------------------------

bool ZoomRGBA(const SourcePixels& source, const ResultPixels& result, bool smooth, bool flipX, bool flipY) {
    if (smooth) return ZoomSmooth(source, result, flipX, flipY);
    ZoomNearest<Uint32>(source, result, flipX, flipY);
    return true;
}

void Zoom8(const SourcePixels& source, const ResultPixels& result, bool flipX, bool flipY) {
    ZoomNearest<Uint8>(source, result, flipX, flipY);
}

// ---- Rotation ------------------------------------------------------------------------------------

RotatedSize RotatedResultSize(int width, int height, double angleDegrees, double zoom) {
    const double radians = angleDegrees * kRadiansPerDegree;
    const double s = zoom * std::sin(radians), c = zoom * std::cos(radians);
    const double w = width, h = height;
    RotatedSize size;
    size.width = std::ceil(std::fmax(std::fabs(w * c - h * s), std::fabs(w * c + h * s)));
    size.height = std::ceil(std::fmax(std::fabs(h * c - w * s), std::fabs(h * c + w * s)));
    // fmax would pass over a value that is not a number; such a size must stay one.
    if (std::isnan(s) || std::isnan(c)) size.width = size.height = NAN;
    if (size.width < 1) size.width = 1;
    if (size.height < 1) size.height = 1;
    return size;
}

RotationSteps RotationStepsFor(double angleDegrees, double zoom) {
    const double radians = angleDegrees * kRadiansPerDegree;
    RotationSteps steps;
    steps.sine = Sint32(std::sin(radians) * 65536.0 / zoom);
    steps.cosine = Sint32(std::cos(radians) * 65536.0 / zoom);
    return steps;
}

void RotateRGBA(const SourcePixels& source, const ResultPixels& result, RotationSteps steps, bool smooth) {
    if (smooth)
        RotateSmooth(source, result, steps);
    else
        RotateNearest<Uint32>(source, result, steps);
}

void Rotate8(const SourcePixels& source, const ResultPixels& result, RotationSteps steps) {
    RotateNearest<Uint8>(source, result, steps);
}

} // namespace fx
