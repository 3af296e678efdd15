// Replacing a file's content: what a kill between naming the new file and moving it over the
// old one can leave behind, and what the next write and the next generation run do with it.
#include "durabilitysupport.h"

#include "gallery/projectfile.h"
#include "pic/picture.h"
#include "util/error.h"
#include "util/fileops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "testsupport.h"

using namespace durability;

TEST(ReplaceFile, TheWatchSeesTheRandomTemporaryOfAPlainSaveFile)
{
    // What the watch below must catch: a QSaveFile over an existing file goes through a
    // random "NAME.XXXXXX" beside it.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("bild.jpg"));
    writeBytes(file, "old");
    const QStringList names = namesAppearingDuring(dir.path(), [&] {
        QSaveFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("new");
        ASSERT_TRUE(out.commit());
    });
    EXPECT_FALSE(foreignNames(names, QStringLiteral("bild.jpg")).isEmpty())
        << names.join(u' ').toStdString();
}

TEST(ReplaceFile, CopyAndJpegSaveOverAFileUseOnlyThePendingName)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h.jpg");
    const QByteArray photoBytes = readBytes(photo);
    ASSERT_GT(photoBytes.size(), 1000);

    // A copy over an existing file (a logo or the starter copied into a gallery).
    const QString copy = dir.filePath(QStringLiteral("logo.jpg"));
    writeBytes(copy, "old logo");
    QStringList names =
        namesAppearingDuring(dir.path(), [&] { EXPECT_TRUE(copyFileTo(photo, copy)); });
    EXPECT_EQ(foreignNames(names, QStringLiteral("logo.jpg")).join(u' ').toStdString(), "")
        << names.join(u' ').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral(".lumivista-pending-logo.jpg")));
    EXPECT_EQ(readBytes(copy), photoBytes);

    // The optimiser saving a JPEG over itself: kept as it is, and encoded anew.
    const QString saved = dir.filePath(QStringLiteral("foto.jpg"));
    writeBytes(saved, photoBytes);
    for (const int quality : {100, 70}) {
        SCOPED_TRACE("quality " + std::to_string(quality));
        Picture picture;
        LoadPicture(picture, saved);
        names = namesAppearingDuring(dir.path(),
                                     [&] { EXPECT_TRUE(SaveJpeg(picture, saved, quality)); });
        EXPECT_EQ(foreignNames(names, QStringLiteral("foto.jpg")).join(u' ').toStdString(), "")
            << names.join(u' ').toStdString();
        EXPECT_TRUE(names.contains(QStringLiteral(".lumivista-pending-foto.jpg")));
        EXPECT_TRUE(incompleteReason(saved, readBytes(saved)).isEmpty());
    }
    EXPECT_EQ(folderEntries(dir.path()),
              (QStringList{QStringLiteral("foto.jpg"), QStringLiteral("logo.jpg")}));
}

TEST(ReplaceFile, CopyAndJpegSaveRemoveALeftoverOfAKilledReplace)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h.jpg");
    const QString copy = dir.filePath(QStringLiteral("logo.jpg"));
    const QString saved = dir.filePath(QStringLiteral("foto.jpg"));
    writeBytes(copy, "old logo");
    writeBytes(saved, readBytes(photo));
    writeBytes(dir.filePath(QStringLiteral(".lumivista-pending-logo.jpg")), "\xFF\xD8 cut");
    writeBytes(dir.filePath(QStringLiteral(".lumivista-pending-foto.jpg")), "\xFF\xD8 cut");

    EXPECT_TRUE(copyFileTo(photo, copy));
    Picture picture;
    LoadPicture(picture, saved);
    EXPECT_TRUE(SaveJpeg(picture, saved, 80));
    EXPECT_EQ(folderEntries(dir.path()),
              (QStringList{QStringLiteral("foto.jpg"), QStringLiteral("logo.jpg")}));
    EXPECT_EQ(readBytes(copy), readBytes(photo));
}

TEST(ReplaceFile, CopyKeepsItsErrors)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString photo = QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h.jpg");
    // A destination in a folder that does not exist cannot be opened.
    const QString nowhere = dir.filePath(QStringLiteral("fehlt/logo.jpg"));
    EXPECT_EQ(copyError(photo, nowhere),
              QStringLiteral("Fehler beim Öffnen der Zeildatei \"") + nowhere + u'"');
}

TEST(ReplaceFile, ALeftoverOfAKilledSaveIsRemovedByTheNextSave)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("p.lmv"));
    writeProjectFile(file, {QStringLiteral("[Param]"), QStringLiteral("Titel=Alt")});
    // What a save killed after naming its complete new file leaves beside the project.
    writeBytes(dir.filePath(QStringLiteral(".lumivista-pending-p.lmv")), "[Param]\r\nTitel=Ne");

    writeProjectFile(file, {QStringLiteral("[Param]"), QStringLiteral("Titel=Neu")});
    EXPECT_EQ(readBytes(file), QByteArray("[Param]\r\nTitel=Neu\r\n"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("p.lmv")});
}

TEST(ReplaceFile, KeepsPermissionsAndLinks)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("real"))));
    const QString target = dir.filePath(QStringLiteral("real/p.lmv"));
    const QString link = dir.filePath(QStringLiteral("p.lmv"));
    writeBytes(target, "old");
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    ASSERT_TRUE(QFile::link(target, link));

    QString error;
    ASSERT_TRUE(replaceFileContents(link, "new", &error)) << error.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(target), QByteArray("new"));
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(folderEntries(dir.filePath(QStringLiteral("real"))),
              QStringList{QStringLiteral("p.lmv")});
}

TEST(ReplaceFile, ANewFileIsWrittenUnderItsNameDirectly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("font.css"));
    QString error;
    ASSERT_TRUE(replaceFileContents(file, "a { }\r\n", &error)) << error.toStdString();
    EXPECT_EQ(readBytes(file), QByteArray("a { }\r\n"));
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("font.css")});
}

TEST(ReplaceFile, TheNextRunRemovesLeftoversOfAKilledRunInTheGallery)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString project = work.filePath(QStringLiteral("p.lmv"));
    const QString gallery = work.filePath(QStringLiteral("web"));
    ASSERT_EQ(copyCameraPhotos(work.filePath(QStringLiteral("photos")), 2).size(), 2);
    const QProcessEnvironment env = childEnvironment(work.filePath(QStringLiteral("home")));
    ASSERT_NO_FATAL_FAILURE(
        makeProject(project, gallery,
                    {QStringLiteral("PicWidth=200"), QStringLiteral("PicHeight=150"),
                     QStringLiteral("TnWidth=50"), QStringLiteral("TnHeight=40")},
                    work.filePath(QStringLiteral("photos")), env));
    const QStringList generate{QStringLiteral("generate"), project, QStringLiteral("--yes")};
    CliRun run = runLumivista(generate, env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QMap<QString, QByteArray> reference = readTree(gallery);

    // A run killed while replacing the style sheet, an index page and a picture's files.
    writeBytes(gallery + QStringLiteral("/.lumivista-pending-font.css"), "body {");
    writeBytes(gallery + QStringLiteral("/.lumivista-pending-index.htm"), "<html>");
    writeBytes(gallery + QStringLiteral("/.lumivista-pending-1-foto02.jpg"), "\xFF\xD8");
    run = runLumivista(generate, env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(treeDifferences(readTree(gallery), reference).toStdString(), "");
}
