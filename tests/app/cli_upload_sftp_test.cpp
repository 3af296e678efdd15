// Publishing by SFTP against OpenSSH's own sshd (started by the test, see sshdserver.h):
// `lumivista upload` with key file, agent and password logins, host keys trusted on first
// use, and a connection cut in the middle of a file.
#include "clirun.h"
#include "ftp/galleryupload.h"
#include "ftp/sftpclient.h"
#include "ftp/uploadrecord.h"
#include "sshdserver.h"
#include "testdatafolders.h"
#include "testsupport.h"
#include "util/error.h"
#include "util/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SftpUpload : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!m_sshd.start())
            GTEST_SKIP() << m_sshd.reason().toStdString();
        m_web = m_sshd.folder() + QStringLiteral("/web");
        m_project = m_dir.filePath(QStringLiteral("p.lmv"));
        m_target = m_dir.filePath(QStringLiteral("out"));
        QDir().mkpath(m_web);
        QDir().mkpath(m_dir.filePath(QStringLiteral("home")));
    }

    QProcessEnvironment env() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        for (const char* name : {"LUMIVISTA_FTP_PASSWORD", "LUMIVISTA_KEY_PASSPHRASE",
                                 "SSH_AUTH_SOCK", "XDG_DATA_HOME"})
            env.remove(QString::fromLatin1(name));
        return env;
    }

    // `lumivista upload` with the user's key and the server's host key accepted.
    CliRun upload(const QStringList& extra = {})
    {
        return lumivista(QStringList{QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                                     QStringLiteral("--identity"), m_sshd.userKey(),
                                     QStringLiteral("--accept-host-key"),
                                     m_sshd.hostKeyFingerprint()} +
                             extra,
                         QString(), env());
    }

    // 8 small photos, a project at sftp://127.0.0.1:port as `user`, its generated gallery.
    void makeGallery(const QString& user = QStringLiteral("root"))
    {
        const QString photos = m_dir.filePath(QStringLiteral("photos"));
        QDir().mkpath(photos);
        for (int i = 0; i < 8; ++i) {
            QImage image(64 + i, 48, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 40, 200, 200));
            ASSERT_TRUE(image.save(photos + QStringLiteral("/photo%1.jpg").arg(i)));
        }
        CliRun run =
            lumivista({QStringLiteral("project"), QStringLiteral("new"), m_project,
                       QStringLiteral("--folder"), photos, QStringLiteral("--target"), m_target,
                       QStringLiteral("FtpServer=sftp://127.0.0.1:%1").arg(m_sshd.port()),
                       QStringLiteral("FtpUser=") + user, QStringLiteral("FtpPath=") + m_web,
                       QStringLiteral("TnPath=image1"), QStringLiteral("PicPath=image2")},
                      QString(), env());
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        generate();
    }

    void generate()
    {
        const CliRun run = lumivista(
            {QStringLiteral("generate"), m_project, QStringLiteral("--yes")}, QString(), env());
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }

    // Every file of the gallery, relative to its folder, and whether the server's copy is
    // byte-identical.
    QStringList galleryFiles() const { return filesBelow(m_target); }

    // `client` logged in as root with the user's key and the server's host key accepted, in
    // the web folder.
    void logInToWeb(SftpClient& client) const
    {
        client.setHost(QStringLiteral("127.0.0.1"));
        client.setPort(m_sshd.port());
        client.setUsername(QStringLiteral("root"));
        client.setIdentityFile(m_sshd.userKey());
        client.setAcceptedHostKey(m_sshd.hostKeyFingerprint());
        client.connectToServer();
        client.changeFolder(m_web);
    }
    // Pages that differ only in their generator line are left out unless `pages` is true.
    void expectOnServer(bool pages = true)
    {
        for (const QString& rel : galleryFiles()) {
            if (pages || !rel.endsWith(QLatin1String(".htm"))) {
                EXPECT_EQ(readBytes(m_web + QLatin1Char('/') + rel),
                          readBytes(m_target + QLatin1Char('/') + rel))
                    << rel.toStdString();
            }
        }
    }

    QTemporaryDir m_dir;
    SshdServer m_sshd;
    QString m_web;
    QString m_project;
    QString m_target;
};

} // namespace

