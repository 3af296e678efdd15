// The FTP window's protocol: the client an address selects (FTP, or SFTP for "sftp://"),
// the fields that apply to it, the key file chooser, and the questions SFTP asks the user.
#include "ui/ftpform.h"

#include "ui/sftphostkeydialog.h"
#include "util/error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

void TFTPForm::setUpSftp()
{
    // A host key not known is the user's decision.
    m_sftp.hostKeyQuestion = [this](const SshHostKeyQuestion& question) {
        return SftpHostKeyDialog::ask(this, question);
    };
    // An encrypted key file's passphrase is asked like a password, never kept.
    m_sftp.passphraseQuestion = [this](const QString& keyFile) {
        return prompts().inputSecret(this, QStringLiteral("Key passphrase"),
                                     QStringLiteral("Passphrase for %1:").arg(keyFile));
    };
}

void TFTPForm::useClient(RemoteProtocol protocol)
{
    RemoteClient* wanted = protocol == RemoteProtocol::Sftp ? static_cast<RemoteClient*>(&m_sftp)
                                                            : static_cast<RemoteClient*>(&m_ftp);
    if (wanted == m_client)
        return;
    // A connection of the other protocol that died unnoticed is closed before it is left.
    try {
        m_client->disconnectFromServer();
    } catch (const LumiError&) {
        m_client->abortDataChannel();
    }
    m_client = wanted;
    makeUpload();
}

bool TFTPForm::sftpAddress() const
{
    return addressProtocol(m_edFtpServer->currentText()) == RemoteProtocol::Sftp;
}

void TFTPForm::showProtocolFields()
{
    const bool offline = !client().connected();
    const bool sftp = sftpAddress();
    m_edFtpTls->setEnabled(offline && !sftp);
    m_edFtpActive->setEnabled(offline && !sftp);
    m_edFtpKey->setEnabled(offline && sftp);
    m_btKeyFile->setEnabled(offline && sftp);
    m_edFtpTls->setToolTip(sftp ? QStringLiteral("SFTP always encrypts: this applies to FTP only")
                                : QString());
}

void TFTPForm::btKeyFileClick()
{
    const QString file = prompts().openFile(this, QStringLiteral("All files (*)|*"));
    if (!file.isEmpty())
        m_edFtpKey->setText(file);
}
