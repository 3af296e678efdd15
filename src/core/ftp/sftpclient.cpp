// SFTP over libssh.
#include "ftp/sftpclient.h"

#include "util/error.h"
#include "util/paths.h"

#include <QDir>

struct SftpClient::Session
{
};

QString normalisedHostKeyFingerprint(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.startsWith(QLatin1String("SHA256:"), Qt::CaseInsensitive))
        text = text.mid(7);
    while (text.endsWith(QLatin1Char('=')))
        text.chop(1);
    const QByteArray raw = QByteArray::fromBase64(text.toLatin1());
    if (text.size() != 43 || raw.size() != 32)
        return {};
    return QStringLiteral("SHA256:") + text;
}

QString sftpKnownHostsFile()
{
    const QString data = dataDir();
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("known_hosts"));
}

QString knownHostsName(const QString& host, quint16 port)
{
    return port == 22 ? host : QStringLiteral("[%1]:%2").arg(host).arg(port);
}

SftpClient::SftpClient(QObject* parent) : RemoteClient(parent)
{
    m_port = 22;
}

SftpClient::~SftpClient() = default;

std::unique_ptr<RemoteClient> SftpClient::newConnection() const
{
    auto client = std::make_unique<SftpClient>();
    client->copyConnectionSettings(*this);
    return client;
}

void SftpClient::copyConnectionSettings(const SftpClient& other)
{
    copyBaseSettings(other);
    m_identityFile = other.m_identityFile;
    m_useAgent = other.m_useAgent;
    m_acceptedHostKey = other.m_acceptedHostKey;
    passphraseQuestion = other.passphraseQuestion;
}

void SftpClient::setAcceptedHostKey(const QString& fingerprint)
{
    m_acceptedHostKey = normalisedHostKeyFingerprint(fingerprint);
}

void SftpClient::connectToServer()
{
    fail(QStringLiteral("SFTP is not available yet"));
}

void SftpClient::disconnectFromServer()
{
}
bool SftpClient::connected() const
{
    return false;
}
void SftpClient::noop()
{
    ensureConnected();
}
QString SftpClient::currentFolder()
{
    ensureConnected();
    return m_folder;
}
void SftpClient::changeFolder(const QString&)
{
    ensureConnected();
}
void SftpClient::parentFolder()
{
    ensureConnected();
}
void SftpClient::setTransferType(TransferType type)
{
    m_transferType = type;
}
void SftpClient::listDetails(QStringList&, QList<FtpListEntry>*)
{
    ensureConnected();
}
void SftpClient::listNames(QStringList&)
{
    ensureConnected();
}
qint64 SftpClient::size(const QString&)
{
    ensureConnected();
    return -1;
}
QDateTime SftpClient::modificationTime(const QString&)
{
    ensureConnected();
    return zeroTime();
}
void SftpClient::makeFolder(const QString&)
{
    ensureConnected();
}
void SftpClient::removeFolder(const QString&)
{
    ensureConnected();
}
void SftpClient::deleteFile(const QString&)
{
    ensureConnected();
}
void SftpClient::rename(const QString&, const QString&)
{
    ensureConnected();
}
void SftpClient::store(const QString&, const QString&)
{
    ensureConnected();
}
void SftpClient::retrieve(const QString&, const QString&)
{
    ensureConnected();
}
qint64 SftpClient::checksum(const QString&)
{
    return -1;
}

void SftpClient::fail(const QString& message)
{
    throw LumiError(message);
}

void SftpClient::ensureConnected() const
{
    if (!connected())
        throw LumiError(QStringLiteral("Not connected."));
}

QString SftpClient::remotePath(const QString& name) const
{
    return name.startsWith(QLatin1Char('/')) ? name : m_folder + QLatin1Char('/') + name;
}
