// The FTP window with "sftp://" addresses: the fields that follow the protocol, the
// host-key question with its answers, and a gallery published to OpenSSH's sshd.
#include "ftpform_fixture.h"
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
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// OpenSSH's sshd on 127.0.0.1 as a process of the test's own (ended by its PID): a host key,
// a client key authorised for the running user, the SFTP subsystem in-process.
class TestSshd
{
public:
    ~TestSshd()
    {
        m_sshd.kill();
        m_sshd.waitForFinished();
    }

    // The client key is encrypted with `passphrase` unless it is empty.
    bool start(const QString& passphrase)
    {
        const QString dir = m_dir.path();
        if (!makeKey(hostKey(), QString()) || !makeKey(clientKey(), passphrase))
            return false;
        QFile::copy(clientKey() + QStringLiteral(".pub"), dir + QStringLiteral("/authorized"));
        if (!run(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-lf"), hostKey() + QStringLiteral(".pub")}))
            return false;
        m_fingerprint = m_output.split(u' ').value(1);
        QTcpServer probe; // a free port
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        QFile config(dir + QStringLiteral("/sshd_config"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("ListenAddress 127.0.0.1\nPort %1\nHostKey %2\nPidFile none\n"
                                    "AuthorizedKeysFile %3/authorized\nPasswordAuthentication no\n"
                                    "KbdInteractiveAuthentication no\nUsePAM no\nStrictModes no\n"
                                    "PermitRootLogin prohibit-password\nLogLevel ERROR\n"
                                    "Subsystem sftp internal-sftp\n")
                         .arg(m_port)
                         .arg(hostKey(), dir)
                         .toUtf8());
        config.close();
        if (geteuid() == 0) // sshd run by root wants its privilege separation folder
            QDir().mkpath(QStringLiteral("/run/sshd"));
        m_sshd.setProcessChannelMode(QProcess::MergedChannels);
        m_sshd.start(QStringLiteral("/usr/sbin/sshd"), {QStringLiteral("-D"), QStringLiteral("-e"),
                                                        QStringLiteral("-f"), config.fileName()});
        for (int i = 0; i < 100 && m_sshd.state() != QProcess::NotRunning; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(500) && socket.waitForReadyRead(2000) &&
                socket.readAll().startsWith("SSH-"))
                return true;
            QThread::msleep(50);
        }
        m_reason = QStringLiteral("sshd did not start: ") + QString::fromUtf8(m_sshd.readAll());
        return false;
    }

    quint16 port() const { return m_port; }
    QString clientKey() const { return m_dir.filePath(QStringLiteral("id_test")); }
    QString fingerprint() const { return m_fingerprint; }
    QString reason() const { return m_reason; }
    // The fingerprint of a new key made at `path`, whose line goes to `knownHosts` for this
    // server: the server's own key then counts as changed.
    QString putOtherKeyInto(const QString& knownHosts, const QString& path)
    {
        if (!makeKey(path, QString()) ||
            !run(QStringLiteral("ssh-keygen"), {QStringLiteral("-lf"), path}))
            return QString();
        const QString fingerprint = m_output.split(u' ').value(1);
        QFile pub(path + QStringLiteral(".pub")), known(knownHosts);
        if (!pub.open(QIODevice::ReadOnly) || !known.open(QIODevice::WriteOnly))
            return QString();
        known.write(QStringLiteral("[127.0.0.1]:%1 ").arg(m_port).toUtf8() + pub.readAll());
        return fingerprint;
    }

private:
    bool makeKey(const QString& path, const QString& passphrase)
    {
        return run(QStringLiteral("ssh-keygen"),
                   {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                    QStringLiteral("-N"), passphrase, QStringLiteral("-f"), path});
    }
    QString hostKey() const { return m_dir.filePath(QStringLiteral("host_key")); }
    bool run(const QString& program, const QStringList& arguments)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, arguments);
        p.waitForFinished(30000);
        m_output = QString::fromUtf8(p.readAll());
        if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        m_reason = program + QStringLiteral(": ") + m_output;
        return false;
    }

    QTemporaryDir m_dir;
    QProcess m_sshd;
    quint16 m_port = 0;
    QString m_fingerprint, m_output, m_reason;
};

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

bool logHas(const TFTPForm& form, const QString& start)
{
    const QListWidget* log = ftpControl<QListWidget>(form, "lbStatus");
    for (int i = 0; i < log->count(); ++i) {
        if (log->item(i)->text().startsWith(start))
            return true;
    }
    return false;
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
    TestSshd sshd;
    ASSERT_TRUE(sshd.start(QStringLiteral("key secret"))) << sshd.reason().toStdString();
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
    ftpControl<QLineEdit>(form, "edFtpKey")->setText(sshd.clientKey());
    ftpControl<QComboBox>(form, "edFtpPath")->setEditText(remote.path());
    QAction* connect = ftpControl<QAction>(form, "actConnectDisconnect");
    const QString knownHosts = data.filePath(QStringLiteral("known_hosts"));

    // Refused: no login, nothing stored.
    HostKeyAnswerer answers;
    answers.answerNext(&form, "btRefuse");
    connect->trigger();
    EXPECT_EQ(answers.asked, 1);
    EXPECT_EQ(answers.fingerprint, sshd.fingerprint());
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
    EXPECT_TRUE(logHas(form, QStringLiteral("Logged in with public key")));
    EXPECT_EQ(
        prompts.asked,
        QStringList(QStringLiteral("Key passphrase|Passphrase for %1:").arg(sshd.clientKey())));
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

    // Another key known for the address: refused with both fingerprints, nothing asked.
    const QString other =
        sshd.putOtherKeyInto(knownHosts, data.filePath(QStringLiteral("other_key")));
    ASSERT_FALSE(other.isEmpty()) << sshd.reason().toStdString();
    dialogs.clear();
    connect->trigger();
    EXPECT_FALSE(form.client().connected());
    EXPECT_EQ(answers.asked, 2);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(other) &&
                dialogs.texts().first().contains(sshd.fingerprint()))
        << dialogs.texts().first().toStdString();
}
