// The FTP window against pyftpdlib requiring explicit FTP over TLS with a self-signed
// certificate: the certificate question, "Always trust", the encryption panel, the log,
// and a changed certificate.
#include "ftp/ftptls.h"
#include "ftpform_fixture.h"
#include "ftptestserver.h"
#include "ui/translations.h"
#include "util/dialogs.h"
#include "util/paths.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// What the certificate question showed, answered by clicking `button` ("btAccept" or
// "btCancel"), with "Always trust" as given.
struct CertificateAnswerer
{
    int asked = 0;
    QString fingerprint, subject, validity, problems;

    void answerNext(QObject* context, const char* button, bool always)
    {
        QTimer::singleShot(0, context, [this, button, always] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            ASSERT_EQ(dialog->objectName(), QStringLiteral("FtpCertificateDialog"));
            ++asked;
            const auto text = [dialog](const char* name) {
                QLabel* label = dialog->findChild<QLabel*>(QLatin1String(name));
                return label ? label->text() : QStringLiteral("<missing>");
            };
            fingerprint = text("lbFingerprint");
            subject = text("lbSubject");
            validity = text("lbValidity");
            problems = text("lbProblems");
            dialog->findChild<QCheckBox*>(QStringLiteral("cbAlwaysTrust"))->setChecked(always);
            dialog->findChild<QPushButton*>(QLatin1String(button))->click();
        });
    }
};

} // namespace

TEST(TFTPFormTls, AsksOnceTrustsAlwaysAndRefusesAChangedCertificate)
{
    QTemporaryDir data; // the user's settings store, where trusted certificates go
    setDataFoldersForTest(data.path(), data.path());
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    server.setTls(true);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    const QString fingerprint = server.certificateFingerprint();
    ASSERT_EQ(fingerprint.size(), 32 * 3 - 1);

    // Qt's own texts in German, as in the program: the dialog stays in English all the same.
    ASSERT_TRUE(installQtGerman(*QCoreApplication::instance()));
    TFTPForm form;
    ftpControl<QComboBox>(form, "edFtpServer")
        ->setEditText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
    ftpControl<QLineEdit>(form, "edFtpUser")->setText(server.user());
    ftpControl<QLineEdit>(form, "edFtpPw")->setText(server.password());
    ftpControl<QComboBox>(form, "edFtpTls")->setCurrentIndex(int(FtpTlsMode::Require));
    QAction* connect = ftpControl<QAction>(form, "actConnectDisconnect");
    QLabel* panel = ftpControl<QLabel>(form, "sbEncryption");
    EXPECT_EQ(panel->text(), QString());

    // Cancel: no connection, nothing remembered.
    CertificateAnswerer answers;
    answers.answerNext(&form, "btCancel", true);
    connect->trigger();
    EXPECT_EQ(answers.asked, 1);
    EXPECT_FALSE(form.ftp().connected());
    EXPECT_EQ(panel->text(), QString());
    EXPECT_EQ(trustedFingerprint(server.host(), server.port()), QString());
    EXPECT_EQ(answers.fingerprint, fingerprint);
    EXPECT_TRUE(answers.subject.contains(QStringLiteral("127.0.0.1")))
        << answers.subject.toStdString();
    EXPECT_TRUE(answers.validity.contains(QStringLiteral(" - "))) << answers.validity.toStdString();
    EXPECT_TRUE(answers.problems.startsWith(QStringLiteral("The certificate is self-signed")))
        << answers.problems.toStdString();

    // Accept with "Always trust": connected under TLS, the certificate remembered.
    answers.answerNext(&form, "btAccept", true);
    connect->trigger();
    EXPECT_EQ(answers.asked, 2);
    ASSERT_TRUE(form.ftp().connected()) << dialogs.texts().join(u'\n').toStdString();
    EXPECT_TRUE(panel->text().startsWith(QStringLiteral("Encrypted: TLSv1.")))
        << panel->text().toStdString();
    EXPECT_TRUE(logHasLineStarting(form, QStringLiteral("TLS connection established: TLSv1.")));
    EXPECT_EQ(trustedFingerprint(server.host(), server.port()), fingerprint);
    EXPECT_FALSE(ftpControl<QComboBox>(form, "edFtpTls")->isEnabled());
    connect->trigger(); // disconnect
    EXPECT_FALSE(form.ftp().connected());
    EXPECT_EQ(panel->text(), QString());

    // The next connect asks nothing.
    connect->trigger();
    EXPECT_TRUE(form.ftp().connected());
    EXPECT_EQ(answers.asked, 2);
    connect->trigger();

    // Another certificate on the same address: refused by the client, not asked about.
    ASSERT_TRUE(server.restartWithNewCertificate()) << server.reason().toStdString();
    dialogs.clear();
    connect->trigger();
    EXPECT_FALSE(form.ftp().connected());
    EXPECT_EQ(answers.asked, 2);
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.texts().first().contains(QStringLiteral("CHANGED")))
        << dialogs.texts().first().toStdString();
    EXPECT_EQ(trustedFingerprint(server.host(), server.port()), fingerprint);
}

TEST(TFTPFormTls, PlainServerShowsNotEncrypted)
{
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();
    TFTPForm form;
    ftpControl<QComboBox>(form, "edFtpServer")
        ->setEditText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
    ftpControl<QLineEdit>(form, "edFtpUser")->setText(server.user());
    ftpControl<QLineEdit>(form, "edFtpPw")->setText(server.password());
    ftpControl<QAction>(form, "actConnectDisconnect")->trigger();
    ASSERT_TRUE(form.ftp().connected()) << dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(ftpControl<QLabel>(form, "sbEncryption")->text(), QStringLiteral("Not encrypted"));

    // Requiring TLS of a server without it: no login.
    ftpControl<QAction>(form, "actConnectDisconnect")->trigger();
    ftpControl<QComboBox>(form, "edFtpTls")->setCurrentIndex(int(FtpTlsMode::Require));
    ftpControl<QAction>(form, "actConnectDisconnect")->trigger();
    EXPECT_FALSE(form.ftp().connected());
    EXPECT_EQ(dialogs.texts().size(), 1);
}
