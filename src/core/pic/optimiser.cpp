// The JPEG optimiser's window-free logic: texts, sizes, crop frame, test files, previews.
#include "optimiser.h"

#include "colour.h"
#include "filters.h"
#include "jpegcodec.h"
#include "logo.h"
#include "pixels.h"
#include "textstamp.h"
#include "util/fileops.h"

#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QString optimiserCaption(const QString& caption, const QString& name, QSize size)
{
    const qsizetype bracket = caption.indexOf(QLatin1String(" ["));
    const QString head = bracket < 0 ? caption : caption.left(bracket);
    return QStringLiteral("%1 [%2] (%3 x %4)")
        .arg(head, name, QString::number(size.width()), QString::number(size.height()));
}

QString byteCountText(qint64 bytes, const QLocale& locale)
{
    // "#,##0": group separators even where the locale leaves them out for short numbers.
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(bytes) + QStringLiteral(" Bytes");
}

QString qualityTestText(int quality, qint64 bytes, const QLocale& locale)
{
    return QStringLiteral("Q: %1%,  ").arg(quality) + byteCountText(bytes, locale);
}

int effectivePercent(int value)
{
    return value < 1 ? 1 : value;
}

QSize sizeForPercent(QSize working, int percent)
{
    return {int(qint64(working.width()) * percent / 100),
            int(qint64(working.height()) * percent / 100)};
}

int proportionalHeight(QSize working, int width)
{
    if (working.width() <= 0 || working.height() <= 0) {
        return width;
    }
    return int(RoundHalfEven(static_cast<long double>(qint64(working.height()) * width) /
                             working.width()));
}

int proportionalWidth(QSize working, int height)
{
    if (working.width() <= 0 || working.height() <= 0) {
        return height;
    }
    return int(RoundHalfEven(static_cast<long double>(qint64(working.width()) * height) /
                             working.height()));
}

QRect cropFrame(QSize working, const QRect& view, int left, int top, int right, int bottom)
{
    if (view.width() <= 0 || working.width() <= 0) {
        return {};
    }
    // One ratio for both directions: the view keeps the picture's aspect.
    const double x = double(working.width()) / view.width();
    const int frameLeft = int(RoundHalfEven(left / x)) + view.left() - 1;
    const int frameTop = int(RoundHalfEven(top / x)) + view.top() - 1;
    const int frameWidth = int(RoundHalfEven((working.width() - left - right) / x)) + 2;
    const int frameHeight = int(RoundHalfEven((working.height() - top - bottom) / x)) + 2;
    return {frameLeft, frameTop, frameWidth, frameHeight};
}

void drawInvertedFrame(QImage& image, const QRect& frame, int lineWidth)
{
    if (frame.isEmpty()) {
        return;
    }
    const QRect inner = frame.adjusted(lineWidth, lineWidth, -lineWidth, -lineWidth);
    const QRect clip = frame.intersected(image.rect());
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        for (int x = clip.left(); x <= clip.right(); ++x) {
            if (inner.isValid() && inner.contains(x, y)) {
                continue;
            }
            image.setPixel(x, y, image.pixel(x, y) ^ 0x00ffffffu);
        }
    }
}

const QString& QualityTestFile::jpegName()
{
    if (m_tempName.isEmpty()) {
        m_tempName = tempFileName();
        m_jpegName = replaceExtension(m_tempName, QStringLiteral(".jpg"));
    }
    return m_jpegName;
}

void QualityTestFile::remove()
{
    if (m_tempName.isEmpty()) {
        return;
    }
    QFile::remove(m_jpegName);
    QFile::remove(m_tempName);
    m_tempName.clear();
    m_jpegName.clear();
}

