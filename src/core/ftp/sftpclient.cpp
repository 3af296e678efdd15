// SFTP version 3 (draft-ietf-secsh-filexfer-02) spoken over the "sftp" subsystem channel of a
// libssh session. Requests carry ids and the server answers them in order; a file's WRITE
// requests go out kWriteWindow at once, so a file costs about two round trips (OPEN, then
// the writes with CLOSE) plus its bytes. Every wait on the server ends after the reply
// time-out, so a dead server never hangs the program.
#include "ftp/sftpclient.h"

#include "util/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSaveFile>
#include <QScopeGuard>
#include <libssh/libssh.h>

namespace {

// Packet types.
enum : quint8
{
    FxpInit = 1,
    FxpVersion = 2,
    FxpOpen = 3,
    FxpClose = 4,
    FxpRead = 5,
    FxpWrite = 6,
    FxpLstat = 7,
    FxpFsetstat = 10,
    FxpOpendir = 11,
    FxpReaddir = 12,
    FxpRemove = 13,
    FxpMkdir = 14,
    FxpRmdir = 15,
    FxpRealpath = 16,
    FxpStat = 17,
    FxpRename = 18,
    FxpStatus = 101,
    FxpHandle = 102,
    FxpData = 103,
    FxpName = 104,
    FxpAttrs = 105
};

enum : quint32
{
    FxOk = 0,
    FxEof = 1,
    FxNoSuchFile = 2,
    FxPermissionDenied = 3,
    FxFailure = 4
};

constexpr quint32 kOpenRead = 0x01;
constexpr quint32 kOpenWrite = 0x02;
constexpr quint32 kOpenCreate = 0x08;
constexpr quint32 kOpenTruncate = 0x10;
constexpr quint32 kAttrSize = 0x01;
constexpr quint32 kAttrUidGid = 0x02;
constexpr quint32 kAttrPermissions = 0x04;
constexpr quint32 kAttrTimes = 0x08;
constexpr quint32 kAttrExtended = 0x80000000;
// A packet longer than this is no SFTP server's answer.
constexpr quint32 kMaxPacket = 4 * 1024 * 1024;
// A folder of more entries than this is taken for a server that never ends its listing; an
// FTP listing is cut off at about the same count (FTPClient::kMaxListingBytes).
constexpr qsizetype kMaxFolderEntries = 450000;
constexpr int kMaxEmptyBatches = 8;

struct Attributes
{
    quint32 flags = 0;
    qint64 size = -1;
    quint32 uid = 0;
    quint32 gid = 0;
    quint32 permissions = 0;
    qint64 mtime = -1;

