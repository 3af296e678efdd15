// FTPClient: the control connection, login, replies and the commands without data.
// Data connections and transfers are in ftptransfer.cpp.
#include "ftp/ftpclient.h"

#include "ftp/ftpclient_p.h"
#include "ftp/ftpdatatls.h"
#include "util/error.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QSslCipher>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>

#include <optional>

Q_LOGGING_CATEGORY(lcFtp, "lumivista.ftp", QtInfoMsg)

void checkFtpArgument(const QString& argument)
{
    for (const QChar c : argument) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0))
            throw LumiError(QStringLiteral("Name not allowed in an FTP command: it contains a "
                                           "line break or NUL character"));
    }
}

FTPClient::FTPClient(QObject* parent) : RemoteClient(parent)
{
}

FTPClient::~FTPClient()
{
    closeData();
    if (m_control) {
        QObject::disconnect(m_control.get(), nullptr, this, nullptr);
        m_control->abort();
    }
}

void FTPClient::copyConnectionSettings(const FTPClient& other)
{
    copyBaseSettings(other);
    m_passive = other.m_passive;
    m_tlsMode = other.m_tlsMode;
    m_acceptedFingerprint = other.m_acceptedFingerprint;
}

void FTPClient::setAcceptedFingerprint(const QString& fingerprint)
{
    m_acceptedFingerprint = normalisedFingerprint(fingerprint);
}

std::unique_ptr<RemoteClient> FTPClient::newConnection() const
{
    auto client = std::make_unique<FTPClient>();
    client->copyConnectionSettings(*this);
    return client;
}

bool FTPClient::connected() const
{
    return m_control && m_state != State::Disconnected &&
           m_control->state() == QAbstractSocket::ConnectedState;
}

void FTPClient::setState(State state)
{
    if (state == m_state)
        return;
    qCDebug(lcFtp) << "state" << m_state << "->" << state;
    m_state = state;
}

void FTPClient::ensureConnected() const
{
    if (!m_control || m_state == State::Disconnected)
        throw LumiError(QStringLiteral("Not connected."));
}

void FTPClient::closeConnection()
{
    closeData();
    if (m_control) {
        QObject::disconnect(m_control.get(), nullptr, this, nullptr);
        m_control->abort();
        // deleteLater: this may run inside a signal of the socket itself.
        m_control.release()->deleteLater();
    }
    m_controlBuffer.clear();
    m_assembler.take();
    m_pasvRefused = false;
    m_portRefused = false;
    m_featuresRead = false;
    m_features.clear();
    m_protectData = false;
    m_tlsDescription.clear();
    setState(State::Disconnected);
    if (std::exchange(m_encrypted, false))
        Q_EMIT encryptionChanged(false);
}

void FTPClient::failConnection(const QString& message, int code)
{
    const bool wasOpen = m_state == State::Connected;
    closeConnection();
    Q_EMIT status(message);
    if (wasOpen)
        Q_EMIT disconnected();
    throw LumiError(message, code);
}

void FTPClient::onControlClosed()
{
    // A close while no operation runs (the server's idle time-out); an operation that
    // is waiting notices the close itself.
    if (m_busy > 0 || m_state == State::Disconnected)
        return;
    closeConnection();
    Q_EMIT status(QStringLiteral("Connection closed by server."));
    Q_EMIT disconnected();
}

