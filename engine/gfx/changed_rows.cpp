// Finding the changed band of the screen (see changed_rows.h).
#include "gfx/changed_rows.h"

#include <cstring>
#include <new>

bool ChangedRows::Reset(int rowBytes, int rows) {
    valid_ = false;
    rowBytes_ = rowBytes > 0 ? size_t(rowBytes) : 0;
    rows_ = rows > 0 ? rows : 0;
    try {
        shown_.assign(rowBytes_ * size_t(rows_), 0);
    } catch (const std::bad_alloc&) {
        shown_.clear();
        shown_.shrink_to_fit();
        rowBytes_ = 0;
        rows_ = 0;
        return false;
    }
    return true;
}

bool ChangedRows::RowDiffers(const uint8_t* pixels, int pitch, int row) const {
    return std::memcmp(pixels + size_t(row) * size_t(pitch), Shown(row), rowBytes_) != 0;
}

RowBand ChangedRows::Take(const uint8_t* pixels, int pitch) {
    if (rows_ == 0 || rowBytes_ == 0) return {0, 0};
    int first = 0, last = rows_ - 1;
    if (valid_) {
        while (first < rows_ && !RowDiffers(pixels, pitch, first)) ++first;
        if (first == rows_) return {0, 0};
        while (last > first && !RowDiffers(pixels, pitch, last)) --last;
    }
    for (int row = first; row <= last; ++row)
        std::memcpy(Shown(row), pixels + size_t(row) * size_t(pitch), rowBytes_);
    valid_ = true;
    return {first, last - first + 1};
}
