// Shared pieces of the command line verbs.
#include "cli_support.h"

#include "cli.h"
#include "gallery/projectfile.h"
#include "gallery/projectstate.h"
#include "util/error.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

} // namespace

int readVerbArguments(const QString& verb, const QStringList& args,
                      const QHash<QString, bool*>& flags, const QHash<QString, QString*>& values,
                      QString& projectFile)
{
    QTextStream err(stderr);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (bool* flag = flags.value(a)) {
            *flag = true;
        } else if (QString* value = values.value(a); value && i + 1 < args.size()) {
            *value = args[++i];
        } else if (a.startsWith(QLatin1Char('-'))) {
            err << "lumivista " << verb << ": unknown option " << a << "\n" << verbUsage(verb);
            return kExitUsage;
        } else if (projectFile.isEmpty()) {
            projectFile = a;
        } else {
            err << "lumivista " << verb << ": one project file only\n";
            return kExitUsage;
        }
    }
    if (projectFile.isEmpty()) {
        err << verbUsage(verb);
        return kExitUsage;
    }
    return -1;
}

int loadProjectArgument(const QString& verb, const QString& projectFile, ProjectState& project)
{
    QTextStream err(stderr);
    if (!QFileInfo(projectFile).isFile()) {
        err << "lumivista " << verb << ": no project file \"" << projectFile << "\"\n";
        return kExitUsage;
    }
    project.applyStartSettings();
    try {
        project.LoadParam(projectFile);
    } catch (const NotAProjectError& e) {
        // Named the wrong way round or a photo: refused, never rewritten.
        err << "lumivista " << verb << ": " << e.message() << "\n";
        return kExitUsage;
    } catch (const LumiError& e) {
        err << "lumivista " << verb << ": " << e.message() << "\n";
        return kExitStopped;
    }
    return -1;
}

QString progressBar(qint64 done, qint64 total, int width)
{
    const int filled = total > 0 ? int(std::clamp<qint64>(done * width / total, 0, width)) : width;
    return QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
           QString(width - filled, QLatin1Char('.')) + QLatin1Char(']');
}

InterruptGuard::InterruptGuard() : m_previous(std::signal(SIGINT, onInterrupt))
{
    g_interrupted.store(false);
}

InterruptGuard::~InterruptGuard()
{
    std::signal(SIGINT, m_previous);
}

bool InterruptGuard::takeInterrupt()
{
    return g_interrupted.exchange(false);
}