TEST_F(SftpUpload, GalleryOverOneAndThreeConnectionsChangedAndStale)
{
    makeGallery();
    const qsizetype count = galleryFiles().size();
    CliRun run = upload({QStringLiteral("--connections"), QStringLiteral("1")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("logged in with public key ") + m_sshd.userKey()))
        << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("%1 of %1 files stored in %2").arg(count).arg(m_web)))
        << run.err.toStdString();
    expectOnServer();

    QDir(m_web).removeRecursively();
    QDir().mkpath(m_web);
    run = upload({QStringLiteral("--connections"), QStringLiteral("3")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    expectOnServer();

    // A caption changes two pages (its own and the index); a lost picture leaves stale files.
    QByteArray project = readBytes(m_project);
    project.replace("/photo3.jpg\r\n", "/photo3.jpg|Lake at dusk\r\n");
    const QString text = QString::fromUtf8(project).remove(
        QRegularExpression(QStringLiteral("[^\n]*/photo7\\.jpg\r\n")));
    ASSERT_TRUE(writeBytes(m_project, text.toUtf8()));
    QDir(m_target).removeRecursively();
    QDir().mkpath(m_target);
    generate();
    run = upload({QStringLiteral("--changed"), QStringLiteral("--delete-stale")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral(" of %1 files changed").arg(count - 3)))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 of 3 stale files deleted")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(m_web + QStringLiteral("/image2/photo7.jpg")));
    expectOnServer(false);
    for (const QString& page : {QStringLiteral("/index.htm"), QStringLiteral("/photo3.htm")})
        EXPECT_EQ(readBytes(m_web + page), readBytes(m_target + page)) << page.toStdString();
    EXPECT_TRUE(readBytes(m_web + QStringLiteral("/photo3.htm")).contains("Lake at dusk"));
}

TEST_F(SftpUpload, UnknownHostKeyStopsUntilAcceptedAndChangedKeyIsRefused)
{
    makeGallery();
    const QString fingerprint = m_sshd.hostKeyFingerprint();
    const QStringList args{QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                           QStringLiteral("--identity"), m_sshd.userKey()};
    CliRun run = lumivista(args, QString(), env());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("256 %1 (ED25519)").arg(fingerprint)))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--accept-host-key ") + fingerprint));
    EXPECT_TRUE(folderEntries(m_web).isEmpty());

    run = lumivista(args + QStringList{QStringLiteral("--accept-host-key"),
                                       QStringLiteral("SHA256:") + QString(43, QLatin1Char('A'))},
                    QString(), env());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("not the key given with --accept-host-key")))
        << run.err.toStdString();

    // "Always trust": the key goes into the data folder's known_hosts.
    setDataFoldersForTest(m_dir.filePath(QStringLiteral("docs")),
                          m_dir.filePath(QStringLiteral("data")));
    SftpClient client;
    client.setHost(QStringLiteral("127.0.0.1"));
    client.setPort(m_sshd.port());
    client.setUsername(QStringLiteral("root"));
    client.setIdentityFile(m_sshd.userKey());
    int asked = 0;
    client.hostKeyQuestion = [&](const SshHostKeyQuestion& question) {
        ++asked;
        EXPECT_EQ(question.fingerprint, fingerprint);
        return SshHostKeyAnswer::TrustAlways;
    };
    client.connectToServer();
    client.disconnectFromServer();
    client.connectToServer(); // known now: no question
    client.disconnectFromServer();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(
        readBytes(sftpKnownHostsFile())
            .startsWith(
                QStringLiteral("[127.0.0.1]:%1 ssh-ed25519 AAAA").arg(m_sshd.port()).toUtf8()));

    // The user's ~/.ssh/known_hosts is read: the command line needs no --accept-host-key.
    const QString ssh = m_dir.filePath(QStringLiteral("home/.ssh"));
    QDir().mkpath(ssh);
    ASSERT_TRUE(QFile::copy(sftpKnownHostsFile(), ssh + QStringLiteral("/known_hosts")));
    run = lumivista(args, QString(), env());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();

    // Another key at the same address: refused with both fingerprints, nothing asked.
    ASSERT_TRUE(m_sshd.changeHostKey()) << m_sshd.reason().toStdString();
    try {
        client.connectToServer();
        ADD_FAILURE() << "a changed host key was accepted";
    } catch (const LumiError& e) {
        EXPECT_TRUE(e.message().contains(fingerprint) &&
                    e.message().contains(m_sshd.hostKeyFingerprint()) &&
                    e.message().contains(QStringLiteral("has changed")))
            << e.message().toStdString();
    }
    EXPECT_EQ(asked, 1);
    run = lumivista(args, QString(), env());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("has changed"))) << run.err.toStdString();
}

