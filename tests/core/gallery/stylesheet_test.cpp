// The style sheet font.css: the nine lines with the start fonts, decorations, the file.
#include "gallery/stylesheet.h"
#include "gallery/valueforms.h"
#include "pagestestsupport.h"
#include "util/error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString css(const char* fontText)
{
    FontSpec font;
    TextToFont(QString::fromLatin1(fontText), font);
    return FontToText(font, true);
}

GalleryLayout cssLayout()
{
    GalleryLayout layout = startLayout({});
    layout.bgColor = 0;
    layout.titelFontCss = css("Tahoma,B,20,65535");
    layout.fontCss = css("Tahoma,B,12,65535");
    layout.naviFontCss = css("Tahoma,B,12,65535");
    return layout;
}

const QString kFont12 = QStringLiteral("font-family: Tahoma; font-weight: bold; font-style: "
                                       "normal; text-decoration: none; font-size: 12pt; color: "
                                       "#FFFF00; ");

} // namespace

TEST(StyleSheet, NineLinesWithTheStartValues)
{
    const QStringList lines = styleSheetLines(cssLayout());
    EXPECT_EQ(lines,
              (QStringList{
                  QStringLiteral("body\t{ background-color: #000000 }"),
                  QStringLiteral("h1  \t{ font-family: Tahoma; font-weight: bold; "
                                 "font-style: normal; text-decoration: none; "
                                 "font-size: 20pt; color: #FFFF00; ; text-align: center }"),
                  QStringLiteral("tr  \t{ ") + kFont12 + QStringLiteral("; text-align: center }"),
                  QStringLiteral("p     { ") + kFont12 + QStringLiteral(" }"),
                  QStringLiteral("a     { ") + kFont12 + QStringLiteral(" }"),
                  QStringLiteral(".navi { ") + kFont12 + QStringLiteral(" }"),
                  QStringLiteral("a:link    { ") + kFont12 + QStringLiteral(" }"),
                  QStringLiteral("a:visited { ") + kFont12 + QStringLiteral(" }"),
                  QStringLiteral("a:active  { ") + kFont12 + QStringLiteral(" }"),
              }));
}

TEST(StyleSheet, ColoursAndDecorations)
{
    GalleryLayout layout = cssLayout();
    layout.bgColor = 0xF0CAA6;
    layout.naviFontCss = css("Arial,UD,10,255");
    const QStringList lines = styleSheetLines(layout);
    EXPECT_EQ(lines.at(0), QStringLiteral("body\t{ background-color: #A6CAF0 }"));
    for (int i = 4; i < 9; ++i)
        EXPECT_TRUE(lines.at(i).contains(
            QStringLiteral("text-decoration: line-through underline; font-size: 10pt; color: "
                           "#FF0000;  }")))
            << i;
    EXPECT_TRUE(lines.at(3).contains(QStringLiteral("text-decoration: none;")));
}

TEST(StyleSheet, WrittenAsNineCrLfLines)
{
    QTemporaryDir dir;
    GalleryLayout layout = cssLayout();
    layout.names.exportPath = dir.path() + QStringLiteral("/");
    layout.fontCss = FontToText(
        FontSpec{QStringLiteral("Caf\u00E9 \u4E2D"), false, false, false, false, 9, 0}, true);
    GenerateCss(layout, planOf(layout).path(OutputKind::StyleSheet));
    QFile file(dir.filePath(QStringLiteral("font.css")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 9);
    EXPECT_TRUE(bytes.endsWith(" }\r\n"));
    EXPECT_TRUE(bytes.contains("p     { font-family: Caf\xE9 ?; font-weight: normal;"));

    layout.names.exportPath = dir.filePath(QStringLiteral("gone/"));
    EXPECT_THROW(GenerateCss(layout, planOf(layout).path(OutputKind::StyleSheet)), LumiError);
}
