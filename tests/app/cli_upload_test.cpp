// `lumivista upload`, run as the real program: a gallery made by `lumivista generate` is
// published to pyftpdlib and proftpd on 127.0.0.1 and comes back byte for byte.
#include "ftp/ftptls.h"
#include "ftpsessions.h"
#include "ftptestserver.h"
#include "testsupport.h"
#include "util/paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int status = -1;
    QString out;
    QString err;
};

class UploadCli : public ::testing::TestWithParam<FtpTestServer::Kind>
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_server = std::make_unique<FtpTestServer>(GetParam());
        m_server->setTls(tls());
        ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
        ASSERT_TRUE(m_server->makeFolder(QStringLiteral("web")));
        m_project = m_dir.filePath(QStringLiteral("p.lmv"));
        m_target = m_dir.filePath(QStringLiteral("out"));
    }

    virtual bool tls() const { return false; }

    CliRun lumivista(const QStringList& args, const QString& password = QString(),
                     const QByteArray& input = QByteArray())
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        env.remove(QStringLiteral("LUMIVISTA_FTP_PASSWORD"));
        if (!password.isNull())
            env.insert(QStringLiteral("LUMIVISTA_FTP_PASSWORD"), password);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMIVISTA_BINARY), args);
        process.write(input);
        process.closeWriteChannel();
        process.waitForFinished(120000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // 20 small photos, a project with the server's address, and the generated gallery.
    void makeGallery()
    {
        const QString photos = m_dir.filePath(QStringLiteral("photos"));
        QDir().mkpath(photos);
        for (int i = 0; i < 20; ++i) {
            QImage image(64 + i, 48, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 17, 200, 200));
            QPainter(&image).drawEllipse(4, 4, 30, 30);
            ASSERT_TRUE(image.save(photos +
                                   QStringLiteral("/photo%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
        }
        CliRun run = lumivista(
            {QStringLiteral("project"), QStringLiteral("new"), m_project,
             QStringLiteral("--folder"), photos, QStringLiteral("--target"), m_target,
             QStringLiteral("FtpServer=127.0.0.1:%1").arg(m_server->port()),
             QStringLiteral("FtpUser=") + m_server->user(), QStringLiteral("FtpPath=/web"),
             QStringLiteral("TnPath=image1"), QStringLiteral("PicPath=image2")});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        run = lumivista({QStringLiteral("generate"), m_project, QStringLiteral("--yes")});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }

    // Every file of the gallery, relative to its folder.
    QStringList galleryFiles() const { return filesBelow(m_target); }

    // `lumivista project set` of the project with one "Key=value"; its exit status.
    int setInProject(const QString& setting)
    {
        return lumivista({QStringLiteral("project"), QStringLiteral("set"), m_project, setting})
            .status;
    }

    // The gallery's `files` in the server's folder /web, byte for byte.
    void expectOnServer(const QStringList& files) const
    {
        const QString web = m_server->root() + QStringLiteral("/web/");
        for (const QString& rel : files)
            EXPECT_EQ(readAll(web + rel), readAll(m_target + QLatin1Char('/') + rel))
                << rel.toStdString();
    }

    // Gives the picture `name` the caption `caption` in the project file ("path|caption").
    void setCaption(const QString& name, const QString& caption)
    {
        QByteArray text = readAll(m_project);
        const QRegularExpression line(
            QStringLiteral("(/%1)(\\|[^\r\n]*)?\r\n").arg(QRegularExpression::escape(name)));
        const QString edited = QString::fromUtf8(text).replace(
            line, QStringLiteral("\\1|") + caption + QStringLiteral("\r\n"));
        ASSERT_NE(edited.toUtf8(), text) << name.toStdString();
        QFile file(m_project);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(edited.toUtf8());
    }

    static QByteArray readAll(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
    std::unique_ptr<FtpTestServer> m_server;
    QString m_project;
    QString m_target;
};

} // namespace

TEST_P(UploadCli, GeneratedGalleryComesBackByteIdentical)
{
    makeGallery();
    const QStringList files = galleryFiles();
    ASSERT_GE(files.size(), 20 * 3 + 2) << files.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(files.contains(QStringLiteral("image1/tn_photo00.jpg")) &&
                files.contains(QStringLiteral("image2/photo19.jpg")))
        << files.join(QLatin1Char(' ')).toStdString();

    const CliRun run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                                 m_server->password());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("lumivista upload: not encrypted: the user name, "
                                                "the password and the files go to the server in "
                                                "plain FTP\n")))
        << run.err.toStdString();
    EXPECT_TRUE(
        run.err.contains(QStringLiteral("Upload all checked Files to:\n127.0.0.1:%1: /web Yes")
                             .arg(m_server->port())))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("%1 of %1 files stored in /web").arg(files.size())))
        << run.err.toStdString();
    expectOnServer(files);
}

