// Built-in templates, HTMLInit, the run's date and time, user templates.
#include "gallery/templates.h"
#include "pagestestsupport.h"
#include "util/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kComment =
    QStringLiteral("<!-- *** generated with Lumivista (1.8.2.24), 05.03.24 14:07:09 - "
                   "https://lumivista.example/ *** -->");
const QString kLink =
    QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"font.css\">");

} // namespace

TEST(BuiltInTemplates, LinesAreExact)
{
    const QStringList index = mIndex();
    ASSERT_EQ(index.size(), 17);
    EXPECT_EQ(index.at(2), QStringLiteral("<meta http-equiv=\"Content-Type\" "
                                          "content=\"text/html; charset=iso-8859-1\">"));
    EXPECT_EQ(index.at(3), QStringLiteral("<title>[Titel]</title>"));
    EXPECT_EQ(index.at(6), QStringLiteral("  <table border=\"0\" cellpadding=\"0\" "
                                          "cellspacing=\"0\" width=\"100%\" height=\"80%\">"));
    EXPECT_EQ(index.at(7), QStringLiteral("    <tr>"));
    EXPECT_EQ(index.at(8), QStringLiteral("      <td width=\"100%\" height=\"100\" "
                                          "align=\"center\" valign=\"middle\">"));
    EXPECT_EQ(index.at(9), QStringLiteral("      <h1 align=\"center\">[Titel]</h1>"));
    EXPECT_EQ(index.at(10), QStringLiteral("      <p>[index]</p>"));
    EXPECT_EQ(index.at(11), QStringLiteral("      <p>[navigation]</p>"));
    EXPECT_EQ(index.at(16), QStringLiteral("</html>"));

    const QStringList bild = mBild();
    ASSERT_EQ(bild.size(), 17);
    EXPECT_EQ(bild.at(10), QStringLiteral("      <p>[bild]<br>[bezeichnung]</p>"));
    for (int i = 0; i < 17; ++i) {
        if (i != 10) {
            EXPECT_EQ(bild.at(i), index.at(i)) << i;
        }
    }
}

TEST(PageStamp, DateAndTimeOfTheRun)
{
    PageStamp stamp = testStamp();
    EXPECT_EQ(stamp.date(), QStringLiteral("05.03.24"));
    EXPECT_EQ(stamp.time(), QStringLiteral("14:07:09"));
    EXPECT_EQ(stamp.dateTime(), QStringLiteral("05.03.24 14:07:09"));
    stamp.datZeit.setTime(QTime(0, 0));
    EXPECT_EQ(stamp.dateTime(), QStringLiteral("05.03.24"));
    EXPECT_EQ(stamp.time(), QStringLiteral("00:00:00"));

    // Without the time-zone name that Qt's long formats carry.
    stamp.datZeit = QDateTime(QDate(2024, 12, 31), QTime(9, 5, 1));
    stamp.locale = QLocale::c();
    EXPECT_EQ(stamp.time(), QStringLiteral("09:05:01"));
    stamp.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    EXPECT_FALSE(stamp.time().contains(QStringLiteral("UTC")));
    EXPECT_TRUE(stamp.time().startsWith(QStringLiteral("9:05:01"))) << stamp.time().toStdString();
}

TEST(HTMLInit, BuiltInTemplateGetsCommentAndLink)
{
    QString page = joinPageLines(mIndex());
    HTMLInit(page, testStamp());
    const QStringList lines = page.split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.at(0), QStringLiteral("<html>"));
    EXPECT_EQ(lines.at(1), kComment);
    EXPECT_EQ(lines.at(2), QStringLiteral("<head>"));
    EXPECT_EQ(lines.at(4), QStringLiteral("<title>[Titel]</title>"));
    EXPECT_EQ(lines.at(5), kLink);
    EXPECT_EQ(lines.at(6), QStringLiteral("</head>"));
    EXPECT_EQ(lines.size(), 20); // 17 lines, comment, link and the empty rest after the last
}

TEST(HTMLInit, PlaceholdersOfDateAndTimeAreCaseSensitive)
{
    QString page = QStringLiteral("<HTML lang=de><HEAD></HEAD>[Datum] [Zeit] [DATUM] [zeit]");
    HTMLInit(page, testStamp());
    EXPECT_EQ(page, QStringLiteral("<HTML lang=de>\r\n") + kComment + QStringLiteral("<HEAD>") +
                        kLink + QStringLiteral("\r\n</HEAD>05.03.24 14:07:09 [DATUM] [zeit]"));
}

