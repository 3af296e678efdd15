// Starts the update tests' HTTP server (update_server.py) on 127.0.0.1 and stops it by
// its process id.
#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

class UpdateServer
{
public:
    UpdateServer()
    {
        m_process.setProgram(QStringLiteral("/usr/bin/python3"));
        m_process.setArguments(
            {QStringLiteral(LUMIVISTA_SOURCE_DIR "/tests/core/update/update_server.py"),
             m_root.path()});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_port = m_process.readLine().trimmed().toInt();
    }
    ~UpdateServer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    bool isRunning() const { return m_port > 0; }
    int port() const { return m_port; }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path);
    }
    // Writes `content` (UTF-8) as the served file `name`.
    void publish(const QString& name, const QByteArray& content) const
    {
        QFile file(m_root.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    void remove(const QString& name) const { QFile::remove(m_root.filePath(name)); }

private:
    QTemporaryDir m_root;
    QProcess m_process;
    int m_port = 0;
};