TEST_P(UploadCli, ConnectionsFromOneToTenSendTheGalleryAtOnce)
{
    for (const QString& bad :
         {QStringLiteral("0"), QStringLiteral("11"), QStringLiteral("two"), QStringLiteral("")}) {
        const CliRun run =
            lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--connections"), bad});
        EXPECT_EQ(run.status, 2) << bad.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("--connections takes a number from 1 to 10")))
            << run.err.toStdString();
    }
    EXPECT_EQ(
        lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--connections")}).status,
        2);
    EXPECT_TRUE(lumivista({QStringLiteral("upload"), QStringLiteral("--help")})
                    .out.contains(QStringLiteral("--connections N")));

    makeGallery();
    const QStringList files = galleryFiles();
    const CliRun run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                                  QStringLiteral("--connections"), QStringLiteral("3")},
                                 m_server->password());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("%1 of %1 files stored in /web").arg(files.size())))
        << run.err.toStdString();
    expectOnServer(files);
}

TEST_P(UploadCli, PasswordFromStandardInputAndRefusals)
{
    makeGallery();
    const QString web = m_server->root() + QStringLiteral("/web/");

    // Without --yes the question is answered No: nothing is sent.
    CliRun run = lumivista({QStringLiteral("upload"), m_project}, m_server->password());
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(QDir(web).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());

    // A wrong password: the server's refusal, exit status 1.
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                    QStringLiteral("wrong"));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("530"))) << run.err.toStdString();

    // A password as an argument is refused as bad usage.
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--password=x")});
    EXPECT_EQ(run.status, 2);

    // From standard input, the environment variable unset.
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                     QStringLiteral("--password-stdin")},
                    QString(), m_server->password().toUtf8() + "\n");
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(readAll(web + QStringLiteral("index.htm")),
              readAll(m_target + QStringLiteral("/index.htm")));

    // A remote folder the server does not have: an error, not an upload elsewhere.
    QFile::remove(web + QStringLiteral("index.htm"));
    run = lumivista({QStringLiteral("project"), QStringLiteral("set"), m_project,
                     QStringLiteral("FtpPath=/missing")});
    ASSERT_EQ(run.status, 0);
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                    m_server->password());
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(QFile::exists(m_server->root() + QStringLiteral("/index.htm")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("Remote folder /missing does not exist (550 ")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("create /missing there, or choose an existing "
                                                "folder with: lumivista project set ") +
                                 m_project + QStringLiteral(" FtpPath=/folder")))
        << run.err.toStdString();
}

// A project saved by an older version with the password inside FtpServer: it logs in, is
// never printed, and the next save leaves it out.
TEST_P(UploadCli, PasswordInTheSavedAddressLogsInButIsNeverPrinted)
{
    makeGallery();
    const QString password = m_server->password();
    QFile file(m_project);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    const QByteArray plain = QStringLiteral("FtpServer=127.0.0.1:%1\r\nFtpUser=%2\r\n")
                                 .arg(m_server->port())
                                 .arg(m_server->user())
                                 .toUtf8();
    ASSERT_TRUE(text.contains(plain)) << text.constData();
    text.replace(plain, QStringLiteral("FtpServer=ftp://%1:%2@127.0.0.1:%3\r\n")
                            .arg(m_server->user(), password)
                            .arg(m_server->port())
                            .toUtf8());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();

    const CliRun upload = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")});
    EXPECT_EQ(upload.status, 0) << upload.err.toStdString();
    EXPECT_TRUE(upload.err.contains(
        QStringLiteral("Upload all checked Files to:\nftp://127.0.0.1:%1: /web Yes")
            .arg(m_server->port())))
        << upload.err.toStdString();
    EXPECT_EQ(readAll(m_server->root() + QStringLiteral("/web/index.htm")),
              readAll(m_target + QStringLiteral("/index.htm")));

    const CliRun set = lumivista(
        {QStringLiteral("project"), QStringLiteral("set"), m_project, QStringLiteral("Titel=Neu")});
    ASSERT_EQ(set.status, 0) << set.err.toStdString();
    const QByteArray saved = readAll(m_project);
    EXPECT_TRUE(saved.contains(QByteArray("FtpServer=ftp://") + plain.mid(10)))
        << saved.constData();
    for (const QByteArray& shown :
         {upload.out.toUtf8(), upload.err.toUtf8(), set.out.toUtf8(), set.err.toUtf8(), saved})
        EXPECT_FALSE(shown.contains(password.toUtf8())) << shown.constData();
}

