// The run and the user's files: originals are never overwritten or deleted, files that no run
// wrote are replaced only when asked for and never cleaned away, camera cards are compared as
// they compare names, every output file has one writer whatever the worker count, links at
// output names are replaced, names up to the file system's limit work and a picture with a
// longer one leaves none of its files.
#include "galleryrunfixture.h"

#include "gallery/outputplan.h"
#include "gallery/picturejob.h"
#include "util/samefile.h"

#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

#include "exfatcard.h"
#include "testsupport.h"

namespace {

void savePhoto(const QString& file, const QColor& colour)
{
    QImage image(80, 60, QImage::Format_RGB888);
    image.fill(colour);
    ASSERT_TRUE(image.save(file, "JPEG")) << file.toStdString();
}

class OutputSafetyTest : public GalleryRunTest
{
protected:
    // Every file directly in `folder`, name -> content.
    QMap<QString, QByteArray> folderFiles(const QString& folder) const
    {
        QMap<QString, QByteArray> files;
        const QDir dir(path(folder));
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden))
            files.insert(name, readBytes(dir.filePath(name)));
        return files;
    }
};

} // namespace

TEST_F(OutputSafetyTest, OutputsThatWouldReplaceOriginalsRefuseTheRun)
{
    addPhotos(7);
    writeBytes(path(QStringLiteral("p.lmv")), "[Param]\r\n");
    const auto before = folderFiles(QStringLiteral("."));
    // The target is the photo folder: the large pictures would be the photos themselves.
    m_project.setTextValue(QStringLiteral("Ziel"), m_dir.path());
    m_project.setTextValue(QStringLiteral("PicPath"), QString());
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("image1"))));
    GalleryRunOptions clean;
    clean.deleteOldFiles = true;
    clean.projectFile = path(QStringLiteral("p.lmv"));
    ASSERT_EQ(runWith(clean), GalleryRun::Outcome::Refused);
    QStringList expected{QStringLiteral("Das Ziel würde Originaldateien überschreiben:")};
    for (int i = 0; i < 5; ++i)
        expected << path(QStringLiteral("foto%1.jpg").arg(i, 2, 10, QChar(u'0')));
    EXPECT_EQ(m_dialogs.texts(), QStringList{expected.join(QStringLiteral("\r\n"))});
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Error);
    EXPECT_EQ(folderFiles(QStringLiteral(".")), before); // nothing written, nothing deleted
    EXPECT_TRUE(m_phases.isEmpty());

    // The same file under another name (a hard link), and a template standing where the
    // first index page goes.
    makeTargetFolders();
    ASSERT_EQ(::link(QFile::encodeName(path(QStringLiteral("foto03.jpg"))).constData(),
                     QFile::encodeName(path(QStringLiteral("out/image2/foto01.jpg"))).constData()),
              0);
    writeBytes(path(QStringLiteral("out/index.htm")), "<html>[index]</html>");
    m_project.setTextValue(QStringLiteral("Ziel"), path(QStringLiteral("out")));
    m_project.setTextValue(QStringLiteral("PicPath"), QStringLiteral("image2"));
    m_project.setTextValue(QStringLiteral("VorIndex"), path(QStringLiteral("out/index.htm")));
    m_dialogs.clear();
    ASSERT_EQ(runWith(clean), GalleryRun::Outcome::Refused);
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{QStringLiteral("Das Ziel würde Originaldateien überschreiben:\r\n") +
                          path(QStringLiteral("foto03.jpg")) + QStringLiteral("\r\n") +
                          path(QStringLiteral("out/index.htm"))});
    EXPECT_EQ(folderFiles(QStringLiteral(".")), before);
    EXPECT_EQ(readBytes(path(QStringLiteral("out/index.htm"))), "<html>[index]</html>");
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out/font.css"))));
}

