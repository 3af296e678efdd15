// An upload whose stored files go into the upload record, as the FTP window and the command
// line keep it.
#pragma once

#include "ftp/galleryupload.h"
#include "ftp/uploadrecord.h"

#include <QString>
#include <QStringList>

struct RecordedUpload
{
    // The files `entries` of the local folder `folder` to the client's current folder.
    RecordedUpload(RemoteClient& client, const QStringList& entries, const QString& folder)
        : list(entries), upload(client, list),
          keeper(UploadRecordKey::of(client, upload.readBaseFolder()), list, folder),
          localFolder(folder)
    {
        upload.onProgress = [this](const UploadProgress& p) {
            if (p.step == UploadProgress::Step::FileStored)
                keeper.fileStored(p.entry);
        };
    }
    RecordedUpload(const RecordedUpload&) = delete;
    RecordedUpload& operator=(const RecordedUpload&) = delete;

    GalleryUpload::Outcome run() { return upload.run(localFolder); }

    UploadEntryList list;
    GalleryUpload upload;
    UploadRecordKeeper keeper;
    QString localFolder;
};
