// Fingerprints, the trusted certificates of the settings store and the trust decision on a
// server's certificate.
#include "ftp/ftptls.h"

#include "util/error.h"
#include "util/programsettings.h"

#include <QCryptographicHash>

namespace {

QString colonHex(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex(':').toUpper());
}

} // namespace

QString certificateProblemText(const QSslError& error)
{
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
        return QStringLiteral("The certificate is self-signed and not trusted");
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("The root of the certificate chain is self-signed and not trusted");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
        return QStringLiteral("The issuer's certificate is not among the trusted ones");
    case QSslError::UnableToVerifyFirstCertificate:
        return QStringLiteral("No certificate of the chain could be verified");
    case QSslError::HostNameMismatch:
        return QStringLiteral("The certificate is not made out for this host name");
    case QSslError::CertificateExpired:
        return QStringLiteral("The certificate has expired");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("The certificate is not valid yet");
    case QSslError::InvalidNotBeforeField:
    case QSslError::InvalidNotAfterField:
        return QStringLiteral("The certificate's validity dates are invalid");
    case QSslError::CertificateSignatureFailed:
    case QSslError::UnableToDecryptCertificateSignature:
    case QSslError::UnableToDecodeIssuerPublicKey:
        return QStringLiteral("The certificate's signature could not be verified");
    case QSslError::CertificateRevoked:
        return QStringLiteral("The certificate has been revoked");
    case QSslError::CertificateBlacklisted:
        return QStringLiteral("The certificate is blacklisted");
    case QSslError::InvalidCaCertificate:
        return QStringLiteral("An issuer's certificate may not sign certificates");
    case QSslError::PathLengthExceeded:
        return QStringLiteral("The certificate chain is too long");
    case QSslError::InvalidPurpose:
    case QSslError::CertificateUntrusted:
    case QSslError::CertificateRejected:
        return QStringLiteral("The certificate is not trusted for this purpose");
    case QSslError::NoPeerCertificate:
        return QStringLiteral("The server sent no certificate");
    default:
        return QStringLiteral("Certificate error %1").arg(int(error.error()));
    }
}

QString certificateFingerprint(const QSslCertificate& certificate)
{
    return colonHex(certificate.digest(QCryptographicHash::Sha256));
}

QString normalisedFingerprint(const QString& typed)
{
    QString hex;
    for (const QChar c : typed) {
        if (c == QLatin1Char(':') || c.isSpace())
            continue;
        const char16_t u = c.unicode();
        const bool hexDigit =
            (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f') || (u >= u'A' && u <= u'F');
        if (!hexDigit)
            return QString();
        hex += c;
    }
    if (hex.size() != 64)
        return QString();
    return colonHex(QByteArray::fromHex(hex.toLatin1()));
}

QString trustedFingerprint(const QString& host, quint16 port)
{
    return normalisedFingerprint(readServerSetting(kFtpCertificates, host, port));
}

void rememberTrustedFingerprint(const QString& host, quint16 port, const QString& fingerprint)
{
    writeServerSetting(kFtpCertificates, host, port, normalisedFingerprint(fingerprint));
}

void recordTlsLogin(const QString& host, quint16 port)
{
    if (readServerSetting(kFtpTlsLogins, host, port))
        return;
    try {
        writeServerSetting(kFtpTlsLogins, host, port, true);
    } catch (const LumiError&) {
        // costs the downgrade check for this server, not the connection
    }
}

bool tlsShownBefore(const QString& host, quint16 port)
{
    return !trustedFingerprint(host, port).isEmpty() ||
           readServerSetting(kFtpTlsLogins, host, port);
}

FtpCertificateDecision decideCertificate(
    const QString& host, quint16 port, const QList<QSslCertificate>& chain, const QString& accepted,
    const std::function<FtpCertificateAnswer(const FtpCertificateQuestion&)>& question)
{
    const QString where = QStringLiteral("%1:%2").arg(host).arg(port);
    FtpCertificateDecision decision;
    if (chain.isEmpty()) {
        decision.refusal = QStringLiteral("The server at %1 sent no certificate. No user name or "
                                          "password was sent.")
                               .arg(where);
        return decision;
    }
    const QString fingerprint = certificateFingerprint(chain.first());
    decision.fingerprint = fingerprint;
    const QList<QSslError> errors = QSslCertificate::verify(chain, host);
    if (errors.isEmpty() || fingerprint == accepted)
        return decision;
    const QString trusted = trustedFingerprint(host, port);
    if (fingerprint == trusted)
        return decision;
    if (!trusted.isEmpty()) {
        decision.refusal = QStringLiteral("The certificate of %1 has CHANGED since it was trusted. "
                                          "Trusted SHA-256 fingerprint: %2; the server now shows: "
                                          "%3. Someone may be listening in. The connection was "
                                          "closed; no user name or password was sent.")
                               .arg(where, trusted, fingerprint);
        return decision;
    }

    FtpCertificateQuestion asked;
    asked.host = host;
    asked.port = port;
    asked.certificate = chain.first();
    asked.fingerprint = fingerprint;
    for (const QSslError& error : errors)
        asked.problems.append(certificateProblemText(error));
    const FtpCertificateAnswer answer = question ? question(asked) : FtpCertificateAnswer::Refuse;
    if (answer == FtpCertificateAnswer::Refuse) {
        decision.refusal = QStringLiteral("The certificate of %1 was refused: %2. SHA-256 "
                                          "fingerprint: %3. No user name or password was sent.")
                               .arg(where, asked.problems.join(QStringLiteral("; ")), fingerprint);
        return decision;
    }
    if (answer == FtpCertificateAnswer::TrustAlways) {
        // The user said yes to this certificate: a settings store that cannot be written
        // costs the question next time, not this connection.
        try {
            rememberTrustedFingerprint(host, port, fingerprint);
            decision.note = QStringLiteral("The certificate of %1 is trusted from now on (SHA-256 "
                                           "fingerprint %2).")
                                .arg(where, fingerprint);
        } catch (const LumiError& e) {
            decision.note = QStringLiteral("The certificate of %1 is accepted for this connection "
                                           "only; it could not be remembered: %2")
                                .arg(where, e.message());
        }
    }
    return decision;
}
