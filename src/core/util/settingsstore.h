// Single values of ini files: the program's settings file in dataDir, the portable switch
// beside the program, the downloaded update list. Every call opens the file anew.
#pragma once

#include <QString>

// The stored text of `key` in `section`, or `defaultValue` when the file, the section or the
// key does not exist. Defaults: section the program's name ("lumivista"), folder dataDir,
// file ".ini" (the program's name + ".ini"); the file is resolved with resolvePath, so
// macros and relative names work. Never throws.
QString readSetting(const QString& section, const QString& key, const QString& defaultValue = {},
                    const QString& folder = {}, const QString& file = {});

// Stores `value` unless the same text is stored already (then the file is not touched).
// Creates folder, file, section and key as needed; writes a temporary file and renames it
// over the old one. Throws LumiError when the file cannot be written or the section, key or
// value cannot be stored in an ini line. Returns true.
bool writeSetting(const QString& section, const QString& key, const QString& value,
                  const QString& folder = {}, const QString& file = {});
bool writeSetting(const QString& section, const QString& key, qint64 value,
                  const QString& folder = {}, const QString& file = {});
