// The OpenGL presenter's arithmetic, which decides what the player sees and where the mouse
// points: where the picture sits in a window of another size, and which rows a frame must upload.
// The drawing itself is checked end to end under a virtual display (tests/e2e/gl_backend.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gfx/changed_rows.h"
#include "gfx/letterbox.h"

namespace {

void ExpectRect(const PictureRect& at, int x, int y, int w, int h) {
    EXPECT_EQ(at.x, x);
    EXPECT_EQ(at.y, y);
    EXPECT_EQ(at.w, w);
    EXPECT_EQ(at.h, h);
}

} // namespace

TEST(Letterbox, PictureFitsCentredWithItsAspectKept) {
    ExpectRect(FitPicture(640, 480, 640, 480), 0, 0, 640, 480);
    ExpectRect(FitPicture(640, 480, 1000, 500), 166, 0, 667, 500); // wider: bars left and right
    ExpectRect(FitPicture(640, 480, 640, 800), 0, 160, 640, 480);  // taller: bars above and below
    ExpectRect(FitPicture(640, 480, 1920, 1080), 240, 0, 1440, 1080);
    ExpectRect(FitPicture(320, 200, 640, 400), 0, 0, 640, 400);
    // Nonsense sizes never give an empty picture or a division by zero.
    const PictureRect tiny = FitPicture(0, -3, 0, 0);
    EXPECT_GE(tiny.w, 1);
    EXPECT_GE(tiny.h, 1);
    const PictureRect thin = FitPicture(4000, 10, 100, 100);
    EXPECT_EQ(thin.w, 100);
    EXPECT_GE(thin.h, 1);
}

TEST(Letterbox, MousePointsMapBetweenWindowAndScreen) {
    const PictureRect at = FitPicture(640, 480, 1000, 500);
    int x = at.x, y = 0;
    WindowToPicture(at, 640, 480, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    x = at.x + at.w - 1, y = at.h - 1;
    WindowToPicture(at, 640, 480, &x, &y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    // Points on the bars go to the nearest edge, never outside the screen.
    x = 3, y = -20;
    WindowToPicture(at, 640, 480, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    x = 999, y = 900;
    WindowToPicture(at, 640, 480, &x, &y);
    EXPECT_EQ(x, 639);
    EXPECT_EQ(y, 479);
    // Every screen pixel, shown in the window and pointed at there, is the same pixel again.
    for (const PictureRect& window : {at, FitPicture(640, 480, 640, 800), FitPicture(640, 480, 320, 240)}) {
        for (int i = 0; i < 640; ++i) {
            int px = i, py = i % 480;
            PictureToWindow(window, 640, 480, &px, &py);
            WindowToPicture(window, 640, 480, &px, &py);
            if (window.w >= 640) {
                ASSERT_EQ(px, i);
                ASSERT_EQ(py, i % 480);
            } else { // a smaller window shows every second pixel: the nearest one comes back
                ASSERT_LE(std::abs(px - i), 1);
            }
        }
    }
}

TEST(ChangedRows, OnlyTheBandBetweenTheFirstAndLastChangedRowIsUploaded) {
    const int width = 16, rows = 12, pitch = 20; // rows have padding the screen never shows
    std::vector<uint8_t> pixels(size_t(pitch) * rows, 7);
    ChangedRows changed;
    ASSERT_TRUE(changed.Reset(width, rows));

    RowBand band = changed.Take(pixels.data(), pitch);
    EXPECT_EQ(band.first, 0); // nothing shown yet: everything
    EXPECT_EQ(band.count, rows);
    EXPECT_EQ(changed.Take(pixels.data(), pitch).count, 0); // nothing moved

    pixels[5 * pitch + 3] = 1;
    pixels[9 * pitch + 15] = 1;
    pixels[11 * pitch + 18] = 1; // padding only
    band = changed.Take(pixels.data(), pitch);
    EXPECT_EQ(band.first, 5);
    EXPECT_EQ(band.count, 5);
    EXPECT_EQ(changed.Take(pixels.data(), pitch).count, 0); // the copy was brought up to date

    pixels[11 * pitch] = 2; // the last row alone
    band = changed.Take(pixels.data(), pitch);
    EXPECT_EQ(band.first, 11);
    EXPECT_EQ(band.count, 1);

    // The copy holds the rows bottom first and without the padding, as they are uploaded.
    const uint8_t* copy = changed.BottomUp();
    EXPECT_EQ(copy[0], 2);                 // row 11
    EXPECT_EQ(copy[2 * width + 15], 1);    // row 9
    EXPECT_EQ(copy[6 * width + 3], 1);     // row 5
    EXPECT_EQ(copy[11 * width + 3], 7);    // row 0

    ASSERT_TRUE(changed.Reset(width, rows)); // a new screen: everything again
    EXPECT_EQ(changed.Take(pixels.data(), pitch).count, rows);

    ASSERT_TRUE(changed.Reset(0, 0));
    EXPECT_EQ(changed.Take(pixels.data(), pitch).count, 0);
}
