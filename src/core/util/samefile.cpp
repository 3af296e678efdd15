// File identity by device and inode, and the case rule of a folder, probed on the spot.
#include "util/samefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sys/stat.h>

namespace {

QString inodeKey(const struct stat& st)
{
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}

QString swappedCase(const QString& name)
{
    QString swapped = name;
    for (QChar& c : swapped)
        c = c.isUpper() ? c.toLower() : c.toUpper();
    return swapped;
}

} // namespace

bool folderFoldsCase(const QString& folder)
{
    // The name is one the generation run removes as a stale pending file if a kill leaves it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".lumivista-pending-case-XXXXXX")));
    if (!probe.open())
        return false;
    // Only one spelling was made: if the other one resolves, the folder folds case. The inode
    // numbers tell nothing here, as some file systems (exFAT through FUSE) give each spelling
    // of a name its own.
    const QFileInfo info(probe.fileName());
    const QString other = info.path() + u'/' + swappedCase(info.fileName());
    struct stat st
    {
    };
    return other != probe.fileName() && ::lstat(QFile::encodeName(other).constData(), &st) == 0;
}

FileKeys::FileKeys(CaseProbe probe) : m_probe(std::move(probe))
{
}

const FileKeys::Folder& FileKeys::folder(const QString& path)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto it = m_folders.constFind(absolute);
    if (it != m_folders.constEnd())
        return it.value();
    Folder f;
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(absolute).constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        f.key = inodeKey(st);
        f.foldsCase = m_probe && m_probe(absolute);
    } else {
        f.key = absolute;
    }
    return m_folders.insert(absolute, f).value();
}

bool FileKeys::foldsCase(const QString& folder)
{
    return this->folder(folder).foldsCase;
}

QString FileKeys::nameKey(const QString& path)
{
    const QFileInfo info(path);
    const Folder& f = folder(info.path());
    return f.key + u'/' + (f.foldsCase ? info.fileName().toCaseFolded() : info.fileName());
}

QString FileKeys::entryKey(const QString& path)
{
    // In a folder that folds case the name decides: every spelling of it is one entry.
    if (foldsCase(QFileInfo(path).path()))
        return nameKey(path);
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0)
        return inodeKey(st);
    return nameKey(path);
}

QStringList FileKeys::entryKeys(const QString& path)
{
    QStringList keys{entryKey(path)};
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !keys.contains(inodeKey(st)))
        keys << inodeKey(st);
    return keys;
}

QStringList FileKeys::fileKeys(const QString& path)
{
    QStringList keys;
    const QByteArray name = QFile::encodeName(path);
    struct stat st
    {
    };
    if (::lstat(name.constData(), &st) == 0)
        keys << inodeKey(st);
    else
        return keys;
    if (::stat(name.constData(), &st) == 0 && !keys.contains(inodeKey(st)))
        keys << inodeKey(st);
    // Only a folder that outputs go to (probed already) can hold a name an output folds onto;
    // the folders of the user's files are not probed for this.
    const auto it =
        m_folders.constFind(QDir::cleanPath(QFileInfo(QFileInfo(path).path()).absoluteFilePath()));
    if (it != m_folders.constEnd() && it->foldsCase)
        keys << nameKey(path);
    return keys;
}
