// FTPClient: data connections (passive PASV/EPSV, active PORT/EPRT) and the transfers
// that use them: LIST, NLST, STOR, RETR.
#include "ftp/ftpclient.h"
#include "ftp/ftpclient_p.h"
#include "ftp/ftpdatatls.h"

#include "util/error.h"
#include "util/fileops.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr qint64 kChunk = 64 * 1024;

// TYPE A: the network form ends lines with CR LF (RFC 959, 3.1.1.1); locally LF.
class AsciiToNetwork
{
public:
    QByteArray convert(const QByteArray& in)
    {
        QByteArray out;
        out.reserve(in.size() + in.size() / 16);
        for (const char c : in) {
            if (c == '\n' && !m_lastWasCr)
                out.append('\r');
            out.append(c);
            m_lastWasCr = c == '\r';
        }
        return out;
    }

private:
    bool m_lastWasCr = false;
};

class AsciiFromNetwork
{
public:
    QByteArray convert(const QByteArray& in)
    {
        QByteArray out;
        out.reserve(in.size() + 1);
        for (const char c : in) {
            if (m_pendingCr && c != '\n')
                out.append('\r');
            m_pendingCr = c == '\r';
            if (!m_pendingCr)
                out.append(c);
        }
        return out;
    }
    QByteArray finish()
    {
        return std::exchange(m_pendingCr, false) ? QByteArray("\r") : QByteArray();
    }

private:
    bool m_pendingCr = false;
};

// Accepts connections as QSslSocket, so an active data connection can run TLS.
class SslDataServer : public QTcpServer
{
protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QSslSocket(this);
        if (socket->setSocketDescriptor(descriptor))
            addPendingConnection(socket);
        else
            delete socket;
    }
};

} // namespace

void FTPClient::closeData()
{
    m_dataTls.reset();
    if (m_data) {
        m_data->abort();
        m_data.reset();
    }
    if (m_dataServer) {
        m_dataServer->close();
        m_dataServer.reset();
    }
}

void FTPClient::startDataTls()
{
    if (!m_protectData)
        return;
    // OpenSSL takes the socket over from Qt: a second descriptor keeps the connection open
    // when Qt's socket lets go of it. The data connection resumes the control connection's
    // session (RFC 4217, 10.2); FTP over TLS makes the client the TLS client in both modes.
    const int descriptor = ::dup(int(m_data->socketDescriptor()));
    m_data->abort();
    m_data.reset();
    if (descriptor < 0)
        throw LumiError(QStringLiteral("Cannot take over the data connection: ") +
                        QString::fromLocal8Bit(strerror(errno)));
    m_dataTls = std::make_unique<FtpDataTls>(descriptor,
                                             m_control->sslConfiguration().sessionTicket(), m_host);
}

void FTPClient::finishDataTls()
{
    if (!m_dataTls)
        return;
    const QDeadlineTimer deadline(m_replyTimeout);
    while (!m_dataTls->handshake()) {
        if (!m_dataTls->wait(deadline))
            throw LumiError(QStringLiteral("TLS handshake on the data connection failed: "
                                           "time-out (%1 ms)")
                                .arg(m_replyTimeout));
    }
    const QSslCertificate certificate = m_dataTls->peerCertificate();
    if (certificate != m_control->peerCertificate())
        throw LumiError(QStringLiteral("The data connection shows another certificate than the "
                                       "control connection (SHA-256 fingerprint %1); it was "
                                       "closed.")
                            .arg(certificateFingerprint(certificate)));
}

void FTPClient::openPassiveData()
{
    quint16 port = 0;
    if (!m_pasvRefused) {
        const FtpReply reply = command(QStringLiteral("PASV"));
        if (reply.code == 227)
            port = ftpPasvPort(reply);
        else if (reply.code >= 500)
            m_pasvRefused = true;
        else
            throwReply(reply);
    }
    if (port == 0) {
        const FtpReply reply = command(QStringLiteral("EPSV"));
        if (reply.code != 229)
            throwReply(reply);
        port = ftpEpsvPort(reply);
    }

    // The host of a PASV reply is ignored: the data connection goes to the peer of the
    // control connection, so a server cannot aim the client at another machine.
    const QHostAddress peer = m_control->peerAddress();
    m_data = std::make_unique<QSslSocket>();
    m_data->setProxy(QNetworkProxy::NoProxy);
    m_data->connectToHost(peer, port);
    if (!m_data->waitForConnected(m_replyTimeout)) {
        const QString reason = m_data->errorString();
        closeData();
        throw LumiError(QStringLiteral("Cannot open data connection to %1:%2: %3")
                            .arg(peer.toString())
                            .arg(port)
                            .arg(reason));
    }
    startDataTls();
}

