// downloadToFile against real servers on 127.0.0.1: Python's http.server for the ordinary
// case and a misbehaving fixture server for errors, huge and slow bodies and redirects.
#include "util/download.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include "pythonserver.h"
#include "testsupport.h"

namespace {

// Both servers run for the whole suite and are stopped by their process in teardown.
class DownloadTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_root = new QTemporaryDir;
        QDir().mkpath(s_root->path() + s(u"/www"));
        writeBytes(s_root->path() + s(u"/www/lumivista.ini"),
                   "[Lumivista]\r\nVersion=1.8.2.24\r\nDownload=https://lumivista.example/\r\n");

        s_plainPort = freePort();
        s_plain = new QProcess;
        // http.server logs every request; nobody reads it, so it must not fill a pipe.
        s_plain->setStandardErrorFile(QProcess::nullDevice());
        s_plain->setStandardOutputFile(QProcess::nullDevice());
        s_plain->start(s(u"/usr/bin/python3"),
                       {s(u"-m"), s(u"http.server"), QString::number(s_plainPort), s(u"--bind"),
                        s(u"127.0.0.1"), s(u"--directory"), s_root->path() + s(u"/www")});
        s_plainUp = s_plain->waitForStarted(10000) && waitForPort(s_plainPort);

        s_fixture = new TestHttpServer;
        s_fixturePort = s_fixture->port();
    }
    static void TearDownTestSuite()
    {
        s_plain->kill();
        s_plain->waitForFinished(5000);
        delete s_plain;
        delete s_fixture;
        delete s_root;
    }
    void SetUp() override
    {
        ASSERT_TRUE(s_plainUp) << "http.server did not start";
        ASSERT_NE(s_fixturePort, 0) << "fixture server did not start";
        ASSERT_TRUE(m_tmp.isValid());
        target = m_tmp.path() + s(u"/list.ini");
    }

    static QString plain(const char16_t* path)
    {
        return s(u"http://127.0.0.1:%1").arg(s_plainPort) + QString::fromUtf16(path);
    }
    static QString fixture(const char16_t* path)
    {
        return s(u"http://127.0.0.1:%1").arg(s_fixturePort) + QString::fromUtf16(path);
    }

    QString target;
    QString error;

private:
    QTemporaryDir m_tmp;
    static inline QTemporaryDir* s_root = nullptr;
    static inline QProcess* s_plain = nullptr;
    static inline TestHttpServer* s_fixture = nullptr;
    static inline quint16 s_plainPort = 0;
    static inline quint16 s_fixturePort = 0;
    static inline bool s_plainUp = false;
};

} // namespace

TEST_F(DownloadTest, FetchesIntoTheFileReplacingIt)
{
    writeBytes(target, "old content that is longer");
    EXPECT_TRUE(downloadToFile(plain(u"/lumivista.ini"), target, kDownloadMaxBytes,
                               kDownloadTimeoutMs, &error));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(
        readBytes(target),
        QByteArray("[Lumivista]\r\nVersion=1.8.2.24\r\nDownload=https://lumivista.example/\r\n"));
}

TEST_F(DownloadTest, HttpErrorsFailAndKeepTheOldFile)
{
    writeBytes(target, "old");
    EXPECT_FALSE(downloadToFile(plain(u"/missing.ini"), target, kDownloadMaxBytes,
                                kDownloadTimeoutMs, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(downloadToFile(fixture(u"/status/500"), target));
    EXPECT_EQ(readBytes(target), QByteArray("old"));
    // No old file: none is left behind.
    QFile::remove(target);
    EXPECT_FALSE(downloadToFile(fixture(u"/status/403"), target));
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files).size(), 0);
    // Any 2xx status is a success, also one without a body.
    EXPECT_TRUE(downloadToFile(fixture(u"/status/204"), target));
    EXPECT_EQ(QFileInfo(target).size(), 0);
}

TEST_F(DownloadTest, SizeCap)
{
    writeBytes(target, "old");
    EXPECT_FALSE(
        downloadToFile(fixture(u"/huge"), target, kDownloadMaxBytes, kDownloadTimeoutMs, &error));
    EXPECT_EQ(error, s(u"Die Antwort ist zu groß"));
    EXPECT_FALSE(downloadToFile(fixture(u"/huge-unannounced"), target, kDownloadMaxBytes,
                                kDownloadTimeoutMs, &error));
    EXPECT_EQ(error, s(u"Die Antwort ist zu groß"));
    EXPECT_EQ(readBytes(target), QByteArray("old"));
    EXPECT_FALSE(downloadToFile(fixture(u"/ok"), target, 4));
    EXPECT_TRUE(downloadToFile(fixture(u"/ok"), target, 5));
    EXPECT_EQ(readBytes(target), QByteArray("hello"));
}

TEST_F(DownloadTest, TrickledBodyTimesOut)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(downloadToFile(fixture(u"/slow"), target, kDownloadMaxBytes, 1500, &error));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(error, s(u"Zeitüberschreitung beim Herunterladen"));
    EXPECT_FALSE(QFile::exists(target));
}

TEST_F(DownloadTest, RedirectsOnlyWithinHostAndScheme)
{
    EXPECT_TRUE(downloadToFile(fixture(u"/redirect-same"), target));
    EXPECT_EQ(readBytes(target), QByteArray("hello"));
    QFile::remove(target);
    EXPECT_TRUE(downloadToFile(fixture(u"/redirect-relative"), target));
    EXPECT_EQ(readBytes(target), QByteArray("hello"));
    writeBytes(target, "old");
    EXPECT_FALSE(downloadToFile(fixture(u"/redirect-host"), target, kDownloadMaxBytes,
                                kDownloadTimeoutMs, &error));
    EXPECT_TRUE(error.contains(s(u"localhost"))) << error.toStdString();
    EXPECT_FALSE(downloadToFile(fixture(u"/redirect-scheme"), target));
    EXPECT_FALSE(downloadToFile(fixture(u"/redirect-loop"), target));
    EXPECT_EQ(readBytes(target), QByteArray("old"));
}

TEST_F(DownloadTest, BadAddressesAndTargets)
{
    EXPECT_FALSE(downloadToFile(QString(), target));
    EXPECT_FALSE(downloadToFile(s(u"file:///etc/hostname"), target));
    EXPECT_FALSE(downloadToFile(s(u"ftp://127.0.0.1/x"), target));
    EXPECT_FALSE(downloadToFile(s(u"not a url"), target));
    EXPECT_FALSE(QFile::exists(target));
    // Nobody listens there.
    EXPECT_FALSE(downloadToFile(s(u"http://127.0.0.1:%1/x").arg(freePort()), target));
    EXPECT_FALSE(
        downloadToFile(fixture(u"/ok"), target + s(u"/no/such/folder/x.ini"), 1024, 5000, &error));
    EXPECT_TRUE(error.startsWith(s(u"Die Datei kann nicht geschrieben werden")));
}
