// FtpDataTls: the TLS layer of an FTP data connection (RFC 4217), run by OpenSSL on the
// socket itself. Servers end a listing or download with close_notify and wait for the
// client's close_notify before they close the connection; QSslSocket cannot send one after
// it has received one, so data connections do not use it.
#pragma once

#include <QByteArray>
#include <QSslCertificate>
#include <QString>

struct bio_st;
struct ssl_st;
struct ssl_ctx_st;

class QDeadlineTimer;

class FtpDataTls
{
public:
    // Takes the connected socket `descriptor` (closed by the destructor) and starts the
    // client handshake, resuming `session` (the control connection's session, as
    // QSslConfiguration::sessionTicket() holds it; many servers insist) when given.
    // Throws LumiError when OpenSSL cannot set up the connection.
    FtpDataTls(int descriptor, const QByteArray& session, const QString& host);
    ~FtpDataTls();
    FtpDataTls(const FtpDataTls&) = delete;
    FtpDataTls& operator=(const FtpDataTls&) = delete;

    int descriptor() const { return m_descriptor; }
    // The poll events the last call that did not finish waits for (POLLIN or POLLOUT).
    short wantedEvents() const { return m_wanted; }
    // Waits until the socket is ready for the last unfinished call; false at the deadline.
    bool wait(const QDeadlineTimer& deadline) const;

    // One step of the handshake: true once it is done. Throws LumiError when it failed.
    bool handshake();
    bool encrypted() const { return m_encrypted; }
    QSslCertificate peerCertificate() const;

    // Bytes read into `data`; 0 once the server's close_notify came (the data is complete);
    // -1 when nothing is there yet. Throws LumiError when the connection ends without
    // close_notify (the data may be truncated) or on a TLS error.
    qint64 read(char* data, qint64 maxSize);
    // Bytes taken from `data` (0 when the socket cannot take more yet). Throws LumiError
    // when the connection broke.
    qint64 write(const char* data, qint64 size);
    // Ends the connection as RFC 4217 asks: sends close_notify (in answer to the server's,
    // or first after an upload), then waits for the server's close_notify or its close.
    // Throws LumiError at the deadline.
    void close(const QDeadlineTimer& deadline);
    bool closeNotifyReceived() const { return m_closeNotifyReceived; }

    // What the socket BIO works on.
    struct Transport
    {
        int descriptor = -1;
        bool endOfStream = false; // the server closed its side
    };

private:
    // Sorts out the result of an SSL call: true when the call should be tried again once
    // the socket is ready (m_wanted says for what).
    bool retryLater(int result);
    [[noreturn]] void fail(const QString& what);
    [[noreturn]] void failSetUp();
    void release();

    int m_descriptor = -1;
    Transport m_transport;
    ssl_ctx_st* m_context = nullptr;
    ssl_st* m_ssl = nullptr;
    bio_st* m_bio = nullptr;
    short m_wanted = 0;
    bool m_encrypted = false;
    bool m_closeNotifyReceived = false;
    bool m_closeNotifySent = false;
};
