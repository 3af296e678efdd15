// Dispatches the command line verbs.
#include "cli.h"

#include "buildinfo.h"

#include "util/paths.h"
#include "util/rawnames.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

namespace {

void printUsage(QTextStream& out)
{
    out << "Usage:\n"
           "  lumivista [P.lmv]                          the desktop program (opens P.lmv)\n"
           "  lumivista generate P.lmv [--yes] [--jobs N] [--open] [--clean] [--overwrite]\n"
           "  lumivista project new P.lmv [--force] [--folder DIR]... [--target DIR] "
           "[Key=Value]...\n"
           "  lumivista project add P.lmv FILE|DIR...\n"
           "  lumivista project set P.lmv Key=Value...\n"
           "  lumivista project show P.lmv\n"
           "  lumivista upload P.lmv [--yes] [--password-stdin] [--changed]\n"
           "                         [--connections N] [--accept-certificate SHA256]\n"
           "                         [--accept-host-key SHA256:...] [--identity FILE]\n"
           "                         [--delete-stale [--dry-run] [--max-delete N]]\n"
           "  lumivista --version | --help | VERB --help\n"
           "\n"
           "Verbs:\n"
           "  generate   write the gallery of a project into its target folder\n"
           "  project    make, change and show project files\n"
           "  upload     publish the generated gallery by FTP or SFTP\n";
}

bool asksForHelp(const QStringList& args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

} // namespace

QString verbUsage(const QString& verb)
{
    if (verb == u"generate")
        return QStringLiteral(
            "usage: lumivista generate P.lmv [--yes] [--jobs N] [--open] [--clean] "
            "[--overwrite]\n"
            "Writes the gallery of the project P.lmv into its target folder.\n"
            "  --yes        answer the run's questions (create a missing folder) Yes\n"
            "  --jobs N     pictures made at once, 1 to 256 (default: one per core)\n"
            "  --open       show the finished gallery in the browser\n"
            "  --clean      first delete the files that earlier runs wrote into the target\n"
            "               folders; every other file stays (their count and the first\n"
            "               five are named on stderr)\n"
            "  --overwrite  replace files at output names that Lumivista did not write;\n"
            "               without it such files stop the run (exit 1), named on stderr.\n"
            "               Source pictures, the project, templates and logo are never\n"
            "               replaced or deleted\n"
            "Exit status: 0 done, 1 stopped with a message, 2 bad usage, 3 done with\n"
            "pictures that could not be processed (each named on stderr).\n");
    if (verb == u"project")
        return QStringLiteral(
            "usage: lumivista project new P.lmv [--force] [--folder DIR]... [--target DIR] "
            "[Key=Value]...\n"
            "       lumivista project add P.lmv FILE|DIR...\n"
            "       lumivista project set P.lmv Key=Value...\n"
            "       lumivista project show P.lmv\n"
            "new   writes a project with start settings, the pictures of each folder\n"
            "      (*.jpg, *.gif, *.bmp), the target folder and the settings given;\n"
            "      an existing file is replaced only with --force, and only when it\n"
            "      reads as a project or is empty\n"
            "add   appends pictures, or the pictures of folders, to the list\n"
            "set   changes settings, named by their keys as in the project file\n"
            "show  prints the settings as they would be saved\n"
            "A file that does not read as a project is refused (exit 2) and left as it is.\n");
    if (verb == u"upload")
        return QStringLiteral(
            "usage: lumivista upload P.lmv [--yes] [--password-stdin] [--changed]\n"
            "                              [--connections N] [--accept-certificate SHA256]\n"
            "                              [--accept-host-key SHA256:...] [--identity FILE]\n"
            "                              [--delete-stale [--dry-run] [--max-delete N]]\n"
            "Publishes the generated gallery by FTP to the project's FtpServer, FtpUser\n"
            "and FtpPath, encrypted as its FtpTls says (0 TLS if the server offers it,\n"
            "1 TLS required, 2 plain FTP). An FtpServer of the form sftp://host[:port]\n"
            "publishes by SFTP instead (port 22 unless given; FtpTls does not apply): the\n"
            "login tries the --identity key, then the keys of a running ssh-agent\n"
            "(SSH_AUTH_SOCK), then the password.\n"
            "  --yes             start without asking\n"
            "  --password-stdin  read the password from standard input; otherwise it\n"
            "                    comes from LUMIVISTA_FTP_PASSWORD, never from an argument\n"
            "  --changed         send only the files that changed since the last upload to\n"
            "                    this server, user and folder: new files, files whose\n"
            "                    content differs, and files the server lacks or holds\n"
            "                    with another size (pages that differ only in the time of\n"
            "                    the run count as unchanged); without a record, all files\n"
            "  --connections N   files sent at once, each on a connection of its own,\n"
            "                    1 to 10 (default: the FTP window's \"Transfers:\", 4)\n"
            "  --accept-certificate SHA256\n"
            "                    accept the server certificate with this SHA-256\n"
            "                    fingerprint for this run although it does not verify\n"
            "                    (64 hex digits; colons and case do not matter). Without\n"
            "                    it such a certificate stops the upload and its\n"
            "                    fingerprint is printed.\n"
            "  --accept-host-key SHA256:...\n"
            "                    SFTP: accept the server's host key with this fingerprint\n"
            "                    (as `ssh-keygen -lf` prints it) for this run. Without it a\n"
            "                    host key that is neither in the data folder's known_hosts\n"
            "                    nor in ~/.ssh/known_hosts stops the upload and its type and\n"
            "                    fingerprint are printed. A known key that changed is\n"
            "                    always refused.\n"
            "  --identity FILE   SFTP: log in with this private key file; its passphrase\n"
            "                    comes from LUMIVISTA_KEY_PASSPHRASE, or is asked at the\n"
            "                    terminal\n"
            "  --delete-stale    after a complete upload, delete from the server the files\n"
            "                    an earlier upload to this server, user and folder stored\n"
            "                    and the gallery no longer has; no other file. They are\n"
            "                    listed first; a folder the server cannot list stops the\n"
            "                    run before anything is sent or deleted\n"
            "  --dry-run         with --delete-stale: only list the stale files; nothing\n"
            "                    is sent or deleted\n"
            "  --max-delete N    with --delete-stale: delete up to N files (default 100);\n"
            "                    with more stale files nothing is sent or deleted\n"
            "Every upload records what it stored in the \"uploads\" folder of the data\n"
            "folder, never in the gallery or on the server.\n");
    return QString();
}

int runCliOnRawArguments(const QList<QByteArray>& args)
{
    QStringList decoded;
    for (const QByteArray& arg : args) {
        if (!isDecodableName(arg)) {
            // Decoded it would name another file or folder ("out\xFF" as "out\uFFFD").
            const QString verb = decoded.isEmpty() || verbUsage(decoded.first()).isEmpty()
                                     ? QString()
                                     : u' ' + decoded.first();
            QTextStream(stderr) << "lumivista" << verb << ": \"" << escapedRawName(arg)
                                << "\": the name is not valid in the system's encoding "
                                   "(UTF-8); nothing was done\n";
            return kExitUsage;
        }
        decoded << QFile::decodeName(arg);
    }
    return runCli(decoded);
}

int runCli(const QStringList& args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty()) {
        printUsage(err);
        return kExitUsage;
    }
    const QString verb = args.first();
    if (verb == QLatin1String("--version")) {
        out << "Lumivista " << QStringLiteral(LUMIVISTA_VERSION) << Qt::endl;
        return kExitOk;
    }
    if (verb == QLatin1String("--help") || verb == QLatin1String("-h")) {
        printUsage(out);
        return kExitOk;
    }
    // The data folders of the desktop program (templates, the CD starter, relative targets),
    // while relative paths on the command line stay relative to where the user is.
    const QString usage = verbUsage(verb);
    if (!usage.isEmpty() && asksForHelp(args.mid(1))) {
        out << usage << Qt::flush;
        return kExitOk;
    }
    const QString workingFolder = QDir::currentPath();
    computeDataFolders(QStringLiteral("Lumivista"), true);
    QDir::setCurrent(workingFolder);
    if (verb == QLatin1String("project"))
        return runProjectCommand(args.mid(1));
    if (verb == QLatin1String("generate"))
        return runGenerateCommand(args.mid(1));
    if (verb == QLatin1String("upload"))
        return runUploadCommand(args.mid(1));
    err << "lumivista: unknown command \"" << verb << "\"\n";
    printUsage(err);
    return kExitUsage;
}
