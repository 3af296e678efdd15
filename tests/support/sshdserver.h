// OpenSSH's sshd as a test server: started by the test as its own process on 127.0.0.1 at a
// free port with a configuration, host key and authorized key of its own in a temporary
// folder, the SFTP subsystem in-process (internal-sftp); ended by its PID. Needs root
// (sshd changes to the logged-in user); reason() says why it did not start.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <optional>

class SshdServer
{
public:
    SshdServer();
    ~SshdServer();

    bool start();
    void stop();
    QString reason() const { return m_reason; }

    quint16 port() const { return m_port; }
    QString folder() const { return m_dir.path(); }
    // "SHA256:..." of the current host key, as `ssh-keygen -lf` prints it.
    QString hostKeyFingerprint() const;
    // A new host key (sshd restarted on the same port): a known key that changed.
    bool changeHostKey();
    // The private key whose public half is authorized; `passphrase` protects a copy.
    QString userKey() const { return m_dir.filePath(QStringLiteral("userkey")); }
    QString encryptedUserKey(const QString& passphrase);
    // Makes a user with `password` and a home in the folder (removed again by the
    // destructor); false with reason() when useradd or chpasswd fail.
    bool addUser(const QString& name, const QString& password);
    // Ends the session processes of logged-in clients (the listener stays): their
    // connections break.
    void cutSessions();

    // Runs a helper program; its standard output, or nullopt when it failed.
    static std::optional<QString> run(const QString& program, const QStringList& args,
                                      const QByteArray& input = QByteArray());

private:
    bool makeHostKey();

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_reason;
    QString m_user; // made by addUser
};

// ssh-agent as the test's own process with the key `keyFile` added; its socket in
// socket(), ended by its PID.
class SshAgent
{
public:
    explicit SshAgent(const QString& folder);
    ~SshAgent();
    bool add(const QString& keyFile);
    QString socket() const { return m_socket; }

private:
    QString m_socket;
    qint64 m_pid = 0;
};
