// Picture pages: large picture, caption and navigation.
#include "gallery/picturepage.h"

#include "gallery/htmltags.h"
#include "gallery/indexpage.h"
#include "gallery/mobilepage.h"
#include "gallery/pagefile.h"
#include "util/error.h"

namespace {

// `role` marks the link for the keyboard and swipe script of pages for phones: "prev",
// "next" or "index"; empty on classic pages.
QString navLink(const QString& address, const QString& content, const QString& role)
{
    const QString mark =
        role.isEmpty() ? QString() : QStringLiteral(" data-nav=\"") + role + QChar(u'"');
    return QStringLiteral("<a class=\"navi\"") + mark + QStringLiteral(" href=\"") + address +
           QStringLiteral("\">") + content + QStringLiteral("</a>");
}

} // namespace

QString pictureTag(int i, const GalleryLayout& layout, QSize size)
{
    if (layout.mobilePages) {
        const GalleryNames& names = layout.names;
        return imgTag({.src = GetPicName(QStringLiteral("gr"), i, names),
                       .size = size.isValid()
                                   ? size
                                   : pictureFileSize(GetPicName(QStringLiteral("g"), i, names)),
                       .alt = altText(GetPicName(QStringLiteral("b"), i, names),
                                      GetPicName(QString(), i, names)),
                       .srcset = pictureSrcset(i, true, layout),
                       .cssClass = layout.rahmen > 0 ? QStringLiteral("bild") : QString()});
    }
    return QStringLiteral("<img src=\"") + GetPicName(QStringLiteral("gr"), i, layout.names) +
           QStringLiteral("\" border=\"") + QString::number(layout.rahmen) +
           QStringLiteral("\" alt=\"\">");
}

QString pictureNavigation(int i, const GalleryLayout& layout)
{
    const GalleryNames& names = layout.names;
    const auto role = [&layout](const char16_t* name) {
        return layout.mobilePages ? QString::fromUtf16(name) : QString();
    };
    QString navigation;
    if (i > 0)
        navigation += navLink(GetPicName(QStringLiteral("hr"), i - 1, names), layout.nav.navP,
                              role(u"prev")) +
                      layout.nav.navT;
    navigation += navLink(pageLink(i / layout.maxPic(), layout), layout.nav.navI, role(u"index"));
    if (i < names.files.size() - 1)
        navigation += layout.nav.navT + navLink(GetPicName(QStringLiteral("hr"), i + 1, names),
                                                layout.nav.navN, role(u"next"));
    return navigation;
}

PicturePage buildPicturePage(int i, const GalleryLayout& layout, QSize largeSize)
{
    PicturePage result;
    QString page = joinPageLines(layout.pictureTemplate);
    HTMLInit(page, layout.stamp);

    QString caption = GetPicName(QStringLiteral("b"), i, layout.names);
    if (layout.mobilePages)
        caption = escapeStrayLessThan(caption);
    result.captionGiven = !caption.isEmpty();
    page.replace(QStringLiteral("[bezeichnung]"), caption, Qt::CaseInsensitive);
    page.replace(QStringLiteral("[title]"), layout.titel, Qt::CaseInsensitive);
    page.replace(QStringLiteral("[titel]"), layout.titel, Qt::CaseInsensitive);

    page.replace(QStringLiteral("[index]"), QString(), Qt::CaseInsensitive);
    page.replace(QStringLiteral("[bild]"), pictureTag(i, layout, largeSize), Qt::CaseInsensitive);
    page.replace(QStringLiteral("[navigation]"), pictureNavigation(i, layout), Qt::CaseInsensitive);
    if (layout.mobilePages) {
        prepareMobilePage(page, altText(caption, GetPicName(QString(), i, layout.names)));
        addNavigationScript(page);
    }
    result.text = page;
    return result;
}

bool GeneratePicHTML(int i, const GalleryLayout& layout, const QString& path)
{
    if (i < 0 || i >= layout.names.files.size())
        throw LumiError(QStringLiteral("Bild %1 ist nicht in der Liste.").arg(i + 1));
    const PicturePage page = buildPicturePage(i, layout);
    writePageFile(path, page.text, layout.mobilePages);
    return page.captionGiven;
}
