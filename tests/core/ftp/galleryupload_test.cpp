// The gallery upload loop against pyftpdlib and proftpd on 127.0.0.1: a gallery folder
// with sub-folders compared byte for byte, MKD only for missing folders, a stop between
// two files, a refused MKD and STOR; and a scripted server that drops the connection in
// the middle of a file and one gone between files, from their scenario files. Also the list that
// "FTP Upload..." hands over.
#include "fakeftpserver.h"
#include "ftp/ftpclient.h"
#include "ftp/galleryupload.h"
#include "ftpsessions.h"
#include "ftptestserver.h"
#include "gallery/uploadlist.h"
#include "testsupport.h"
#include "util/error.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator gen(seed);
    QByteArray data(size, Qt::Uninitialized);
    for (char& c : data)
        c = char(gen.bounded(256));
    return data;
}

// A folder laid out like a generated gallery: pages and style sheet, then 20 small and
// 20 large pictures in image1/ and image2/ (binary content with CR, LF and NUL bytes).
QStringList makeGallery(const QString& dir)
{
    QStringList rel{QStringLiteral("font.css"), QStringLiteral("index.htm")};
    writeBytes(dir + QStringLiteral("/font.css"), "body { color: #000000; }\r\n");
    writeBytes(dir + QStringLiteral("/index.htm"), "<html>\r\n</html>\r\n");
    for (int i = 1; i <= 20; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        writeBytes(dir + QStringLiteral("/bild_") + n + QStringLiteral(".htm"), "<p>page</p>\r\n");
        writeBytes(dir + QStringLiteral("/image1/tn_") + n + QStringLiteral(".jpg"),
                   randomBytes(300 + i * 17, quint32(i)));
        writeBytes(dir + QStringLiteral("/image2/") + n + QStringLiteral(".jpg"),
                   randomBytes(70000 + i * 1031, quint32(100 + i)));
    }
    return rel;
}

class GalleryUploadServers : public ::testing::TestWithParam<FtpTestServer::Kind>
{
protected:
    void SetUp() override
    {
        m_server = std::make_unique<FtpTestServer>(GetParam());
        ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
        logIn(m_client, *m_server);
        ASSERT_TRUE(m_client.connected());
    }

    void TearDown() override
    {
        logOutQuietly(m_client);
        m_server->stop();
    }

    QString remote(const QString& rel) const { return m_server->root() + QLatin1Char('/') + rel; }

    std::unique_ptr<FtpTestServer> m_server;
    FTPClient m_client;
    QTemporaryDir m_local;
};

} // namespace

TEST(GalleryUploadFiles, TargetFilesFirstThenSubFoldersRelativeWithoutDuplicates)
{
    QTemporaryDir dir;
    makeGallery(dir.path());
    writeBytes(dir.filePath(QStringLiteral(".hidden")), "x");
    QDir(dir.path()).mkpath(QStringLiteral("image1/deeper"));
    writeBytes(dir.filePath(QStringLiteral("image1/deeper/x.jpg")), "x");

    const QStringList files =
        galleryUploadFiles(dir.path(), QStringLiteral("image1"), QStringLiteral("image1"));
    ASSERT_EQ(files.size(), 2 + 20 + 20); // image1 named twice counts once
    EXPECT_EQ(files[0], QStringLiteral("bild_0001.htm"));
    EXPECT_EQ(files[21], QStringLiteral("index.htm"));
    EXPECT_EQ(files[22], QStringLiteral("image1/tn_0001.jpg"));
    EXPECT_EQ(files.last(), QStringLiteral("image1/tn_0020.jpg"));
    EXPECT_FALSE(files.contains(QStringLiteral(".hidden")));

    EXPECT_EQ(galleryUploadFiles(dir.path(), QString(), QString()).size(), 22);
    EXPECT_TRUE(galleryUploadFiles(QString(), QStringLiteral("image1"), QString()).isEmpty());
    EXPECT_TRUE(galleryUploadFiles(dir.filePath(QStringLiteral("missing")), QString(), QString())
                    .isEmpty());
}