void FTPClient::connectToServer()
{
    if (m_control) {
        closeConnection();
        Q_EMIT disconnected();
    }
    FtpOperation op(m_busy);
    m_systemDescription.clear();
    m_folder.clear();
    m_transferType = TransferType::Binary;

    m_control = std::make_unique<QSslSocket>();
    m_control->setProxy(QNetworkProxy::NoProxy);
    m_control->setReadBufferSize(4 * kMaxReplyLine);
    connect(m_control.get(), &QTcpSocket::disconnected, this, &FTPClient::onControlClosed);

    setState(State::Connecting);
    Q_EMIT status(QStringLiteral("Connecting to %1:%2").arg(m_host).arg(m_port));
    m_control->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    if (!m_control->waitForConnected(m_replyTimeout)) {
        const QString reason =
            m_control->error() == QAbstractSocket::SocketTimeoutError
                ? QStringLiteral("Connection time-out (%1 ms)").arg(m_replyTimeout)
                : m_control->errorString();
        failConnection(
            QStringLiteral("Cannot connect to %1:%2: %3").arg(m_host).arg(m_port).arg(reason));
    }
    setState(State::Connected);
    Q_EMIT status(QStringLiteral("Connected."));

    try {
        FtpReply greeting = readReply();
        while (greeting.code == 120) // "service ready in nnn minutes": the 220 follows
            greeting = readReply();
        if (!greeting.isCompletion())
            throwReply(greeting);
        if (m_tlsMode != FtpTlsMode::Plain)
            secureControl();
        login();
        if (m_encrypted) {
            recordTlsLogin(m_host, m_port);
            protectData();
        }
    } catch (const LumiError&) {
        if (m_state != State::Disconnected) {
            closeConnection();
            Q_EMIT disconnected();
        }
        throw;
    }
    Q_EMIT status(QStringLiteral("Logged in."));
    Q_EMIT afterLogin();
}

void FTPClient::login()
{
    FtpReply reply = command(QStringLiteral("USER"), m_username);
    if (reply.code == 331)
        reply = command(QStringLiteral("PASS"), m_password);
    if (reply.code == 332)
        throw LumiError(QStringLiteral("The server asks for an account, which is not supported: ") +
                            reply.text(),
                        reply.code);
    if (!reply.isCompletion())
        throwReply(reply);

    const FtpReply system = command(QStringLiteral("SYST"));
    if (system.code == 215)
        m_systemDescription = system.lines.first().mid(4).trimmed();
}

void FTPClient::secureControl()
{
    const QString where = QStringLiteral("%1:%2").arg(m_host).arg(m_port);
    const QString nothingSent = QStringLiteral(" No user name or password was sent.");
    const FtpReply reply = command(QStringLiteral("AUTH"), QStringLiteral("TLS"));
    if (reply.code >= 500 && reply.code < 600) {
        if (m_tlsMode == FtpTlsMode::Require)
            failConnection(
                QStringLiteral("The server refused FTP over TLS (%1).").arg(reply.text()) +
                    nothingSent,
                reply.code);
        // No silent downgrade where TLS was seen: someone may sit between us and the server.
        if (!m_acceptedFingerprint.isEmpty() || tlsShownBefore(m_host, m_port))
            failConnection(QStringLiteral("The server at %1 refused FTP over TLS (%2), but this "
                                          "server offered TLS before; the connection was closed. "
                                          "No user name or password was sent. If it really no "
                                          "longer offers TLS, allow plain FTP for it: set "
                                          "\"Encryption:\" in the FTP window to \"Only use "
                                          "plain FTP (insecure)\" for the project (FtpTls=plain).")
                               .arg(where, reply.text()),
                           reply.code);
        Q_EMIT status(QStringLiteral("The server does not offer FTP over TLS (%1); going on "
                                     "with plain FTP, unencrypted.")
                          .arg(reply.text()));
        return;
    }
    if (reply.code != 234)
        failConnection(QStringLiteral("Unexpected reply to AUTH TLS (%1).").arg(reply.text()) +
                           nothingSent,
                       reply.code);
    // Anything after the 234 would be read as if it came under TLS.
    if (!m_controlBuffer.isEmpty() || m_control->bytesAvailable() > 0)
        failConnection(QStringLiteral("The server sent unexpected data after accepting AUTH TLS.") +
                       nothingSent);

    // The certificate is checked below, before anything else is sent, so the handshake
    // itself accepts any certificate.
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    // Data connections resume this session: many servers refuse them otherwise.
    configuration.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    m_control->setSslConfiguration(configuration);
    m_control->startClientEncryption();
    if (!m_control->waitForEncrypted(m_replyTimeout)) {
        const QString reason = m_control->error() == QAbstractSocket::SocketTimeoutError
                                   ? QStringLiteral("time-out (%1 ms)").arg(m_replyTimeout)
                                   : m_control->errorString();
        failConnection(QStringLiteral("TLS handshake with %1 failed: %2.").arg(where, reason) +
                       nothingSent);
    }
    acceptCertificate();
    const QSslCipher cipher = m_control->sessionCipher();
    m_tlsDescription = cipher.protocolString() + QStringLiteral(", ") + cipher.name();
    m_encrypted = true;
    Q_EMIT status(QStringLiteral("TLS connection established: ") + m_tlsDescription);
    Q_EMIT encryptionChanged(true);
}

