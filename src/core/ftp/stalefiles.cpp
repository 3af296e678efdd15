// Finding and deleting stale files.
#include "ftp/stalefiles.h"

#include "ftp/ftpclient.h"
#include "ftp/uploadrecord.h"
#include "util/error.h"

#include <QSet>

QStringList staleEntries(const UploadRecord& record, const QStringList& galleryEntries)
{
    const QSet<QString> gallery(galleryEntries.begin(), galleryEntries.end());
    QStringList stale;
    for (const QString& entry : record.entries()) {
        if (!gallery.contains(entry))
            stale.append(entry);
    }
    stale.sort();
    return stale;
}

StaleFiles findStaleFiles(FTPClient& ftp, const QString& baseFolder, const QStringList& stale)
{
    StaleFiles files;
    if (stale.isEmpty())
        return files;
    const QHash<QString, qint64> remote = remoteEntrySizes(ftp, baseFolder, stale);
    for (const QString& entry : stale)
        (remote.contains(entry) ? files.onServer : files.gone).append(entry);
    return files;
}

void removeStaleFiles(FTPClient& ftp, const StaleFiles& files, UploadRecord& record, int maxDelete,
                      const std::function<void(const QString&)>& onDeleted)
{
    if (files.onServer.size() > maxDelete)
        throw LumiError(QStringLiteral("%1 stale files, more than the %2 one run deletes: nothing "
                                       "was deleted (--max-delete N allows more).")
                            .arg(files.onServer.size())
                            .arg(maxDelete));
    const auto forget = [&record](const QString& entry) {
        record.removeFile(entry);
        QString error;
        if (!record.save(&error))
            throw LumiError(error);
    };
    for (const QString& entry : files.onServer) {
        forget(entry);
        ftp.deleteFile(entry);
        if (onDeleted)
            onDeleted(entry);
    }
}