// Every upload records what it stored; after a caption changed, `--changed` sends that
// picture's page and the index page showing the caption, and nothing else.
TEST_P(UploadCli, ChangedSendsOnlyThePagesOfTheNewCaption)
{
    makeGallery();
    // Captions from the start, so the index pages already have their caption lines.
    setCaption(QStringLiteral("photo05.jpg"), QStringLiteral("Lake at dawn"));
    CliRun run = lumivista({QStringLiteral("generate"), m_project, QStringLiteral("--yes")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList files = galleryFiles();
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                    m_server->password());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();

    // One record, in the data folder, holding the server but not the password.
    QStringList records;
    QDirIterator it(m_dir.filePath(QStringLiteral("home")), QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (QFileInfo(path).dir().dirName() == QLatin1String("uploads"))
            records.append(path);
    }
    ASSERT_EQ(records.size(), 1);
    const QByteArray record = readAll(records.first());
    EXPECT_TRUE(record.contains(QStringLiteral("Port: %1\n").arg(m_server->port()).toUtf8()))
        << record.constData();
    EXPECT_TRUE(record.contains("\tphoto05.htm\n") && record.contains("\timage2/photo19.jpg\n"));
    EXPECT_FALSE(record.contains(m_server->password().toUtf8()));

    // Files on the server get an old time, so the ones the next upload stores stand out.
    const QString web = m_server->root() + QStringLiteral("/web/");
    const QDateTime old(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    for (const QString& rel : files) {
        QFile f(web + rel);
        ASSERT_TRUE(f.open(QIODevice::Append) &&
                    f.setFileTime(old, QFileDevice::FileModificationTime))
            << rel.toStdString();
    }
    // The next run's pages carry another time in their generator line.
    const QByteArray unchangedPage = readAll(m_target + QStringLiteral("/photo00.htm"));
    QThread::msleep(1100);
    setCaption(QStringLiteral("photo05.jpg"), QStringLiteral("Lake at dusk"));
    run = lumivista({QStringLiteral("generate"), m_project, QStringLiteral("--yes")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    ASSERT_NE(readAll(m_target + QStringLiteral("/photo00.htm")), unchangedPage);

    run = lumivista(
        {QStringLiteral("upload"), m_project, QStringLiteral("--yes"), QStringLiteral("--changed")},
        m_server->password());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("2 of %1 files changed").arg(files.size())))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("2 of 2 files stored in /web")))
        << run.err.toStdString();
    QStringList sent;
    for (const QString& rel : files) {
        if (QFileInfo(web + rel).lastModified() > old.addDays(1))
            sent.append(rel);
    }
    EXPECT_EQ(sent, (QStringList{QStringLiteral("index.htm"), QStringLiteral("photo05.htm")}));
    for (const QString& rel : sent)
        EXPECT_EQ(readAll(web + rel), readAll(m_target + QLatin1Char('/') + rel));
    EXPECT_TRUE(readAll(web + QStringLiteral("index.htm")).contains("Lake at dusk"));

    // Nothing changed since: nothing is sent.
    run = lumivista(
        {QStringLiteral("upload"), m_project, QStringLiteral("--yes"), QStringLiteral("--changed")},
        m_server->password());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("0 of %1 files changed").arg(files.size())))
        << run.err.toStdString();
}

