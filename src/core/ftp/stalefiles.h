// Stale files: what an earlier upload stored on the server (the upload record of that server,
// user and folder) that the gallery no longer has. Only recorded files are ever deleted,
// never a file the user put on the server, and nothing when a folder cannot be listed.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class FTPClient;
class UploadRecord;

// The recorded entries that are not among `galleryEntries`, sorted.
QStringList staleEntries(const UploadRecord& record, const QStringList& galleryEntries);

struct StaleFiles
{
    QStringList onServer; // stale entries the server's listing shows: these go
    QStringList gone;     // stale entries the listing does not show (or a folder it could not
                          // enter): left alone, in the record too
};

// Lists the folders of `stale` on the server (the client is in `baseFolder` before and
// after). Throws LumiError when a listing fails.
StaleFiles findStaleFiles(FTPClient& ftp, const QString& baseFolder, const QStringList& stale);

// The most files one run deletes unless told otherwise (--max-delete).
constexpr int kDefaultMaxDelete = 100;

// Deletes `files.onServer` (DELE, relative to the base folder the client is in). Every
// entry leaves the record, saved, before its file is deleted: a killed run never leaves a
// deleted file in the record (at worst a file stays on the server unrecorded). More than
// `maxDelete` files to delete: nothing is deleted. Throws LumiError (nothing more is deleted
// after the first failure); `onDeleted` is told of each deleted entry.
void removeStaleFiles(FTPClient& ftp, const StaleFiles& files, UploadRecord& record, int maxDelete,
                      const std::function<void(const QString&)>& onDeleted = {});