TEST_F(OutputSafetyTest, CleaningDeletesOnlyWhatEarlierRunsWrote)
{
    // The target is a photo folder: photos, project, template, a RAW file with its sidecar,
    // notes; the pictures go to sub-folders.
    addPhotos(3);
    writeBytes(path(QStringLiteral("p.lmv")), "[Param]\r\n");
    writeBytes(path(QStringLiteral("vorlage.htm")), "<html>[bild][navigation]</html>");
    for (const char* user : {"IMG_7.CR2", "IMG_7.xmp", "notiz.txt", "alt.htm"})
        writeBytes(path(QString::fromLatin1(user)), user);
    m_project.setTextValue(QStringLiteral("Ziel"), m_dir.path());
    m_project.setTextValue(QStringLiteral("VorBild"), path(QStringLiteral("vorlage.htm")));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("image1"))));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("image2"))));
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    // The last picture leaves the list: its files are an earlier run's; so is a page of a
    // gallery whose records were lost.
    m_project.Files().removeLast();
    QByteArray page = readBytes(path(QStringLiteral("foto00.htm")));
    writeBytes(path(QStringLiteral("image1/verloren.htm")), page);

    GalleryRunOptions clean;
    clean.deleteOldFiles = true;
    clean.projectFile = path(QStringLiteral("p.lmv"));
    ASSERT_EQ(runWith(clean), GalleryRun::Outcome::Finished);
    for (const char* gone :
         {"foto02.htm", "image1/tn_foto02.jpg", "image2/foto02.jpg", "image1/verloren.htm"})
        EXPECT_FALSE(QFile::exists(path(QString::fromLatin1(gone)))) << gone;
    const QStringList kept{
        QStringLiteral("IMG_7.CR2"),  QStringLiteral("IMG_7.xmp"),  QStringLiteral("alt.htm"),
        QStringLiteral("foto00.jpg"), QStringLiteral("foto01.jpg"), QStringLiteral("foto02.jpg"),
        QStringLiteral("notiz.txt"),  QStringLiteral("p.lmv"),      QStringLiteral("vorlage.htm")};
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(path(name))) << name.toStdString();
    EXPECT_EQ(readBytes(path(QStringLiteral("alt.htm"))), "alt.htm");
    // The note names how many stayed and the first five, in the final question too.
    ASSERT_FALSE(m_warnings.isEmpty());
    const QString note = m_warnings.first();
    EXPECT_TRUE(note.startsWith(
        QStringLiteral("Nicht gelöscht: %1 Datei(en), die Lumivista nicht geschrieben hat: ")
            .arg(kept.size())))
        << note.toStdString();
    EXPECT_EQ(note.count(m_dir.path()), 5);
    EXPECT_TRUE(m_dialogs.texts().last().contains(note));
}

TEST_F(OutputSafetyTest, OutputsOfTheSameNameHaveOneWriterAndAWarning)
{
    // Two photos named alike in two folders, and one named like the index page.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("a"))));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("b"))));
    savePhoto(path(QStringLiteral("a/pic.jpg")), Qt::red);
    savePhoto(path(QStringLiteral("b/pic.jpg")), Qt::blue);
    savePhoto(path(QStringLiteral("index.jpg")), Qt::green);
    m_project.Files() << path(QStringLiteral("a/pic.jpg")) << path(QStringLiteral("index.jpg"))
                      << path(QStringLiteral("b/pic.jpg"));
    makeTargetFolders();
    GalleryRunOptions reference;
    reference.jobs = 1;
    reference.reuseUnchanged = false;
    ASSERT_EQ(runWith(reference), GalleryRun::Outcome::Finished);
    const auto expected = outputFiles();
    EXPECT_TRUE(readBytes(path(QStringLiteral("out/index.htm"))).contains("<table"));
    EXPECT_EQ(
        m_warnings,
        (QStringList{
            QStringLiteral("gleiche Ausgabedatei \"%1\" für \"%2\" und \"%3\", "
                           "es bleibt \"%3\"")
                .arg(path(QStringLiteral("out/image2/pic.jpg")), path(QStringLiteral("a/pic.jpg")),
                     path(QStringLiteral("b/pic.jpg"))),
            QStringLiteral("gleiche Ausgabedatei \"%1\" für \"%2\" und Indexseite "
                           "\"index.htm\", es bleibt Indexseite \"index.htm\"")
                .arg(path(QStringLiteral("out/index.htm")), path(QStringLiteral("index.jpg")))}));
    EXPECT_TRUE(m_dialogs.texts().last().endsWith(m_warnings.last() +
                                                  QStringLiteral("\r\nIn Browser anzeigen?")));

    // Full and incremental runs with several workers give the one-thread result every time.
    for (int round = 0; round < 4; ++round) {
        GalleryRunOptions options;
        options.jobs = 1 + round % 3;
        ASSERT_EQ(runWith(options), GalleryRun::Outcome::Finished);
        EXPECT_EQ(outputFiles(), expected) << "round " << round;
    }
}

