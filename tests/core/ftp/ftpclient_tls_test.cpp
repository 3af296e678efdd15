// FTP over TLS against real servers on 127.0.0.1 (pyftpdlib and proftpd, both requiring TLS
// on control and data connections and the resumed TLS session): transfers in both modes,
// the certificate question, trusted and changed certificates, a certificate authority and
// a wrong host name, a session dropped in the middle of a download.
#include "ftp/ftpclient.h"
#include "ftp/galleryupload.h"
#include "ftptestserver.h"
#include "util/error.h"
#include "util/paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

#include "testsupport.h"

namespace {

using Kind = FtpTestServer::Kind;
using Param = std::tuple<Kind, bool /*passive*/>;

QByteArray everyByte(int size)
{
    QByteArray content;
    for (int i = 0; i < size; ++i)
        content.append(char((i * 7) % 256));
    return content;
}

// A client for the server that records the questions it is asked and gives `answer`.
struct TlsClient
{
    FTPClient client;
    QList<FtpCertificateQuestion> questions;
    QStringList statuses;
    FtpCertificateAnswer answer = FtpCertificateAnswer::Refuse;

    explicit TlsClient(const FtpTestServer& server, bool passive = true,
                       FtpCertificateAnswer answerGiven = FtpCertificateAnswer::Refuse)
        : answer(answerGiven)
    {
        client.setHost(server.host());
        client.setPort(server.port());
        client.setUsername(server.user());
        client.setPassword(server.password());
        client.setPassive(passive);
        client.setReplyTimeout(10000);
        client.certificateQuestion = [this](const FtpCertificateQuestion& q) {
            questions.append(q);
            return answer;
        };
        QObject::connect(&client, &FTPClient::status, [this](const QString& t) { statuses << t; });
    }

    // The message of the error connectToServer() raises; empty when it connects.
    QString connectError()
    {
        try {
            client.connectToServer();
        } catch (const LumiError& e) {
            return e.message();
        }
        return {};
    }
};

// The settings store (trusted certificates) lives in a temporary folder.
class TlsTest : public ::testing::Test
{
protected:
    void SetUp() override { setDataFoldersForTest(m_data.path(), m_data.path()); }

    // Starts m_server, pyftpdlib requiring TLS, with `options` set first.
    ::testing::AssertionResult
    startTlsServer(const std::function<void(FtpTestServer&)>& options = {})
    {
        m_server.setTls(true);
        if (options)
            options(m_server);
        if (m_server.start())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << m_server.reason().toStdString();
    }

    QTemporaryDir m_data;
    QTemporaryDir m_local;
    FtpTestServer m_server{Kind::Pyftpdlib};
};

class TlsServers : public TlsTest, public ::testing::WithParamInterface<Param>
{
};

} // namespace

