// SftpClient: SFTP (version 3) over an SSH connection made by libssh. The SFTP packets are
// spoken here over the "sftp" subsystem channel, so that a file's writes travel several at
// once instead of one per round trip. The server's host key is trusted on first use (the
// decision and the known_hosts files are in sftphostkeys.h). The login tries, in this
// order, the identity file, the keys of a running ssh-agent, and the password. The session
// is the client's one state: none when disconnected.
#pragma once

#include "ftp/remoteclient.h"
#include "ftp/sftphostkeys.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class SftpClient : public RemoteClient
{
    Q_OBJECT

public:
    // WRITE requests of 32 KiB in flight at once per file.
    static constexpr int kWriteWindow = 32;
    static constexpr int kChunkSize = 32 * 1024;

    explicit SftpClient(QObject* parent = nullptr);
    ~SftpClient() override;

    QString scheme() const override { return QStringLiteral("sftp"); }
    std::unique_ptr<RemoteClient> newConnection() const override;
    void copyConnectionSettings(const SftpClient& other);

    // A private key file (OpenSSH or PEM format) tried before the agent and the password;
    // "~/" stands for the home folder. Empty: none.
    QString identityFile() const { return m_identityFile; }
    void setIdentityFile(const QString& path) { m_identityFile = path; }
    // The keys of the ssh-agent at SSH_AUTH_SOCK are tried (default true).
    bool useAgent() const { return m_useAgent; }
    void setUseAgent(bool use) { m_useAgent = use; }
    // Asked for the passphrase of an encrypted identity file (its path as the user gave
    // it); nullopt or unset: the file is skipped. It may show a dialog.
    std::function<std::optional<QString>(const QString& identityFile)> passphraseQuestion;

    // The host key accepted without a question for this client ("SHA256:..."): set by the
    // caller (`--accept-host-key`), by a TrustOnce or TrustAlways answer.
    QString acceptedHostKey() const { return m_acceptedHostKey; }
    void setAcceptedHostKey(const QString& fingerprint);
    // Asked about an unknown host key; unset means Refuse.
    std::function<SshHostKeyAnswer(const SshHostKeyQuestion&)> hostKeyQuestion;
    // The host key of the last connection: type and fingerprint ("ED25519 SHA256:...").
    QString hostKeyDescription() const { return m_hostKeyDescription; }
    // How the last login succeeded: "public key ~/.ssh/id_ed25519", "a key of the
    // ssh-agent (alice@laptop)", "password"; empty before a login.
    QString loginMethod() const { return m_loginMethod; }

    void connectToServer() override;
    void disconnectFromServer() override;
    bool connected() const override;

    void noop() override;
    QString currentFolder() override;
    void changeFolder(const QString& path) override;
    void parentFolder() override;
    void setTransferType(TransferType type) override; // no difference in SFTP
    void listDetails(QStringList& lines, QList<FtpListEntry>* entries = nullptr) override;
    void listNames(QStringList& names) override;
    qint64 size(const QString& name) override;
    QDateTime modificationTime(const QString& name) override;
    void makeFolder(const QString& name) override;
    void removeFolder(const QString& name) override;
    void deleteFile(const QString& name) override;
    void rename(const QString& oldName, const QString& newName) override;
    // OPEN (without truncating), the WRITEs, the truncation to the file's size and CLOSE;
    // the file counts as stored once the server confirmed them all.
    void store(const QString& localFile, const QString& remoteName = QString()) override;
    // Sends the OPEN of the next file at once, so that store() finds its handle waiting.
    void prepareStore(const QString& localFile, const QString& remotePath) override;
    void retrieve(const QString& remoteName, const QString& localFile) override;
    qint64 checksum(const QString& name) override; // always -1

    struct Session; // the libssh session and channel, and the SFTP packets on it
    // A folder entry as READDIR gives it.
    struct DirEntry
    {
        QString name;
        bool folder = false;
        bool file = false;
        qint64 size = -1;
        qint64 mtime = -1; // seconds since 1970
        quint32 permissions = 0;
        quint32 uid = 0;
        quint32 gid = 0;
    };

private:
    struct Reply
    {
        quint8 type = 0;
        quint32 id = 0;
        QByteArray body; // after type and id
    };
    struct Stat
    {
        bool folder = false;
        bool file = false;
        qint64 size = -1;
        qint64 mtime = -1;
    };

    void checkHostKey();
    void login();
    void openSftp();
    // Ends the session (disconnected() follows when it was open) and throws `message`.
    [[noreturn]] void fail(const QString& message);
    void ensureConnected() const;
    // `name` against the current folder, "." and ".." resolved: "/web/image1/a.jpg".
    QString remotePath(const QString& name) const;

    // Packets: a whole packet out; one in (waits up to the reply time-out).
    void sendRaw(const QByteArray& payload);
    QByteArray readRaw();
    quint32 send(quint8 type, const QByteArray& body); // returns the request id
    // The next answer not yet taken (answers to dropped requests are skipped).
    Reply receive();
    Reply waitFor(quint32 id);                          // the answer to request `id`
    Reply request(quint8 type, const QByteArray& body); // send, then wait for its answer
    // Closes the handles of the OPENs sent ahead (all, or those before `keep`), without
    // waiting for the CLOSE.
    void dropPrepared(const QString& keep = QString());
    void forgetRequests(); // of a session that ended
    QByteArray openedHandle(const Reply& reply, const QString& path, const QString& what);
    // A STATUS answer with code OK; else false with the server's text in `text`.
    bool isOk(const Reply& reply, QString* text) const;
    static quint32 statusCode(const Reply& reply);
    QString nameReply(const Reply& reply, const QString& path);
    std::optional<Stat> stat(const QString& path, QString* problem);
    QList<DirEntry> readFolder(const QString& path);
    void closeHandle(const QByteArray& handle, QString* problem = nullptr);
    // A request on one path answered by STATUS; `what` takes the path and the server's text.
    void simple(quint8 type, const QString& path, const QString& what,
                const QByteArray& extra = QByteArray());

    QString m_identityFile;
    bool m_useAgent = true;
    QString m_acceptedHostKey;
    QString m_hostKeyDescription;
    QString m_loginMethod;
    std::optional<QString> m_passphrase; // of the identity file, once it opened it
    QHash<quint32, Reply> m_early;       // answers read while waiting for another
    QSet<quint32> m_dropped;             // requests whose answers nobody waits for
    struct Prepared
    {
        QString path;
        quint32 openId = 0;
    };
    QList<Prepared> m_prepared; // OPENs sent ahead, oldest first
    QString m_folder;           // the current remote folder, absolute
    QSet<QString> m_knownDirs;  // folders seen to exist in this session
    std::unique_ptr<Session> m_session;
};
