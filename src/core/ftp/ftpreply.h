// FTP replies (RFC 959, 4.2): one reply is one or more lines with a three-digit code;
// a multi-line reply ends with the line that carries the same code and a blank.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct FtpReply
{
    int code = 0;
    QStringList lines; // as received, without the line end

    // The reply as the user should read it: every line, joined by line breaks.
    QString text() const { return lines.join(QLatin1Char('\n')); }
    // The text of the last line after the code and the blank ("257 "/x" ..." gives "/x" ...).
    QString lastText() const;
    bool isPreliminary() const { return code >= 100 && code < 200; }
    bool isCompletion() const { return code >= 200 && code < 300; }
    bool isIntermediate() const { return code >= 300 && code < 400; }
    bool isNegative() const { return code >= 400; }
};

// Collects reply lines until a reply is complete. Lines that cannot start a reply, and
// replies that grow past a cap, raise LumiError: a server that talks nonsense is an
// error, never an endless wait or unbounded memory.
class FtpReplyAssembler
{
public:
    static constexpr qsizetype kMaxReplyBytes = 1024 * 1024;

    // Adds one line (without CR LF). Returns true when it completed a reply.
    bool addLine(const QString& line);
    // The completed reply; resets the assembler for the next one.
    FtpReply take();
    bool isEmpty() const { return m_reply.lines.isEmpty(); }

private:
    FtpReply m_reply;
    bool m_complete = false;
    qsizetype m_bytes = 0;
};

// Splits the first line off a byte buffer. Returns false while no complete line is
// there. A line longer than maxLine bytes raises LumiError. CR before LF is dropped.
bool takeLine(QByteArray& buffer, QByteArray& line, qsizetype maxLine);

// What the data connection and PWD replies carry. Each raises LumiError, with the
// reply's code, when the reply does not hold what it should.
// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": the port (the address is not used).
quint16 ftpPasvPort(const FtpReply& reply);
// "229 Entering Extended Passive Mode (|||6446|)" (RFC 2428, 3): the port.
quint16 ftpEpsvPort(const FtpReply& reply);
// "150 Opening BINARY mode data connection for x (1234 bytes)": the size, or -1.
qint64 ftpOpeningSize(const FtpReply& reply);
// "257 "folder" comment": the folder, with doubled quotes made single (RFC 959,
// appendix II); control characters in the name are refused.
QString ftpPwdFolder(const FtpReply& reply);