// A server requiring TLS with a self-signed certificate: refused with the fingerprint to
// check, accepted for one run with --accept-certificate as a user might type it.
TEST_P(UploadCli, UnverifiedCertificateNeedsItsFingerprint)
{
    m_server = std::make_unique<FtpTestServer>(GetParam());
    m_server->setTls(true);
    ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
    QDir(m_server->root()).mkpath(QStringLiteral("web"));
    makeGallery();
    const QString fingerprint = m_server->certificateFingerprint();
    ASSERT_EQ(fingerprint.size(), 32 * 3 - 1);
    const QString web = m_server->root() + QStringLiteral("/web/");

    CliRun run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                           m_server->password());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("SHA-256 Fingerprint=") + fingerprint + u'\n'))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("--accept-certificate ") + fingerprint))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(web + QStringLiteral("index.htm")));

    // Malformed: bad usage. Another certificate's fingerprint: refused as before.
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                     QStringLiteral("--accept-certificate"), QStringLiteral("AB:CD")},
                    m_server->password());
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("not a SHA-256 fingerprint")))
        << run.err.toStdString();
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                     QStringLiteral("--accept-certificate"), QString(64, u'0')},
                    m_server->password());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("not the certificate given")))
        << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(web + QStringLiteral("index.htm")));

    // Accepted as typed by hand; with TLS required, the gallery arrives byte for byte over one
    // connection and over three, each in a folder of its own.
    ASSERT_EQ(setInProject(QStringLiteral("FtpTls=1")), 0);
    const QStringList files = galleryFiles();
    for (const int connections : {1, 3}) {
        const QString folder = QStringLiteral("/tls%1").arg(connections);
        QDir(m_server->root()).mkpath(folder.mid(1));
        ASSERT_EQ(setInProject(QStringLiteral("FtpPath=") + folder), 0);
        run =
            lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                       QStringLiteral("--connections"), QString::number(connections),
                       QStringLiteral("--accept-certificate"), fingerprint.toLower().remove(u':')},
                      m_server->password());
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(
            QStringLiteral("%1 of %1 files stored in %2").arg(files.size()).arg(folder)))
            << run.err.toStdString();
        for (const QString& rel : files)
            EXPECT_EQ(readAll(m_server->root() + folder + u'/' + rel),
                      readAll(m_target + QLatin1Char('/') + rel))
                << connections << " " << rel.toStdString();
    }

    // Plain FTP chosen in the project: a server that requires TLS refuses the login.
    ASSERT_EQ(setInProject(QStringLiteral("FtpTls=plain")), 0);
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                    m_server->password());
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.contains(QStringLiteral("Fingerprint"))) << run.err.toStdString();

    // Another certificate trusted for the address (in the FTP window): the client's refusal.
    const QString home = m_dir.filePath(QStringLiteral("home"));
    setDataFoldersForTest(home, home + QStringLiteral("/.config/Lumivista"));
    rememberTrustedFingerprint(m_server->host(), m_server->port(), QString(64, u'a'));
    ASSERT_EQ(setInProject(QStringLiteral("FtpTls=0")), 0);
    run = lumivista({QStringLiteral("upload"), m_project, QStringLiteral("--yes")},
                    m_server->password());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("has CHANGED since it was trusted")))
        << run.err.toStdString();
}

// The servers with explicit FTP over TLS required (pure-ftpd ends every listing and download
// with close_notify and waits for the client's): an upload over one connection and over
// three, then --changed, which lists the remote folders; each time byte for byte.
class UploadCliTls : public UploadCli
{
protected:
    bool tls() const override { return true; }
};

TEST_P(UploadCliTls, UploadsAndChangedAreByteIdentical)
{
    makeGallery();
    setCaption(QStringLiteral("photo05.jpg"), QStringLiteral("Lake at dawn"));
    ASSERT_EQ(lumivista({QStringLiteral("generate"), m_project, QStringLiteral("--yes")}).status,
              0);
    const QString accept = m_server->certificateFingerprint();
    const QStringList files = galleryFiles();
    const auto upload = [&](int connections, bool changed) {
        QStringList args{QStringLiteral("upload"),
                         m_project,
                         QStringLiteral("--yes"),
                         QStringLiteral("--connections"),
                         QString::number(connections),
                         QStringLiteral("--accept-certificate"),
                         accept};
        if (changed)
            args << QStringLiteral("--changed");
        return lumivista(args, m_server->password());
    };
    // After --changed, pages that differ only in their generator line stay as they were.
    const auto sameOnServer = [&](const QString& folder, bool allPages) {
        for (const QString& rel : files) {
            if (allPages || !rel.endsWith(QLatin1String(".htm")) ||
                rel == QLatin1String("index.htm") || rel == QLatin1String("photo05.htm")) {
                EXPECT_TRUE(readAll(m_server->root() + folder + u'/' + rel) ==
                            readAll(m_target + u'/' + rel))
                    << folder.toStdString() << " " << rel.toStdString();
            }
        }
    };
    for (const int connections : {1, 3}) {
        const QString folder = QStringLiteral("/tls%1").arg(connections);
        ASSERT_TRUE(m_server->makeFolder(folder.mid(1)));
        ASSERT_EQ(setInProject(QStringLiteral("FtpPath=") + folder), 0);
        const CliRun run = upload(connections, false);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("not encrypted"))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(
            QStringLiteral("%1 of %1 files stored in %2").arg(files.size()).arg(folder)))
            << run.err.toStdString();
        sameOnServer(folder, true);
    }
    QThread::msleep(1100);
    setCaption(QStringLiteral("photo05.jpg"), QStringLiteral("Lake at dusk"));
    ASSERT_EQ(lumivista({QStringLiteral("generate"), m_project, QStringLiteral("--yes")}).status,
              0);
    for (const int connections : {1, 3}) {
        const CliRun run = upload(connections, true);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral(" files stored in /tls3")))
            << run.err.toStdString();
    }
    sameOnServer(QStringLiteral("/tls3"), false);
    EXPECT_TRUE(readAll(m_server->root() + QStringLiteral("/tls3/index.htm")).contains("dusk"));
}