TEST(HTMLInit, TemplateWithoutHtmlOrHead)
{
    QString page = QStringLiteral("<p>x</p>");
    HTMLInit(page, testStamp());
    EXPECT_EQ(page, kLink + QStringLiteral("\r\n<p>\r\n") + kComment + QStringLiteral("x</p>"));

    QString bare = QStringLiteral("nur Text");
    HTMLInit(bare, testStamp());
    EXPECT_EQ(bare, kLink + QStringLiteral("\r\n\r\n") + kComment + QStringLiteral("nur Text"));
}

TEST(UserTemplates, EncodingsAndLineBreaks)
{
    QTemporaryDir dir;
    const QString utf8Bom = dir.filePath(QStringLiteral("bom.htm"));
    writeBytes(utf8Bom, QByteArray("\xEF\xBB\xBF<p>\xE2\x82\xAC \xE4\xB8\xAD</p>\n"));
    EXPECT_EQ(readTemplateFile(utf8Bom), QStringList{QStringLiteral("<p>\u20AC \u4E2D</p>")});

    const QString utf8 = dir.filePath(QStringLiteral("utf8.htm"));
    writeBytes(utf8, QByteArray("a\r\n\xC3\xA4\rb"));
    EXPECT_EQ(readTemplateFile(utf8),
              (QStringList{QStringLiteral("a"), QStringLiteral("\u00E4"), QStringLiteral("b")}));

    const QString cp1252 = dir.filePath(QStringLiteral("ansi.htm"));
    writeBytes(cp1252, QByteArray("Gr\xFC\xDF"
                                  "e \x80\r\n\r\n"));
    EXPECT_EQ(readTemplateFile(cp1252), (QStringList{QStringLiteral("Gr\u00FC\u00DF"
                                                                    "e \u20AC"),
                                                     QString()}));

    const QString utf16 = dir.filePath(QStringLiteral("utf16.htm"));
    writeBytes(utf16, QByteArray("\xFF\xFEh\0i\0", 6));
    EXPECT_EQ(readTemplateFile(utf16), QStringList{QStringLiteral("hi")});

    EXPECT_THROW(readTemplateFile(dir.filePath(QStringLiteral("missing.htm"))), LumiError);
}

TEST(UserTemplates, ChoiceFallsBackToTheBuiltInOnes)
{
    QTemporaryDir dir;
    const QString index = dir.filePath(QStringLiteral("i.htm"));
    const QString bild = dir.filePath(QStringLiteral("b.htm"));
    const QString empty = dir.filePath(QStringLiteral("e.htm"));
    const QString missing = dir.filePath(QStringLiteral("missing.htm"));
    writeBytes(index, "INDEX [index]");
    writeBytes(bild, "BILD [bild]");
    writeBytes(empty, "");

    PageTemplates t = chooseTemplates(index, bild);
    EXPECT_EQ(t.index, QStringList{QStringLiteral("INDEX [index]")});
    EXPECT_EQ(t.picture, QStringList{QStringLiteral("BILD [bild]")});
    EXPECT_TRUE(t.problems.isEmpty());

    t = chooseTemplates(QString(), QString());
    EXPECT_EQ(t.index, mIndex());
    EXPECT_EQ(t.picture, mBild());

    // A failing index template leaves the picture template unread.
    t = chooseTemplates(missing, bild);
    EXPECT_EQ(t.index, mIndex());
    EXPECT_EQ(t.picture, mBild());
    ASSERT_EQ(t.problems.size(), 1);
    EXPECT_TRUE(t.problems.first().contains(missing));

    t = chooseTemplates(empty, missing);
    EXPECT_EQ(t.index, mIndex());
    EXPECT_EQ(t.picture, mBild());
    EXPECT_EQ(t.problems.size(), 1);

    t = chooseTemplates(index, empty);
    EXPECT_EQ(t.index, QStringList{QStringLiteral("INDEX [index]")});
    EXPECT_EQ(t.picture, mBild());
}

TEST(UserTemplates, BuiltInOnesAreWrittenOnlyWhenMissing)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/");
    writeBytes(folder + QStringLiteral("bild.htm"), "mine");
    writeBuiltInTemplates(folder);
    const QByteArray index = readBytes(folder + QStringLiteral("index.htm"));
    EXPECT_TRUE(index.startsWith("<html>\r\n<head>\r\n<meta http-equiv="));
    EXPECT_TRUE(index.endsWith("</body>\r\n</html>\r\n"));
    EXPECT_EQ(index.count("\r\n"), 17);
    EXPECT_EQ(readBytes(folder + QStringLiteral("bild.htm")), QByteArray("mine"));

    QFile::remove(folder + QStringLiteral("bild.htm"));
    writeBuiltInTemplates(folder);
    EXPECT_EQ(readBytes(folder + QStringLiteral("bild.htm")), joinPageLines(mBild()).toLatin1());
}
