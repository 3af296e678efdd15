// The FTP window with "sftp://" addresses: the fields that follow the protocol and the
// host-key question with its answers.
#include "ftpform_fixture.h"
#include "ui/sftphostkeydialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

SshHostKeyQuestion sampleQuestion(quint16 port)
{
    SshHostKeyQuestion question;
    question.host = QStringLiteral("photos.example.org");
    question.port = port;
    question.keyType = QStringLiteral("ED25519");
    question.bits = 256;
    question.fingerprint = QStringLiteral("SHA256:anDE2P3tAOTShyhbMSZoIj33YCopWb1DfxjuZStjgT0");
    return question;
}

// The dialog's answer after clicking `button` (nullptr: closed with [Esc]).
SshHostKeyAnswer answerBy(const char* button)
{
    SftpHostKeyDialog dialog(sampleQuestion(22));
    dialog.show();
    if (button)
        dialog.findChild<QPushButton*>(QLatin1String(button))->click();
    else
        dialog.reject();
    return dialog.answer();
}

} // namespace

TEST(SftpHostKeyDialog, ShowsHostKeyTypeAndFingerprint)
{
    const SshHostKeyQuestion question = sampleQuestion(2222);
    SftpHostKeyDialog dialog(question);
    const auto text = [&dialog](const char* name) {
        QLabel* label = dialog.findChild<QLabel*>(QLatin1String(name));
        return label ? label->text() : QStringLiteral("<missing>");
    };
    EXPECT_EQ(text("lbHost"), QStringLiteral("photos.example.org:2222"));
    EXPECT_EQ(text("lbKeyType"), QStringLiteral("ED25519, 256 bits"));
    EXPECT_EQ(text("lbFingerprint"), question.fingerprint);
    EXPECT_TRUE(text("lbIntro").contains(QStringLiteral("Nothing has been sent")));
    QPushButton* always = dialog.findChild<QPushButton*>(QStringLiteral("btAlwaysTrust"));
    ASSERT_NE(always, nullptr);
    EXPECT_EQ(always->text(), QStringLiteral("Always trust this host"));
    // [Return] refuses.
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("btRefuse"))->isDefault());
    EXPECT_EQ(hostKeyHostText(sampleQuestion(22)), QStringLiteral("photos.example.org"));
}

TEST(SftpHostKeyDialog, EachButtonGivesItsAnswer)
{
    EXPECT_EQ(answerBy("btAlwaysTrust"), SshHostKeyAnswer::TrustAlways);
    EXPECT_EQ(answerBy("btTrustOnce"), SshHostKeyAnswer::TrustOnce);
    EXPECT_EQ(answerBy("btRefuse"), SshHostKeyAnswer::Refuse);
    EXPECT_EQ(answerBy(nullptr), SshHostKeyAnswer::Refuse);
}

TEST(TFTPFormSftp, AddressSchemeSelectsTheFieldsThatApply)
{
    TFTPForm form;
    auto* address = ftpControl<QComboBox>(form, "edFtpServer");
    auto* tls = ftpControl<QComboBox>(form, "edFtpTls");
    auto* active = ftpControl<QCheckBox>(form, "edFtpActive");
    auto* key = ftpControl<QLineEdit>(form, "edFtpKey");
    auto* chooser = ftpControl<QPushButton>(form, "btKeyFile");
    const struct
    {
        const char* text;
        bool sftp;
    } cases[] = {{"sftp://photos.example.org", true},
                 {"SFTP://photos.example.org:2222", true},
                 {"ftp://photos.example.org", false},
                 {"photos.example.org", false},
                 {"", false}};
    for (const auto& c : cases) {
        address->setEditText(QLatin1String(c.text));
        EXPECT_EQ(tls->isEnabled(), !c.sftp) << c.text;
        EXPECT_EQ(active->isEnabled(), !c.sftp) << c.text;
        EXPECT_EQ(key->isEnabled(), c.sftp) << c.text;
        EXPECT_EQ(chooser->isEnabled(), c.sftp) << c.text;
    }
}
