// Lists of local files to publish, as the FTP window's local list shows them: paths relative
// to a source folder, each file once.
#pragma once

#include <QString>
#include <QStringList>

// The files of `folder` (not its sub-folders; no hidden files), made relative to
// `sourceFolder` as the FTP window's local list shows them ('image1/tn_0001.jpg').
QStringList localUploadFiles(const QString& folder, const QString& sourceFolder);
// `files` (relative to `sourceFolder` or absolute) with each local file once, the first
// entry kept: a name listed twice, or names that differ only in case in a folder that
// folds case. Elsewhere 'IMG_1234.JPG' and 'img_1234.jpg' are two files and both stay.
QStringList withoutDuplicateFiles(const QStringList& files, const QString& sourceFolder);
