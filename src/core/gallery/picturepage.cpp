// Picture pages: large picture, caption and navigation.
#include "gallery/picturepage.h"

#include "gallery/indexpage.h"
#include "gallery/pagefile.h"
#include "util/error.h"

namespace {

QString navLink(const QString& address, const QString& content)
{
    return QStringLiteral("<a class=\"navi\" href=\"") + address + QStringLiteral("\">") + content +
           QStringLiteral("</a>");
}

} // namespace

QString pictureTag(int i, const GalleryLayout& layout)
{
    const QString srcset = pictureSrcset(i, true, layout);
    return QStringLiteral("<img src=\"") + GetPicName(QStringLiteral("gr"), i, layout.names) +
           (srcset.isEmpty() ? QString() : QStringLiteral("\" srcset=\"") + srcset) +
           QStringLiteral("\" border=\"") + QString::number(layout.rahmen) +
           QStringLiteral("\" alt=\"\">");
}

QString pictureNavigation(int i, const GalleryLayout& layout)
{
    const GalleryNames& names = layout.names;
    QString navigation;
    if (i > 0)
        navigation += navLink(GetPicName(QStringLiteral("hr"), i - 1, names), layout.nav.navP) +
                      layout.nav.navT;
    navigation += navLink(pageLink(i / layout.maxPic(), layout), layout.nav.navI);
    if (i < names.files.size() - 1)
        navigation += layout.nav.navT +
                      navLink(GetPicName(QStringLiteral("hr"), i + 1, names), layout.nav.navN);
    return navigation;
}

PicturePage buildPicturePage(int i, const GalleryLayout& layout)
{
    PicturePage result;
    QString page = joinPageLines(layout.pictureTemplate);
    HTMLInit(page, layout.stamp);

    const QString caption = GetPicName(QStringLiteral("b"), i, layout.names);
    result.captionGiven = !caption.isEmpty();
    page.replace(QStringLiteral("[bezeichnung]"), caption, Qt::CaseInsensitive);
    page.replace(QStringLiteral("[title]"), layout.titel, Qt::CaseInsensitive);
    page.replace(QStringLiteral("[titel]"), layout.titel, Qt::CaseInsensitive);

    page.replace(QStringLiteral("[index]"), QString(), Qt::CaseInsensitive);
    page.replace(QStringLiteral("[bild]"), pictureTag(i, layout), Qt::CaseInsensitive);
    page.replace(QStringLiteral("[navigation]"), pictureNavigation(i, layout), Qt::CaseInsensitive);
    result.text = page;
    return result;
}

bool GeneratePicHTML(int i, const GalleryLayout& layout)
{
    if (i < 0 || i >= layout.names.files.size())
        throw LumiError(QStringLiteral("Bild %1 ist nicht in der Liste.").arg(i + 1));
    const PicturePage page = buildPicturePage(i, layout);
    writePageFile(GetPicName(QStringLiteral("h"), i, layout.names), page.text);
    return page.captionGiven;
}
