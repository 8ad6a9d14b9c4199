// Where the game's picture sits in a window of another size: scaled to fit with its aspect ratio
// kept, centred between black bars. Pure arithmetic, so that the OpenGL presenter, the mouse
// mapping and the tests all share one answer.
#ifndef NIMBREL_GFX_LETTERBOX_H
#define NIMBREL_GFX_LETTERBOX_H

// A rectangle in window pixels, origin at the top-left corner.
struct PictureRect {
    int x, y, w, h;
};

// The largest rectangle of the picture's aspect that fits the window, centred. Sizes below 1
// count as 1, so the result is never empty and never divides by zero.
PictureRect FitPicture(int pictureWidth, int pictureHeight, int windowWidth, int windowHeight);

// A window point to the picture pixel under it; points on the bars go to the nearest edge pixel.
void WindowToPicture(const PictureRect& at, int pictureWidth, int pictureHeight, int* x, int* y);

// A picture pixel to the window point at its centre.
void PictureToWindow(const PictureRect& at, int pictureWidth, int pictureHeight, int* x, int* y);

#endif
