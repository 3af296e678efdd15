// The host-key question of the FTP window.
#include "ui/sftphostkeydialog.h"

#include "ui/ftpcertificatedialog.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QString hostKeyTypeText(const SshHostKeyQuestion& question)
{
    if (question.bits <= 0)
        return question.keyType;
    return QStringLiteral("%1, %2 bits").arg(question.keyType).arg(question.bits);
}

QString hostKeyHostText(const SshHostKeyQuestion& question)
{
    if (question.port == 22)
        return question.host;
    return QStringLiteral("%1:%2").arg(question.host).arg(question.port);
}

SftpHostKeyDialog::SftpHostKeyDialog(const SshHostKeyQuestion& question, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("SftpHostKeyDialog"));
    setWindowTitle(QStringLiteral("Unknown host key"));
    setModal(true);

    auto* intro =
        new QLabel(QStringLiteral("The host key of %1 is not known. Nothing has been sent to the "
                                  "server yet. Trust the key only if its fingerprint is the one "
                                  "the server's operator gave you.")
                       .arg(hostKeyHostText(question)),
                   this);
    intro->setObjectName(QStringLiteral("lbIntro"));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Host:"),
                 valueLabel(QStringLiteral("lbHost"), hostKeyHostText(question), this));
    form->addRow(QStringLiteral("Key type:"),
                 valueLabel(QStringLiteral("lbKeyType"), hostKeyTypeText(question), this));
    QLabel* fingerprint = valueLabel(QStringLiteral("lbFingerprint"), question.fingerprint, this);
    fingerprint->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    form->addRow(QStringLiteral("Fingerprint:"), fingerprint);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* always =
        buttons->addButton(QStringLiteral("Always trust this host"), QDialogButtonBox::AcceptRole);
    always->setObjectName(QStringLiteral("btAlwaysTrust"));
    QPushButton* once = buttons->addButton(QStringLiteral("Trust once"), QDialogButtonBox::YesRole);
    once->setObjectName(QStringLiteral("btTrustOnce"));
    QPushButton* refuse =
        buttons->addButton(QStringLiteral("Refuse"), QDialogButtonBox::RejectRole);
    refuse->setObjectName(QStringLiteral("btRefuse"));
    // [Return] must not trust a key the user has not looked at.
    always->setAutoDefault(false);
    once->setAutoDefault(false);
    refuse->setDefault(true);
    connect(always, &QPushButton::clicked, this, [this] {
        m_answer = SshHostKeyAnswer::TrustAlways;
        accept();
    });
    connect(once, &QPushButton::clicked, this, [this] {
        m_answer = SshHostKeyAnswer::TrustOnce;
        accept();
    });
    connect(refuse, &QPushButton::clicked, this, &QDialog::reject);
    // The close box and [Esc] refuse as well: m_answer stays Refuse.
    connect(this, &QDialog::rejected, this, [this] { m_answer = SshHostKeyAnswer::Refuse; });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(560);
}

SshHostKeyAnswer SftpHostKeyDialog::ask(QWidget* parent, const SshHostKeyQuestion& question)
{
    SftpHostKeyDialog dialog(question, parent);
    dialog.exec();
    return dialog.answer();
}