TEST_P(TlsServers, RequireAndIfAvailableTransferOverTls)
{
    FtpTestServer server(std::get<0>(GetParam()));
    server.setTls(true);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    TlsClient first(server, std::get<1>(GetParam()));
    first.client.setTlsMode(FtpTlsMode::Require);
    first.answer = FtpCertificateAnswer::TrustOnce;
    bool encryptedSignal = false;
    QObject::connect(&first.client, &FTPClient::encryptionChanged,
                     [&](bool on) { encryptedSignal = on; });

    ASSERT_EQ(first.connectError(), QString());
    EXPECT_TRUE(first.client.encrypted());
    EXPECT_TRUE(first.client.dataEncrypted());
    EXPECT_TRUE(encryptedSignal);
    EXPECT_TRUE(first.client.tlsDescription().startsWith(QStringLiteral("TLSv1.")))
        << first.client.tlsDescription().toStdString();
    EXPECT_TRUE(first.statuses.contains(QStringLiteral("TLS connection established: ") +
                                        first.client.tlsDescription()));
    // Self-signed: asked once, with the server's fingerprint.
    ASSERT_EQ(first.questions.size(), 1);
    EXPECT_EQ(first.questions[0].fingerprint, server.certificateFingerprint());
    EXPECT_EQ(first.questions[0].host, server.host());
    EXPECT_EQ(first.questions[0].port, server.port());
    EXPECT_FALSE(first.questions[0].problems.isEmpty());
    EXPECT_EQ(first.client.acceptedFingerprint(), server.certificateFingerprint());

    // Several data connections, each resuming the control connection's session.
    const QByteArray content = everyByte(700000);
    const QString local = m_local.filePath(QStringLiteral("my photo.jpg"));
    ASSERT_TRUE(writeBytes(local, content));
    first.client.setTransferType(FTPClient::TransferType::Binary);
    first.client.store(local);
    EXPECT_TRUE(readBytes(server.root() + QStringLiteral("/my photo.jpg")) == content);
    first.client.makeFolder(QStringLiteral("image1"));
    first.client.store(local, QStringLiteral("image1/tn.jpg"));
    EXPECT_EQ(readBytes(server.root() + QStringLiteral("/image1/tn.jpg")).size(), content.size());
    EXPECT_EQ(readBytes(server.root() + QStringLiteral("/my photo.jpg")).size(), content.size());
    QStringList lines;
    QList<FtpListEntry> entries;
    first.client.listDetails(lines, &entries);
    EXPECT_EQ(entries.size(), 2) << lines.join(QLatin1Char('\n')).toStdString();
    QStringList names;
    first.client.listNames(names);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("image1"), QStringLiteral("my photo.jpg")}));
    const QString back = m_local.filePath(QStringLiteral("back.jpg"));
    ASSERT_TRUE(writeBytes(back, "old"));
    first.client.retrieve(QStringLiteral("image1/tn.jpg"), back);
    EXPECT_EQ(readBytes(back).size(), content.size());
    EXPECT_TRUE(readBytes(back) == content);

    // A second connection of the same upload: same settings, never asks again; under
    // IfAvailable it uses TLS as well.
    TlsClient second(server, !std::get<1>(GetParam()));
    second.client.certificateQuestion = nullptr;
    second.client.copyConnectionSettings(first.client);
    EXPECT_EQ(second.client.tlsMode(), FtpTlsMode::Require);
    second.client.setTlsMode(FtpTlsMode::IfAvailable);
    ASSERT_EQ(second.connectError(), QString());
    EXPECT_TRUE(second.client.dataEncrypted());
    second.client.setTransferType(FTPClient::TransferType::Binary);
    second.client.retrieve(QStringLiteral("my photo.jpg"), back);
    EXPECT_EQ(readBytes(back).size(), content.size());
    EXPECT_TRUE(readBytes(back) == content);
    second.client.disconnectFromServer();

    first.client.disconnectFromServer();
    EXPECT_FALSE(first.client.encrypted());
    EXPECT_FALSE(encryptedSignal);
}

INSTANTIATE_TEST_SUITE_P(Servers, TlsServers,
                         ::testing::Combine(::testing::Values(Kind::Pyftpdlib, Kind::Proftpd,
                                                              Kind::PureFtpd),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<Param>& info) {
                             return FtpTestServer::kindName(std::get<0>(info.param)).toStdString() +
                                    (std::get<1>(info.param) ? "_passive" : "_active");
                         });

