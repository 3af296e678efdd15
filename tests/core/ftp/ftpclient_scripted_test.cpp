// FTPClient against a scripted server: the exact command transcript, multi-line replies,
// 421, time-outs, the ignored PASV host, garbage, and transfers in both modes.
#include "fakeftpserver.h"
#include "ftp/ftpclient.h"
#include "util/error.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Records what the client notifies.
struct Notifications
{
    QStringList statuses;
    QList<qint64> begins;
    QList<qint64> progress;
    int ends = 0;
    int disconnects = 0;
    int logins = 0;

    explicit Notifications(FTPClient& client)
    {
        QObject::connect(&client, &FTPClient::status, [this](const QString& t) { statuses << t; });
        QObject::connect(&client, &FTPClient::workBegin, [this](qint64 n) { begins << n; });
        QObject::connect(&client, &FTPClient::work, [this](qint64 n) { progress << n; });
        QObject::connect(&client, &FTPClient::workEnd, [this] { ++ends; });
        QObject::connect(&client, &FTPClient::disconnected, [this] { ++disconnects; });
        QObject::connect(&client, &FTPClient::afterLogin, [this] { ++logins; });
    }
};

void configure(FTPClient& client, quint16 port, int timeout = 5000)
{
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(port);
    client.setUsername(QStringLiteral("joe"));
    client.setPassword(QStringLiteral("secret"));
    client.setReplyTimeout(timeout);
}

// One scripted run: the server, a client configured for it, what the client notifies.
struct ScriptedRun
{
    FakeFtpServer server;
    FTPClient client;
    Notifications seen{client};

    explicit ScriptedRun(FakeFtpServer::Script script, int timeout = 5000)
        : server(std::move(script))
    {
        configure(client, server.port(), timeout);
    }
};

// A run whose server logs the client in before `afterLogin`; the client is connected.
struct LoggedInRun : ScriptedRun
{
    explicit LoggedInRun(FakeFtpServer::Script afterLogin, int timeout = 5000)
        : ScriptedRun(
              [afterLogin = std::move(afterLogin)](FakeFtpSession& s) {
                  fakeLogin(s);
                  afterLogin(s);
              },
              timeout)
    {
        client.connectToServer();
    }
};

QByteArray pasvReply(quint16 port, const QByteArray& host = "10,99,99,99")
{
    return "227 Entering Passive Mode (" + host + "," + QByteArray::number(port / 256) + "," +
           QByteArray::number(port % 256) + ")";
}

QString readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QStringLiteral("<none>");
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
    ScriptedRun run([](FakeFtpSession& s) {
        // A greeting split across packets, with inner lines that look like codes.
        s.send("220-Welcome\r\n220-sec");
        s.pause(50);
        s.send("ond line\r\n 220 not the end\r\n230 other code\r\n220 ready\r\n");
        s.expect(QStringLiteral("USER joe"));
        s.reply("331 Password please");
        s.expect(QStringLiteral("PASS secret"));
        s.send("230-Hello\r\n230-\r\n230 Logged in\r\n");
        s.expect(QStringLiteral("SYST"));
        s.reply("215 UNIX Type: L8");
        s.expect(QStringLiteral("QUIT"));
        s.reply("221 Bye");
    });
    run.client.setTlsMode(FtpTlsMode::Plain); // plain FTP: USER is the first command
    run.client.connectToServer();
    EXPECT_TRUE(run.client.connected());
    EXPECT_EQ(run.client.systemDescription(), QStringLiteral("UNIX Type: L8"));
    EXPECT_EQ(run.seen.logins, 1);
    run.client.disconnectFromServer();
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.seen.disconnects, 1);

    EXPECT_EQ(run.server.transcript(),
              (QStringList{QStringLiteral("USER joe"), QStringLiteral("PASS secret"),
                           QStringLiteral("SYST"), QStringLiteral("QUIT")}));
    EXPECT_EQ(run.server.failure(), QString());
    EXPECT_TRUE(run.seen.statuses.contains(QStringLiteral("PASS ****")));
    for (const QString& s : run.seen.statuses)
        EXPECT_FALSE(s.contains(QStringLiteral("secret"))) << s.toStdString();
}

