// `lumivista project ...`: creating and editing project files from scripts.
#include "cli.h"

#include <QTextStream>

int runProjectCommand(const QStringList& args)
{
    QTextStream err(stderr);
    err << "lumivista project: not built yet (" << args.join(QLatin1Char(' ')) << ")\n";
    return kExitUsage;
}
