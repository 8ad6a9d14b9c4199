// Which rows of the screen changed since they were last shown, so that the OpenGL presenter
// uploads only those. The engine and games draw straight into a software screen and tell nobody
// where, so the only way to know is to compare: a copy of the pixels last shown is kept, and each
// frame's rows are compared with it from the top and from the bottom. The band between the first
// and the last changed row is what needs uploading; a frame where nothing moved uploads nothing.
//
// The copy is kept bottom row first, the order OpenGL keeps a texture's rows in, so that the
// changed band uploads from it in one call and shows upright without flipping at every frame.
// It is made once per screen (Reset), never per frame.
#ifndef NIMBREL_GFX_CHANGED_ROWS_H
#define NIMBREL_GFX_CHANGED_ROWS_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Rows first .. first + count - 1; count 0 when nothing changed.
struct RowBand {
    int first;
    int count;
};

class ChangedRows {
public:
    // Forgets what was shown: the next Take reports every row. False when the copy cannot be
    // allocated; the object then has no rows.
    bool Reset(int rowBytes, int rows);
    // Compares the rows (rowBytes each, `pitch` apart, top row first) with the copy, brings the
    // copy up to date and returns the band that changed, in the screen's top-down row numbers.
    RowBand Take(const uint8_t* pixels, int pitch);
    // The copy: the last rows taken, bottom row first, rowBytes apart with no padding.
    const uint8_t* BottomUp() const { return shown_.data(); }

private:
    bool RowDiffers(const uint8_t* pixels, int pitch, int row) const;
    uint8_t* Shown(int row) { return &shown_[size_t(rows_ - 1 - row) * rowBytes_]; }
    const uint8_t* Shown(int row) const { return &shown_[size_t(rows_ - 1 - row) * rowBytes_]; }

    std::vector<uint8_t> shown_;
    size_t rowBytes_ = 0;
    int rows_ = 0;
    bool valid_ = false; // the copy holds what was last shown
};

#endif
