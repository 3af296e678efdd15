// Shared pieces of the libFuzzer targets: an application object for the Qt parts, a
// scratch file per process for parsers that read files, and a check that aborts (so
// libFuzzer records the input) when a parser breaks a promise of its interface.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

inline void startFuzzApplication(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
}

// A file in the shared-memory folder (or the temp folder) that only this process uses.
inline QString fuzzScratchFile(const QString& extension)
{
    const QString folder =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    return folder + QStringLiteral("/lumivista-fuzz-%1.").arg(QCoreApplication::applicationPid()) +
           extension;
}

inline void writeScratch(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        std::abort(); // the fuzzing machine itself is broken
}
