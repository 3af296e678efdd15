// The pieces of pages for phones and HiDPI screens: picture tags, alternative texts, the head
// a user's template gets, font stacks.
#include "gallery/fontstacks.h"
#include "gallery/htmltags.h"
#include "gallery/mobilepage.h"
#include "gallery/navigation.h"
#include "gallery/templates.h"
#include "pagestestsupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(MobileMarkup, ImgTagWritesWhatItIsGiven)
{
    EXPECT_EQ(imgTag({.src = u"a/b.jpg"_s, .size = QSize(150, 100), .alt = u"Am Meer"_s}),
              u"<img src=\"a/b.jpg\" width=\"150\" height=\"100\" alt=\"Am Meer\">"_s);
    EXPECT_EQ(imgTag({.src = u"b.jpg"_s,
                      .size = QSize(600, 400),
                      .alt = u"x"_s,
                      .srcset = u"b@2x.jpg 2x"_s,
                      .lazy = true,
                      .cssClass = u"bild"_s}),
              u"<img src=\"b.jpg\" srcset=\"b@2x.jpg 2x\" width=\"600\" height=\"400\" "
              "class=\"bild\" alt=\"x\" loading=\"lazy\">"_s);
    // A size that is not known is left out rather than guessed.
    EXPECT_EQ(imgTag({.src = u"c.gif"_s}), u"<img src=\"c.gif\" alt=\"\">"_s);
}

TEST(MobileMarkup, AltTextFromTheCaptionElseTheFileName)
{
    EXPECT_EQ(altText(u"<b>Am</b><br>Meer &amp; \"Strand\""_s, u"/f/x.jpg"_s),
              u"Am Meer &amp; &quot;Strand&quot;"_s);
    EXPECT_EQ(altText(QString(), u"/fotos/Bild \"1\" & 2.foto.jpg"_s),
              u"Bild &quot;1&quot; &amp; 2.foto"_s);
    EXPECT_EQ(altText(u"<img src=x>"_s, u"/f/.hidden"_s), u".hidden"_s);
    // A "<" that opens nothing is text, written so that HTML5 agrees.
    EXPECT_EQ(escapeStrayLessThan(u"<--- <b>a</b> <!-- c --> 1 < 2 <br>"_s),
              u"&lt;--- <b>a</b> <!-- c --> 1 &lt; 2 <br>"_s);
}

TEST(MobileMarkup, AUsersTemplateGetsTheHeadOfAnHtml5Page)
{
    QString page =
        u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
        "<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\r\n"
        "<title>t</title>\r\n</HEAD>\r\n<body>[bild]</body></HTML>\r\n"_s;
    prepareMobilePage(page);
    addNavigationScript(page);
    EXPECT_TRUE(page.startsWith(u"<!DOCTYPE html>\r\n<HTML lang=\"de\">\r\n<HEAD>\r\n<meta "
                                "charset=\"utf-8\">\r\n<meta name=\"viewport\" "
                                "content=\"width=device-width, initial-scale=1\">\r\n<title>"_s))
        << page.toStdString();
    EXPECT_FALSE(page.contains(u"iso-8859-1"_s));
    EXPECT_TRUE(page.contains(navigationScript() + u"\r\n</body>"_s));
    EXPECT_LT(navigationScript().toUtf8().size(), 1024);

    // A language and a viewport of the user's own stay; a page without head still gets one
    // declaration.
    QString own = u"<html lang=\"en\"><meta name=\"viewport\" content=\"width=500\">"
                  "<title> </title>"_s;
    prepareMobilePage(own, u"Am Meer"_s);
    EXPECT_EQ(own, u"<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<meta charset=\"utf-8\"><meta "
                   "name=\"viewport\" content=\"width=500\"><title>Am Meer</title>"_s);

    // The built-in templates are valid HTML5 bodies: no presentational attributes.
    for (const QString& line : mobileIndexTemplate() + mobilePictureTemplate()) {
        EXPECT_FALSE(line.contains(u"align"_s)) << line.toStdString();
        EXPECT_FALSE(line.contains(u"cellpadding"_s));
    }
    EXPECT_EQ(chooseTemplates(QString(), QString(), true).index, mobileIndexTemplate());
}

TEST(MobileMarkup, FontStacksEndInTheGenericFamilyOfTheFace)
{
    EXPECT_EQ(fontStack(u"Tahoma"_s), u"Tahoma, Verdana, sans-serif"_s);
    EXPECT_EQ(fontStack(u"times new roman"_s), u"\"times new roman\", Times, serif"_s);
    EXPECT_EQ(fontStack(u"Courier New"_s), u"\"Courier New\", Courier, monospace"_s);
    EXPECT_EQ(fontStack(u"DejaVu Sans Mono"_s), u"\"DejaVu Sans Mono\", monospace"_s);
    EXPECT_EQ(fontStack(u"Liberation Serif"_s), u"\"Liberation Serif\", serif"_s);
    EXPECT_EQ(fontStack(u"Frutiger"_s), u"Frutiger, sans-serif"_s);
    // Names that are no CSS identifier are quoted, quotes in them escaped.
    EXPECT_EQ(fontStack(u"Serif"_s), u"\"Serif\", serif"_s);
    EXPECT_EQ(fontStack(u"A\"B"_s), u"\"A\\\"B\", sans-serif"_s);
    EXPECT_EQ(fontStack(QString()), u"sans-serif"_s);
}

TEST(MobileMarkup, NavigationPicturesCarryTheirSizeAndAnAlternativeText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + u'/';
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"web"_s));
    QImage arrow(20, 10, QImage::Format_RGB888);
    arrow.fill(Qt::white);
    ASSERT_TRUE(arrow.save(folder + u"pfeil.png"_s));
    const NavPieces pieces = prepareNavigation(
        u"pfeil.png"_s, u"--->"_s, u"Index"_s, u"fehlt.gif"_s,
        navigationPlan(folder + u"web/"_s, {u"pfeil.png"_s}, folder), folder, true);
    EXPECT_EQ(pieces.navP, u"<img src=\"pfeil.png\" width=\"20\" height=\"10\" alt=\"zurück\">"_s);
    EXPECT_EQ(pieces.navN, u"--->"_s);
    // A picture that is missing keeps its address; its size is not known.
    EXPECT_EQ(pieces.navT, u"<img src=\"fehlt.gif\" alt=\"\">"_s);
    EXPECT_TRUE(QFile::exists(folder + u"web/pfeil.png"_s));
}
