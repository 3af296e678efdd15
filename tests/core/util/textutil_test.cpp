// Text helpers: tokens, separators, replacing, comma lists, positions, list reordering.
#include "util/textutil.h"

#include <QStringListModel>
#include <gtest/gtest.h>

#include "testsupport.h"

TEST(NextToken, CutsTokensAndSeparatorsUntilEmpty)
{
    QString text = s(u"Server;User");
    EXPECT_EQ(nextToken(text, s(u";")), s(u"Server"));
    EXPECT_EQ(text, s(u"User"));
    EXPECT_EQ(nextToken(text, s(u";")), s(u"User"));
    EXPECT_TRUE(text.isEmpty());
    EXPECT_TRUE(nextToken(text, s(u";")).isEmpty());
    EXPECT_TRUE(text.isEmpty());

    QString withEmpty = s(u"a,,b");
    EXPECT_EQ(nextToken(withEmpty, s(u",")), s(u"a"));
    EXPECT_EQ(nextToken(withEmpty, s(u",")), QString());
    EXPECT_EQ(withEmpty, s(u"b"));
    EXPECT_EQ(nextToken(withEmpty, s(u",")), s(u"b"));

    QString multi = s(u"eins<br>zwei<BR>drei");
    EXPECT_EQ(nextToken(multi, s(u"<br>")), s(u"eins"));
    // The search is case-sensitive: "<BR>" is no separator.
    EXPECT_EQ(nextToken(multi, s(u"<br>")), s(u"zwei<BR>drei"));
}

TEST(NextToken, EmptySeparatorIsDetected)
{
    QString text = s(u"a;b,c");
    EXPECT_EQ(nextToken(text, QString()), s(u"a"));
    EXPECT_EQ(text, s(u"b,c"));
    QString plain = s(u"abc");
    EXPECT_EQ(nextToken(plain, QString()), s(u"abc"));
    EXPECT_TRUE(plain.isEmpty());
}

TEST(TokenAt, CountsFromOneAndIsEmptyOutside)
{
    EXPECT_EQ(tokenAt(s(u"1.2.3"), s(u"."), 1), s(u"1"));
    EXPECT_EQ(tokenAt(s(u"1.2.3"), s(u"."), 2), s(u"2"));
    EXPECT_EQ(tokenAt(s(u"1.2.3"), s(u"."), 3), s(u"3"));
    EXPECT_EQ(tokenAt(s(u"1.2.3"), s(u"."), 4), QString());
    EXPECT_EQ(tokenAt(s(u"1.2.3"), s(u"."), 0), QString());
    EXPECT_EQ(tokenAt(s(u"1.2.3"), s(u"."), -5), QString());
    EXPECT_EQ(tokenAt(s(u"a,,b"), s(u","), 2), QString());
    EXPECT_EQ(tokenAt(s(u"a,,b"), s(u","), 3), s(u"b"));
    EXPECT_EQ(tokenAt(s(u"x|y;z"), QString(), 2), s(u"z"));
    EXPECT_EQ(tokenAt(QString(), s(u","), 1), QString());
}

TEST(DetectSeparator, PriorityTabSemicolonBarBreakComma)
{
    EXPECT_EQ(detectSeparator(s(u"a,b<br>c")), s(u"<br>"));
    EXPECT_EQ(detectSeparator(s(u"a|b\tc")), s(u"\t"));
    EXPECT_EQ(detectSeparator(s(u"a|b;c,d")), s(u";"));
    EXPECT_EQ(detectSeparator(s(u"a,b|c")), s(u"|"));
    EXPECT_EQ(detectSeparator(s(u"a,b")), s(u","));
    EXPECT_EQ(detectSeparator(s(u"abc")), s(u"\t"));
    EXPECT_EQ(detectSeparator(QString()), s(u"\t"));
}

