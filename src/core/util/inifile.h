// A small ini reader and writer for the settings store: sections and keys matched without
// regard to case, the file's other lines kept as they are, lines written with CR LF.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace ini {

// Files larger than this are not settings files: reading gives the defaults, writing fails.
inline constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;

// The lines of an existing regular file (UTF-8, or Windows-1252 when not valid UTF-8);
// nothing when the file is missing, unreadable or too large.
std::optional<QStringList> readLines(const QString& path);
// The value of `key` in the first section named `section`; blanks around it and one pair of
// enclosing quotes removed.
std::optional<QString> findValue(const QStringList& lines, const QString& section,
                                 const QString& key);
// Sets the value, adding key or section as needed.
void setValue(QStringList& lines, const QString& section, const QString& key, const QString& value);
// The file's text: lines joined and ended with CR LF, UTF-8.
QByteArray serialize(const QStringList& lines);

// Reason why `section`, `key` or `value` cannot be stored as one ini line; empty when fine.
QString invalidReason(const QString& section, const QString& key, const QString& value);

// readLines + findValue with a default.
QString readValue(const QString& path, const QString& section, const QString& key,
                  const QString& defaultValue);

} // namespace ini