TEST_F(TlsTest, RefusedTrustedAndChangedCertificates)
{
    FtpTestServer server(Kind::Proftpd);
    server.setTls(true);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    const QString where = QStringLiteral("127.0.0.1:%1").arg(server.port());
    const QString fingerprint = server.certificateFingerprint();

    // Nobody to ask: refused, with host, port, problem and fingerprint.
    TlsClient refusing(server);
    refusing.client.certificateQuestion = nullptr;
    const QString refused = refusing.connectError();
    EXPECT_TRUE(refused.startsWith(QStringLiteral("The certificate of ") + where +
                                   QStringLiteral(" was refused: ")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("SHA-256 fingerprint: ") + fingerprint));
    EXPECT_TRUE(refused.contains(QStringLiteral("self-signed"), Qt::CaseInsensitive))
        << refused.toStdString();
    EXPECT_FALSE(refusing.client.connected());
    EXPECT_EQ(trustedFingerprint(server.host(), server.port()), QString());

    // TrustAlways: stored for host and port; the next client connects without a question.
    TlsClient trusting(server);
    trusting.answer = FtpCertificateAnswer::TrustAlways;
    ASSERT_EQ(trusting.connectError(), QString());
    EXPECT_EQ(trusting.questions.size(), 1);
    EXPECT_EQ(trustedFingerprint(server.host(), server.port()), fingerprint);
    trusting.client.disconnectFromServer();
    TlsClient later(server);
    ASSERT_EQ(later.connectError(), QString());
    EXPECT_TRUE(later.questions.isEmpty());
    later.client.noop();
    later.client.disconnectFromServer();

    // A new certificate on the same port: refused as changed, no question, nothing stored.
    ASSERT_TRUE(server.restartWithNewCertificate()) << server.reason().toStdString();
    const QString changedFingerprint = server.certificateFingerprint();
    ASSERT_NE(changedFingerprint, fingerprint);
    TlsClient changed(server);
    changed.answer = FtpCertificateAnswer::TrustAlways;
    const QString message = changed.connectError();
    EXPECT_EQ(message, QStringLiteral("The certificate of %1 has CHANGED since it was trusted. "
                                      "Trusted SHA-256 fingerprint: %2; the server now shows: "
                                      "%3. Someone may be listening in. The connection was "
                                      "closed; no user name or password was sent.")
                           .arg(where, fingerprint, changedFingerprint));
    EXPECT_TRUE(changed.questions.isEmpty());
    EXPECT_FALSE(changed.client.connected());
    EXPECT_EQ(trustedFingerprint(server.host(), server.port()), fingerprint);

    // A fingerprint accepted for this client (the user's own choice) still gets through.
    changed.client.setAcceptedFingerprint(changedFingerprint.toLower().remove(QLatin1Char(':')));
    EXPECT_EQ(changed.connectError(), QString());
    EXPECT_TRUE(changed.client.encrypted());
}

TEST_F(TlsTest, CertificateAuthorityAndWrongHostName)
{
    const QString dir = m_local.path() + QLatin1Char('/');
    QString error;
    ASSERT_TRUE(makeTestCertificate(dir + QStringLiteral("ca.pem"), dir + QStringLiteral("ca.key"),
                                    QStringLiteral("Lumivista Test CA"), &error, {}, {}, true))
        << error.toStdString();
    for (const QString& name : {QStringLiteral("127.0.0.1"), QStringLiteral("other.example")})
        ASSERT_TRUE(makeTestCertificate(
            dir + name + QStringLiteral(".pem"), dir + name + QStringLiteral(".key"), name, &error,
            dir + QStringLiteral("ca.pem"), dir + QStringLiteral("ca.key")))
            << error.toStdString();
    const QSslConfiguration before = QSslConfiguration::defaultConfiguration();
    QSslConfiguration withCa = before;
    withCa.addCaCertificates(dir + QStringLiteral("ca.pem"));
    QSslConfiguration::setDefaultConfiguration(withCa);

    // Issued for 127.0.0.1 by an authority the system trusts: accepted without a question.
    FtpTestServer server(Kind::Pyftpdlib);
    server.setCertificate(dir + QStringLiteral("127.0.0.1.pem"),
                          dir + QStringLiteral("127.0.0.1.key"));
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    TlsClient valid(server);
    const QString validError = valid.connectError();
    EXPECT_EQ(validError, QString());
    EXPECT_TRUE(valid.questions.isEmpty());
    if (validError.isEmpty()) {
        QStringList names;
        valid.client.listNames(names);
        valid.client.disconnectFromServer();
    }

    // The same authority, another host name: asked, and refused.
    server.stop();
    server.setCertificate(dir + QStringLiteral("other.example.pem"),
                          dir + QStringLiteral("other.example.key"));
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    TlsClient wrong(server);
    const QString message = wrong.connectError();
    QSslConfiguration::setDefaultConfiguration(before);
    ASSERT_EQ(wrong.questions.size(), 1);
    EXPECT_EQ(wrong.questions[0].problems.size(), 1);
    EXPECT_TRUE(wrong.questions[0].problems.join(QString()).contains(QStringLiteral("host name"),
                                                                     Qt::CaseInsensitive))
        << wrong.questions[0].problems.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral(" was refused: "))) << message.toStdString();
    EXPECT_FALSE(wrong.client.connected());
}

