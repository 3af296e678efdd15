// A test process killed while its tmpfs is mounted leaves the mount behind; the next test
// that mounts one removes it, and leaves alone the mounts of tests that still run.
#include "durabilitysupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/mount.h>
#include <unistd.h>

using namespace durability;

namespace {

QString mountPrefix()
{
    return QDir::tempPath() + u'/' + QLatin1String(kMountPrefix);
}

} // namespace

// Run only as the child of the test below: mounts, reports the mount point, is killed.
TEST(StaleTmpfs, DISABLED_MountAndGetKilled)
{
    TmpfsMount mount(64 * 1024);
    ASSERT_TRUE(mount.mounted()) << mount.refusal().toStdString();
    QFile file(mount.path() + QStringLiteral("/left.txt"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("left by a killed test");
    file.close();
    std::printf("MOUNT %s\n", QFile::encodeName(mount.path()).constData());
    std::fflush(stdout);
    ::raise(SIGKILL);
}

TEST(StaleTmpfs, TheMountOfAKilledTestIsRemovedByTheNext)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to mount a tmpfs";

    // A test of this program, killed with its tmpfs mounted.
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_also_run_disabled_tests"),
                 QStringLiteral("--gtest_filter=StaleTmpfs.DISABLED_MountAndGetKilled")});
    ASSERT_TRUE(child.waitForStarted(10000));
    const qint64 childPid = child.processId();
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    QString stale;
    for (const QString& line : QString::fromLocal8Bit(child.readAllStandardOutput()).split(u'\n'))
        if (line.startsWith(QStringLiteral("MOUNT ")))
            stale = line.mid(6);
    ASSERT_TRUE(stale.startsWith(mountPrefix() + QString::number(childPid) + u'-'))
        << stale.toStdString();
    ASSERT_TRUE(isMountPoint(stale)) << "the killed test's tmpfs was not left mounted";

    // The mount of a test that still runs (PID 1 always does) must stay.
    const QString alive = mountPrefix() + QStringLiteral("1-abcDEF");
    ASSERT_TRUE(QDir().mkpath(alive));
    ASSERT_EQ(::mount("tmpfs", QFile::encodeName(alive).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                      "size=64k"),
              0);
    struct Unmount
    {
        QString path;
        ~Unmount()
        {
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
            QDir().rmdir(path);
        }
    } unmountAlive{alive};

    {
        TmpfsMount next(64 * 1024);
        ASSERT_TRUE(next.mounted()) << next.refusal().toStdString();
        EXPECT_TRUE(
            next.path().startsWith(mountPrefix() + QString::number(::getpid()) + QChar(u'-')))
            << next.path().toStdString();
        EXPECT_FALSE(QFileInfo::exists(stale)) << "the stale mount point is still there";
        EXPECT_FALSE(isMountPoint(stale));
        EXPECT_TRUE(isMountPoint(alive)) << "the mount of a running test was removed";
        EXPECT_TRUE(isMountPoint(next.path()));
    }
    EXPECT_TRUE(isMountPoint(alive));
}
