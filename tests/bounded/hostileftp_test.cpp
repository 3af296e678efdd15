// FTPClient against a real peer over TCP (hostile_ftp.py) that sends 10 MB where a reply
// line belongs, a multi-line reply that never ends, or a listing that never ends. Each
// must end with the client's own error, quickly and within the address-space cap.
#include "boundedsupport.h"

#include "ftp/ftpclient.h"
#include "ftp/ftpreply.h"
#include "util/error.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Generous for a loaded machine, far below the default of 30 s: when the client missed a
// cap it would wait for this time-out instead, and fail the deadline check.
constexpr int kReplyTimeoutMs = 10000;

// Runs `step` on the client and returns the message of the LumiError it must raise.
QString errorOf(const std::function<void()>& step)
{
    QString message;
    expectWithinDeadline([&] {
        try {
            step();
            ADD_FAILURE() << "no error";
        } catch (const LumiError& error) {
            message = error.message();
        }
    });
    return message;
}

const QString kLineTooLong =
    QStringLiteral("Line from server is longer than %1 bytes").arg(FTPClient::kMaxReplyLine);

// A client and the peer hostile_ftp.py it talks to, started per test.
class HostileFtpPeer : public ::testing::Test
{
protected:
    // Starts the peer with `arguments` (its mode first) and points the client at it; false
    // when the peer did not start.
    bool startPeer(const QStringList& arguments)
    {
        m_peer = std::make_unique<PythonPeer>(QStringLiteral("hostile_ftp.py"), arguments);
        if (!m_peer->isRunning())
            return false;
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(m_peer->port());
        client.setUsername(QStringLiteral("lumi"));
        client.setPassword(QStringLiteral("secret"));
        client.setReplyTimeout(kReplyTimeoutMs);
        return true;
    }
    // startPeer, then connects and logs in; false when either failed.
    bool connectToPeer(const QStringList& arguments)
    {
        if (!startPeer(arguments))
            return false;
        client.connectToServer();
        return client.connected();
    }

    FTPClient client;

private:
    std::unique_ptr<PythonPeer> m_peer;
};

} // namespace

TEST_F(HostileFtpPeer, GreetingOf10MegabytesWithoutLineEndFailsTheConnect)
{
    ASSERT_TRUE(startPeer({QStringLiteral("long-greeting")}));
    QStringList statuses;
    QObject::connect(&client, &FTPClient::status, [&](const QString& t) { statuses << t; });

    EXPECT_EQ(errorOf([&] { client.connectToServer(); }), kLineTooLong);
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(client.state(), FTPClient::State::Disconnected);
    // No status line carries the flood.
    for (const QString& status : statuses)
        EXPECT_LE(status.size(), 1000);
}

TEST_F(HostileFtpPeer, ReplyLineOf10MegabytesAfterLoginEndsTheSession)
{
    ASSERT_TRUE(startPeer({QStringLiteral("long-pwd")}));
    int disconnects = 0;
    QObject::connect(&client, &FTPClient::disconnected, [&] { ++disconnects; });
    client.connectToServer();
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.systemDescription(), QStringLiteral("UNIX Type: L8"));

    EXPECT_EQ(errorOf([&] { client.currentFolder(); }), kLineTooLong);
    // A peer that talks nonsense is dropped: nothing of its flood is left to misread.
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(disconnects, 1);
}

TEST_F(HostileFtpPeer, LineOf10MegabytesInsideAMultiLineReplyEndsTheSession)
{
    ASSERT_TRUE(connectToPeer({QStringLiteral("long-multiline")}));

    EXPECT_EQ(errorOf([&] { client.currentFolder(); }), kLineTooLong);
    EXPECT_FALSE(client.connected());
}

TEST_F(HostileFtpPeer, MultiLineReplyOf10MegabytesInShortLinesStopsAtTheReplyCap)
{
    ASSERT_TRUE(connectToPeer({QStringLiteral("many-lines")}));

    EXPECT_EQ(errorOf([&] { client.currentFolder(); }),
              QStringLiteral("Reply from server is too long"));
    EXPECT_FALSE(client.connected());
}

TEST_F(HostileFtpPeer, EndlessListingStopsAtTheListingCapAndTheSessionGoesOn)
{
    ASSERT_TRUE(connectToPeer({QStringLiteral("endless-list")}));
    qint64 progress = 0;
    QObject::connect(&client, &FTPClient::work, [&](qint64 bytes) { progress = bytes; });

    QStringList lines{QStringLiteral("stale")};
    QList<FtpListEntry> entries;
    EXPECT_EQ(
        errorOf([&] { client.listDetails(lines, &entries); }),
        QStringLiteral("The listing is longer than %1 bytes").arg(FTPClient::kMaxListingBytes));
    // The client read up to its cap and not much further.
    EXPECT_GT(progress, FTPClient::kMaxListingBytes - 128 * 1024);
    EXPECT_LE(progress, FTPClient::kMaxListingBytes + 128 * 1024);
    EXPECT_TRUE(entries.isEmpty());

    // Only the transfer was dropped: the server's 426 was read, the session goes on.
    EXPECT_TRUE(client.connected());
    EXPECT_EQ(client.state(), FTPClient::State::Connected);
    EXPECT_EQ(client.currentFolder(), QStringLiteral("/"));
}

TEST_F(HostileFtpPeer, ListingJustBelowTheCapIsReadAndParsedWithinBoundedMemory)
{
    // The worst a server can make the client keep: a listing just short of the cap, in
    // short lines (each a string of its own), ended properly and then parsed.
    const QByteArray line =
        "-rw-r--r--   1 lumi     lumi         4711 Mar  3 15:30 foto0000000.jpg\r\n";
    const qint64 bytes = FTPClient::kMaxListingBytes - 1024;
    const qsizetype expectedLines = qsizetype(bytes / line.size());
    ASSERT_TRUE(connectToPeer({QStringLiteral("big-list"), QString::number(bytes)}));

    QStringList lines;
    QList<FtpListEntry> entries;
    expectWithinDeadline([&] { client.listDetails(lines, &entries); });
    ASSERT_EQ(lines.size(), expectedLines);
    ASSERT_EQ(entries.size(), expectedLines);
    EXPECT_EQ(entries.last().name,
              QStringLiteral("foto%1.jpg").arg(expectedLines - 1, 7, 10, QLatin1Char('0')));
    EXPECT_EQ(entries.last().size, 4711);
    EXPECT_EQ(client.state(), FTPClient::State::Connected);
}