void FTPClient::openActiveData()
{
    const QHostAddress local = m_control->localAddress();
    m_dataServer = std::make_unique<SslDataServer>();
    m_dataServer->setProxy(QNetworkProxy::NoProxy);
    m_dataServer->setMaxPendingConnections(1);
    if (!m_dataServer->listen(local, 0)) {
        const QString reason = m_dataServer->errorString();
        closeData();
        throw LumiError(QStringLiteral("Cannot listen for a data connection: ") + reason);
    }
    const quint16 port = m_dataServer->serverPort();
    if (!m_portRefused) {
        const quint32 ip = local.toIPv4Address();
        const QString argument = QStringLiteral("%1,%2,%3,%4,%5,%6")
                                     .arg((ip >> 24) & 0xff)
                                     .arg((ip >> 16) & 0xff)
                                     .arg((ip >> 8) & 0xff)
                                     .arg(ip & 0xff)
                                     .arg(port >> 8)
                                     .arg(port & 0xff);
        const FtpReply reply = command(QStringLiteral("PORT"), argument);
        if (reply.isCompletion())
            return;
        if (reply.code < 500) {
            closeData();
            throwReply(reply);
        }
        m_portRefused = true;
    }
    const FtpReply reply = command(QStringLiteral("EPRT"),
                                   QStringLiteral("|1|%1|%2|").arg(local.toString()).arg(port));
    if (!reply.isCompletion()) {
        closeData();
        throwReply(reply);
    }
}

bool FTPClient::takeActiveData()
{
    std::unique_ptr<QTcpSocket> socket(m_dataServer->nextPendingConnection());
    if (!socket)
        return false;
    // Only the server itself may connect; anyone else on the network is turned away.
    const QHostAddress peer = m_control->peerAddress();
    if (!socket->peerAddress().isEqual(peer, QHostAddress::ConvertV4MappedToIPv4)) {
        qCDebug(lcFtp) << "refused data connection from" << socket->peerAddress();
        socket->abort();
        return false;
    }
    socket->setParent(nullptr);
    m_data.reset(static_cast<QSslSocket*>(socket.release()));
    m_dataServer->close();
    startDataTls();
    return true;
}

void FTPClient::acceptActiveData()
{
    QDeadlineTimer deadline(m_replyTimeout);
    while (!dataOpen()) {
        bool timedOut = false;
        if (!m_dataServer->hasPendingConnections() &&
            !m_dataServer->waitForNewConnection(int(qMax<qint64>(1, deadline.remainingTime())),
                                                &timedOut)) {
            if (timedOut || deadline.hasExpired())
                failConnection(QStringLiteral("The server did not open the data connection "
                                              "(time-out %1 ms)")
                                   .arg(m_replyTimeout));
            continue;
        }
        takeActiveData();
    }
}

