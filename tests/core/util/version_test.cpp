// Version numbers, vendor addresses and the desktop's "open" (URL handlers intercepted, the
// program itself replaced by a shell that leaves a mark).
#include "util/paths.h"
#include "util/version.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <gtest/gtest.h>

#include "testsupport.h"

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls.append(url); }
};

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

TEST(OpenWithShell, UrlsFilesAndFolders)
{
    UrlRecorder recorder;
    for (const char* scheme : {"https", "http", "file", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());

    EXPECT_EQ(openWithShell(QString()), 0);
    EXPECT_EQ(openWithShell(s(u"https://lumivista.example/a b?x=1")), kShellOk);
    EXPECT_EQ(openWithShell(tmp.path()), kShellOk);
    EXPECT_EQ(openWithShell(s(u"mailto:info@lumivista.example"), s(u"ignored")), kShellOk);
    EXPECT_EQ(openWithShell(tmp.path() + s(u"/missing.htm")), kShellNotFound);
    for (const char* scheme : {"https", "http", "file", "mailto"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));

    ASSERT_EQ(recorder.urls.size(), 3);
    EXPECT_EQ(recorder.urls.at(0).host(), s(u"lumivista.example"));
    EXPECT_EQ(recorder.urls.at(0).path(), s(u"/a b"));
    EXPECT_EQ(recorder.urls.at(1), QUrl::fromLocalFile(tmp.path()));
    EXPECT_EQ(recorder.urls.at(2).scheme(), s(u"mailto"));
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

#include "version_test.moc"