TEST_F(OutputSafetyTest, SmallPicturesNeverShareTheLargePicturesFiles)
{
    addPhotos(2);
    m_project.setTextValue(QStringLiteral("TnPraefix"), QString());
    m_project.setTextValue(QStringLiteral("PicPraefix"), QString());
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out/bilder"))));
    // One folder spelt two ways: with and without the separator, "." and empty.
    for (const auto& [tn, pic] : {std::pair{"bilder", "bilder/"}, std::pair{".", ""}}) {
        m_project.setTextValue(QStringLiteral("TnPraefix"), QString());
        m_project.setTextValue(QStringLiteral("TnPath"), QString::fromLatin1(tn));
        m_project.setTextValue(QStringLiteral("PicPath"), QString::fromLatin1(pic));
        ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished) << tn;
        EXPECT_EQ(m_written, 2);
        EXPECT_EQ(m_project.textValue(QStringLiteral("TnPraefix")), QStringLiteral("tn_"));
        const QString folder = path(QStringLiteral("out/") + QString::fromLatin1(pic));
        EXPECT_EQ(QImage(folder + QStringLiteral("foto01.jpg")).size(), QSize(64, 48));
        EXPECT_EQ(QImage(folder + QStringLiteral("tn_foto01.jpg")).size(), QSize(16, 12));
    }
    // Two outputs of one picture never share a temporary name, even for one final name.
    const QString file = path(QStringLiteral("out/x.jpg"));
    EXPECT_NE(pendingName(file, 0, u'g'), pendingName(file, 0, u'k'));
}

TEST_F(OutputSafetyTest, LinksAtOutputNamesAreReplacedNotWrittenThrough)
{
    addPhotos(1);
    makeTargetFolders();
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("docs"))));
    savePhoto(path(QStringLiteral("docs/sep.png")), Qt::white);
    m_project.setTextValue(QStringLiteral("PTrenn"), QStringLiteral("sep.png"));
    writeBytes(path(QStringLiteral("elsewhere.txt")), "keep me");
    for (const char* name : {"font.css", "index.htm", "foto00.htm", "sep.png"})
        ASSERT_TRUE(QFile::link(path(QStringLiteral("elsewhere.txt")),
                                path(QStringLiteral("out/") + QString::fromLatin1(name))));
    m_dialogs.queue(DialogResult::Yes); // the links are no files of Lumivista's
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(readBytes(path(QStringLiteral("elsewhere.txt"))), "keep me");
    for (const char* name : {"font.css", "index.htm", "foto00.htm", "sep.png"}) {
        const QFileInfo output(path(QStringLiteral("out/") + QString::fromLatin1(name)));
        EXPECT_FALSE(output.isSymLink()) << name;
        EXPECT_GT(output.size(), 7) << name;
    }
}

TEST_F(OutputSafetyTest, NamesUpToTheLimitAreWrittenAgainAndAgain)
{
    // 251 bytes and ".jpg": the longest name a file may have; so are its page and the index.
    const QString base = QString(251, QChar(u'l'));
    savePhoto(path(base + QStringLiteral(".jpg")), Qt::yellow);
    m_project.Files() << path(base + QStringLiteral(".jpg"));
    m_project.setTextValue(QStringLiteral("TnPraefix"), QString());
    m_project.setTextValue(QStringLiteral("Index"),
                           QString(251, QChar(u'i')) + QStringLiteral(".htm"));
    makeTargetFolders();
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
        EXPECT_EQ(m_written, 1) << "run " << run;
        EXPECT_EQ(
            QImage(path(QStringLiteral("out/image1/") + base + QStringLiteral(".jpg"))).size(),
            QSize(16, 12));
        EXPECT_TRUE(QFile::exists(path(QStringLiteral("out/") + base + QStringLiteral(".htm"))));
        EXPECT_TRUE(QFile::exists(m_index));
    }
    EXPECT_FALSE(outputFiles().keys().join(u' ').contains(QStringLiteral("pending")));
}

