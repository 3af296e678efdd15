// Update lists, the sources of the update checks that fetch them, and the fixture of the
// tests that run the check against the tests' HTTP server.
#pragma once

#include "pythonserver.h"
#include "update/updatecheck.h"
#include "util/dialogs.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A list of the section "Lumivista" naming `version`, its download address and its info.
inline QByteArray updateList(const QString& version, const QString& download = {},
                             const QString& info = {})
{
    return (QStringLiteral("[Lumivista]\r\nVersion=") + version + QStringLiteral("\r\nDownload=") +
            download + QStringLiteral("\r\nInfo=") + info + QStringLiteral("\r\n"))
        .toUtf8();
}

// A check of the list at `url` for the running version `running`, kept as `localFile`, with
// the program's size cap and time-out.
inline UpdateSource updateSource(const QString& url, const QString& localFile,
                                 const QString& running)
{
    UpdateSource s;
    s.listUrl = url;
    s.localFile = localFile;
    s.section = QStringLiteral("Lumivista");
    s.runningVersion = running;
    return s;
}

// The tests' HTTP server (its /huge as large as 50 MiB), the list's local copy in a
// temporary folder, and dialogs answered Yes unless the test scripts them.
class UpdateServerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.isRunning());
        ASSERT_TRUE(m_data.isValid());
        m_dialogs.setFallback(DialogResult::Yes);
    }

    QString localFile() const { return m_data.filePath(QStringLiteral("update.txt")); }

    // A check of `path` on the server for the running version `running`, with the given
    // time-out and the program's size cap.
    UpdateSource serverSource(const QString& path, const QString& running, int timeoutMs) const
    {
        UpdateSource s = updateSource(m_server.url(path), localFile(), running);
        s.timeoutMs = timeoutMs;
        return s;
    }

    TestHttpServer m_server{{QStringLiteral("--huge-bytes"), QString::number(50 * 1024 * 1024)}};
    QTemporaryDir m_data;
    ScriptedDialogs m_dialogs;
    DialogServiceGuard m_guard{&m_dialogs};
};