TEST_F(SftpUpload, AgentEncryptedKeyAndPasswordLogins)
{
    makeGallery();
    const QStringList base{QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                           QStringLiteral("--accept-host-key"), m_sshd.hostKeyFingerprint()};
    SshAgent agent(m_dir.path());
    ASSERT_TRUE(agent.add(m_sshd.userKey()));
    QProcessEnvironment withAgent = env();
    withAgent.insert(QStringLiteral("SSH_AUTH_SOCK"), agent.socket());
    CliRun run = lumivista(base, QString(), withAgent);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("logged in with a key of the ssh-agent")))
        << run.err.toStdString();

    const QString locked = m_sshd.encryptedUserKey(QStringLiteral("open sesame"));
    QProcessEnvironment withPassphrase = env();
    withPassphrase.insert(QStringLiteral("LUMIVISTA_KEY_PASSPHRASE"), QStringLiteral("wrong"));
    run = lumivista(base + QStringList{QStringLiteral("--identity"), locked}, QString(),
                    withPassphrase);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("Login refused by 127.0.0.1:%1 for user root").arg(m_sshd.port())))
        << run.err.toStdString();
    withPassphrase.insert(QStringLiteral("LUMIVISTA_KEY_PASSPHRASE"),
                          QStringLiteral("open sesame"));
    run = lumivista(
        base + QStringList{QStringLiteral("--identity"), locked, QStringLiteral("--changed")},
        QString(), withPassphrase);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("logged in with public key ") + locked));

    const QString user = QStringLiteral("lvsftp%1").arg(QCoreApplication::applicationPid());
    if (!m_sshd.addUser(user, QStringLiteral("pa55 word")))
        GTEST_SKIP() << m_sshd.reason().toStdString();
    run = lumivista({QStringLiteral("project"), QStringLiteral("set"), m_project,
                     QStringLiteral("FtpUser=") + user,
                     QStringLiteral("FtpPath=") + m_sshd.folder() + QLatin1Char('/') + user},
                    QString(), env());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    run = lumivista(base + QStringList{QStringLiteral("--password-stdin")}, QString(), env(),
                    QStringLiteral(LUMIVISTA_BINARY), "wrong\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("(tried: password)"))) << run.err.toStdString();
    run = lumivista(base + QStringList{QStringLiteral("--password-stdin")}, QString(), env(),
                    QStringLiteral(LUMIVISTA_BINARY), "pa55 word\n");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("logged in with password")));
    const QString page = m_sshd.folder() + QLatin1Char('/') + user + QStringLiteral("/index.htm");
    EXPECT_TRUE(QFile::exists(page));

    // A file the user may not write: the upload fails naming it; once it may, --changed
    // sends it.
    ASSERT_TRUE(QFile::setPermissions(page, QFile::ReadOwner | QFile::ReadUser));
    ASSERT_TRUE(QFile::resize(m_target + QStringLiteral("/index.htm"), 10));
    run = lumivista(base + QStringList{QStringLiteral("--password-stdin")}, QString(), env(),
                    QStringLiteral(LUMIVISTA_BINARY), "pa55 word\n");
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Cannot store remote file ")) &&
                run.err.contains(QStringLiteral("index.htm (Permission denied")))
        << run.err.toStdString();
    ASSERT_TRUE(QFile::setPermissions(page, QFile::ReadOwner | QFile::WriteOwner));
    run = lumivista(
        base + QStringList{QStringLiteral("--password-stdin"), QStringLiteral("--changed")},
        QString(), env(), QStringLiteral(LUMIVISTA_BINARY), "pa55 word\n");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QFileInfo(page).size(), 10);
}

// The connection breaks while the second file travels: it is not counted as stored, the
// record keeps the first only, and the next `--changed` run sends it.
TEST_F(SftpUpload, ConnectionCutMidFileIsNotCountedAsStored)
{
    setDataFoldersForTest(m_dir.filePath(QStringLiteral("docs")),
                          m_dir.filePath(QStringLiteral("data")));
    const QString source = m_dir.filePath(QStringLiteral("src/"));
    QDir().mkpath(source);
    ASSERT_TRUE(writeBytes(source + QStringLiteral("/a.txt"), "small"));
    ASSERT_TRUE(writeBytes(source + QStringLiteral("/big.bin"), QByteArray(64 << 20, 'x')));
    SftpClient client;
    client.setReplyTimeout(5000);
    logInToWeb(client);

    UploadEntryList entries({QStringLiteral("a.txt"), QStringLiteral("big.bin")});
    GalleryUpload upload(client, entries);
    ASSERT_EQ(upload.readBaseFolder(), m_web);
    const UploadRecordKey key = UploadRecordKey::of(client, m_web);
    UploadRecordKeeper record(key, entries, source);
    upload.onProgress = [&](const UploadProgress& progress) {
        if (progress.step == UploadProgress::Step::FileStored)
            record.fileStored(progress.entry);
        if (progress.step == UploadProgress::Step::FileBytes &&
            progress.name == QLatin1String("big.bin"))
            m_sshd.cutSessions();
    };
    EXPECT_NE(upload.run(source), GalleryUpload::Outcome::Finished);
    EXPECT_TRUE(record.finish());
    EXPECT_EQ(upload.storedCount(), 1);
    EXPECT_TRUE(upload.errorMessage().contains(m_web + QStringLiteral("/big.bin")))
        << upload.errorMessage().toStdString();
    EXPECT_FALSE(client.connected());
    EXPECT_TRUE(record.record().file(QStringLiteral("a.txt")).has_value());
    EXPECT_FALSE(record.record().file(QStringLiteral("big.bin")).has_value());

    client.connectToServer();
    client.changeFolder(m_web);
    const QList<bool> changed = findChangedEntries(
        client, m_web, {QStringLiteral("a.txt"), QStringLiteral("big.bin")}, source);
    EXPECT_EQ(changed, (QList<bool>{false, true}));
    client.disconnectFromServer();
}