TEST_F(OutputSafetyTest, ANameOverTheLimitLeavesNoFileOfItsPictureAndIsNamedWithItsReason)
{
    addPhotos(2);
    makeTargetFolders();
    // The large picture's and the page's names fit 255 bytes; the small one's with "tn_" not.
    const QString base(250, u'l');
    const QString source = path(base + QStringLiteral(".jpg"));
    ASSERT_TRUE(QFile::rename(path(QStringLiteral("foto01.jpg")), source));
    m_project.Files()[1] = source;
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_written, 1);
    EXPECT_EQ(m_skipped, 1);
    const auto files = outputFiles();
    for (const QString& name : files.keys())
        EXPECT_FALSE(name.contains(base)) << name.toStdString();
    EXPECT_TRUE(files.contains(QStringLiteral("image2/foto00.jpg")));
    ASSERT_EQ(m_dialogs.entries().last().type, DialogType::Error);
    EXPECT_EQ(m_dialogs.texts().last(),
              QStringLiteral("Die Galerie ist unvollständig, 1 nicht geschrieben:\r\n") + source +
                  QStringLiteral(": Die Datei \"") + path(QStringLiteral("out/image1/tn_")) + base +
                  QStringLiteral(".jpg\" kann nicht geschrieben werden: Dateiname zu lang"));
}

TEST(FileKeys, NamesCompareAsTheFolderComparesThem)
{
    QTemporaryDir dir;
    const QString lower = dir.filePath(QStringLiteral("pic.jpg"));
    const QString upper = dir.filePath(QStringLiteral("PIC.JPG"));
    FileKeys folding([](const QString&) { return true; });
    FileKeys exact([](const QString&) { return false; });
    EXPECT_EQ(folding.entryKey(lower), folding.entryKey(upper));
    EXPECT_NE(exact.entryKey(lower), exact.entryKey(upper));

    // The probe tells what the file system does.
    writeBytes(lower, "x");
    EXPECT_EQ(folderFoldsCase(dir.path()), QFile::exists(upper));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("pic.jpg")});
}

TEST_F(OutputSafetyTest, CaseFoldingFolderRefusesCameraFileNames)
{
    // A folder that folds case, as a camera card does: a tmpfs with casefold (Linux 6.13+).
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a tmpfs";
    const QString card = path(QStringLiteral("card"));
    ASSERT_TRUE(QDir().mkpath(card));
    if (QProcess::execute(QStringLiteral("mount"),
                          {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                           QStringLiteral("size=4m,casefold"), QStringLiteral("none"), card}) != 0)
        GTEST_SKIP() << "this kernel's tmpfs does not fold case";
    struct Unmount
    {
        QString at;
        ~Unmount() { QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), at}); }
    } unmount{card};
    ASSERT_TRUE(QDir().mkpath(card + QStringLiteral("/DCIM")));
    QProcess::execute(QStringLiteral("chattr"),
                      {QStringLiteral("+F"), card + QStringLiteral("/DCIM")});
    EXPECT_TRUE(folderFoldsCase(card + QStringLiteral("/DCIM")));
    savePhoto(card + QStringLiteral("/DCIM/IMG_0001.JPG"), Qt::red);
    const QByteArray original = readBytes(card + QStringLiteral("/DCIM/IMG_0001.JPG"));
    m_project.Files() << card + QStringLiteral("/DCIM/IMG_0001.JPG");
    m_project.setTextValue(QStringLiteral("Ziel"), card + QStringLiteral("/DCIM"));
    m_project.setTextValue(QStringLiteral("PicPath"), QString());
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Refused);
    EXPECT_EQ(readBytes(card + QStringLiteral("/DCIM/IMG_0001.JPG")), original);
}