    bool isFolder() const
    {
        return (flags & kAttrPermissions) && (permissions & 0170000) == 0040000;
    }
    bool isFile() const
    {
        return !(flags & kAttrPermissions) || (permissions & 0170000) == 0100000;
    }
};

class Writer
{
public:
    Writer& u8(quint8 v)
    {
        data.append(char(v));
        return *this;
    }
    Writer& u32(quint32 v)
    {
        for (int shift = 24; shift >= 0; shift -= 8)
            data.append(char((v >> shift) & 0xFF));
        return *this;
    }
    Writer& u64(quint64 v)
    {
        u32(quint32(v >> 32));
        return u32(quint32(v));
    }
    Writer& string(const QByteArray& s)
    {
        u32(quint32(s.size()));
        data.append(s);
        return *this;
    }
    QByteArray data;
};

class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_data(bytes) {}
    quint8 u8()
    {
        if (!need(1))
            return 0;
        return quint8(m_data[m_pos++]);
    }
    quint32 u32()
    {
        if (!need(4))
            return 0;
        quint32 v = 0;
        for (int i = 0; i < 4; ++i)
            v = (v << 8) | quint8(m_data[m_pos++]);
        return v;
    }
    quint64 u64()
    {
        const quint64 high = u32();
        return (high << 32) | u32();
    }
    QByteArray string()
    {
        const quint32 n = u32();
        if (!need(qsizetype(n)))
            return {};
        const QByteArray s = m_data.mid(m_pos, n);
        m_pos += n;
        return s;
    }
    Attributes attributes()
    {
        Attributes a;
        a.flags = u32();
        if (a.flags & kAttrSize)
            a.size = qint64(u64());
        if (a.flags & kAttrUidGid) {
            a.uid = u32();
            a.gid = u32();
        }
        if (a.flags & kAttrPermissions)
            a.permissions = u32();
        if (a.flags & kAttrTimes) {
            u32(); // atime
            a.mtime = u32();
        }
        if (a.flags & kAttrExtended) {
            const quint32 count = u32();
            for (quint32 i = 0; i < count && m_ok; ++i) {
                string();
                string();
            }
        }
        return a;
    }
    bool ok() const { return m_ok; }

private:
    bool need(qsizetype n)
    {
        if (n < 0 || m_pos + n > m_data.size())
            m_ok = false;
        return m_ok;
    }
    QByteArray m_data;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

// A refusal of the server: its status code and text.
struct SftpStatus
{
    quint32 code = FxOk;
    QString text;
};

QString statusText(quint32 code, const QString& serverText)
{
    if (!serverText.isEmpty())
        return serverText;
    switch (code) {
    case FxEof:
        return QStringLiteral("End of file");
    case FxNoSuchFile:
        return QStringLiteral("No such file");
    case FxPermissionDenied:
        return QStringLiteral("Permission denied");
    case FxFailure:
        return QStringLiteral("Failure");
    default:
        return QStringLiteral("SFTP error %1").arg(code);
    }
}

QString expandHome(const QString& path)
{
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

QString keyTypeName(ssh_key key)
{
    switch (ssh_key_type(key)) {
    case SSH_KEYTYPE_RSA:
        return QStringLiteral("RSA");
    case SSH_KEYTYPE_ED25519:
        return QStringLiteral("ED25519");
    case SSH_KEYTYPE_ECDSA_P256:
    case SSH_KEYTYPE_ECDSA_P384:
    case SSH_KEYTYPE_ECDSA_P521:
        return QStringLiteral("ECDSA");
    case SSH_KEYTYPE_DSS:
        return QStringLiteral("DSA");
    default:
        return QString::fromLatin1(ssh_key_type_to_char(ssh_key_type(key))).toUpper();
    }
}

// The size `ssh-keygen -l` shows: the modulus of an RSA key (read from its public blob:
// type, exponent, modulus), the curve of the others.
int keyBits(ssh_key key, const QByteArray& blob)
{
    switch (ssh_key_type(key)) {
    case SSH_KEYTYPE_ED25519:
    case SSH_KEYTYPE_ECDSA_P256:
        return 256;
    case SSH_KEYTYPE_ECDSA_P384:
        return 384;
    case SSH_KEYTYPE_ECDSA_P521:
        return 521;
    case SSH_KEYTYPE_RSA: {
        Reader r(blob);
        r.string();
        r.string();
        QByteArray modulus = r.string();
        while (!modulus.isEmpty() && modulus[0] == 0)
            modulus.remove(0, 1);
        if (!r.ok() || modulus.isEmpty())
            return 0;
        int top = 8;
        while (top > 0 && !(quint8(modulus[0]) & (1 << (top - 1))))
            --top;
        return int(modulus.size() - 1) * 8 + top;
    }
    default:
        return 0;
    }
}

} // namespace

struct SftpClient::Session
{
    ssh_session ssh = nullptr;
    ssh_channel channel = nullptr;
    quint32 nextId = 1;
    QByteArray input;
    int timeout = kDefaultReplyTimeout;

    ~Session()
    {
        if (channel) {
            if (ssh_is_connected(ssh))
                ssh_channel_close(channel);
            ssh_channel_free(channel);
        }
        if (ssh) {
            ssh_disconnect(ssh);
            ssh_free(ssh);
        }
    }
    bool alive() const
    {
        return ssh && ssh_is_connected(ssh) && channel && ssh_channel_is_open(channel) &&
               !ssh_channel_is_eof(channel);
    }
    QString error() const { return ssh ? QString::fromUtf8(ssh_get_error(ssh)) : QString(); }
};

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
    m_passphrase = other.m_passphrase;
}

void SftpClient::setAcceptedHostKey(const QString& fingerprint)
{
    m_acceptedHostKey = normalisedHostKeyFingerprint(fingerprint);
}

bool SftpClient::connected() const
{
    return m_session && m_session->alive();
}

void SftpClient::ensureConnected() const
{
    if (!connected())
        throw LumiError(QStringLiteral("Not connected."));
}

void SftpClient::fail(const QString& message)
{
    const bool wasOpen = m_session != nullptr;
    m_session.reset();
    forgetRequests();
    if (wasOpen)
        Q_EMIT disconnected();
    throw LumiError(message);
}

void SftpClient::forgetRequests()
{
    m_early.clear();
    m_dropped.clear();
    m_prepared.clear();
}

