// The program's version, version numbers, the desktop's "open", the program path and the
// vendor's addresses.
#pragma once

#include <QString>

// Four dotted numbers, e.g. "0.1.0.0", fixed when the program is configured.
QString programVersion();
// Packs "a.b.c.d" as ((a*256 + b)*256 + c)*256 + d in 64 bits; a part counts with its leading
// digits, missing, empty, non-numeric or negative parts count 0.
quint64 versionNumber(const QString& dotted);

// Result codes of openWithShell, following the desktop shell's convention (> 32 is success).
inline constexpr int kShellOk = 33;
inline constexpr int kShellNotFound = 2;
inline constexpr int kShellNoHandler = 31;
// Opens a URL, file or folder with the desktop's default handler (xdg-open); "@" starts a
// new instance of the program with `parameters` (split like a command line). Empty target:
// nothing, 0. kShellNoHandler when nothing could open it (no browser installed); a missing
// file is kShellNotFound. Never throws.
int openWithShell(const QString& target, const QString& parameters = {});

// Full path of the running program; `askSystem` asks the system for the loaded executable.
QString programPath(bool askSystem = false);

// The vendor's addresses; the update list honours the environment variable LUMIVISTA_UPDATE_URL.
QString homePageUrl();
QString supportUrl();
QString shopUrl();
QString updateListUrl();

// Start-up step of the library, before any window: locale, first computation of the data
// folders (without creating) that decides the portable flag.
void initUtilLibrary();