TEST_F(OutputSafetyTest, OutputsOverOtherFilesAskFirst)
{
    // Numbered names in a folder that holds a photo of the same name, not in the list.
    addPhotos(2);
    makeTargetFolders();
    m_project.setIntValue(QStringLiteral("NewNum"), 1);
    const QString photo = path(QStringLiteral("out/image2/img0001.jpg"));
    savePhoto(photo, Qt::magenta);
    const QByteArray original = readBytes(photo);
    const QString question =
        QStringLiteral("Das Ziel würde 1 Datei(en) ersetzen, die Lumivista nicht geschrieben "
                       "hat:\r\n%1\r\n\r\nTrotzdem ersetzen?")
            .arg(photo);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Refused);
    EXPECT_EQ(m_dialogs.texts(), QStringList{question});
    EXPECT_EQ(readBytes(photo), original);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out/font.css")))); // nothing written

    // Refused without a question where nobody can be asked.
    GalleryRunOptions refuse;
    refuse.otherFiles = GalleryRunOptions::OtherFiles::Refuse;
    m_dialogs.clear();
    ASSERT_EQ(runWith(refuse), GalleryRun::Outcome::Refused);
    EXPECT_EQ(m_dialogs.entries().value(0).type, DialogType::Error);
    EXPECT_EQ(readBytes(photo), original);

    // Yes replaces it; after that run every file is known and nothing is asked.
    m_dialogs.clear();
    m_dialogs.queue(DialogResult::Yes);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(QImage(photo).size(), QSize(64, 48));
    m_dialogs.clear();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_dialogs.texts().size(), 1); // the final question only

    // With its records lost the gallery is asked about once: its four JPEGs and font.css
    // (its pages carry the generator line).
    for (const QString& record : QDir(path(QStringLiteral("data/runs"))).entryList(QDir::Files))
        ASSERT_TRUE(QFile::remove(path(QStringLiteral("data/runs/") + record)));
    m_dialogs.clear();
    m_dialogs.queue(DialogResult::Yes);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_TRUE(
        m_dialogs.texts().first().startsWith(QStringLiteral("Das Ziel würde 5 Datei(en) ersetzen")))
        << m_dialogs.texts().first().toStdString();
    m_dialogs.clear();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_EQ(m_dialogs.texts().size(), 1);
}

TEST_F(OutputSafetyTest, CameraCardOnExfatKeepsItsPhotos)
{
    ExfatCard card(path(QStringLiteral("cardimage")));
    if (!card.skipReason().isEmpty())
        GTEST_SKIP() << card.skipReason().toStdString();
    ASSERT_TRUE(card.error().isEmpty()) << card.error().toStdString();
    const QString camera = card.path() + QStringLiteral("/IMG_0001.JPG");
    savePhoto(camera, Qt::red);
    const QByteArray original = readBytes(camera);
    EXPECT_TRUE(folderFoldsCase(card.path()));
    ASSERT_TRUE(QDir().mkpath(card.path() + QStringLiteral("/image1")));
    m_project.setTextValue(QStringLiteral("Ziel"), card.path());
    m_project.setTextValue(QStringLiteral("PicPath"), QString());

    // The photo itself: its large picture "IMG_0001.jpg" is the same file.
    m_project.Files() << camera;
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Refused);
    EXPECT_TRUE(m_dialogs.texts().value(0).startsWith(
        QStringLiteral("Das Ziel würde Originaldateien überschreiben:")));
    // Another photo of that name: the card's photo is no file of Lumivista's.
    m_project.Files() = {path(QStringLiteral("img_0001.jpg"))};
    savePhoto(m_project.Files().first(), Qt::blue);
    m_dialogs.clear();
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Refused);
    EXPECT_TRUE(m_dialogs.texts().value(0).contains(card.path() + QStringLiteral("/img_0001.jpg")));
    EXPECT_EQ(readBytes(camera), original);
    EXPECT_EQ(QDir(card.path()).entryList(QDir::Files),
              QStringList{QStringLiteral("IMG_0001.JPG")});
}
