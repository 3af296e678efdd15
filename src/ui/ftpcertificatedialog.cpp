// The certificate question of the FTP window.
#include "ui/ftpcertificatedialog.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using InfoReader = QStringList (QSslCertificate::*)(QSslCertificate::SubjectInfo) const;

QString nameText(const QSslCertificate& certificate, InfoReader read)
{
    static const struct
    {
        QSslCertificate::SubjectInfo info;
        const char* tag;
    } parts[] = {
        {QSslCertificate::CommonName, "CN"},
        {QSslCertificate::Organization, "O"},
        {QSslCertificate::OrganizationalUnitName, "OU"},
        {QSslCertificate::LocalityName, "L"},
        {QSslCertificate::StateOrProvinceName, "ST"},
        {QSslCertificate::CountryName, "C"},
    };
    QStringList text;
    for (const auto& part : parts) {
        for (const QString& value : (certificate.*read)(part.info))
            text.append(QLatin1String(part.tag) + QLatin1Char('=') + value);
    }
    return text.isEmpty() ? QStringLiteral("(none)") : text.join(QStringLiteral(", "));
}

QString dateText(const QDateTime& date)
{
    if (!date.isValid())
        return QStringLiteral("?");
    return date.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

} // namespace

// A label whose text can be selected and copied (the fingerprint, to compare it).
QLabel* valueLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    return label;
}

QString certificateSubjectText(const QSslCertificate& certificate)
{
    return nameText(certificate, &QSslCertificate::subjectInfo);
}

QString certificateIssuerText(const QSslCertificate& certificate)
{
    return nameText(certificate, &QSslCertificate::issuerInfo);
}

QString certificateValidityText(const QSslCertificate& certificate)
{
    return dateText(certificate.effectiveDate()) + QStringLiteral(" - ") +
           dateText(certificate.expiryDate());
}

FtpCertificateDialog::FtpCertificateDialog(const FtpCertificateQuestion& question, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FtpCertificateDialog"));
    setWindowTitle(QStringLiteral("Server certificate"));
    setModal(true);

    const QSslCertificate& certificate = question.certificate;
    auto* intro = new QLabel(
        QStringLiteral("The certificate of %1:%2 could not be verified. Accept it only if the "
                       "fingerprint is the one the server's operator gave you.")
            .arg(question.host)
            .arg(question.port),
        this);
    intro->setObjectName(QStringLiteral("lbIntro"));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Subject:"), valueLabel(QStringLiteral("lbSubject"),
                                                        certificateSubjectText(certificate), this));
    form->addRow(QStringLiteral("Issuer:"),
                 valueLabel(QStringLiteral("lbIssuer"), certificateIssuerText(certificate), this));
    form->addRow(QStringLiteral("Valid:"), valueLabel(QStringLiteral("lbValidity"),
                                                      certificateValidityText(certificate), this));
    form->addRow(QStringLiteral("Problems:"),
                 valueLabel(QStringLiteral("lbProblems"),
                            question.problems.isEmpty() ? QStringLiteral("(none given)")
                                                        : question.problems.join(u'\n'),
                            this));
    QLabel* fingerprint = valueLabel(QStringLiteral("lbFingerprint"), question.fingerprint, this);
    fingerprint->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    form->addRow(QStringLiteral("SHA-256 fingerprint:"), fingerprint);

    m_alwaysTrust = new QCheckBox(QStringLiteral("Always trust this certificate"), this);
    m_alwaysTrust->setObjectName(QStringLiteral("cbAlwaysTrust"));

    auto* buttons = new QDialogButtonBox(this);
    m_accept = buttons->addButton(QStringLiteral("Accept"), QDialogButtonBox::AcceptRole);
    m_accept->setObjectName(QStringLiteral("btAccept"));
    m_cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName(QStringLiteral("btCancel"));
    // [Return] must not accept a certificate the user has not looked at.
    m_accept->setAutoDefault(false);
    m_cancel->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_alwaysTrust);
    layout->addWidget(buttons);
    setMinimumWidth(560);
}

FtpCertificateAnswer FtpCertificateDialog::answer() const
{
    if (result() != QDialog::Accepted)
        return FtpCertificateAnswer::Refuse;
    return m_alwaysTrust->isChecked() ? FtpCertificateAnswer::TrustAlways
                                      : FtpCertificateAnswer::TrustOnce;
}

FtpCertificateAnswer FtpCertificateDialog::ask(QWidget* parent,
                                               const FtpCertificateQuestion& question)
{
    FtpCertificateDialog dialog(question, parent);
    dialog.exec();
    return dialog.answer();
}
