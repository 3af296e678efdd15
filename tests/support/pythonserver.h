// The Python servers of the tests (tests/fixtures, tests/bounded), run by /usr/bin/python3:
// started with their arguments, their port read from the first line of their output, and
// stopped by their process id when the object goes away.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class PythonServer
{
public:
    PythonServer(const QString& script, const QStringList& arguments = {})
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments(QStringList{script} + arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_port = quint16(m_process.readLine().trimmed().toUInt());
    }
    ~PythonServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    PythonServer(const PythonServer&) = delete;
    PythonServer& operator=(const PythonServer&) = delete;

    bool isRunning() const { return m_port > 0; }
    quint16 port() const { return m_port; }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

// The tests' HTTP server (tests/fixtures/http/testhttpserver.py): the files of a temporary
// folder of its own, and the paths that misbehave; `options` as the script takes them.
class TestHttpServer
{
public:
    explicit TestHttpServer(const QStringList& options = {})
        : m_server(QStringLiteral(LUMIVISTA_FIXTURES "/http/testhttpserver.py"),
                   QStringList{QStringLiteral("--root"), m_root.path()} + options)
    {
    }

    bool isRunning() const { return m_server.isRunning(); }
    quint16 port() const { return m_server.port(); }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
    }
    // Writes `content` as the served file `name`.
    void publish(const QString& name, const QByteArray& content) const
    {
        QFile file(m_root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }
    void remove(const QString& name) const { QFile::remove(m_root.filePath(name)); }

private:
    QTemporaryDir m_root;
    PythonServer m_server;
};
