// Internals shared by the two source files of FTPClient.
#pragma once

#include <QLoggingCategory>
#include <QSslSocket>
#include <QString>
#include <functional>

Q_DECLARE_LOGGING_CATEGORY(lcFtp)

// A name may hold CR, LF or NUL on Linux; sent as is it would smuggle a second command
// onto the control connection. Raises LumiError for such an argument.
void checkFtpArgument(const QString& argument);

// What a socket still has to send: under TLS the cleartext not yet encrypted and the
// encrypted bytes not yet written.
inline qint64 unsentBytes(const QSslSocket& socket)
{
    return socket.bytesToWrite() + socket.encryptedBytesToWrite();
}

// Marks a running operation (so an idle-time close is told apart from one that an
// operation handles itself) and runs `onEnd`, if given, when it ends, also when it ends
// with an error: a transfer closes its data connection there.
class FtpOperation
{
public:
    explicit FtpOperation(int& busy, std::function<void()> onEnd = {})
        : m_busy(busy), m_onEnd(std::move(onEnd))
    {
        ++m_busy;
    }
    ~FtpOperation()
    {
        --m_busy;
        if (m_onEnd)
            m_onEnd();
    }
    FtpOperation(const FtpOperation&) = delete;
    FtpOperation& operator=(const FtpOperation&) = delete;

private:
    int& m_busy;
    std::function<void()> m_onEnd;
};
