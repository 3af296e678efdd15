// The help text area's document: paragraphs with their own character formats.
#include "help/helpboard.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

QColor helpColor(ColourValue colour)
{
    return colour.isSystemColour() ? QColor() : colour.toColor();
}

QTextCharFormat helpCharFormat(const HelpFormat& format)
{
    QTextCharFormat chars;
    chars.setFontPointSize(format.size);
    chars.setFontWeight(format.styles.testFlag(HelpStyle::Bold) ? QFont::Bold : QFont::Normal);
    chars.setFontItalic(format.styles.testFlag(HelpStyle::Italic));
    chars.setFontUnderline(format.styles.testFlag(HelpStyle::Underline));
    chars.setFontStrikeOut(format.styles.testFlag(HelpStyle::StrikeOut));
    const QColor color = helpColor(format.color);
    if (color.isValid())
        chars.setForeground(color);
    return chars;
}

HelpBoard::HelpBoard(QTextDocument* document) : m_document(document)
{
}

void HelpBoard::insert(const QStringList& lines, const QString& key)
{
    clear();
    m_format = HelpFormat();
    for (const HelpParagraph& paragraph : renderHelpTopic(lines, key)) {
        m_format = paragraph.format;
        add(paragraph.text);
    }
}

void HelpBoard::add(const QString& text)
{
    const QTextCharFormat chars = helpCharFormat(m_format);
    QTextCursor cursor(m_document);
    cursor.movePosition(QTextCursor::End);
    if (m_hasParagraph)
        cursor.insertBlock(QTextBlockFormat(), chars);
    else
        cursor.setBlockCharFormat(chars);
    // An empty paragraph still takes the height of its font, as in the editor it mimics.
    cursor.insertText(text, chars);
    m_hasParagraph = true;
}

void HelpBoard::size(int points)
{
    m_format.size = std::clamp(points, HelpFormat::kMinSize, HelpFormat::kMaxSize);
}

void HelpBoard::clear()
{
    m_document->clear();
    m_hasParagraph = false;
}
