// Reading and writing project files (".lmv"): lines ended by CR LF, Windows-1252 when
// every character fits, otherwise UTF-8 with a byte-order mark.
#pragma once

#include "util/error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Projects are small; a larger file is refused rather than read into memory.
inline constexpr qint64 kMaxProjectFileBytes = 64 * 1024 * 1024;

// The bytes of a project file: every line followed by CR LF. Windows-1252 when all
// characters fit and the bytes cannot be mistaken for UTF-8 when read back; otherwise
// UTF-8 with a byte-order mark.
QByteArray encodeProjectText(const QStringList& lines);

// Lines of a project file: a byte-order mark names the encoding; otherwise valid UTF-8
// is read as UTF-8 and anything else as Windows-1252. Lines end at CR LF, LF or CR.
QStringList decodeProjectText(const QByteArray& bytes);

// True for the lines of a project: text without NUL characters whose first non-blank line is
// "[Param]" or that holds a line beginning with "[Images]" (any case). A photo, an empty
// file or UTF-16 without byte-order mark is none.
bool readsAsProject(const QStringList& lines);

// A file that was to be read as a project is something else ("FILE is not a Lumivista
// project"); it must be left as it is.
class NotAProjectError : public LumiError
{
public:
    explicit NotAProjectError(const QString& fileName)
        : LumiError(fileName + QStringLiteral(" is not a Lumivista project"))
    {
    }
};

// Throws LumiError with the system's message when the file cannot be read, and
// NotAProjectError when it does not read as a project.
QStringList readProjectFile(const QString& fileName);

// Writes through a temporary file in the same folder that replaces the project only when
// complete, so a failed save leaves the previous project intact. Throws LumiError.
void writeProjectFile(const QString& fileName, const QStringList& lines);
