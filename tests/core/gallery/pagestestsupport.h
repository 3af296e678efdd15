// A gallery layout with the start values of a new project, for the page tests.
#pragma once

#include "gallery/gallerylayout.h"
#include "gallery/outputplan.h"
#include "util/samefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

// A fresh temporary folder with a document folder "doc/" and a target folder "web/".
class DocAndWebFolders : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("doc"));
        QDir(m_root.path()).mkpath(QStringLiteral("web"));
        m_doc = m_root.filePath(QStringLiteral("doc")) + QStringLiteral("/");
        m_web = m_root.filePath(QStringLiteral("web")) + QStringLiteral("/");
    }

    QTemporaryDir m_root;
    QString m_doc;
    QString m_web;
};

// The output plan of a run with `layout`: the paths its writers are handed.
inline OutputPlan planOf(const GalleryLayout& layout, const ExtraOutputs& extra = {})
{
    FileKeys keys;
    return planOutputs(layout, extra, keys);
}

// The plan of a run into `web` without pictures, writing `extra`.
inline OutputPlan planInto(const QString& web, const ExtraOutputs& extra)
{
    GalleryLayout layout;
    layout.names.exportPath = web;
    return planOf(layout, extra);
}

// The plan of a run into `web` whose navigation texts are `texts`, resolved in `doc`.
inline OutputPlan navigationPlan(const QString& web, const QStringList& texts, const QString& doc)
{
    ExtraOutputs extra;
    for (const QString& text : texts) {
        const QString picture = navPictureFile(text, doc);
        if (!picture.isEmpty())
            extra.navPictures << picture;
    }
    return planInto(web, extra);
}

inline PageStamp testStamp()
{
    PageStamp stamp;
    stamp.datZeit = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9));
    stamp.locale = QLocale(QLocale::German, QLocale::Germany);
    stamp.version = QStringLiteral("1.8.2.24");
    stamp.homeUrl = QStringLiteral("https://lumivista.example/");
    return stamp;
}

// Pictures /fotos/<name> with the given names; target /web/ with image1 and image2.
inline GalleryLayout startLayout(const QStringList& pictures)
{
    GalleryLayout layout;
    layout.names.style = PathStyle::Posix;
    for (const QString& picture : pictures)
        layout.names.files.append(QStringLiteral("/fotos/") + picture);
    layout.names.tnPraefix = QStringLiteral("tn_");
    layout.names.exportPath = QStringLiteral("/web/");
    layout.names.tnPath = QStringLiteral("/web/image1/");
    layout.names.bildPath = QStringLiteral("/web/image2/");
    layout.indexDat = indexDatFor(layout.names.exportPath, QStringLiteral("index"), false);
    layout.col = 4;
    layout.row = 4;
    layout.rahmen = 1;
    layout.titel = QStringLiteral("Lumivista");
    layout.nav = {QStringLiteral("<---"), QStringLiteral("--->"), QStringLiteral("Index"),
                  QStringLiteral("&nbsp;|&nbsp;")};
    layout.indexTemplate = mIndex();
    layout.pictureTemplate = mBild();
    layout.stamp = testStamp();
    return layout;
}

// n pictures p1.jpg ... pn.jpg without captions.
inline GalleryLayout numberedLayout(int n, int col, int row)
{
    QStringList pictures;
    for (int i = 1; i <= n; ++i)
        pictures.append(QStringLiteral("p%1.jpg").arg(i));
    GalleryLayout layout = startLayout(pictures);
    layout.col = col;
    layout.row = row;
    return layout;
}
