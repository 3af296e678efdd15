// Dispatches the command line verbs.
#include "cli.h"

#include "buildinfo.h"

#include <QTextStream>

namespace {

void printUsage(QTextStream& out)
{
    out << "Usage:\n"
           "  lumivista                                  the desktop program\n"
           "  lumivista project new P.lmv [--folder DIR]... [--target DIR] [Key=Value]...\n"
           "  lumivista project add P.lmv FILE|DIR...\n"
           "  lumivista project set P.lmv Key=Value...\n"
           "  lumivista project show P.lmv\n"
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
    if (verb == QLatin1String("project"))
        return runProjectCommand(args.mid(1));
    err << "lumivista: unknown command \"" << verb << "\"\n";
    printUsage(err);
    return kExitUsage;
}