TEST(ReplaceAll, NonOverlappingLeftToRight)
{
    EXPECT_EQ(replaceAll(s(u"aaaa"), s(u"aa"), s(u"b")), s(u"bb"));
    EXPECT_EQ(replaceAll(s(u"aaa"), s(u"aa"), s(u"b")), s(u"ba"));
    EXPECT_EQ(replaceAll(s(u"Bild BILD bild"), s(u"bild"), s(u"x"), false), s(u"Bild BILD x"));
    EXPECT_EQ(replaceAll(s(u"Bild BILD bild"), s(u"bild"), s(u"x"), true), s(u"x x x"));
    EXPECT_EQ(replaceAll(s(u"a-b-c"), s(u"-"), QString()), s(u"abc"));
    // The new part is not searched again.
    EXPECT_EQ(replaceAll(s(u"ab"), s(u"a"), s(u"aa")), s(u"aab"));
    EXPECT_EQ(replaceAll(s(u"Größe ÄPFEL"), s(u"äpfel"), s(u"Birnen"), true), s(u"Größe Birnen"));
}

TEST(ReplaceAll, EmptyOldPartChangesNothing)
{
    EXPECT_EQ(replaceAll(s(u"abc"), QString(), s(u"x")), s(u"abc"));
    QString text = s(u"abc");
    replaceAllIn(text, QString(), s(u"x"), true);
    EXPECT_EQ(text, s(u"abc"));
    replaceAllIn(text, s(u"B"), s(u"_"), true);
    EXPECT_EQ(text, s(u"a_c"));
}

TEST(InList, WholeElementsOnly)
{
    EXPECT_TRUE(inList(s(u"doc"), s(u"*,doc,*doc"), false));
    EXPECT_FALSE(inList(s(u"do"), s(u"*,doc,*doc"), false));
    EXPECT_FALSE(inList(s(u"DOC"), s(u"*,doc,*doc"), false));
    EXPECT_TRUE(inList(s(u"DOC"), s(u"*,doc,*doc"), true));
    EXPECT_TRUE(inList(s(u"*doc"), s(u"*,doc,*doc"), false));
    EXPECT_TRUE(inList(s(u"a,b"), s(u"a,b,c"), false));
    EXPECT_FALSE(inList(s(u"a,c"), s(u"a,b,c"), false));
    EXPECT_FALSE(inList(QString(), s(u"a,b"), false));
    EXPECT_TRUE(inList(QString(), s(u"a,,b"), false));
    EXPECT_TRUE(inList(QString(), QString(), false));
    EXPECT_FALSE(inList(s(u"jpg"), QString(), false));
}

TEST(LastPos, StartOfLastOccurrenceIgnoringCase)
{
    EXPECT_EQ(lastPos(s(u"\\"), s(u"C:\\a\\b\\c.jpg")), 7);
    EXPECT_EQ(lastPos(s(u"/"), s(u"none")), 0);
    EXPECT_EQ(lastPos(s(u"AB"), s(u"xabyab")), 5);
    EXPECT_EQ(lastPos(s(u"ab"), s(u"abxx")), 1);
    EXPECT_EQ(lastPos(s(u"aa"), s(u"aaa")), 2);
    EXPECT_EQ(lastPos(QString(), s(u"abc")), 0);
    EXPECT_EQ(lastPos(s(u"abc"), s(u"ab")), 0);
    // Characters whose lower case is longer do not shift positions.
    EXPECT_EQ(lastPos(s(u"x"), s(u"\u0130x")), 2);
}

TEST(PosFrom, PositionInWholeText)
{
    EXPECT_EQ(posFrom(s(u">"), s(u"<html lang>x>"), 5), 11);
    EXPECT_EQ(posFrom(s(u">"), s(u"<html lang>x>"), 11), 13);
    EXPECT_EQ(posFrom(s(u">"), s(u"<html lang>x>"), 13), 0);
    EXPECT_EQ(posFrom(s(u"HTML"), s(u"<html>"), 0), 2);
    EXPECT_EQ(posFrom(s(u"html"), s(u"<html>"), -3), 2);
    EXPECT_EQ(posFrom(s(u"x"), s(u"abc"), 100), 0);
    EXPECT_EQ(posFrom(QString(), s(u"abc"), 0), 0);
}

