// File copy (with expansion of LZ-compressed sources), folder creation with the program's
// messages, file sizes and temporary file names.
#include "util/fileops.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/lzexpand.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

QString quoted(const QString& path)
{
    return u'"' + path + u'"';
}

// True when both names reach one existing file (other spelling, links). With `entryOfB` a
// link at `b` counts as itself, not as the file it names.
bool isSameExistingFile(const QString& a, const QString& b, bool entryOfB = false)
{
#ifdef Q_OS_UNIX
    struct stat sa
    {
    };
    struct stat sb
    {
    };
    const QByteArray nameB = QFile::encodeName(b);
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        (entryOfB ? ::lstat(nameB.constData(), &sb) : ::stat(nameB.constData(), &sb)) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#else
    Q_UNUSED(entryOfB);
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca.compare(QFileInfo(b).canonicalFilePath(), Qt::CaseInsensitive) == 0;
#endif
}

} // namespace

QString writeFailureReason(const QIODevice& file, int code)
{
    // A write cut short by a full disk leaves Qt without a message of its own.
    if (code == 0 || file.errorString() != QFile().errorString())
        return file.errorString();
    return QString::fromLocal8Bit(std::strerror(code));
}

bool isSameFileName(const QString& a, const QString& b, PathStyle style)
{
    return a.compare(b, style == PathStyle::Windows ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
}

bool copyFileTo(const QString& source, const QString& destination, LinkAtName atLink)
{
    // Copying a file onto itself would empty it.
    if (isSameFileName(source, destination) ||
        isSameExistingFile(source, destination, atLink == LinkAtName::Replace))
        return false;

    const QString openSourceError =
        QStringLiteral("Fehler beim Öffnen der Quelldatei ") + quoted(source);
    const QString openDestinationError =
        QStringLiteral("Fehler beim Öffnen der Zeildatei ") + quoted(destination);
    const QString copyError = QStringLiteral("Fehler beim Kopieren der Datei ") + quoted(source);

    // Only regular files: a device or a pipe could be read forever.
    QFile in(source);
    if (!QFileInfo(source).isFile() || !in.open(QIODevice::ReadOnly))
        throw LumiError(openSourceError);
    if (QFileInfo(destination).isDir())
        throw LumiError(openDestinationError);
    // Written beside the destination and renamed over it, so a failed copy keeps the old file.
    bool opened = false;
    const auto copy = [&](QIODevice& out) {
        opened = true;
        const QByteArray head = in.peek(kSzddHeaderSize);
        if (isSzddHeader(head))
            return expandSzdd(in, out);
        QByteArray buffer(256 * 1024, Qt::Uninitialized);
        for (;;) {
            const qint64 n = in.read(buffer.data(), buffer.size());
            if (n < 0)
                return false;
            if (n == 0)
                return true;
            if (out.write(buffer.constData(), n) != n)
                return false;
        }
    };
    QString reason;
    if (!replaceFileWith(destination, copy, &reason, atLink))
        throw LumiError(opened ? copyError : openDestinationError);
    return true;
}

bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error,
                         LinkAtName atLink)
{
    return replaceFileWith(
        path, [&](QIODevice& out) { return out.write(bytes) == bytes.size(); }, error, atLink);
}

bool isFileNameTooLong(const QString& path)
{
    return QFile::encodeName(QFileInfo(path).fileName()).size() > kMaxFileNameBytes;
}

QString fileNameTooLongReason()
{
    return QStringLiteral("Dateiname zu lang");
}

