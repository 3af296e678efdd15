// FTPClient against a scripted server: the exact command transcript, multi-line replies,
// 421, time-outs, the ignored PASV host, garbage, and transfers in both modes. The server's
// side of each session is a file in tests/fixtures/ftp/scenarios/session/.
#include "scriptedrun.h"
#include "util/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<none>");
}

// Downloads `name` in active mode into a temporary folder and returns what arrived.
QString downloadActively(FTPClient& client, const QString& name)
{
    QTemporaryDir dir;
    client.setPassive(false);
    const QString local = dir.filePath(name);
    client.retrieve(name, local);
    return readFile(local);
}

// The error `call` ends with; the test fails when it ends without one.
template <typename Call> LumiError errorOf(Call call)
{
    try {
        call();
    } catch (const LumiError& e) {
        return e;
    }
    ADD_FAILURE() << "no error";
    return LumiError(QString());
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

// --- connect / login -----------------------------------------------------------------

TEST(FTPClientScripted, LoginWithSplitAndMultiLineRepliesKeepsPasswordOutOfStatus)
{
    ScriptedRun run({QStringLiteral("session/login-split-multi-line")});
    run.client.setTlsMode(FtpTlsMode::Plain); // plain FTP: USER is the first command
    run.client.connectToServer();
    EXPECT_TRUE(run.client.connected());
    EXPECT_EQ(run.client.systemDescription(), QStringLiteral("UNIX Type: L8"));
    EXPECT_EQ(run.seen.logins, 1);
    run.client.disconnectFromServer();
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.seen.disconnects, 1);

    run.expectScripted();
    EXPECT_TRUE(run.seen.statuses.contains(QStringLiteral("PASS ****")));
    for (const QString& s : run.seen.statuses)
        EXPECT_FALSE(s.contains(QStringLiteral("secret"))) << s.toStdString();
}

TEST(FTPClientScripted, UserAcceptedWithoutPasswordAndSystRefused)
{
    ScriptedRun run({QStringLiteral("session/user-without-password")});
    run.client.setTlsMode(FtpTlsMode::Plain);
    run.client.connectToServer();
    EXPECT_TRUE(run.client.connected());
    EXPECT_EQ(run.client.systemDescription(), QString());
    EXPECT_EQ(run.server.transcript(), run.scenario.commands());
}

TEST(FTPClientScripted, RefusedLoginIsAnErrorWithTheServerText)
{
    ScriptedRun run({QStringLiteral("session/login-refused")});
    run.client.setTlsMode(FtpTlsMode::Plain);
    const LumiError e = errorOf([&] { run.client.connectToServer(); });
    EXPECT_EQ(e.message(), QStringLiteral("530 Login incorrect."));
    EXPECT_EQ(e.code(), 530);
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.client.state(), FTPClient::State::Disconnected);
    EXPECT_EQ(run.seen.logins, 0);
    run.server.transcript();
}

TEST(FTPClientScripted, ConnectionRefusedIsAnError)
{
    quint16 port = 0;
    {
        ScriptedRun run({QStringLiteral("session/greeting-only")});
        port = run.server.port();
        run.client.setUsername(QString());
        try {
            run.client.connectToServer();
        } catch (const LumiError&) {
        }
    } // the server is gone now, its port closed
    FTPClient client;
    configureForScript(client, port);
    EXPECT_THROW(client.connectToServer(), LumiError);
    EXPECT_FALSE(client.connected());
}

// --- FTP over TLS refused or broken before the login --------------------------------------

