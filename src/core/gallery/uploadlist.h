// The files of a generated gallery that "FTP Upload..." and `lumivista upload` publish, in
// the order the upload needs: a folder's files come before those of its sub-folders.
#pragma once

#include <QString>
#include <QStringList>

// The list "FTP Upload..." hands over for a gallery: the target folder's own files, then
// those of the small-picture and the large-picture sub-folder (each when named), then those
// of the double-size folders "2x" in them, each file once (withoutDuplicateFiles).
QStringList galleryUploadFiles(const QString& target, const QString& tnPath,
                               const QString& picPath);
