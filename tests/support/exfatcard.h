// A camera card for tests: an exFAT image made with mkfs.exfat and mounted through exfat-fuse,
// which gives each spelling of a name its own inode number. Run by root, exfat-fuse mounts
// only block devices, so the image is attached to a loop device. The card is unmounted and
// the device detached when the object goes, whatever the test did.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <unistd.h>

class ExfatCard
{
public:
    // Makes `folder`/card.img (16 MiB) and mounts it at `folder`/card.
    explicit ExfatCard(const QString& folder) : m_mountPoint(folder + QStringLiteral("/card"))
    {
        if (!QFile::exists(QStringLiteral("/dev/fuse"))) {
            m_skipReason = QStringLiteral("/dev/fuse is missing: no FUSE file system here");
            return;
        }
        if (::geteuid() != 0) {
            m_skipReason = QStringLiteral("mounting a camera card image needs root");
            return;
        }
        const QString image = folder + QStringLiteral("/card.img");
        QFile file(image);
        if (!QDir().mkpath(m_mountPoint) || !file.open(QIODevice::WriteOnly) ||
            !file.resize(16 * 1024 * 1024)) {
            m_error = QStringLiteral("cannot make ") + image;
            return;
        }
        file.close();
        if (!run(QStringLiteral("mkfs.exfat"), {image}))
            return;
        if (!run(QStringLiteral("losetup"),
                 {QStringLiteral("--find"), QStringLiteral("--show"), image}))
            return;
        m_device = m_output.trimmed();
        if (run(QStringLiteral("mount.exfat-fuse"), {m_device, m_mountPoint}))
            m_mounted = true;
    }

    ~ExfatCard()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {m_mountPoint});
        if (!m_device.isEmpty())
            run(QStringLiteral("losetup"), {QStringLiteral("-d"), m_device});
    }

    ExfatCard(const ExfatCard&) = delete;
    ExfatCard& operator=(const ExfatCard&) = delete;

    // Why the card cannot exist on this machine (then the test is skipped), or empty.
    const QString& skipReason() const { return m_skipReason; }
    // What went wrong making or mounting it, or empty.
    const QString& error() const { return m_error; }
    // The mounted card's root folder.
    const QString& path() const { return m_mountPoint; }

private:
    bool run(const QString& program, const QStringList& args)
    {
        // The tools live in the system folders, which a test's PATH may lack.
        QString found = QStandardPaths::findExecutable(program);
        if (found.isEmpty())
            found = QStandardPaths::findExecutable(
                program, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
        QProcess process;
        process.start(found.isEmpty() ? program : found, args);
        const bool ok = process.waitForFinished(30000) &&
                        process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        m_output = QString::fromLocal8Bit(process.readAllStandardOutput());
        if (!ok) {
            m_error = program + QStringLiteral(" failed: ") + process.errorString() + u' ' +
                      QString::fromLocal8Bit(process.readAllStandardError());
        }
        return ok;
    }

    QString m_mountPoint;
    QString m_device;
    QString m_output;
    QString m_skipReason;
    QString m_error;
    bool m_mounted = false;
};
