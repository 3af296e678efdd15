// Reading the FTP address field and forming the connection's URL.
#include "net/ftpaddress.h"

#include "util/error.h"
#include "util/textutil.h"

namespace {

// The leading decimal integer of a text ("2121/www" gives 2121, "abc" gives 0), after
// blanks and a sign; large values stop growing instead of overflowing.
qint64 leadingInteger(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        if (value < 1000000)
            value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

} // namespace

RemoteProtocol addressProtocol(const QString& address)
{
    return address.trimmed().startsWith(QLatin1String("sftp://"), Qt::CaseInsensitive)
               ? RemoteProtocol::Sftp
               : RemoteProtocol::Ftp;
}

quint16 defaultPort(RemoteProtocol protocol)
{
    return protocol == RemoteProtocol::Sftp ? 22 : 21;
}

FtpAddress parseFtpAddress(const QString& address, const QString& user, const QString& password)
{
    FtpAddress result;
    result.protocol = addressProtocol(address);
    result.user = user;
    result.password = password;

    QString text = address;
    if (text.contains(QLatin1String("://")))
        text = tokenAt(text, QStringLiteral("://"), 2);

    if (text.contains(QLatin1Char('@'))) {
        // The last "@": a user name or password may hold "@" itself.
        const int at = lastPos(QStringLiteral("@"), text);
        QString userInfo = text.left(at - 1);
        text = text.mid(at);
        result.user = nextToken(userInfo, QStringLiteral(":"));
        result.password = userInfo; // everything after the first ":", colons included
    }

    result.host = nextToken(text, QStringLiteral(":"));
    const qint64 port = leadingInteger(text);
    if (port > 65535)
        throw LumiError(QStringLiteral("Invalid port number: ") + text.left(20));
    result.port = port > 0 ? quint16(port) : defaultPort(result.protocol);

    if (result.user.isEmpty())
        result.user = QStringLiteral("anonymous");
    return result;
}

FtpAddressFields withoutAddressPassword(const QString& address, const QString& user)
{
    FtpAddressFields result;
    result.address = address;
    result.user = user;
    // The same pieces parseFtpAddress reads: the text after the scheme, the user info
    // before its last "@", the password after the first ":" of the user info.
    const QString separator = QStringLiteral("://");
    const qsizetype scheme = address.indexOf(separator);
    const QString text = scheme < 0 ? address : tokenAt(address, separator, 2);
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'));
    const qsizetype colon = text.left(qMax<qsizetype>(at, 0)).indexOf(QLatin1Char(':'));
    if (at < 0 || colon < 0)
        return result;
    const QString addressUser = text.left(colon);
    result.password = text.mid(colon + 1, at - colon - 1);
    result.passwordTaken = true;
    result.userMoved = user.isEmpty() || user == addressUser;
    if (result.userMoved)
        result.user = addressUser;
    result.address = (scheme < 0 ? QString() : address.left(scheme + separator.size())) +
                     (result.userMoved ? QString() : addressUser + QLatin1Char('@')) +
                     text.mid(at + 1);
    return result;
}

QString ftpAddressUrl(const QString& host, quint16 port, const QString& user,
                      const QString& password, RemoteProtocol protocol)
{
    if (host.isEmpty())
        return {};
    QString url =
        protocol == RemoteProtocol::Sftp ? QStringLiteral("sftp://") : QStringLiteral("ftp://");
    if (!user.isEmpty() && (user != QLatin1String("anonymous") || !password.isEmpty())) {
        url += user;
        if (!password.isEmpty())
            url += QLatin1Char(':') + password;
        url += QLatin1Char('@');
    }
    url += host;
    if (port != defaultPort(protocol))
        url += QLatin1Char(':') + QString::number(port);
    return url;
}
