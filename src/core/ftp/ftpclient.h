// FTPClient: a synchronous FTP client (RFC 959, with SIZE and MDTM of RFC 3659, explicit
// FTP over TLS of RFC 4217) on Qt sockets. Every operation blocks until the server has
// answered or the reply time-out has passed; refused commands and broken connections raise
// LumiError with the reply code and the server's text.
#pragma once

#include <optional>

#include "ftp/ftplisting.h"
#include "ftp/ftpreply.h"
#include "ftp/ftptls.h"
#include "ftp/remoteclient.h"
#include "util/error.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class FtpDataTls;
class QDeadlineTimer;
class QIODevice;
class QSslSocket;
class QTcpServer;

class FTPClient : public RemoteClient
{
    Q_OBJECT

public:
    // Where the control connection is. It decides whether a command may be sent (not
    // Disconnected) and whether a failed connection was announced (Connected: the server
    // was reached, so disconnected() follows its end). Changes go through setState(), which
    // leaves a trace line in the category "lumivista.ftp".
    enum class State
    {
        Disconnected, // no control connection
        Connecting,   // waiting for the TCP connection of the control channel
        Connected     // the server was reached: greeting, login, commands and transfers
    };
    Q_ENUM(State)

    static constexpr qsizetype kMaxReplyLine = 64 * 1024;
    static constexpr qsizetype kMaxListingLine = 64 * 1024;
    // A listing is kept in memory as one string per line (about three times its size on
    // the wire) and then parsed; 32 MiB is some 450,000 entries, far beyond any real
    // folder, and keeps the worst listing a server can send, read and parsed, at about
    // 150 MB of client memory.
    static constexpr qint64 kMaxListingBytes = 32LL * 1024 * 1024;

    explicit FTPClient(QObject* parent = nullptr);
    ~FTPClient() override;

    QString scheme() const override { return QStringLiteral("ftp"); }
    // A client with copyConnectionSettings(*this).
    std::unique_ptr<RemoteClient> newConnection() const override;

    // Connection settings, read at connect (host, port, user, password and the reply
    // time-out are RemoteClient's).
    bool passive() const { return m_passive; }
    void setPassive(bool passive) { m_passive = passive; }
    // FTP over TLS: IfAvailable (the default) asks for it with AUTH TLS and goes on in plain
    // FTP when the server refuses; Require ends the connection then, before USER and PASS.
    FtpTlsMode tlsMode() const { return m_tlsMode; }
    void setTlsMode(FtpTlsMode mode) { m_tlsMode = mode; }
    // The SHA-256 fingerprint of the certificate accepted for this client: set by the
    // caller (a certificate the user accepted before), by a TrustOnce answer, or by the
    // connection itself once a certificate was accepted. A certificate with this
    // fingerprint is accepted without a question.
    QString acceptedFingerprint() const { return m_acceptedFingerprint; }
    void setAcceptedFingerprint(const QString& fingerprint);
    // Asked when the server's certificate neither verifies nor is trusted for host and
    // port; unset means Refuse. It may show a dialog: the connection waits meanwhile.
    std::function<FtpCertificateAnswer(const FtpCertificateQuestion&)> certificateQuestion;

    // Takes host, port, user, password, passive mode, reply time-out, TLS mode and the
    // accepted fingerprint of `other`, so a second connection logs in as the first one did
    // and never asks about the certificate again.
    void copyConnectionSettings(const FTPClient& other);
    // What the server answered to SYST after login.
    QString systemDescription() const { return m_systemDescription; }

    State state() const { return m_state; }
    bool connected() const override;
    // The control connection runs under TLS.
    bool encrypted() const { return m_encrypted; }
    // Listings and files go through TLS as well (PROT P accepted).
    bool dataEncrypted() const { return m_encrypted && m_protectData; }
    // Protocol and cipher of the control connection ("TLSv1.3, TLS_AES_256_GCM_SHA384");
    // empty without TLS.
    QString tlsDescription() const { return m_tlsDescription; }

    // TCP over IPv4 without proxy, greeting, AUTH TLS (unless Plain) with the handshake and
    // the certificate check, USER, PASS, SYST, PBSZ and PROT under TLS; then afterLogin() runs.
    void connectToServer() override;
    // QUIT, then close; disconnected() follows. Does nothing when not connected.
    void disconnectFromServer() override;
    // Closes an open data connection at once (used when a disconnect failed).
    void abortDataChannel() override;

