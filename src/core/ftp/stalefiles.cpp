// Finding and deleting the stale files of an upload record.
#include "ftp/stalefiles.h"

#include "ftp/remoteclient.h"
#include "ftp/remotelisting.h"
#include "ftp/uploadrecord.h"
#include "util/error.h"
#include "util/paths.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

// An entry that stays inside the base folder: relative, without empty, "." or ".." parts.
bool staysInBaseFolder(const QString& entry)
{
    if (entry.isEmpty() || entry.contains(QLatin1Char('\\')))
        return false;
    const QStringList parts = entry.split(QLatin1Char('/'));
    for (const QString& part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

QString folderOf(const QString& entry)
{
    return entry.left(entry.lastIndexOf(QLatin1Char('/')) + 1); // 'image1/' or ''
}

} // namespace

QString staleFilePath(const QString& baseFolder, const QString& entry)
{
    return baseFolder.endsWith(QLatin1Char('/')) ? baseFolder + entry
                                                 : baseFolder + QLatin1Char('/') + entry;
}

QStringList findStaleFiles(RemoteClient& ftp, const QString& baseFolder, const UploadRecord& record,
                           const QStringList& galleryEntries, const QString& sourceFolder)
{
    // Compared without case: on a server that ignores case, "IMG_1.JPG" of an earlier
    // upload may be the file the gallery now calls "img_1.jpg".
    QSet<QString> gallery;
    for (const QString& entry : galleryEntries)
        gallery.insert(entry.toCaseFolded());
    QStringList candidates;
    for (const QString& entry : record.entries()) {
        if (staysInBaseFolder(entry) && !gallery.contains(entry.toCaseFolded()) &&
            !QFileInfo::exists(resolvePath(entry, sourceFolder)))
            candidates.append(entry);
    }
    candidates.sort();
    if (candidates.isEmpty())
        return {};
    // The folders those entries are in, with their parents, parents first: a folder the
    // parent's listing does not show holds none of them.
    QStringList folders{QString()};
    for (const QString& entry : std::as_const(candidates)) {
        for (QString folder = folderOf(entry); !folder.isEmpty();
             folder = folderOf(folder.chopped(1))) {
            if (!folders.contains(folder))
                folders.append(folder);
        }
    }
    folders.sort();

    QSet<QString> onServer{QString()}; // folders the parent's listing shows
    QHash<QString, qint64> files;      // entry -> size shown (negative: none)
    for (const QString& folder : std::as_const(folders)) {
        if (!onServer.contains(folder))
            continue;
        try {
            ftp.changeFolder(baseFolder);
            if (!folder.isEmpty())
                ftp.changeFolder(folder);
            QStringList rawLines;
            ftp.setTransferType(RemoteClient::TransferType::Binary);
            ftp.listDetails(rawLines);
            const QList<RemoteRow> rows = readRemoteRows(ftp, rawLines);
            if (!ftp.connected())
                throw LumiError(QStringLiteral("Not connected."));
            for (const RemoteRow& row : rows) {
                if (row.isFolder)
                    onServer.insert(folder + row.name + QLatin1Char('/'));
                else
                    files.insert(folder + row.name, row.size);
            }
        } catch (const LumiError& e) {
            throw LumiError(QStringLiteral("The remote folder %1 could not be listed (%2); no "
                                           "file was deleted.")
                                .arg(staleFilePath(baseFolder, folder), e.message()),
                            e.code());
        }
    }
    ftp.changeFolder(baseFolder);

    QStringList stale;
    for (const QString& entry : std::as_const(candidates)) {
        const auto shown = files.constFind(entry);
        if (shown == files.cend())
            continue;
        if (*shown >= 0 && *shown != record.file(entry)->size)
            continue; // not the file the upload stored
        stale.append(entry);
    }
    return stale;
}

StaleDeletion deleteStaleFiles(RemoteClient& ftp, const QString& baseFolder, UploadRecord& record,
                               const QStringList& stale,
                               const std::function<void(const QString& entry)>& onDeleted)
{
    StaleDeletion result;
    for (const QString& entry : stale) {
        const std::optional<StoredFile> stored = record.file(entry);
        if (!stored || !staysInBaseFolder(entry))
            continue; // only what the record names
        const QString path = staleFilePath(baseFolder, entry);
        // Out of the record first: a run killed after the DELE leaves no entry behind.
        record.removeFile(entry);
        QString error;
        if (!record.save(&error)) {
            record.setFile(entry, *stored);
            result.errorMessage =
                QStringLiteral("The record of stored files could not be saved (%1); %2 was not "
                               "deleted.")
                    .arg(error, path);
            return result;
        }
        try {
            ftp.deleteFile(entry);
        } catch (const LumiError& e) {
            if (ftp.connected()) {
                // Refused: the file is still there and stays in the record.
                record.setFile(entry, *stored);
                QString ignored;
                record.save(&ignored);
            }
            result.errorMessage =
                QStringLiteral("%1 could not be deleted (%2)").arg(path, e.message());
            return result;
        }
        ++result.deleted;
        if (onDeleted)
            onDeleted(entry);
    }
    return result;
}
