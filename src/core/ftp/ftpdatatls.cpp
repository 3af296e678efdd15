// FtpDataTls: OpenSSL on a non-blocking socket, through a BIO that sends with MSG_NOSIGNAL
// (a server that already closed must not end the program with SIGPIPE).
#include "ftp/ftpdatatls.h"

#include "util/error.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QStringList>
#include <QUrl>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Transport = FtpDataTls::Transport;

bool wouldBlock(int error)
{
    return error == EAGAIN || error == EWOULDBLOCK || error == EINTR;
}

bool closedByPeer(int error)
{
    return error == ECONNRESET || error == EPIPE;
}

int socketWrite(BIO* bio, const char* data, int size)
{
    BIO_clear_retry_flags(bio);
    auto* transport = static_cast<Transport*>(BIO_get_data(bio));
    const ssize_t sent = ::send(transport->descriptor, data, size_t(size), MSG_NOSIGNAL);
    if (sent < 0 && wouldBlock(errno))
        BIO_set_retry_write(bio);
    if (sent < 0 && closedByPeer(errno))
        transport->endOfStream = true;
    return int(sent);
}

int socketRead(BIO* bio, char* data, int size)
{
    BIO_clear_retry_flags(bio);
    auto* transport = static_cast<Transport*>(BIO_get_data(bio));
    const ssize_t received = ::recv(transport->descriptor, data, size_t(size), 0);
    if (received < 0 && wouldBlock(errno))
        BIO_set_retry_read(bio);
    // A reset says the same as an end: the server closed (before it read what came last).
    if (received == 0 || (received < 0 && closedByPeer(errno)))
        transport->endOfStream = true;
    return int(received);
}

long socketControl(BIO*, int command, long, void*)
{
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

BIO_METHOD* socketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "ftp-data");
        BIO_meth_set_write(m, socketWrite);
        BIO_meth_set_read(m, socketRead);
        BIO_meth_set_ctrl(m, socketControl);
        return m;
    }();
    return method;
}

QString openSslErrors()
{
    QStringList texts;
    while (const unsigned long code = ERR_get_error()) {
        char text[256];
        ERR_error_string_n(code, text, sizeof text);
        texts.append(QString::fromLatin1(text));
    }
    return texts.join(QStringLiteral("; "));
}

} // namespace

FtpDataTls::FtpDataTls(int descriptor, const QByteArray& session, const QString& host)
    : m_descriptor(descriptor)
{
    m_transport.descriptor = descriptor;
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) | O_NONBLOCK);
    ERR_clear_error();
    m_context = SSL_CTX_new(TLS_client_method());
    if (!m_context)
        failSetUp();
    SSL_CTX_set_min_proto_version(m_context, TLS1_2_VERSION);
    // The certificate is compared with the control connection's after the handshake.
    SSL_CTX_set_verify(m_context, SSL_VERIFY_NONE, nullptr);
    m_ssl = SSL_new(m_context);
    m_bio = m_ssl ? BIO_new(socketMethod()) : nullptr;
    if (!m_bio)
        failSetUp();
    BIO_set_data(m_bio, &m_transport);
    BIO_set_init(m_bio, 1);
    BIO_up_ref(m_bio);
    SSL_set_bio(m_ssl, m_bio, m_bio);
    SSL_set_mode(m_ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_set_connect_state(m_ssl);
    const QByteArray ace = QUrl::toAce(host);
    if (!ace.isEmpty() && QHostAddress(host).isNull())
        SSL_set_tlsext_host_name(m_ssl, ace.constData());
    if (!session.isEmpty()) {
        const auto* der = reinterpret_cast<const unsigned char*>(session.constData());
        if (SSL_SESSION* resumed = d2i_SSL_SESSION(nullptr, &der, long(session.size()))) {
            SSL_set_session(m_ssl, resumed);
            SSL_SESSION_free(resumed);
        }
        ERR_clear_error();
    }
}

FtpDataTls::~FtpDataTls()
{
    release();
}

void FtpDataTls::release()
{
    if (m_ssl)
        SSL_free(m_ssl);
    if (m_bio)
        BIO_free(m_bio);
    if (m_context)
        SSL_CTX_free(m_context);
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_ssl = nullptr;
    m_bio = nullptr;
    m_context = nullptr;
    m_descriptor = -1;
}

void FtpDataTls::failSetUp()
{
    const QString details = openSslErrors();
    release(); // the destructor does not run for a constructor that throws
    throw LumiError(QStringLiteral("TLS set-up for the data connection failed: ") + details);
}

