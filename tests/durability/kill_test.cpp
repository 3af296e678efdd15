// The program killed with SIGKILL: `lumivista generate` after k files of the gallery have
// appeared, for k from the first to near the last, and `lumivista project set` at varying
// moments. No file is ever half-written under its final name, the project file is always
// the old or the new one, and a second run completes the gallery of a clean run exactly.
#include "durabilitysupport.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <sys/types.h>

#include "testsupport.h"

using namespace durability;

namespace {

constexpr int kPhotos = 12;

// Files under final names below `root` (pending files not counted).
int finalFileCount(const QString& root)
{
    int count = 0;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (!isPendingName(it.next()))
            ++count;
    }
    return count;
}

// True when process `pid` has a file in `folder` open other than `except`: the new project
// file being written (unnamed until complete).
bool writesInto(qint64 pid, const QString& folder, const QString& except)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    const QStringList entries = QDir(fds).entryList(QDir::Files | QDir::System);
    for (const QString& fd : entries) {
        const QString target = QFile::symLinkTarget(fds + u'/' + fd);
        if (target.startsWith(folder + u'/') && target != except)
            return true;
    }
    return false;
}

// Inode of every file under a final name below `root`: a file moved into place gets a new one.
QMap<QString, quint64> finalInodes(const QString& root)
{
    QMap<QString, quint64> inodes;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        struct stat st
        {
        };
        if (!isPendingName(file) && ::stat(QFile::encodeName(file).constData(), &st) == 0)
            inodes.insert(file, quint64(st.st_ino));
    }
    return inodes;
}

// Starts the program and kills it (SIGKILL, only this child) once `until` says so or the
// program ended by itself; every wait is bounded. True when it was killed while running.
bool startAndKill(const QStringList& args, const QProcessEnvironment& env,
                  const std::function<bool(qint64 pid, qint64 elapsedUs)>& until, int pollUs = 500)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(LUMIVISTA_BINARY), args);
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << "the program did not start";
        return false;
    }
    const qint64 pid = process.processId();
    QElapsedTimer clock;
    clock.start();
    bool killed = false;
    while (clock.elapsed() < 30000) {
        if (process.state() == QProcess::NotRunning || process.waitForFinished(0))
            break;
        if (until(pid, clock.nsecsElapsed() / 1000)) {
            killed = ::kill(pid_t(pid), SIGKILL) == 0;
            break;
        }
        QThread::usleep(pollUs);
    }
    if (clock.elapsed() >= 30000) {
        ADD_FAILURE() << "the program neither ended nor reached the kill point within 30 s";
        ::kill(pid_t(pid), SIGKILL);
    }
    if (process.state() != QProcess::NotRunning) {
        EXPECT_TRUE(process.waitForFinished(10000)) << "the killed program did not end";
    }
    return killed && process.exitStatus() == QProcess::CrashExit;
}

class KilledGeneration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_work.isValid());
        m_project = m_work.filePath(QStringLiteral("p.lmv"));
        m_gallery = m_work.filePath(QStringLiteral("web"));
        ASSERT_EQ(copyCameraPhotos(m_work.filePath(QStringLiteral("photos")), kPhotos).size(),
                  kPhotos);
        const QProcessEnvironment env = childEnvironment(m_work.filePath(QStringLiteral("home")));
        ASSERT_NO_FATAL_FAILURE(
            makeProject(m_project, m_gallery,
                        {QStringLiteral("PicWidth=400"), QStringLiteral("PicHeight=300"),
                         QStringLiteral("TnWidth=80"), QStringLiteral("TnHeight=60"),
                         QStringLiteral("Col=3"), QStringLiteral("Row=2")},
                        m_work.filePath(QStringLiteral("photos")), env));
        const CliRun run = runLumivista(generateArgs(), env);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        m_reference = readTree(m_gallery);
        // Style sheet, two JPEGs and a page per picture, two index pages, and the double
        // sizes: both for the two photos of every four larger than their large picture, the
        // small one's for the other two.
        ASSERT_EQ(m_reference.size(), 1 + 3 * kPhotos + 2 + 3 * kPhotos / 2);
    }

    QStringList generateArgs() const
    {
        return {QStringLiteral("generate"), m_project, QStringLiteral("--yes"),
                QStringLiteral("--jobs"), QStringLiteral("2")};
    }

    QTemporaryDir m_work;
    QString m_project;
    QString m_gallery;
    QMap<QString, QByteArray> m_reference;
};

} // namespace

