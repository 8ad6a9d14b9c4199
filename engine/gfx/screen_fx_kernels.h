// The pixel work of the screen effects: mirroring, zooming and rotating a rectangle of pixels into
// a new picture. Pure functions over pixel buffers, so that tests and benchmarks drive them
// without surfaces; IScreenFX (gfx/screen_fx.h) wraps them in surfaces, locking and logging.
//
// Conventions shared by the zoom and rotation kernels:
//   - Positions are 16.16 fixed point, advanced by constant steps along a row, so the inner loops
//     neither divide nor call anything.
//   - A kernel reads only inside the source rectangle it is given: neighbours that smoothing wants
//     beyond its last column or row are that column or row again.
//   - 32-bit pixels are four independent 8-bit channels, whatever the masks say, so one kernel
//     serves every 32-bit layout.
//   - Smoothing weighs two pixels by the top 8 bits of the position's 16-bit fraction and rounds
//     down: at most one level from a 16-bit weight, and it lets the four channels of a pixel share
//     one 64-bit multiply.
#ifndef NIMBREL_GFX_SCREEN_FX_KERNELS_H
#define NIMBREL_GFX_SCREEN_FX_KERNELS_H

#include <SDL.h>

namespace fx {

// A rectangle of pixels: `pixels` is its top-left pixel, `pitch` the bytes from one row to the
// next (at least width x bytes per pixel).
struct SourcePixels {
    const Uint8* pixels;
    int pitch;
    int width, height;
};
struct ResultPixels {
    Uint8* pixels;
    int pitch;
    int width, height;
};

// ---- Limits ------------------------------------------------------------------------------------

// The largest side a result may have, and the most pixel memory it may take.
const int kMaxSide = 16384;
const Uint64 kMaxBytes = Uint64(256) << 20;

// True when a surface of width x height pixels of bytesPerPixel bytes may be made: both sides
// between 1 and kMaxSide, at most kMaxBytes of rows, and rows short enough for SDL 1.2's 16-bit
// pitch (a wider row would wrap it and the surface would get too little memory). Sizes come in as
// doubles so that a size computed from any factor (huge, infinite, not a number) is judged before
// it is turned into an integer.
bool ResultFits(double width, double height, int bytesPerPixel);

// ---- Mirroring ---------------------------------------------------------------------------------

// Writes each row of the source into the result with its pixels in reverse order; the bytes
// inside a pixel keep their order. Result and source have the same size. bytesPerPixel 1 to 4.
void MirrorRows(const SourcePixels& source, const ResultPixels& result, int bytesPerPixel);

// ---- Zoom --------------------------------------------------------------------------------------

// Scales 32-bit source pixels to the result's size. Without smoothing each result pixel is the
// source pixel at its position, positions advancing by source size x 65536 / result size. With
// smoothing it blends the pixel at its position with the next one to the right and below
// (bilinear), positions advancing by (source size - 1) x 65536 / result size. flipX and flipY
// read the source mirrored. False only when the scratch rows smoothing needs cannot be had (the
// result is then untouched).
bool ZoomRGBA(const SourcePixels& source, const ResultPixels& result, bool smooth, bool flipX, bool flipY);

// Scales 8-bit source pixels to the result's size, nearest pixel, as ZoomRGBA without smoothing.
void Zoom8(const SourcePixels& source, const ResultPixels& result, bool flipX, bool flipY);

// ---- Rotation ----------------------------------------------------------------------------------

// Degrees to radians as the rotation conventions define it: slightly more than pi / 180, so that
// products that should be integral come out a little above and sizes round up.
const double kRadiansPerDegree = 0.017453292522222223;

// The size of a rotated and zoomed rectangle, before any bound: ceil of the extent of its
// corners, at least 1. Not a number when angle or zoom is not one.
struct RotatedSize {
    double width, height;
};
RotatedSize RotatedResultSize(int width, int height, double angleDegrees, double zoom);

// The 16.16 steps through the source for one result pixel to the right: sin and cos of the angle
// over the zoom. Zoom must be positive and finite.
struct RotationSteps {
    Sint32 sine, cosine;
};
RotationSteps RotationStepsFor(double angleDegrees, double zoom);

// Inverse mapping: each result pixel takes the source point it comes from, turning about the
// centres of source and result. Result pixels whose point falls outside the source keep what they
// hold. RotateRGBA blends the four pixels around the point when smooth is set (at the last column
// and row the pixel itself stands in for the missing neighbour); Rotate8 takes the nearest.
void RotateRGBA(const SourcePixels& source, const ResultPixels& result, RotationSteps steps, bool smooth);
void Rotate8(const SourcePixels& source, const ResultPixels& result, RotationSteps steps);

} // namespace fx

#endif