TEST(FTPClientScripted, TlsRefusedOrBrokenSendsNoUserOrPassword)
{
    const QString nothingSent = QStringLiteral(" No user name or password was sent.");
    const QStringList names = FakeFtpScenario::names(QStringLiteral("session/tls-before-login"));
    ASSERT_EQ(names.size(), 4);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        ScriptedRun run({name});
        const QString mode = run.scenario.fact(QStringLiteral("tls"));
        run.client.setTlsMode(mode == QLatin1String("Require") ? FtpTlsMode::Require
                                                               : FtpTlsMode::IfAvailable);
        const QString message = errorOf([&] { run.client.connectToServer(); }).message();
        // "..." stands for any text.
        const QString expected = run.scenario.fact(QStringLiteral("fails")).arg(run.server.port());
        if (expected.contains(QLatin1String("...")))
            EXPECT_TRUE(message.startsWith(expected.section(QLatin1String("..."), 0, 0)) &&
                        message.endsWith(expected.section(QLatin1String("..."), 1)) &&
                        message.endsWith(nothingSent))
                << message.toStdString();
        else
            EXPECT_EQ(message, expected);
        EXPECT_FALSE(run.client.connected());
        EXPECT_FALSE(run.client.encrypted());
        EXPECT_EQ(run.client.state(), FTPClient::State::Disconnected);
        EXPECT_EQ(run.server.transcript(), QStringList{QStringLiteral("AUTH TLS")});
    }
}

TEST(FTPClientScripted, TlsIfAvailableGoesOnInPlainFtpWhenRefused)
{
    LoggedInRun run(QStringLiteral("pasv-and-epsv-refused"));
    EXPECT_TRUE(run.client.connected());
    EXPECT_FALSE(run.client.encrypted());
    EXPECT_FALSE(run.client.dataEncrypted());
    EXPECT_EQ(run.client.tlsDescription(), QString());
    EXPECT_TRUE(run.seen.statuses.contains(
        QStringLiteral("The server does not offer FTP over TLS (500 AUTH not understood); going "
                       "on with plain FTP, unencrypted.")));
    QStringList names;
    EXPECT_THROW(run.client.listNames(names), LumiError); // no PBSZ or PROT before PASV
    run.expectScripted();
}

// --- 421, time-out, garbage ------------------------------------------------------------

TEST(FTPClientScripted, Reply421ClosesTheConnectionInEveryState)
{
    // at the greeting
    {
        ScriptedRun run({QStringLiteral("session/421-at-greeting")});
        const LumiError e = errorOf([&] { run.client.connectToServer(); });
        EXPECT_EQ(e.code(), 421);
        EXPECT_EQ(e.message(), QStringLiteral("421 Too many users"));
        EXPECT_FALSE(run.client.connected());
    }
    // in the middle of a transfer
    {
        QTemporaryDir dir;
        LoggedInRun run(QStringLiteral("421-mid-download"));
        const QString local = dir.filePath(QStringLiteral("a.txt"));
        const LumiError e = errorOf([&] { run.client.retrieve(QStringLiteral("a.txt"), local); });
        EXPECT_EQ(e.code(), 421);
        EXPECT_FALSE(run.client.connected());
        EXPECT_EQ(run.seen.disconnects, 1);
        EXPECT_FALSE(QFile::exists(local));
    }
}

TEST(FTPClientScripted, SilentServerTimesOutWithoutHanging)
{
    LoggedInRun run(QStringLiteral("silent-after-pwd"), 300);
    QElapsedTimer timer;
    timer.start();
    const LumiError e = errorOf([&] { run.client.currentFolder(); });
    EXPECT_EQ(e.message(), QStringLiteral("No reply from server (time-out 300 ms)"));
    EXPECT_LT(timer.elapsed(), 1200);
    EXPECT_GE(timer.elapsed(), 290);
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.seen.disconnects, 1);
}

TEST(FTPClientScripted, GarbageRepliesAreClearErrors)
{
    {
        ScriptedRun run({QStringLiteral("session/garbage-greeting")});
        const LumiError e = errorOf([&] { run.client.connectToServer(); });
        EXPECT_EQ(e.message(), QStringLiteral("Invalid reply from server: HELLO THERE"));
        EXPECT_FALSE(run.client.connected());
    }
    {
        // A 100 kB reply line ends with an error, not with a 100 kB buffer (or more).
        LoggedInRun run(QStringLiteral("overlong-reply-line"));
        const LumiError e = errorOf([&] { run.client.currentFolder(); });
        EXPECT_EQ(e.message(), QStringLiteral("Line from server is longer than 65536 bytes"));
        EXPECT_FALSE(run.client.connected());
    }
}