TEST(FTPClientScripted, UserAcceptedWithoutPasswordAndSystRefused)
{
    ScriptedRun run([](FakeFtpSession& s) {
        s.reply("120 Ready in 1 minute");
        s.reply("220 Ready");
        s.expect(QStringLiteral("USER joe"));
        s.reply("230 No password needed");
        s.expect(QStringLiteral("SYST"));
        s.reply("502 Not implemented");
    });
    run.client.setTlsMode(FtpTlsMode::Plain);
    run.client.connectToServer();
    EXPECT_TRUE(run.client.connected());
    EXPECT_EQ(run.client.systemDescription(), QString());
    EXPECT_EQ(run.server.transcript(),
              (QStringList{QStringLiteral("USER joe"), QStringLiteral("SYST")}));
}

TEST(FTPClientScripted, RefusedLoginIsAnErrorWithTheServerText)
{
    ScriptedRun run([](FakeFtpSession& s) {
        s.reply("220 Ready");
        s.expect(QStringLiteral("USER joe"));
        s.reply("331 Password please");
        s.expect(QStringLiteral("PASS secret"));
        s.reply("530 Login incorrect.");
    });
    run.client.setTlsMode(FtpTlsMode::Plain);
    try {
        run.client.connectToServer();
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("530 Login incorrect."));
        EXPECT_EQ(e.code(), 530);
    }
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.client.state(), FTPClient::State::Disconnected);
    EXPECT_EQ(run.seen.logins, 0);
    run.server.transcript();
}

TEST(FTPClientScripted, ConnectionRefusedIsAnError)
{
    quint16 port = 0;
    {
        ScriptedRun run([](FakeFtpSession& s) { s.reply("220 x"); });
        port = run.server.port();
        run.client.setUsername(QString());
        try {
            run.client.connectToServer();
        } catch (const LumiError&) {
        }
    } // the server is gone now, its port closed
    FTPClient client;
    configure(client, port);
    EXPECT_THROW(client.connectToServer(), LumiError);
    EXPECT_FALSE(client.connected());
}

// --- FTP over TLS refused or broken before the login --------------------------------------

