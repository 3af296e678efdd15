// FTPClient: data connections (passive PASV/EPSV, active PORT/EPRT) and the transfers
// that use them: LIST, NLST, STOR, RETR.
#include "ftp/ftpclient.h"
#include "ftp/ftpclient_p.h"

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
#include <poll.h>
#include <sys/socket.h>
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
    if (m_data) {
        m_data->abort();
        m_data.reset();
    }
    if (m_dataServer) {
        m_dataServer->close();
        m_dataServer.reset();
    }
    m_dataHandshake = false;
}

void FTPClient::startDataTls()
{
    if (!m_protectData)
        return;
    // The control connection's configuration carries its session, which the data
    // connection resumes (RFC 4217, 10.2); FTP over TLS makes the client the TLS client
    // in both modes.
    m_data->setSslConfiguration(m_control->sslConfiguration());
    m_data->setPeerVerifyName(m_host);
    m_data->startClientEncryption();
    m_dataHandshake = true;
}

void FTPClient::finishDataTls()
{
    m_dataHandshake = false;
    if (!m_protectData)
        return;
    if (!m_data->isEncrypted() && !m_data->waitForEncrypted(m_replyTimeout)) {
        const QString reason = m_data->error() == QAbstractSocket::SocketTimeoutError
                                   ? QStringLiteral("time-out (%1 ms)").arg(m_replyTimeout)
                                   : m_data->errorString();
        throw LumiError(QStringLiteral("TLS handshake on the data connection failed: ") + reason);
    }
    if (m_data->peerCertificate() != m_control->peerCertificate())
        throw LumiError(QStringLiteral("The data connection shows another certificate than the "
                                       "control connection (SHA-256 fingerprint %1); it was "
                                       "closed.")
                            .arg(certificateFingerprint(m_data->peerCertificate())));
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
    // Started before the command: some servers run the handshake before they answer it.
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
        if (reply.isCompletion()) {
            m_dataHandshake = m_protectData; // the server may connect with the command
            return;
        }
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
    m_dataHandshake = m_protectData;
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
    while (!m_data) {
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
    FtpOperation op(m_busy, [this] {
        closeData();
        backToReady();
    });

    setState(State::DataSetup);
    if (m_passive)
        openPassiveData();
    else
        openActiveData();

    const FtpReply opening = this->command(command, argument);
    // Some servers answer a transfer with nothing to send at once with 226.
    const bool finished = opening.isCompletion();
    if (!opening.isPreliminary() && !finished)
        throwReply(opening);
    if (expectedBytes < 0)
        expectedBytes = ftpOpeningSize(opening);
    if (!m_passive && !finished)
        acceptActiveData();

    setState(State::Transfer);
    Q_EMIT workBegin(expectedBytes);
    try {
        if (m_data) {
            finishDataTls();
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
            setState(State::TransferEnd);
            const FtpReply reply = readReply();
            if (reply.isNegative() && direction == Direction::Upload)
                throwReply(reply);
        }
        throw;
    }
    if (m_data && m_data->state() != QAbstractSocket::UnconnectedState) {
        if (m_data->isEncrypted()) {
            closeEncryptedData();
        } else {
            m_data->disconnectFromHost();
            if (m_data->state() != QAbstractSocket::UnconnectedState)
                m_data->waitForDisconnected(m_replyTimeout);
        }
    }
    closeData();

    setState(State::TransferEnd);
    if (!finished) {
        const FtpReply reply = readReply();
        if (!reply.isCompletion())
            throwReply(reply);
    }
    Q_EMIT workEnd();
}

void FTPClient::closeEncryptedData()
{
    // A TLS server may send bytes at any time (session tickets), and a socket closed with
    // unread bytes resets the connection: the server may then lose the end of an upload.
    // So a second descriptor keeps the connection open while the socket sends close_notify
    // and closes; then the sending side is shut and the server's close awaited.
    const int descriptor = ::dup(int(m_data->socketDescriptor()));
    m_data->disconnectFromHost();
    if (m_data->state() != QAbstractSocket::UnconnectedState)
        m_data->waitForDisconnected(m_replyTimeout);
    if (descriptor < 0)
        return;
    ::shutdown(descriptor, SHUT_WR);
    const QDeadlineTimer deadline(m_replyTimeout);
    char discard[4096];
    while (!deadline.hasExpired()) {
        pollfd readable = {descriptor, POLLIN, 0};
        const int ready = ::poll(&readable, 1, int(qMax<qint64>(1, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || ::read(descriptor, discard, sizeof discard) <= 0)
            break; // closed by the server, an error or the time-out
    }
    ::close(descriptor);
}

void FTPClient::receiveData(const Sink& sink)
{
    qint64 total = 0;
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
