// The text stamp, drawn with QPainter on the 24-bit bitmap. A QImage with a QFont is
// safe on worker threads once the application object exists.
#include "textstamp.h"

#include "picture.h"
#include "pixels.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Integer division truncating toward zero, as the placement rules use it.
int divTrunc(int a, int b)
{
    return a / b;
}

} // namespace

void TextStamp(Picture& picture, const QString& text, const QFont& font, ColourValue colour, int x,
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
    painter.setPen(colour.toColor());
    painter.drawText(left, top + metrics.ascent(), text);
}
