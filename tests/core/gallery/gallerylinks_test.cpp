// A whole gallery's pages written to disk: every link and picture address of every page,
// read back as a browser would (Windows-1252, character references, percent-decoding),
// names an existing file of the gallery.
#include "gallery/indexpage.h"
#include "gallery/picturepage.h"
#include "gallery/stylesheet.h"
#include "pagestestsupport.h"
#include "util/cp1252.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

// The text of a page as a browser reads it: the code page, then numeric references.
QString readPage(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = fromCp1252(file.readAll());
    static const QRegularExpression reference(QStringLiteral("&#(\\d+);"));
    QString decoded;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& m : reference.globalMatch(text)) {
        decoded += text.mid(last, m.capturedStart() - last);
        decoded += QString::fromUcs4(std::u32string(1, char32_t(m.captured(1).toUInt())).data(), 1);
        last = m.capturedEnd();
    }
    return decoded + text.mid(last);
}

QStringList addresses(const QString& page)
{
    static const QRegularExpression attribute(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    QStringList result;
    for (const QRegularExpressionMatch& m : attribute.globalMatch(page))
        result.append(m.captured(1));
    return result;
}

} // namespace

TEST(GalleryLinks, EveryAddressOfEveryPageResolves)
{
    QTemporaryDir dir;
    const QString web = dir.filePath(QStringLiteral("web")) + QStringLiteral("/");
    QDir().mkpath(web);

    const QStringList pictures = {
        QStringLiteral("Bild #1.jpg|Erstes"),
        QStringLiteral("M\u00FCller & S\u00F6hne.jpg|Gr\u00FC\u00DFe"),
        QStringLiteral("100% wahr?.jpg"),
        QStringLiteral("a b.c.jpeg|\u4E2D\u6587"),
        QStringLiteral("\u4E2D\u6587.png"),
        QStringLiteral("tab\there.jpg"),
        QStringLiteral("quote\"d.jpg"),
        QStringLiteral("semi;colon.jpg"),
        QStringLiteral("plus+sign.jpg"),
        QStringLiteral("p10.jpg"),
        QStringLiteral("p11.jpg"),
        QStringLiteral("p12.jpg"),
        QStringLiteral("p13.jpg"),
    };
    GalleryLayout layout = startLayout(pictures);
    layout.names.exportPath = web;
    layout.names.tnPath = web + QStringLiteral("klein #1/");
    layout.names.bildPath = web + QStringLiteral("gro\u00DF/");
    layout.indexDat = indexDatFor(web, QStringLiteral("Start #?"), false);
    layout.col = 4;
    layout.row = 3;
    ASSERT_EQ(indexPageCount(layout), 2);

    // The pictures the run would have written.
    for (int i = 0; i < pictures.size(); ++i) {
        writeBytes(GetPicName(QStringLiteral("k"), i, layout.names), {});
        writeBytes(GetPicName(QStringLiteral("g"), i, layout.names), {});
    }
    writeBytes(web + QStringLiteral("font.css"), {});
    const OutputPlan plan = planOf(layout);
    for (int i = 0; i < pictures.size(); ++i)
        GeneratePicHTML(i, layout, plan.writtenPath(i, OutputKind::PicturePage));
    for (int p = 0; p < indexPageCount(layout); ++p)
        GenerateHTML(p, layout, 1, plan.path(OutputKind::IndexPage, p));

    const QStringList pages = QDir(web).entryList({QStringLiteral("*.htm")}, QDir::Files);
    ASSERT_EQ(pages.size(), pictures.size() + 2); // picture pages and two index pages
    int checked = 0;
    for (const QString& pageName : QDir(web).entryList(QDir::Files)) {
        if (pageName == u"font.css")
            continue;
        const QStringList links = addresses(readPage(web + pageName));
        EXPECT_FALSE(links.isEmpty()) << pageName.toStdString();
        for (const QString& link : links) {
            // A browser cuts the fragment at "#" and the query at "?": neither may survive.
            EXPECT_FALSE(link.contains(QChar(u'#')) || link.contains(QChar(u'?')))
                << link.toStdString();
            const QString target = QUrl::fromPercentEncoding(link.toUtf8());
            EXPECT_TRUE(QFileInfo::exists(web + target))
                << pageName.toStdString() << " -> " << link.toStdString();
            ++checked;
        }
    }
    EXPECT_GT(checked, 60);
}
