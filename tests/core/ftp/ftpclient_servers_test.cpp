// FTPClient against real servers on 127.0.0.1 (pyftpdlib and proftpd), in passive and
// active mode: store, retrieve, list, folders, rename, delete, SIZE, MDTM, XCRC.
#include "ftp/ftpclient.h"
#include "ftptestserver.h"
#include "util/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using Param = std::tuple<FtpTestServer::Kind, bool /*passive*/>;

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

const FtpListEntry* findEntry(const QList<FtpListEntry>& entries, const QString& name)
{
    for (const FtpListEntry& e : entries) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

class FTPClientServers : public ::testing::TestWithParam<Param>
{
protected:
    void SetUp() override
    {
        m_server = std::make_unique<FtpTestServer>(std::get<0>(GetParam()));
        ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
        m_client.setHost(m_server->host());
        m_client.setPort(m_server->port());
        m_client.setUsername(m_server->user());
        m_client.setPassword(m_server->password());
        m_client.setPassive(std::get<1>(GetParam()));
        m_client.setReplyTimeout(10000);
        QObject::connect(&m_client, &FTPClient::workEnd, [this] { ++m_workEnds; });
        QObject::connect(&m_client, &FTPClient::disconnected, [this] { ++m_disconnects; });
    }

    void TearDown() override
    {
        try {
            m_client.disconnectFromServer();
        } catch (const LumiError&) {
        }
        m_server->stop();
    }

    bool isProftpd() const { return std::get<0>(GetParam()) == FtpTestServer::Kind::Proftpd; }

    std::unique_ptr<FtpTestServer> m_server;
    FTPClient m_client;
    QTemporaryDir m_local;
    int m_workEnds = 0;
    int m_disconnects = 0;
};

} // namespace

TEST_P(FTPClientServers, StoreRetrieveSizeAndTime)
{
    m_client.connectToServer();
    ASSERT_TRUE(m_client.connected());
    EXPECT_EQ(m_client.systemDescription(), QStringLiteral("UNIX Type: L8"));
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/"));

    QByteArray content;
    for (int i = 0; i < 300000; ++i)
        content.append(char((i * 7) % 256)); // every byte value, CR and LF included
    const QString local = m_local.filePath(QStringLiteral("my photo.jpg"));
    writeAll(local, content);

    m_client.setTransferType(FTPClient::TransferType::Binary);
    m_client.store(local);
    EXPECT_EQ(readAll(m_server->root() + QStringLiteral("/my photo.jpg")), content);
    EXPECT_EQ(m_workEnds, 1);
    EXPECT_EQ(m_client.size(QStringLiteral("my photo.jpg")), content.size());

    // MDTM is UTC on the wire; the client gives local time, equal to the file's time.
    const QDateTime onDisk =
        QFileInfo(m_server->root() + QStringLiteral("/my photo.jpg")).lastModified();
    const QDateTime reported = m_client.modificationTime(QStringLiteral("my photo.jpg"));
    EXPECT_EQ(reported.timeSpec(), Qt::LocalTime);
    EXPECT_LE(qAbs(reported.secsTo(onDisk)), 1);

    // Retrieve replaces an existing local file.
    const QString back = m_local.filePath(QStringLiteral("back.jpg"));
    writeAll(back, "old and longer than nothing");
    m_client.retrieve(QStringLiteral("my photo.jpg"), back);
    EXPECT_EQ(readAll(back), content);

    // Store never appends: a second, shorter store replaces the remote file.
    writeAll(local, "short");
    m_client.store(local, QStringLiteral("my photo.jpg"));
    EXPECT_EQ(readAll(m_server->root() + QStringLiteral("/my photo.jpg")), QByteArray("short"));

    // Refusals: errors for commands, -1 / zero time for SIZE and MDTM.
    EXPECT_EQ(m_client.size(QStringLiteral("missing.jpg")), -1);
    EXPECT_EQ(m_client.modificationTime(QStringLiteral("missing.jpg")), FTPClient::zeroTime());
    const QString nothing = m_local.filePath(QStringLiteral("nothing.jpg"));
    try {
        m_client.retrieve(QStringLiteral("missing.jpg"), nothing);
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.code(), 550) << e.message().toStdString();
    }
    EXPECT_FALSE(QFile::exists(nothing));
    EXPECT_THROW(m_client.store(m_local.filePath(QStringLiteral("no such local file"))), LumiError);
    m_client.noop();
    EXPECT_TRUE(m_client.connected());
}

