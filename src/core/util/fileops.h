// File copy, folder creation with the program's own messages, file size and temporary names.
#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

#include "util/paths.h"

#include <functional>

// What a write does with a symbolic link standing at the name it writes: a setting or project
// file is written through it (to the file it names); a gallery output replaces the link, so a
// link can never make the run change a file outside its target.
enum class LinkAtName
{
    WriteThrough,
    Replace
};

// Copies `source` to `destination`, replacing it; a source in the LZ ("SZDD") compressed
// format is expanded. Returns false (and does nothing) when both name the same file (with
// LinkAtName::Replace a link at the destination is never that: it is replaced by the copy).
// Throws LumiError with "Fehler beim Öffnen der Quelldatei", "Fehler beim Öffnen der
// Zeildatei" or "Fehler beim Kopieren der Datei" and the quoted path; after a failed copy the
// old destination is unchanged.
bool copyFileTo(const QString& source, const QString& destination,
                LinkAtName atLink = LinkAtName::WriteThrough);
// Writes `bytes` as the new content of `path` so that a reader, a full disk or a kill at any
// moment leaves the old file or the complete new one. An existing file (a link: its target,
// or with LinkAtName::Replace the link itself) is replaced through the pending name
// pendingFileName(NAME) beside it, which keeps its permissions and which the next write of the
// same file (and the next generation run in a gallery folder) removes when a kill left it.
// False with the system's message in `error` ("Dateiname zu lang" for a name longer than a
// file name may be: then nothing is written).
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error,
                         LinkAtName atLink = LinkAtName::WriteThrough);
// The same for content written piece by piece: `write` gets the open new file and returns
// false when it could not write everything (it is not called when the new file cannot be
// opened). On any failure the old file stays and nothing is left beside it.
bool replaceFileWith(const QString& path, const std::function<bool(QIODevice& out)>& write,
                     QString* error, LinkAtName atLink = LinkAtName::WriteThrough);

// The longest file name, in bytes, that the file systems of Linux take.
inline constexpr qsizetype kMaxFileNameBytes = 255;
// True when the last part of `path` is longer than a file name may be.
bool isFileNameTooLong(const QString& path);
// The reason given for such a name, and for a write the system refused for its name's
// length: "Dateiname zu lang".
QString fileNameTooLongReason();

// The hidden name a file `fileName` is written under before it replaces its final name:
// ".lumivista-pending-" + `tag` + `fileName`. It fits whenever `fileName` fits the 255 bytes a
// file name may have, leaving room for the ".XXXXXX" a file system without unnamed
// temporary files needs: a longer one keeps the tag, a hash of the name and its extension.
QString pendingFileName(const QString& fileName, const QString& tag = {});

// Why a write to `file` failed: Qt's message, or, when Qt has none (a write that a full disk
// cut short), the system's own text of `code`, errno taken right after the failing call
// (set errno to 0 before it), such as "No space left on device".
QString writeFailureReason(const QIODevice& file, int code);

// True when two names spell the same file name: case ignored for the Windows style, exact
// for Posix (copyFileTo also detects the same file reached by another name).
bool isSameFileName(const QString& a, const QString& b, PathStyle style = kNativePathStyle);

// Modes of ensureFolder.
inline constexpr int kFolderTestOnly = 0;
inline constexpr int kFolderCreate = 1;
inline constexpr int kFolderAskCreate = 2;
// True when `folder` exists afterwards. Mode 0 only tests, 2 asks "Ordner neu erstellen
// (...)?" through the dialog service, any other creates without asking; a failure shows
// "Der Ordner (...) kann nicht erstellt werden!".
bool ensureFolder(const QString& folder, int mode);

// Size in bytes of the first entry matching `name` (wildcards allowed, relative to the
// current folder; a folder counts 0), -1 when nothing matches.
qint64 fileSizeOf(const QString& name);

// Empty name: creates a new empty file in the temporary folder and returns its path (the
// caller deletes it; throws LumiError when none can be created). A name: the name with
// "~yyyymmdd_hhnnss~" before its extension ("C:\a\bild.jpg" -> "C:\a\bild~20210303_153000~.jpg").
QString tempFileName(const QString& name = {}, const QDateTime& now = QDateTime::currentDateTime());
