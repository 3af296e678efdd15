// Downloads onto a disk that fills up at the first, a middle and the last page of the new
// file: the update list fetched from a real HTTP server (Python's http.server) and a file
// retrieved from a real FTP server (pyftpdlib), both on 127.0.0.1. The download reports the
// error and the local file is the old one, byte for byte, with nothing beside it.
#include "durabilitysupport.h"

#include "ftp/ftpclient.h"
#include "ftpsessions.h"
#include "ftptestserver.h"
#include "util/download.h"
#include "util/error.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

#include "testsupport.h"

using namespace durability;

namespace {

// An update list of `size` bytes. A small one stays in the write buffer until the file is
// flushed, so the full disk shows only then; a large one is written as it arrives.
QByteArray newList(qint64 size)
{
    QByteArray list = "[Lumivista]\r\nVersion=1.9.0.31\r\nDownload=https://lumivista.example/\r\n";
    for (int i = 0; list.size() < size; ++i)
        list += "Hinweis" + QByteArray::number(i) + "=Neu in dieser Fassung: Punkt " +
                QByteArray::number(i) + "\r\n";
    return list.left(size);
}

// Both below and above the 16 KiB that Qt buffers before writing.
const QList<qint64> kListSizes{3 * kPage + 123, 40 * kPage + 123};

const QByteArray kOldList =
    "[Lumivista]\r\nVersion=1.8.2.24\r\nDownload=https://lumivista.example/\r\n";

class DiskFullDownload : public TmpfsTest
{
protected:
    void SetUp() override { mount(1024 * 1024, QStringLiteral("data")); }
};

// Python's http.server on 127.0.0.1 serving `folder`, stopped by its PID with the object.
class HttpServer
{
public:
    explicit HttpServer(const QString& folder)
    {
        m_port = freePort();
        // It logs every request; nobody reads that, so it must not fill a pipe.
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-m"), QStringLiteral("http.server"),
                         QString::number(m_port), QStringLiteral("--bind"),
                         QStringLiteral("127.0.0.1"), QStringLiteral("--directory"), folder});
        m_up = m_process.waitForStarted(10000) && waitForPort(m_port);
    }
    ~HttpServer()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool up() const { return m_up; }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/").arg(m_port) + path;
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
    bool m_up = false;
};

} // namespace

TEST_F(DiskFullDownload, UpdateListKeepsTheOldLocalFile)
{
    QTemporaryDir www;
    ASSERT_TRUE(www.isValid());
    const HttpServer server(www.path());
    ASSERT_TRUE(server.up()) << "http.server did not start";
    const QString local = m_folder + QStringLiteral("/lumivista.ini");

    for (const qint64 size : kListSizes) {
        const QByteArray list = newList(size);
        ASSERT_TRUE(writeBytes(www.filePath(QStringLiteral("lumivista.ini")), list));
        const QString url = server.url(QStringLiteral("lumivista.ini"));
        m_mount->removeFiller();
        ASSERT_TRUE(writeBytes(local, kOldList));
        for (const qint64 space : failingSpaces(list.size())) {
            SCOPED_TRACE("list of " + std::to_string(size) +
                         " bytes, free bytes: " + std::to_string(space));
            QString reason;
            ASSERT_TRUE(m_mount->leaveFree(space, &reason)) << reason.toStdString();
            QString error;
            EXPECT_FALSE(downloadToFile(url, local, kDownloadMaxBytes, kDownloadTimeoutMs, &error));
            EXPECT_EQ(error.toStdString(),
                      (QStringLiteral("Die Datei kann nicht geschrieben werden: ") + local)
                          .toStdString());
            EXPECT_EQ(readBytes(local).toStdString(), kOldList.toStdString());
            EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("lumivista.ini")});
        }

        // With space again the same download succeeds: the failures above were the disk's.
        // A kill at any moment of it leaves nothing but the list or its pending name.
        m_mount->removeFiller();
        QString error;
        const QStringList names = namesAppearingDuring(m_folder, [&] {
            EXPECT_TRUE(downloadToFile(url, local, kDownloadMaxBytes, kDownloadTimeoutMs, &error))
                << error.toStdString();
        });
        EXPECT_EQ(foreignNames(names, QStringLiteral("lumivista.ini")).join(u' ').toStdString(),
                  "");
        EXPECT_EQ(readBytes(local).toStdString(), list.toStdString());
        EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("lumivista.ini")});
    }
}

TEST_F(DiskFullDownload, FtpRetrieveThrowsAndKeepsTheOldLocalFile)
{
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    FTPClient client;
    client.setPassive(true);
    logIn(client, server);
    ASSERT_TRUE(client.connected());
    const QString local = m_folder + QStringLiteral("/liste.ini");

    for (const qint64 size : kListSizes) {
        const QByteArray remote = newList(size);
        ASSERT_TRUE(writeBytes(server.root() + QStringLiteral("/liste.ini"), remote));
        m_mount->removeFiller();
        ASSERT_TRUE(writeBytes(local, kOldList));
        for (const qint64 space : failingSpaces(remote.size())) {
            SCOPED_TRACE("file of " + std::to_string(size) +
                         " bytes, free bytes: " + std::to_string(space));
            QString reason;
            ASSERT_TRUE(m_mount->leaveFree(space, &reason)) << reason.toStdString();
            try {
                client.retrieve(QStringLiteral("liste.ini"), local);
                ADD_FAILURE() << "the download onto a full disk reported no error";
            } catch (const LumiError& e) {
                EXPECT_EQ(e.message().toStdString(), (QStringLiteral("Cannot write ") + local +
                                                      QStringLiteral(": No space left on device"))
                                                         .toStdString());
            }
            EXPECT_EQ(readBytes(local).toStdString(), kOldList.toStdString());
            EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("liste.ini")});
        }

        // The connection stays usable, and with space again the same file arrives whole; a
        // kill at any moment of it leaves nothing but the file or its pending name.
        m_mount->removeFiller();
        const QStringList names = namesAppearingDuring(
            m_folder, [&] { client.retrieve(QStringLiteral("liste.ini"), local); });
        EXPECT_EQ(foreignNames(names, QStringLiteral("liste.ini")).join(u' ').toStdString(), "");
        EXPECT_EQ(readBytes(local).toStdString(), remote.toStdString());
        EXPECT_EQ(folderEntries(m_folder), QStringList{QStringLiteral("liste.ini")});
    }
    client.disconnectFromServer();
    server.stop();
}
