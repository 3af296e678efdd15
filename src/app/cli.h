// The command line: `lumivista VERB ...` builds galleries and edits projects in scripts.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Exit codes of every verb.
enum CliExit
{
    kExitOk = 0,
    kExitStopped = 1,
    kExitUsage = 2,
    kExitIncomplete = 3 // the gallery is finished, but pictures could not be processed
};

// `args` are the arguments after the program name. Returns the process exit code.
int runCli(const QStringList& args);
// The same for the arguments as the system handed them over: one that is not valid in the
// system's encoding is refused (exit 2, named with its bytes escaped), never read as another
// name.
int runCliOnRawArguments(const QList<QByteArray>& args);

// The usage of a verb ("generate", "project", "upload") as `VERB --help` prints it, and as
// a bad option is answered on stderr; empty for an unknown verb.
QString verbUsage(const QString& verb);

// `lumivista project new|add|set|show ...`; `args` start after "project".
int runProjectCommand(const QStringList& args);

// `lumivista generate P.lmv [--yes] [--jobs N] [--open] [--clean] [--overwrite]`; `args` start
// after "generate".
int runGenerateCommand(const QStringList& args);

// `lumivista upload P.lmv [--yes] [--password-stdin] [--changed] [--connections N]
// [--accept-certificate SHA256]`; `args` start after "upload".
int runUploadCommand(const QStringList& args);
