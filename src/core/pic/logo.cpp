// Logo placement and blending on 24-bit bitmaps.
#include "logo.h"

#include "picture.h"

namespace {

// n / d rounded half to even, exactly (d > 0): the blend has real halves (t = 50).
long long divRoundHalfEven(long long n, long long d)
{
    long long q = n / d;
    long long r = n % d;
    if (r < 0) {
        r += d;
        --q;
    }
    if (2 * r > d || (2 * r == d && (q % 2 != 0))) {
        ++q;
    }
    return q;
}

} // namespace

QPoint LogoPosition(int W, int H, int lw, int lh, int horizontal, int vertical, int x, int y)
{
    int left = x;
    if (horizontal == 1) {
        left = (W - lw) / 2;
    } else if (horizontal == 2) {
        left = W - lw - x;
    }
    int top = y;
    if (vertical == 1) {
        top = (H - lh) / 2;
    } else if (vertical == 2) {
        top = H - lh - y;
    }
    return {left, top};
}

void BlendLogo(const Picture& logo, Picture& picture, int t, int left, int top)
{
    if (logo.isEmpty()) {
        return;
    }
    ToBitmap(picture);
    const QImage logoBitmap =
        logo.kind() == PictureKind::Bitmap ? logo.image() : logo.renderedBitmap();
    const std::optional<QRgb> key = logo.keyColour();
    QImage& bitmap = picture.bitmap();
    const int W = bitmap.width();
    const int H = bitmap.height();
    left = std::max(left, 0);
    top = std::max(top, 0);
    const int bottom =
        int(std::min<long long>(H, static_cast<long long>(top) + logoBitmap.height()));
    const int right =
        int(std::min<long long>(W, static_cast<long long>(left) + logoBitmap.width()));
    const long long weight = t;
    for (int row = top; row < bottom; ++row) {
        const uchar* l = logoBitmap.constScanLine(row - top);
        uchar* p = bitmap.scanLine(row) + 3 * left;
        for (int column = left; column < right; ++column, p += 3) {
            const uchar* lp = l + 3 * (column - left);
            if (key && lp[0] == qRed(*key) && lp[1] == qGreen(*key) && lp[2] == qBlue(*key)) {
                continue;
            }
            for (int c = 0; c < 3; ++c) {
                // L - (L - P) / 100 * t, exactly: (100 L - (L - P) t) / 100.
                const long long L = lp[c];
                const long long value = divRoundHalfEven(100 * L - (L - p[c]) * weight, 100);
                p[c] = uchar(Clamp(value, 0LL, 255LL));
            }
        }
    }
}

void ResizeLogo(Picture& logo, int sizePercent)
{
    if (sizePercent == 0 || sizePercent == 100) {
        return;
    }
    ScalePicture(logo, logo.width() * sizePercent / 100, logo.height() * sizePercent / 100, true,
                 0);
}

void BlendLogoAt(const Picture& logo, Picture& picture, int t, int horizontal, int vertical, int x,
                 int y)
{
    if (logo.isEmpty()) {
        return;
    }
    ToBitmap(picture);
    const QPoint at = LogoPosition(picture.width(), picture.height(), logo.width(), logo.height(),
                                   horizontal, vertical, x, y);
    BlendLogo(logo, picture, t, at.x(), at.y());
}
