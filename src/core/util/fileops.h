// File copy, folder creation with the program's own messages, file size and temporary names.
#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>

#include "util/paths.h"

#include <functional>

// Copies `source` to `destination`, replacing it; a source in the LZ ("SZDD") compressed
// format is expanded. Returns false (and does nothing) when both name the same file.
// Throws LumiError with "Fehler beim Öffnen der Quelldatei", "Fehler beim Öffnen der
// Zeildatei" or "Fehler beim Kopieren der Datei" and the quoted path; after a failed copy the
// old destination is unchanged.
bool copyFileTo(const QString& source, const QString& destination);
// Writes `bytes` as the new content of `path` so that a reader, a full disk or a kill at any
// moment leaves the old file or the complete new one. An existing file (a link: its target)
// is replaced through ".lumivista-pending-NAME" beside it, which keeps its permissions and
// which the next write of the same file (and the next generation run in a gallery folder)
// removes when a kill left it. False with the system's message in `error`.
bool replaceFileContents(const QString& path, const QByteArray& bytes, QString* error);
// The same for content written piece by piece: `write` gets the open new file and returns
// false when it could not write everything (it is not called when the new file cannot be
// opened). On any failure the old file stays and nothing is left beside it.
bool replaceFileWith(const QString& path, const std::function<bool(QIODevice& out)>& write,
                     QString* error);

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
