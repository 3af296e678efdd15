// Dispatches the command line verbs.
#include "cli.h"

#include "buildinfo.h"

#include "util/paths.h"

#include <QDir>
#include <QTextStream>

namespace {

void printUsage(QTextStream& out)
{
    out << "Usage:\n"
           "  lumivista                                  the desktop program\n"
           "  lumivista generate P.lmv [--yes] [--jobs N] [--open] [--clean]\n"
           "  lumivista project new P.lmv [--force] [--folder DIR]... [--target DIR] "
           "[Key=Value]...\n"
           "  lumivista project add P.lmv FILE|DIR...\n"
           "  lumivista project set P.lmv Key=Value...\n"
           "  lumivista project show P.lmv\n"
           "  lumivista upload P.lmv [--yes] [--password-stdin]\n"
           "  lumivista --version\n";
}

} // namespace

int runCli(const QStringList& args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty()) {
        printUsage(err);
        return kExitUsage;
    }
    const QString verb = args.first();
    if (verb == QLatin1String("--version")) {
        out << "Lumivista " << QStringLiteral(LUMIVISTA_VERSION) << Qt::endl;
        return kExitOk;
    }
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
        printUsage(out);
        return kExitOk;
    }
    // The data folders of the desktop program (templates, the CD starter, relative targets),
    // while relative paths on the command line stay relative to where the user is.
    const QString workingFolder = QDir::currentPath();
    computeDataFolders(QStringLiteral("Lumivista"), true);
    QDir::setCurrent(workingFolder);
    if (verb == QLatin1String("project"))
        return runProjectCommand(args.mid(1));
    if (verb == QLatin1String("generate"))
        return runGenerateCommand(args.mid(1));
    if (verb == QLatin1String("upload"))
        return runUploadCommand(args.mid(1));
    err << "lumivista: unknown command \"" << verb << "\"\n";
    printUsage(err);
    return kExitUsage;
}