TEST(FTPClientScripted, TlsRefusedOrBrokenSendsNoUserOrPassword)
{
    struct Case
    {
        FtpTlsMode mode;
        QByteArray answer; // to AUTH TLS, sent as is
        QString error;     // exact, or the start when it ends with "..."
    };
    const QString nothingSent = QStringLiteral(" No user name or password was sent.");
    const QList<Case> cases = {
        {FtpTlsMode::Require, "500 AUTH not understood\r\n",
         QStringLiteral("The server refused FTP over TLS (500 AUTH not understood).") +
             nothingSent},
        {FtpTlsMode::IfAvailable, "331 Say what\r\n",
         QStringLiteral("Unexpected reply to AUTH TLS (331 Say what).") + nothingSent},
        {FtpTlsMode::Require, "234 Go ahead\r\n230 Logged in\r\n",
         QStringLiteral("The server sent unexpected data after accepting AUTH TLS.") + nothingSent},
        {FtpTlsMode::IfAvailable, "234 Go ahead\r\n",
         QStringLiteral("TLS handshake with 127.0.0.1:%1 failed: ...")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.toStdString());
        ScriptedRun run([&c](FakeFtpSession& s) {
            s.reply("220 Ready");
            s.expect(QStringLiteral("AUTH TLS"));
            s.send(c.answer);
            s.pause(100);
            s.send("220 This is not TLS\r\n");
            try {
                s.readCommand(); // until the client hangs up; a USER would be recorded
            } catch (const std::runtime_error&) {
            }
        });
        run.client.setTlsMode(c.mode);
        QString message;
        try {
            run.client.connectToServer();
        } catch (const LumiError& e) {
            message = e.message();
        }
        const QString expected = c.error.arg(run.server.port());
        if (expected.endsWith(QLatin1String("...")))
            EXPECT_TRUE(message.startsWith(expected.chopped(3)) && message.endsWith(nothingSent))
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
    LoggedInRun run([](FakeFtpSession& s) {
        s.expect(QStringLiteral("PASV"));
        s.reply("500 PASV not here");
        s.expect(QStringLiteral("EPSV"));
        s.reply("500 not here either");
    });
    EXPECT_TRUE(run.client.connected());
    EXPECT_FALSE(run.client.encrypted());
    EXPECT_FALSE(run.client.dataEncrypted());
    EXPECT_EQ(run.client.tlsDescription(), QString());
    EXPECT_TRUE(run.seen.statuses.contains(
        QStringLiteral("The server does not offer FTP over TLS (500 AUTH not understood); going "
                       "on with plain FTP, unencrypted.")));
    QStringList names;
    EXPECT_THROW(run.client.listNames(names), LumiError); // no PBSZ or PROT before PASV
    EXPECT_EQ(run.server.transcript(),
              (QStringList{QStringLiteral("AUTH TLS"), QStringLiteral("USER joe"),
                           QStringLiteral("PASS secret"), QStringLiteral("SYST"),
                           QStringLiteral("PASV"), QStringLiteral("EPSV")}));
    EXPECT_EQ(run.server.failure(), QString());
}

// --- 421, time-out, garbage ------------------------------------------------------------

TEST(FTPClientScripted, Reply421ClosesTheConnectionInEveryState)
{
    // at the greeting
    {
        ScriptedRun run([](FakeFtpSession& s) {
            s.reply("421 Too many users");
            s.closeControl();
        });
        try {
            run.client.connectToServer();
            FAIL() << "no error";
        } catch (const LumiError& e) {
            EXPECT_EQ(e.code(), 421);
            EXPECT_EQ(e.message(), QStringLiteral("421 Too many users"));
        }
        EXPECT_FALSE(run.client.connected());
    }
    // in the middle of a transfer
    {
        QTemporaryDir dir;
        LoggedInRun run([](FakeFtpSession& s) {
            s.expect(QStringLiteral("PASV"));
            s.reply(pasvReply(s.listenData()));
            s.acceptData();
            s.expect(QStringLiteral("RETR a.txt"));
            s.reply("150 Opening");
            s.sendData("part");
            s.reply("421 Shutting down");
            s.closeControl();
        });
        const QString local = dir.filePath(QStringLiteral("a.txt"));
        try {
            run.client.retrieve(QStringLiteral("a.txt"), local);
            FAIL() << "no error";
        } catch (const LumiError& e) {
            EXPECT_EQ(e.code(), 421);
        }
        EXPECT_FALSE(run.client.connected());
        EXPECT_EQ(run.seen.disconnects, 1);
        EXPECT_FALSE(QFile::exists(local));
    }
}

TEST(FTPClientScripted, SilentServerTimesOutWithoutHanging)
{
    LoggedInRun run(
        [](FakeFtpSession& s) {
            s.expect(QStringLiteral("PWD"));
            s.pause(1500); // never answers in time
        },
        300);
    QElapsedTimer timer;
    timer.start();
    try {
        run.client.currentFolder();
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("No reply from server (time-out 300 ms)"));
    }
    EXPECT_LT(timer.elapsed(), 1200);
    EXPECT_GE(timer.elapsed(), 290);
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.seen.disconnects, 1);
}

TEST(FTPClientScripted, GarbageRepliesAreClearErrors)
{
    {
        ScriptedRun run([](FakeFtpSession& s) { s.reply("HELLO THERE"); });
        try {
            run.client.connectToServer();
            FAIL() << "no error";
        } catch (const LumiError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Invalid reply from server: HELLO THERE"));
        }
        EXPECT_FALSE(run.client.connected());
    }
    {
        // A 100 kB reply line ends with an error, not with a 100 kB buffer (or more).
        LoggedInRun run([](FakeFtpSession& s) {
            s.expect(QStringLiteral("PWD"));
            s.send("257 \"" + QByteArray(100 * 1024, 'x'));
            s.send("\"\r\n");
        });
        try {
            run.client.currentFolder();
            FAIL() << "no error";
        } catch (const LumiError& e) {
            EXPECT_EQ(e.message(), QStringLiteral("Line from server is longer than 65536 bytes"));
        }
        EXPECT_FALSE(run.client.connected());
    }
}

// --- commands without data -------------------------------------------------------------

