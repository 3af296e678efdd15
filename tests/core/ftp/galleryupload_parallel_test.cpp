// The gallery upload with several connections at once against pyftpdlib and proftpd on
// 127.0.0.1: the files arrive byte for byte with their folders made first, every step comes
// in the calling thread, a stop leaves the rest checked, a server that allows one login
// per user is served by one connection, and a server that goes away gives the usual
// message.
#include "ftp/ftpclient.h"
#include "ftp/galleryupload.h"
#include "ftpsessions.h"
#include "ftptestserver.h"
#include "testsupport.h"
#include "util/error.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// Root pages, then small and large pictures in image1/ and image2/ (the large ones span
// many chunks, so transfers overlap).
QStringList writeGallery(const QString& dir)
{
    QStringList rel;
    QRandomGenerator gen(7);
    const auto add = [&](const QString& name, int size) {
        QByteArray data(size, Qt::Uninitialized);
        for (char& c : data)
            c = char(gen.bounded(256));
        writeBytes(dir + QLatin1Char('/') + name, data);
        rel.append(name);
    };
    for (int i = 1; i <= 6; ++i)
        add(QStringLiteral("page%1.htm").arg(i), 200 + i);
    for (int i = 1; i <= 12; ++i)
        add(QStringLiteral("image1/tn_%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 3000 + i * 97);
    for (int i = 1; i <= 12; ++i)
        add(QStringLiteral("image2/%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 150000 + i * 1031);
    return rel;
}

// What the callbacks saw, each checked to run in the calling thread.
struct Seen
{
    QList<UploadProgress> steps;
    QStringList notices;
    int idles = 0;
    bool otherThread = false;

    void watch(GalleryUpload& upload)
    {
        QThread* const caller = QThread::currentThread();
        upload.onProgress = [this, caller](const UploadProgress& p) {
            otherThread = otherThread || QThread::currentThread() != caller;
            steps.append(p);
        };
        upload.onNotice = [this, caller](const QString& text) {
            otherThread = otherThread || QThread::currentThread() != caller;
            notices.append(text);
        };
        upload.onIdle = [this, caller] {
            otherThread = otherThread || QThread::currentThread() != caller;
            ++idles;
        };
    }
    QList<int> entries(UploadProgress::Step step) const
    {
        QList<int> out;
        for (const UploadProgress& p : steps) {
            if (p.step == step)
                out.append(p.entry);
        }
        return out;
    }
};

class ParallelUpload : public ::testing::TestWithParam<FtpTestServer::Kind>
{
protected:
    void start(bool oneLoginPerUser = false)
    {
        m_server = std::make_unique<FtpTestServer>(GetParam());
        m_server->setOneLoginPerUser(oneLoginPerUser);
        ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
        QDir(m_server->root()).mkpath(QStringLiteral("web/image2")); // exists: no MKD
        logIn(m_client, *m_server);
        m_client.changeFolder(QStringLiteral("/web"));
    }

    void TearDown() override
    {
        logOutQuietly(m_client);
        if (m_server)
            m_server->stop();
    }

    QString remote(const QString& rel) const
    {
        return m_server->root() + QStringLiteral("/web/") + rel;
    }

    std::unique_ptr<FtpTestServer> m_server;
    FTPClient m_client;
    QTemporaryDir m_local;
};

} // namespace

TEST_P(ParallelUpload, ThreeConnectionsDeliverEveryFileWithFoldersMadeFirst)
{
    start();
    const QStringList files = writeGallery(m_local.path());
    UploadEntryList entries(files);
    GalleryUpload upload(m_client, entries);
    upload.setConnections(3);
    EXPECT_EQ(upload.connections(), 3);
    Seen seen;
    seen.watch(upload);
    // After its first file the first connection waits (at most 20 s) until another one has
    // stored the second, so the others surely take part however slow their login is.
    const auto watched = upload.onProgress;
    upload.onProgress = [&](const UploadProgress& p) {
        watched(p);
        if (p.step == UploadProgress::Step::FileStored && p.file == 1) {
            for (int i = 0; i < 2000 && !QFile::exists(remote(files[1])); ++i)
                QThread::msleep(10);
        }
    };
    CommandLog transcript(m_client);
    const QStringList& commands = transcript.lines;

    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished)
        << upload.errorMessage().toStdString();
    EXPECT_EQ(upload.errorMessage(), QString());
    EXPECT_EQ(upload.storedCount(), files.size());
    EXPECT_FALSE(seen.otherThread);
    EXPECT_TRUE(seen.notices.isEmpty()) << seen.notices.join(u'\n').toStdString();
    for (int i = 0; i < files.size(); ++i) {
        EXPECT_FALSE(entries.isChecked(i)) << i;
        EXPECT_EQ(readBytes(remote(files[i])), readBytes(m_local.filePath(files[i])))
            << files[i].toStdString();
    }

    // The missing folder is made by the first connection before any file is sent.
    const qsizetype mkd = commands.indexOf(QStringLiteral("MKD image1/"));
    ASSERT_GE(mkd, 0) << commands.join(u'\n').toStdString();
    EXPECT_EQ(commands.filter(QStringLiteral("MKD")).size(), 1);
    const QStringList stores = commands.filter(QStringLiteral("STOR "));
    ASSERT_FALSE(stores.isEmpty());
    EXPECT_LT(mkd, commands.indexOf(stores.first()));
    // The other connections sent the rest.
    EXPECT_LT(stores.size(), files.size());

    // Each entry begins once and is stored once, after it began; the stored count rises by
    // one with each stored file.
    const QList<int> begun = seen.entries(UploadProgress::Step::FileBegins);
    const QList<int> stored = seen.entries(UploadProgress::Step::FileStored);
    EXPECT_EQ(QSet<int>(begun.cbegin(), begun.cend()).size(), files.size());
    EXPECT_EQ(QSet<int>(stored.cbegin(), stored.cend()).size(), files.size());
    int count = 0;
    QSet<int> open;
    for (const UploadProgress& p : std::as_const(seen.steps)) {
        if (p.step == UploadProgress::Step::FileBegins) {
            EXPECT_EQ(p.name, files[p.entry].section(u'/', -1));
            open.insert(p.entry);
        } else if (p.step == UploadProgress::Step::FileBytes) {
            EXPECT_TRUE(open.contains(p.entry)) << p.entry;
        } else if (p.step == UploadProgress::Step::FileStored) {
            EXPECT_TRUE(open.remove(p.entry)) << p.entry;
            EXPECT_EQ(p.file, ++count);
        }
    }
    EXPECT_GT(seen.idles, 0);
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/web"));
}

TEST_P(ParallelUpload, StopEndsEveryConnectionBetweenFilesAndKeepsTheRestChecked)
{
    start();
    const QStringList files = writeGallery(m_local.path());
    UploadEntryList entries(files);
    GalleryUpload upload(m_client, entries);
    upload.setConnections(3);
    upload.onProgress = [&](const UploadProgress& p) {
        if (p.step == UploadProgress::Step::FileStored && p.file == 8)
            upload.requestStop();
    };
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Stopped);
    EXPECT_EQ(upload.errorMessage(), QString());
    EXPECT_EQ(upload.stateLetter(), QString());
    EXPECT_GE(upload.storedCount(), 8);
    EXPECT_LT(upload.storedCount(), files.size());
    // Every file sent is whole and unchecked; nothing else reached the server.
    int unchecked = 0;
    for (int i = 0; i < files.size(); ++i) {
        if (entries.isChecked(i)) {
            EXPECT_FALSE(QFile::exists(remote(files[i]))) << files[i].toStdString();
        } else {
            ++unchecked;
            EXPECT_EQ(readBytes(remote(files[i])), readBytes(m_local.filePath(files[i])))
                << files[i].toStdString();
        }
    }
    EXPECT_EQ(unchecked, upload.storedCount());

    // The second start sends what is still checked.
    upload.onProgress = {};
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished);
    EXPECT_EQ(upload.storedCount(), files.size() - unchecked);
    for (int i = 0; i < files.size(); ++i)
        EXPECT_EQ(readBytes(remote(files[i])), readBytes(m_local.filePath(files[i]))) << i;
}