TEST(IntStr, DecimalWithSign)
{
    EXPECT_EQ(intStr(0), s(u"0"));
    EXPECT_EQ(intStr(-42), s(u"-42"));
    EXPECT_EQ(intStr(1234567), s(u"1234567"));
    EXPECT_EQ(intStr(std::numeric_limits<qint64>::min()), s(u"-9223372036854775808"));
}

TEST(LeadingInt, DigitsAtTheStart)
{
    EXPECT_EQ(leadingInt(s(u"4 beta")), 4);
    EXPECT_EQ(leadingInt(s(u"-12x")), -12);
    EXPECT_EQ(leadingInt(s(u"+7")), 7);
    EXPECT_EQ(leadingInt(s(u"x1")), 0);
    EXPECT_EQ(leadingInt(QString()), 0);
    EXPECT_EQ(leadingInt(s(u"9223372036854775807")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(leadingInt(s(u"9223372036854775808")), 0);
    EXPECT_EQ(leadingInt(s(u"99999999999999999999999")), 0);
}

TEST(MoveDraggedItem, InsertBeforeTargetThenRemove)
{
    const QStringList abc{s(u"A"), s(u"B"), s(u"C")};
    QStringList list = abc;
    EXPECT_EQ(moveDraggedItem(list, 0, 2), 1);
    EXPECT_EQ(list, (QStringList{s(u"B"), s(u"A"), s(u"C")}));

    list = abc;
    EXPECT_EQ(moveDraggedItem(list, 2, 0), 0);
    EXPECT_EQ(list, (QStringList{s(u"C"), s(u"A"), s(u"B")}));

    list = abc;
    EXPECT_EQ(moveDraggedItem(list, 0, -1), 2);
    EXPECT_EQ(list, (QStringList{s(u"B"), s(u"C"), s(u"A")}));
    list = abc;
    EXPECT_EQ(moveDraggedItem(list, 0, 3), 2);
    EXPECT_EQ(list, (QStringList{s(u"B"), s(u"C"), s(u"A")}));

    // On itself, on the next entry, without a selection: nothing changes.
    list = abc;
    EXPECT_EQ(moveDraggedItem(list, 1, 1), -1);
    EXPECT_EQ(moveDraggedItem(list, 0, 1), -1);
    EXPECT_EQ(moveDraggedItem(list, 2, -1), -1);
    EXPECT_EQ(moveDraggedItem(list, -1, 0), -1);
    EXPECT_EQ(moveDraggedItem(list, 3, 0), -1);
    EXPECT_EQ(list, abc);

    // Equal texts: the selected entry itself moves.
    list = QStringList{s(u"X"), s(u"Y"), s(u"X")};
    EXPECT_EQ(moveDraggedItem(list, 2, 1), 1);
    EXPECT_EQ(list, (QStringList{s(u"X"), s(u"X"), s(u"Y")}));
}

TEST(MoveDraggedItem, ModelKeepsOrderRules)
{
    QStringListModel model(QStringList{s(u"A"), s(u"B"), s(u"C")});
    EXPECT_EQ(moveDraggedItem(model, 0, 2), 1);
    EXPECT_EQ(model.stringList(), (QStringList{s(u"B"), s(u"A"), s(u"C")}));
    EXPECT_EQ(moveDraggedItem(model, 2, 0), 0);
    EXPECT_EQ(model.stringList(), (QStringList{s(u"C"), s(u"B"), s(u"A")}));
    EXPECT_EQ(moveDraggedItem(model, 0, -1), 2);
    EXPECT_EQ(model.stringList(), (QStringList{s(u"B"), s(u"A"), s(u"C")}));
    EXPECT_EQ(moveDraggedItem(model, 1, 2), -1);
    EXPECT_EQ(moveDraggedItem(model, 5, 0), -1);
    EXPECT_EQ(model.stringList(), (QStringList{s(u"B"), s(u"A"), s(u"C")}));
}