void FTPClient::acceptCertificate()
{
    const FtpCertificateDecision decision =
        decideCertificate(m_host, m_port, m_control->peerCertificateChain(), m_acceptedFingerprint,
                          certificateQuestion);
    if (!decision.refusal.isEmpty())
        failConnection(decision.refusal);
    if (!decision.note.isEmpty())
        Q_EMIT status(decision.note);
    m_acceptedFingerprint = decision.fingerprint;
}

void FTPClient::protectData()
{
    // RFC 4217: PBSZ 0 first, then PROT P for data connections under TLS.
    FtpReply reply = command(QStringLiteral("PBSZ"), QStringLiteral("0"));
    if (reply.isCompletion())
        reply = command(QStringLiteral("PROT"), QStringLiteral("P"));
    if (reply.isCompletion()) {
        m_protectData = true;
        return;
    }
    if (m_tlsMode == FtpTlsMode::Require)
        failConnection(QStringLiteral("The server refused to encrypt listings and files (%1).")
                           .arg(reply.text()),
                       reply.code);
    Q_EMIT status(QStringLiteral("The server refused to encrypt listings and files (%1); they "
                                 "go unencrypted, the commands and the password encrypted.")
                      .arg(reply.text()));
}

void FTPClient::disconnectFromServer()
{
    if (!m_control || m_state == State::Disconnected)
        return;
    {
        FtpOperation op(m_busy);
        try {
            sendCommand(QStringLiteral("QUIT"));
            readReply();
        } catch (const LumiError&) {
            // Whatever the answer, the connection is closed now, which is all QUIT asks.
            if (m_state == State::Disconnected)
                return;
        }
        closeConnection();
    }
    Q_EMIT status(QStringLiteral("Disconnected."));
    Q_EMIT disconnected();
}

void FTPClient::abortDataChannel()
{
    closeData();
}

void FTPClient::sendCommand(const QString& command, const QString& argument)
{
    checkFtpArgument(argument);
    const QString line = argument.isEmpty() ? command : command + QLatin1Char(' ') + argument;
    const QString shown = command == QLatin1String("PASS") ? QStringLiteral("PASS ****") : line;
    qCDebug(lcFtp) << "send" << shown;
    Q_EMIT status(shown);

    m_control->write(line.toUtf8() + "\r\n");
    while (unsentBytes(*m_control) > 0) {
        if (!m_control->waitForBytesWritten(m_replyTimeout)) {
            if (m_control->state() != QAbstractSocket::ConnectedState)
                failConnection(QStringLiteral("Connection closed by server."));
            failConnection(QStringLiteral("Time-out while sending (%1 ms)").arg(m_replyTimeout));
        }
    }
}

FtpReply FTPClient::readReply()
{
    const QDeadlineTimer deadline(qMax(1, m_replyTimeout));
    for (;;) {
        QString problem;
        try {
            QByteArray line;
            while (takeLine(m_controlBuffer, line, kMaxReplyLine)) {
                const QString text = QString::fromUtf8(line);
                qCDebug(lcFtp) << "reply" << text.left(200);
                Q_EMIT status(text.left(1000));
                if (m_assembler.addLine(text)) {
                    const FtpReply reply = m_assembler.take();
                    // 421: the server closes the connection, whatever we were waiting for.
                    if (reply.code == 421)
                        failConnection(reply.text(), 421);
                    return reply;
                }
            }
        } catch (const LumiError& e) {
            if (m_state == State::Disconnected)
                throw;
            problem = e.message();
        }
        if (!problem.isEmpty())
            failConnection(problem);

        if (m_control->bytesAvailable() > 0) {
            m_controlBuffer += m_control->read(4 * kMaxReplyLine);
            continue;
        }
        if (m_control->state() != QAbstractSocket::ConnectedState)
            failConnection(QStringLiteral("Connection closed by server."));
        if (deadline.hasExpired())
            failConnection(
                QStringLiteral("No reply from server (time-out %1 ms)").arg(m_replyTimeout));
        waitForControl(deadline);
    }
}

