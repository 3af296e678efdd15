#include "gallery/galleryrun.h"

#include "gallery/projectstate.h"
#include "util/dialogs.h"
#include "util/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A fresh project with `count` small photos in a temporary folder and the target "out".
class GalleryRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("data"))));
        setDataFoldersForTest(path(QStringLiteral("docs/")), path(QStringLiteral("data/")));
        m_project.applyStartSettings();
        m_project.setTextValue(QStringLiteral("Ziel"), path(QStringLiteral("out")));
        m_project.setTextValue(QStringLiteral("TnPath"), QStringLiteral("image1"));
        m_project.setTextValue(QStringLiteral("PicPath"), QStringLiteral("image2"));
        m_project.setIntValue(QStringLiteral("PicWidth"), 64);
        m_project.setIntValue(QStringLiteral("PicHeight"), 48);
        m_project.setIntValue(QStringLiteral("TnWidth"), 16);
        m_project.setIntValue(QStringLiteral("TnHeight"), 12);
        m_dialogs.setFallback(DialogResult::No);
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The target and its picture folders exist, so the run asks no folder question.
    void makeTargetFolders()
    {
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out/image1"))));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out/image2"))));
    }

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
};

} // namespace

TEST_F(GalleryRunTest, ChecksComeBeforeAnythingIsWritten)
{
    m_project.setTextValue(QStringLiteral("Ziel"), QString());
    EXPECT_EQ(runWith(), GalleryRun::Outcome::NoTarget);
    m_project.setTextValue(QStringLiteral("Ziel"), path(QStringLiteral("out")));
    EXPECT_EQ(runWith(), GalleryRun::Outcome::NoPictures);
    EXPECT_EQ(m_dialogs.texts(), (QStringList{QStringLiteral("Kein Ziel angegeben!"),
                                              QStringLiteral("Keine Fotos gewählt!")}));

    // A folder question answered No ends the run quietly; nothing is created.
    addPhotos(1);
    m_dialogs.clear();
    EXPECT_EQ(runWith(), GalleryRun::Outcome::FolderUnavailable);
    ASSERT_EQ(m_dialogs.texts().size(), 1);
    EXPECT_TRUE(m_dialogs.texts().first().startsWith(QStringLiteral("Ordner neu erstellen (")));
    EXPECT_FALSE(QDir(path(QStringLiteral("out"))).exists());
    EXPECT_TRUE(m_phases.isEmpty());
}

TEST_F(GalleryRunTest, ErrorNamingAFolderWithSlashNKeepsThePathWhole)
{
    const QString target = path(QStringLiteral("nina/neu"));
    m_project.setTextValue(QStringLiteral("Ziel"), target);
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/font.css"))); // cannot be written
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/image1")));
    ASSERT_TRUE(QDir().mkpath(target + QStringLiteral("/image2")));
    addPhotos(1);
    EXPECT_EQ(runWith(), GalleryRun::Outcome::Failed);
    ASSERT_EQ(m_dialogs.entries().size(), 1) << m_dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(m_dialogs.entries()[0].type, DialogType::Error);
    EXPECT_TRUE(m_dialogs.texts()[0].contains(target + QStringLiteral("/font.css")))
        << m_dialogs.texts()[0].toStdString();
}