TEST_P(GalleryUploadServers, GalleryArrivesByteForByteWithEachFolderMadeOnce)
{
    makeGallery(m_local.path());
    const QStringList files =
        galleryUploadFiles(m_local.path(), QStringLiteral("image1"), QStringLiteral("image2"));
    ASSERT_EQ(files.size(), 62);
    QDir(m_server->root()).mkpath(QStringLiteral("web"));
    QDir(m_server->root()).mkpath(QStringLiteral("web/image2")); // exists: entered without MKD
    m_client.changeFolder(QStringLiteral("/web"));

    UploadEntryList entries(files);
    GalleryUpload upload(m_client, entries);
    CommandLog transcript(m_client);
    QStringList log;
    QList<std::pair<int, int>> progress;
    QStringList states;
    QList<qint64> bytes;
    upload.onProgress = [&](const UploadProgress& p) {
        if (!uploadLogLine(p).isEmpty())
            log.append(uploadLogLine(p));
        if (p.step == UploadProgress::Step::Started || p.step == UploadProgress::Step::FileStored)
            progress.append({p.file, p.count});
        if (p.step == UploadProgress::Step::FileBytes && p.name == QLatin1String("bild_0001.htm"))
            bytes.append(p.bytes);
    };
    upload.onStateChanged = [&](GalleryUpload::State) { states.append(upload.stateLetter()); };

    EXPECT_EQ(upload.readBaseFolder(), QStringLiteral("/web"));
    EXPECT_EQ(upload.stateLetter(), QString());
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished);
    EXPECT_EQ(upload.errorMessage(), QString());
    EXPECT_EQ(states, (QStringList{QStringLiteral("u"), QString()}));
    EXPECT_EQ(upload.storedCount(), 62);

    for (const QString& rel : files) {
        EXPECT_EQ(readBytes(remote(QStringLiteral("web/") + rel)), readBytes(m_local.filePath(rel)))
            << rel.toStdString();
    }
    for (int i = 0; i < entries.count(); ++i)
        EXPECT_FALSE(entries.isChecked(i)) << i;
    EXPECT_EQ(transcript.starting(QStringLiteral("MKD")),
              (QStringList{QStringLiteral("MKD image1/")}));
    EXPECT_EQ(transcript.starting(QStringLiteral("CWD image")),
              (QStringList{QStringLiteral("CWD image1/"), QStringLiteral("CWD image1/"),
                           QStringLiteral("CWD image2/")}));
    EXPECT_EQ(transcript.starting(QStringLiteral("TYPE")), (QStringList{QStringLiteral("TYPE I")}));
    EXPECT_EQ(log.first(), QStringLiteral("Start: bild_0001.htm"));
    EXPECT_EQ(log[1], QStringLiteral("End: bild_0001.htm"));
    EXPECT_EQ(log.last(), QStringLiteral("End: 0020.jpg"));
    EXPECT_EQ(log.size(), 124);
    ASSERT_EQ(progress.size(), 63);
    EXPECT_EQ(progress.first(), std::make_pair(0, 62));
    EXPECT_EQ(progress[12], std::make_pair(12, 62));
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(bytes.last(), QFileInfo(m_local.filePath(files.first())).size());
    // Back in the base folder at the end.
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/web"));
}

TEST_P(GalleryUploadServers, NamesThatDifferOnlyInCaseAreTwoFilesAndBothArrive)
{
    const QStringList names{QStringLiteral("IMG_1234.JPG"), QStringLiteral("img_1234.jpg"),
                            QStringLiteral("image1/A.jpg"), QStringLiteral("image1/a.jpg")};
    for (const QString& rel : names)
        writeBytes(m_local.filePath(rel), rel.toUtf8());
    // The sub-folder named twice still counts once.
    const QStringList files =
        galleryUploadFiles(m_local.path(), QStringLiteral("image1"), QStringLiteral("image1"));
    ASSERT_EQ(files.size(), 4) << files.join(u' ').toStdString();

    UploadEntryList entries(files);
    GalleryUpload upload(m_client, entries);
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished)
        << upload.errorMessage().toStdString();
    EXPECT_EQ(upload.storedCount(), 4);
    for (const QString& rel : names)
        EXPECT_EQ(readBytes(remote(rel)), rel.toUtf8()) << rel.toStdString();
}

TEST_P(GalleryUploadServers, StopBetweenTwoFilesThenSecondStartSendsTheRest)
{
    makeGallery(m_local.path());
    const QStringList files =
        galleryUploadFiles(m_local.path(), QStringLiteral("image1"), QString());
    UploadEntryList entries(files);
    entries.setChecked(0, false); // an unchecked entry is never sent
    GalleryUpload upload(m_client, entries);
    int idles = 0;
    upload.onIdle = [&] {
        if (++idles == 23) // inside image1/
            upload.requestStop();
        EXPECT_NE(upload.stateLetter(), QString());
    };
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Stopped);
    EXPECT_EQ(upload.errorMessage(), QString());
    EXPECT_EQ(upload.stateLetter(), QString());
    EXPECT_EQ(upload.storedCount(), 23);
    EXPECT_EQ(upload.totalCount(), 41);
    EXPECT_FALSE(QFile::exists(remote(files[0])));
    EXPECT_TRUE(QFile::exists(remote(QStringLiteral("image1/tn_0002.jpg"))));
    EXPECT_FALSE(QFile::exists(remote(QStringLiteral("image1/tn_0003.jpg"))));
    EXPECT_FALSE(entries.isChecked(0));
    EXPECT_FALSE(entries.isChecked(23)); // image1/tn_0002.jpg
    EXPECT_TRUE(entries.isChecked(24));
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/"));

    // The second start sends only what is still checked, the folder now exists.
    CommandLog transcript(m_client);
    upload.onIdle = {};
    QFile::remove(remote(QStringLiteral("index.htm"))); // sent before: must not come again
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished);
    EXPECT_EQ(upload.storedCount(), 18);
    EXPECT_FALSE(QFile::exists(remote(QStringLiteral("index.htm"))));
    EXPECT_EQ(readBytes(remote(QStringLiteral("image1/tn_0020.jpg"))),
              readBytes(m_local.filePath(QStringLiteral("image1/tn_0020.jpg"))));
    EXPECT_TRUE(transcript.starting(QStringLiteral("MKD")).isEmpty());
    EXPECT_FALSE(QFile::exists(remote(files[0])));
}