// A picture taken out of the project: --delete-stale deletes its page and JPEGs from the
// server and nothing else; --dry-run only lists them, and more than --max-delete stops.
TEST_P(UploadCliTls, DeleteStaleRemovesWhatTheGalleryLostOnly)
{
    makeGallery();
    const QStringList accept{QStringLiteral("--accept-certificate"),
                             m_server->certificateFingerprint()};
    CliRun run = lumivista(
        QStringList{QStringLiteral("upload"), m_project, QStringLiteral("--yes")} + accept,
        m_server->password());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString web = m_server->root() + QStringLiteral("/web/");
    QFile own(web + QStringLiteral("image2/own.jpg"));
    ASSERT_TRUE(own.open(QIODevice::WriteOnly) && own.write("the user's own") > 0);
    own.close();

    const QByteArray project = readAll(m_project);
    QFile file(m_project);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QString::fromUtf8(project)
                   .remove(QRegularExpression(QStringLiteral("[^\r\n]*/photo05[.]jpg[^\r\n]*\r\n")))
                   .toUtf8());
    file.close();
    run = lumivista({QStringLiteral("generate"), m_project, QStringLiteral("--yes"),
                     QStringLiteral("--clean")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList stale{QStringLiteral("image1/tn_photo05.jpg"),
                            QStringLiteral("image2/photo05.jpg"), QStringLiteral("photo05.htm")};
    ASSERT_FALSE(galleryFiles().contains(stale[2]));

    const QStringList deleteStale =
        QStringList{QStringLiteral("upload"), m_project, QStringLiteral("--yes"),
                    QStringLiteral("--delete-stale")} +
        accept;
    run = lumivista(deleteStale + QStringList{QStringLiteral("--dry-run")}, m_server->password());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 stale files on the server:\n  /web/") +
                                 stale.join(QStringLiteral("\n  /web/")) + u'\n'))
        << run.err.toStdString();
    run = lumivista(deleteStale + QStringList{QStringLiteral("--max-delete"), QStringLiteral("2")},
                    m_server->password());
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 stale files are more than the 2")))
        << run.err.toStdString();
    for (const QString& rel : stale)
        EXPECT_TRUE(QFile::exists(web + rel)) << rel.toStdString();

    run = lumivista(deleteStale, m_server->password());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("3 of 3 stale files deleted")))
        << run.err.toStdString();
    for (const QString& rel : stale)
        EXPECT_FALSE(QFile::exists(web + rel)) << rel.toStdString();
    EXPECT_EQ(readAll(web + QStringLiteral("image2/own.jpg")), QByteArray("the user's own"));
    for (const QString& rel : galleryFiles())
        EXPECT_EQ(readAll(web + rel), readAll(m_target + u'/' + rel)) << rel.toStdString();

    // Nothing is stale any more; the user's file is not in the record.
    run = lumivista(deleteStale, m_server->password());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("0 stale files on the server\n")))
        << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Servers, UploadCliTls,
                         ::testing::Values(FtpTestServer::Kind::Pyftpdlib,
                                           FtpTestServer::Kind::Proftpd,
                                           FtpTestServer::Kind::PureFtpd),
                         [](const auto& info) {
                             return FtpTestServer::kindName(info.param).toStdString();
                         });

LUMIVISTA_ON_EVERY_FTP_SERVER(UploadCli);
