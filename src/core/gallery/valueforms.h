// Text forms of project values: integers, booleans, colours (0x00BBGGRR) and font texts
// such as "Tahoma,B,12,65535", both ways, plus the style-sheet form of a font.
#pragma once

#include "util/colourvalue.h"
#include "util/textutil.h"

#include <QFont>
#include <QString>

// A font as the project stores it. `color` uses the layout 0x00BBGGRR (red in the low
// byte); negative values are system colours and are kept as they are.
struct FontSpec
{
    QString name;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int size = 0; // points
    int color = 0;

    bool operator==(const FontSpec&) const = default;
};

// The font text of a font control before any project value is applied (the window font).
inline const QString kWindowFontText = QStringLiteral("MS Sans Serif,,8,-16777208");

// Largest point size a font text may set; larger sizes are clamped so that a damaged
// project cannot ask the text stamp to render gigantic glyphs.
inline constexpr int kMaxFontPoints = 1000;

// "" and "0" are false; j, ja, o, oui, y, yes, w, wahr, x, true, an, on (any case) are
// true; otherwise true exactly when TextToInt is not 0.
bool TextToBool(const QString& text);
// A word a yes/no value may be written as: the true words above, or n, nein, no, false,
// falsch, aus, off (any case).
bool isYesNoWord(const QString& text);

// `fields` selects f (name), a (styles), s (size), c (colour). The plain form keeps the
// four comma-separated positions (an unselected field is empty); the style-sheet form
// leaves out the declarations of unselected fields.
QString FontToText(const FontSpec& font, bool styleSheetForm = false,
                   const QString& fields = QStringLiteral("fasc"));

// Applies a font text to `font`: an empty name or colour field and a size that reads 0 or
// less leave the property unchanged; the styles are always replaced by the style field;
// an entirely empty text changes nothing.
void TextToFont(const QString& text, FontSpec& font);

// Qt fonts for drawing and for the font dialog; the colour travels separately.
QFont toQFont(const FontSpec& font);
FontSpec fontSpecFromQFont(const QFont& font, int color);