TEST_P(FTPClientServers, FoldersListingRenameAndDelete)
{
    m_client.connectToServer();
    const QString local = m_local.filePath(QStringLiteral("tn_0001.jpg"));
    writeAll(local, QByteArray(1234, 'x'));

    m_client.makeFolder(QStringLiteral("image1"));
    EXPECT_TRUE(QFileInfo(m_server->root() + QStringLiteral("/image1")).isDir());
    EXPECT_THROW(m_client.makeFolder(QStringLiteral("image1")), LumiError); // exists
    m_client.changeFolder(QStringLiteral("image1"));
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/image1"));
    m_client.store(local);
    m_client.parentFolder();
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/"));
    m_client.store(local, QStringLiteral("index page.htm"));
    EXPECT_THROW(m_client.changeFolder(QStringLiteral("/no/such/folder")), LumiError);

    QStringList lines;
    QList<FtpListEntry> entries;
    m_client.listDetails(lines, &entries);
    EXPECT_GE(lines.size(), 2);
    const FtpListEntry* folder = findEntry(entries, QStringLiteral("image1"));
    ASSERT_NE(folder, nullptr) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(folder->kind, FtpEntryKind::Folder);
    const FtpListEntry* file = findEntry(entries, QStringLiteral("index page.htm"));
    ASSERT_NE(file, nullptr) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(file->kind, FtpEntryKind::File);
    EXPECT_EQ(file->size, 1234);
    EXPECT_LE(qAbs(file->modified.secsTo(QDateTime::currentDateTime())), 24 * 3600);

    QStringList names;
    m_client.listNames(names);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("image1"), QStringLiteral("index page.htm")}));

    m_client.rename(QStringLiteral("index page.htm"), QStringLiteral("index.htm"));
    EXPECT_TRUE(QFile::exists(m_server->root() + QStringLiteral("/index.htm")));
    EXPECT_THROW(m_client.rename(QStringLiteral("gone.htm"), QStringLiteral("x.htm")), LumiError);
    m_client.deleteFile(QStringLiteral("index.htm"));
    EXPECT_FALSE(QFile::exists(m_server->root() + QStringLiteral("/index.htm")));
    EXPECT_THROW(m_client.deleteFile(QStringLiteral("index.htm")), LumiError);

    EXPECT_THROW(m_client.removeFolder(QStringLiteral("image1")), LumiError); // not empty
    m_client.deleteFile(QStringLiteral("image1/tn_0001.jpg"));
    m_client.removeFolder(QStringLiteral("image1"));
    m_client.listDetails(lines, &entries);
    EXPECT_TRUE(entries.isEmpty()) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(m_client.connected());

    m_client.disconnectFromServer();
    EXPECT_FALSE(m_client.connected());
    EXPECT_EQ(m_disconnects, 1);
}

TEST_P(FTPClientServers, ChecksumAndAsciiTransfer)
{
    m_client.connectToServer();
    const QString local = m_local.filePath(QStringLiteral("a.txt"));
    writeAll(local, "hello world");
    m_client.store(local);
    // CRC-32 of "hello world" is 0x0D4A1185; only proftpd lists XCRC in FEAT.
    EXPECT_EQ(m_client.checksum(QStringLiteral("a.txt")), isProftpd() ? 0x0D4A1185 : -1);
    EXPECT_EQ(m_client.checksum(QStringLiteral("missing.txt")), -1);

    writeAll(local, "line 1\nline 2\n");
    m_client.setTransferType(FTPClient::TransferType::Ascii);
    m_client.store(local, QStringLiteral("text.txt"));
    const QString back = m_local.filePath(QStringLiteral("back.txt"));
    m_client.retrieve(QStringLiteral("text.txt"), back);
    EXPECT_EQ(readAll(back), QByteArray("line 1\nline 2\n"));
    m_client.setTransferType(FTPClient::TransferType::Binary);
    EXPECT_TRUE(m_client.connected());
}

TEST_P(FTPClientServers, WrongPasswordIsRefused)
{
    m_client.setPassword(QStringLiteral("wrong"));
    try {
        m_client.connectToServer();
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.code(), 530) << e.message().toStdString();
    }
    EXPECT_FALSE(m_client.connected());
}

INSTANTIATE_TEST_SUITE_P(Servers, FTPClientServers,
                         ::testing::Combine(::testing::Values(FtpTestServer::Kind::Pyftpdlib,
                                                              FtpTestServer::Kind::Proftpd),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<Param>& info) {
                             return FtpTestServer::kindName(std::get<0>(info.param)).toStdString() +
                                    (std::get<1>(info.param) ? "_passive" : "_active");
                         });