void FTPClient::runTransfer(const QString& command, const QString& argument, Direction direction,
                            QIODevice* source, const Sink& sink, qint64 expectedBytes)
{
    ensureConnected();
    checkFtpArgument(argument);
    FtpOperation op(m_busy, [this] { closeData(); });

    if (m_passive)
        openPassiveData();
    else
        openActiveData();

    const FtpReply opening = this->command(command, argument);
    // Some servers answer a transfer with nothing to send at once with 226.
    const bool finished = opening.isCompletion();
    if (!opening.isPreliminary() && !finished)
        throw replyError(command, argument, opening);
    if (expectedBytes < 0)
        expectedBytes = ftpOpeningSize(opening);
    if (!m_passive && !finished)
        acceptActiveData();

    Q_EMIT workBegin(expectedBytes);
    bool dataUsable = false;
    try {
        if (dataOpen()) {
            // The ClientHello goes out only now that the server answered the command: a
            // server may drop a data connection that speaks before it has read the command,
            // and a command can arrive after the data connection's bytes (another path, a
            // proxy, the order in which the server serves its sockets).
            finishDataTls();
            dataUsable = true;
            if (direction == Direction::Download)
                receiveData(sink);
            else
                sendData(source);
        }
    } catch (const LumiError&) {
        if (m_state == State::Disconnected)
            throw;
        // A local failure or a broken data connection: the server reports the broken
        // transfer on the control connection; read that reply so the next command
        // meets a clean channel, and prefer its text when it has one.
        closeData();
        if (!finished) {
            if (!dataUsable) {
                // The server may still be waiting for a data connection it can use and
                // never answer the command: ABOR ends the transfer at once.
                abortTransfer();
                throw;
            }
            const FtpReply reply = readReply();
            if (reply.isNegative() && direction == Direction::Upload)
                throw replyError(command, argument, reply);
        }
        throw;
    }
    try {
        // Under TLS: close_notify, in answer to the server's after a download; after an
        // upload first, then the server's close_notify or close is awaited.
        if (m_dataTls)
            m_dataTls->close(QDeadlineTimer(m_replyTimeout));
    } catch (const LumiError&) {
        // The data is in; the server's reply below says whether the transfer counts.
    }
    if (m_data && m_data->state() != QAbstractSocket::UnconnectedState) {
        m_data->disconnectFromHost();
        if (m_data->state() != QAbstractSocket::UnconnectedState)
            m_data->waitForDisconnected(m_replyTimeout);
    }
    closeData();

    if (!finished) {
        const FtpReply reply = readReply();
        if (!reply.isCompletion())
            throw replyError(command, argument, reply);
    }
    Q_EMIT workEnd();
}

void FTPClient::abortTransfer()
{
    // Servers answer ABOR with one reply or two (the command's, then ABOR's), or answer
    // the command before it arrives: NOOP's 200 marks the end of them.
    sendCommand(QStringLiteral("ABOR"));
    sendCommand(QStringLiteral("NOOP"));
    for (int replies = 0; replies < 4; ++replies) {
        if (readReply().code == 200)
            return;
    }
    failConnection(QStringLiteral("The server's replies to ABOR are out of step."));
}

void FTPClient::receiveData(const Sink& sink)
{
    qint64 total = 0;
    if (m_dataTls) {
        // The end of the data is the server's close_notify; a close without one is an
        // error (the data may be cut short).
        QByteArray chunk(kChunk, Qt::Uninitialized);
        for (;;) {
            const qint64 n = m_dataTls->read(chunk.data(), kChunk);
            if (n == 0)
                return;
            if (n > 0) {
                total += n;
                sink(chunk.left(n));
                Q_EMIT work(total);
            } else if (!m_dataTls->wait(QDeadlineTimer(qMax(1, m_replyTimeout)))) {
                failConnection(
                    QStringLiteral("Data transfer time-out (%1 ms)").arg(m_replyTimeout));
            }
        }
    }
    for (;;) {
        if (m_data->bytesAvailable() > 0) {
            const QByteArray chunk = m_data->read(kChunk);
            total += chunk.size();
            sink(chunk);
            Q_EMIT work(total);
            continue;
        }
        if (m_data->state() != QAbstractSocket::ConnectedState)
            break; // the server closes the data connection at the end of the data
        if (!m_data->waitForReadyRead(qMax(1, m_replyTimeout))) {
            if (m_data->bytesAvailable() > 0 || m_data->state() != QAbstractSocket::ConnectedState)
                continue;
            failConnection(QStringLiteral("Data transfer time-out (%1 ms)").arg(m_replyTimeout));
        }
    }
}

