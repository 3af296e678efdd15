// Replacing a file's content: what a kill between naming the new file and moving it over the
// old one can leave behind, and what the next write and the next generation run do with it.
#include "durabilitysupport.h"

#include "gallery/projectfile.h"
#include "util/fileops.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace durability;

namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace

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
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("p.lmv")});
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
    EXPECT_EQ(entries(dir.filePath(QStringLiteral("real"))), QStringList{QStringLiteral("p.lmv")});
}

TEST(ReplaceFile, ANewFileIsWrittenUnderItsNameDirectly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("font.css"));
    QString error;
    ASSERT_TRUE(replaceFileContents(file, "a { }\r\n", &error)) << error.toStdString();
    EXPECT_EQ(readBytes(file), QByteArray("a { }\r\n"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("font.css")});
}

TEST(ReplaceFile, TheNextRunRemovesLeftoversOfAKilledRunInTheGallery)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString project = work.filePath(QStringLiteral("p.lmv"));
    const QString gallery = work.filePath(QStringLiteral("web"));
    ASSERT_EQ(copyCameraPhotos(work.filePath(QStringLiteral("photos")), 2).size(), 2);
    const QProcessEnvironment env = childEnvironment(work.filePath(QStringLiteral("home")));
    CliRun run = runLumivista({QStringLiteral("project"), QStringLiteral("new"), project,
                               QStringLiteral("--target"), gallery, QStringLiteral("PicWidth=200"),
                               QStringLiteral("PicHeight=150"), QStringLiteral("TnWidth=50"),
                               QStringLiteral("TnHeight=40")},
                              env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = runLumivista({QStringLiteral("project"), QStringLiteral("add"), project,
                        work.filePath(QStringLiteral("photos"))},
                       env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList generate{QStringLiteral("generate"), project, QStringLiteral("--yes")};
    run = runLumivista(generate, env);
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
