// Index pages: page names, table cells and rows, links between pages, the written file.
#include "gallery/indexpage.h"
#include "pagestestsupport.h"
#include "util/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kNext1 = QStringLiteral("<a class=\"navi\" href=\"index1.htm\">---></a>");

QString cell(const QString& page, const QString& thumb, const QString& caption = {})
{
    return QStringLiteral("<td><a href=\"") + page + QStringLiteral("\"><img src=\"") + thumb +
           QStringLiteral("\" border=\"0\" alt=\"\"></a>") + caption + QStringLiteral("</td>");
}

} // namespace

TEST(IndexPages, CountAndNames)
{
    GalleryLayout layout = numberedLayout(13, 4, 3);
    EXPECT_EQ(layout.maxPic(), 12);
    EXPECT_EQ(indexPageCount(layout), 2);
    EXPECT_EQ(indexPageCount(numberedLayout(12, 4, 3)), 1);
    EXPECT_EQ(indexPageCount(numberedLayout(0, 4, 3)), 0);
    EXPECT_EQ(PageName(0, layout), QStringLiteral("index.htm"));
    EXPECT_EQ(PageName(1, layout), QStringLiteral("index1.htm"));
    EXPECT_EQ(indexPagePath(0, layout), QStringLiteral("/web/index.htm"));
    EXPECT_EQ(indexPagePath(1, layout), QStringLiteral("/web/index1.htm"));

    layout.indexDat = indexDatFor(QStringLiteral("/web/"), QStringLiteral("start.html"), false);
    EXPECT_EQ(PageName(0, layout), QStringLiteral("start.html"));
    EXPECT_EQ(PageName(1, layout), QStringLiteral("start1.htm"));
    EXPECT_EQ(PageName(2, layout), QStringLiteral("start2.htm"));

    EXPECT_EQ(indexDatFor(QStringLiteral("/web/"), QStringLiteral("start"), false),
              QStringLiteral("/web/start.htm"));
    EXPECT_EQ(indexDatFor(QStringLiteral("/web/"), QStringLiteral("start"), true),
              QStringLiteral("/web/index.htm"));
    // Folders in the setting cannot move the index out of the target folder.
    EXPECT_EQ(indexDatFor(QStringLiteral("/web/"), QStringLiteral("../../etc/start"), false),
              QStringLiteral("/web/start.htm"));
    EXPECT_EQ(indexDatFor(QStringLiteral("/web/"), QString(), false),
              QStringLiteral("/web/index.htm"));

    // A page name that would break a link is encoded in links only.
    layout.indexDat = QStringLiteral("/web/Seite #1.htm");
    EXPECT_EQ(PageName(1, layout), QStringLiteral("Seite #11.htm"));
    EXPECT_EQ(pageLink(1, layout), QStringLiteral("Seite%20%2311.htm"));
}

TEST(IndexPages, CellOfTheExampleEntry)
{
    const GalleryLayout layout = startLayout({QStringLiteral("Strand.jpg|Am Meer")});
    const QStringList lines = indexTableLines(0, layout, 1);
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("<table border=1><tr>"),
                         QStringLiteral("<td><a href=\"Strand.htm\"><img "
                                        "src=\"image1/tn_Strand.jpg\" border=\"0\" "
                                        "alt=\"\"></a><br>Am Meer</td>"),
                         QStringLiteral("</tr></table>"),
                     }));
}

TEST(IndexPages, CaptionsOnlyWhenInUse)
{
    GalleryLayout layout = startLayout({QStringLiteral("a.jpg"), QStringLiteral("b.jpg|B")});
    EXPECT_EQ(indexTableLines(0, layout, 0).at(1),
              cell(QStringLiteral("a.htm"), QStringLiteral("image1/tn_a.jpg")));
    EXPECT_EQ(indexTableLines(0, layout, 0).at(2),
              cell(QStringLiteral("b.htm"), QStringLiteral("image1/tn_b.jpg")));
    EXPECT_EQ(indexTableLines(0, layout, 1).at(1),
              cell(QStringLiteral("a.htm"), QStringLiteral("image1/tn_a.jpg"),
                   QStringLiteral("<br>&nbsp;")));
    layout.names.picDatBez = true;
    EXPECT_EQ(
        indexTableLines(0, layout, 0).at(1),
        cell(QStringLiteral("a.htm"), QStringLiteral("image1/tn_a.jpg"), QStringLiteral("<br>a")));
}

TEST(IndexPages, RowsAndAPartialLastRow)
{
    GalleryLayout layout = numberedLayout(8, 4, 2);
    QStringList lines = indexTableLines(0, layout, 0);
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines.count(QStringLiteral("</tr><tr>")), 1);
    EXPECT_EQ(lines.at(5), QStringLiteral("</tr><tr>"));
    EXPECT_EQ(lines.last(), QStringLiteral("</tr></table>"));
    EXPECT_EQ(indexNavigation(0, layout), QString());

    // 6 pictures, 4 per row: the second row has two cells and is not filled up.
    layout = numberedLayout(6, 4, 5);
    lines = indexTableLines(0, layout, 0);
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("<table border=1><tr>"),
                         cell(QStringLiteral("p1.htm"), QStringLiteral("image1/tn_p1.jpg")),
                         cell(QStringLiteral("p2.htm"), QStringLiteral("image1/tn_p2.jpg")),
                         cell(QStringLiteral("p3.htm"), QStringLiteral("image1/tn_p3.jpg")),
                         cell(QStringLiteral("p4.htm"), QStringLiteral("image1/tn_p4.jpg")),
                         QStringLiteral("</tr><tr>"),
                         cell(QStringLiteral("p5.htm"), QStringLiteral("image1/tn_p5.jpg")),
                         cell(QStringLiteral("p6.htm"), QStringLiteral("image1/tn_p6.jpg")),
                         QStringLiteral("</tr></table>"),
                     }));

    layout.rahmen = 0;
    layout.col = 1;
    layout.row = 6;
    lines = indexTableLines(0, layout, 0);
    EXPECT_EQ(lines.first(), QStringLiteral("<table border=0><tr>"));
    EXPECT_EQ(lines.count(QStringLiteral("</tr><tr>")), 5);
}

