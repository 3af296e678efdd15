// Picture naming: every output file name, link address and caption of a gallery comes from
// one picture entry and one name kind, so the files on disk and the links always agree.
#pragma once

#include "util/paths.h"

#include <QString>
#include <QStringList>

// What the names of one gallery depend on: the picture list, the naming settings and the
// resolved folders of the run. Plain data, read-only during a run.
struct GalleryNames
{
    QStringList files;                  // picture entries: source path, optionally "|" and caption
    int selected = -1;                  // the entry selected in the picture list, for index -2
    bool picDatBez = false;             // caption an uncaptioned picture with its file name
    bool newNum = false;                // renumber the output files img0001.jpg, img0002.jpg ...
    QString tnPraefix;                  // file-name prefix of small pictures
    QString picPraefix;                 // file-name prefix of large pictures
    QString exportPath;                 // target folder, full path ending in a separator
    QString tnPath;                     // folder of small pictures, ending in a separator
    QString bildPath;                   // folder of large pictures, ending in a separator
    PathStyle style = kNativePathStyle; // separators, drives and case rule of the paths
};

// The name of `kind` for entry `index` (-2: the selected entry); empty when the index is
// outside the list. Kinds: "no" nothing; "" the source path; "k", "g", "h" the small
// picture, large picture and picture page; "kr", "gr", "hr" the same as link addresses
// relative to the target folder; "b" the caption; "br" the caption for a table cell.
// Only the first two letters count, after lower-casing. Link addresses are
// percent-encoded where a character would break a relative URL (see linkAddress).
QString GetPicName(const QString& kind, int index, const GalleryNames& names);

// The source path (first "|" field) and the caption (second field) of a picture entry.
QString entryPath(const QString& entry);
QString entryCaption(const QString& entry);

// The file name of `path` (folders removed), for either separator style.
QString fileNameOf(const QString& path, PathStyle style = kNativePathStyle);
// `name` with its last extension replaced by `extension` (".jpg"), or with `extension`
// appended when it has none.
QString withExtension(const QString& name, const QString& extension);

// `path` relative to `folder` (which ends in a separator), with "/" as separator and ".."
// steps where needed; a Windows path on another drive stays absolute.
QString relativeLinkPath(const QString& path, const QString& folder, PathStyle style);

// Percent-encodes the characters that would break a relative link address in an HTML
// attribute: control characters, blank, '"', '#', '%', '?' and, for POSIX names, '\'
// (browsers read it as '/'). Everything else, "&" and umlauts included, stays.
QString linkAddress(const QString& relativePath, PathStyle style = kNativePathStyle);
