// Key lookup, writing and the picture section of the settings list.
#include "gallery/paramlist.h"

#include <gtest/gtest.h>

namespace {

ParamList listOf(std::initializer_list<const char16_t*> lines)
{
    QStringList out;
    for (const char16_t* line : lines)
        out.append(QString::fromUtf16(line));
    return ParamList(out);
}

} // namespace

TEST(ParamListValue, FirstLineAnyCaseUntrimmed)
{
    const ParamList list = listOf(
        {u"[Param]", u"qual=90", u"Qual=50", u"PTrenn = x", u"Titel=a=b", u"Index=", u"NoEquals"});
    EXPECT_EQ(list.value(QStringLiteral("Qual")), QStringLiteral("90"));
    EXPECT_EQ(list.value(QStringLiteral("QUAL")), QStringLiteral("90"));
    // A blank before "=" belongs to the key.
    EXPECT_EQ(list.indexOfKey(QStringLiteral("PTrenn")), -1);
    EXPECT_EQ(list.value(QStringLiteral("PTrenn ")), QStringLiteral(" x"));
    EXPECT_EQ(list.value(QStringLiteral("Titel")), QStringLiteral("a=b"));
    EXPECT_EQ(list.indexOfKey(QStringLiteral("Index")), 5);
    EXPECT_EQ(list.value(QStringLiteral("Index")), QString());
    EXPECT_EQ(list.indexOfKey(QStringLiteral("NoEquals")), -1);
    EXPECT_EQ(list.indexOfKey(QStringLiteral("[Param]")), -1);
    // A key containing "=" never matches a longer key's line.
    EXPECT_EQ(list.indexOfKey(QStringLiteral("Titel=a")), -1);
}

TEST(ParamListValue, FoundInAnySection)
{
    const ParamList list =
        listOf({u"[Images]", u"/p/a.jpg|x", u"[End]", u"FtpPath=/pub", u"[Param]", u"Qual=7"});
    EXPECT_EQ(list.value(QStringLiteral("FtpPath")), QStringLiteral("/pub"));
    EXPECT_EQ(list.value(QStringLiteral("Qual")), QStringLiteral("7"));
    EXPECT_EQ(ParamList::keyOfLine(QStringLiteral("/p/a=b.jpg|c")), QStringLiteral("/p/a"));
    EXPECT_TRUE(ParamList::keyOfLine(QStringLiteral("[End]")).isNull());
}

TEST(ParamListSetValue, ReplacesAppendsRemoves)
{
    ParamList list = listOf({u"[Param]", u"qual=90", u"Qual=50"});
    list.setValue(QStringLiteral("Qual"), QStringLiteral("70"));
    EXPECT_EQ(list, listOf({u"[Param]", u"Qual=70", u"Qual=50"}));
    list.setValue(QStringLiteral("PTrenn"), QStringLiteral(" | "));
    EXPECT_EQ(list, listOf({u"[Param]", u"Qual=70", u"Qual=50", u"PTrenn= | "}));
    list.setValue(QStringLiteral("QUAL"), QString());
    EXPECT_EQ(list, listOf({u"[Param]", u"Qual=50", u"PTrenn= | "}));
    list.setValue(QStringLiteral("Missing"), QString());
    EXPECT_EQ(list.size(), 3);
}

TEST(ParamListPictures, SectionBoundaries)
{
    const ParamList list = listOf({u"[Param]", u"Qual=1", u"[Images]", u"/a.jpg|Am Meer", u"",
                                   u"   ", u" /b.jpg", u"[End]", u"/c.jpg"});
    EXPECT_EQ(list.pictureEntries(),
              (QStringList{QStringLiteral("/a.jpg|Am Meer"), QStringLiteral(" /b.jpg")}));
}

TEST(ParamListPictures, WithoutEndReadsToTheNextBracketOrEnd)
{
    EXPECT_EQ(listOf({u"[images]", u"/a.jpg", u"FtpPath=/"}).pictureEntries(),
              (QStringList{QStringLiteral("/a.jpg"), QStringLiteral("FtpPath=/")}));
    EXPECT_EQ(listOf({u"[IMAGES] old", u"/a.jpg", u"[Other]", u"/b.jpg"}).pictureEntries(),
              (QStringList{QStringLiteral("/a.jpg")}));
    EXPECT_TRUE(listOf({u"Qual=1", u"/a.jpg"}).pictureEntries().isEmpty());
    EXPECT_TRUE(listOf({u" [Images]", u"/a.jpg"}).pictureEntries().isEmpty());
}
