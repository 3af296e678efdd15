// Reply assembly for the FTP control connection.
#include "ftp/ftpreply.h"

#include "util/error.h"

#include <QRegularExpression>

namespace {

// A reply line starts with three digits, the first of them 1 to 5.
bool hasReplyCode(const QString& line)
{
    return line.size() >= 3 && line[0] >= QLatin1Char('1') && line[0] <= QLatin1Char('5') &&
           line[1].isDigit() && line[2].isDigit() && line[1].unicode() < 128 &&
           line[2].unicode() < 128;
}

} // namespace

QString FtpReply::lastText() const
{
    if (lines.isEmpty())
        return {};
    return lines.last().mid(4);
}

bool FtpReplyAssembler::addLine(const QString& line)
{
    if (m_complete)
        throw LumiError(QStringLiteral("Internal error: reply not taken"));
    m_bytes += line.size() + 2;
    if (m_bytes > kMaxReplyBytes)
        throw LumiError(QStringLiteral("Reply from server is too long"));

    if (m_reply.lines.isEmpty()) {
        // The first line decides: "123 text" or "123" ends at once, "123-text" goes on.
        const bool valid = hasReplyCode(line) && (line.size() == 3 || line[3] == QLatin1Char(' ') ||
                                                  line[3] == QLatin1Char('-'));
        if (!valid)
            throw LumiError(QStringLiteral("Invalid reply from server: ") + line.left(80));
        m_reply.code = line.left(3).toInt();
        m_reply.lines.append(line);
        m_complete = line.size() == 3 || line[3] == QLatin1Char(' ');
        return m_complete;
    }

    // Inside a multi-line reply any text may follow; only the same code with a blank
    // (or alone) ends it (RFC 959, 4.2).
    m_reply.lines.append(line);
    const QString code = m_reply.lines.first().left(3);
    m_complete = line.startsWith(code) && (line.size() == 3 || line[3] == QLatin1Char(' '));
    return m_complete;
}

FtpReply FtpReplyAssembler::take()
{
    FtpReply reply = std::move(m_reply);
    m_reply = FtpReply();
    m_complete = false;
    m_bytes = 0;
    return reply;
}

bool takeLine(QByteArray& buffer, QByteArray& line, qsizetype maxLine)
{
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0) {
        if (buffer.size() > maxLine + 1) // + 1: room for the CR of a full line
            throw LumiError(
                QStringLiteral("Line from server is longer than %1 bytes").arg(maxLine));
        return false;
    }
    qsizetype length = end;
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    if (length > maxLine)
        throw LumiError(QStringLiteral("Line from server is longer than %1 bytes").arg(maxLine));
    line = buffer.left(length);
    buffer.remove(0, end + 1);
    return true;
}

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)": only the port is used.
quint16 ftpPasvPort(const FtpReply& reply)
{
    static const QRegularExpression re(
        QStringLiteral("(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3}),(\\d{1,3})"));
    const QRegularExpressionMatch m = re.match(reply.text());
    if (!m.hasMatch())
        throw LumiError(QStringLiteral("Invalid reply to PASV: ") + reply.text().left(200),
                        reply.code);
    for (int i = 1; i <= 6; ++i) {
        if (m.captured(i).toInt() > 255)
            throw LumiError(QStringLiteral("Invalid reply to PASV: ") + reply.text().left(200),
                            reply.code);
    }
    const int port = m.captured(5).toInt() * 256 + m.captured(6).toInt();
    if (port == 0)
        throw LumiError(QStringLiteral("Invalid reply to PASV: port 0"), reply.code);
    return quint16(port);
}

// "229 Entering Extended Passive Mode (|||6446|)" (RFC 2428, 3).
quint16 ftpEpsvPort(const FtpReply& reply)
{
    static const QRegularExpression re(QStringLiteral("\\((.)\\1\\1(\\d{1,5})\\1\\)"));
    const QRegularExpressionMatch m = re.match(reply.text());
    const int port = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (port <= 0 || port > 65535)
        throw LumiError(QStringLiteral("Invalid reply to EPSV: ") + reply.text().left(200),
                        reply.code);
    return quint16(port);
}

// "150 Opening BINARY mode data connection for x (1234 bytes)".
qint64 ftpOpeningSize(const FtpReply& reply)
{
    static const QRegularExpression re(QStringLiteral("\\((\\d+) bytes\\)"));
    const QRegularExpressionMatch m = re.match(reply.text());
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

QString ftpPwdFolder(const FtpReply& reply)
{
    // 257 "folder" comment; a quote inside the name is doubled (RFC 959, appendix II).
    const QString line = reply.lines.first();
    qsizetype i = line.indexOf(QLatin1Char('"'));
    if (reply.code != 257 || i < 0)
        throw LumiError(QStringLiteral("Invalid reply to PWD: ") + line.left(200), reply.code);
    QString folder;
    for (++i; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('"')) {
            if (i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                folder += QLatin1Char('"');
                ++i;
                continue;
            }
            break;
        }
        if (line[i].unicode() < 0x20 || line[i].unicode() == 0x7f)
            throw LumiError(QStringLiteral("Invalid reply to PWD: the folder name holds control "
                                           "characters"),
                            reply.code);
        folder += line[i];
    }
    if (i >= line.size())
        throw LumiError(QStringLiteral("Invalid reply to PWD: ") + line.left(200), reply.code);
    return folder;
}
