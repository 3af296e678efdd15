// RemoteClient: what the gallery upload, the upload record, stale-file removal, the remote
// list and the command line need of a connection to a server, whatever protocol it speaks.
// FTPClient (FTP, FTP over TLS) and SftpClient (SFTP over SSH) implement it. Every
// operation blocks until the server has answered or the reply time-out has passed; refused
// commands and broken connections raise LumiError naming the remote path.
#pragma once

#include "ftp/ftplisting.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class RemoteClient : public QObject
{
    Q_OBJECT

public:
    enum class TransferType
    {
        Binary,
        Ascii
    };

    static constexpr int kDefaultReplyTimeout = 30000;

    explicit RemoteClient(QObject* parent = nullptr);
    ~RemoteClient() override;

    // "ftp" or "sftp": the scheme of the client's addresses.
    virtual QString scheme() const = 0;
    // A new client, not connected, with every connection setting of this one (host, port,
    // user, password, time-out, the trust decisions made so far), so that an extra
    // connection logs in as this one did and never asks the user again.
    virtual std::unique_ptr<RemoteClient> newConnection() const = 0;

    // Connection settings, read at connect.
    QString host() const { return m_host; }
    void setHost(const QString& host) { m_host = host; }
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }
    QString username() const { return m_username; }
    void setUsername(const QString& name) { m_username = name; }
    QString password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    int replyTimeout() const { return m_replyTimeout; }
    void setReplyTimeout(int milliseconds) { m_replyTimeout = milliseconds; }

    // Connects and logs in; afterLogin() runs then.
    virtual void connectToServer() = 0;
    // Ends the session politely; disconnected() follows. Does nothing when not connected.
    virtual void disconnectFromServer() = 0;
    virtual bool connected() const = 0;
    // Closes a transfer channel that is still open (used when a disconnect failed).
    virtual void abortDataChannel() {}

    virtual void noop() = 0;
    virtual QString currentFolder() = 0;                // the absolute remote folder
    virtual void changeFolder(const QString& path) = 0; // relative to the current folder
    virtual void parentFolder() = 0;
    // ASCII or binary transfers where the protocol knows the difference (SFTP does not).
    virtual void setTransferType(TransferType type) = 0;
    TransferType transferType() const { return m_transferType; }
    // The current folder's entries as "ls -l" lines; with `entries`, also parsed (error when
    // unreadable).
    virtual void listDetails(QStringList& lines, QList<FtpListEntry>* entries = nullptr) = 0;
    virtual void listNames(QStringList& names) = 0;
    virtual qint64 size(const QString& name) = 0;                // -1 when none is known
    virtual QDateTime modificationTime(const QString& name) = 0; // local; zeroTime() if none
    virtual void makeFolder(const QString& name) = 0;
    virtual void removeFolder(const QString& name) = 0;
    virtual void deleteFile(const QString& name) = 0;
    virtual void rename(const QString& oldName, const QString& newName) = 0;
    // The whole local file; an empty remote name means the local file's name. A file whose
    // transfer failed is not stored, whatever part of it the server kept.
    virtual void store(const QString& localFile, const QString& remoteName = QString()) = 0;
    // A hint: the next store() will most likely send `localFile` to `remotePath` (absolute).
    // A client may start on it now, while the answers about the current file are still on
    // the way; nothing on the server changes before that store() (FTP ignores it).
    virtual void prepareStore(const QString& /*localFile*/, const QString& /*remotePath*/) {}
    // Into localFile (replaced only once the transfer has completed).
    virtual void retrieve(const QString& remoteName, const QString& localFile) = 0;
    // The server's CRC-32 of the file where it offers one, else -1.
    virtual qint64 checksum(const QString& name) = 0;

    // The zero time of the program's date model: 30 December 1899, 00:00.
    static QDateTime zeroTime();

Q_SIGNALS:
    void status(const QString& text);
    void workBegin(qint64 expectedBytes); // -1 when unknown
    void work(qint64 bytesSoFar);
    void workEnd();
    void disconnected();
    void afterLogin();

protected:
    void copyBaseSettings(const RemoteClient& other);

    QString m_host;
    quint16 m_port = 21;
    QString m_username;
    QString m_password;
    int m_replyTimeout = kDefaultReplyTimeout;
    TransferType m_transferType = TransferType::Binary;
};
