// The update check against the tests' HTTP server whose list never ends: a body
// without length, a chunked body without last chunk, and one that dribbles a byte a
// second. The check must stop at its byte cap or time-out, report FetchFailed, and leave
// the local copy of the last good list as it was.
#include "boundedsupport.h"

#include "pythonserver.h"
#include "update/updatecheck.h"
#include "updatelists.h"
#include "util/dialogs.h"
#include "util/download.h"
#include "util/paths.h"
#include "util/version.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

class HostileUpdateList : public UpdateServerTest
{
protected:
    void SetUp() override
    {
        UpdateServerTest::SetUp();
        if (HasFatalFailure())
            return;
        // A good list fetched first: that local copy must survive every failure.
        m_server.publish(QStringLiteral("update.txt"),
                         updateList(QStringLiteral("7.0.0.0"),
                                    QStringLiteral("https://x.example/dl"), QStringLiteral("a;b")));
        UpdateCheck good(source(QStringLiteral("/update.txt")));
        ASSERT_EQ(good.run(), UpdateCheck::Outcome::NewVersion);
        m_goodList = readBytes(localFile());
        ASSERT_TRUE(m_goodList.contains("Version=7.0.0.0"));
        m_dialogs.clear();
    }

    // The program's own caps (1 MiB, 30 s): only the time-out test shortens one.
    UpdateSource source(const QString& path) const
    {
        return serverSource(path, QStringLiteral("1.0.0.0"), kDownloadTimeoutMs);
    }

    // One check of `s` that must fail with the fetch message and change nothing.
    void expectFetchFailed(const UpdateSource& s, qint64 deadlineMs = kHostileDeadlineMs)
    {
        UpdateCheck updater(s);
        UpdateCheck::Outcome outcome = UpdateCheck::Outcome::NewVersion;
        expectWithinDeadline([&] { outcome = updater.run(); }, deadlineMs);
        EXPECT_EQ(outcome, UpdateCheck::Outcome::FetchFailed);
        ASSERT_EQ(m_dialogs.entries().size(), 2);
        EXPECT_EQ(m_dialogs.entries()[1].text, UpdateCheck::kFetchFailedMessage + programPath());
        EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Error);
        EXPECT_FALSE(updater.hasResult());
        EXPECT_EQ(readBytes(localFile()), m_goodList);
        // No half list beside it either.
        EXPECT_EQ(QDir(m_data.path()).entryList(QDir::Files | QDir::Hidden),
                  QStringList{QStringLiteral("update.txt")});
    }

    QByteArray m_goodList;
};

} // namespace

TEST_F(HostileUpdateList, EndlessBodyWithoutLengthStopsAtTheByteCap)
{
    const UpdateSource s = source(QStringLiteral("/endless"));
    EXPECT_EQ(s.maxBytes, kDownloadMaxBytes);
    EXPECT_EQ(s.timeoutMs, kDownloadTimeoutMs);
    expectFetchFailed(s);
}

TEST_F(HostileUpdateList, EndlessChunkedBodyStopsAtTheByteCap)
{
    expectFetchFailed(source(QStringLiteral("/endless-chunked")));
}

TEST_F(HostileUpdateList, DownloadOfAnEndlessBodyReportsTheSizeCap)
{
    // The reason behind the fetch message: the cap, not a broken connection or time-out.
    for (const QString& path : {QStringLiteral("/endless"), QStringLiteral("/endless-chunked")}) {
        SCOPED_TRACE(path.toStdString());
        QString error;
        bool ok = true;
        expectWithinDeadline([&] {
            ok = downloadToFile(source(path).listUrl, localFile(), 64 * 1024, 20000, &error);
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, QStringLiteral("Die Antwort ist zu groß"));
        EXPECT_EQ(readBytes(localFile()), m_goodList);
    }
}

TEST_F(HostileUpdateList, BusyMainThreadDoesNotLetTheNetworkThreadHoardTheBody)
{
    // Qt reads HTTP on a thread of its own. While this thread is busy (a slow machine, a
    // window repainting), that thread must not go on reading an endless body into memory:
    // three pauses of 700 ms inside the download's event loop would let it take gigabytes
    // from a local server, and under the address-space cap die of bad_alloc.
    int pauses = 0;
    QTimer busy;
    busy.setInterval(0);
    QObject::connect(&busy, &QTimer::timeout, [&] {
        if (++pauses >= 3)
            busy.stop();
        QThread::msleep(700);
    });
    busy.start();
    QString error;
    bool ok = true;
    expectWithinDeadline([&] {
        ok = downloadToFile(source(QStringLiteral("/endless")).listUrl, localFile(),
                            kDownloadMaxBytes, 20000, &error);
    });
    busy.stop();
    EXPECT_EQ(pauses, 3);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, QStringLiteral("Die Antwort ist zu groß"));
    EXPECT_EQ(readBytes(localFile()), m_goodList);
    if (boundedAddressSpaceLimit() > 0) {
        // Resident memory stayed small: nothing of the flood piled up.
        EXPECT_LT(peakResidentKiB(), 200 * 1024);
    }
}

TEST_F(HostileUpdateList, ListDribbledAByteASecondStopsAtTheTimeOut)
{
    UpdateSource s = source(QStringLiteral("/dribble"));
    s.timeoutMs = 3000;
    QElapsedTimer timer;
    timer.start();
    expectFetchFailed(s, 15000);
    // The total time-out cut it off, not an idle one the dribble would keep resetting
    // (a coarse timer may fire up to 5 % early).
    EXPECT_GE(timer.elapsed(), 2800);

    QString error;
    EXPECT_FALSE(downloadToFile(s.listUrl, localFile(), s.maxBytes, 2000, &error));
    EXPECT_EQ(error, QStringLiteral("Zeitüberschreitung beim Herunterladen"));
    EXPECT_EQ(readBytes(localFile()), m_goodList);
}
