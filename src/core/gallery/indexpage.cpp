// Index pages: table of small pictures and links between the pages.
#include "gallery/indexpage.h"

#include "gallery/htmltags.h"
#include "gallery/mobilepage.h"
#include "gallery/pagefile.h"
#include "util/error.h"

#include <algorithm>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

QString navLink(const QString& address, const QString& content)
{
    return QStringLiteral("<a class=\"navi\" href=\"") + address + QStringLiteral("\">") + content +
           QStringLiteral("</a>");
}

int lastEntryOfPage(int p, const GalleryLayout& layout)
{
    const qint64 last = qint64(layout.maxPic()) * p + layout.maxPic() - 1;
    return int(std::min<qint64>(last, layout.names.files.size() - 1));
}

} // namespace

QString smallPictureTag(int i, int position, const GalleryLayout& layout)
{
    const QString src = GetPicName(QStringLiteral("kr"), i, layout.names);
    if (!layout.mobilePages)
        return QStringLiteral("<img src=\"") + src + QStringLiteral("\" border=\"0\" alt=\"\">");
    // The first two rows are on the first screen; the browser fetches the rest when the
    // visitor scrolls towards them.
    return imgTag({.src = src,
                   .size = pictureFileSize(GetPicName(QStringLiteral("k"), i, layout.names)),
                   .alt = altText(GetPicName(QStringLiteral("b"), i, layout.names),
                                  GetPicName(QString(), i, layout.names)),
                   .srcset = pictureSrcset(i, false, layout),
                   .lazy = position >= 2 * std::max(1, layout.col)});
}

int indexPageCount(const GalleryLayout& layout)
{
    const qsizetype count = layout.names.files.size();
    return count == 0 ? 0 : int((count - 1) / layout.maxPic() + 1);
}

QString PageName(int p, const GalleryLayout& layout)
{
    const QString first = fileNameOf(layout.indexDat, layout.names.style);
    if (p == 0)
        return first;
    return withExtension(first, QString::number(p) + QStringLiteral(".htm"));
}

QString pageLink(int p, const GalleryLayout& layout)
{
    return linkAddress(PageName(p, layout), layout.names.style);
}

QStringList indexTableLines(int p, const GalleryLayout& layout, int captionCount)
{
    const QString captionKind =
        (captionCount > 0 || layout.names.picDatBez) ? QStringLiteral("br") : QStringLiteral("no");
    const int col = std::max(1, layout.col);
    const int first = layout.maxPic() * p;
    const int last = lastEntryOfPage(p, layout);

    QStringList lines;
    // The border of pages for phones is in the style sheet (HTML5 knows only border=1).
    lines.append(layout.mobilePages ? QStringLiteral("<table class=\"index\"><tr>")
                                    : QStringLiteral("<table border=") +
                                          QString::number(layout.rahmen) + QStringLiteral("><tr>"));
    int column = 0;
    for (int i = first; i <= last; ++i) {
        lines.append(
            QStringLiteral("<td><a href=\"") + GetPicName(QStringLiteral("hr"), i, layout.names) +
            QStringLiteral("\">") + smallPictureTag(i, i - first, layout) + QStringLiteral("</a>") +
            (layout.mobilePages ? escapeStrayLessThan(GetPicName(captionKind, i, layout.names))
                                : GetPicName(captionKind, i, layout.names)) +
            QStringLiteral("</td>"));
        if (++column == col) {
            column = 0;
            if (i != last)
                lines.append(QStringLiteral("</tr><tr>"));
        }
    }
    lines.append(QStringLiteral("</tr></table>"));
    return lines;
}

QString indexNavigation(int p, const GalleryLayout& layout)
{
    QString navigation;
    if (p > 0)
        navigation += navLink(pageLink(p - 1, layout), layout.nav.navP);
    if (lastEntryOfPage(p, layout) < layout.names.files.size() - 1) {
        if (!navigation.isEmpty())
            navigation += layout.nav.navT;
        navigation += navLink(pageLink(p + 1, layout), layout.nav.navN);
    }
    return navigation;
}

QString buildIndexPage(int p, const GalleryLayout& layout, int captionCount)
{
    QString page = joinPageLines(layout.indexTemplate);
    HTMLInit(page, layout.stamp);
    page.replace(QStringLiteral("[bezeichnung]"), QString(), Qt::CaseInsensitive);
    page.replace(QStringLiteral("[title]"), layout.titel, Qt::CaseInsensitive);
    page.replace(QStringLiteral("[titel]"), layout.titel, Qt::CaseInsensitive);

    const QString table = joinPageLines(indexTableLines(p, layout, captionCount));
    page.replace(QStringLiteral("[index]"), table, Qt::CaseInsensitive);
    page.replace(QStringLiteral("[bild]"), QString(), Qt::CaseInsensitive);
    page.replace(QStringLiteral("[navigation]"), indexNavigation(p, layout), Qt::CaseInsensitive);
    if (layout.mobilePages)
        prepareMobilePage(page, altText(QString(), PageName(p, layout)));
    return page;
}

void GenerateHTML(int p, const GalleryLayout& layout, int captionCount, const QString& path)
{
    if (p < 0 || p >= indexPageCount(layout))
        throw LumiError(QStringLiteral("Indexseite %1 gibt es nicht.").arg(p));
    writePageFile(path, buildIndexPage(p, layout, captionCount), layout.mobilePages);
}