TEST_F(KilledGeneration, NoHalfWrittenFileAndTheNextRunCompletesTheGallery)
{
    const int total = int(m_reference.size());
    int killedRuns = 0;
    for (const int k : {1, 2, 5, 12, 20, 28, total - 3, total - 1}) {
        SCOPED_TRACE("killed after " + std::to_string(k) + " of " + std::to_string(total) +
                     " files");
        clearFolder(m_gallery);
        const QProcessEnvironment env =
            childEnvironment(m_work.filePath(QStringLiteral("home-%1").arg(k)));
        int seen = 0;
        const bool killed = startAndKill(generateArgs(), env, [&](qint64, qint64) {
            seen = finalFileCount(m_gallery);
            return seen >= k;
        });
        killedRuns += killed ? 1 : 0;

        const QMap<QString, QByteArray> left = readTree(m_gallery);
        EXPECT_EQ(checkNoHalfWrittenFiles(left, m_reference, true).toStdString(), "");

        const CliRun again = runLumivista(generateArgs(), env);
        ASSERT_TRUE(again.finished);
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_EQ(treeDifferences(readTree(m_gallery), m_reference).toStdString(), "");
    }
    // The runs are long enough that the kills land while the program works.
    EXPECT_GE(killedRuns, 6);
}

TEST_F(KilledGeneration, OverAnOlderGalleryEveryFileIsTheOldOrTheNewOne)
{
    // The same pictures made before with a lower quality and another title.
    const QString older = m_work.filePath(QStringLiteral("older.lmv"));
    ASSERT_TRUE(QFile::copy(m_project, older));
    CliRun run = runLumivista({QStringLiteral("project"), QStringLiteral("set"), older,
                               QStringLiteral("Qual=40"), QStringLiteral("Titel=Früher")},
                              childEnvironment(m_work.filePath(QStringLiteral("home"))));
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const int total = int(m_reference.size());
    int killedRuns = 0;
    for (const int k : {2, total / 2, total - 2}) {
        SCOPED_TRACE("killed after " + std::to_string(k) + " of " + std::to_string(total) +
                     " files were replaced");
        clearFolder(m_gallery);
        // The older run leaves its record of the pictures for the runs after it.
        const QProcessEnvironment env =
            childEnvironment(m_work.filePath(QStringLiteral("home-older-%1").arg(k)));
        run = runLumivista({QStringLiteral("generate"), older, QStringLiteral("--yes")}, env);
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QMap<QString, QByteArray> olderGallery = readTree(m_gallery);
        ASSERT_EQ(olderGallery.keys(), m_reference.keys());
        const QMap<QString, quint64> olderInodes = finalInodes(m_gallery);

        const bool killed = startAndKill(generateArgs(), env, [&](qint64, qint64) {
            const QMap<QString, quint64> now = finalInodes(m_gallery);
            int replaced = 0;
            for (auto it = now.constBegin(); it != now.constEnd(); ++it)
                replaced += olderInodes.value(it.key()) != it.value() ? 1 : 0;
            return replaced >= k;
        });
        killedRuns += killed ? 1 : 0;

        // Each file is the older run's or the new one's, complete; none is missing.
        const QMap<QString, QByteArray> left = readTree(m_gallery);
        EXPECT_EQ(checkNoHalfWrittenFiles(left, {olderGallery, m_reference}, true).toStdString(),
                  "");
        EXPECT_EQ(finalInodes(m_gallery).keys().size(), total);

        run = runLumivista(generateArgs(), env);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(treeDifferences(readTree(m_gallery), m_reference).toStdString(), "");
    }
    EXPECT_GE(killedRuns, 2);
}

