// The CD image: the starter index.exe beside the first index page "index.htm" and an
// autorun.inf that names the starter, so an inserted CD opens the gallery by itself.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The three lines of autorun.inf, without line breaks.
QStringList autorunLines();

// The starter built with this program; empty when it was built without the Windows cross
// compiler.
QByteArray builtInStarter();

// Puts the built-in starter into `folder` (empty: the document folder) as "index.exe" when
// that file is missing; an existing file is never replaced. True when it was written.
// Throws LumiError when a missing file cannot be written.
bool installStarter(const QString& folder = {});

// Copies the starter "index.exe" of `folder` (empty: the document folder) to `starterPath`
// and writes autorun.inf to `autorunPath`, both overwriting; the paths are the files of the
// output plan (an empty `starterPath`: the plan has no copy, the starter is already there).
// A starter missing from the folder is first put there from the built-in one. Throws
// LumiError when the starter is missing (saying so when the program was built without one)
// or a file cannot be written.
void GenerateCD(const QString& starterPath, const QString& autorunPath, const QString& folder = {});
