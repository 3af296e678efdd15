// Stale files: what an earlier upload stored on the server (the upload record of that
// server, user and folder) that the gallery no longer has. Only such files are ever
// deleted, only after every folder they are in was listed, and the record is saved
// before each deletion, so it never names a file that is gone.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class RemoteClient;
class UploadRecord;

// Deletions one run makes at most unless the user allows more.
constexpr int kDefaultMaxStaleDeletions = 100;

// The entries of `record` that `galleryEntries` lacks (also when case is ignored), whose file
// is gone from `sourceFolder` too, and that the server's listing shows as a file of the
// recorded size (a file of another size is not the one the upload stored and stays), in
// entry order. Every folder those entries use is listed first, from the base
// folder down (a folder its parent's listing lacks holds none of them): a folder that cannot
// be entered or listed throws LumiError naming it, and nothing counts as stale then.
// The client is back in `baseFolder` afterwards.
QStringList findStaleFiles(RemoteClient& ftp, const QString& baseFolder, const UploadRecord& record,
                           const QStringList& galleryEntries, const QString& sourceFolder);

// "/web/image1/tn_0005.jpg": the remote path of an entry.
QString staleFilePath(const QString& baseFolder, const QString& entry);

struct StaleDeletion
{
    int deleted = 0;
    QString errorMessage; // empty when every file was deleted
};

// Deletes `stale` (entries relative to `baseFolder`, the client's current folder) one by
// one: the entry leaves the record and the record is saved before its DELE; a refused DELE
// puts it back. Stops at the first error. `onDeleted` runs after each deletion.
StaleDeletion deleteStaleFiles(RemoteClient& ftp, const QString& baseFolder, UploadRecord& record,
                               const QStringList& stale,
                               const std::function<void(const QString& entry)>& onDeleted = {});
