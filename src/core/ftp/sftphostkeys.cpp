// Host keys: the known_hosts files and the trust decision on the key a server shows.
#include "ftp/sftphostkeys.h"

#include "util/fileops.h"
#include "util/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMessageAuthenticationCode>

namespace {

// A host field of a known_hosts line names `name` (plain names, comma-separated, or
// hashed "|1|salt|hash").
bool hostFieldMatches(const QByteArray& field, const QString& name)
{
    const QByteArray wanted = name.toLower().toUtf8();
    if (field.startsWith("|1|")) {
        const QList<QByteArray> parts = field.mid(3).split('|');
        if (parts.size() != 2)
            return false;
        const QByteArray salt = QByteArray::fromBase64(parts[0]);
        return QMessageAuthenticationCode::hash(wanted, salt, QCryptographicHash::Sha1) ==
               QByteArray::fromBase64(parts[1]);
    }
    for (const QByteArray& pattern : field.split(',')) {
        if (pattern.toLower() == wanted)
            return true;
    }
    return false;
}

struct KnownKey
{
    QByteArray type; // "ssh-ed25519"
    QByteArray blob; // decoded
    QString file;
};

QList<KnownKey> knownKeys(const QString& file, const QString& name)
{
    QList<KnownKey> keys;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return keys;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine(64 * 1024).trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith('@'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || !hostFieldMatches(fields[0], name))
            continue;
        keys.append({fields[1], QByteArray::fromBase64(fields[2]), file});
    }
    return keys;
}

} // namespace

QString hostKeyFingerprint(const QByteArray& blob)
{
    return QStringLiteral("SHA256:") +
           QString::fromLatin1(QCryptographicHash::hash(blob, QCryptographicHash::Sha256)
                                   .toBase64(QByteArray::OmitTrailingEquals));
}

QString normalisedHostKeyFingerprint(const QString& typed)
{
    QString text = typed.trimmed();
    if (text.startsWith(QLatin1String("SHA256:"), Qt::CaseInsensitive))
        text = text.mid(7);
    while (text.endsWith(QLatin1Char('=')))
        text.chop(1);
    const QByteArray raw = QByteArray::fromBase64(text.toLatin1());
    if (text.size() != 43 || raw.size() != 32 ||
        raw.toBase64(QByteArray::OmitTrailingEquals) != text.toLatin1())
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
    return port == 22 ? host.toLower() : QStringLiteral("[%1]:%2").arg(host.toLower()).arg(port);
}

QString userKnownHostsFile()
{
    return QDir::home().filePath(QStringLiteral(".ssh/known_hosts"));
}

SshHostKeyDecision
decideHostKey(const SshHostKeyQuestion& shown, const QByteArray& typeName, const QByteArray& base64,
              const QString& accepted,
              const std::function<SshHostKeyAnswer(const SshHostKeyQuestion&)>& question)
{
    const QByteArray blob = QByteArray::fromBase64(base64);
    const QString description = shown.keyType + QLatin1Char(' ') + shown.fingerprint;
    SshHostKeyDecision decision;
    const QString name = knownHostsName(shown.host, shown.port);
    QList<KnownKey> known = knownKeys(sftpKnownHostsFile(), name);
    known += knownKeys(userKnownHostsFile(), name);
    for (const KnownKey& k : std::as_const(known)) {
        if (k.type == typeName && k.blob == blob)
            return decision;
    }
    if (!known.isEmpty()) {
        const KnownKey& old = known.first();
        decision.refusal =
            QStringLiteral("The host key of %1 has changed: it is %2 now, but %3 knows %4 for "
                           "it. Someone may be posing as the server; nothing was sent. If the "
                           "server's operator confirms the new key, remove the old one from %3.")
                .arg(name, description, QDir::toNativeSeparators(old.file),
                     hostKeyFingerprint(old.blob));
        return decision;
    }
    if (!accepted.isEmpty() && accepted == shown.fingerprint)
        return decision;
    const SshHostKeyAnswer answer = question ? question(shown) : SshHostKeyAnswer::Refuse;
    if (answer == SshHostKeyAnswer::Refuse) {
        decision.refusal = QStringLiteral("The host key of %1 (%2) is not known and was not "
                                          "accepted; nothing was sent.")
                               .arg(name, description);
        return decision;
    }
    decision.accepted = shown.fingerprint;
    if (answer == SshHostKeyAnswer::TrustAlways) {
        const QString file = sftpKnownHostsFile();
        QFile current(file);
        QByteArray text;
        if (current.open(QIODevice::ReadOnly))
            text = current.readAll();
        if (!text.isEmpty() && !text.endsWith('\n'))
            text += '\n';
        text += name.toUtf8() + ' ' + typeName + ' ' + base64 + '\n';
        QString error;
        if (file.isEmpty() || !QDir().mkpath(QFileInfo(file).path()) ||
            !replaceFileContents(file, text, &error))
            decision.note = QStringLiteral("The host key could not be stored in %1 (%2); it is "
                                           "trusted for this connection only.")
                                .arg(QDir::toNativeSeparators(file), error);
    }
    return decision;
}