Picture makeSamplePicture()
{
    // A small landscape: sky, sun, two hills and a lake, drawn without any font so the
    // picture is the same on every machine.
    QImage image(281, 211, QImage::Format_RGB888);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, 140);
        sky.setColorAt(0, QColor(40, 90, 170));
        sky.setColorAt(1, QColor(250, 200, 140));
        painter.fillRect(image.rect(), sky);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 220, 90));
        painter.drawEllipse(QPointF(200, 70), 26, 26);
        // A hill: from its left edge along a curve to the right edge, filled to the bottom.
        const auto drawHill = [&painter](qreal left, QPointF c1, QPointF c2, qreal right,
                                         const QColor& colour) {
            QPainterPath hill(QPointF(0, left));
            hill.cubicTo(c1, c2, QPointF(281, right));
            hill.lineTo(281, 211);
            hill.lineTo(0, 211);
            painter.setBrush(colour);
            painter.drawPath(hill);
        };
        drawHill(150, {70, 80}, {150, 110}, 130, QColor(70, 120, 80));
        drawHill(175, {90, 140}, {180, 190}, 160, QColor(40, 90, 45));
        painter.setBrush(QColor(60, 130, 200));
        painter.drawEllipse(QPointF(120, 195), 70, 12);
    }
    Picture picture;
    LoadPictureData(picture, encodeJpeg(image, 85), QStringLiteral("jpg"));
    ToBitmap(picture);
    return picture;
}

Picture lightPreview(const Picture& working, const LightSettings& settings)
{
    Picture preview = working;
    if (settings.invert) {
        Invert(preview);
    }
    ApplyCorrections(preview, {.brightness = settings.brightness,
                               .contrast = settings.contrast,
                               .saturation = settings.saturation});
    return preview;
}

Picture tonePreview(const Picture& working, const ToneSettings& settings)
{
    Picture preview = working;
    if (settings.greyscale) {
        Greyscale(preview);
    }
    if (settings.oldPhoto) {
        OldPhoto(preview);
    }
    Tone(preview, settings.red, settings.green, settings.blue);
    return preview;
}

Picture textPreview(const Picture& working, const QString& text, const QFont& font,
                    ColourValue colour, int x, int y, int horizontalIndex, int verticalIndex)
{
    Picture preview = working;
    if (!text.isEmpty()) {
        TextStamp(preview, text, font, colour, x, y, horizontalIndex - 1, verticalIndex - 1);
    }
    return preview;
}

Picture blendPreview(const Picture& working, const Picture& logo, int transparency,
                     int horizontalIndex, int verticalIndex, int x, int y)
{
    Picture preview = working;
    if (logo.isEmpty()) {
        return preview;
    }
    ToBitmap(preview);
    const QPoint place = LogoPosition(preview.width(), preview.height(), logo.width(),
                                      logo.height(), horizontalIndex, verticalIndex, x, y);
    BlendLogo(logo, preview, transparency, place.x(), place.y());
    return preview;
}

Picture maskPreview(const Picture& working, const Picture& mask, ColourValue colour)
{
    Picture preview = working;
    Picture stretched = mask;
    ApplyMask(stretched, preview, colour);
    return preview;
}

void loadOptimiserLogo(Picture& logo, const QString& path, int sizePercent)
{
    Picture loaded;
    LoadPicture(loaded, path);
    ToBitmap(loaded);
    if (sizePercent != 100) {
        ScalePicture(loaded, loaded.width() * sizePercent / 100,
                     loaded.height() * sizePercent / 100, true, 0);
    }
    loaded.setTransparent(true);
    loaded.clearKeyColour();
    logo = loaded;
}

void resizeWithText(Picture& working, QSize panel, bool keepAspect, const QString& text,
                    const QFont& font, ColourValue colour, int x, int y)
{
    ScalePicture(working, panel.width(), panel.height(), keepAspect, 0);
    if (!text.isEmpty()) {
        ToBitmap(working);
        TextStamp(working, text, font, colour, x, y, -1, -1);
    }
}

void EditHistory::push(const Picture& before)
{
    m_pictures.push_back(before);
    if (int(m_pictures.size()) > kDepth) {
        m_pictures.erase(m_pictures.begin());
    }
}

Picture EditHistory::pop()
{
    if (m_pictures.empty()) {
        return {};
    }
    Picture last = m_pictures.back();
    m_pictures.pop_back();
    return last;
}
