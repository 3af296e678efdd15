// Colour values: bytes, system colours and the "#RRGGBB" form.
#include "util/colourvalue.h"

#include "util/textutil.h"

#include <iterator>

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

bool isHexDigit(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
}

} // namespace

ColourValue ColourValue::fromHtml(const QString& text)
{
    if (text.size() > 6 && text.at(0) == u'#') {
        const QString hex = text.mid(5, 2) + text.mid(3, 2) + text.mid(1, 2);
        for (QChar c : hex) {
            if (!isHexDigit(c))
                return {};
        }
        return ColourValue(int(hex.toUInt(nullptr, 16)));
    }
    return ColourValue(TextToInt(text));
}

QColor ColourValue::toColor() const
{
    if (isSystemColour()) {
        const auto index = std::size_t(systemIndex());
        return index < std::size(kSystemColours) ? QColor(kSystemColours[index])
                                                 : QColor(Qt::black);
    }
    return QColor(red(), green(), blue());
}

QString ColourValue::toHtml() const
{
    // A negative value shows its 32-bit two's complement, eight digits.
    const QString hex = QString::number(quint32(m_value), 16).toUpper().rightJustified(6, u'0');
    return u'#' + hex.mid(4, 2) + hex.mid(2, 2) + hex.mid(0, 2);
}