TEST(FTPClientScripted, PwdSizeMdtmRenameAndRefusals)
{
    LoggedInRun run([](FakeFtpSession& s) {
        s.expect(QStringLiteral("PWD"));
        s.reply("257 \"/a \"\"b\"\"\" is the current directory");
        s.expect(QStringLiteral("PWD"));
        s.reply("257 \"/a\tb\"");
        s.expect(QStringLiteral("CWD /missing"));
        s.reply("550 No such directory.");
        s.expect(QStringLiteral("SIZE big.bin"));
        s.reply("213 5000000000");
        s.expect(QStringLiteral("SIZE folder"));
        s.reply("550 Not a regular file");
        s.expect(QStringLiteral("MDTM a.jpg"));
        s.reply("213 20240115103000");
        s.expect(QStringLiteral("MDTM b.jpg"));
        s.reply("213 20240115103000.123");
        s.expect(QStringLiteral("MDTM none"));
        s.reply("550 No such file");
        s.expect(QStringLiteral("RNFR old"));
        s.reply("350 Ready for RNTO");
        s.expect(QStringLiteral("RNTO new name"));
        s.reply("250 Renamed");
        s.expect(QStringLiteral("RNFR missing"));
        s.reply("550 No such file");
        s.expect(QStringLiteral("CDUP"));
        s.reply("200 ok");
        s.expect(QStringLiteral("TYPE A"));
        s.reply("200 Type set to A");
        s.expect(QStringLiteral("MKD x"));
        s.reply("257 \"/x\" created");
        s.expect(QStringLiteral("RMD x"));
        s.reply("250 removed");
        s.expect(QStringLiteral("DELE y"));
        s.reply("550 Permission denied");
    });
    EXPECT_EQ(run.client.currentFolder(), QStringLiteral("/a \"b\""));
    EXPECT_THROW(run.client.currentFolder(), LumiError); // control character in the name
    try {
        run.client.changeFolder(QStringLiteral("/missing"));
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Remote folder /missing does not exist (550 No such directory.)"));
        EXPECT_EQ(e.code(), 550);
    }
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
    try {
        run.client.deleteFile(QStringLiteral("y")); // in the parent of /a "b": /
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Cannot delete remote file /y (550 Permission denied)"));
    }
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
    QByteArray received;
    LoggedInRun run([&received](FakeFtpSession& s) {
        s.expect(QStringLiteral("TYPE I"));
        s.reply("200 Type set to I");
        s.expect(QStringLiteral("PASV"));
        // Names a host that is not the server; the client must connect to 127.0.0.1.
        s.reply(pasvReply(s.listenData(), "10,99,99,99"));
        s.acceptData();
        s.expect(QStringLiteral("STOR photo.jpg"));
        s.reply("150 Ok to send data.");
        received = s.receiveAllData();
        s.reply("226 Transfer complete.");
        s.expect(QStringLiteral("PASV"));
        s.reply(pasvReply(s.listenData()));
        s.acceptData();
        s.expect(QStringLiteral("STOR other name.jpg"));
        s.reply("553 Could not create file.");
    });
    run.client.setTransferType(FTPClient::TransferType::Binary);
    run.client.store(local);
    EXPECT_EQ(run.seen.begins, QList<qint64>{content.size()});
    EXPECT_EQ(run.seen.progress.last(), content.size());
    EXPECT_EQ(run.seen.ends, 1);
    try {
        run.client.store(local, QStringLiteral("other name.jpg"));
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.code(), 553);
        EXPECT_EQ(e.message(),
                  QStringLiteral("Cannot store remote file other name.jpg (553 Could not create "
                                 "file.)"));
    }
    EXPECT_EQ(run.server.failure(), QString());
    EXPECT_EQ(received, content);
    EXPECT_TRUE(run.client.connected());
}