// --- commands without data -------------------------------------------------------------

TEST(FTPClientScripted, PwdSizeMdtmRenameAndRefusals)
{
    LoggedInRun run(QStringLiteral("commands-without-data"));
    EXPECT_EQ(run.client.currentFolder(), QStringLiteral("/a \"b\""));
    EXPECT_THROW(run.client.currentFolder(), LumiError); // control character in the name
    const LumiError e = errorOf([&] { run.client.changeFolder(QStringLiteral("/missing")); });
    EXPECT_EQ(e.message(),
              QStringLiteral("Remote folder /missing does not exist (550 No such directory.)"));
    EXPECT_EQ(e.code(), 550);
    EXPECT_EQ(run.client.size(QStringLiteral("big.bin")), 5000000000LL);
    EXPECT_EQ(run.client.size(QStringLiteral("folder")), -1);
    const QDateTime expected(QDate(2024, 1, 15), QTime(10, 30), Qt::UTC);
    const QDateTime stamp = run.client.modificationTime(QStringLiteral("a.jpg"));
    EXPECT_EQ(stamp, expected);
    EXPECT_EQ(stamp.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(run.client.modificationTime(QStringLiteral("b.jpg")), expected);
    EXPECT_EQ(run.client.modificationTime(QStringLiteral("none")),
              QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    run.client.rename(QStringLiteral("old"), QStringLiteral("new name"));
    EXPECT_THROW(run.client.rename(QStringLiteral("missing"), QStringLiteral("x")), LumiError);
    run.client.parentFolder();
    run.client.setTransferType(FTPClient::TransferType::Ascii);
    EXPECT_EQ(run.client.transferType(), FTPClient::TransferType::Ascii);
    run.client.makeFolder(QStringLiteral("x"));
    run.client.removeFolder(QStringLiteral("x"));
    // in the parent of /a "b": /
    EXPECT_EQ(errorOf([&] { run.client.deleteFile(QStringLiteral("y")); }).message(),
              QStringLiteral("Cannot delete remote file /y (550 Permission denied)"));
    EXPECT_TRUE(run.client.connected());
    EXPECT_EQ(run.server.failure(), QString());
}

// --- transfers -------------------------------------------------------------------------

TEST(FTPClientScripted, StorePassiveIgnoresThePasvHost)
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("photo.jpg"));
    const QByteArray content = QByteArray(200000, 'z') + "end";
    writeFile(local, content);
    LoggedInRun run(QStringLiteral("store-passive"));
    run.client.setTransferType(FTPClient::TransferType::Binary);
    run.client.store(local);
    EXPECT_EQ(run.seen.begins, QList<qint64>{content.size()});
    EXPECT_EQ(run.seen.progress.last(), content.size());
    EXPECT_EQ(run.seen.ends, 1);
    const LumiError e = errorOf([&] { run.client.store(local, QStringLiteral("other name.jpg")); });
    EXPECT_EQ(e.code(), 553);
    EXPECT_EQ(e.message(),
              QStringLiteral("Cannot store remote file other name.jpg (553 Could not create "
                             "file.)"));
    EXPECT_EQ(run.server.failure(), QString());
    EXPECT_EQ(run.server.received(), QList<QByteArray>{content});
    EXPECT_TRUE(run.client.connected());
}

TEST(FTPClientScripted, ListFallsBackToEpsvWhenPasvIsRefused)
{
    LoggedInRun run(QStringLiteral("list-falls-back-to-epsv"));
    QStringList lines;
    QList<FtpListEntry> entries;
    run.client.listDetails(lines, &entries);
    EXPECT_EQ(lines.size(), 3);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].name, QStringLiteral("image1"));
    EXPECT_EQ(entries[0].kind, FtpEntryKind::Folder);
    EXPECT_EQ(entries[1].name, QStringLiteral("index file.htm"));
    EXPECT_EQ(entries[1].size, 1234);
    run.client.listNames(lines);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("image1"), QStringLiteral("index file.htm")}));
    EXPECT_EQ(run.server.failure(), QString());
}

