// Helpers for the picture tests: tiny synthetic bitmaps and pixel access.
#pragma once

#include "pic/picture.h"

#include <QImage>
#include <QString>

#include <array>
#include <functional>

using Rgb = std::array<int, 3>;

// A bitmap Picture of width by height whose pixel (x, y) is colour(x, y).
inline Picture makeBitmap(int width, int height, const std::function<Rgb(int, int)>& colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            row[3 * x] = uchar(c[0]);
            row[3 * x + 1] = uchar(c[1]);
            row[3 * x + 2] = uchar(c[2]);
        }
    }
    Picture picture;
    picture.setBitmap(image);
    return picture;
}

inline Picture solidBitmap(int width, int height, Rgb colour)
{
    return makeBitmap(width, height, [colour](int, int) { return colour; });
}

// Every pixel distinct, so any mix-up of rows or columns shows.
inline Picture patternBitmap(int width, int height)
{
    return makeBitmap(width, height, [](int x, int y) {
        return Rgb{(x * 37 + y * 11) % 256, (x * 5 + y * 53) % 256, (x * y + 7) % 256};
    });
}

inline Rgb pixelAt(const Picture& picture, int x, int y)
{
    const uchar* p = picture.image().constScanLine(y) + 3 * x;
    return Rgb{p[0], p[1], p[2]};
}

inline bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.format() != b.format()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        if (memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * 3) != 0) {
            return false;
        }
    }
    return true;
}

inline QString testData(const char* name)
{
    return QStringLiteral(LUMIVISTA_TEST_DATA "/pic/") + QString::fromLatin1(name);
}
