#include "galleryrunfixture.h"

#include "gallery/projectstate.h"
#include "util/dialogs.h"
#include "util/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QThread>

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

TEST_F(GalleryRunTest, UnreadablePicturesAreSkippedStillLinkedAndNamedInTheFinalQuestion)
{
    addPhotos(12);
    for (int i = 1; i < 12; ++i) {
        QFile broken(path(QStringLiteral("foto%1.jpg").arg(i, 2, 10, QChar(u'0'))));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("not a jpeg at all");
    }
    makeTargetFolders();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_written, 1);
    EXPECT_EQ(m_skipped, 11);
    const auto files = outputFiles();
    EXPECT_FALSE(files.contains(QStringLiteral("image2/foto01.jpg")));
    EXPECT_FALSE(files.contains(QStringLiteral("foto01.htm")));
    QFile first(path(QStringLiteral("out/foto00.htm")));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_TRUE(first.readAll().contains("foto01.htm")); // the neighbour still links it

    // No message of its own: the final question counts them and names the first ten.
    QString names;
    for (int i = 1; i <= 10; ++i)
        names += path(QStringLiteral("foto%1.jpg\r\n").arg(i, 2, 10, QChar(u'0')));
    EXPECT_EQ(m_dialogs.texts(), QStringList{QStringLiteral("Lumivista erstellt!\r\n\r\n"
                                                            "Nicht verarbeitet: 11 Bild(er)\r\n") +
                                             names + QStringLiteral("In Browser anzeigen?")});
}

TEST_F(GalleryRunTest, NamedFilesThatCannotBeReadAreWarnedAboutAndTheRunGoesOn)
{
    addPhotos(2);
    makeTargetFolders();
    // Paths are shown as they are, although "/n" starts a new line in other messages.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("neu"))));
    const QString brokenLogo = path(QStringLiteral("neu/kaputt.png"));
    QFile logo(brokenLogo);
    ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
    logo.write("no png");
    logo.close();
    m_project.setTextValue(QStringLiteral("WZImage"), brokenLogo);
    // Relative names are looked up in the document folder.
    m_project.setTextValue(QStringLiteral("PNext"), QStringLiteral("pfeil.gif"));
    m_project.setTextValue(QStringLiteral("VorIndex"), QStringLiteral("meinindex.htm"));
    m_project.setTextValue(QStringLiteral("VorBild"), QStringLiteral("meinbild.htm"));
    QStringList seen;
    GalleryRun run(m_project);
    run.onWarning = [&seen](const QString& text) { seen << text; };
    ASSERT_EQ(run.run(), GalleryRun::Outcome::Finished);

    const QString docs = path(QStringLiteral("docs/"));
    ASSERT_EQ(run.warnings().size(), 4) << run.warnings().join(u'\n').toStdString();
    EXPECT_EQ(run.warnings()[0], QStringLiteral("Navigationsbild \"pfeil.gif\" nicht verwendet "
                                                "(gesucht in ") +
                                     docs + QStringLiteral("): Datei nicht gefunden"));
    EXPECT_TRUE(run.warnings()[1].startsWith(QStringLiteral("Logo \"") + brokenLogo +
                                             QStringLiteral("\" nicht verwendet (gesucht in ") +
                                             path(QStringLiteral("neu/): "))));
    EXPECT_GT(run.warnings()[1].size(), run.warnings()[0].size()); // the loader's reason
    EXPECT_EQ(run.warnings()[2], QStringLiteral("Vorlage \"meinindex.htm\" nicht verwendet "
                                                "(gesucht in ") +
                                     docs + QStringLiteral("): Datei nicht gefunden"));
    EXPECT_EQ(run.warnings()[3],
              QStringLiteral("Vorlage \"meinbild.htm\" nicht verwendet: die Indexvorlage fehlt"));
    EXPECT_EQ(seen, run.warnings());
    EXPECT_EQ(m_dialogs.texts().last(), QStringLiteral("Lumivista erstellt!\r\n\r\n") +
                                            run.warnings().join(QStringLiteral("\r\n")) +
                                            QStringLiteral("\r\nIn Browser anzeigen?"));
    // As before: the navigation text as typed, the built-in templates, no logo.
    QFile page(path(QStringLiteral("out/foto00.htm")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("<img border=\"0\" src=\"pfeil.gif\" alt=\"\">"));
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

TEST_F(GalleryRunTest, ARewriteThatKeepsSizeAndModificationTimeIsMadeAgain)
{
    // What `exiftool -P -Orientation#=8` does to a camera photo: one byte of the EXIF block
    // changes, size and modification time stay.
    const QString source = path(QStringLiteral("kamera.jpg"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h.jpg"), source));
    QFile turned(QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h-orientation8.jpg"));
    ASSERT_TRUE(turned.open(QIODevice::ReadOnly));
    const QByteArray turnedBytes = turned.readAll();
    ASSERT_EQ(turnedBytes.size(), QFileInfo(source).size());
    m_project.Files() << source;
    makeTargetFolders();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    ASSERT_EQ(m_reused, 1);
    const QString large = path(QStringLiteral("out/image2/kamera.jpg"));
    EXPECT_EQ(QImage(large).size(), QSize(64, 48));

    QThread::msleep(20); // file times tick coarser than a run of one small photo
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime modified = file.fileTime(QFileDevice::FileModificationTime);
    ASSERT_EQ(file.write(turnedBytes), turnedBytes.size());
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();
    ASSERT_EQ(QFileInfo(source).lastModified(), modified);

    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_reused, 0);
    EXPECT_EQ(QImage(large).size(), QSize(36, 48)); // now upright
}
