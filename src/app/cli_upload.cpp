// `lumivista upload P.lmv`: publishes the project's gallery by FTP or SFTP with the upload
// loop of the FTP window. The password comes from LUMIVISTA_FTP_PASSWORD or standard input, never
// from an argument (other users can read the process list).
#include "cli.h"
#include "cli_support.h"

#include "ftp/ftpclient.h"
#include "ftp/ftptls.h"
#include "ftp/galleryupload.h"
#include "ftp/sftpclient.h"
#include "ftp/stalefiles.h"
#include "ftp/uploadrecord.h"
#include "gallery/pagefile.h"
#include "gallery/projectstate.h"
#include "gallery/uploadlist.h"
#include "net/ftpaddress.h"
#include "util/error.h"
#include "util/paths.h"
#include "util/programsettings.h"

#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace {

void drawFileCount(int stored, int total, const QString& name)
{
    QTextStream err(stderr);
    err << "\r" << progressBar(stored, total, 30) << " " << stored << " / " << total << " "
        << name.left(40).leftJustified(40) << Qt::flush;
}

// One line of standard input; typed at a terminal, it is not echoed.
QString readPasswordLine(const QString& prompt = QStringLiteral("Password: "))
{
    const bool terminal = isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        QTextStream err(stderr);
        err << prompt << Qt::flush;
    }
    QTextStream in(stdin);
    QString line = in.readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        QTextStream err(stderr);
        err << Qt::endl;
    }
    while (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

// Files sent at once: --connections N, else the FTP window's "Transfers:" setting.
// -1 for a value outside 1..kMaxConnections.
int connectionsToUse(const QString& option)
{
    static_assert(kFtpTransfers.maximum == GalleryUpload::kMaxConnections &&
                  kFtpTransfers.defaultValue == GalleryUpload::kDefaultConnections);
    if (!option.isNull()) {
        bool numeric = false;
        const int n = option.toInt(&numeric);
        return numeric && n >= 1 && n <= GalleryUpload::kMaxConnections ? n : -1;
    }
    return readProgramSetting(kFtpTransfers);
}

// Nobody can be asked at the command line: a certificate that does not verify stops the
// upload with what the user needs to accept it knowingly on the next run.
void explainRefusedCertificate(QTextStream& err, const FtpCertificateQuestion& question,
                               const QString& accepted)
{
    err << "lumivista upload: the certificate of " << question.host << ":" << question.port
        << " could not be verified:\n";
    for (const QString& problem : question.problems)
        err << "  " << problem << "\n";
    if (!accepted.isEmpty())
        err << "  It is not the certificate given with --accept-certificate.\n";
    err << "SHA-256 Fingerprint=" << question.fingerprint << "\n"
        << "If this is the fingerprint the server's operator gave you, run again with\n"
        << "  --accept-certificate " << question.fingerprint << "\n";
}

// An unknown host key: what the user needs to accept it knowingly on the next run.
void explainRefusedHostKey(QTextStream& err, const SshHostKeyQuestion& question,
                           const QString& accepted)
{
    err << "lumivista upload: the host key of " << knownHostsName(question.host, question.port)
        << " is not known:\n"
        << "  " << question.bits << " " << question.fingerprint << " (" << question.keyType
        << ")\n";
    if (!accepted.isEmpty())
        err << "  It is not the key given with --accept-host-key.\n";
    err << "If this is the fingerprint the server's operator gave you (ssh-keygen -lf on the\n"
        << "server's host key), run again with\n"
        << "  --accept-host-key " << question.fingerprint << "\n";
}

// The project's remote folder (FtpPath); one the server does not have is an error that says
// how to put it right.
void enterBaseFolder(RemoteClient& ftp, const QString& folder, const QString& projectFile)
{
    try {
        ftp.changeFolder(folder);
    } catch (const LumiError& e) {
        if (!ftp.connected())
            throw;
        throw LumiError(e.message() +
                            QStringLiteral(". The project's remote folder (FtpPath) must exist on "
                                           "the server: create %1 there, or choose an existing "
                                           "folder with: lumivista project set %2 FtpPath=/folder")
                                .arg(folder, projectFile),
                        e.code());
    }
}

} // namespace