// A server that keeps listings and files unencrypted (PROT P refused): required TLS ends the
// login; "if available" goes on with the commands encrypted and says so.
TEST_F(TlsTest, ServerThatRefusesProtectedData)
{
    ASSERT_TRUE(startTlsServer([](FtpTestServer& s) { s.setClearData(true); }));
    TlsClient required(m_server, true, FtpCertificateAnswer::TrustOnce);
    required.client.setTlsMode(FtpTlsMode::Require);
    const QString message = required.connectError();
    EXPECT_TRUE(message.startsWith(QStringLiteral("The server refused to encrypt listings and "
                                                  "files (534 ")))
        << message.toStdString();
    EXPECT_FALSE(required.client.connected());

    TlsClient fallback(m_server, true, FtpCertificateAnswer::TrustOnce);
    ASSERT_EQ(fallback.connectError(), QString());
    EXPECT_TRUE(fallback.client.encrypted());
    EXPECT_FALSE(fallback.client.dataEncrypted());
    EXPECT_TRUE(fallback.statuses.join(u'\n').contains(QStringLiteral("they go unencrypted")));
    const QByteArray content = everyByte(300000);
    const QString sent = m_local.filePath(QStringLiteral("sent.jpg"));
    const QString back = m_local.filePath(QStringLiteral("back.jpg"));
    ASSERT_TRUE(writeBytes(sent, content));
    fallback.client.setTransferType(FTPClient::TransferType::Binary);
    fallback.client.store(sent, QStringLiteral("clear.jpg"));
    fallback.client.retrieve(QStringLiteral("clear.jpg"), back);
    EXPECT_EQ(readBytes(back), content);
    EXPECT_EQ(readBytes(m_server.root() + QStringLiteral("/clear.jpg")), content);
    fallback.client.disconnectFromServer();
}

TEST_F(TlsTest, SessionDroppedMidDownloadKeepsTheLocalFile)
{
    ASSERT_TRUE(startTlsServer([](FtpTestServer& s) { s.setDropAfter(200000); }));
    ASSERT_TRUE(writeBytes(m_server.root() + QStringLiteral("/big.jpg"), everyByte(3000000)));
    TlsClient client(m_server, true, FtpCertificateAnswer::TrustOnce);
    ASSERT_EQ(client.connectError(), QString());
    client.client.setTransferType(FTPClient::TransferType::Binary);

    const QString local = m_local.filePath(QStringLiteral("big.jpg"));
    ASSERT_TRUE(writeBytes(local, "the old picture"));
    QElapsedTimer timer;
    timer.start();
    try {
        client.client.retrieve(QStringLiteral("big.jpg"), local);
        FAIL() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Connection closed by server."));
    }
    EXPECT_LT(timer.elapsed(), 8000); // noticed at once, not after the reply time-out
    EXPECT_EQ(readBytes(local), QByteArray("the old picture"));
    EXPECT_EQ(folderEntries(m_local.path()), QStringList{QStringLiteral("big.jpg")});
    EXPECT_EQ(client.client.state(), FTPClient::State::Disconnected);
    EXPECT_FALSE(client.client.encrypted());

    // The client starts over cleanly, without a second question.
    ASSERT_EQ(client.connectError(), QString());
    EXPECT_EQ(client.questions.size(), 1);
    client.client.setTransferType(FTPClient::TransferType::Binary);
    EXPECT_EQ(client.client.size(QStringLiteral("big.jpg")), 3000000);
    client.client.disconnectFromServer();
}

