// The help markup: tags, line splitting, topics and the help list.
#include "help/helpmarkup.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

HelpFormat tagged(const QString& tag, HelpFormat format = {})
{
    applyHelpTag(tag, format);
    return format;
}

} // namespace

TEST(ApplyHelpTag, SizeTagsSetPointsAndIgnoreCase)
{
    EXPECT_EQ(tagged(u"s12"_s).size, 12);
    EXPECT_EQ(tagged(u"S20"_s).size, 20);
    EXPECT_EQ(tagged(u"s8"_s, tagged(u"s12"_s)).size, 8);
    // No usable number keeps the current size instead of a zero-point font.
    EXPECT_EQ(tagged(u"s"_s, tagged(u"s12"_s)).size, 12);
    EXPECT_EQ(tagged(u"s-5"_s, tagged(u"s12"_s)).size, 12);
    EXPECT_EQ(tagged(u"s99999"_s).size, HelpFormat::kMaxSize);
}

TEST(ApplyHelpTag, ColourTagsReadBlueGreenRedAndHash)
{
    EXPECT_EQ(tagged(u"c255"_s).color, 255);           // red
    EXPECT_EQ(tagged(u"C16711680"_s).color, 16711680); // blue
    EXPECT_EQ(tagged(u"#ff0000"_s).color, 255);        // red
    EXPECT_EQ(tagged(u"#0000FF"_s).color, 16711680);   // blue
    EXPECT_EQ(tagged(u"c#ff0000"_s).color, 255);       // "c" removed, then read as "#"
    EXPECT_EQ(tagged(u"c#00ff00"_s, tagged(u"c255"_s)).color, 0x00FF00);
    // Every "c" goes, hexadecimal digits included: "#cc0000" shrinks to "#0000".
    EXPECT_EQ(tagged(u"c#cc0000"_s, tagged(u"c255"_s)).color, 0);
    EXPECT_NE(tagged(u"#cc0000"_s).color, 0x0000CC);
}

TEST(ApplyHelpTag, StyleTagsReplaceTheWholeStyle)
{
    EXPECT_EQ(tagged(u"b"_s).styles, HelpStyles(HelpStyle::Bold));
    EXPECT_EQ(tagged(u"B"_s).styles, HelpStyles(HelpStyle::Bold));
    EXPECT_EQ(tagged(u"i"_s, tagged(u"b"_s)).styles, HelpStyles(HelpStyle::Italic));
    EXPECT_EQ(tagged(u"u"_s).styles, HelpStyles(HelpStyle::Underline));
    EXPECT_EQ(tagged(u"n"_s, tagged(u"b"_s)).styles, HelpStyles());
    // Unknown tags and topic lines change nothing.
    const HelpFormat bold12 = tagged(u"b"_s, tagged(u"s12"_s));
    EXPECT_EQ(tagged(u"nav"_s, bold12), bold12);
    EXPECT_EQ(tagged(u"bi"_s, bold12), bold12);
    EXPECT_EQ(tagged(u""_s, bold12), bold12);
}

TEST(ApplyHelpTag, RulesWorkOnTheProgressivelyChangedTag)
{
    // "sb" loses its "s" (no size), leaving "b": bold.
    const HelpFormat sb = tagged(u"sb"_s);
    EXPECT_EQ(sb.size, 8);
    EXPECT_EQ(sb.styles, HelpStyles(HelpStyle::Bold));
    // "s12c255": size from "12c255" (12), colour from "12255".
    const HelpFormat both = tagged(u"s12c255"_s);
    EXPECT_EQ(both.size, 12);
    EXPECT_EQ(both.color, 12255);
    // "picload" (a topic line read without a key) sets colour 0 through its "c".
    EXPECT_EQ(tagged(u"PicLoad"_s, tagged(u"c255"_s)).color, 0);
}

TEST(SplitHelpLine, DropsTextBeforeTheTagAndReadsOnlyTheFirstTag)
{
    QString tag;
    QString text;
    EXPECT_TRUE(splitHelpLine(u"abc<b>def"_s, tag, text));
    EXPECT_EQ(tag, u"b"_s);
    EXPECT_EQ(text, u"def"_s);

    EXPECT_TRUE(splitHelpLine(u"x<b>y<i>z"_s, tag, text));
    EXPECT_EQ(tag, u"b"_s);
    EXPECT_EQ(text, u"y<i>z"_s);

    // An unclosed tag takes the rest of the line.
    EXPECT_TRUE(splitHelpLine(u"a<s12 big"_s, tag, text));
    EXPECT_EQ(tag, u"s12 big"_s);
    EXPECT_EQ(text, QString());

    EXPECT_FALSE(splitHelpLine(u"[Titel] > x"_s, tag, text));
    EXPECT_EQ(text, u"[Titel] > x"_s);
    EXPECT_FALSE(splitHelpLine(QString(), tag, text));
    EXPECT_EQ(text, QString());
}

TEST(RenderHelpTopic, NavShowsBoldHeadingThenPlainBody)
{
    const QList<HelpParagraph> paragraphs = renderHelpTopic(lHlp(), u"Nav"_s);
    HelpFormat heading;
    heading.size = 12;
    heading.styles = HelpStyle::Bold;
    const HelpFormat body; // 8 points, plain, black
    const QList<HelpParagraph> expected = {
        {u"Sie können einen Text oder ein Bild zur Navigation angeben"_s, heading},
        {QString(), body},
        {u"Wenn Sie ein Bild angeben, so wird der Link einfach mit dem angegebenen Bild "
         u"erstellt."_s,
         body},
        {QString(), body},
    };
    EXPECT_EQ(paragraphs, expected);
}