void FtpDataTls::fail(const QString& what)
{
    const QString details = openSslErrors();
    throw LumiError(details.isEmpty() ? what : what + QStringLiteral(": ") + details);
}

bool FtpDataTls::wait(const QDeadlineTimer& deadline) const
{
    for (;;) {
        pollfd ready = {m_descriptor, short(m_wanted ? m_wanted : POLLIN), 0};
        const int n = ::poll(&ready, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (n < 0 && errno == EINTR)
            continue;
        return n > 0;
    }
}

bool FtpDataTls::retryLater(int result)
{
    switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_WANT_READ:
        m_wanted = POLLIN;
        return true;
    case SSL_ERROR_WANT_WRITE:
        m_wanted = POLLOUT;
        return true;
    default:
        return false;
    }
}

bool FtpDataTls::handshake()
{
    if (m_encrypted)
        return true;
    ERR_clear_error();
    const int result = SSL_do_handshake(m_ssl);
    if (result == 1) {
        m_encrypted = true;
        m_wanted = 0;
        return true;
    }
    if (retryLater(result))
        return false;
    if (m_transport.endOfStream)
        throw LumiError(QStringLiteral("TLS handshake on the data connection failed: the "
                                       "server closed the connection"));
    fail(QStringLiteral("TLS handshake on the data connection failed"));
}

QSslCertificate FtpDataTls::peerCertificate() const
{
    X509* certificate = SSL_get1_peer_certificate(m_ssl);
    if (!certificate)
        return QSslCertificate();
    unsigned char* der = nullptr;
    const int size = i2d_X509(certificate, &der);
    X509_free(certificate);
    if (size <= 0)
        return QSslCertificate();
    QSslCertificate result(QByteArray(reinterpret_cast<const char*>(der), size), QSsl::Der);
    OPENSSL_free(der);
    return result;
}

qint64 FtpDataTls::read(char* data, qint64 maxSize)
{
    if (m_closeNotifyReceived)
        return 0;
    ERR_clear_error();
    const int result = SSL_read(m_ssl, data, int(qMin<qint64>(maxSize, 1 << 30)));
    if (result > 0)
        return result;
    if (SSL_get_error(m_ssl, result) == SSL_ERROR_ZERO_RETURN) {
        m_closeNotifyReceived = true;
        return 0;
    }
    if (retryLater(result))
        return -1;
    if (m_transport.endOfStream)
        throw LumiError(QStringLiteral("The server closed the data connection without ending "
                                       "TLS (no close_notify): the data may be incomplete."));
    fail(QStringLiteral("TLS error on the data connection"));
}

qint64 FtpDataTls::write(const char* data, qint64 size)
{
    ERR_clear_error();
    const int result = SSL_write(m_ssl, data, int(qMin<qint64>(size, 1 << 30)));
    if (result > 0)
        return result;
    if (retryLater(result))
        return 0;
    if (m_transport.endOfStream || SSL_get_error(m_ssl, result) == SSL_ERROR_SYSCALL)
        throw LumiError(QStringLiteral("The server closed the data connection."));
    fail(QStringLiteral("TLS error on the data connection"));
}

void FtpDataTls::close(const QDeadlineTimer& deadline)
{
    const auto timedOut = [] {
        throw LumiError(QStringLiteral("The server did not end the TLS data connection in time."));
    };
    while (!m_closeNotifySent) {
        ERR_clear_error();
        const int result = SSL_shutdown(m_ssl);
        if (result >= 0) {
            m_closeNotifySent = true;
            m_closeNotifyReceived = m_closeNotifyReceived || result == 1;
        } else if (!retryLater(result)) {
            // The server closed already: nothing more to say or to hear.
            ERR_clear_error();
            return;
        } else if (!wait(deadline)) {
            timedOut();
        }
    }
    if (m_closeNotifyReceived)
        return;
    // After an upload: the server answers with its close_notify or closes; bytes before
    // either are read and dropped, so the close is not a reset.
    ::shutdown(m_descriptor, SHUT_WR);
    char discard[4096];
    m_wanted = POLLIN;
    while (!m_transport.endOfStream) {
        ERR_clear_error();
        const int result = SSL_read(m_ssl, discard, sizeof discard);
        if (result > 0)
            continue;
        if (!retryLater(result)) {
            ERR_clear_error();
            return; // close_notify, the close, or an error: the connection is over
        }
        if (!wait(deadline))
            timedOut();
    }
}
