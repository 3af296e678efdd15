// The style sheet font.css.
#include "gallery/stylesheet.h"

#include "gallery/mobilepage.h"
#include "gallery/pagefile.h"
#include "gallery/valueforms.h"

QStringList styleSheetLines(const GalleryLayout& layout)
{
    const QString open = QStringLiteral("{ ");
    const QString close = QStringLiteral(" }");
    QStringList lines = {
        QStringLiteral("body\t{ background-color: ") + ColorToHtml(layout.bgColor) + close,
        QStringLiteral("h1  \t") + open + layout.titelFontCss +
            QStringLiteral("; text-align: center }"),
        QStringLiteral("tr  \t") + open + layout.fontCss + QStringLiteral("; text-align: center }"),
        QStringLiteral("p     ") + open + layout.fontCss + close,
        QStringLiteral("a     ") + open + layout.naviFontCss + close,
        QStringLiteral(".navi ") + open + layout.naviFontCss + close,
        QStringLiteral("a:link    ") + open + layout.naviFontCss + close,
        QStringLiteral("a:visited ") + open + layout.naviFontCss + close,
        QStringLiteral("a:active  ") + open + layout.naviFontCss + close,
    };
    if (layout.mobilePages)
        lines += mobileStyleLines(layout.rahmen);
    return lines;
}

void GenerateCss(const GalleryLayout& layout, const QString& path)
{
    writeTextFile(path, joinPageLines(styleSheetLines(layout)), layout.mobilePages);
}