TEST(FTPClientScripted, ActiveModeUsesPortThenEprtWhenPortIsRefused)
{
    LoggedInRun run(QStringLiteral("active-port-then-eprt"));
    EXPECT_EQ(downloadActively(run.client, QStringLiteral("notes.txt")),
              QStringLiteral("hello\nworld"));
    EXPECT_EQ(run.seen.begins, QList<qint64>{11});
    QStringList lines;
    QList<FtpListEntry> entries;
    run.client.listDetails(lines, &entries);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(entries.isEmpty());
    run.expectScripted(); // PORT 127,0,0,1,..., then PORT refused and EPRT |1|127.0.0.1|...
}

TEST(FTPClientScripted, AsciiTransfersConvertLineEnds)
{
    QTemporaryDir dir;
    const QString up = dir.filePath(QStringLiteral("up.txt"));
    writeFile(up, "one\ntwo\r\nthree\n");
    LoggedInRun run(QStringLiteral("ascii-transfers"));
    run.client.setTransferType(FTPClient::TransferType::Ascii);
    run.client.store(up);
    const QString down = dir.filePath(QStringLiteral("down.txt"));
    run.client.retrieve(QStringLiteral("down.txt"), down);
    EXPECT_EQ(run.server.received(), QList<QByteArray>{"one\r\ntwo\r\nthree\r\n"});
    EXPECT_EQ(readFile(down), QStringLiteral("a\nb\rc\n"));
    EXPECT_EQ(run.server.failure(), QString());
}

TEST(FTPClientScripted, DroppedTransferKeepsTheExistingLocalFile)
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("keep.jpg"));
    writeFile(local, "old content");
    LoggedInRun run(QStringLiteral("drop-mid-download"));
    EXPECT_THROW(run.client.retrieve(QStringLiteral("keep.jpg"), local), LumiError);
    EXPECT_EQ(readFile(local), QStringLiteral("old content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.jpg")});
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.seen.disconnects, 1);
    EXPECT_EQ(run.seen.ends, 0);
}

TEST(FTPClientScripted, OverlongListingLineAndUnreadableListing)
{
    LoggedInRun run(QStringLiteral("overlong-and-unreadable-listing"));
    QStringList lines;
    QList<FtpListEntry> entries;
    const LumiError e = errorOf([&] { run.client.listDetails(lines, &entries); });
    EXPECT_EQ(e.message(), QStringLiteral("Line from server is longer than 65536 bytes"));
    EXPECT_TRUE(run.client.connected()); // the control connection stays in step
    EXPECT_THROW(run.client.listDetails(lines, &entries), LumiError);
    EXPECT_EQ(lines, QStringList{QStringLiteral("this is no listing")}); // raw lines are kept
    EXPECT_EQ(run.server.failure(), QString());
}

