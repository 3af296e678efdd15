// Logo blending: a second picture mixed into a picture at a place and transparency.
#pragma once

#include <QPoint>

class Picture;

// Top-left corner of a logo of lw by lh in a picture of W by H. horizontal: 0 left,
// 1 centre, 2 right; vertical: 0 top, 1 centre, 2 bottom. Centring ignores the offset;
// right and bottom count x and y from the far edge.
QPoint LogoPosition(int W, int H, int lw, int lh, int horizontal, int vertical, int x, int y);

// Mixes the logo into the picture with its top-left corner at (left, top): t percent
// of the picture, (100 - t) percent of the logo. Negative left or top become 0; the
// logo is cut off at the right and bottom. When the logo is marked transparent, its
// pixels of the key colour are skipped. The logo is only read, so one logo can serve
// several threads (make it a bitmap beforehand to save a conversion per call).
void BlendLogo(const Picture& logo, Picture& picture, int t, int left, int top);

// Scales the logo to sizePercent of its size (0 and 100: unchanged).
void ResizeLogo(Picture& logo, int sizePercent);

// Places and blends in one step, as the gallery does for every picture.
void BlendLogoAt(const Picture& logo, Picture& picture, int t, int horizontal, int vertical, int x,
                 int y);
