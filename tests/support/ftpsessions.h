// Helpers of the tests that drive the FTP client against a test server on 127.0.0.1: the
// log-in, the quiet log-out of a tear-down, the run against every server kind and the
// command lines the client sent.
#pragma once

#include "ftp/ftpclient.h"
#include "ftptestserver.h"
#include "util/error.h"

#include <QObject>
#include <QStringList>
#include <gtest/gtest.h>

// Points `client` at `server`'s address and account and logs in.
inline void logIn(FTPClient& client, const FtpTestServer& server, int replyTimeoutMs = 10000)
{
    client.setHost(server.host());
    client.setPort(server.port());
    client.setUsername(server.user());
    client.setPassword(server.password());
    client.setReplyTimeout(replyTimeoutMs);
    client.connectToServer();
}

// Ends the client's session; a connection that is already gone is no failure of a tear-down.
inline void logOutQuietly(FTPClient& client)
{
    try {
        client.disconnectFromServer();
    } catch (const LumiError&) {
    }
}

// The test name of a run against one server kind.
inline std::string serverKindName(const ::testing::TestParamInfo<FtpTestServer::Kind>& info)
{
    return FtpTestServer::kindName(info.param).toStdString();
}

// Runs the parameterised suite against pyftpdlib and proftpd.
#define LUMIVISTA_ON_EVERY_FTP_SERVER(suite)                                                       \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        Servers, suite,                                                                            \
        ::testing::Values(FtpTestServer::Kind::Pyftpdlib, FtpTestServer::Kind::Proftpd),           \
        serverKindName)

// Every command line the client sends while this lives, from its status notifications.
class CommandLog
{
public:
    explicit CommandLog(FTPClient& client)
    {
        m_connection = QObject::connect(&client, &FTPClient::status, [this](const QString& line) {
            if (!line.isEmpty() && !line.front().isDigit())
                lines.append(line);
        });
    }
    ~CommandLog() { QObject::disconnect(m_connection); }
    CommandLog(const CommandLog&) = delete;
    CommandLog& operator=(const CommandLog&) = delete;

    QStringList starting(const QString& prefix) const
    {
        QStringList out;
        for (const QString& l : lines) {
            if (l.startsWith(prefix))
                out.append(l);
        }
        return out;
    }

    QStringList lines;

private:
    QMetaObject::Connection m_connection;
};