QString pendingFileName(const QString& fileName, const QString& tag)
{
    // 255 bytes a name, less the ".XXXXXX" QSaveFile appends where O_TMPFILE is missing.
    constexpr qsizetype kMaxPendingBytes = kMaxFileNameBytes - 7;
    const QString prefix = QStringLiteral(".lumivista-pending-") + tag;
    const QString pending = prefix + fileName;
    if (QFile::encodeName(pending).size() <= kMaxPendingBytes)
        return pending;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString extension =
        dot > 0 && fileName.size() - dot <= 16 ? fileName.mid(dot) : QString();
    const QByteArray hash =
        QCryptographicHash::hash(fileName.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return prefix + QString::fromLatin1(hash) + extension;
}

bool replaceFileWith(const QString& path, const std::function<bool(QIODevice& out)>& write,
                     QString* error, LinkAtName atLink)
{
    // The pending name would fit, but the final one could never be made.
    if (isFileNameTooLong(path)) {
        *error = fileNameTooLongReason();
        return false;
    }
    // QSaveFile writes an unnamed file and links it to its name when complete. A name that
    // exists already is reached through a random "NAME.XXXXXX" that a kill at that moment
    // leaves behind for good; a fixed hidden name that does not exist avoids that step.
    // Replacing a link takes that step always: rename(2) replaces the link, not its file.
    const QFileInfo info(path);
    const bool replaceLink = atLink == LinkAtName::Replace;
    const bool viaPending = replaceLink || info.exists();
    const QString target = replaceLink || !info.exists() ? path : info.canonicalFilePath();
    const QString pending =
        viaPending ? QFileInfo(target).path() + u'/' + pendingFileName(QFileInfo(target).fileName())
                   : path;
    if (pending != target)
        QFile::remove(pending);
    QSaveFile file(pending);
    // errno is cleared before each step, so a code left is one of that step's calls.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        *error = writeFailureReason(file, errno);
        return false;
    }
    bool written = write(file);
    // flush() before commit(): commit() misses a failed flush of buffered bytes (a full
    // disk) and would put an empty or cut file under the name.
    if (written) {
        errno = 0;
        written = file.flush() && file.commit();
    }
    if (!written) {
        *error = writeFailureReason(file, errno);
        file.cancelWriting();
        return false;
    }
    if (pending == target)
        return true;
    // A replaced link gives no permissions: the new file keeps those of a new file.
    if (info.exists() && !(replaceLink && info.isSymLink()))
        QFile::setPermissions(pending, QFileInfo(target).permissions());
    if (std::rename(QFile::encodeName(pending).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        *error = errno == ENAMETOOLONG ? fileNameTooLongReason()
                                       : QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(pending);
        return false;
    }
    return true;
}

bool ensureFolder(const QString& folder, int mode)
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return true;
    if (mode == kFolderTestOnly)
        return false;
    // Both texts are shown unchanged: a path such as "/home/u/neu" holds "/n".
    if (mode == kFolderAskCreate && !folder.isEmpty()) {
        const QString question =
            QStringLiteral("Ordner neu erstellen (") + folder + QStringLiteral(")?");
        if (dialogService().show(question, DialogType::Confirmation, DialogButtons::YesNo) !=
            DialogResult::Yes)
            return false;
    }
    if (!folder.isEmpty() && QDir().mkpath(folder) && QFileInfo(folder).isDir())
        return true;
    dialogService().show(QStringLiteral("Der Ordner (") + folder +
                             QStringLiteral(") kann nicht erstellt werden!"),
                         DialogType::Error, DialogButtons::Ok);
    return false;
}

qint64 fileSizeOf(const QString& name)
{
    if (name.isEmpty())
        return -1;
    const QFileInfo full(QDir::current(), name);
    const QString fileName = full.fileName();
    if (fileName.contains(u'*') || fileName.contains(u'?')) {
        const QDir dir(full.absolutePath());
        const QFileInfoList entries = dir.entryInfoList(
            {fileName}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
            QDir::Name | QDir::IgnoreCase);
        if (entries.isEmpty())
            return -1;
        return entries.first().isDir() ? 0 : entries.first().size();
    }
    if (!full.exists())
        return -1;
    return full.isDir() ? 0 : full.size();
}

QString tempFileName(const QString& name, const QDateTime& now)
{
    if (name.isEmpty()) {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/XXXXXX.tmp"));
        file.setAutoRemove(false);
        if (!file.open())
            throw LumiError(QStringLiteral("Die temporäre Datei kann nicht angelegt werden (") +
                            QDir::tempPath() + QStringLiteral(")"));
        return file.fileName();
    }
    // The extension starts at the last "." after the last separator.
    const qsizetype lastSep = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= lastSep)
        dot = name.size();
    return name.left(dot) + u'~' + now.toString(QStringLiteral("yyyyMMdd_HHmmss")) + u'~' +
           name.mid(dot);
}
