// The FTP window with "sftp://" addresses: the fields that follow the protocol, the
// host-key question with its answers, and a gallery published to OpenSSH's sshd.
#include "ftpform_fixture.h"
#include "sshdserver.h"
#include "ui/sftphostkeydialog.h"
#include "util/dialogs.h"
#include "util/paths.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// Answers the next host-key question by clicking `button`; counts the questions and keeps
// the fingerprint shown.
struct HostKeyAnswerer
{
    int asked = 0;
    QString fingerprint;

    void answerNext(QObject* context, const char* button)
    {
        QTimer::singleShot(0, context, [this, button] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            ASSERT_EQ(dialog->objectName(), QStringLiteral("SftpHostKeyDialog"));
            ++asked;
            fingerprint = dialog->findChild<QLabel*>(QStringLiteral("lbFingerprint"))->text();
            dialog->findChild<QPushButton*>(QLatin1String(button))->click();
        });
    }
};

// Answers the passphrase question; the other dialogs are not expected.
struct PassphrasePrompts : FtpPrompts
{
    QStringList asked;
    QString passphrase;

    QString saveFile(QWidget*, const QString&, const QString&) override { return QString(); }
    QString openFile(QWidget*, const QString&) override { return QString(); }
    std::optional<QString> inputText(QWidget*, const QString&, const QString&,
                                     const QString&) override
    {
        return std::nullopt;
    }
    std::optional<QString> inputSecret(QWidget*, const QString& title,
                                       const QString& prompt) override
    {
        asked.append(title + QLatin1Char('|') + prompt);
        return passphrase;
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

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

TEST(TFTPFormSftp, HostKeyAskedThenGalleryPublishedWithTheKeyFile)
{
    SshdServer sshd;
    ASSERT_TRUE(sshd.start()) << sshd.reason().toStdString();
    const QString keyFile = sshd.encryptedUserKey(QStringLiteral("key secret"));
    const QString fingerprint = sshd.hostKeyFingerprint();
    const PathContext saved = pathContext();
    const auto restore = qScopeGuard([&saved] { setPathContext(saved); });
    QTemporaryDir data, local, remote;
    setDataFoldersForTest(data.path(), data.path()); // known_hosts and the upload record
    qunsetenv("SSH_AUTH_SOCK");                      // the key file logs in, no agent
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);

    TFTPForm form;
    PassphrasePrompts prompts;
    prompts.passphrase = QStringLiteral("key secret");
    form.setPrompts(&prompts);
    ftpControl<QComboBox>(form, "edFtpServer")
        ->setEditText(QStringLiteral("sftp://127.0.0.1:%1").arg(sshd.port()));
    ftpControl<QLineEdit>(form, "edFtpUser")
        ->setText(QString::fromLocal8Bit(getpwuid(geteuid())->pw_name));
    ftpControl<QLineEdit>(form, "edFtpKey")->setText(keyFile);
    ftpControl<QComboBox>(form, "edFtpPath")->setEditText(remote.path());
    QAction* connect = ftpControl<QAction>(form, "actConnectDisconnect");
    const QString knownHosts = data.filePath(QStringLiteral("known_hosts"));

    // Refused: no login, nothing stored.
    HostKeyAnswerer answers;
    answers.answerNext(&form, "btRefuse");
    connect->trigger();
    EXPECT_EQ(answers.asked, 1);
    EXPECT_EQ(answers.fingerprint, fingerprint);
    EXPECT_FALSE(form.client().connected());
    EXPECT_FALSE(QFile::exists(knownHosts));
    EXPECT_EQ(prompts.asked, QStringList()); // no login step before the host key is trusted
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(QStringLiteral("nothing was sent")))
        << dialogs.texts().first().toStdString();
    dialogs.clear();

    // Always trusted: logged in with the key file, the key stored.
    answers.answerNext(&form, "btAlwaysTrust");
    connect->trigger();
    EXPECT_EQ(answers.asked, 2);
    ASSERT_TRUE(form.sftp().connected()) << dialogs.texts().join(u'\n').toStdString();
    EXPECT_TRUE(logHasLineStarting(form, QStringLiteral("Logged in with public key")));
    EXPECT_EQ(prompts.asked,
              QStringList(QStringLiteral("Key passphrase|Passphrase for %1:").arg(keyFile)));
    EXPECT_EQ(ftpControl<QLabel>(form, "sbEncryption")->text(), QStringLiteral("Encrypted: SSH"));
    EXPECT_TRUE(
        readAll(knownHosts)
            .contains(QStringLiteral("[127.0.0.1]:%1 ssh-ed25519 ").arg(sshd.port()).toUtf8()));
    EXPECT_EQ(remoteFolder(form), remote.path());

    // A gallery with a picture folder over two connections, byte for byte.
    const QStringList files{QStringLiteral("index.htm"), QStringLiteral("image1/a.jpg"),
                            QStringLiteral("image1/b.jpg")};
    QDir(local.path()).mkpath(QStringLiteral("image1"));
    for (int i = 0; i < files.size(); ++i) {
        QFile f(local.filePath(files[i]));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100000 * i + 7, char('a' + i)));
    }
    form.setQuellPath(local.path());
    form.ReadFiles(QString(), QString());
    form.ReadFiles(local.filePath(QStringLiteral("image1")), QStringLiteral("a"));
    ftpControl<QSpinBox>(form, "edTransfers")->setValue(2);
    dialogs.queue(DialogResult::Yes);
    form.btUploadClick();
    for (const QString& rel : files)
        EXPECT_EQ(readAll(remote.filePath(rel)), readAll(local.filePath(rel))) << rel.toStdString();
    EXPECT_EQ(dialogs.texts().size(), 1) << dialogs.texts().join(u'\n').toStdString();
    // "Select changed" reads the record and the server's listing over SFTP: nothing changed.
    QListWidget* quelle = ftpControl<QListWidget>(form, "Quelle");
    quelle->item(0)->setCheckState(Qt::Checked);
    form.btSelChangedClick();
    for (int i = 0; i < quelle->count(); ++i)
        EXPECT_EQ(quelle->item(i)->checkState(), Qt::Unchecked) << i;

    // The next connect asks nothing.
    connect->trigger();
    EXPECT_FALSE(form.client().connected());
    connect->trigger();
    EXPECT_TRUE(form.client().connected());
    EXPECT_EQ(answers.asked, 2);
    connect->trigger();

    // The server's key changed: refused with both fingerprints, nothing asked.
    ASSERT_TRUE(sshd.changeHostKey()) << sshd.reason().toStdString();
    const QString other = sshd.hostKeyFingerprint();
    dialogs.clear();
    connect->trigger();
    EXPECT_FALSE(form.client().connected());
    EXPECT_EQ(answers.asked, 2);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(other) &&
                dialogs.texts().first().contains(fingerprint))
        << dialogs.texts().first().toStdString();
}
