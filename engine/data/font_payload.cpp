// The font payloads and the mark row (layout in data/font_payload.h).
#include "data/font_payload.h"

#include <cstring>

#include "core/byte_order.h"

namespace font {

namespace {

const Uint32 kOffsetWidth = 0;
const Uint32 kOffsetHeight = 4;
const Uint32 kOffsetFormat = 8;

bool Fail(const char** problem, const char* text) {
    if (problem) *problem = text;
    return false;
}

} // namespace

bool ParseFont(const Uint8* data, Uint64 size, bool version2, FontView* view, const char** problem) {
    const Uint64 fixed = version2 ? kVersion2Overhead : kHeaderSize;
    if (!data || size < fixed)
        return Fail(problem, version2 ? "the block is shorter than its fixed parts (180 bytes)"
                                      : "the block is shorter than its header (48 bytes)");
    img::ImageFormat format;
    format.width = ReadLittle32(data + kOffsetWidth);
    format.height = ReadLittle32(data + kOffsetHeight);
    img::ReadFormatRecord(data + kOffsetFormat, &format);
    format.colorKey = img::kNoColorKey;

    Uint64 pitch = 0;
    if (!img::CheckFormat(format, &pitch, problem)) return false;
    if (format.width > kMaxWidth) return Fail(problem, "the bitmap is too wide");
    if (size - fixed != pitch * format.height)
        return Fail(problem, "its pixel rows do not fill a surface of its width, height and depth");

    view->format = format;
    view->pitch = Uint32(pitch);
    view->rows = data + kHeaderSize;
    view->spacing = version2 ? Sint32(ReadLittle32(data + size - kTailSize)) : 0;
    return true;
}

std::vector<Uint8> UpgradeFont(const Uint8* data, Uint64 size) {
    std::vector<Uint8> upgraded(size_t(size) + kTailSize, 0);
    if (size) std::memcpy(upgraded.data(), data, size_t(size));
    return upgraded;
}

std::vector<Uint8> BuildFont(const img::ImageFormat& format, const Uint8* rows, Sint32 spacing) {
    const Uint64 rowBytes = img::ImagePitch(format.width, format.bitsPerPixel) * format.height;
    std::vector<Uint8> payload(size_t(kVersion2Overhead + rowBytes), 0);
    WriteLittle32(payload.data() + kOffsetWidth, format.width);
    WriteLittle32(payload.data() + kOffsetHeight, format.height);
    img::WriteFormatRecord(format, payload.data() + kOffsetFormat);
    if (rowBytes && rows) std::memcpy(payload.data() + kHeaderSize, rows, size_t(rowBytes));
    WriteLittle32(payload.data() + payload.size() - kTailSize, Uint32(spacing));
    return payload;
}

void ScanMarkRow(const Uint8* marks, int width, MarkRow* row) {
    row->runs = 0;
    std::memset(row->positions, 0, sizeof row->positions);
    std::memset(row->advances, 0, sizeof row->advances);
    int previousEnd = 0;
    int lastStart = 0;
    for (int x = 0; x < width; ++x) {
        if (!marks[x]) continue;
        const int start = x;
        int end = start;
        while (end < width && marks[end]) ++end;
        if (end == width) end = width - 1;
        // A bitmap may hold any number of runs; only a font's 95 have room in the tables, and
        // the count goes on so that Create can say how many there were.
        if (row->runs < kGlyphCount) {
            row->positions[row->runs] = (start + end) / 2;
            if (row->runs > 0) row->advances[row->runs - 1] = start - previousEnd + 1;
            lastStart = start;
        }
        ++row->runs;
        previousEnd = end;
        x = end;
    }
    if (row->runs == kGlyphCount) {
        row->positions[kGlyphCount] = width;
        row->advances[kGlyphCount - 1] = width - lastStart;
    }
}

int CountInkChanges(const Uint8* ink, int width) {
    int changes = 0;
    bool previous = true;
    for (int x = 0; x < width; ++x) {
        const bool current = ink[x] != 0;
        if (current != previous) ++changes;
        previous = current;
    }
    return changes;
}

} // namespace font
