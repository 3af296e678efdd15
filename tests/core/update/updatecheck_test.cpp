// The update check against a real HTTP server on 127.0.0.1: version comparison, the list's
// texts, and lists or servers that misbehave.
#include "pythonserver.h"
#include "update/updatecheck.h"
#include "updatelists.h"

#include "util/dialogs.h"
#include "util/paths.h"
#include "util/version.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "testsupport.h"

using namespace Qt::StringLiterals;

namespace {

class UpdateCheckTest : public UpdateServerTest
{
protected:
    UpdateSource source(const QString& path, const QString& running) const
    {
        return serverSource(path, running, 2000);
    }

    // Runs one check with the list `content` served as /update.txt.
    UpdateCheck::Outcome check(UpdateCheck& updater, const QByteArray& content)
    {
        m_server.publish(u"update.txt"_s, content);
        return updater.run();
    }
};

} // namespace

TEST_F(UpdateCheckTest, NewerPublishedVersionIsReportedWithItsWholeText)
{
    UpdateCheck updater(source(u"/update.txt"_s, u"2.1.0.4"_s));
    const QByteArray list = updateList(u"  2.1.0.5 (final) "_s, u"https://x.example/dl"_s);
    EXPECT_EQ(check(updater, list), UpdateCheck::Outcome::NewVersion);

    ASSERT_EQ(m_dialogs.entries().size(), 2);
    EXPECT_EQ(m_dialogs.entries()[0].text,
              u"Bitte mit dem Internet verbinden!\r\nHaben sie eine Verbindung?"_s);
    EXPECT_EQ(m_dialogs.entries()[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(m_dialogs.entries()[1].text, u"Neue Version gefunden"_s);
    EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Information);

    EXPECT_EQ(updater.foundVersion(), u"2.1.0.5 (final)"_s);
    EXPECT_EQ(updater.foundNumber(), 0x02010005u);
    EXPECT_EQ(updater.foundVersionText(), u"Gefundene Version: v 2.1.0.5 (final)"_s);
    EXPECT_EQ(updater.downloadAddress(), u"https://x.example/dl"_s);
    EXPECT_TRUE(updater.isDownloadVisible());
    // The local copy stays in the data folder.
    EXPECT_EQ(readBytes(localFile()), list);
}

TEST_F(UpdateCheckTest, EqualOrOlderPublishedVersionsAreNotNew)
{
    UpdateCheck equal(source(u"/update.txt"_s, u"2.1.0.4"_s));
    EXPECT_EQ(check(equal, updateList(u"2.1.0.4"_s)), UpdateCheck::Outcome::NoNewerVersion);
    ASSERT_EQ(m_dialogs.entries().size(), 2);
    EXPECT_EQ(m_dialogs.entries()[1].text, u"Keine neuere Version gefunden"_s);
    EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Warning);

    // "2.1" packs to 2.1.0.0, larger than 2.0.9.9.
    UpdateCheck shorter(source(u"/update.txt"_s, u"2.1"_s));
    EXPECT_EQ(check(shorter, updateList(u"2.0.9.9"_s)), UpdateCheck::Outcome::NoNewerVersion);
    // Numbers, not texts: 1.2.10.0 is newer than 1.2.9.0.
    UpdateCheck numeric(source(u"/update.txt"_s, u"1.2.9.0"_s));
    EXPECT_EQ(check(numeric, updateList(u"1.2.10.0"_s)), UpdateCheck::Outcome::NewVersion);
}

TEST_F(UpdateCheckTest, VersionsCompareAsSigned64BitNumbers)
{
    // An empty running version counts 0: any published version above 0 is new.
    UpdateCheck empty(source(u"/update.txt"_s, QString()));
    EXPECT_EQ(check(empty, updateList(u"0.0.0.1"_s)), UpdateCheck::Outcome::NewVersion);
    // A published number at or above 2^63 reads negative and is never newer.
    UpdateCheck huge(source(u"/update.txt"_s, u"1.0.0.0"_s));
    EXPECT_EQ(check(huge, updateList(u"600000000000.0.0.0"_s)),
              UpdateCheck::Outcome::NoNewerVersion);
    EXPECT_GT(huge.foundNumber(), quint64(1) << 63);
}

