// Pixel-level helpers shared by the picture operations: conversion to opaque RGB888,
// point sampling, and the exact quarter turns and mirrors (also used for EXIF).
#pragma once

#include <QImage>

// 96 dpi, so point sizes of a text stamp do not depend on the screen.
constexpr int kDotsPerMetre = 3780;
void setStandardResolution(QImage& image);

// Any image as opaque RGB888 at 96 dpi; partly transparent pixels are mixed with white
// by their alpha, fully transparent ones become white.
QImage toRgb888(const QImage& image);

// RGB888 copy of width by height pixels, each taking one source pixel (no averaging).
QImage pointSampled(const QImage& source, int width, int height);

// The source row or column that point sampling `source` lines to `target` lines takes for
// line i: the one under the centre of the target line.
inline int sampledLine(long long i, long long target, long long source)
{
    return int((2 * i + 1) * source / (2 * target));
}

// Geometric transforms of an RGB888 image; each returns a new RGB888 image.
enum class PixelTransform
{
    MirrorHorizontal, // (x, y) takes (W - 1 - x, y)
    FlipVertical,     // (x, y) takes (x, H - 1 - y)
    Rotate90,         // clockwise: (x, y) takes (y, H - 1 - x), size H by W
    Rotate180,        // (x, y) takes (W - 1 - x, H - 1 - y)
    Rotate270,        // clockwise: (x, y) takes (W - 1 - y, x), size H by W
    Transpose,        // (x, y) takes (y, x), size H by W
    Transverse        // (x, y) takes (W - 1 - y, H - 1 - x), size H by W
};
QImage transformed(const QImage& rgb888, PixelTransform transform);

// The transform that makes a picture with this EXIF orientation (1 to 8) upright;
// returns false for 1 and unknown values.
bool transformForOrientation(int orientation, PixelTransform& transform);
