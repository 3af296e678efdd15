// Pixel-level helpers: opaque RGB888 conversion, point sampling, quarter turns.
#include "pixels.h"

#include "util/error.h"

#include <vector>

void setStandardResolution(QImage& image)
{
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
}

static QImage checkedImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    if (image.isNull()) {
        throw LumiError(QStringLiteral("Zu wenig Speicher für ein Bild von %1 x %2 Pixel")
                            .arg(width)
                            .arg(height));
    }
    setStandardResolution(image);
    return image;
}

QImage toRgb888(const QImage& image)
{
    if (image.isNull()) {
        return {};
    }
    if (image.format() == QImage::Format_RGB888) {
        QImage copy = image;
        if (copy.dotsPerMeterX() != kDotsPerMetre || copy.dotsPerMeterY() != kDotsPerMetre) {
            setStandardResolution(copy);
        }
        return copy;
    }
    if (!image.hasAlphaChannel()) {
        QImage converted = image.convertToFormat(QImage::Format_RGB888);
        if (converted.isNull()) {
            throw LumiError(QStringLiteral("Zu wenig Speicher für das Bild"));
        }
        setStandardResolution(converted);
        return converted;
    }
    // Mix with white by alpha ourselves: exact, and no painter needed.
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    if (argb.isNull()) {
        throw LumiError(QStringLiteral("Zu wenig Speicher für das Bild"));
    }
    QImage out = checkedImage(argb.width(), argb.height());
    for (int y = 0; y < argb.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = src[x];
            const int a = qAlpha(p);
            const int white = 255 * (255 - a);
            dst[3 * x] = uchar((qRed(p) * a + white + 127) / 255);
            dst[3 * x + 1] = uchar((qGreen(p) * a + white + 127) / 255);
            dst[3 * x + 2] = uchar((qBlue(p) * a + white + 127) / 255);
        }
    }
    return out;
}

QImage pointSampled(const QImage& source, int width, int height)
{
    const QImage src = toRgb888(source);
    QImage out = checkedImage(width, height);
    const long long W = src.width();
    const long long H = src.height();
    std::vector<int> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        columns[size_t(x)] = sampledLine(x, width, W);
    }
    for (int y = 0; y < height; ++y) {
        const uchar* srcRow = src.constScanLine(sampledLine(y, height, H));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const uchar* p = srcRow + 3 * columns[size_t(x)];
            dst[3 * x] = p[0];
            dst[3 * x + 1] = p[1];
            dst[3 * x + 2] = p[2];
        }
    }
    return out;
}

QImage transformed(const QImage& rgb888, PixelTransform transform)
{
    const QImage src = toRgb888(rgb888);
    const int W = src.width();
    const int H = src.height();
    const bool swaps =
        transform == PixelTransform::Rotate90 || transform == PixelTransform::Rotate270 ||
        transform == PixelTransform::Transpose || transform == PixelTransform::Transverse;
    QImage out = checkedImage(swaps ? H : W, swaps ? W : H);
    const int outW = out.width();
    const int outH = out.height();
    for (int y = 0; y < outH; ++y) {
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < outW; ++x) {
            int sx = x;
            int sy = y;
            switch (transform) {
            case PixelTransform::MirrorHorizontal:
                sx = W - 1 - x;
                break;
            case PixelTransform::FlipVertical:
                sy = H - 1 - y;
                break;
            case PixelTransform::Rotate90:
                sx = y;
                sy = H - 1 - x;
                break;
            case PixelTransform::Rotate180:
                sx = W - 1 - x;
                sy = H - 1 - y;
                break;
            case PixelTransform::Rotate270:
                sx = W - 1 - y;
                sy = x;
                break;
            case PixelTransform::Transpose:
                sx = y;
                sy = x;
                break;
            case PixelTransform::Transverse:
                sx = W - 1 - y;
                sy = H - 1 - x;
                break;
            }
            const uchar* p = src.constScanLine(sy) + 3 * sx;
            dst[3 * x] = p[0];
            dst[3 * x + 1] = p[1];
            dst[3 * x + 2] = p[2];
        }
    }
    return out;
}

bool transformForOrientation(int orientation, PixelTransform& transform)
{
    // EXIF 2.3, tag 0x0112: where row 0 and column 0 of the stored picture lie. Values 2 to 8
    // in order; 1 is the stored picture as it is.
    static constexpr PixelTransform kByOrientation[] = {
        PixelTransform::MirrorHorizontal, PixelTransform::Rotate180, PixelTransform::FlipVertical,
        PixelTransform::Transpose,        PixelTransform::Rotate90,  PixelTransform::Transverse,
        PixelTransform::Rotate270};
    if (orientation < 2 || orientation > 8)
        return false;
    transform = kByOrientation[orientation - 2];
    return true;
}
