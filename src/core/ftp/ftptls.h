// FTP over TLS (explicit, AUTH TLS): the project's choice, the certificate question the
// client asks when a server's certificate does not verify, SHA-256 fingerprints and the
// certificates the user chose to trust (per host and port, in the user's settings store).
#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <QStringList>

#include <functional>

// Stored in the project as FtpTls=0|1|2 in this order.
enum class FtpTlsMode
{
    IfAvailable = 0, // "Use explicit FTP over TLS if available" (the default)
    Require = 1,     // "Require explicit FTP over TLS"
    Plain = 2        // "Only use plain FTP (insecure)"
};

// A server certificate that does not verify against the system's trust store and the
// host name, and is neither trusted for this host and port nor accepted for this run.
struct FtpCertificateQuestion
{
    QString host;
    quint16 port = 0;
    QSslCertificate certificate;
    QStringList problems; // the verification errors, as text
    QString fingerprint;  // certificateFingerprint(certificate)
};

enum class FtpCertificateAnswer
{
    Refuse,
    TrustOnce,  // for this connection (and the extra connections of this upload)
    TrustAlways // remembered for host and port in the user's settings store
};

// A verification error in English, as the FTP window and the log speak (QSslError's own
// text follows the installed translation).
QString certificateProblemText(const QSslError& error);

// SHA-256 of the DER form, upper-case hex pairs joined by colons ("AB:01:...").
QString certificateFingerprint(const QSslCertificate& certificate);
// A fingerprint as a user types it: colons, blanks and case optional. Returns the
// colon-separated upper-case form, or an empty string unless it holds exactly 64 hex digits.
QString normalisedFingerprint(const QString& typed);

// The fingerprint trusted for host and port; empty when none is stored.
QString trustedFingerprint(const QString& host, quint16 port);
// Remembers `fingerprint` (normalised) for host and port. Throws LumiError when the
// settings store cannot be written.
void rememberTrustedFingerprint(const QString& host, quint16 port, const QString& fingerprint);

// A login under TLS at host and port, recorded in the user's settings store (never throws).
void recordTlsLogin(const QString& host, quint16 port);
// Host and port have shown TLS before: a certificate trusted there or a recorded TLS login.
// Then "if available" requires TLS there: a server that refuses it now may be an impostor.
bool tlsShownBefore(const QString& host, quint16 port);

// What becomes of the certificate a server showed at host and port.
struct FtpCertificateDecision
{
    QString fingerprint; // of the certificate accepted for the connection
    QString refusal;     // why the connection ends (nothing secret sent yet); empty: accepted
    QString note;        // a line for the log: trusted from now on, or not remembered
};

// The trust decision on a server's certificate chain: accepted when it verifies for host,
// has the `accepted` fingerprint or the one trusted for host and port; refused when another
// certificate is trusted there (it changed); otherwise put to `question` (unset: refused),
// and remembered for host and port on a TrustAlways answer.
FtpCertificateDecision decideCertificate(
    const QString& host, quint16 port, const QList<QSslCertificate>& chain, const QString& accepted,
    const std::function<FtpCertificateAnswer(const FtpCertificateQuestion&)>& question);