TEST_P(GalleryUploadServers, TwoLevelsDeepFailsOnMkdAndLeavesTheEntryChecked)
{
    writeBytes(m_local.filePath(QStringLiteral("index.htm")), "index");
    writeBytes(m_local.filePath(QStringLiteral("a/b/c.jpg")), "deep");
    writeBytes(m_local.filePath(QStringLiteral("z.htm")), "after");
    UploadEntryList entries(
        {QStringLiteral("index.htm"), QStringLiteral("a/b/c.jpg"), QStringLiteral("z.htm")});
    GalleryUpload upload(m_client, entries);
    CommandLog transcript(m_client);
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Failed);
    EXPECT_FALSE(upload.errorMessage().isEmpty());
    EXPECT_EQ(transcript.starting(QStringLiteral("MKD")),
              (QStringList{QStringLiteral("MKD a/b/")}));
    EXPECT_FALSE(entries.isChecked(0));
    EXPECT_TRUE(entries.isChecked(1));
    EXPECT_TRUE(entries.isChecked(2)); // the loop ended at the error
    EXPECT_FALSE(QFile::exists(remote(QStringLiteral("z.htm"))));
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/"));

    // With 'a' there, 'a/b/' is made and the rest goes through.
    QDir(m_server->root()).mkpath(QStringLiteral("a"));
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished);
    EXPECT_EQ(readBytes(remote(QStringLiteral("a/b/c.jpg"))), QByteArray("deep"));
    EXPECT_EQ(readBytes(remote(QStringLiteral("z.htm"))), QByteArray("after"));
}

TEST_P(GalleryUploadServers, StoreRefusedByAReadOnlyFolder)
{
    writeBytes(m_local.filePath(QStringLiteral("ro/x.jpg")), "x");
    writeBytes(m_local.filePath(QStringLiteral("y.htm")), "y");
    const QString ro = remote(QStringLiteral("ro"));
    QDir().mkpath(ro);
    QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    // root writes anywhere: the immutable flag makes the folder read-only for it too.
    const bool immutable = getuid() == 0;
    if (immutable) {
        ASSERT_EQ(QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), ro}), 0);
    }

    UploadEntryList entries({QStringLiteral("ro/x.jpg"), QStringLiteral("y.htm")});
    GalleryUpload upload(m_client, entries);
    upload.readBaseFolder();
    const GalleryUpload::Outcome outcome = upload.run(m_local.path());
    if (immutable)
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), ro});
    QFile::setPermissions(ro,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_EQ(outcome, GalleryUpload::Outcome::Failed);
    EXPECT_FALSE(upload.errorMessage().isEmpty());
    EXPECT_TRUE(entries.isChecked(0));
    EXPECT_TRUE(entries.isChecked(1));
    EXPECT_FALSE(QFile::exists(ro + QStringLiteral("/x.jpg")));
    EXPECT_TRUE(m_client.connected());
    EXPECT_EQ(m_client.currentFolder(), QStringLiteral("/"));
}

TEST_P(GalleryUploadServers, MissingLocalFileAndAbsoluteEntryAreErrors)
{
    UploadEntryList missing({QStringLiteral("gone.jpg")});
    GalleryUpload upload(m_client, missing);
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Failed);
    EXPECT_TRUE(upload.errorMessage().contains(QStringLiteral("gone.jpg")))
        << upload.errorMessage().toStdString();
    EXPECT_TRUE(missing.isChecked(0));

    UploadEntryList absolute({QStringLiteral("/etc/hostname")});
    GalleryUpload second(m_client, absolute);
    second.readBaseFolder();
    EXPECT_EQ(second.run(m_local.path()), GalleryUpload::Outcome::Failed);
    EXPECT_TRUE(second.errorMessage().contains(QStringLiteral("source folder")));
    EXPECT_FALSE(QDir(remote(QStringLiteral("etc"))).exists());
}