void SftpClient::connectToServer()
{
    m_session.reset();
    forgetRequests();
    m_knownDirs.clear();
    m_loginMethod.clear();
    m_hostKeyDescription.clear();
    auto session = std::make_unique<Session>();
    session->timeout = m_replyTimeout;
    session->ssh = ssh_new();
    if (!session->ssh)
        throw LumiError(QStringLiteral("Cannot start an SSH session."));
    const QByteArray host = m_host.toUtf8();
    const QByteArray user = m_username.toUtf8();
    const unsigned int port = m_port;
    const long seconds = qMax(1, m_replyTimeout / 1000);
    const long micros = long(m_replyTimeout % 1000) * 1000;
    const bool no = false;
    const QByteArray ownKnown = sftpKnownHostsFile().toUtf8();
    const QByteArray userKnown = userKnownHostsFile().toUtf8();
    ssh_options_set(session->ssh, SSH_OPTIONS_PROCESS_CONFIG, &no);
    // Small requests leave at once, not when the last one was acknowledged.
    const int noDelay = 1;
    ssh_options_set(session->ssh, SSH_OPTIONS_NODELAY, &noDelay);
    ssh_options_set(session->ssh, SSH_OPTIONS_HOST, host.constData());
    ssh_options_set(session->ssh, SSH_OPTIONS_PORT, &port);
    if (!user.isEmpty())
        ssh_options_set(session->ssh, SSH_OPTIONS_USER, user.constData());
    ssh_options_set(session->ssh, SSH_OPTIONS_TIMEOUT, &seconds);
    ssh_options_set(session->ssh, SSH_OPTIONS_TIMEOUT_USEC, &micros);
    // Only used to prefer the host key types already known for the host.
    if (!ownKnown.isEmpty())
        ssh_options_set(session->ssh, SSH_OPTIONS_KNOWNHOSTS, ownKnown.constData());
    ssh_options_set(session->ssh, SSH_OPTIONS_GLOBAL_KNOWNHOSTS, userKnown.constData());
    m_session = std::move(session);

    Q_EMIT status(QStringLiteral("Connecting to %1:%2").arg(m_host).arg(m_port));
    if (ssh_connect(m_session->ssh) != SSH_OK)
        fail(QStringLiteral("Cannot connect to %1:%2 (%3)")
                 .arg(m_host)
                 .arg(m_port)
                 .arg(m_session->error()));
    checkHostKey();
    Q_EMIT status(QStringLiteral("Connected. Host key %1").arg(m_hostKeyDescription));
    login();
    openSftp();
    Q_EMIT status(QStringLiteral("Logged in with %1.").arg(m_loginMethod));
    Q_EMIT afterLogin();
}

void SftpClient::checkHostKey()
{
    ssh_key key = nullptr;
    if (ssh_get_server_publickey(m_session->ssh, &key) != SSH_OK || !key)
        fail(QStringLiteral("%1:%2 sent no host key").arg(m_host).arg(m_port));
    const auto freeKey = qScopeGuard([key] { ssh_key_free(key); });
    char* base64 = nullptr;
    if (ssh_pki_export_pubkey_base64(key, &base64) != SSH_OK || !base64)
        fail(QStringLiteral("The host key of %1:%2 cannot be read").arg(m_host).arg(m_port));
    const QByteArray encoded(base64);
    ssh_string_free_char(base64);
    const QByteArray blob = QByteArray::fromBase64(encoded);
    const QByteArray typeName = ssh_key_type_to_char(ssh_key_type(key));

    SshHostKeyQuestion question;
    question.host = m_host;
    question.port = m_port;
    question.keyType = keyTypeName(key);
    question.bits = keyBits(key, blob);
    question.fingerprint = hostKeyFingerprint(blob);
    m_hostKeyDescription = question.keyType + QLatin1Char(' ') + question.fingerprint;

    const SshHostKeyDecision decision =
        decideHostKey(question, typeName, encoded, m_acceptedHostKey, hostKeyQuestion);
    if (!decision.refusal.isEmpty())
        fail(decision.refusal);
    if (!decision.accepted.isEmpty())
        m_acceptedHostKey = decision.accepted;
    if (!decision.note.isEmpty())
        Q_EMIT status(decision.note);
}

