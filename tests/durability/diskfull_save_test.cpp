// Saving a project or a setting onto a disk that fills up at the first, a middle and the last
// part of the file: the save reports the error and the file on disk is the old one, byte for
// byte, with no temporary file beside it.
#include "durabilitysupport.h"

#include "gallery/projectfile.h"
#include "gallery/projectstate.h"
#include "util/error.h"
#include "util/fileops.h"
#include "util/inifile.h"
#include "util/paths.h"
#include "util/settingsstore.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

#include "testsupport.h"

using namespace durability;

namespace {

class DiskFullSave : public TmpfsTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_work.isValid());
        mount(2 * 1024 * 1024, QStringLiteral("projects"));
    }

    QTemporaryDir m_work;
};

// A project with many pictures, so its file spans many pages.
void fillProject(ProjectState& project, const QString& title)
{
    project.applyStartSettings();
    project.setTextValue(QStringLiteral("Titel"), title);
    for (int i = 0; i < 1200; ++i)
        project.Files().append(QStringLiteral("/home/anna/Bilder/Urlaub 2025/Bild %1.jpg|Am Strand "
                                              "von Süd nach Nord, Tag %2")
                                   .arg(i, 4, 10, QChar(u'0'))
                                   .arg(i % 14 + 1));
}

} // namespace

TEST_F(DiskFullSave, ProjectSaveKeepsTheOldFile)
{
    setDataFoldersForTest(m_work.filePath(QStringLiteral("docs/")),
                          m_work.filePath(QStringLiteral("data/")));
    const QString file = m_folder + QStringLiteral("/urlaub.lmv");
    ProjectState oldProject;
    fillProject(oldProject, QStringLiteral("Alt"));
    oldProject.SaveParam(file);
    const QByteArray oldBytes = readBytes(file);
    ASSERT_GT(oldBytes.size(), 16 * kPage);

    ProjectState newProject;
    fillProject(newProject, QStringLiteral("Neu"));
    newProject.Files().append(QStringLiteral("/home/anna/Bilder/neu.jpg"));
    // The bytes a save with space writes, for comparison.
    const QString elsewhere = m_work.filePath(QStringLiteral("neu.lmv"));
    newProject.SaveParam(elsewhere);
    const QByteArray newBytes = readBytes(elsewhere);
    ASSERT_NE(newBytes, oldBytes);

    for (const qint64 space : failingSpaces(newBytes.size())) {
        SCOPED_TRACE("free bytes: " + std::to_string(space));
        QString reason;
        ASSERT_TRUE(m_mount->leaveFree(space, &reason)) << reason.toStdString();
        try {
            newProject.SaveParam(file);
            ADD_FAILURE() << "the save onto a full disk reported no error";
        } catch (const LumiError& e) {
            EXPECT_TRUE(e.message().startsWith(file)) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains(QStringLiteral("No space left on device")))
                << e.message().toStdString();
        }
        EXPECT_EQ(readBytes(file), oldBytes);
        EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("urlaub.lmv")});
    }

    m_mount->removeFiller();
    newProject.SaveParam(file);
    EXPECT_EQ(readBytes(file), newBytes);
    EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("urlaub.lmv")});
}

TEST_F(DiskFullSave, ProjectSetOnTheCommandLineStopsAndKeepsTheOldFile)
{
    const QString file = m_folder + QStringLiteral("/p.lmv");
    const QProcessEnvironment env = childEnvironment(m_work.filePath(QStringLiteral("home")));
    CliRun run = runLumivista(
        {QStringLiteral("project"), QStringLiteral("new"), file, QStringLiteral("Titel=Alt")}, env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray oldBytes = readBytes(file);

    QString reason;
    ASSERT_TRUE(m_mount->leaveFree(0, &reason)) << reason.toStdString();
    run = runLumivista(
        {QStringLiteral("project"), QStringLiteral("set"), file, QStringLiteral("Titel=Neu")}, env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(file)) << run.err.toStdString();
    EXPECT_EQ(readBytes(file), oldBytes);
    EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("p.lmv")});

    m_mount->removeFiller();
    run = runLumivista(
        {QStringLiteral("project"), QStringLiteral("set"), file, QStringLiteral("Titel=Neu")}, env);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(readBytes(file).contains("\r\nTitel=Neu\r\n"));
}

