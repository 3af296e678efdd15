// Whether two paths reach one file the way the file system sees it: by device and inode
// where the file exists, by name where it does not, names compared without case in a folder
// that folds case (a camera card, a folder with the casefold attribute).
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// True when `folder` (which exists) finds a file under a name that differs only in case: a
// hidden file is created there, looked up with its letters' case swapped, and removed. False
// when the folder cannot be probed (read-only).
bool folderFoldsCase(const QString& folder);

class FileKeys
{
public:
    using CaseProbe = std::function<bool(const QString& folder)>;
    // `probe` is asked once per existing folder (tests may force the answer).
    explicit FileKeys(CaseProbe probe = folderFoldsCase);

    // The key of the directory entry `path` names: equal for two paths exactly when writing
    // one replaces the other. A link counts as itself (a run replaces links, never writes
    // through them); a hard link of a file has that file's key.
    QString entryKey(const QString& path);
    // The keys under which writing could reach the existing file `path`: its directory entry
    // and, for a link, the file it leads to. Empty when nothing exists at `path`.
    QStringList fileKeys(const QString& path);

private:
    struct Folder
    {
        QString key; // "dev:inode" of an existing folder, else its cleaned absolute path
        bool foldsCase = false;
    };
    const Folder& folder(const QString& path);

    CaseProbe m_probe;
    QHash<QString, Folder> m_folders;
};
