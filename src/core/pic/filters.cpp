// Crop, mirrors, quarter turns and the colour mask, on 24-bit bitmaps.
#include "filters.h"

#include "picture.h"
#include "pixels.h"

namespace {

void transformInPlace(Picture& picture, PixelTransform transform)
{
    ToBitmap(picture);
    picture.setBitmap(transformed(picture.image(), transform));
}

} // namespace

void Crop(Picture& picture, int left, int top, int right, int bottom)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::max(right, 0);
    bottom = std::max(bottom, 0);
    if (left == 0 && top == 0 && right == 0 && bottom == 0) {
        return;
    }
    const long long W = picture.width();
    const long long H = picture.height();
    if (static_cast<long long>(left) + right >= W || static_cast<long long>(top) + bottom >= H) {
        return;
    }
    const QImage whole =
        picture.kind() == PictureKind::Bitmap ? picture.image() : picture.renderedBitmap();
    picture.setBitmap(whole.copy(left, top, int(W - left - right), int(H - top - bottom)));
}

void MirrorHorizontal(Picture& picture)
{
    transformInPlace(picture, PixelTransform::MirrorHorizontal);
}

void FlipVertical(Picture& picture)
{
    transformInPlace(picture, PixelTransform::FlipVertical);
}

void Rotate90(Picture& picture)
{
    transformInPlace(picture, PixelTransform::Rotate90);
}

void Rotate180(Picture& picture)
{
    transformInPlace(picture, PixelTransform::Rotate180);
}

void ApplyMask(Picture& mask, Picture& picture, ColourValue colour)
{
    if (mask.isEmpty()) {
        return;
    }
    ToBitmap(mask);
    ToBitmap(picture);
    QImage& bitmap = picture.bitmap();
    ScalePicture(mask, bitmap.width(), bitmap.height(), false, 0);
    const QImage& maskBitmap = mask.image();
    const long long C[3] = {colour.red(), colour.green(), colour.blue()};
    for (int y = 0; y < bitmap.height(); ++y) {
        const uchar* m = maskBitmap.constScanLine(y);
        uchar* p = bitmap.scanLine(y);
        for (int x = 0; x < bitmap.width(); ++x, m += 3, p += 3) {
            const long long darkest = std::min({m[0], m[1], m[2]});
            for (int c = 0; c < 3; ++c) {
                // C - (C - c) / 255 * m; 255 is odd, so the exact quotient never lies
                // on a half and rounding to nearest needs no tie rule.
                const long long n = 255 * C[c] - (C[c] - p[c]) * darkest;
                p[c] = uchar(Clamp((n + 127) / 255, 0LL, 255LL));
            }
        }
    }
}