TEST_P(ParallelUpload, ServerWithOneLoginPerUserIsServedByTheFirstConnection)
{
    start(true);
    const QStringList files = writeGallery(m_local.path());
    UploadEntryList entries(files);
    GalleryUpload upload(m_client, entries);
    upload.setConnections(3);
    Seen seen;
    seen.watch(upload);
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished)
        << upload.errorMessage().toStdString();
    EXPECT_EQ(upload.errorMessage(), QString());
    EXPECT_EQ(upload.storedCount(), files.size());
    ASSERT_EQ(seen.notices.size(), 2) << seen.notices.join(u'\n').toStdString();
    EXPECT_TRUE(seen.notices[0].contains(QStringLiteral("was not opened")))
        << seen.notices[0].toStdString();
    EXPECT_FALSE(seen.otherThread);
    for (const QString& rel : files)
        EXPECT_EQ(readBytes(remote(rel)), readBytes(m_local.filePath(rel))) << rel.toStdString();
}

LUMIVISTA_ON_EVERY_FTP_SERVER(ParallelUpload);

// The server goes away in the middle (its process ends): every connection notices, the
// upload ends with the lost-connection message and the unsent files stay checked.
TEST(ParallelUploadLost, ServerGoneGivesTheUsualMessage)
{
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    QTemporaryDir local;
    const QStringList files = writeGallery(local.path());
    FTPClient client;
    logIn(client, server);

    UploadEntryList entries(files);
    GalleryUpload upload(client, entries);
    upload.setConnections(3);
    upload.onProgress = [&](const UploadProgress& p) {
        if (p.step == UploadProgress::Step::FileStored && p.file == 4)
            server.stop();
    };
    upload.readBaseFolder();
    const GalleryUpload::Outcome outcome = upload.run(local.path());
    EXPECT_TRUE(outcome == GalleryUpload::Outcome::Failed ||
                outcome == GalleryUpload::Outcome::ConnectionLost)
        << int(outcome);
    const QString expected = QStringLiteral("The connection to the server was lost. %1 of %2 "
                                            "files were sent; the others are still checked.")
                                 .arg(upload.storedCount())
                                 .arg(files.size());
    EXPECT_TRUE(upload.errorMessage().endsWith(expected)) << upload.errorMessage().toStdString();
    EXPECT_LT(upload.storedCount(), files.size());
    int unchecked = 0;
    for (int i = 0; i < entries.count(); ++i)
        unchecked += entries.isChecked(i) ? 0 : 1;
    EXPECT_EQ(unchecked, upload.storedCount());
    EXPECT_EQ(upload.stateLetter(), QString());
}