TEST(IndexPages, NinePicturesOnTwoPages)
{
    const GalleryLayout layout = numberedLayout(9, 4, 2);
    ASSERT_EQ(indexPageCount(layout), 2);
    EXPECT_EQ(indexNavigation(0, layout), kNext1);
    EXPECT_EQ(indexNavigation(1, layout),
              QStringLiteral("<a class=\"navi\" href=\"index.htm\"><---</a>"));
    const QStringList lines = indexTableLines(1, layout, 0);
    EXPECT_EQ(lines, (QStringList{
                         QStringLiteral("<table border=1><tr>"),
                         cell(QStringLiteral("p9.htm"), QStringLiteral("image1/tn_p9.jpg")),
                         QStringLiteral("</tr></table>"),
                     }));
}

TEST(IndexPages, MiddlePageLinksBothWaysWithTheSeparator)
{
    const GalleryLayout layout = numberedLayout(17, 4, 2);
    ASSERT_EQ(indexPageCount(layout), 3);
    EXPECT_EQ(indexNavigation(1, layout),
              QStringLiteral("<a class=\"navi\" href=\"index.htm\"><---</a>&nbsp;|&nbsp;"
                             "<a class=\"navi\" href=\"index2.htm\">---></a>"));
    EXPECT_EQ(indexNavigation(2, layout),
              QStringLiteral("<a class=\"navi\" href=\"index1.htm\"><---</a>"));
}

TEST(IndexPages, WholePageFromTheBuiltInTemplate)
{
    GalleryLayout layout = startLayout({QStringLiteral("Strand.jpg|Am Meer")});
    layout.titel = QStringLiteral("Urlaub");
    const QStringList lines = buildIndexPage(0, layout, 1).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.at(0), QStringLiteral("<html>"));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("<!-- *** generated with Lumivista (")));
    EXPECT_TRUE(lines.at(1).endsWith(QStringLiteral(" -->")));
    EXPECT_EQ(lines.at(2), QStringLiteral("<head>"));
    EXPECT_EQ(lines.at(4), QStringLiteral("<title>Urlaub</title>"));
    EXPECT_EQ(lines.at(5),
              QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" href=\"font.css\">"));
    EXPECT_EQ(lines.at(6), QStringLiteral("</head>"));
    EXPECT_EQ(lines.at(7), QStringLiteral("<body>"));
    EXPECT_EQ(lines.at(11), QStringLiteral("      <h1 align=\"center\">Urlaub</h1>"));
    EXPECT_EQ(lines.at(12), QStringLiteral("      <p><table border=1><tr>"));
    EXPECT_EQ(lines.at(14), QStringLiteral("</tr></table>"));
    EXPECT_EQ(lines.at(15), QStringLiteral("</p>"));
    EXPECT_EQ(lines.at(16), QStringLiteral("      <p></p>"));
}

TEST(IndexPages, UserTemplatePlaceholdersInAnyCase)
{
    GalleryLayout layout = startLayout({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    layout.col = 1;
    layout.row = 1;
    layout.indexTemplate = {QStringLiteral("[TITEL]/[Title] [DATUM] [Datum] [Zeit]"),
                            QStringLiteral("[Index][Bild][Bezeichnung]"),
                            QStringLiteral("[NAVIGATION]")};
    const QString page = buildIndexPage(0, layout, 0);
    EXPECT_EQ(page, QStringLiteral("<link rel=\"stylesheet\" type=\"text/css\" "
                                   "href=\"font.css\">\r\n\r\n"
                                   "<!-- *** generated with Lumivista (1.8.2.24), 05.03.24 "
                                   "14:07:09 - https://lumivista.example/ *** -->"
                                   "Lumivista/Lumivista [DATUM] 05.03.24 14:07:09\r\n"
                                   "<table border=1><tr>\r\n") +
                        cell(QStringLiteral("a.htm"), QStringLiteral("image1/tn_a.jpg")) +
                        QStringLiteral("\r\n</tr></table>\r\n\r\n") + kNext1 +
                        QStringLiteral("\r\n"));
}

TEST(IndexPages, WrittenInWindows1252WithReferences)
{
    QTemporaryDir dir;
    GalleryLayout layout = startLayout({QStringLiteral("a.jpg|Gr\u00FC\u00DFe \u4E2D")});
    layout.names.exportPath = dir.path() + QStringLiteral("/");
    layout.names.tnPath = layout.names.exportPath;
    layout.indexDat = indexDatFor(layout.names.exportPath, QStringLiteral("index"), false);
    layout.indexTemplate = {QStringLiteral("[index]")};
    GenerateHTML(0, layout, 1, planOf(layout).path(OutputKind::IndexPage, 0));
    QFile file(dir.filePath(QStringLiteral("index.htm")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("<br>Gr\xFC\xDF"
                               "e &#20013;</td>\r\n"));
    EXPECT_FALSE(bytes.contains("\n\n"));
    EXPECT_TRUE(bytes.endsWith("</tr></table>\r\n\r\n"));
    EXPECT_THROW(GenerateHTML(1, layout, 1, indexPagePath(1, layout)), LumiError);
    EXPECT_THROW(GenerateHTML(-1, layout, 1, indexPagePath(0, layout)), LumiError);
}