// What the FTP window's remote list does, over SFTP.
TEST_F(SftpUpload, RemoteListCommands)
{
    SftpClient client;
    logInToWeb(client);
    client.makeFolder(QStringLiteral("sub"));
    client.changeFolder(QStringLiteral("sub"));
    const QString local = m_dir.filePath(QStringLiteral("big.bin"));
    QByteArray bytes(3 * SftpClient::kChunkSize * SftpClient::kWriteWindow + 7, 'x');
    for (qsizetype i = 0; i < bytes.size(); i += 4099)
        bytes[i] = char(i / 4099);
    ASSERT_TRUE(writeBytes(local, bytes));
    client.store(local);
    client.rename(QStringLiteral("big.bin"), QStringLiteral("moved.bin"));
    QStringList lines;
    QList<FtpListEntry> entries;
    client.listDetails(lines, &entries);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].name, QStringLiteral("moved.bin"));
    const QList<FtpListEntry> parsed = parseFtpListing(lines); // the lines the list reads
    ASSERT_EQ(parsed.size(), 1);
    EXPECT_EQ(parsed[0].name, entries[0].name);
    EXPECT_EQ(parsed[0].kind, FtpEntryKind::File);
    EXPECT_EQ(parsed[0].size, bytes.size());
    EXPECT_EQ(client.size(QStringLiteral("moved.bin")), bytes.size());
    client.retrieve(QStringLiteral("moved.bin"), m_dir.filePath(QStringLiteral("back.bin")));
    EXPECT_EQ(readBytes(m_dir.filePath(QStringLiteral("back.bin"))), bytes);
    client.deleteFile(QStringLiteral("moved.bin"));
    client.parentFolder();
    EXPECT_EQ(client.currentFolder(), m_web);
    client.removeFolder(QStringLiteral("sub"));
    EXPECT_TRUE(folderEntries(m_web).isEmpty());
    try {
        client.deleteFile(QStringLiteral("missing.jpg"));
        ADD_FAILURE() << "deleted a missing file";
    } catch (const LumiError& e) {
        EXPECT_EQ(
            e.message(),
            QStringLiteral("Cannot delete remote file %1/missing.jpg (No such file)").arg(m_web));
    }
}

// The host-key decision without a server, for what the sshd test above does not meet: the
// refusal of an unknown key, a key accepted on the command line, and an entry of the user's
// ~/.ssh/known_hosts for port 22 (without brackets). Trusting and a changed key are above.
TEST(SftpHostKeys, UnknownKeyRefusedAndTheUsersFileRead)
{
    QTemporaryDir dir;
    const TestDataFolders folders(dir.path(), dir.path());
    const QByteArray home = qgetenv("HOME");
    const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
    qputenv("HOME", dir.filePath(QStringLiteral("home")).toUtf8());
    ASSERT_TRUE(writeBytes(userKnownHostsFile(), "# mine\nother.example ssh-rsa " +
                                                     QByteArray("key-c").toBase64() + "\n"));

    int asked = 0;
    const auto decide = [&](const QString& host, quint16 port, const char* key,
                            const QString& accepted = {}) {
        SshHostKeyQuestion shown{host, port, QStringLiteral("ED25519"), 256,
                                 hostKeyFingerprint(key)};
        return decideHostKey(shown, "ssh-ed25519", QByteArray(key).toBase64(), accepted,
                             [&](const SshHostKeyQuestion&) {
                                 ++asked;
                                 return SshHostKeyAnswer::Refuse;
                             });
    };
    const QString a = hostKeyFingerprint("key-a");
    EXPECT_EQ(decide(QStringLiteral("Box.example"), 2222, "key-a").refusal,
              QStringLiteral("The host key of [box.example]:2222 (ED25519 %1) is not known and "
                             "was not accepted; nothing was sent.")
                  .arg(a));
    EXPECT_EQ(decide(QStringLiteral("box.example"), 2222, "key-a", a).refusal, QString());
    EXPECT_EQ(asked, 1);

    // The user's file counts as well (for port 22 the host goes without brackets).
    SshHostKeyQuestion other{QStringLiteral("other.example"), 22, QStringLiteral("RSA"), 0,
                             hostKeyFingerprint("key-c")};
    EXPECT_EQ(decideHostKey(other, "ssh-rsa", QByteArray("key-c").toBase64(), {}, {}).refusal,
              QString());
}