void SftpClient::login()
{
    ssh_session ssh = m_session->ssh;
    // libssh itself failed (not a refusal): the connection is of no further use.
    const auto failOnError = [this](int result) {
        if (result == SSH_AUTH_ERROR)
            fail(QStringLiteral("Login at %1:%2 failed (%3)")
                     .arg(m_host)
                     .arg(m_port)
                     .arg(m_session->error()));
    };
    int result = ssh_userauth_none(ssh, nullptr);
    if (result == SSH_AUTH_SUCCESS) {
        m_loginMethod = QStringLiteral("no authentication");
        return;
    }
    failOnError(result);
    const int methods = ssh_userauth_list(ssh, nullptr);
    QStringList tried;

    if (!m_identityFile.isEmpty() && (methods & SSH_AUTH_METHOD_PUBLICKEY)) {
        const QByteArray path = QFile::encodeName(expandHome(m_identityFile));
        ssh_key key = nullptr;
        int imported =
            ssh_pki_import_privkey_file(path.constData(), nullptr, nullptr, nullptr, &key);
        if (imported != SSH_OK && QFileInfo(QString::fromUtf8(path)).isFile()) {
            std::optional<QString> passphrase = m_passphrase;
            if (!passphrase && passphraseQuestion)
                passphrase = passphraseQuestion(m_identityFile);
            if (passphrase) {
                imported = ssh_pki_import_privkey_file(
                    path.constData(), passphrase->toUtf8().constData(), nullptr, nullptr, &key);
                if (imported == SSH_OK)
                    m_passphrase = passphrase; // for the extra connections
            }
        }
        if (imported != SSH_OK) {
            Q_EMIT status(
                QStringLiteral("The identity file %1 cannot be read (missing, damaged, or "
                               "a wrong passphrase).")
                    .arg(m_identityFile));
            tried << QStringLiteral("public key %1 (unreadable)").arg(m_identityFile);
        } else {
            result = ssh_userauth_publickey(ssh, nullptr, key);
            ssh_key_free(key);
            tried << QStringLiteral("public key %1").arg(m_identityFile);
            if (result == SSH_AUTH_SUCCESS) {
                m_loginMethod = QStringLiteral("public key %1").arg(m_identityFile);
                return;
            }
        }
    }
    if (m_useAgent && !qEnvironmentVariableIsEmpty("SSH_AUTH_SOCK") &&
        (methods & SSH_AUTH_METHOD_PUBLICKEY)) {
        result = ssh_userauth_agent(ssh, nullptr);
        tried << QStringLiteral("ssh-agent");
        if (result == SSH_AUTH_SUCCESS) {
            m_loginMethod = QStringLiteral("a key of the ssh-agent");
            return;
        }
    }
    if (!m_password.isEmpty() && (methods & SSH_AUTH_METHOD_PASSWORD)) {
        result = ssh_userauth_password(ssh, nullptr, m_password.toUtf8().constData());
        tried << QStringLiteral("password");
        if (result == SSH_AUTH_SUCCESS) {
            m_loginMethod = QStringLiteral("password");
            return;
        }
    } else if (!m_password.isEmpty() && (methods & SSH_AUTH_METHOD_INTERACTIVE)) {
        tried << QStringLiteral("password");
        result = ssh_userauth_kbdint(ssh, nullptr, nullptr);
        while (result == SSH_AUTH_INFO) {
            const int prompts = ssh_userauth_kbdint_getnprompts(ssh);
            for (int i = 0; i < prompts; ++i)
                ssh_userauth_kbdint_setanswer(ssh, i, m_password.toUtf8().constData());
            result = ssh_userauth_kbdint(ssh, nullptr, nullptr);
        }
        if (result == SSH_AUTH_SUCCESS) {
            m_loginMethod = QStringLiteral("password");
            return;
        }
    }
    failOnError(result);
    fail(QStringLiteral("Login refused by %1:%2 for user %3 (tried: %4)")
             .arg(m_host)
             .arg(m_port)
             .arg(m_username, tried.isEmpty() ? QStringLiteral("nothing: no password, key or agent")
                                              : tried.join(QStringLiteral(", "))));
}

void SftpClient::openSftp()
{
    Session& s = *m_session;
    s.channel = ssh_channel_new(s.ssh);
    if (!s.channel || ssh_channel_open_session(s.channel) != SSH_OK ||
        ssh_channel_request_subsystem(s.channel, "sftp") != SSH_OK)
        fail(QStringLiteral("%1:%2 offers no SFTP (%3)").arg(m_host).arg(m_port).arg(s.error()));
    Writer init;
    init.u8(FxpInit).u32(3);
    sendRaw(init.data);
    const QByteArray version = readRaw();
    if (version.isEmpty() || quint8(version[0]) != FxpVersion)
        fail(QStringLiteral("%1:%2 does not speak SFTP").arg(m_host).arg(m_port));
    Writer path;
    path.string(".");
    m_folder = nameReply(request(FxpRealpath, path.data), QStringLiteral("."));
    m_knownDirs.insert(m_folder);
}

void SftpClient::sendRaw(const QByteArray& payload)
{
    Writer packet;
    packet.u32(quint32(payload.size()));
    packet.data += payload;
    const QByteArray& bytes = packet.data;
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const int n = ssh_channel_write(m_session->channel, bytes.constData() + sent,
                                        uint32_t(bytes.size() - sent));
        if (n <= 0)
            fail(QStringLiteral("The connection to %1:%2 was lost (%3)")
                     .arg(m_host)
                     .arg(m_port)
                     .arg(m_session->error()));
        sent += n;
    }
}

QByteArray SftpClient::readRaw()
{
    Session& s = *m_session;
    char buffer[64 * 1024];
    for (;;) {
        if (s.input.size() >= 4) {
            Reader length(s.input.left(4));
            const quint32 n = length.u32();
            if (n == 0 || n > kMaxPacket)
                fail(QStringLiteral("%1:%2 sent a damaged SFTP packet").arg(m_host).arg(m_port));
            if (s.input.size() >= qsizetype(4 + n)) {
                const QByteArray payload = s.input.mid(4, n);
                s.input.remove(0, 4 + n);
                return payload;
            }
        }
        const int n = ssh_channel_read_timeout(s.channel, buffer, sizeof buffer, 0, s.timeout);
        if (n > 0) {
            s.input.append(buffer, n);
            continue;
        }
        if (n == 0 && s.alive())
            fail(QStringLiteral("%1:%2 did not answer within %3 seconds")
                     .arg(m_host)
                     .arg(m_port)
                     .arg(s.timeout / 1000));
        fail(QStringLiteral("The connection to %1:%2 was lost").arg(m_host).arg(m_port));
    }
}