TEST_F(UpdateCheckTest, InfoLinesAndDownloadAddress)
{
    UpdateCheck updater(source(u"/update.txt"_s, u"1.0.0.0"_s));
    check(updater, updateList(u"1.0.0.0"_s, QString(), u"Neu;Schneller"_s));
    EXPECT_EQ(updater.infoText(), u"Neu\r\nSchneller"_s);
    EXPECT_TRUE(updater.downloadAddress().isEmpty());
    EXPECT_FALSE(updater.isDownloadVisible());

    check(updater, updateList(u"1.0.0.0"_s, u"http://x.example/"_s, QString()));
    EXPECT_TRUE(updater.infoText().isEmpty());
    EXPECT_TRUE(updater.isDownloadVisible());
}

TEST_F(UpdateCheckTest, ListWithoutSectionOrVersionFindsNothing)
{
    UpdateCheck updater(source(u"/update.txt"_s, u"1.0.0.0"_s));
    EXPECT_EQ(check(updater, "[Anderes]\r\nVersion=9.0.0.0\r\n"),
              UpdateCheck::Outcome::NoNewerVersion);
    EXPECT_EQ(updater.foundNumber(), 0u);
    EXPECT_EQ(updater.foundVersionText(), u"Gefundene Version: v "_s);
    EXPECT_EQ(m_dialogs.texts().last(), u"Keine neuere Version gefunden"_s);

    // Section and keys are matched without regard to case.
    EXPECT_EQ(check(updater, "[LUMIVISTA]\r\nversion=1.0.0.1\r\n"),
              UpdateCheck::Outcome::NewVersion);

    // Not an ini file at all.
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char(i * 37 % 256));
    EXPECT_EQ(check(updater, garbage), UpdateCheck::Outcome::NoNewerVersion);
    EXPECT_EQ(updater.foundVersion(), QString());
}

TEST_F(UpdateCheckTest, NoAnswerToTheQuestionFetchesNothing)
{
    m_dialogs.queue(DialogResult::No);
    UpdateCheck updater(source(u"/update.txt"_s, u"1.0.0.0"_s));
    EXPECT_EQ(check(updater, updateList(u"9.0.0.0"_s)), UpdateCheck::Outcome::Declined);
    EXPECT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_FALSE(QFile::exists(localFile()));
    EXPECT_FALSE(updater.hasResult());
}

TEST_F(UpdateCheckTest, FailedFetchesShowTheFirewallMessageAndChangeNothing)
{
    UpdateCheck good(source(u"/update.txt"_s, u"1.0.0.0"_s));
    const QByteArray list = updateList(u"2.0.0.0 beta"_s, u"https://x.example/"_s, u"a;b"_s);
    ASSERT_EQ(check(good, list), UpdateCheck::Outcome::NewVersion);

    const QString expected = u"Konnte keine Infos laden!\r\n\r\nBitte Internetverbindung "
                             u"kontrollieren!\r\n\r\nBei eingeschaltetem Firewall Programm "
                             u"zulassen:\r\n"_s +
                             programPath();
    // Which redirects downloadToFile follows is its own tests' concern; one refused here.
    const QStringList badPaths = {u"/missing.txt"_s,  u"/error"_s,         u"/huge"_s,
                                  u"/huge-chunked"_s, u"/redirect-file"_s, u"/hang"_s,
                                  u"/trickle"_s};
    for (const QString& path : badPaths) {
        SCOPED_TRACE(path.toStdString());
        UpdateCheck updater(source(path, u"1.0.0.0"_s));
        m_dialogs.clear();
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(updater.run(), UpdateCheck::Outcome::FetchFailed);
        EXPECT_LT(timer.elapsed(), 15000);
        ASSERT_EQ(m_dialogs.entries().size(), 2);
        EXPECT_EQ(m_dialogs.entries()[1].text, expected);
        EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Error);
        EXPECT_FALSE(updater.hasResult());
        EXPECT_FALSE(updater.isDownloadVisible());
        // The local copy of the last good list is left as it was.
        EXPECT_EQ(readBytes(localFile()), list);
    }
}

