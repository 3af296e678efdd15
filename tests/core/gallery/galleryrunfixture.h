// The fixture of the generation run tests: a fresh project with small photos in a temporary
// folder, the target "out", scripted dialogs and the run's results.
#pragma once

#include "gallery/galleryrun.h"

#include "gallery/projectstate.h"
#include "smallgallery.h"
#include "util/dialogs.h"
#include "util/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A fresh project with `count` small photos in a temporary folder and the target "out".
class GalleryRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        useDataFoldersBelow(m_dir.path());
        setSmallGallery(m_project, path(QStringLiteral("out")));
        // The classic gallery; double-size pictures have tests of their own.
        m_project.setBoolValue(QStringLiteral("MobilePages"), false);
        m_dialogs.setFallback(DialogResult::No);
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The target and its picture folders exist, so the run asks no folder question.
    void makeTargetFolders() { ::makeTargetFolders(path(QStringLiteral("out"))); }

    void addPhotos(int count)
    {
        for (int i = 0; i < count; ++i) {
            QImage image(80, 60, QImage::Format_RGB888);
            image.fill(QColor::fromHsv((i * 37) % 360, 200, 200));
            const QString file = path(QStringLiteral("foto%1.jpg").arg(i, 2, 10, QChar(u'0')));
            ASSERT_TRUE(image.save(file, "JPEG"));
            m_project.Files().append(file +
                                     (i % 2 ? QStringLiteral("|Bild %1").arg(i) : QString()));
        }
    }

    GalleryRun::Outcome runWith(GalleryRunOptions options = {})
    {
        options.now = QDateTime(QDate(2026, 3, 3), QTime(15, 30));
        GalleryRun run(m_project, options);
        run.onIdle = m_onIdle ? [&] { m_onIdle(run); } : std::function<void()>();
        run.onPhase = [&](GalleryRun::Phase p) { m_phases.append(p); };
        const auto outcome = run.run();
        m_written = run.picturesWritten();
        m_skipped = run.picturesSkipped();
        m_captions = run.captionCount();
        m_reused = run.picturesReused();
        m_index = run.indexFile();
        m_warnings = run.warnings();
        return outcome;
    }

    // Every file below the target, relative name -> content hash.
    QMap<QString, QByteArray> outputFiles() const
    {
        QMap<QString, QByteArray> files;
        const QString root = path(QStringLiteral("out"));
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            QFile f(file);
            f.open(QIODevice::ReadOnly);
            files.insert(file.mid(root.size() + 1),
                         QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1));
        }
        return files;
    }

    QTemporaryDir m_dir;
    ProjectState m_project;
    ScriptedDialogs m_dialogs;
    DialogServiceGuard m_guard{&m_dialogs};
    std::function<void(GalleryRun&)> m_onIdle;
    QList<GalleryRun::Phase> m_phases;
    int m_written = 0, m_skipped = 0, m_captions = 0, m_reused = 0;
    QString m_index;
    QStringList m_warnings;
};

} // namespace
