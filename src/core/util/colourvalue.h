// Colour values as the project, the pictures and the windows exchange them: 0x00BBGGRR
// (red in the low byte), negative values naming system colours; and their "#RRGGBB" form.
#pragma once

#include <QColor>
#include <QString>

class ColourValue
{
public:
    constexpr ColourValue() = default;
    // Any 32-bit pattern: 0x00BBGGRR, or a system colour such as -16777208 (window text)
    // or 0x80000008.
    constexpr ColourValue(int value) : m_value(value) {}

    static ColourValue fromRgb(int red, int green, int blue)
    {
        return ColourValue(red | (green << 8) | (blue << 16));
    }
    static ColourValue fromColor(const QColor& color)
    {
        return fromRgb(color.red(), color.green(), color.blue());
    }
    // "#RRGGBB..." (longer than six characters) gives the colour; non-hex digits give 0.
    // Any other text is read as a decimal number with TextToInt.
    static ColourValue fromHtml(const QString& text);

    constexpr int value() const { return m_value; }
    constexpr int red() const { return m_value & 0xFF; }
    constexpr int green() const { return (m_value >> 8) & 0xFF; }
    constexpr int blue() const { return (m_value >> 16) & 0xFF; }
    constexpr bool isSystemColour() const { return m_value < 0; }
    // The system colour's index (8: window text, 5: window, 15: button face ...).
    constexpr int systemIndex() const { return m_value & 0xFF; }

    // The colour to draw with: the three bytes, or a system colour's classic default, so
    // that pictures come out the same on every desktop.
    QColor toColor() const;
    // "#RRGGBB"; a system colour shows the pairs of its eight hex digits in the same order.
    QString toHtml() const;

    constexpr bool operator==(const ColourValue&) const = default;

private:
    int m_value = 0;
};

// The project's names for the two text forms.
inline QString ColorToHtml(ColourValue colour)
{
    return colour.toHtml();
}
inline int HtmlToColor(const QString& text)
{
    return ColourValue::fromHtml(text).value();
}
