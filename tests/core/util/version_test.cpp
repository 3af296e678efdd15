// Version numbers, vendor addresses and the desktop's "open" (xdg-open replaced by a
// stand-in, the program itself by a shell that leaves a mark).
#include "util/paths.h"
#include "util/version.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

#include "testsupport.h"

TEST(VersionNumber, PacksFourParts)
{
    EXPECT_EQ(versionNumber(s(u"1.2.3.4")), 16909060u);
    EXPECT_EQ(versionNumber(s(u"1.8.2.24")), 17302040u);
    EXPECT_EQ(versionNumber(s(u"2.1")), 33619968u);
    EXPECT_EQ(versionNumber(QString()), 0u);
    EXPECT_EQ(versionNumber(s(u"1.2.3.4 beta")), 16909060u);
    EXPECT_EQ(versionNumber(s(u"1.2.3.4.5")), 16909060u);
    EXPECT_EQ(versionNumber(s(u"x.y")), 0u);
    EXPECT_EQ(versionNumber(s(u"1..3")), 0x01000300u);
}

TEST(VersionNumber, ComparesNumbersNotTexts)
{
    EXPECT_GT(versionNumber(s(u"1.2.10.0")), versionNumber(s(u"1.2.9.0")));
    EXPECT_GT(versionNumber(s(u"2.0.0.0")), versionNumber(s(u"1.255.255.255")));
    // A part of 256 carries into the next one.
    EXPECT_EQ(versionNumber(s(u"1.256.0.0")), versionNumber(s(u"2.0.0.0")));
    // A negative part counts 0 instead of wrapping to a huge version.
    EXPECT_EQ(versionNumber(s(u"1.-1.0.0")), versionNumber(s(u"1.0.0.0")));
    EXPECT_LT(versionNumber(s(u"-1")), versionNumber(s(u"0.0.0.1")));
}

TEST(ProgramVersion, FourDottedNumbers)
{
    const QString version = programVersion();
    EXPECT_TRUE(QRegularExpression(s(u"^\\d+\\.\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch())
        << version.toStdString();
}

TEST(VendorUrls, UpdateListHonoursTheEnvironment)
{
    EXPECT_TRUE(homePageUrl().startsWith(s(u"https://")));
    EXPECT_TRUE(supportUrl().startsWith(s(u"https://")));
    EXPECT_TRUE(shopUrl().startsWith(s(u"https://")));
    const QByteArray saved = qgetenv("LUMIVISTA_UPDATE_URL");
    qunsetenv("LUMIVISTA_UPDATE_URL");
    const QString configured = updateListUrl();
    EXPECT_TRUE(configured.startsWith(s(u"http")));
    qputenv("LUMIVISTA_UPDATE_URL", "http://127.0.0.1:9/list.ini");
    EXPECT_EQ(updateListUrl(), s(u"http://127.0.0.1:9/list.ini"));
    qputenv("LUMIVISTA_UPDATE_URL", "");
    EXPECT_EQ(updateListUrl(), configured);
    if (saved.isNull())
        qunsetenv("LUMIVISTA_UPDATE_URL");
    else
        qputenv("LUMIVISTA_UPDATE_URL", saved);
}

TEST(ProgramPath, TheRunningExecutable)
{
    EXPECT_TRUE(QFileInfo(programPath()).isExecutable());
    EXPECT_EQ(QFileInfo(programPath(true)).canonicalFilePath(),
              QFileInfo(programPath()).canonicalFilePath());
}

// xdg-open replaced by a stand-in first on PATH.
class ShellOpen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        qputenv("PATH", (m_tmp.path() + u':').toLocal8Bit() + m_path);
    }
    void TearDown() override { qputenv("PATH", m_path); }
    QStringList opened() const
    {
        return QString::fromLocal8Bit(readBytes(m_tmp.filePath(s(u"opened.txt"))))
            .split(u'\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir m_tmp;
    const QByteArray m_path = qgetenv("PATH");
};

TEST_F(ShellOpen, UrlsFilesAndFolders)
{
    writeFakeOpener(m_tmp.path(), 0);
    EXPECT_EQ(openWithShell(QString()), 0);
    EXPECT_EQ(openWithShell(s(u"https://lumivista.example/a b?x=1")), kShellOk);
    EXPECT_EQ(openWithShell(m_tmp.path()), kShellOk);
    EXPECT_EQ(openWithShell(s(u"mailto:info@lumivista.example"), s(u"ignored")), kShellOk);
    EXPECT_EQ(openWithShell(m_tmp.path() + s(u"/missing.htm")), kShellNotFound);
    EXPECT_EQ(opened(), (QStringList{s(u"https://lumivista.example/a%20b?x=1"), m_tmp.path(),
                                     s(u"mailto:info@lumivista.example")}));
}

TEST_F(ShellOpen, NoBrowserIsReported)
{
    writeFakeOpener(m_tmp.path(), 3);
    const QString page = m_tmp.filePath(s(u"index.htm"));
    writeBytes(page, "<html></html>");
    EXPECT_EQ(openWithShell(page), kShellNoHandler);
    EXPECT_EQ(opened(), QStringList{page});
}

TEST(OpenWithShell, AtStartsTheProgramAgain)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    PathContext context = pathContext();
    context.programFile = s(u"/bin/sh");
    const PathContext previous = setPathContext(context);
    const QString mark = tmp.path() + s(u"/started");
    EXPECT_EQ(openWithShell(s(u"@"), s(u"-c \"echo started > '") + mark + s(u"'\"")), kShellOk);
    QElapsedTimer timer;
    timer.start();
    while (!QFile::exists(mark) && timer.elapsed() < 10000)
        QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(mark));

    context.programFile = tmp.path() + s(u"/no-such-program");
    setPathContext(context);
    EXPECT_EQ(openWithShell(s(u"@")), kShellNotFound);
    setPathContext(previous);
}
