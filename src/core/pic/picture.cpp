// The picture holder, the rounding rule, ToBitmap and the point-sampling scaler.
#include "picture.h"

#include "pixels.h"
#include "smoothscale.h"
#include "util/error.h"

#include <QPainter>
#include <QSvgRenderer>

#include <limits>
#include <vector>

int Picture::width() const
{
    if (m_kind == PictureKind::Metafile) {
        return m_svgSize.width();
    }
    return m_kind == PictureKind::Empty ? 0 : m_image.width();
}

int Picture::height() const
{
    if (m_kind == PictureKind::Metafile) {
        return m_svgSize.height();
    }
    return m_kind == PictureKind::Empty ? 0 : m_image.height();
}

void Picture::clear()
{
    m_kind = PictureKind::Empty;
    m_image = QImage();
    m_jpegData.clear();
    m_svgData.clear();
    m_svgSize = QSize();
}

void Picture::setRaster(PictureKind kind, const QImage& image, const QByteArray& jpegData)
{
    if (kind == PictureKind::Bitmap) {
        setBitmap(image);
        return;
    }
    clear();
    m_kind = image.isNull() ? PictureKind::Empty : kind;
    m_image = image;
    if (kind == PictureKind::Jpeg) {
        m_jpegData = jpegData;
    }
}

void Picture::setBitmap(const QImage& image)
{
    QImage bitmap = toRgb888(image);
    clear();
    if (bitmap.isNull()) {
        return;
    }
    m_kind = PictureKind::Bitmap;
    m_image = bitmap;
}

void Picture::setMetafile(const QByteArray& svg, QSize size)
{
    clear();
    m_kind = PictureKind::Metafile;
    m_svgData = svg;
    m_svgSize = size;
}

std::optional<QRgb> Picture::keyColour() const
{
    if (!m_transparent) {
        return std::nullopt;
    }
    if (m_keyColour) {
        return m_keyColour;
    }
    const QImage bitmap = m_kind == PictureKind::Bitmap ? m_image : renderedBitmap();
    if (bitmap.isNull()) {
        return std::nullopt;
    }
    return bitmap.pixel(0, bitmap.height() - 1) | 0xff000000u;
}

QImage Picture::renderedBitmap(QSize size) const
{
    switch (m_kind) {
    case PictureKind::Empty: {
        QImage white(200, 40, QImage::Format_RGB888);
        white.fill(Qt::white);
        setStandardResolution(white);
        return white;
    }
    case PictureKind::Metafile: {
        const QSize target = size.isValid() ? size : m_svgSize;
        QImage canvas(target, QImage::Format_RGB888);
        if (canvas.isNull()) {
            throw LumiError(QStringLiteral("Zu wenig Speicher für das Bild"));
        }
        canvas.fill(Qt::white);
        setStandardResolution(canvas);
        QSvgRenderer renderer(m_svgData);
        QPainter painter(&canvas);
        renderer.render(&painter, QRectF(0, 0, target.width(), target.height()));
        return canvas;
    }
    default:
        return toRgb888(m_image);
    }
}

long long RoundHalfEven(long double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    constexpr long double kLimit = 9.0e18L;
    if (value >= kLimit) {
        return std::numeric_limits<long long>::max();
    }
    if (value <= -kLimit) {
        return std::numeric_limits<long long>::min();
    }
    const long double floorValue = std::floor(value);
    const long double fraction = value - floorValue;
    auto result = static_cast<long long>(floorValue);
    if (fraction > 0.5L || (fraction == 0.5L && (result % 2 != 0))) {
        ++result;
    }
    return result;
}

void ToBitmap(Picture& picture)
{
    if (picture.kind() == PictureKind::Bitmap) {
        return;
    }
    picture.setBitmap(picture.renderedBitmap());
}

std::optional<QSize> scaledSize(long long W, long long H, int width, int height, bool keepAspect,
                                int direction)
{
    long long w = width;
    long long h = height;
    if (w <= 0 && h <= 0) {
        w = W;
        h = H;
    }
    if (!keepAspect) {
        if (w <= 0) {
            w = W;
        }
        if (h <= 0) {
            h = H;
        }
    }
    if (w == W && h == H) {
        return std::nullopt;
    }
    if (direction < 0 && (w >= W || w <= 0) && (h >= H || h <= 0)) {
        return std::nullopt;
    }
    if (direction > 0 && W >= w && H >= h) {
        return std::nullopt;
    }
    // A picture without width or height has no aspect to keep: nothing changes.
    if (W <= 0 || H <= 0) {
        return std::nullopt;
    }
    const long double ratio = static_cast<long double>(W) / H;
    const long double inverse = static_cast<long double>(H) / W;
    if (w > 0 && h > 0 && keepAspect) {
        // w/h >= W/H, compared exactly by cross multiplication.
        if (w * H >= W * h) {
            w = RoundHalfEven(ratio * h);
        } else {
            h = RoundHalfEven(inverse * w);
        }
    }
    if (w <= 0) {
        w = RoundHalfEven(ratio * h);
    }
    if (h <= 0) {
        h = RoundHalfEven(inverse * w);
    }
    // A very flat picture can round a side to 0; keep at least one pixel.
    w = std::max(w, 1LL);
    h = std::max(h, 1LL);
    if (w > kMaxPictureSide || h > kMaxPictureSide || w * h > kMaxPicturePixels) {
        throw LumiError(
            QStringLiteral("Die gewünschte Bildgröße (%1 x %2 Pixel) ist zu groß").arg(w).arg(h));
    }
    return QSize(int(w), int(h));
}

void ScalePicture(Picture& picture, int width, int height, bool keepAspect, int direction,
                  bool smooth)
{
    const std::optional<QSize> size =
        scaledSize(picture.width(), picture.height(), width, height, keepAspect, direction);
    if (!size) {
        return;
    }
    if (picture.kind() == PictureKind::Metafile) {
        // A drawing is drawn at the target size rather than sampled from pixels.
        picture.setBitmap(picture.renderedBitmap(*size));
        return;
    }
    if (smooth && isReduction(QSize(picture.width(), picture.height()), *size)) {
        picture.setBitmap(smoothReduced(picture.renderedBitmap(), *size));
        return;
    }
    picture.setBitmap(pointSampled(picture.renderedBitmap(), size->width(), size->height()));
}

QString replaceExtension(const QString& path, const QString& newExtension)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot > slash) {
        return path.left(dot) + newExtension;
    }
    return path + newExtension;
}
