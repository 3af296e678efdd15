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

// One of the Python peers of tests/bounded (hostile_ftp.py, hostile_http.py) run by
// /usr/bin/python3: started with its arguments, its port read from the first line of its
// output, stopped by its process id when the object goes away.
class PythonPeer
{
public:
    PythonPeer(const QString& script, const QStringList& arguments = {})
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments(QStringList{QStringLiteral(LUMIVISTA_BOUNDED_DIR "/") + script} +
                               arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~PythonPeer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    PythonPeer(const PythonPeer&) = delete;
    PythonPeer& operator=(const PythonPeer&) = delete;

    bool isRunning() const { return m_port > 0; }
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
