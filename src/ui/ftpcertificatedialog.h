// The question the FTP window asks when a server's certificate does not verify: who it
// names, who signed it, how long it is valid, what is wrong with it and its SHA-256
// fingerprint; accept it once or always, or cancel the connection.
#pragma once

#include "ftp/ftptls.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

class FtpCertificateDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FtpCertificateDialog(const FtpCertificateQuestion& question,
                                  QWidget* parent = nullptr);

    // Refuse unless accepted; TrustAlways when accepted with "Always trust" checked.
    FtpCertificateAnswer answer() const;

    // Shows the dialog modally and returns its answer.
    static FtpCertificateAnswer ask(QWidget* parent, const FtpCertificateQuestion& question);

private:
    QCheckBox* m_alwaysTrust = nullptr;
    QPushButton* m_accept = nullptr;
    QPushButton* m_cancel = nullptr;
};

// "CN=name, O=organisation, ..." of a certificate's subject or issuer.
// A label whose text can be selected and copied (a fingerprint, to compare it); both
// questions about the server's identity show their values in these.
QLabel* valueLabel(const QString& name, const QString& text, QWidget* parent);

QString certificateSubjectText(const QSslCertificate& certificate);
QString certificateIssuerText(const QSslCertificate& certificate);
// "2025-01-31 12:00 UTC - 2026-01-31 12:00 UTC".
QString certificateValidityText(const QSslCertificate& certificate);