TEST(FTPClientScripted, ListFallsBackToEpsvWhenPasvIsRefused)
{
    const QByteArray listing = "total 8\r\n"
                               "drwxr-xr-x   2 joe users  4096 Jan 15  2024 image1\r\n"
                               "-rw-r--r--   1 joe users  1234 Jan 15  2024 index file.htm\r\n";
    LoggedInRun run([&listing](FakeFtpSession& s) {
        s.expect(QStringLiteral("PASV"));
        s.reply("500 PASV not understood");
        s.expect(QStringLiteral("EPSV"));
        s.reply("229 Entering Extended Passive Mode (|||" + QByteArray::number(s.listenData()) +
                "|)");
        s.acceptData();
        s.expect(QStringLiteral("LIST"));
        s.reply("150 Here comes the listing");
        s.sendData(listing);
        s.closeData();
        s.reply("226 Directory send OK.");
        // The second listing goes to EPSV at once.
        s.expect(QStringLiteral("EPSV"));
        s.reply("229 Entering Extended Passive Mode (|||" + QByteArray::number(s.listenData()) +
                "|)");
        s.acceptData();
        s.expect(QStringLiteral("NLST"));
        s.reply("150 Here comes the listing");
        s.sendData("image1\r\nindex file.htm"); // last line without line end
        s.closeData();
        s.reply("226 Directory send OK.");
    });
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
    QTemporaryDir dir;
    QString portArgument;
    LoggedInRun run([&portArgument](FakeFtpSession& s) {
        portArgument = s.readCommand();
        s.reply("200 PORT command successful");
        s.expect(QStringLiteral("RETR notes.txt"));
        s.reply("150 Opening BINARY mode data connection for notes.txt (11 bytes)");
        s.connectData(portArgument.mid(5));
        s.sendData("hello\nworld");
        s.closeData();
        s.reply("226 Transfer complete");
        // Second transfer: PORT refused, EPRT accepted.
        s.readCommand();
        s.reply("500 PORT not allowed");
        const QString eprt = s.readCommand();
        s.reply("200 EPRT command successful");
        s.expect(QStringLiteral("LIST"));
        s.reply("150 Listing");
        s.connectData(eprt.mid(5));
        s.closeData();
        s.reply("226 Done");
    });
    run.client.setPassive(false);
    const QString local = dir.filePath(QStringLiteral("notes.txt"));
    run.client.retrieve(QStringLiteral("notes.txt"), local);
    EXPECT_EQ(readFile(local), QStringLiteral("hello\nworld"));
    EXPECT_EQ(run.seen.begins, QList<qint64>{11});
    QStringList lines;
    QList<FtpListEntry> entries;
    run.client.listDetails(lines, &entries);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(entries.isEmpty());
    const QStringList transcript = run.server.transcript();
    EXPECT_TRUE(portArgument.startsWith(QStringLiteral("PORT 127,0,0,1,")))
        << portArgument.toStdString();
    EXPECT_TRUE(transcript[6].startsWith(QStringLiteral("PORT ")));
    EXPECT_TRUE(transcript[7].startsWith(QStringLiteral("EPRT |1|127.0.0.1|")));
    EXPECT_EQ(run.server.failure(), QString());
}

TEST(FTPClientScripted, AsciiTransfersConvertLineEnds)
{
    QTemporaryDir dir;
    const QString up = dir.filePath(QStringLiteral("up.txt"));
    writeFile(up, "one\ntwo\r\nthree\n");
    QByteArray received;
    LoggedInRun run([&received](FakeFtpSession& s) {
        s.expect(QStringLiteral("TYPE A"));
        s.reply("200 ok");
        s.expect(QStringLiteral("PASV"));
        s.reply(pasvReply(s.listenData()));
        s.acceptData();
        s.expect(QStringLiteral("STOR up.txt"));
        s.reply("150 go");
        received = s.receiveAllData();
        s.reply("226 ok");
        s.expect(QStringLiteral("PASV"));
        s.reply(pasvReply(s.listenData()));
        s.acceptData();
        s.expect(QStringLiteral("RETR down.txt"));
        s.reply("150 go");
        s.sendData("a\r");
        s.pause(30);
        s.sendData("\nb\rc\r\n");
        s.closeData();
        s.reply("226 ok");
    });
    run.client.setTransferType(FTPClient::TransferType::Ascii);
    run.client.store(up);
    const QString down = dir.filePath(QStringLiteral("down.txt"));
    run.client.retrieve(QStringLiteral("down.txt"), down);
    EXPECT_EQ(received, QByteArray("one\r\ntwo\r\nthree\r\n"));
    EXPECT_EQ(readFile(down), QStringLiteral("a\nb\rc\n"));
    EXPECT_EQ(run.server.failure(), QString());
}

