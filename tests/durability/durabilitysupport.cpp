// Shared pieces of the durability tests.
#include "durabilitysupport.h"

#include "util/error.h"
#include "util/fileops.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <cerrno>

#include <fcntl.h>
#include <jpeglib.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "testsupport.h"

namespace durability {

// ---- tmpfs ------------------------------------------------------------------------------

namespace {

QString mountFolderTemplate()
{
    return QDir::tempPath() + u'/' + QLatin1String(kMountPrefix) + QString::number(::getpid()) +
           QStringLiteral("-XXXXXX");
}

bool isRunning(pid_t pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

} // namespace

bool isMountPoint(const QString& folder)
{
    struct stat inner
    {
    };
    struct stat outer
    {
    };
    return ::stat(QFile::encodeName(folder).constData(), &inner) == 0 &&
           ::stat(QFile::encodeName(folder + QStringLiteral("/..")).constData(), &outer) == 0 &&
           inner.st_dev != outer.st_dev;
}

QStringList removeStaleMounts()
{
    static const QRegularExpression name(QLatin1String(kMountPrefix) +
                                         QStringLiteral(R"(([0-9]+)-[A-Za-z0-9]{6}$)"));
    QStringList removed;
    const QDir temp(QDir::tempPath());
    const QStringList folders =
        temp.entryList({QLatin1String(kMountPrefix) + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& folder : folders) {
        const QRegularExpressionMatch match = name.match(folder);
        if (!match.hasMatch() || isRunning(pid_t(match.captured(1).toLongLong())))
            continue;
        const QString path = temp.filePath(folder);
        const QByteArray where = QFile::encodeName(path);
        // A folder mounted more than once comes free one mount at a time.
        for (int i = 0; i < 8 && isMountPoint(path); ++i) {
            if (::umount2(where.constData(), 0) != 0 &&
                ::umount2(where.constData(), MNT_DETACH) != 0)
                break;
        }
        // Only the empty folder goes: a mount that stays keeps its files.
        if (!isMountPoint(path) && ::rmdir(where.constData()) == 0)
            removed << path;
    }
    return removed;
}

TmpfsMount::TmpfsMount(qint64 bytes) : m_dir(mountFolderTemplate())
{
    removeStaleMounts();
    if (!m_dir.isValid()) {
        m_refusal = QStringLiteral("no temporary folder for the mount point");
        return;
    }
    if (::geteuid() != 0) {
        m_refusal = QStringLiteral("needs root to mount a tmpfs");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        m_refusal = QStringLiteral("mount of a tmpfs was refused: ") +
                    QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    m_mounted = true;
}

TmpfsMount::~TmpfsMount()
{
    if (!m_mounted)
        return;
    const QByteArray where = QFile::encodeName(path());
    if (::umount2(where.constData(), 0) != 0)
        ::umount2(where.constData(), MNT_DETACH); // busy: detach now, freed when unused
    // QTemporaryDir then removes the empty mount point.
}

qint64 TmpfsMount::freeBytes() const
{
    struct statvfs fs
    {
    };
    if (::statvfs(QFile::encodeName(path()).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

bool TmpfsMount::leaveFree(qint64 bytes, QString* reason)
{
    removeFiller();
    const qint64 fill = freeBytes() - bytes;
    if (bytes % kPage != 0 || fill < 0) {
        *reason = QStringLiteral("cannot leave %1 bytes free of %2").arg(bytes).arg(freeBytes());
        return false;
    }
    const int fd = ::open(QFile::encodeName(fillerPath()).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        *reason = QStringLiteral("filler not created: ") + QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    const int error = fill > 0 ? ::posix_fallocate(fd, 0, fill) : 0;
    ::close(fd);
    if (error != 0) {
        *reason =
            QStringLiteral("filler not allocated: ") + QString::fromLocal8Bit(strerror(error));
        return false;
    }
    if (freeBytes() != bytes) {
        *reason = QStringLiteral("%1 bytes free instead of %2").arg(freeBytes()).arg(bytes);
        return false;
    }
    return true;
}

void TmpfsMount::removeFiller()
{
    QFile::remove(fillerPath());
}

// ---- child processes --------------------------------------------------------------------

QProcessEnvironment childEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

CliRun runLumivista(const QStringList& args, const QProcessEnvironment& env, int deadlineMs)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(LUMIVISTA_BINARY), args);
    CliRun run;
    run.finished = process.waitForStarted(deadlineMs) && process.waitForFinished(deadlineMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// ---- trees ------------------------------------------------------------------------------

QMap<QString, QByteArray> readTree(const QString& root)
{
    QMap<QString, QByteArray> files;
    const QString base = QDir(root).absolutePath() + u'/';
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = QFileInfo(it.next()).absoluteFilePath();
        files.insert(file.mid(base.size()), readBytes(file));
    }
    return files;
}

bool copyTree(const QString& from, const QString& to)
{
    const QMap<QString, QByteArray> files = readTree(from);
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QString target = to + u'/' + it.key();
        if (!QDir().mkpath(QFileInfo(target).absolutePath()))
            return false;
        QFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(it.value()) != it.value().size())
            return false;
    }
    return true;
}

void clearFolder(const QString& root)
{
    QDir dir(root);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
}

bool isPendingName(const QString& relativePath)
{
    return QFileInfo(relativePath).fileName().startsWith(QLatin1String(".lumivista-pending-"));
}

// ---- completeness -----------------------------------------------------------------------

namespace {

struct JpegErrors
{
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    int warnings;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void onJpegError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

extern "C" void onJpegMessage(j_common_ptr info, int level)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    if (level < 0) { // a warning: corrupt or cut data
        if (errors->warnings++ == 0)
            (*info->err->format_message)(info, errors->message);
    }
}

// Decodes every line; false with the first error or warning in `message`.
bool decodesCompletely(const unsigned char* data, unsigned long size, char* message)
{
    jpeg_decompress_struct info;
    JpegErrors errors;
    std::memset(&info, 0, sizeof info);
    info.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = onJpegError;
    errors.mgr.emit_message = onJpegMessage;
    errors.warnings = 0;
    errors.message[0] = '\0';
    JSAMPLE* row = nullptr;
    if (setjmp(errors.jump)) {
        std::free(row);
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    row = static_cast<JSAMPLE*>(std::malloc(size_t(info.output_width) * info.output_components));
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    std::free(row);
    row = nullptr;
    jpeg_destroy_decompress(&info);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", errors.message);
    return errors.warnings == 0;
}

} // namespace

QString incompleteReason(const QString& relativePath, const QByteArray& bytes)
{
    const QString suffix = QFileInfo(relativePath).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        if (bytes.isEmpty())
            return QStringLiteral("empty JPEG");
        char message[JMSG_LENGTH_MAX];
        if (!decodesCompletely(reinterpret_cast<const unsigned char*>(bytes.constData()),
                               static_cast<unsigned long>(bytes.size()), message))
            return QStringLiteral("JPEG does not decode completely: ") +
                   QString::fromLatin1(message);
        return {};
    }
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html")) {
        if (!bytes.endsWith("</html>\r\n"))
            return QStringLiteral("page does not end with </html>: ...") +
                   QString::fromLatin1(bytes.right(20).toPercentEncoding(" /<>"));
        return {};
    }
    if (suffix == QLatin1String("css")) {
        if (!bytes.endsWith("}\r\n"))
            return QStringLiteral("style sheet does not end with a closed rule: ...") +
                   QString::fromLatin1(bytes.right(20).toPercentEncoding(" /<>"));
        return {};
    }
    return {};
}

QByteArray withoutRunTime(const QString& relativePath, const QByteArray& bytes)
{
    const QString suffix = QFileInfo(relativePath).suffix().toLower();
    if (suffix != QLatin1String("htm") && suffix != QLatin1String("html"))
        return bytes;
    // "<!-- *** generated with Lumivista (1.0), 9 Dec 2026 01:13:29 - https://... *** -->"
    static const QRegularExpression stamp(QStringLiteral(
        R"((<!-- \*\*\* generated with [^\r\n]*?\), )[^\r\n]*?( - [^\r\n]*\*\*\* -->))"));
    QString text = QString::fromLatin1(bytes);
    text.replace(stamp, QStringLiteral("\\1<run time>\\2"));
    return text.toLatin1();
}

QString checkNoHalfWrittenFiles(const QMap<QString, QByteArray>& gallery,
                                const QMap<QString, QByteArray>& reference, bool pendingAllowed)
{
    return checkNoHalfWrittenFiles(gallery, QList<QMap<QString, QByteArray>>{reference},
                                   pendingAllowed);
}

QString checkNoHalfWrittenFiles(const QMap<QString, QByteArray>& gallery,
                                const QList<QMap<QString, QByteArray>>& references,
                                bool pendingAllowed)
{
    QString faults;
    for (auto it = gallery.constBegin(); it != gallery.constEnd(); ++it) {
        const QString& name = it.key();
        if (isPendingName(name)) {
            if (!pendingAllowed)
                faults += name + QStringLiteral(": pending file left behind\n");
            continue;
        }
        const QString reason = incompleteReason(name, it.value());
        if (!reason.isEmpty()) {
            faults += name + QStringLiteral(": ") + reason + u'\n';
            continue;
        }
        bool known = false;
        bool equal = false;
        for (const QMap<QString, QByteArray>& reference : references) {
            if (!reference.contains(name))
                continue;
            known = true;
            equal = equal ||
                    withoutRunTime(name, it.value()) == withoutRunTime(name, reference.value(name));
        }
        if (!known)
            faults += name + QStringLiteral(": not a file of the finished gallery\n");
        else if (!equal)
            faults +=
                name + QStringLiteral(": differs from the finished gallery's file (%1 bytes)\n")
                           .arg(it.value().size());
    }
    return faults;
}

QString treeDifferences(const QMap<QString, QByteArray>& actual,
                        const QMap<QString, QByteArray>& expected)
{
    QString faults;
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
        if (!actual.contains(it.key()))
            faults += it.key() + QStringLiteral(": missing\n");
        else if (withoutRunTime(it.key(), actual.value(it.key())) !=
                 withoutRunTime(it.key(), it.value()))
            faults += it.key() + QStringLiteral(": differs\n");
    }
    for (auto it = actual.constBegin(); it != actual.constEnd(); ++it) {
        if (!expected.contains(it.key()))
            faults += it.key() + QStringLiteral(": extra file\n");
    }
    return faults;
}

QStringList copyCameraPhotos(const QString& folder, int count)
{
    static const char* const kPhotos[] = {"nikon-d2h.jpg", "iphone4s-orientation6.jpg",
                                          "nikon-d2h-orientation8.jpg", "orientation-3.jpg"};
    QDir().mkpath(folder);
    QStringList copies;
    for (int i = 0; i < count; ++i) {
        const QString source = QStringLiteral(LUMIVISTA_TEST_DATA "/pic/") +
                               QString::fromLatin1(kPhotos[i % std::size(kPhotos)]);
        const QString copy = folder + QStringLiteral("/foto%1.jpg").arg(i + 1, 2, 10, QChar(u'0'));
        QFile::remove(copy);
        if (!QFile::copy(source, copy))
            return {};
        copies << copy;
    }
    return copies;
}

// ---- names in a folder ------------------------------------------------------------------

// Every name that appears in `folder` (created, linked or moved there) while `action` runs,
// in order. A kill can leave behind any of them.
QStringList namesAppearingDuring(const QString& folder, const std::function<void()>& action)
{
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0 || ::inotify_add_watch(fd, QFile::encodeName(folder).constData(),
                                      IN_CREATE | IN_MOVED_TO) < 0) {
        ADD_FAILURE() << "no inotify watch on " << folder.toStdString();
        if (fd >= 0)
            ::close(fd);
        return {};
    }
    action();
    QStringList names;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0)
                names << QFile::decodeName(event->name);
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    ::close(fd);
    return names;
}

QStringList foreignNames(const QStringList& names, const QString& fileName)
{
    QStringList foreign;
    for (const QString& name : names) {
        if (name != fileName && name != QStringLiteral(".lumivista-pending-") + fileName)
            foreign << name;
    }
    return foreign;
}

void makeProject(const QString& project, const QString& target, const QStringList& settings,
                 const QString& photos, const QProcessEnvironment& env)
{
    CliRun run = runLumivista(QStringList{QStringLiteral("project"), QStringLiteral("new"), project,
                                          QStringLiteral("--target"), target} +
                                  settings,
                              env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    run = runLumivista({QStringLiteral("project"), QStringLiteral("add"), project, photos}, env);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
}

QString copyError(const QString& source, const QString& destination)
{
    try {
        copyFileTo(source, destination);
        ADD_FAILURE() << "the copy of " << source.toStdString() << " reported no error";
    } catch (const LumiError& e) {
        return e.message();
    }
    return QString();
}

} // namespace durability