TEST_F(UpdateCheckTest, ARepeatedCheckThatFailsKeepsTheLastResult)
{
    UpdateCheck updater(source(u"/update.txt"_s, u"1.0.0.0"_s));
    ASSERT_EQ(check(updater, updateList(u"3.0.0.0"_s, u"https://x.example/"_s, u"x;y"_s)),
              UpdateCheck::Outcome::NewVersion);
    m_server.remove(u"update.txt"_s);
    EXPECT_EQ(updater.run(), UpdateCheck::Outcome::FetchFailed);
    EXPECT_TRUE(updater.hasResult());
    EXPECT_EQ(updater.foundVersion(), u"3.0.0.0"_s);
    EXPECT_EQ(updater.downloadAddress(), u"https://x.example/"_s);
    EXPECT_EQ(updater.infoText(), u"x\r\ny"_s);
}

TEST_F(UpdateCheckTest, UnwritableLocalCopyIsAFailedFetch)
{
    // The data folder's place is taken by a file: the list cannot be stored.
    const QString blocker = m_data.filePath(u"blocker"_s);
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    UpdateSource src = source(u"/update.txt"_s, u"1.0.0.0"_s);
    src.localFile = blocker + u"/update.txt"_s;
    UpdateCheck updater(src);
    EXPECT_EQ(check(updater, updateList(u"2.0.0.0"_s)), UpdateCheck::Outcome::FetchFailed);
    EXPECT_TRUE(m_dialogs.texts().last().startsWith(u"Konnte keine Infos laden!"_s));
    EXPECT_FALSE(updater.hasResult());
}

TEST_F(UpdateCheckTest, OnlyWebDownloadAddressesAreOpened)
{
    UpdateCheck updater(source(u"/update.txt"_s, u"1.0.0.0"_s));
    check(updater, updateList(u"2.0.0.0"_s, u"file:///bin/sh"_s));
    EXPECT_TRUE(updater.isDownloadVisible());
    m_dialogs.clear();
    EXPECT_FALSE(updater.openDownload());
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries()[0].type, DialogType::Error);
    EXPECT_EQ(m_dialogs.entries()[0].text, UpdateCheck::kBadDownloadMessage + u"file:///bin/sh"_s);
}

TEST(IsWebAddress, AcceptsOnlyHttpAndHttpsWithAHost)
{
    EXPECT_TRUE(isWebAddress(u"http://x.example/dl/setup.exe"_s));
    EXPECT_TRUE(isWebAddress(u"HTTPS://x.example"_s));
    EXPECT_TRUE(isWebAddress(u" https://x.example/a?b=c "_s));
    EXPECT_FALSE(isWebAddress(u"file:///bin/sh"_s));
    EXPECT_FALSE(isWebAddress(u"/usr/bin/xterm"_s));
    EXPECT_FALSE(isWebAddress(u"javascript:alert(1)"_s));
    EXPECT_FALSE(isWebAddress(u"ftp://x.example/"_s));
    EXPECT_FALSE(isWebAddress(u"http://"_s));
    EXPECT_FALSE(isWebAddress(u"x.example"_s));
    EXPECT_FALSE(isWebAddress(QString()));
}

TEST(UpdateWindowWidth, FollowsTheInfoText)
{
    EXPECT_EQ(updateWindowWidth(201, 240, u"Neu\r\nSchneller"_s), 461);
    EXPECT_EQ(updateWindowWidth(201, 240, QString()), 201);
}

TEST(UpdateSource, StandardUsesTheConfiguredAddressAndTheDataFolder)
{
    QTemporaryDir folders;
    const PathContext previous = pathContext();
    // Start-up computes the folders with the application title, which names the section.
    computeDataFolders(u"Lumivista"_s, false);
    setDataFoldersForTest(folders.filePath(u"doc"_s), folders.filePath(u"data"_s));
    qputenv("LUMIVISTA_UPDATE_URL", "http://127.0.0.1:9/liste.txt");
    const UpdateSource standard = UpdateSource::standard();
    qunsetenv("LUMIVISTA_UPDATE_URL");
    EXPECT_EQ(standard.listUrl, u"http://127.0.0.1:9/liste.txt"_s);
    setPathContext(previous);
    EXPECT_EQ(standard.localFile, folders.filePath(u"data/update.txt"_s));
    EXPECT_EQ(standard.section, u"Lumivista"_s);
    EXPECT_EQ(standard.runningVersion, programVersion());
    EXPECT_EQ(standard.maxBytes, kDownloadMaxBytes);
    EXPECT_LE(standard.timeoutMs, 30000);
}