// "If available" after this address has shown TLS (a TLS login, or a trusted certificate):
// a server that now refuses AUTH TLS gets no user name and no password.
TEST_F(TlsTest, NoSilentDowngradeWhereTlsWasSeen)
{
    ASSERT_TRUE(startTlsServer());
    TlsClient first(m_server, true, FtpCertificateAnswer::TrustOnce);
    ASSERT_EQ(first.connectError(), QString());
    first.client.disconnectFromServer();
    EXPECT_TRUE(tlsShownBefore(m_server.host(), m_server.port()));

    // The same address, now without TLS (it answers 500 to AUTH TLS).
    m_server.stop();
    m_server.setTls(false);
    ASSERT_TRUE(m_server.start()) << m_server.reason().toStdString();
    TlsClient second(m_server);
    const QString message = second.connectError();
    EXPECT_TRUE(message.startsWith(QStringLiteral("The server at 127.0.0.1:%1 refused FTP over "
                                                  "TLS (500 ")
                                       .arg(m_server.port())))
        << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("offered TLS before")));
    EXPECT_TRUE(message.contains(QStringLiteral("\"Only use plain FTP (insecure)\"")));
    EXPECT_FALSE(second.statuses.join(u'\n').contains(QStringLiteral("USER")));
    EXPECT_FALSE(second.client.connected());

    // A certificate trusted for another address is enough there too; an address that never
    // showed TLS goes on in plain FTP, and says so.
    const quint16 other = m_server.port() == 65535 ? 1 : m_server.port() + 1;
    rememberTrustedFingerprint(m_server.host(), other, QString(64, u'a'));
    EXPECT_TRUE(tlsShownBefore(m_server.host(), other));
    setDataFoldersForTest(m_local.path(), m_local.path());
    EXPECT_FALSE(tlsShownBefore(m_server.host(), m_server.port()));
    TlsClient fresh(m_server);
    ASSERT_EQ(fresh.connectError(), QString());
    EXPECT_FALSE(fresh.client.encrypted());
    EXPECT_TRUE(fresh.statuses.join(u'\n').contains(QStringLiteral("going on with plain FTP")));
    fresh.client.disconnectFromServer();
}

// A listing or download whose data connection ends without close_notify may be cut short:
// an error, although the server answers 226; the local file stays as it was.
TEST_F(TlsTest, DataConnectionEndingWithoutCloseNotifyIsATruncation)
{
    ASSERT_TRUE(startTlsServer([](FtpTestServer& s) { s.setNoCloseNotify(true); }));
    ASSERT_TRUE(writeBytes(m_server.root() + QStringLiteral("/big.jpg"), everyByte(300000)));
    TlsClient client(m_server, true, FtpCertificateAnswer::TrustOnce);
    ASSERT_EQ(client.connectError(), QString());
    client.client.setTransferType(FTPClient::TransferType::Binary);
    const QString truncated = QStringLiteral("The server closed the data connection without ending "
                                             "TLS (no close_notify): the data may be incomplete.");
    QStringList lines;
    try {
        client.client.listDetails(lines);
        ADD_FAILURE() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), truncated);
    }
    const QString local = m_local.filePath(QStringLiteral("big.jpg"));
    ASSERT_TRUE(writeBytes(local, "the old picture"));
    try {
        client.client.retrieve(QStringLiteral("big.jpg"), local);
        ADD_FAILURE() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), truncated);
    }
    EXPECT_EQ(readBytes(local), QByteArray("the old picture"));
    // Uploads end as before, and the session goes on.
    client.client.store(local, QStringLiteral("up.jpg"));
    EXPECT_EQ(readBytes(m_server.root() + QStringLiteral("/up.jpg")),
              QByteArray("the old picture"));
    client.client.disconnectFromServer();
}