TEST(FTPClientScripted, DroppedTransferKeepsTheExistingLocalFile)
{
    QTemporaryDir dir;
    const QString local = dir.filePath(QStringLiteral("keep.jpg"));
    writeFile(local, "old content");
    LoggedInRun run([](FakeFtpSession& s) {
        s.expect(QStringLiteral("PASV"));
        s.reply(pasvReply(s.listenData()));
        s.acceptData();
        s.expect(QStringLiteral("RETR keep.jpg"));
        s.reply("150 go");
        s.sendData("half of the n");
        s.closeControl(); // control and data go away mid-transfer
    });
    EXPECT_THROW(run.client.retrieve(QStringLiteral("keep.jpg"), local), LumiError);
    EXPECT_EQ(readFile(local), QStringLiteral("old content"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.jpg")});
    EXPECT_FALSE(run.client.connected());
    EXPECT_EQ(run.seen.disconnects, 1);
    EXPECT_EQ(run.seen.ends, 0);
}

TEST(FTPClientScripted, OverlongListingLineAndUnreadableListing)
{
    LoggedInRun run([](FakeFtpSession& s) {
        s.expect(QStringLiteral("PASV"));
        s.reply(pasvReply(s.listenData()));
        s.acceptData();
        s.expect(QStringLiteral("LIST"));
        s.reply("150 go");
        try {
            s.sendData(QByteArray(70 * 1024, 'y'));
        } catch (const std::exception&) {
            // the client may close the data connection before all is sent
        }
        s.closeData();
        s.reply("226 ok");
        s.expect(QStringLiteral("PASV"));
        s.reply(pasvReply(s.listenData()));
        s.acceptData();
        s.expect(QStringLiteral("LIST"));
        s.reply("150 go");
        s.sendData("this is no listing\r\n");
        s.closeData();
        s.reply("226 ok");
    });
    QStringList lines;
    QList<FtpListEntry> entries;
    try {
        run.client.listDetails(lines, &entries);
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Line from server is longer than 65536 bytes"));
    }
    EXPECT_TRUE(run.client.connected()); // the control connection stays in step
    EXPECT_THROW(run.client.listDetails(lines, &entries), LumiError);
    EXPECT_EQ(lines, QStringList{QStringLiteral("this is no listing")}); // raw lines are kept
    EXPECT_EQ(run.server.failure(), QString());
}

TEST(FTPClientScripted, CloseWhileIdleIsNoticedBetweenOperations)
{
    LoggedInRun run([](FakeFtpSession& s) {
        s.pause(100);
        s.closeControl();
    });
    QElapsedTimer timer;
    timer.start();
    while (run.seen.disconnects == 0 && timer.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(run.seen.disconnects, 1);
    EXPECT_FALSE(run.client.connected());
    try {
        run.client.noop();
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Not connected."));
    }
}

TEST(FTPClientScripted, ActiveModeTurnsAwayDataConnectionsFromOtherHosts)
{
    QTemporaryDir dir;
    LoggedInRun run([](FakeFtpSession& s) {
        const QString port = s.readCommand();
        s.reply("200 PORT command successful");
        s.expect(QStringLiteral("RETR a.txt"));
        s.reply("150 Opening data connection");
        // A stranger (127.0.0.2) gets in first with other content; the client must drop it.
        s.connectData(port.mid(5), QStringLiteral("127.0.0.2"));
        try {
            s.sendData("evil");
        } catch (const std::exception&) {
        }
        s.closeData();
        s.connectData(port.mid(5));
        s.sendData("good");
        s.closeData();
        s.reply("226 Transfer complete");
    });
    run.client.setPassive(false);
    const QString local = dir.filePath(QStringLiteral("a.txt"));
    run.client.retrieve(QStringLiteral("a.txt"), local);
    EXPECT_EQ(readFile(local), QStringLiteral("good"));
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
    const FakeFtpScenario scenario =
        FakeFtpScenario::load({QStringLiteral("opening/login"), GetParam()});
    ScriptedRun run(scenario.script());
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
    EXPECT_EQ(run.server.transcript(), scenario.commands());
    EXPECT_EQ(run.server.failure(), QString());
}

INSTANTIATE_TEST_SUITE_P(Files, ClientScenario,
                         ::testing::ValuesIn(FakeFtpScenario::names(QStringLiteral("client"))),
                         [](const auto& info) {
                             return info.param.section(u'/', 1).replace(u'-', u'_').toStdString();
                         });