TEST(RenderHelpTopic, TextBeforeTagAndLaterTagsOnALine)
{
    const QStringList lines = {u"<K>"_s, u"abc<b>def"_s, u"x<i>y<u>z"_s, u"<end>"_s};
    const QList<HelpParagraph> paragraphs = renderHelpTopic(lines, u"K"_s);
    ASSERT_EQ(paragraphs.size(), 2);
    EXPECT_EQ(paragraphs[0].text, u"def"_s);
    EXPECT_EQ(paragraphs[0].format.styles, HelpStyles(HelpStyle::Bold));
    EXPECT_EQ(paragraphs[1].text, u"y<u>z"_s);
    EXPECT_EQ(paragraphs[1].format.styles, HelpStyles(HelpStyle::Italic));
}

TEST(RenderHelpTopic, KeysAreExactButTagsAreNot)
{
    EXPECT_TRUE(renderHelpTopic(lHlp(), u"vor"_s).isEmpty());
    EXPECT_TRUE(renderHelpTopic(lHlp(), u"Unbekannt"_s).isEmpty());
    const QList<HelpParagraph> upper =
        renderHelpTopic({u"<T>"_s, u"<B>Fett"_s, u"<end>"_s}, u"T"_s);
    ASSERT_EQ(upper.size(), 1);
    EXPECT_EQ(upper[0].format.styles, HelpStyles(HelpStyle::Bold));
}

TEST(RenderHelpTopic, TopicsStopAtEndAndAttributesPersistAcrossLines)
{
    const QStringList lines = {u"intro"_s, u"<A>"_s,  u"<c255>"_s, u"<s10>rot"_s, u"weiter"_s,
                               u"<end>"_s, u"----"_s, u"<B>"_s,    u"anderes"_s,  u"<end>"_s};
    const QList<HelpParagraph> a = renderHelpTopic(lines, u"A"_s);
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(a[1].text, u"weiter"_s);
    EXPECT_EQ(a[1].format.color, 255);
    EXPECT_EQ(a[1].format.size, 10);
    // Each rendering starts from 8 points, plain, black.
    const QList<HelpParagraph> b = renderHelpTopic(lines, u"B"_s);
    ASSERT_EQ(b.size(), 1);
    EXPECT_EQ(b[0], (HelpParagraph{u"anderes"_s, HelpFormat()}));
}

TEST(RenderHelpTopic, EmptyKeyRendersEveryLine)
{
    const QStringList lines = {u"<A>"_s, u"<b>"_s, u"x"_s, u"<end>"_s, u"----"_s, QString()};
    const QList<HelpParagraph> all = renderHelpTopic(lines, QString());
    HelpFormat bold;
    bold.styles = HelpStyle::Bold;
    const QList<HelpParagraph> expected = {{u"x"_s, bold}, {u"----"_s, bold}, {QString(), bold}};
    EXPECT_EQ(all, expected);

    // The whole help list: every line without a tag and every tagged line with text.
    EXPECT_EQ(renderHelpTopic(lHlp(), QString()).size(), 37);
}

TEST(HelpList, HoldsTheFiveTopicsWithTheirHeadings)
{
    const QStringList& list = lHlp();
    EXPECT_EQ(list.size(), 62);
    EXPECT_EQ(list.first(), u"<Vor>"_s);
    EXPECT_EQ(list.count(u"<end>"_s), 5);
    EXPECT_EQ(list.count(u"---------------------------------------"_s), 5);
    EXPECT_TRUE(list.at(list.size() - 1).isEmpty());
    EXPECT_TRUE(list.at(list.size() - 2).isEmpty());

    const QList<std::pair<QString, QString>> topics = {
        {u"Vor"_s, u"<s12>Platzhalter in den Vorlagedateien (htm)"_s},
        {u"Txt"_s, u"<s12>Text in Bild einfügen"_s},
        {u"Logo"_s, u"<s12>Logo einfügen"_s},
        {u"Nav"_s, u"<s12>Sie können einen Text oder ein Bild zur Navigation angeben"_s},
        {u"PicLoad"_s, u"<s12>Verzeichnis / Bilder laden"_s},
    };
    for (const auto& [key, heading] : topics) {
        const qsizetype start = list.indexOf(u"<"_s + key + u">"_s);
        ASSERT_GE(start, 0) << key.toStdString();
        EXPECT_EQ(list.at(start + 1), u"<b>"_s);
        EXPECT_EQ(list.at(start + 2), heading);
        EXPECT_EQ(list.at(start + 3), u"<s8>"_s);
        EXPECT_EQ(list.at(start + 4), u"<n>"_s);
    }
    const QList<HelpParagraph> vor = renderHelpTopic(list, u"Vor"_s);
    ASSERT_EQ(vor.size(), 11);
    EXPECT_EQ(vor[4].text, u"[Titel]"_s);
    EXPECT_EQ(vor[10].text, u"[Zeit]"_s);
    const QList<HelpParagraph> txt = renderHelpTopic(list, u"Txt"_s);
    ASSERT_EQ(txt.size(), 6);
    EXPECT_EQ(txt[5].text, u"(c) 2005 by Mir"_s);
}