TEST_P(GalleryUploadServers, DoubleSizeFoldersComeAfterTheirFoldersAndArrive)
{
    const QStringList names{
        QStringLiteral("index.htm"),          QStringLiteral("image1/tn_a.jpg"),
        QStringLiteral("image2/a.jpg"),       QStringLiteral("2x/b.jpg"),
        QStringLiteral("image1/2x/tn_a.jpg"), QStringLiteral("image2/2x/a.jpg")};
    for (const QString& rel : names) {
        QDir(m_local.path()).mkpath(QFileInfo(rel).path());
        writeBytes(m_local.filePath(rel), rel.toUtf8());
    }
    EXPECT_EQ(galleryUploadFiles(m_local.path(), QString(), QString()),
              (QStringList{names[0], names[3]}));
    const QStringList files =
        galleryUploadFiles(m_local.path(), QStringLiteral("image1"), QStringLiteral("image2"));
    EXPECT_EQ(files, (QStringList{names[0], names[1], names[2], names[4], names[5]}));

    UploadEntryList entries(files);
    GalleryUpload upload(m_client, entries);
    CommandLog transcript(m_client);
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Finished)
        << upload.errorMessage().toStdString();
    EXPECT_EQ(transcript.starting(QStringLiteral("MKD")),
              (QStringList{QStringLiteral("MKD image1/"), QStringLiteral("MKD image2/"),
                           QStringLiteral("MKD image1/2x/"), QStringLiteral("MKD image2/2x/")}));
    for (const QString& rel : files)
        EXPECT_EQ(readBytes(remote(rel)), rel.toUtf8()) << rel.toStdString();
}

LUMIVISTA_ON_EVERY_FTP_SERVER(GalleryUploadServers);

// Each scenario of tests/fixtures/ftp/scenarios against the upload loop; the FTP window
// drives the same files.
class GalleryUploadScenario : public ::testing::TestWithParam<QString>
{
};

TEST_P(GalleryUploadScenario, RunsAsScriptedWithTheExpectedEnd)
{
    const FakeFtpScenario scenario =
        FakeFtpScenario::load({QStringLiteral("opening/login"), GetParam()});
    QTemporaryDir local;
    UploadEntryList entries(scenario.writeLocalFiles(local.path()));
    FakeFtpServer server(scenario.script());
    FTPClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(server.port());
    client.setUsername(QStringLiteral("joe"));
    client.setPassword(QStringLiteral("secret"));
    client.setReplyTimeout(5000);
    client.connectToServer();

    GalleryUpload upload(client, entries);
    if (scenario.has(QStringLiteral("hang-up-after-first-file")))
        upload.onIdle = [&] { client.disconnectFromServer(); };
    upload.readBaseFolder();
    QElapsedTimer timer;
    timer.start();
    const GalleryUpload::Outcome outcome = upload.run(local.path());
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(server.failure(), QString());
    EXPECT_EQ(server.transcript(), scenario.commands());

    const QString expected = scenario.fact(QStringLiteral("outcome"));
    EXPECT_EQ(outcome, expected == QLatin1String("Failed") ? GalleryUpload::Outcome::Failed
                                                           : GalleryUpload::Outcome::ConnectionLost)
        << expected.toStdString();
    if (scenario.has(QStringLiteral("message"))) {
        EXPECT_EQ(upload.errorMessage(), scenario.fact(QStringLiteral("message")));
    }
    EXPECT_TRUE(upload.errorMessage().contains(scenario.fact(QStringLiteral("message-part"))))
        << upload.errorMessage().toStdString();
    const QStringList checked = scenario.fact(QStringLiteral("checked")).split(u' ');
    ASSERT_EQ(checked.size(), entries.count());
    for (int i = 0; i < entries.count(); ++i)
        EXPECT_EQ(entries.isChecked(i), checked[i] == QLatin1String("1")) << i;
    EXPECT_EQ(client.connected(),
              scenario.fact(QStringLiteral("connected")) != QLatin1String("no"));
    if (scenario.has(QStringLiteral("within"))) { // no wait for the reply time-out
        EXPECT_LT(elapsed, scenario.fact(QStringLiteral("within")).toInt());
    }
    EXPECT_EQ(upload.stateLetter(), QString());
}

INSTANTIATE_TEST_SUITE_P(Scenarios, GalleryUploadScenario,
                         ::testing::ValuesIn(FakeFtpScenario::names()), [](const auto& info) {
                             return QString(info.param).replace(u'-', u'_').toStdString();
                         });