TEST_F(GalleryRunTest, WritesEveryPictureTheIndexPagesAndAsksTheFinalQuestion)
{
    addPhotos(13);
    m_project.setIntValue(QStringLiteral("Col"), 4);
    m_project.setIntValue(QStringLiteral("Row"), 3);
    for (int i = 0; i < 3; ++i)
        m_dialogs.queue(DialogResult::Yes); // the three folders
    m_dialogs.queue(DialogResult::No);      // "In Browser anzeigen?"
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);

    EXPECT_EQ(m_written, 13);
    EXPECT_EQ(m_captions, 6); // entries 1, 3, ..., 11 carry captions
    EXPECT_EQ(m_index, path(QStringLiteral("out/index.htm")));
    const auto files = outputFiles();
    EXPECT_TRUE(files.contains(QStringLiteral("index.htm")));
    EXPECT_TRUE(files.contains(QStringLiteral("index1.htm"))); // 13 pictures, 12 a page
    EXPECT_FALSE(files.contains(QStringLiteral("index2.htm")));
    EXPECT_TRUE(files.contains(QStringLiteral("font.css")));
    EXPECT_TRUE(files.contains(QStringLiteral("image2/foto12.jpg")));
    EXPECT_TRUE(files.contains(QStringLiteral("image1/tn_foto12.jpg")));
    for (const QString& name : files.keys())
        EXPECT_FALSE(name.contains(QStringLiteral("pending"))) << name.toStdString();

    QImage large(path(QStringLiteral("out/image2/foto00.jpg")));
    QImage small(path(QStringLiteral("out/image1/tn_foto00.jpg")));
    EXPECT_EQ(large.size(), QSize(64, 48));
    EXPECT_EQ(small.size(), QSize(16, 12));

    EXPECT_EQ(m_dialogs.texts().last(),
              QStringLiteral("Lumivista erstellt!\r\n\r\nIn Browser anzeigen?"));
    EXPECT_EQ(m_phases, (QList<GalleryRun::Phase>{GalleryRun::Running, GalleryRun::Idle}));
}

TEST_F(GalleryRunTest, SeveralWorkersWriteTheSameBytesAsOne)
{
    addPhotos(9);
    m_project.setTextValue(QStringLiteral("BildText"), QStringLiteral("Gruss"));
    m_project.setIntValue(QStringLiteral("Hell"), 20);
    makeTargetFolders();
    GalleryRunOptions one;
    one.jobs = 1;
    ASSERT_EQ(runWith(one), GalleryRun::Outcome::Finished);
    const auto single = outputFiles();
    QDir(path(QStringLiteral("out"))).removeRecursively();
    makeTargetFolders();

    GalleryRunOptions three;
    three.jobs = 3;
    ASSERT_EQ(runWith(three), GalleryRun::Outcome::Finished);
    EXPECT_EQ(outputFiles(), single);
    EXPECT_EQ(single.size(), 9 * 3 + 2); // two JPEGs and a page each, index, font.css
}

