// Fitting the game's picture into the window (see letterbox.h). 64-bit products: a window of a
// few thousand pixels times a picture of a few thousand overflows nothing, but the habit is cheap.
#include "gfx/letterbox.h"

#include <algorithm>
#include <cstdint>

namespace {

int AtLeastOne(int value) { return value < 1 ? 1 : value; }

// value * numerator / denominator, rounded to the nearest integer.
int Scale(int value, int numerator, int denominator) {
    return static_cast<int>((int64_t(value) * numerator * 2 + denominator) / (int64_t(denominator) * 2));
}

} // namespace

PictureRect FitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight) {
    const int pw = AtLeastOne(pictureWidth), ph = AtLeastOne(pictureHeight);
    const int ww = AtLeastOne(windowWidth), wh = AtLeastOne(windowHeight);
    PictureRect at;
    if (int64_t(ww) * ph <= int64_t(wh) * pw) { // the window is narrower than the picture: bars above and below
        at.w = ww;
        at.h = AtLeastOne(std::min(wh, Scale(ww, ph, pw)));
    } else { // wider: bars left and right
        at.h = wh;
        at.w = AtLeastOne(std::min(ww, Scale(wh, pw, ph)));
    }
    at.x = (ww - at.w) / 2;
    at.y = (wh - at.h) / 2;
    return at;
}

void WindowToPicture(const PictureRect& at, int pictureWidth, int pictureHeight, int* x, int* y) {
    const int pw = AtLeastOne(pictureWidth), ph = AtLeastOne(pictureHeight);
    // The picture pixel under the window pixel's centre.
    const int px = static_cast<int>((int64_t(*x - at.x) * 2 + 1) * pw / (int64_t(AtLeastOne(at.w)) * 2));
    const int py = static_cast<int>((int64_t(*y - at.y) * 2 + 1) * ph / (int64_t(AtLeastOne(at.h)) * 2));
    *x = std::clamp(*x < at.x ? 0 : px, 0, pw - 1);
    *y = std::clamp(*y < at.y ? 0 : py, 0, ph - 1);
}

void PictureToWindow(const PictureRect& at, int pictureWidth, int pictureHeight, int* x, int* y) {
    *x = at.x + static_cast<int>((int64_t(*x) * 2 + 1) * at.w / (int64_t(AtLeastOne(pictureWidth)) * 2));
    *y = at.y + static_cast<int>((int64_t(*y) * 2 + 1) * at.h / (int64_t(AtLeastOne(pictureHeight)) * 2));
}
