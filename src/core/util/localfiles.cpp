// The local files of a folder as upload entries, and one entry per file.
#include "util/localfiles.h"

#include "util/paths.h"
#include "util/samefile.h"
#include "util/textutil.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

QStringList localUploadFiles(const QString& folder, const QString& sourceFolder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    scanFolder(files, resolveFolder(folder, QString()) + QStringLiteral("*.*"));
    const QString base = resolveFolder(sourceFolder, QString());
    for (QString& f : files)
        f = replaceAll(f, base, QString(), true);
    return files;
}

namespace {

// One directory entry reached through two spellings of its folder ('Bilder/x.jpg' and
// 'bilder/X.jpg'), which only a folder that folds case allows. One folder never lists an
// entry twice, so names in the same folder are two files; a link is an entry of its own.
bool sameEntrySpeltTwice(const QString& a, const QString& b)
{
    if (QFileInfo(a).path() == QFileInfo(b).path())
        return false;
    // Existing entries (links as themselves) compare by device and inode; no folder is probed.
    FileKeys keys(nullptr);
    return keys.entryKey(a) == keys.entryKey(b);
}

} // namespace

QStringList withoutDuplicateFiles(const QStringList& files, const QString& sourceFolder)
{
    // Names that differ only in case are two files where the file system tells them apart
    // ('IMG_1234.JPG' beside 'img_1234.jpg'); only a folder that folds case makes them one.
    // Kept entries are grouped by their case-folded name, so each file is compared only
    // with the names it could be.
    const QDir base(resolveFolder(sourceFolder, QString()));
    QStringList unique;
    QHash<QString, QStringList> keptByFoldedName;
    for (const QString& f : files) {
        QStringList& sameFolded = keptByFoldedName[f.toCaseFolded()];
        const bool seen =
            std::any_of(sameFolded.cbegin(), sameFolded.cend(), [&](const QString& u) {
                return u == f || sameEntrySpeltTwice(base.filePath(u), base.filePath(f));
            });
        if (!seen) {
            sameFolded.append(f);
            unique.append(f);
        }
    }
    return unique;
}
