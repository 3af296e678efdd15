// The help markup: one optional tag per line sets size, colour and style of the lines
// that follow; a topic is the run of lines between "<key>" and "<end>".
#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

enum class HelpStyle
{
    Bold = 0x1,
    Italic = 0x2,
    Underline = 0x4,
    StrikeOut = 0x8
};
Q_DECLARE_FLAGS(HelpStyles, HelpStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(HelpStyles)

// The attributes of the text added next: size in points, colour in the 0x00BBGGRR
// layout (negative values name system colours), style set.
struct HelpFormat
{
    int size = kHelpDefaultSize;
    int color = 0;
    HelpStyles styles;

    static constexpr int kHelpDefaultSize = 8;
    // A tag can ask for any number; sizes outside this range would make the text
    // unreadable or the layout explode, so they are clamped.
    static constexpr int kMinSize = 1;
    static constexpr int kMaxSize = 400;

    bool operator==(const HelpFormat&) const = default;
};

// One rendered paragraph: its text and the attributes current when it was added.
struct HelpParagraph
{
    QString text;
    HelpFormat format;

    bool operator==(const HelpParagraph&) const = default;
};

// Applies one tag (the text between "<" and ">", without them) to `format`. The tag is
// lower-cased; the size rule ("s"), the colour rules ("c", "#") and the style rules
// ("n", "b", "i", "u") run in this order on the progressively changed tag.
void applyHelpTag(const QString& tag, HelpFormat& format);

// Splits one markup line into its tag and text. Returns false when the line has no
// tag; the text before the first "<" is dropped, the tag ends at the next ">".
bool splitHelpLine(const QString& line, QString& tag, QString& text);

// The paragraphs that showing the topic `key` of `lines` produces, starting from size 8,
// plain style and black. An empty key renders every line.
QList<HelpParagraph> renderHelpTopic(const QStringList& lines, const QString& key);

// The main window's help list with its five topics "Vor", "Txt", "Logo", "Nav", "PicLoad".
const QStringList& lHlp();
