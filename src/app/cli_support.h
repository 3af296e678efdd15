// Pieces every command line verb shares: reading the project argument, the progress bar
// on a terminal, and Ctrl+C as a request to stop after the current item.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class ProjectState;

// Reads the arguments of a verb that takes one project file: each option in `flags` sets
// its bool, each option in `values` takes the next argument as its text. Returns -1 when
// they read, else the exit code, with the message and the verb's usage on standard error.
int readVerbArguments(const QString& verb, const QStringList& args,
                      const QHash<QString, bool*>& flags, const QHash<QString, QString*>& values,
                      QString& projectFile);

// Checks and loads the project file named on the command line into `project` (start
// settings applied first). Returns -1 when loaded, else the exit code, with the reason
// on standard error ("lumivista VERB: ..."): 2 for a file that is not a project.
int loadProjectArgument(const QString& verb, const QString& projectFile, ProjectState& project);

// "[#####.....]" of `width` characters for `done` of `total`.
QString progressBar(qint64 done, qint64 total, int width);

// While it lives, Ctrl+C does not end the process but is remembered; the verb asks
// takeInterrupt() between items and stops cleanly.
class InterruptGuard
{
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once for each Ctrl+C since the last call.
    static bool takeInterrupt();

private:
    void (*m_previous)(int);
};
