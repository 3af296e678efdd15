// The text stamp, drawn with QPainter on the 24-bit bitmap. A QImage with a QFont is
// safe on worker threads once the application object exists.
#include "textstamp.h"

#include "picture.h"
#include "pixels.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Default system colours by index (the classic desktop palette).
constexpr QRgb kSystemColours[] = {
    qRgb(200, 200, 200), qRgb(0, 0, 0),       qRgb(153, 180, 209), qRgb(191, 205, 219),
    qRgb(240, 240, 240), qRgb(255, 255, 255), qRgb(100, 100, 100), qRgb(0, 0, 0),
    qRgb(0, 0, 0),       qRgb(0, 0, 0),       qRgb(180, 180, 180), qRgb(244, 247, 252),
    qRgb(171, 171, 171), qRgb(0, 120, 215),   qRgb(255, 255, 255), qRgb(240, 240, 240),
    qRgb(160, 160, 160), qRgb(109, 109, 109), qRgb(0, 0, 0),       qRgb(0, 0, 0),
    qRgb(255, 255, 255), qRgb(105, 105, 105), qRgb(227, 227, 227), qRgb(0, 0, 0),
    qRgb(255, 255, 225),
};

// Integer division truncating toward zero, as the placement rules use it.
int divTrunc(int a, int b)
{
    return a / b;
}

} // namespace

QColor colourFromValue(qint64 value)
{
    const auto bits = quint32(value);
    if (bits & 0xff000000u) {
        const quint32 index = bits & 0xffu;
        return index < std::size(kSystemColours) ? QColor(kSystemColours[index])
                                                 : QColor(Qt::black);
    }
    return QColor(int(bits & 0xff), int((bits >> 8) & 0xff), int((bits >> 16) & 0xff));
}

void TextStamp(Picture& picture, const QString& text, const QFont& font, qint64 colour, int x,
               int y, int horizontal, int vertical)
{
    if (text.isEmpty()) {
        return;
    }
    ToBitmap(picture);
    QImage& bitmap = picture.bitmap();
    setStandardResolution(bitmap);
    const int W = bitmap.width();
    const int H = bitmap.height();
    const QFontMetrics metrics(font, &bitmap);
    const int tw = metrics.horizontalAdvance(text);
    const int th = metrics.height();

    int left = x;
    if (horizontal == 0) {
        left = x + divTrunc(W - tw, 2);
    } else if (horizontal > 0) {
        left = W - tw - x;
    }
    int top = y;
    if (vertical == 0) {
        top = y + divTrunc(H - th, 2);
    } else if (vertical > 0) {
        top = H - th - y;
    }

    QPainter painter(&bitmap);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setFont(font);
    painter.setPen(colourFromValue(colour));
    painter.drawText(left, top + metrics.ascent(), text);
}
