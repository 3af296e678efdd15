// Picture pages: picture tag, caption, navigation at the ends and across index pages.
#include "gallery/picturepage.h"
#include "pagestestsupport.h"
#include "util/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kIndexLink = QStringLiteral("<a class=\"navi\" href=\"index.htm\">Index</a>");

GalleryLayout abcd()
{
    return startLayout({QStringLiteral("a.jpg"), QStringLiteral("b.jpg"), QStringLiteral("c.jpg"),
                        QStringLiteral("d.jpg")});
}

} // namespace

TEST(PicturePages, MiddlePictureOfTheExample)
{
    const GalleryLayout layout = abcd();
    EXPECT_EQ(pictureNavigation(2, layout),
              QStringLiteral("<a class=\"navi\" href=\"b.htm\"><---</a>&nbsp;|&nbsp;<a "
                             "class=\"navi\" href=\"index.htm\">Index</a>&nbsp;|&nbsp;<a "
                             "class=\"navi\" href=\"d.htm\">---></a>"));
    EXPECT_EQ(pictureTag(2, layout),
              QStringLiteral("<img src=\"image2/c.jpg\" border=\"1\" alt=\"\">"));
}

TEST(PicturePages, FirstLastAndOnlyPicture)
{
    const GalleryLayout layout = abcd();
    EXPECT_EQ(pictureNavigation(0, layout),
              kIndexLink +
                  QStringLiteral("&nbsp;|&nbsp;<a class=\"navi\" href=\"b.htm\">---></a>"));
    EXPECT_EQ(pictureNavigation(3, layout),
              QStringLiteral("<a class=\"navi\" href=\"c.htm\"><---</a>&nbsp;|&nbsp;") +
                  kIndexLink);
    EXPECT_EQ(pictureNavigation(0, startLayout({QStringLiteral("solo.jpg")})), kIndexLink);
}

TEST(PicturePages, IndexLinkNamesThePageThatListsThePicture)
{
    const GalleryLayout layout = numberedLayout(13, 4, 3);
    EXPECT_TRUE(pictureNavigation(11, layout).contains(kIndexLink));
    EXPECT_TRUE(pictureNavigation(12, layout)
                    .contains(QStringLiteral("<a class=\"navi\" href=\"index1.htm\">Index</a>")));
}

TEST(PicturePages, BorderAndLinkEncoding)
{
    GalleryLayout layout =
        startLayout({QStringLiteral("Bild #1.jpg"), QStringLiteral("Bild #2.jpg")});
    layout.rahmen = 0;
    EXPECT_EQ(pictureTag(1, layout),
              QStringLiteral("<img src=\"image2/Bild_%232.jpg\" border=\"0\" alt=\"\">"));
    EXPECT_EQ(pictureNavigation(1, layout),
              QStringLiteral("<a class=\"navi\" href=\"Bild_%231.htm\"><---</a>&nbsp;|&nbsp;") +
                  kIndexLink);
}

TEST(PicturePages, CaptionIsReplacedBeforeTheTitle)
{
    GalleryLayout layout = startLayout(
        {QStringLiteral("a.jpg|Gru\u00DF aus [titel] &amp; <i>mehr</i>"), QStringLiteral("b.jpg")});
    layout.titel = QStringLiteral("Urlaub");
    const PicturePage first = buildPicturePage(0, layout);
    EXPECT_TRUE(first.captionGiven);
    EXPECT_TRUE(first.text.contains(
        QStringLiteral("      <p><img src=\"image2/a.jpg\" border=\"1\" alt=\"\"><br>Gru\u00DF aus "
                       "Urlaub &amp; <i>mehr</i></p>\r\n")));
    EXPECT_TRUE(first.text.contains(QStringLiteral("<title>Urlaub</title>")));

    const PicturePage second = buildPicturePage(1, layout);
    EXPECT_FALSE(second.captionGiven);
    EXPECT_TRUE(second.text.contains(
        QStringLiteral("      <p><img src=\"image2/b.jpg\" border=\"1\" alt=\"\"><br></p>\r\n")));

    layout.names.picDatBez = true;
    EXPECT_TRUE(buildPicturePage(1, layout).captionGiven);
}

TEST(PicturePages, UserTemplateDropsTheIndexPlaceholder)
{
    GalleryLayout layout = startLayout({QStringLiteral("a.jpg|A")});
    layout.pictureTemplate = {QStringLiteral("<html><head></head>[INDEX]|[Bild]|[bezeichnung]|"
                                             "[Navigation]|[DATUM]|[Zeit]")};
    const QString page = buildPicturePage(0, layout).text;
    EXPECT_TRUE(page.endsWith(
        QStringLiteral("|<img src=\"image2/a.jpg\" border=\"1\" alt=\"\">|A|<a class=\"navi\" "
                       "href=\"index.htm\">Index</a>|[DATUM]|14:07:09\r\n")));
    EXPECT_TRUE(page.startsWith(QStringLiteral("<html>\r\n<!-- *** generated with")));
}

TEST(PicturePages, WrittenToThePageFile)
{
    QTemporaryDir dir;
    GalleryLayout layout = startLayout({QStringLiteral("Caf\u00E9 1.jpg|\u20AC 5 \u263A")});
    layout.names.exportPath = dir.path() + QStringLiteral("/");
    layout.names.bildPath = layout.names.exportPath + QStringLiteral("image2/");
    EXPECT_TRUE(GeneratePicHTML(0, layout, planOf(layout).writtenPath(0, OutputKind::PicturePage)));
    QFile file(dir.filePath(QStringLiteral("Caf\u00E9_1.htm")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("<br>\x80 5 &#9786;</p>\r\n"));
    EXPECT_TRUE(bytes.contains("src=\"image2/Caf\xE9_1.jpg\""));
    EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));

    EXPECT_THROW(GeneratePicHTML(1, layout, dir.filePath(QStringLiteral("p.htm"))), LumiError);
    layout.names.exportPath = dir.filePath(QStringLiteral("missing/folder/"));
    EXPECT_THROW(GeneratePicHTML(0, layout, planOf(layout).writtenPath(0, OutputKind::PicturePage)),
                 LumiError);
}
