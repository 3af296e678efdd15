// The real `lumivista` program run by the command line tests.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

struct CliRun
{
    int status = -1;
    QString out;
    QString err;
};

// Runs the built program (or a copy of it, `program`) with `args` in `workDir` (empty: the
// current folder) and `env` (empty: the test's own environment), with `input` on its
// standard input.
inline CliRun lumivista(const QStringList& args, const QString& workDir = QString(),
                        const QProcessEnvironment& env = QProcessEnvironment(),
                        const QString& program = QStringLiteral(LUMIVISTA_BINARY),
                        const QByteArray& input = QByteArray())
{
    QProcess process;
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