quint32 SftpClient::send(quint8 type, const QByteArray& body)
{
    const quint32 id = m_session->nextId++;
    Writer payload;
    payload.u8(type).u32(id);
    payload.data += body;
    sendRaw(payload.data);
    return id;
}

SftpClient::Reply SftpClient::receive()
{
    for (;;) {
        const QByteArray payload = readRaw();
        Reader r(payload);
        Reply reply;
        reply.type = r.u8();
        reply.id = r.u32();
        reply.body = payload.mid(5);
        if (!r.ok())
            fail(QStringLiteral("%1:%2 sent a damaged SFTP packet").arg(m_host).arg(m_port));
        if (!m_dropped.remove(reply.id))
            return reply;
    }
}

SftpClient::Reply SftpClient::waitFor(quint32 id)
{
    if (const auto early = m_early.find(id); early != m_early.end()) {
        Reply reply = *early;
        m_early.erase(early);
        return reply;
    }
    for (;;) {
        Reply reply = receive();
        if (reply.id == id)
            return reply;
        m_early.insert(reply.id, reply);
    }
}

SftpClient::Reply SftpClient::request(quint8 type, const QByteArray& body)
{
    dropPrepared();
    return waitFor(send(type, body));
}

void SftpClient::dropPrepared(const QString& keep)
{
    while (!m_prepared.isEmpty() && m_prepared.first().path != keep && connected()) {
        const quint32 openId = m_prepared.takeFirst().openId;
        const Reply opened = waitFor(openId);
        if (opened.type == FxpHandle) {
            Writer h;
            h.string(Reader(opened.body).string());
            m_dropped.insert(send(FxpClose, h.data));
        }
    }
}

QByteArray SftpClient::openedHandle(const Reply& reply, const QString& path, const QString& what)
{
    if (reply.type == FxpHandle) {
        Reader r(reply.body);
        const QByteArray handle = r.string();
        if (r.ok())
            return handle;
    }
    QString problem;
    isOk(reply, &problem);
    throw LumiError(what.arg(path, problem));
}

void SftpClient::prepareStore(const QString& /*localFile*/, const QString& remotePath)
{
    if (!connected() || remotePath.isEmpty())
        return;
    try {
        // Two files ahead at most: the one store() sends next and the one after it.
        if (m_prepared.size() >= 2)
            dropPrepared(m_prepared.last().path);
        const QString path = this->remotePath(remotePath);
        Writer open;
        open.string(path.toUtf8()).u32(kOpenWrite | kOpenCreate).u32(0);
        m_prepared.append(Prepared{path, send(FxpOpen, open.data)});
    } catch (const LumiError&) {
        // the store itself reports what went wrong
    }
}

bool SftpClient::isOk(const Reply& reply, QString* text) const
{
    if (reply.type != FxpStatus) {
        if (text)
            *text = QStringLiteral("unexpected answer %1").arg(reply.type);
        return false;
    }
    Reader r(reply.body);
    const quint32 code = r.u32();
    const QString message = QString::fromUtf8(r.string());
    if (code == FxOk)
        return true;
    if (text)
        *text = statusText(code, message);
    return false;
}

quint32 SftpClient::statusCode(const Reply& reply)
{
    if (reply.type != FxpStatus)
        return FxFailure;
    Reader r(reply.body);
    return r.u32();
}

QString SftpClient::nameReply(const Reply& reply, const QString& path)
{
    if (reply.type == FxpName) {
        Reader r(reply.body);
        if (r.u32() >= 1) {
            const QString name = QString::fromUtf8(r.string());
            if (r.ok())
                return name;
        }
    }
    QString text;
    isOk(reply, &text);
    throw LumiError(QStringLiteral("Cannot open remote folder %1 (%2)").arg(path, text));
}

