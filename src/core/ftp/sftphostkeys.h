// SSH host keys: the question put about an unknown key, the known_hosts files (the
// program's own in the data folder, written; the user's ~/.ssh/known_hosts, read only) and
// the trust decision on the key a server shows. An unknown key stops the connection before
// anything secret is sent.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// A host key that is neither in the program's known_hosts file nor in the user's, nor
// accepted for this run.
struct SshHostKeyQuestion
{
    QString host;
    quint16 port = 22;
    QString keyType;     // as `ssh-keygen -lf` shows it: "ED25519", "RSA", "ECDSA"
    int bits = 0;        // the key's size, as `ssh-keygen -lf` shows it (256, 3072, ...)
    QString fingerprint; // "SHA256:" and the unpadded base64 of the key's SHA-256
};

enum class SshHostKeyAnswer
{
    Refuse,
    TrustOnce,  // for this connection and the extra connections made from it
    TrustAlways // written to the program's known_hosts file
};

// "SHA256:..." as a user types it: the prefix optional, trailing "=" left out. Empty unless
// it is 43 base64 characters (32 bytes).
QString normalisedHostKeyFingerprint(const QString& typed);

// The program's own known_hosts file (OpenSSH's format): "known_hosts" in the data folder.
QString sftpKnownHostsFile();
// How a host is named in known_hosts: "host" for port 22, else "[host]:port".
QString knownHostsName(const QString& host, quint16 port);

// The user's known_hosts file, ~/.ssh/known_hosts (read, never written).
QString userKnownHostsFile();
// "SHA256:" and the unpadded base64 of the SHA-256 of a public key blob, as ssh-keygen -l.
QString hostKeyFingerprint(const QByteArray& blob);

// What becomes of the host key a server showed.
struct SshHostKeyDecision
{
    QString refusal;  // why the connection ends (nothing was sent); empty: accepted
    QString accepted; // the fingerprint the user accepted (for the extra connections), or empty
    QString note;     // a line for the log: the key could not be stored
};

// The trust decision on the key `shown` describes (typeName as known_hosts names the type,
// "ssh-ed25519"; base64 the key as known_hosts holds it): accepted when a known_hosts file
// holds it for host and port; refused when they hold another key for them (it changed);
// accepted when it is the `accepted` key; otherwise put to `question` (unset: refused), and
// added to the program's known_hosts file on a TrustAlways answer.
SshHostKeyDecision
decideHostKey(const SshHostKeyQuestion& shown, const QByteArray& typeName, const QByteArray& base64,
              const QString& accepted,
              const std::function<SshHostKeyAnswer(const SshHostKeyQuestion&)>& question);
