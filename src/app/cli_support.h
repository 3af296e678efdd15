// Pieces every command line verb shares: reading the project argument, the progress bar
// on a terminal, and Ctrl+C as a request to stop after the current item.
#pragma once

#include <QString>

class ProjectState;

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
