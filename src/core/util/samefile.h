// Whether two paths reach one file the way the file system sees it: by device and inode
// where the file exists, by name where it does not; in a folder that folds case (a camera
// card, a folder with the casefold attribute) by the name compared without case, whatever
// inode numbers the file system shows for its spellings.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// True when `folder` (which exists) finds a file under a name that differs only in case: a
// hidden file is created there, looked up with its letters' case swapped, and removed. The
// answer rests on whether that spelling resolves, never on inode numbers. False when the
// folder cannot be probed (read-only).
bool folderFoldsCase(const QString& folder);

class FileKeys
{
public:
    using CaseProbe = std::function<bool(const QString& folder)>;
    // `probe` is asked once per existing folder (tests may force the answer).
    explicit FileKeys(CaseProbe probe = folderFoldsCase);

    // The key of the directory entry `path` names: equal for two paths exactly when writing
    // one replaces the other. A link counts as itself (a run replaces links, never writes
    // through them); a hard link of a file has that file's key, except in a folder that
    // folds case, where the folded name is the key.
    QString entryKey(const QString& path);
    // entryKey and, where something exists at `path`, its device and inode.
    QStringList entryKeys(const QString& path);
    // The keys under which writing could reach the existing file `path`: its directory entry
    // (inode, and the folded name in a folder that folds case, once entryKey has probed that
    // folder) and, for a link, the file it leads to. Empty when nothing exists at `path`.
    QStringList fileKeys(const QString& path);
    // Whether the existing folder `folder` folds case (probed once).
    bool foldsCase(const QString& folder);

private:
    struct Folder
    {
        QString key; // "dev:inode" of an existing folder, else its cleaned absolute path
        bool foldsCase = false;
    };
    const Folder& folder(const QString& path);
    QString nameKey(const QString& path);

    CaseProbe m_probe;
    QHash<QString, Folder> m_folders;
};
