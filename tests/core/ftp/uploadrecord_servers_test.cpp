// Which files count as changed, against pyftpdlib and proftpd on 127.0.0.1: an upload fills
// the record; afterwards new and edited files, files deleted on the server or holding
// another size there, and a sub-folder the server lost count as changed, nothing else.
#include "ftp/ftpclient.h"
#include "ftp/galleryupload.h"
#include "ftp/uploadrecord.h"
#include "ftpsessions.h"
#include "ftptestserver.h"
#include "recordedupload.h"
#include "testdatafolders.h"
#include "testsupport.h"
#include "util/error.h"
#include "util/paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class UploadRecordServers : public ::testing::TestWithParam<FtpTestServer::Kind>
{
protected:
    void SetUp() override
    {
        m_server = std::make_unique<FtpTestServer>(GetParam());
        ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
        QDir(m_server->root()).mkpath(QStringLiteral("web"));
        logIn(m_client, *m_server);
        ASSERT_TRUE(m_client.connected());
        m_client.changeFolder(QStringLiteral("/web"));
    }

    void TearDown() override
    {
        logOutQuietly(m_client);
        m_server->stop();
    }

    QString local(const QString& rel) const { return m_local.filePath(QStringLiteral("g/") + rel); }
    QString remote(const QString& rel) const
    {
        return m_server->root() + QStringLiteral("/web/") + rel;
    }
    QList<bool> changed(const QStringList& entries)
    {
        return findChangedEntries(m_client, QStringLiteral("/web"), entries,
                                  m_local.filePath(QStringLiteral("g")));
    }

    QTemporaryDir m_local;
    TestDataFolders m_folders{m_local.filePath(QStringLiteral("doc")),
                              m_local.filePath(QStringLiteral("data"))};
    std::unique_ptr<FtpTestServer> m_server;
    FTPClient m_client;
};

} // namespace

TEST_P(UploadRecordServers, ChangedFilesFollowTheRecordAndTheServersListing)
{
    const QStringList entries{QStringLiteral("index.htm"),       QStringLiteral("font.css"),
                              QStringLiteral("image1/a.jpg"),    QStringLiteral("image1/b.jpg"),
                              QStringLiteral("image1/same.jpg"), QStringLiteral("image2/c.jpg"),
                              QStringLiteral("image2/d.jpg")};
    for (const QString& e : entries.first(6))
        writeBytes(local(e), "content of " + e.toUtf8());

    // No record yet: everything.
    EXPECT_EQ(changed(entries), QList<bool>(entries.size(), true));

    RecordedUpload recorded(m_client, entries.first(6), m_local.filePath(QStringLiteral("g")));
    ASSERT_EQ(recorded.run(), GalleryUpload::Outcome::Finished)
        << recorded.upload.errorMessage().toStdString();
    ASSERT_TRUE(recorded.keeper.finish()) << recorded.keeper.errorMessage().toStdString();
    EXPECT_TRUE(QFile::exists(QDir(dataDir()).filePath(QStringLiteral("uploads/")) +
                              UploadRecordKey::of(m_client, QStringLiteral("/web")).fileName()));

    EXPECT_EQ(changed(entries.first(6)), QList<bool>(6, false));
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/web")); // back in the base folder

    writeBytes(local(QStringLiteral("image1/a.jpg")), "CONTENT OF image1/a.jpg"); // same size
    writeBytes(local(QStringLiteral("image2/d.jpg")), "new");
    ASSERT_TRUE(QFile::remove(remote(QStringLiteral("font.css"))));
    writeBytes(remote(QStringLiteral("image1/b.jpg")), "other size");
    ASSERT_TRUE(QDir(remote(QStringLiteral("image2"))).removeRecursively());
    EXPECT_EQ(changed(entries), (QList<bool>{false, true, true, true, false, true, true}));
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/web"));

    // Another base folder on the same server has no record: everything.
    QDir(m_server->root()).mkpath(QStringLiteral("other"));
    m_client.changeFolder(QStringLiteral("/other"));
    EXPECT_EQ(findChangedEntries(m_client, QStringLiteral("/other"), entries,
                                 m_local.filePath(QStringLiteral("g"))),
              QList<bool>(entries.size(), true));
}

LUMIVISTA_ON_EVERY_FTP_SERVER(UploadRecordServers);