    void noop() override;
    QString currentFolder() override;                 // PWD
    void changeFolder(const QString& path) override;  // CWD
    void parentFolder() override;                     // CDUP
    void setTransferType(TransferType type) override; // TYPE I / TYPE A
    // LIST: the raw lines; with `entries`, also the parsed lines (error when unreadable).
    void listDetails(QStringList& lines, QList<FtpListEntry>* entries = nullptr) override;
    void listNames(QStringList& names) override;              // NLST
    qint64 size(const QString& name) override;                // SIZE; -1 unless the reply is 213
    QDateTime modificationTime(const QString& name) override; // MDTM; zeroTime() if refused
    void makeFolder(const QString& name) override;            // MKD
    void removeFolder(const QString& name) override;          // RMD
    void deleteFile(const QString& name) override;            // DELE
    void rename(const QString& oldName, const QString& newName) override; // RNFR, RNTO
    // STOR of the whole local file; an empty remote name means the local file's name.
    void store(const QString& localFile, const QString& remoteName = QString()) override;
    // RETR into localFile (replaced only once the transfer has completed).
    void retrieve(const QString& remoteName, const QString& localFile) override;
    // XCRC "name" when FEAT lists XCRC; the hex value of a 250 reply, else -1.
    qint64 checksum(const QString& name) override;

Q_SIGNALS:
    // The control connection went under TLS (true) or was closed after running under it.
    void encryptionChanged(bool encrypted);

private:
    enum class Direction
    {
        Download,
        Upload
    };
    using Sink = std::function<void(const QByteArray&)>;

    void setState(State state);
    void ensureConnected() const;
    [[noreturn]] void failConnection(const QString& message, int code = 0);
    void closeConnection();
    void onControlClosed();

    void sendCommand(const QString& command, const QString& argument = QString());
    FtpReply readReply();
    FtpReply command(const QString& command, const QString& argument = QString());
    FtpReply expectCompletion(const QString& command, const QString& argument = QString());
    // The reply to a command the server may refuse: a refusal is an answer (nullopt), not an
    // error; a lost connection still throws.
    std::optional<FtpReply> replyUnlessRefused(const QString& command, const QString& argument);
    [[noreturn]] void throwReply(const FtpReply& reply);
    // The error for a refused command: for a command on a remote file or folder, the message
    // names its path ("Remote folder /htdocs/galerie does not exist (550 ...)").
    LumiError replyError(const QString& command, const QString& argument,
                         const FtpReply& reply) const;
    // `name` as a path from the root when the current folder is known.
    QString remotePath(const QString& name) const;
    void login();
    // TLS (ftpclient.cpp): AUTH TLS and the handshake; the certificate; PBSZ and PROT.
    void secureControl();
    void acceptCertificate();
    void protectData();
    // Waits for data on the control connection.
    void waitForControl(const QDeadlineTimer& deadline);
    bool serverHasFeature(const QString& feature);

    // Data connections (ftptransfer.cpp).
    void openPassiveData();
    void openActiveData();
    void acceptActiveData();
    bool takeActiveData(); // the pending connection of the server, if it is the server's
    void startDataTls();
    void finishDataTls();
    // Ends a transfer command whose data connection failed before it carried data, and
    // reads the server's replies up to that of a NOOP.
    void abortTransfer();
    void runTransfer(const QString& command, const QString& argument, Direction direction,
                     QIODevice* source, const Sink& sink, qint64 expectedBytes);
    void receiveData(const Sink& sink);
    void sendData(QIODevice* source);
    void closeData();
    // A data connection is open (plain on m_data, or under TLS on m_dataTls).
    bool dataOpen() const { return m_data || m_dataTls; }
    void listInto(const QString& command, QStringList& lines);

    bool m_passive = true;
    QString m_systemDescription;
    QString m_folder; // the current remote folder as far as known (PWD, CWD, CDUP); or empty

    FtpTlsMode m_tlsMode = FtpTlsMode::IfAvailable;
    QString m_acceptedFingerprint;

    State m_state = State::Disconnected;
    std::unique_ptr<QSslSocket> m_control;
    std::unique_ptr<QSslSocket> m_data;       // a data connection without TLS
    std::unique_ptr<FtpDataTls> m_dataTls;    // a data connection under TLS (PROT P)
    std::unique_ptr<QTcpServer> m_dataServer; // makes QSslSocket connections
    bool m_encrypted = false;
    bool m_protectData = false; // PROT P: data connections run TLS
    QString m_tlsDescription;
    QByteArray m_controlBuffer;
    FtpReplyAssembler m_assembler;
    bool m_pasvRefused = false; // PASV refused once: use EPSV for the rest of the session
    bool m_portRefused = false; // PORT refused once: use EPRT
    bool m_featuresRead = false;
    QStringList m_features; // FEAT lines, upper-cased, without leading blanks
    int m_busy = 0;         // nesting of running operations
};