void FTPClient::waitForControl(const QDeadlineTimer& deadline)
{
    m_control->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
}

FtpReply FTPClient::command(const QString& command, const QString& argument)
{
    sendCommand(command, argument);
    return readReply();
}

void FTPClient::throwReply(const FtpReply& reply)
{
    throw LumiError(reply.text(), reply.code);
}

QString FTPClient::remotePath(const QString& name) const
{
    if (name.startsWith(QLatin1Char('/')) || m_folder.isEmpty())
        return name;
    QString path = m_folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + name;
}

LumiError FTPClient::replyError(const QString& command, const QString& argument,
                                const FtpReply& reply) const
{
    const QString path = remotePath(argument);
    const QString text = reply.text();
    QString message;
    if (command == QLatin1String("CWD"))
        message = reply.code == 550 ? QStringLiteral("Remote folder %1 does not exist (%2)")
                                    : QStringLiteral("Cannot open remote folder %1 (%2)");
    else if (command == QLatin1String("MKD"))
        message = QStringLiteral("Cannot make remote folder %1 (%2)");
    else if (command == QLatin1String("RMD"))
        message = QStringLiteral("Cannot remove remote folder %1 (%2)");
    else if (command == QLatin1String("DELE"))
        message = QStringLiteral("Cannot delete remote file %1 (%2)");
    else if (command == QLatin1String("STOR"))
        message = QStringLiteral("Cannot store remote file %1 (%2)");
    else if (command == QLatin1String("RETR"))
        message = QStringLiteral("Cannot download remote file %1 (%2)");
    else if (command == QLatin1String("RNFR") || command == QLatin1String("RNTO"))
        message = QStringLiteral("Cannot rename remote file %1 (%2)");
    else if ((command == QLatin1String("LIST") || command == QLatin1String("NLST")) &&
             !m_folder.isEmpty())
        return LumiError(QStringLiteral("Cannot list remote folder %1 (%2)").arg(m_folder, text),
                         reply.code);
    else
        return LumiError(text, reply.code);
    return LumiError(message.arg(path, text), reply.code);
}

FtpReply FTPClient::expectCompletion(const QString& command, const QString& argument)
{
    ensureConnected();
    FtpOperation op(m_busy);
    const FtpReply reply = this->command(command, argument);
    if (!reply.isCompletion())
        throw replyError(command, argument, reply);
    return reply;
}

void FTPClient::noop()
{
    expectCompletion(QStringLiteral("NOOP"));
}

QString FTPClient::currentFolder()
{
    m_folder = ftpPwdFolder(expectCompletion(QStringLiteral("PWD")));
    return m_folder;
}

void FTPClient::changeFolder(const QString& path)
{
    const QString target = remotePath(path);
    expectCompletion(QStringLiteral("CWD"), path);
    // Only a plain path is followed; "..", "." or an unknown start leave it unknown.
    const bool plain = target.startsWith(QLatin1Char('/')) &&
                       !target.split(QLatin1Char('/')).contains(QStringLiteral("..")) &&
                       !target.split(QLatin1Char('/')).contains(QStringLiteral("."));
    m_folder = plain ? target : QString();
    while (m_folder.size() > 1 && m_folder.endsWith(QLatin1Char('/')))
        m_folder.chop(1);
}