TEST(FTPClientScripted, CloseWhileIdleIsNoticedBetweenOperations)
{
    LoggedInRun run(QStringLiteral("close-while-idle"));
    QElapsedTimer timer;
    timer.start();
    while (run.seen.disconnects == 0 && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(run.seen.disconnects, 1);
    EXPECT_FALSE(run.client.connected());
    const LumiError e = errorOf([&] { run.client.noop(); });
    EXPECT_EQ(e.message(), QStringLiteral("Not connected."));
}

TEST(FTPClientScripted, ActiveModeTurnsAwayDataConnectionsFromOtherHosts)
{
    LoggedInRun run(QStringLiteral("active-stranger-first"));
    EXPECT_EQ(downloadActively(run.client, QStringLiteral("a.txt")), QStringLiteral("good"));
    EXPECT_EQ(run.server.failure(), QString());
}

// --- scenarios from files ----------------------------------------------------------------
// tests/fixtures/ftp/scenarios/client/NAME.ftp: after the login, the server's steps, and the
// client's calls as facts in order:
//   call OP ARG|ARG    noop, currentFolder, changeFolder, deleteFile, rename, store
//                      (local|remote), checksum, listDetails; \r and \n in an argument stand
//                      for CR and LF
//   gives VALUE        the result of the call (a checksum in hex, lines joined by '|')
//   fails [MESSAGE]    the call ends with an error (with exactly MESSAGE when given)
//   code N             the code of that error
//   connected yes|no   ready yes|no (logged in, nothing outstanding)   disconnects N
// A call without `fails` must succeed. The server must run its script to its end and receive
// exactly the scenario's commands.

namespace {

QString runCall(FTPClient& client, const QString& call)
{
    QString text = call;
    text.replace(QLatin1String("\\r"), QLatin1String("\r"));
    text.replace(QLatin1String("\\n"), QLatin1String("\n"));
    const QString op = text.section(QLatin1Char(' '), 0, 0);
    const QStringList args = text.section(QLatin1Char(' '), 1).split(QLatin1Char('|'));
    if (op == QLatin1String("noop"))
        client.noop();
    else if (op == QLatin1String("changeFolder"))
        client.changeFolder(args.value(0));
    else if (op == QLatin1String("deleteFile"))
        client.deleteFile(args.value(0));
    else if (op == QLatin1String("rename"))
        client.rename(args.value(0), args.value(1));
    else if (op == QLatin1String("store"))
        client.store(args.value(0), args.value(1));
    else if (op == QLatin1String("currentFolder"))
        return client.currentFolder();
    else if (op == QLatin1String("listDetails")) {
        QStringList lines;
        client.listDetails(lines);
        return lines.join(QLatin1Char('|'));
    } else if (op == QLatin1String("checksum"))
        return QString::number(client.checksum(args.value(0)), 16).toUpper();
    else
        ADD_FAILURE() << "unknown call " << op.toStdString();
    return QString();
}

} // namespace

class ClientScenario : public ::testing::TestWithParam<QString>
{
};

TEST_P(ClientScenario, RunsAsScripted)
{
    ScriptedRun run({QStringLiteral("opening/login"), GetParam()});
    const FakeFtpScenario& scenario = run.scenario;
    run.client.connectToServer();
    QString call, result;
    std::optional<LumiError> error;
    bool errorExpected = false;
    const auto callEnds = [&] {
        if (error && !errorExpected)
            ADD_FAILURE() << call.toStdString() << ": " << error->message().toStdString();
    };
    for (const auto& [key, value] : scenario.facts) {
        SCOPED_TRACE((call + QLatin1String(" / ") + key).toStdString());
        if (key == QLatin1String("call")) {
            callEnds();
            call = value;
            result.clear();
            error.reset();
            errorExpected = false;
            try {
                result = runCall(run.client, value);
            } catch (const LumiError& e) {
                error = e;
            }
        } else if (key == QLatin1String("gives")) {
            EXPECT_FALSE(error.has_value());
            EXPECT_EQ(result, value);
        } else if (key == QLatin1String("fails")) {
            errorExpected = true;
            ASSERT_TRUE(error.has_value());
            if (!value.isEmpty()) {
                EXPECT_EQ(error->message(), value);
            }
        } else if (key == QLatin1String("code")) {
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(error->code(), value.toInt());
        } else if (key == QLatin1String("connected")) {
            EXPECT_EQ(run.client.connected(), value == QLatin1String("yes"));
        } else if (key == QLatin1String("ready")) {
            EXPECT_EQ(run.client.state() == FTPClient::State::Connected,
                      value == QLatin1String("yes"));
        } else if (key == QLatin1String("disconnects")) {
            EXPECT_EQ(run.seen.disconnects, value.toInt());
        } else {
            ADD_FAILURE() << "unknown fact " << key.toStdString();
        }
    }
    callEnds();
    run.expectScripted();
}

INSTANTIATE_TEST_SUITE_P(Files, ClientScenario,
                         ::testing::ValuesIn(FakeFtpScenario::names(QStringLiteral("client"))),
                         [](const auto& info) {
                             return info.param.section(u'/', 1).replace(u'-', u'_').toStdString();
                         });
