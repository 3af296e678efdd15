// Shared pieces of the bounded-resources tests: the address-space cap their main() sets,
// the deadline every hostile input must meet, and a launcher for the Python peers in
// this folder.
#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

#include "pythonserver.h"

// The address-space cap of the test processes (see boundedmain.cpp), or 0 when none is
// set because the build uses AddressSanitizer.
long long boundedAddressSpaceLimit();

// The process's peak resident memory so far (VmHWM), in KiB; 0 when unknown.
inline long long peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return 0;
}

// Every hostile input must end with its error well within this, even on a loaded machine;
// a missing cap or time-out would take minutes or never end.
constexpr qint64 kHostileDeadlineMs = 25000;

// Runs `step` and fails the test when it took longer than the deadline.
inline void expectWithinDeadline(const std::function<void()>& step,
                                 qint64 deadlineMs = kHostileDeadlineMs)
{
    QElapsedTimer timer;
    timer.start();
    step();
    EXPECT_LT(timer.elapsed(), deadlineMs) << "took " << timer.elapsed() << " ms";
}

// The Python peer of tests/bounded (hostile_ftp.py) run with its arguments.
class PythonPeer : public PythonServer
{
public:
    PythonPeer(const QString& script, const QStringList& arguments = {})
        : PythonServer(QStringLiteral(LUMIVISTA_BOUNDED_DIR "/") + script, arguments)
    {
    }
};