void FTPClient::parentFolder()
{
    expectCompletion(QStringLiteral("CDUP"));
    if (m_folder.size() > 1)
        m_folder = m_folder.left(qMax<qsizetype>(1, m_folder.lastIndexOf(QLatin1Char('/'))));
}

void FTPClient::setTransferType(TransferType type)
{
    expectCompletion(QStringLiteral("TYPE"),
                     type == TransferType::Ascii ? QStringLiteral("A") : QStringLiteral("I"));
    m_transferType = type;
}

std::optional<FtpReply> FTPClient::replyUnlessRefused(const QString& command,
                                                      const QString& argument)
{
    try {
        return expectCompletion(command, argument);
    } catch (const LumiError&) {
        if (!connected())
            throw;
        return std::nullopt;
    }
}

qint64 FTPClient::size(const QString& name)
{
    const std::optional<FtpReply> reply = replyUnlessRefused(QStringLiteral("SIZE"), name);
    if (!reply)
        return -1;
    bool ok = false;
    const qint64 value = reply->lastText().trimmed().toLongLong(&ok);
    return reply->code == 213 && ok && value >= 0 ? value : -1;
}

QDateTime FTPClient::modificationTime(const QString& name)
{
    const std::optional<FtpReply> reply = replyUnlessRefused(QStringLiteral("MDTM"), name);
    if (!reply)
        return zeroTime();
    // "213 YYYYMMDDHHMMSS[.sss]" in UTC (RFC 3659, 2.3).
    const QString text = reply->lastText().trimmed();
    const QDateTime utc = QDateTime::fromString(text.left(14), QStringLiteral("yyyyMMddHHmmss"));
    if (reply->code != 213 || !utc.isValid())
        return zeroTime();
    QDateTime stamp(utc.date(), utc.time(), Qt::UTC);
    return stamp.toLocalTime();
}

void FTPClient::makeFolder(const QString& name)
{
    expectCompletion(QStringLiteral("MKD"), name);
}

void FTPClient::removeFolder(const QString& name)
{
    expectCompletion(QStringLiteral("RMD"), name);
}

void FTPClient::deleteFile(const QString& name)
{
    expectCompletion(QStringLiteral("DELE"), name);
}

void FTPClient::rename(const QString& oldName, const QString& newName)
{
    ensureConnected();
    FtpOperation op(m_busy);
    // Check both names before RNFR, so a bad new name leaves no rename pending.
    checkFtpArgument(newName);
    const FtpReply from = command(QStringLiteral("RNFR"), oldName);
    if (from.code != 350)
        throw replyError(QStringLiteral("RNFR"), oldName, from);
    const FtpReply to = command(QStringLiteral("RNTO"), newName);
    if (!to.isCompletion())
        throw replyError(QStringLiteral("RNTO"), oldName, to);
}

bool FTPClient::serverHasFeature(const QString& feature)
{
    if (!m_featuresRead) {
        const FtpReply reply = command(QStringLiteral("FEAT"));
        m_featuresRead = true;
        // 211-Features:\r\n XCRC\r\n MDTM\r\n211 End (RFC 2389, 3.2)
        if (reply.code == 211) {
            for (qsizetype i = 1; i + 1 < reply.lines.size(); ++i)
                m_features.append(
                    reply.lines[i].trimmed().section(QLatin1Char(' '), 0, 0).toUpper());
        }
    }
    return m_features.contains(feature.toUpper());
}

qint64 FTPClient::checksum(const QString& name)
{
    ensureConnected();
    FtpOperation op(m_busy);
    if (!serverHasFeature(QStringLiteral("XCRC")))
        return -1;
    const FtpReply reply =
        command(QStringLiteral("XCRC"), QLatin1Char('"') + name + QLatin1Char('"'));
    if (reply.code != 250)
        return -1;
    bool ok = false;
    // Multi-line on some servers ("250-Computing CRC32 digest" first): the value is on
    // the last line.
    const QString hex = reply.lastText().trimmed().section(QLatin1Char(' '), 0, 0);
    const qint64 value = hex.toLongLong(&ok, 16);
    return ok ? value : -1;
}