TEST(KilledProjectSet, TheProjectFileIsAlwaysTheOldOrTheNewOne)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString folder = work.filePath(QStringLiteral("projects"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/p.lmv");
    const QProcessEnvironment env = childEnvironment(work.filePath(QStringLiteral("home")));
    CliRun run = runLumivista({QStringLiteral("project"), QStringLiteral("new"), file}, env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    // Many pictures make a file of some hundred kilobytes, written in many pieces.
    {
        QStringList lines = QString::fromLatin1(readBytes(file)).split(QStringLiteral("\r\n"));
        const qsizetype at = lines.indexOf(QStringLiteral("[End]"));
        ASSERT_GT(at, 0);
        for (int i = 0; i < 50000; ++i)
            lines.insert(at + i, QStringLiteral("/srv/fotos/archiv/%1/bild%2.jpg|Bild Nummer %2")
                                     .arg(2000 + i % 20)
                                     .arg(i));
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(lines.join(QStringLiteral("\r\n")).toLatin1());
    }
    // The two contents the file alternates between, and the time a set takes.
    const auto set = [&](const QString& title) {
        return runLumivista({QStringLiteral("project"), QStringLiteral("set"), file,
                             QStringLiteral("Titel=") + title},
                            env);
    };
    ASSERT_EQ(set(QStringLiteral("Eins")).exitCode, 0);
    const QByteArray one = readBytes(file);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(set(QStringLiteral("Zwei")).exitCode, 0);
    const qint64 setUs = clock.nsecsElapsed() / 1000;
    const QByteArray two = readBytes(file);
    ASSERT_NE(one, two);
    ASSERT_GT(one.size(), 200 * 1024);

    // How long the new file stays open: watched through one run that is not killed.
    qint64 firstOpenUs = -1, lastOpenUs = -1;
    startAndKill(
        {QStringLiteral("project"), QStringLiteral("set"), file, QStringLiteral("Titel=Eins")}, env,
        [&](qint64 pid, qint64 elapsedUs) {
            if (writesInto(pid, folder, file)) {
                lastOpenUs = elapsedUs;
                if (firstOpenUs < 0)
                    firstOpenUs = elapsedUs;
            }
            return false;
        },
        20);
    const qint64 writeUs = std::max<qint64>(lastOpenUs - firstOpenUs, 100);
    ASSERT_EQ(readBytes(file), one);

    // Kills at moments spread over the whole run (most land while the project is read), and
    // kills while the new file is being written: as soon as the program has it open, and a
    // little later each time, up to past the moment it replaces the old one.
    constexpr int kKills = 24;
    int killed = 0;
    int killedWriting = 0;
    int keptOld = 0;
    for (int i = 0; i < kKills; ++i) {
        const QByteArray before = readBytes(file);
        ASSERT_TRUE(before == one || before == two);
        const bool toOne = before == two;
        const bool duringWrite = i % 2 == 1;
        const qint64 killAtUs = setUs * (i / 2 + 1) / (kKills / 2 - 1);
        const qint64 afterOpenUs = writeUs * 3 / 2 * (i / 2) / (kKills / 2 - 1);
        SCOPED_TRACE(
            duringWrite
                ? "kill " + std::to_string(afterOpenUs) + " us after the new file was opened"
                : "kill after " + std::to_string(killAtUs) + " us of " + std::to_string(setUs));
        qint64 openedAtUs = -1;
        const auto until = [&](qint64 pid, qint64 elapsedUs) {
            if (!duringWrite)
                return elapsedUs >= killAtUs;
            if (openedAtUs < 0 && writesInto(pid, folder, file))
                openedAtUs = elapsedUs;
            return openedAtUs >= 0 && elapsedUs >= openedAtUs + afterOpenUs;
        };
        if (startAndKill({QStringLiteral("project"), QStringLiteral("set"), file,
                          toOne ? QStringLiteral("Titel=Eins") : QStringLiteral("Titel=Zwei")},
                         env, until, duringWrite ? 20 : 200)) {
            ++killed;
            killedWriting += duringWrite ? 1 : 0;
        }
        const QByteArray after = readBytes(file);
        keptOld += after == before ? 1 : 0;
        EXPECT_TRUE(after == before || after == (toOne ? one : two))
            << "a project file of " << after.size() << " bytes, neither old nor new";
        // At most the new file under its pending name, removed by the next save.
        QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot);
        entries.removeOne(QStringLiteral(".lumivista-pending-p.lmv"));
        EXPECT_EQ(entries, QStringList{QStringLiteral("p.lmv")});
    }
    ASSERT_EQ(set(QStringLiteral("Eins")).exitCode, 0);
    EXPECT_EQ(readBytes(file), one);
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                     QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("p.lmv")});
    std::printf("project set killed %d of %d times, %d while writing (open %lld us); "
                "%d times the old file stayed, %d times the new one was in place\n",
                killed, kKills, killedWriting, static_cast<long long>(writeUs), keptOld,
                kKills - keptOld);
    EXPECT_GE(killed, kKills / 3);
    EXPECT_GE(killedWriting, 3);
}