// The same drop while a gallery upload sends a file: the files sent so far are stored and
// unchecked, the rest stay checked, and the upload ends with the lost-connection message.
TEST_F(TlsTest, SessionDroppedMidUploadEndsTheUploadAsALostConnection)
{
    ASSERT_TRUE(startTlsServer([](FtpTestServer& s) { s.setDropAfter(200000); }));
    ASSERT_TRUE(writeBytes(m_local.filePath(QStringLiteral("a.jpg")), everyByte(5000)));
    ASSERT_TRUE(writeBytes(m_local.filePath(QStringLiteral("b.jpg")), everyByte(3000000)));
    TlsClient client(m_server, true, FtpCertificateAnswer::TrustOnce);
    ASSERT_EQ(client.connectError(), QString());

    UploadEntryList entries({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
    GalleryUpload upload(client.client, entries);
    upload.readBaseFolder();
    EXPECT_EQ(upload.run(m_local.path()), GalleryUpload::Outcome::Failed);
    EXPECT_TRUE(upload.errorMessage().endsWith(
        QStringLiteral("The connection to the server was lost. 1 of 2 files were sent; the "
                       "others are still checked.")))
        << upload.errorMessage().toStdString();
    EXPECT_FALSE(entries.isChecked(0));
    EXPECT_TRUE(entries.isChecked(1));
    EXPECT_EQ(readBytes(m_server.root() + QStringLiteral("/a.jpg")), everyByte(5000));
    EXPECT_FALSE(client.client.connected());
}

// A server that learns of a transfer command only after the data connection's first bytes
// arrived (a slow control path): pyftpdlib drops a data connection that speaks before its
// command. Every transfer still works, in both modes, without waiting for a time-out.
TEST_F(TlsTest, DataHandshakeWaitsForTheServersAnswerToTheCommand)
{
    ASSERT_TRUE(startTlsServer([](FtpTestServer& s) { s.setLateTransfers(300); }));
    const QString local = m_local.filePath(QStringLiteral("up.jpg"));
    const QString back = m_local.filePath(QStringLiteral("back.jpg"));
    ASSERT_TRUE(writeBytes(local, everyByte(100000)));
    for (const bool passive : {true, false}) {
        TlsClient client(m_server, passive, FtpCertificateAnswer::TrustOnce);
        client.client.setReplyTimeout(5000);
        ASSERT_EQ(client.connectError(), QString());
        client.client.setTransferType(FTPClient::TransferType::Binary);
        QElapsedTimer timer;
        timer.start();
        try {
            client.client.store(local, QStringLiteral("p%1.jpg").arg(passive));
            QStringList names;
            client.client.listNames(names);
            EXPECT_TRUE(names.contains(QStringLiteral("p%1.jpg").arg(passive)));
            client.client.retrieve(QStringLiteral("p%1.jpg").arg(passive), back);
        } catch (const LumiError& e) {
            ADD_FAILURE() << (passive ? "passive: " : "active: ") << e.message().toStdString();
        }
        EXPECT_LT(timer.elapsed(), 5000);
        EXPECT_TRUE(readBytes(back) == everyByte(100000));
        client.client.disconnectFromServer();
    }
}

// A data connection the server closed before the transfer: the server answers 150 and waits
// for another. The upload fails at once with the data connection's error, not after the
// reply time-out, and the control connection stays in step for the next command.
TEST_F(TlsTest, FailedDataConnectionEndsTheTransferWithoutWaiting)
{
    ASSERT_TRUE(startTlsServer([](FtpTestServer& s) { s.setDropNewData(true); }));
    const QString local = m_local.filePath(QStringLiteral("up.jpg"));
    ASSERT_TRUE(writeBytes(local, everyByte(1000)));
    TlsClient client(m_server, true, FtpCertificateAnswer::TrustOnce);
    client.client.setReplyTimeout(5000);
    ASSERT_EQ(client.connectError(), QString());
    QElapsedTimer timer;
    timer.start();
    try {
        client.client.store(local, QStringLiteral("up.jpg"));
        ADD_FAILURE() << "no error";
    } catch (const LumiError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("TLS handshake on the data connection failed: the "
                                              "server closed the connection"));
    }
    EXPECT_LT(timer.elapsed(), 2500);
    ASSERT_TRUE(client.client.connected());
    EXPECT_EQ(client.client.currentFolder(), QStringLiteral("/"));
    client.client.disconnectFromServer();
}

// The trust decision beside the trust store, without a connection: what the client does with
// a chain it was shown, and what it keeps for host and port.
TEST_F(TlsTest, CertificateDecisionKeepsTrustPerHostAndPort)
{
    const QString dir = m_local.path() + u'/';
    for (const QString& name : {s(u"one"), s(u"two")})
        ASSERT_TRUE(makeTestCertificate(dir + name + s(u".pem"), dir + name + s(u".key"),
                                        s(u"shop.example")));
    const QList<QSslCertificate> one = QSslCertificate::fromPath(dir + s(u"one.pem"));
    const QList<QSslCertificate> two = QSslCertificate::fromPath(dir + s(u"two.pem"));
    ASSERT_EQ(one.size(), 1);
    const QString fingerprint = testCertificateFingerprint(dir + s(u"one.pem"));
    int asked = 0;
    FtpCertificateAnswer answer = FtpCertificateAnswer::Refuse;
    const auto question = [&](const FtpCertificateQuestion& q) {
        ++asked;
        EXPECT_EQ(q.fingerprint, fingerprint);
        return answer;
    };
    const auto decide = [&](const QList<QSslCertificate>& chain, const QString& accepted) {
        return decideCertificate(s(u"Shop.example"), 990, chain, accepted, question);
    };

    EXPECT_EQ(decide({}, {}).refusal, s(u"The server at Shop.example:990 sent no certificate. "
                                        "No user name or password was sent."));
    const FtpCertificateDecision refused = decide(one, {});
    EXPECT_TRUE(refused.refusal.startsWith(s(u"The certificate of Shop.example:990 was refused: ")))
        << refused.refusal.toStdString();
    EXPECT_TRUE(refused.refusal.endsWith(s(u". SHA-256 fingerprint: ") + fingerprint +
                                         s(u". No user name or password was sent.")));
    EXPECT_EQ(decide(one, fingerprint).refusal, QString()); // accepted before: not asked
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(tlsShownBefore(s(u"shop.example"), 990));

    answer = FtpCertificateAnswer::TrustAlways;
    const FtpCertificateDecision trusted = decide(one, {});
    EXPECT_EQ(trusted.refusal, QString());
    EXPECT_EQ(trusted.fingerprint, fingerprint);
    EXPECT_EQ(trusted.note, s(u"The certificate of Shop.example:990 is trusted from now on "
                              "(SHA-256 fingerprint ") +
                                fingerprint + s(u")."));
    EXPECT_EQ(trustedFingerprint(s(u"SHOP.example"), 990), fingerprint);
    EXPECT_TRUE(tlsShownBefore(s(u"shop.example"), 990));
    EXPECT_EQ(decide(one, {}).note, QString()); // trusted now: no question, no note
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(decide(two, {}).refusal.contains(s(u"has CHANGED since it was trusted")));
    EXPECT_EQ(asked, 2);
}
