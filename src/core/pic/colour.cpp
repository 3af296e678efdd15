// Colour corrections. Each is one pass over the rows of the bitmap, in place. The
// factors are doubles; Tone's factor and the products are formed in long double (the
// x87 extended format here), with one rounding at the end.
#include "colour.h"

#include "picture.h"

namespace {

inline uchar level(long long value)
{
    return uchar(Clamp(value, 0LL, 255LL));
}

// Calls change(r, g, b) on every pixel of the picture, made a bitmap first.
template <typename Change> void forEachPixel(Picture& picture, Change change)
{
    ToBitmap(picture);
    QImage& bitmap = picture.bitmap();
    const int width = bitmap.width();
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* p = bitmap.scanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            change(p[0], p[1], p[2]);
        }
    }
}

} // namespace

void Brightness(Picture& picture, int amount)
{
    forEachPixel(picture, [amount](uchar& r, uchar& g, uchar& b) {
        r = level(r + static_cast<long long>(amount));
        g = level(g + static_cast<long long>(amount));
        b = level(b + static_cast<long long>(amount));
    });
}

void Contrast(Picture& picture, int amount)
{
    const double f = amount / 100.0;
    const auto spread = [f](uchar c) {
        return level(c + RoundHalfEven((c - 127) * static_cast<long double>(f)));
    };
    forEachPixel(picture, [&spread](uchar& r, uchar& g, uchar& b) {
        r = spread(r);
        g = spread(g);
        b = spread(b);
    });
}

void Saturation(Picture& picture, int amount)
{
    const double f = amount / 50.0;
    forEachPixel(picture, [f](uchar& r, uchar& g, uchar& b) {
        const double mean = (r + g + b) / 3.0;
        const auto spread = [f, mean](uchar c) {
            return level(c + RoundHalfEven((c - mean) * static_cast<long double>(f)));
        };
        r = spread(r);
        g = spread(g);
        b = spread(b);
    });
}

void Tone(Picture& picture, int red, int green, int blue)
{
    const long double fr = red / 100.0L + 1;
    const long double fg = green / 100.0L + 1;
    const long double fb = blue / 100.0L + 1;
    forEachPixel(picture, [fr, fg, fb](uchar& r, uchar& g, uchar& b) {
        r = level(RoundHalfEven(fr * r));
        g = level(RoundHalfEven(fg * g));
        b = level(RoundHalfEven(fb * b));
    });
}

void Greyscale(Picture& picture)
{
    forEachPixel(picture, [](uchar& r, uchar& g, uchar& b) {
        const uchar y = uchar((77 * r + 151 * g + 28 * b) >> 8);
        r = g = b = y;
    });
}

void OldPhoto(Picture& picture)
{
    Greyscale(picture);
    Tone(picture, 10, 0, -40);
}

void Invert(Picture& picture)
{
    forEachPixel(picture, [](uchar& r, uchar& g, uchar& b) {
        r = uchar(255 - r);
        g = uchar(255 - g);
        b = uchar(255 - b);
    });
}

void ApplyCorrections(Picture& picture, const ColourCorrections& c)
{
    if (c.brightness != 0) {
        Brightness(picture, c.brightness);
    }
    if (c.contrast != 0) {
        Contrast(picture, c.contrast);
    }
    if (c.saturation != 0) {
        Saturation(picture, c.saturation);
    }
    if (c.greyscale) {
        Greyscale(picture);
    }
    if (c.oldPhoto) {
        OldPhoto(picture);
    }
    if (c.red != 0 || c.green != 0 || c.blue != 0) {
        Tone(picture, c.red, c.green, c.blue);
    }
}