TEST_F(DiskFullSave, SettingsStoreKeepsTheOldIniFile)
{
    PathContext context;
    context.style = PathStyle::Posix;
    context.programName = QStringLiteral("lumivista");
    context.programFile = m_work.filePath(QStringLiteral("prog/lumivista"));
    context.programDir = m_work.filePath(QStringLiteral("prog/"));
    context.docDir = m_work.filePath(QStringLiteral("doc/"));
    context.dataDir = m_folder + u'/';
    const PathContext previous = setPathContext(context);
    struct Restore
    {
        PathContext context;
        ~Restore() { setPathContext(context); }
    } restore{previous};

    // An ini file of many pages: recent folders and window places of a long use.
    const QString file = m_folder + QStringLiteral("/lumivista.ini");
    for (int i = 0; i < 600; ++i)
        writeSetting(QStringLiteral("Verlauf"), QStringLiteral("Ordner%1").arg(i),
                     QStringLiteral("/home/anna/Bilder/Reisen/%1/Tag %2/Auswahl für die Galerie")
                         .arg(2000 + i % 25)
                         .arg(i));
    const QByteArray oldBytes = readBytes(file);
    ASSERT_GT(oldBytes.size(), 8 * kPage);

    // The bytes the store writes for the new value.
    QStringList lines = ini::readLines(file).value_or(QStringList());
    ini::setValue(lines, QStringLiteral("lumivista"), QStringLiteral("Zuletzt"),
                  QStringLiteral("/home/anna/neu.lmv"));
    const QByteArray newBytes = ini::serialize(lines);

    for (const qint64 space : failingSpaces(newBytes.size())) {
        SCOPED_TRACE("free bytes: " + std::to_string(space));
        QString reason;
        ASSERT_TRUE(m_mount->leaveFree(space, &reason)) << reason.toStdString();
        EXPECT_THROW(writeSetting(QStringLiteral("lumivista"), QStringLiteral("Zuletzt"),
                                  QStringLiteral("/home/anna/neu.lmv")),
                     LumiError);
        EXPECT_EQ(readBytes(file), oldBytes);
        EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("lumivista.ini")});
    }

    m_mount->removeFiller();
    writeSetting(QStringLiteral("lumivista"), QStringLiteral("Zuletzt"),
                 QStringLiteral("/home/anna/neu.lmv"));
    EXPECT_EQ(readSetting(QStringLiteral("lumivista"), QStringLiteral("Zuletzt")),
              QStringLiteral("/home/anna/neu.lmv"));
    EXPECT_EQ(readBytes(file), newBytes);
}

TEST_F(DiskFullSave, FileCopyKeepsTheOldDestination)
{
    // A copy ends with a piece smaller than the copy buffer, which Qt keeps buffered.
    const QString source = m_work.filePath(QStringLiteral("logo.jpg"));
    QByteArray sourceBytes = readBytes(QStringLiteral(LUMIVISTA_TEST_DATA "/pic/nikon-d2h.jpg"));
    ASSERT_GT(sourceBytes.size(), 8 * kPage);
    {
        QFile out(source);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(sourceBytes);
    }
    const QString destination = m_folder + QStringLiteral("/logo.jpg");
    const QByteArray oldBytes(5000, 'x');
    {
        QFile out(destination);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(oldBytes);
    }
    for (const qint64 space : failingSpaces(sourceBytes.size())) {
        SCOPED_TRACE("free bytes: " + std::to_string(space));
        QString reason;
        ASSERT_TRUE(m_mount->leaveFree(space, &reason)) << reason.toStdString();
        EXPECT_EQ(copyError(source, destination),
                  QStringLiteral("Fehler beim Kopieren der Datei \"") + source + u'"');
        EXPECT_EQ(readBytes(destination), oldBytes);
        EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("logo.jpg")});
    }
    m_mount->removeFiller();
    EXPECT_TRUE(copyFileTo(source, destination));
    EXPECT_EQ(readBytes(destination), sourceBytes);
}