int runUploadCommand(const QStringList& args)
{
    QTextStream err(stderr);
    QString projectFile;
    bool yes = false;
    bool passwordFromStdin = false;
    bool onlyChanged = false;
    bool deleteStale = false;
    bool dryRun = false;
    QString maxDeleteOption;
    QString connectionsOption;
    QString typedFingerprint;
    QString typedHostKey;
    QString identityFile;
    if (const int exitCode =
            readVerbArguments(QStringLiteral("upload"), args,
                              {{QStringLiteral("--yes"), &yes},
                               {QStringLiteral("--password-stdin"), &passwordFromStdin},
                               {QStringLiteral("--changed"), &onlyChanged},
                               {QStringLiteral("--delete-stale"), &deleteStale},
                               {QStringLiteral("--dry-run"), &dryRun}},
                              {{QStringLiteral("--connections"), &connectionsOption},
                               {QStringLiteral("--max-delete"), &maxDeleteOption},
                               {QStringLiteral("--accept-certificate"), &typedFingerprint},
                               {QStringLiteral("--accept-host-key"), &typedHostKey},
                               {QStringLiteral("--identity"), &identityFile}},
                              projectFile);
        exitCode >= 0)
        return exitCode;
    const int connections = connectionsToUse(connectionsOption);
    if (connections < 0) {
        err << "lumivista upload: --connections takes a number from 1 to "
            << GalleryUpload::kMaxConnections << ", not \"" << connectionsOption << "\"\n"
            << verbUsage(QStringLiteral("upload"));
        return kExitUsage;
    }
    if ((dryRun || !maxDeleteOption.isNull()) && !deleteStale) {
        err << "lumivista upload: --dry-run and --max-delete go with --delete-stale\n"
            << verbUsage(QStringLiteral("upload"));
        return kExitUsage;
    }
    int maxDelete = kDefaultMaxStaleDeletions;
    if (!maxDeleteOption.isNull()) {
        bool numeric = false;
        maxDelete = maxDeleteOption.toInt(&numeric);
        if (!numeric || maxDelete < 0) {
            err << "lumivista upload: --max-delete takes a number from 0 up, not \""
                << maxDeleteOption << "\"\n"
                << verbUsage(QStringLiteral("upload"));
            return kExitUsage;
        }
    }
    const QString acceptedFingerprint = normalisedFingerprint(typedFingerprint);
    if (args.contains(QStringLiteral("--accept-certificate")) && acceptedFingerprint.isEmpty()) {
        err << "lumivista upload: --accept-certificate \"" << typedFingerprint
            << "\" is not a SHA-256 fingerprint (64 hex digits, colons optional)\n";
        return kExitUsage;
    }
    const QString acceptedHostKey = normalisedHostKeyFingerprint(typedHostKey);
    if (args.contains(QStringLiteral("--accept-host-key")) && acceptedHostKey.isEmpty()) {
        err << "lumivista upload: --accept-host-key \"" << typedHostKey
            << "\" is not a host key fingerprint (SHA256: and 43 base64 characters, as "
               "ssh-keygen -lf prints it)\n";
        return kExitUsage;
    }
    ProjectState project;
    if (const int exitCode = loadProjectArgument(QStringLiteral("upload"), projectFile, project);
        exitCode >= 0)
        return exitCode;
    const ProjectSettings settings = project.settings();
    const QString target = settings.ziel;
    // An older project may hold a password in the address: it logs in, it is never shown.
    const QString server = settings.ftpServer;
    const QString ftpUser = settings.ftpUser;
    const QString remoteFolder = settings.ftpPath;
    if (target.isEmpty()) {
        err << "lumivista upload: the project has no target folder (Ziel)\n";
        return kExitStopped;
    }
    if (server.isEmpty()) {
        err << "lumivista upload: the project has no FTP address (FtpServer)\n";
        return kExitStopped;
    }
    const QStringList files = galleryUploadFiles(target, settings.tnPath, settings.picPath);
    if (files.isEmpty()) {
        err << "lumivista upload: no files in " << resolveFolder(target, QString()) << "\n";
        return kExitStopped;
    }

    QString password = qEnvironmentVariable("LUMIVISTA_FTP_PASSWORD");
    if (passwordFromStdin)
        password = readPasswordLine();

    const bool sftp = addressProtocol(server) == RemoteProtocol::Sftp;
    std::unique_ptr<RemoteClient> client;
    std::optional<FtpCertificateQuestion> refused;
    std::optional<SshHostKeyQuestion> refusedHostKey;
    if (sftp) {
        auto sftpClient = std::make_unique<SftpClient>();
        sftpClient->setAcceptedHostKey(acceptedHostKey);
        sftpClient->setIdentityFile(identityFile);
        sftpClient->hostKeyQuestion = [&refusedHostKey](const SshHostKeyQuestion& question) {
            refusedHostKey = question;
            return SshHostKeyAnswer::Refuse;
        };
        sftpClient->passphraseQuestion =
            [passwordFromStdin](const QString& file) -> std::optional<QString> {
            if (qEnvironmentVariableIsSet("LUMIVISTA_KEY_PASSPHRASE"))
                return qEnvironmentVariable("LUMIVISTA_KEY_PASSPHRASE");
            if (passwordFromStdin || isatty(STDIN_FILENO) != 1)
                return std::nullopt;
            return readPasswordLine(QStringLiteral("Passphrase for %1: ").arg(file));
        };
        client = std::move(sftpClient);
    } else {
        if (!identityFile.isEmpty() || !typedHostKey.isEmpty()) {
            err << "lumivista upload: --identity and --accept-host-key are for sftp:// "
                   "addresses\n";
            return kExitUsage;
        }
        auto ftpClient = std::make_unique<FTPClient>();
        ftpClient->setTlsMode(static_cast<FtpTlsMode>(settings.ftpTls));
        ftpClient->setAcceptedFingerprint(acceptedFingerprint);
        ftpClient->certificateQuestion = [&refused](const FtpCertificateQuestion& question) {
            refused = question;
            return FtpCertificateAnswer::Refuse;
        };
        ftpClient->setPassive(true);
        client = std::move(ftpClient);
    }
    RemoteClient& ftp = *client;
    UploadEntryList entries(files);
    QStringList stale; // entries to delete after the upload
    GalleryUpload upload(ftp, entries);
    upload.setConnections(connections);
    try {
        const FtpAddress address = parseFtpAddress(server, ftpUser, password);
        ftp.setHost(address.host);
        ftp.setPort(address.port);
        ftp.setUsername(address.user);
        ftp.setPassword(address.password);
        ftp.connectToServer();
        const auto* ftpClient = dynamic_cast<const FTPClient*>(&ftp);
        if (const auto* sftpClient = dynamic_cast<const SftpClient*>(&ftp))
            err << "lumivista upload: logged in with " << sftpClient->loginMethod() << "\n";
        else if (!ftpClient->encrypted())
            err << "lumivista upload: not encrypted: the user name, the password and the files "
                   "go to the server in plain FTP\n";
        else if (!ftpClient->dataEncrypted())
            err << "lumivista upload: the files go to the server unencrypted (the server refused "
                   "to encrypt them); the password went encrypted\n";
        // Unlike the window, a remote folder the server refuses is an error here: nobody
        // would see that the gallery went elsewhere.
        if (!remoteFolder.isEmpty() && remoteFolder != QLatin1String("/"))
            enterBaseFolder(ftp, remoteFolder, projectFile);
        const QString base = upload.readBaseFolder();
        if (onlyChanged) {
            QString recordProblem;
            const QList<bool> changed =
                findChangedEntries(ftp, base, files, target, &recordProblem, isPageName);
            if (!recordProblem.isEmpty())
                err << "lumivista upload: " << recordProblem << "\n";
            for (int i = 0; i < entries.count(); ++i)
                entries.setChecked(i, changed.value(i, true));
            err << changed.count(true) << " of " << files.size() << " files changed" << Qt::endl;
        }
        if (deleteStale) {
            // Listed before anything changes; a folder that cannot be listed stops here.
            UploadRecord staleRecord(UploadRecordKey::of(ftp, base));
            QString recordProblem;
            if (!staleRecord.load(&recordProblem) && !recordProblem.isEmpty())
                err << "lumivista upload: the record of earlier uploads \"" << staleRecord.path()
                    << "\" cannot be read; no stale file is deleted\n";
            stale = findStaleFiles(ftp, base, staleRecord, files, target);
            err << stale.size() << " stale files on the server" << (stale.isEmpty() ? "" : ":")
                << "\n";
            for (const QString& entry : std::as_const(stale))
                err << "  " << staleFilePath(base, entry) << "\n";
            const bool tooMany = stale.size() > maxDelete;
            if (tooMany)
                err << "lumivista upload: " << stale.size() << " stale files are more than the "
                    << maxDelete << " one run deletes; allow them with --max-delete "
                    << stale.size() << "\n";
            if (dryRun || tooMany) {
                err << (dryRun ? "Nothing was sent or deleted (--dry-run)\n"
                               : "lumivista upload: nothing was sent or deleted\n")
                    << Qt::flush;
                ftp.disconnectFromServer();
                return dryRun ? kExitOk : kExitStopped;
            }
        }
        const QString question = uploadQuestion(withoutAddressPassword(server, ftpUser).address,
                                                base, QStringLiteral("\n"));
        err << question << (yes ? " Yes" : " No") << Qt::endl;
        if (!stale.isEmpty())
            err << "Delete the " << stale.size() << " stale files listed above?"
                << (yes ? " Yes" : " No") << Qt::endl;
        if (!yes) {
            err << "lumivista upload: nothing sent (answer the question with --yes)\n";
            ftp.disconnectFromServer();
            return kExitStopped;
        }
    } catch (const LumiError& e) {
        if (refused)
            explainRefusedCertificate(err, *refused, acceptedFingerprint);
        else if (refusedHostKey)
            explainRefusedHostKey(err, *refusedHostKey, acceptedHostKey);
        else
            err << "lumivista upload: " << e.message() << "\n";
        return kExitStopped;
    }

    int toSend = 0;
    for (int i = 0; i < entries.count(); ++i)
        toSend += entries.isChecked(i) ? 1 : 0;
    // What is stored goes into the record of this server, user and folder, also when a
    // stop or a lost connection ends the upload early.
    UploadRecordKeeper record(UploadRecordKey::of(ftp, upload.baseFolder()), entries, target,
                              uploadRecordFolder(), isPageName);
    const bool terminal = isatty(STDERR_FILENO) == 1;
    upload.onProgress = [&](const UploadProgress& progress) {
        if (progress.step == UploadProgress::Step::FileStored)
            record.fileStored(progress.entry);
        if (terminal && (progress.step == UploadProgress::Step::Started ||
                         progress.step == UploadProgress::Step::FileStored))
            drawFileCount(progress.file, progress.count, progress.name);
    };
    upload.onNotice = [&](const QString& text) {
        if (terminal)
            err << "\r" << QString(90, QLatin1Char(' ')) << "\r";
        err << text << Qt::endl;
    };
    upload.onIdle = [&upload] {
        if (InterruptGuard::takeInterrupt())
            upload.requestStop();
    };
    GalleryUpload::Outcome outcome = GalleryUpload::Outcome::Failed;
    {
        InterruptGuard interrupts;
        outcome = upload.run(target);
    }
    if (terminal)
        err << "\r" << QString(90, QLatin1Char(' ')) << "\r" << Qt::flush;
    const bool recordSaved = record.finish();
    const bool complete =
        outcome == GalleryUpload::Outcome::Finished && upload.storedCount() == toSend;
    StaleDeletion deletion;
    if (!stale.isEmpty() && complete && recordSaved) {
        // The record as the upload left it; each deletion takes its entry out and saves it.
        UploadRecord staleRecord(UploadRecordKey::of(ftp, upload.baseFolder()));
        staleRecord.load();
        deletion = deleteStaleFiles(ftp, upload.baseFolder(), staleRecord, stale);
    } else if (!stale.isEmpty()) {
        deletion.errorMessage =
            QStringLiteral("stale files are deleted only after a complete upload");
    }
    try {
        ftp.disconnectFromServer();
    } catch (const LumiError&) {
        // the files are stored or not; a failing QUIT changes nothing
    }

    if (!recordSaved)
        err << "lumivista upload: " << record.errorMessage() << "\n";
    err << upload.storedCount() << " of " << toSend << " files stored in " << upload.baseFolder()
        << Qt::endl;
    if (!stale.isEmpty()) {
        err << deletion.deleted << " of " << stale.size() << " stale files deleted" << Qt::endl;
        if (!deletion.errorMessage.isEmpty())
            err << "lumivista upload: " << deletion.errorMessage << "\n";
    }
    if (!upload.errorMessage().isEmpty())
        err << "lumivista upload: " << upload.errorMessage() << "\n";
    else if (outcome == GalleryUpload::Outcome::Stopped)
        err << "lumivista upload: stopped\n";
    const bool staleDone = deletion.deleted == stale.size();
    return complete && staleDone ? kExitOk : kExitStopped;
}