void FTPClient::sendData(QIODevice* source)
{
    AsciiToNetwork ascii;
    QByteArray buffer(kChunk, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = source->read(buffer.data(), kChunk);
        if (n < 0)
            throw LumiError(QStringLiteral("Cannot read the local file: ") + source->errorString());
        if (n == 0)
            break;
        total += n;
        const QByteArray chunk =
            m_transferType == TransferType::Ascii ? ascii.convert(buffer.left(n)) : buffer.left(n);
        if (m_dataTls) {
            for (qint64 sent = 0; sent < chunk.size();) {
                const qint64 n = m_dataTls->write(chunk.constData() + sent, chunk.size() - sent);
                sent += n;
                if (n == 0 && !m_dataTls->wait(QDeadlineTimer(qMax(1, m_replyTimeout))))
                    failConnection(
                        QStringLiteral("Data transfer time-out (%1 ms)").arg(m_replyTimeout));
            }
            Q_EMIT work(total);
            continue;
        }
        m_data->write(chunk);
        while (unsentBytes(*m_data) > 0) {
            if (!m_data->waitForBytesWritten(qMax(1, m_replyTimeout))) {
                if (m_data->state() != QAbstractSocket::ConnectedState)
                    throw LumiError(QStringLiteral("The server closed the data connection."));
                failConnection(
                    QStringLiteral("Data transfer time-out (%1 ms)").arg(m_replyTimeout));
            }
        }
        Q_EMIT work(total);
    }
}

void FTPClient::listInto(const QString& command, QStringList& lines)
{
    lines.clear();
    QByteArray pending;
    qint64 total = 0;
    const Sink sink = [&](const QByteArray& chunk) {
        total += chunk.size();
        if (total > kMaxListingBytes)
            throw LumiError(
                QStringLiteral("The listing is longer than %1 bytes").arg(kMaxListingBytes));
        pending += chunk;
        QByteArray line;
        while (takeLine(pending, line, kMaxListingLine))
            lines.append(QString::fromUtf8(line));
    };
    runTransfer(command, QString(), Direction::Download, nullptr, sink, -1);
    if (!pending.isEmpty()) // the last line without a line end
        lines.append(QString::fromUtf8(pending).remove(QLatin1Char('\r')));
}

void FTPClient::listDetails(QStringList& lines, QList<FtpListEntry>* entries)
{
    listInto(QStringLiteral("LIST"), lines);
    if (entries)
        *entries = parseFtpListing(lines);
}

void FTPClient::listNames(QStringList& names)
{
    listInto(QStringLiteral("NLST"), names);
    // Some servers name the folder itself and its parent too.
    names.removeIf([](const QString& name) {
        return name == QLatin1String(".") || name == QLatin1String("..");
    });
}

void FTPClient::store(const QString& localFile, const QString& remoteName)
{
    ensureConnected();
    const QFileInfo info(localFile);
    if (info.isDir())
        throw LumiError(QStringLiteral("Cannot send %1: it is a folder").arg(localFile));
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly))
        throw LumiError(QStringLiteral("Cannot open %1: %2").arg(localFile, file.errorString()));
    const QString name = remoteName.isEmpty() ? info.fileName() : remoteName;
    runTransfer(QStringLiteral("STOR"), name, Direction::Upload, &file, {}, file.size());
}

void FTPClient::retrieve(const QString& remoteName, const QString& localFile)
{
    ensureConnected();
    checkFtpArgument(remoteName);
    // Written beside the target and renamed at the end: a failed transfer leaves an
    // existing local file as it was, and neither a failure nor a kill leaves a half file
    // or a temporary behind.
    AsciiFromNetwork ascii;
    const bool isAscii = m_transferType == TransferType::Ascii;
    QString reason;
    const bool written = replaceFileWith(
        localFile,
        [&](QIODevice& file) {
            const auto write = [&](const QByteArray& data) {
                errno = 0;
                if (file.write(data) != data.size())
                    throw LumiError(QStringLiteral("Cannot write %1: %2")
                                        .arg(localFile, writeFailureReason(file, errno)));
            };
            const Sink sink = [&](const QByteArray& chunk) {
                write(isAscii ? ascii.convert(chunk) : chunk);
            };
            runTransfer(QStringLiteral("RETR"), remoteName, Direction::Download, nullptr, sink, -1);
            write(ascii.finish());
            return true;
        },
        &reason);
    if (!written)
        throw LumiError(QStringLiteral("Cannot write %1: %2").arg(localFile, reason));
}