TEST_F(GalleryRunTest, UnreadablePictureIsSkippedButStillLinked)
{
    addPhotos(3);
    QFile broken(path(QStringLiteral("foto01.jpg")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a jpeg at all");
    broken.close();
    makeTargetFolders();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_written, 2);
    EXPECT_EQ(m_skipped, 1);
    const auto files = outputFiles();
    EXPECT_FALSE(files.contains(QStringLiteral("image2/foto01.jpg")));
    EXPECT_FALSE(files.contains(QStringLiteral("foto01.htm")));
    QFile first(path(QStringLiteral("out/foto00.htm")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_TRUE(first.readAll().contains("foto01.htm")); // the neighbour still links it
    // No message for the skipped picture: only the final question.
    EXPECT_EQ(m_dialogs.texts().size(), 1);
}

TEST_F(GalleryRunTest, CancelAnsweredNoGoesOnAndYesStopsWithoutIndexPages)
{
    addPhotos(6);
    makeTargetFolders();
    int idleCalls = 0;
    // A press of the button arrives while picture 2 is due; "Abbrechen?" answered No.
    m_onIdle = [&](GalleryRun& run) {
        if (++idleCalls == 3)
            run.requestCancel();
    };
    m_dialogs.queue(DialogResult::No); // Abbrechen? -> go on
    m_dialogs.queue(DialogResult::No); // In Browser anzeigen?
    GalleryRunOptions options;
    options.jobs = 1;
    ASSERT_EQ(runWith(options), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_written, 6);
    EXPECT_TRUE(m_dialogs.texts().contains(QStringLiteral("Abbrechen?")));
    EXPECT_EQ(m_phases, (QList<GalleryRun::Phase>{GalleryRun::Running, GalleryRun::Running,
                                                  GalleryRun::Idle}));

    // Now the same press answered Yes: the pictures before it stay, none after it, no index.
    QDir(path(QStringLiteral("out"))).removeRecursively();
    makeTargetFolders();
    m_phases.clear();
    m_dialogs.clear();
    int calls = 0;
    m_onIdle = [&](GalleryRun& run) {
        if (++calls == 1)
            QThread::msleep(50); // let the workers run ahead
        if (calls == 3)
            run.requestCancel();
    };
    options.jobs = 2;
    m_dialogs.queue(DialogResult::Yes); // Abbrechen? -> stop
    ASSERT_EQ(runWith(options), GalleryRun::Outcome::Cancelled);
    const auto files = outputFiles();
    EXPECT_FALSE(files.contains(QStringLiteral("index.htm")));
    EXPECT_GE(m_written, 1);
    EXPECT_LE(m_written, 2);
    EXPECT_FALSE(files.contains(QStringLiteral("foto05.htm")));
    for (const QString& name : files.keys())
        EXPECT_FALSE(name.contains(QStringLiteral("pending"))) << name.toStdString();
    EXPECT_EQ(m_phases.last(), GalleryRun::Idle);
    EXPECT_TRUE(m_phases.contains(GalleryRun::Cancelled));
}

TEST_F(GalleryRunTest, EqualFoldersAndPrefixesGiveTheSmallPicturesTheirPrefix)
{
    addPhotos(1);
    m_project.setTextValue(QStringLiteral("TnPath"), QString());
    m_project.setTextValue(QStringLiteral("PicPath"), QString());
    m_project.setTextValue(QStringLiteral("TnPraefix"), QString());
    m_project.setTextValue(QStringLiteral("PicPraefix"), QString());
    m_project.setTextValue(QStringLiteral("Index"), QStringLiteral("start"));
    m_project.setBoolValue(QStringLiteral("CDImage"), false);
    m_dialogs.queue(DialogResult::Yes); // out
    m_dialogs.queue(DialogResult::No);  // final question
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_project.textValue(QStringLiteral("TnPraefix")), QStringLiteral("tn_"));
    const auto files = outputFiles();
    EXPECT_TRUE(files.contains(QStringLiteral("foto00.jpg")));
    EXPECT_TRUE(files.contains(QStringLiteral("tn_foto00.jpg")));
    EXPECT_TRUE(files.contains(QStringLiteral("start.htm")));
    EXPECT_EQ(m_index, path(QStringLiteral("out/start.htm")));
}

TEST_F(GalleryRunTest, StalePendingFilesOfAKilledRunAreRemoved)
{
    addPhotos(1);
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out/image2"))));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out/image1"))));
    QFile stale(path(QStringLiteral("out/image2/.lumivista-pending-4-foto04.jpg")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write("half");
    stale.close();
    m_dialogs.setFallback(DialogResult::No);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_FALSE(stale.exists());
}

TEST_F(GalleryRunTest, UnchangedPicturesAreNotMadeAgainButTheResultIsTheSame)
{
    addPhotos(5);
    makeTargetFolders();
    m_project.setTextValue(QStringLiteral("BildText"), QStringLiteral("Gruss"));
    GalleryRunOptions full;
    full.reuseUnchanged = false;
    ASSERT_EQ(runWith(full), GalleryRun::Outcome::Finished);
    const auto reference = outputFiles();

    // First run with the record: everything is made and recorded.
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 0);
    // Second run: nothing decoded again, the same bytes everywhere.
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 5);
    EXPECT_EQ(m_written, 5);
    EXPECT_EQ(outputFiles(), reference);
    EXPECT_TRUE(QDir(path(QStringLiteral("out"))).entryList({QStringLiteral("*.txt")}).isEmpty());

    // A changed source picture redoes that picture only.
    QThread::msleep(20);
    QImage other(80, 60, QImage::Format_RGB888);
    other.fill(Qt::blue);
    ASSERT_TRUE(other.save(path(QStringLiteral("foto02.jpg")), "JPEG"));
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 4);

    // A damaged output file is made again.
    QFile damaged(path(QStringLiteral("out/image1/tn_foto03.jpg")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.close();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 4);
    EXPECT_FALSE(QImage(path(QStringLiteral("out/image1/tn_foto03.jpg"))).isNull());

    // An image setting redoes every picture; a page setting does not.
    m_project.setIntValue(QStringLiteral("Hell"), 10);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 0);
    m_project.setTextValue(QStringLiteral("Titel"), QStringLiteral("Neu"));
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 5);

    // "Dateien vorher löschen" removes the old files, so every picture is made again.
    GalleryRunOptions fresh;
    fresh.deleteOldFiles = true;
    ASSERT_EQ(runWith(fresh), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 0);
    EXPECT_EQ(m_written, 5);
}
