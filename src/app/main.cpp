// Start-up: without arguments the desktop program, with a verb the command line.
#include "cli.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lumivista"));
    return runCli(QCoreApplication::arguments().mid(1));
}
