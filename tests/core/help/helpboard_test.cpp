// The help board: paragraphs land in the document with their character formats.
#include "help/helpboard.h"

#include <QTextBlock>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QTextCharFormat blockFormat(const QTextDocument& document, int index)
{
    return document.findBlockByNumber(index).charFormat();
}

// The format of the text itself (an empty block only has its block char format).
QTextCharFormat textFormat(const QTextDocument& document, int index)
{
    const QTextBlock block = document.findBlockByNumber(index);
    return block.begin().atEnd() ? block.charFormat() : block.begin().fragment().charFormat();
}

} // namespace

TEST(HelpColor, ReadsBlueGreenRedAndLeavesSystemColoursToThePalette)
{
    EXPECT_EQ(helpColor(255), QColor(255, 0, 0));
    EXPECT_EQ(helpColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(helpColor(12648447), QColor(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(helpColor(0), QColor(0, 0, 0));
    EXPECT_FALSE(helpColor(-16777208).isValid());
}

TEST(HelpBoard, InsertNavBuildsFourParagraphs)
{
    QTextDocument document;
    HelpBoard board(&document);
    board.insert(lHlp(), u"Nav"_s);

    ASSERT_EQ(document.blockCount(), 4);
    EXPECT_EQ(document.findBlockByNumber(0).text(),
              u"Sie können einen Text oder ein Bild zur Navigation angeben"_s);
    const QTextCharFormat heading = textFormat(document, 0);
    EXPECT_EQ(heading.fontPointSize(), 12.0);
    EXPECT_EQ(heading.fontWeight(), QFont::Bold);
    EXPECT_FALSE(heading.fontItalic());
    EXPECT_EQ(heading.foreground().color(), QColor(0, 0, 0));

    EXPECT_TRUE(document.findBlockByNumber(1).text().isEmpty());
    EXPECT_EQ(blockFormat(document, 1).fontPointSize(), 8.0);

    const QTextCharFormat body = textFormat(document, 2);
    EXPECT_EQ(body.fontPointSize(), 8.0);
    EXPECT_EQ(body.fontWeight(), QFont::Normal);
    EXPECT_TRUE(document.findBlockByNumber(3).text().isEmpty());
    EXPECT_FALSE(document.toPlainText().contains(u"---"_s));
}

TEST(HelpBoard, InsertReplacesTheContentAndResetsTheAttributes)
{
    QTextDocument document;
    HelpBoard board(&document);
    board.insert({u"<A>"_s, u"<c255>"_s, u"<s20>"_s, u"<u>rot"_s, u"<end>"_s}, u"A"_s);
    EXPECT_EQ(document.toPlainText(), u"rot"_s);
    const QTextCharFormat red = textFormat(document, 0);
    EXPECT_EQ(red.foreground().color(), QColor(255, 0, 0));
    EXPECT_TRUE(red.fontUnderline());
    EXPECT_EQ(red.fontPointSize(), 20.0);
    EXPECT_EQ(board.format().size, 20);

    board.insert({u"<A>"_s, u"schwarz"_s, u"<end>"_s}, u"A"_s);
    EXPECT_EQ(document.toPlainText(), u"schwarz"_s);
    const QTextCharFormat plain = textFormat(document, 0);
    EXPECT_EQ(plain.fontPointSize(), 8.0);
    EXPECT_FALSE(plain.fontUnderline());
    EXPECT_EQ(plain.foreground().color(), QColor(0, 0, 0));

    // A key that names no topic leaves the document empty.
    board.insert(lHlp(), u"Fehlt"_s);
    EXPECT_TRUE(document.isEmpty());
}

TEST(HelpBoard, AddUsesTheAttributesSetBefore)
{
    QTextDocument document;
    HelpBoard board(&document);
    board.size(14);
    board.style(HelpStyles(HelpStyle::Bold) | HelpStyle::Italic);
    board.add(u"eins"_s);
    board.style(HelpStyle::StrikeOut);
    board.color(0x00FF00);
    board.add(u"zwei"_s);
    board.size(0); // clamped to the smallest size
    board.add(QString());

    ASSERT_EQ(document.blockCount(), 3);
    const QTextCharFormat one = textFormat(document, 0);
    EXPECT_EQ(one.fontPointSize(), 14.0);
    EXPECT_EQ(one.fontWeight(), QFont::Bold);
    EXPECT_TRUE(one.fontItalic());
    const QTextCharFormat two = textFormat(document, 1);
    EXPECT_EQ(two.fontWeight(), QFont::Normal);
    EXPECT_TRUE(two.fontStrikeOut());
    EXPECT_EQ(two.foreground().color(), QColor(0, 255, 0));
    EXPECT_EQ(blockFormat(document, 2).fontPointSize(), double(HelpFormat::kMinSize));

    board.clear();
    EXPECT_TRUE(document.isEmpty());
    board.add(u"neu"_s);
    EXPECT_EQ(document.blockCount(), 1);
    EXPECT_EQ(textFormat(document, 0).fontPointSize(), double(HelpFormat::kMinSize));
}
