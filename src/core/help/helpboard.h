// Writes help paragraphs into a rich-text document with the current size, colour and
// style, the way the help window's text area shows them.
#pragma once

#include "help/helpmarkup.h"
#include "util/colourvalue.h"

#include <QColor>
#include <QTextCharFormat>

class QTextDocument;

// The text colour for a colour value in the 0x00BBGGRR layout; an invalid QColor for a
// negative value (a system colour: the reader's palette text colour is used).
QColor helpColor(ColourValue colour);
// The character format of `format`; the font family is left to the document's default.
QTextCharFormat helpCharFormat(const HelpFormat& format);

class HelpBoard
{
public:
    // `document` is not owned and must outlive the board.
    explicit HelpBoard(QTextDocument* document);

    // Renders the topic `key` of `lines` into the emptied document, starting from
    // size 8, plain style and black; an empty key renders every line.
    void insert(const QStringList& lines, const QString& key);
    // Appends one paragraph with the current attributes.
    void add(const QString& text);
    void style(HelpStyle one) { m_format.styles = one; }
    void style(HelpStyles set) { m_format.styles = set; }
    void color(int colorValue) { m_format.color = colorValue; }
    void size(int points);
    // Empties the document; the attributes stay.
    void clear();

    const HelpFormat& format() const { return m_format; }
    QTextDocument* document() const { return m_document; }

private:
    QTextDocument* m_document;
    HelpFormat m_format;
    bool m_hasParagraph = false;
};
