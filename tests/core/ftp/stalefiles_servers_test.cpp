// Stale files against pyftpdlib and proftpd on 127.0.0.1: after an upload, only the files
// the record names and the gallery lost are deleted; files the user put there, or replaced,
// stay; a folder the server will not list, or a record that cannot be saved, deletes nothing.
#include "ftp/ftpclient.h"
#include "ftp/galleryupload.h"
#include "ftp/stalefiles.h"
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

const QString kBase = QStringLiteral("/web");

class StaleFilesServers : public ::testing::TestWithParam<FtpTestServer::Kind>
{
protected:
    void TearDown() override
    {
        logOutQuietly(m_client);
        if (m_server)
            m_server->stop();
    }

    // Starts the server, uploads the whole gallery (recorded) and returns it.
    // `refuseList`: a folder whose listing the server refuses (pyftpdlib only).
    QStringList startAndUpload(const QString& refuseList = QString())
    {
        m_server = std::make_unique<FtpTestServer>(GetParam());
        m_server->setRefuseList(refuseList);
        if (!m_server->start())
            throw LumiError(m_server->reason());
        QDir(m_server->root()).mkpath(QStringLiteral("web"));
        logIn(m_client, *m_server);
        m_client.changeFolder(kBase);
        const QStringList gallery{
            QStringLiteral("index.htm"),        QStringLiteral("p1.htm"),
            QStringLiteral("p2.htm"),           QStringLiteral("image1/tn_p1.jpg"),
            QStringLiteral("image1/tn_p2.jpg"), QStringLiteral("image2/p1.jpg"),
            QStringLiteral("image2/p2.jpg")};
        for (const QString& e : gallery)
            writeBytes(m_local.filePath(QStringLiteral("g/") + e), "content of " + e.toUtf8());
        RecordedUpload recorded(m_client, gallery, m_local.filePath(QStringLiteral("g")));
        if (recorded.run() != GalleryUpload::Outcome::Finished || !recorded.keeper.finish())
            throw LumiError(recorded.upload.errorMessage() + recorded.keeper.errorMessage());
        return gallery;
    }

    UploadRecord savedRecord() const
    {
        UploadRecord record(UploadRecordKey::of(m_client, kBase));
        record.load();
        return record;
    }
    QString local() const { return m_local.filePath(QStringLiteral("g")); }
    QString remote(const QString& rel) const { return m_server->root() + kBase + u'/' + rel; }

    QTemporaryDir m_local;
    TestDataFolders m_folders{m_local.filePath(QStringLiteral("doc")),
                              m_local.filePath(QStringLiteral("data"))};
    std::unique_ptr<FtpTestServer> m_server;
    FTPClient m_client;
};

// The gallery without the page and pictures of picture `n`.
QStringList without(QStringList gallery, int n)
{
    const QString name = QStringLiteral("p%1.").arg(n);
    gallery.removeIf([&](const QString& e) { return e.contains(name); });
    return gallery;
}

} // namespace

TEST_P(StaleFilesServers, OnlyRecordedFilesTheGalleryLostAreDeleted)
{
    const QStringList gallery = startAndUpload();
    writeBytes(remote(QStringLiteral("notes.txt")), "the user's own");
    writeBytes(remote(QStringLiteral("image1/mine.jpg")), "the user's own");
    writeBytes(remote(QStringLiteral("image2/p2.jpg")), "replaced by the user"); // other size

    for (const QString& e : gallery) {
        if (!without(gallery, 2).contains(e)) {
            ASSERT_TRUE(QFile::remove(local() + u'/' + e));
        }
    }

    UploadRecord record = savedRecord();
    const QStringList stale = findStaleFiles(m_client, kBase, record, without(gallery, 2), local());
    EXPECT_EQ(stale, (QStringList{QStringLiteral("image1/tn_p2.jpg"), QStringLiteral("p2.htm")}));
    EXPECT_EQ(m_client.currentFolder(), kBase);
    // A gallery name that differs only in case may be the same file on the server.
    EXPECT_EQ(findStaleFiles(m_client, kBase, record,
                             without(gallery, 2) << QStringLiteral("P2.HTM"), local()),
              QStringList{QStringLiteral("image1/tn_p2.jpg")});
    // Picture 1 left the list but not the local folder: nothing of it is stale.
    EXPECT_TRUE(findStaleFiles(m_client, kBase, record, without(gallery, 1), local()).isEmpty());

    // A record that cannot be saved first: nothing is deleted.
    const QString notAFolder = m_local.filePath(QStringLiteral("file"));
    writeBytes(notAFolder, "x");
    UploadRecord unsaveable(record.key(), notAFolder);
    for (const QString& e : stale)
        unsaveable.setFile(e, *record.file(e));
    StaleDeletion deletion = deleteStaleFiles(m_client, kBase, unsaveable, stale);
    EXPECT_EQ(deletion.deleted, 0);
    EXPECT_FALSE(deletion.errorMessage.isEmpty());
    EXPECT_TRUE(QFile::exists(remote(QStringLiteral("p2.htm"))));

    // Each entry is out of the saved record by the time its file is gone.
    QStringList gone;
    deletion = deleteStaleFiles(m_client, kBase, record, stale, [&](const QString& entry) {
        EXPECT_FALSE(savedRecord().file(entry)) << entry.toStdString();
        EXPECT_FALSE(QFile::exists(remote(entry))) << entry.toStdString();
        gone.append(entry);
    });
    EXPECT_EQ(deletion.deleted, 2);
    EXPECT_EQ(deletion.errorMessage, QString());
    EXPECT_EQ(gone, stale);
    for (const QString& e : without(gallery, 2))
        EXPECT_TRUE(QFile::exists(remote(e))) << e.toStdString();
    EXPECT_EQ(readBytes(remote(QStringLiteral("notes.txt"))), "the user's own");
    EXPECT_EQ(readBytes(remote(QStringLiteral("image1/mine.jpg"))), "the user's own");
    EXPECT_EQ(readBytes(remote(QStringLiteral("image2/p2.jpg"))), "replaced by the user");
    EXPECT_EQ(savedRecord().count(), gallery.size() - 2);
    EXPECT_TRUE(
        findStaleFiles(m_client, kBase, savedRecord(), without(gallery, 2), local()).isEmpty());
}

TEST_P(StaleFilesServers, FolderTheServerWillNotListDeletesNothing)
{
    if (GetParam() != FtpTestServer::Kind::Pyftpdlib)
        GTEST_SKIP() << "the refused listing is an option of the pyftpdlib fixture";
    QStringList gallery;
    try {
        gallery = startAndUpload(QStringLiteral("image2"));
    } catch (const LumiError& e) {
        FAIL() << e.message().toStdString();
    }
    for (const QString& e : gallery) {
        if (!without(gallery, 1).contains(e)) {
            ASSERT_TRUE(QFile::remove(local() + u'/' + e));
        }
    }
    try {
        findStaleFiles(m_client, kBase, savedRecord(), without(gallery, 1), local());
        ADD_FAILURE() << "no error";
    } catch (const LumiError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("/web/image2/")))
            << e.message().toStdString();
    }
    for (const QString& e : {QStringLiteral("p1.htm"), QStringLiteral("image1/tn_p1.jpg"),
                             QStringLiteral("image2/p1.jpg")})
        EXPECT_TRUE(QFile::exists(remote(e))) << e.toStdString();
    EXPECT_EQ(savedRecord().count(), 7);
}

LUMIVISTA_ON_EVERY_FTP_SERVER(StaleFilesServers);
