// The one error type of the program: a message for the user and, where a peer
// answered with one, a numeric code (an FTP reply code, an errno).
#pragma once

#include <QString>
#include <stdexcept>

class LumiError : public std::runtime_error
{
public:
    explicit LumiError(const QString& message, int code = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_code(code)
    {
    }

    const QString& message() const noexcept { return m_message; }
    int code() const noexcept { return m_code; }

private:
    QString m_message;
    int m_code;
};