QString SftpClient::remotePath(const QString& name) const
{
    const QString joined =
        name.startsWith(QLatin1Char('/')) ? name : m_folder + QLatin1Char('/') + name;
    QStringList parts;
    for (const QString& part : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

std::optional<SftpClient::Stat> SftpClient::stat(const QString& path, QString* problem)
{
    Writer body;
    body.string(path.toUtf8());
    const Reply reply = request(FxpStat, body.data);
    if (reply.type != FxpAttrs) {
        isOk(reply, problem);
        return std::nullopt;
    }
    Reader r(reply.body);
    const Attributes a = r.attributes();
    return Stat{a.isFolder(), a.isFile(), a.size, a.mtime};
}

void SftpClient::noop()
{
    ensureConnected();
    stat(m_folder, nullptr);
}

QString SftpClient::currentFolder()
{
    ensureConnected();
    return m_folder;
}

void SftpClient::changeFolder(const QString& path)
{
    ensureConnected();
    const QString target = remotePath(path);
    if (!m_knownDirs.contains(target)) {
        QString problem;
        const std::optional<Stat> s = stat(target, &problem);
        if (!s)
            throw LumiError(
                QStringLiteral("Remote folder %1 does not exist (%2)").arg(target, problem));
        if (!s->folder)
            throw LumiError(
                QStringLiteral("Cannot open remote folder %1 (not a folder)").arg(target));
        m_knownDirs.insert(target);
    }
    m_folder = target;
}

void SftpClient::parentFolder()
{
    changeFolder(QStringLiteral(".."));
}

void SftpClient::setTransferType(TransferType type)
{
    m_transferType = type;
}

QList<SftpClient::DirEntry> SftpClient::readFolder(const QString& path)
{
    Writer body;
    body.string(path.toUtf8());
    const Reply opened = request(FxpOpendir, body.data);
    QString problem;
    if (opened.type != FxpHandle) {
        isOk(opened, &problem);
        throw LumiError(QStringLiteral("Cannot list remote folder %1 (%2)").arg(path, problem));
    }
    const QByteArray handle = Reader(opened.body).string();
    QList<DirEntry> entries;
    int emptyBatches = 0;
    for (;;) {
        Writer h;
        h.string(handle);
        const Reply reply = request(FxpReaddir, h.data);
        if (reply.type != FxpName) {
            if (statusCode(reply) != FxEof) {
                isOk(reply, &problem);
                closeHandle(handle);
                throw LumiError(
                    QStringLiteral("Cannot list remote folder %1 (%2)").arg(path, problem));
            }
            break;
        }
        Reader r(reply.body);
        const quint32 count = r.u32();
        // The listing is kept in memory: a server whose listing does not end (endless
        // entries, or batch after batch of none) is cut off rather than followed.
        emptyBatches = count == 0 ? emptyBatches + 1 : 0;
        if (emptyBatches > kMaxEmptyBatches ||
            entries.size() + qsizetype(count) > kMaxFolderEntries) {
            closeHandle(handle);
            throw LumiError(QStringLiteral("Cannot list remote folder %1 (the server's listing "
                                           "does not end)")
                                .arg(path));
        }
        for (quint32 i = 0; i < count && r.ok(); ++i) {
            DirEntry e;
            e.name = QString::fromUtf8(r.string());
            r.string(); // the server's own "ls -l" line
            const Attributes a = r.attributes();
            e.folder = a.isFolder();
            e.file = a.isFile() && !e.folder;
            e.size = a.size;
            e.mtime = a.mtime;
            e.permissions = a.permissions;
            e.uid = a.uid;
            e.gid = a.gid;
            if (r.ok() && e.name != QLatin1String(".") && e.name != QLatin1String("..") &&
                !e.name.contains(QLatin1Char('\n')) && !e.name.contains(QLatin1Char('\r')))
                entries.append(e);
        }
    }
    closeHandle(handle);
    return entries;
}

void SftpClient::closeHandle(const QByteArray& handle, QString* problem)
{
    Writer h;
    h.string(handle);
    const Reply reply = request(FxpClose, h.data);
    if (!isOk(reply, problem) && problem && problem->isEmpty())
        *problem = QStringLiteral("Failure");
}

namespace {

QString permissionText(const SftpClient::DirEntry& e)
{
    QString text = e.folder ? QStringLiteral("d")
                   : e.file ? QStringLiteral("-")
                            : QStringLiteral("l");
    const char* marks = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (e.permissions & (0400 >> bit)) ? QLatin1Char(marks[bit]) : QLatin1Char('-');
    return text;
}

} // namespace

void SftpClient::listDetails(QStringList& lines, QList<FtpListEntry>* entries)
{
    ensureConnected();
    lines.clear();
    if (entries)
        entries->clear();
    const QLocale c = QLocale::c();
    const QDateTime now = QDateTime::currentDateTime();
    for (const DirEntry& e : readFolder(m_folder)) {
        const QDateTime modified =
            e.mtime >= 0 ? QDateTime::fromSecsSinceEpoch(e.mtime) : zeroTime();
        // "ls -l": the time for the last six months, else the year.
        const bool recent = modified > now.addMonths(-6) && modified <= now.addDays(1);
        const QString when =
            c.toString(modified, QStringLiteral("MMM ")) +
            QString::number(modified.date().day()).rightJustified(2) +
            (recent ? c.toString(modified, QStringLiteral(" HH:mm"))
                    : QStringLiteral("  ") + QString::number(modified.date().year()));
        lines.append(QStringLiteral("%1 1 %2 %3 %4 %5 %6")
                         .arg(permissionText(e))
                         .arg(e.uid)
                         .arg(e.gid)
                         .arg(qMax<qint64>(e.size, 0), 12)
                         .arg(when, e.name));
        if (entries)
            entries->append({e.name,
                             e.folder ? FtpEntryKind::Folder
                             : e.file ? FtpEntryKind::File
                                      : FtpEntryKind::Other,
                             e.size, modified, QString()});
    }
}

void SftpClient::listNames(QStringList& names)
{
    ensureConnected();
    names.clear();
    for (const DirEntry& e : readFolder(m_folder))
        names.append(e.name);
}

qint64 SftpClient::size(const QString& name)
{
    ensureConnected();
    const std::optional<Stat> s = stat(remotePath(name), nullptr);
    return s && s->file ? s->size : -1;
}

QDateTime SftpClient::modificationTime(const QString& name)
{
    ensureConnected();
    const std::optional<Stat> s = stat(remotePath(name), nullptr);
    return s && s->mtime >= 0 ? QDateTime::fromSecsSinceEpoch(s->mtime) : zeroTime();
}

void SftpClient::simple(quint8 type, const QString& path, const QString& what,
                        const QByteArray& extra)
{
    ensureConnected();
    Writer body;
    body.string(path.toUtf8());
    body.data += extra;
    QString problem;
    if (!isOk(request(type, body.data), &problem))
        throw LumiError(what.arg(path, problem));
}

void SftpClient::makeFolder(const QString& name)
{
    const QString path = remotePath(name);
    simple(FxpMkdir, path, QStringLiteral("Cannot make remote folder %1 (%2)"),
           Writer().u32(0).data);
    m_knownDirs.insert(path);
}

void SftpClient::removeFolder(const QString& name)
{
    const QString path = remotePath(name);
    m_knownDirs.remove(path);
    simple(FxpRmdir, path, QStringLiteral("Cannot remove remote folder %1 (%2)"));
}

void SftpClient::deleteFile(const QString& name)
{
    simple(FxpRemove, remotePath(name), QStringLiteral("Cannot delete remote file %1 (%2)"));
}

void SftpClient::rename(const QString& oldName, const QString& newName)
{
    m_knownDirs.clear();
    simple(FxpRename, remotePath(oldName), QStringLiteral("Cannot rename remote file %1 (%2)"),
           Writer().string(remotePath(newName).toUtf8()).data);
}

void SftpClient::store(const QString& localFile, const QString& remoteName)
{
    ensureConnected();
    const QString path =
        remotePath(remoteName.isEmpty() ? QFileInfo(localFile).fileName() : remoteName);
    const QString what = QStringLiteral("Cannot store remote file %1 (%2)");
    QFile source(localFile);
    if (!source.open(QIODevice::ReadOnly)) {
        dropPrepared();
        throw LumiError(QStringLiteral("Cannot read local file %1 (%2)")
                            .arg(QDir::toNativeSeparators(localFile), source.errorString()));
    }
    const qint64 total = source.size();
    QHash<quint32, qint64> pending; // request id -> bytes written by it (0: not a WRITE)
    qint64 acknowledged = 0;
    QString problem;
    bool readFailed = false;
    bool workBegun = false;
    try {
        // The OPEN sent by prepareStore() when it is this file's; one that failed (its
        // folder was made since) is tried again.
        QByteArray handle;
        if (std::any_of(m_prepared.cbegin(), m_prepared.cend(),
                        [&path](const Prepared& p) { return p.path == path; })) {
            dropPrepared(path);
            const quint32 openId = m_prepared.takeFirst().openId;
            const Reply opened = waitFor(openId);
            if (opened.type == FxpHandle)
                handle = Reader(opened.body).string();
        }
        Writer open;
        open.string(path.toUtf8()).u32(kOpenWrite | kOpenCreate).u32(0);
        // Not through request(): the OPENs sent ahead for the next files stay.
        if (handle.isEmpty())
            handle = openedHandle(waitFor(send(FxpOpen, open.data)), path, what);

        Q_EMIT workBegin(total);
        workBegun = true;
        qint64 offset = 0;
        bool closing = false;
        for (;;) {
            while (problem.isEmpty() && !readFailed && pending.size() < kWriteWindow &&
                   offset < total) {
                const QByteArray chunk = source.read(kChunkSize);
                if (chunk.isEmpty()) {
                    readFailed = true;
                    break;
                }
                Writer w;
                w.string(handle).u64(quint64(offset)).string(chunk);
                pending.insert(send(FxpWrite, w.data), chunk.size());
                offset += chunk.size();
            }
            if (!closing && (offset >= total || readFailed || !problem.isEmpty())) {
                // An older, longer file is cut to this one's size; then the handle closes.
                // Both go out behind the last WRITE, answered in the same round trip.
                closing = true;
                if (problem.isEmpty() && !readFailed) {
                    Writer truncate;
                    truncate.string(handle).u32(kAttrSize).u64(quint64(total));
                    pending.insert(send(FxpFsetstat, truncate.data), 0);
                }
                Writer close;
                close.string(handle);
                pending.insert(send(FxpClose, close.data), 0);
            }
            if (pending.isEmpty())
                break;
            Reply reply;
            bool found = false;
            for (auto it = m_early.begin(); it != m_early.end(); ++it) {
                if (pending.contains(it.key())) {
                    reply = *it;
                    m_early.erase(it);
                    found = true;
                    break;
                }
            }
            if (!found)
                reply = receive();
            const auto it = pending.constFind(reply.id);
            if (it == pending.cend()) {
                m_early.insert(reply.id, reply);
                continue;
            }
            const qint64 bytes = *it;
            pending.remove(reply.id);
            QString text;
            if (!isOk(reply, &text)) {
                // OpenSSH's server answers a full disk (and other write errors of its
                // system) with a bare "Failure".
                if (statusCode(reply) == FxFailure && bytes > 0)
                    text += QStringLiteral(": the server could not write it; its disk may be "
                                           "full");
                if (problem.isEmpty())
                    problem = text;
                continue;
            }
            if (bytes > 0) {
                acknowledged += bytes;
                Q_EMIT work(acknowledged);
            }
        }
    } catch (const LumiError& e) {
        if (workBegun)
            Q_EMIT workEnd();
        if (connected())
            throw;
        throw LumiError(what.arg(path, e.message()));
    }
    Q_EMIT workEnd();
    if (readFailed && problem.isEmpty())
        problem = QStringLiteral("the local file %1 could not be read to its end")
                      .arg(QDir::toNativeSeparators(localFile));
    if (!problem.isEmpty())
        throw LumiError(what.arg(path, problem));
}

void SftpClient::retrieve(const QString& remoteName, const QString& localFile)
{
    ensureConnected();
    const QString path = remotePath(remoteName);
    Writer open;
    open.string(path.toUtf8()).u32(kOpenRead).u32(0);
    const Reply opened = request(FxpOpen, open.data);
    QString problem;
    if (opened.type != FxpHandle) {
        isOk(opened, &problem);
        throw LumiError(QStringLiteral("Cannot download remote file %1 (%2)").arg(path, problem));
    }
    const QByteArray handle = Reader(opened.body).string();
    const std::optional<Stat> info = stat(path, nullptr);
    Q_EMIT workBegin(info && info->size >= 0 ? info->size : -1);
    QSaveFile target(localFile);
    if (!target.open(QIODevice::WriteOnly)) {
        closeHandle(handle);
        Q_EMIT workEnd();
        throw LumiError(QStringLiteral("Cannot write local file %1 (%2)")
                            .arg(QDir::toNativeSeparators(localFile), target.errorString()));
    }
    // Reads in flight, answered in order. A short read (which SFTP allows) stops asking
    // until the answers owed are in, then asks again from where the data ends.
    QList<QPair<quint32, qint64>> pending; // id, offset
    qint64 next = 0;
    qint64 written = 0;
    bool atEnd = false;
    bool resync = false;
    while (problem.isEmpty() && (!atEnd || !pending.isEmpty())) {
        if (resync && pending.isEmpty()) {
            resync = false;
            next = written;
        }
        while (!atEnd && !resync && pending.size() < kWriteWindow) {
            Writer r;
            r.string(handle).u64(quint64(next)).u32(kChunkSize);
            pending.append({send(FxpRead, r.data), next});
            next += kChunkSize;
        }
        const Reply reply = receive();
        if (pending.isEmpty() || reply.id != pending.first().first)
            continue;
        const qint64 offset = pending.takeFirst().second;
        if (offset != written || atEnd)
            continue; // beyond a short read or the end: asked again or not needed
        if (reply.type == FxpData) {
            const QByteArray data = Reader(reply.body).string();
            if (target.write(data) != data.size())
                problem = target.errorString();
            written += data.size();
            Q_EMIT work(written);
            if (data.size() < kChunkSize)
                resync = true;
        } else if (statusCode(reply) == FxEof) {
            atEnd = true;
        } else {
            isOk(reply, &problem);
        }
    }
    // Answers still owed are read and dropped.
    while (!pending.isEmpty()) {
        const Reply reply = receive();
        if (reply.id == pending.first().first)
            pending.removeFirst();
    }
    closeHandle(handle);
    Q_EMIT workEnd();
    if (!problem.isEmpty())
        throw LumiError(QStringLiteral("Cannot download remote file %1 (%2)").arg(path, problem));
    if (!target.commit())
        throw LumiError(QStringLiteral("Cannot write local file %1 (%2)")
                            .arg(QDir::toNativeSeparators(localFile), target.errorString()));
}

qint64 SftpClient::checksum(const QString& /*name*/)
{
    return -1;
}

void SftpClient::disconnectFromServer()
{
    if (!m_session)
        return;
    try {
        dropPrepared();
    } catch (const LumiError&) {
        // going anyway
    }
    m_session.reset();
    forgetRequests();
    Q_EMIT disconnected();
}
