// Dispatches the command line verbs.
#include "cli.h"

#include "buildinfo.h"

#include "util/paths.h"

#include <QDir>
#include <QTextStream>

namespace {

void printUsage(QTextStream& out)
{
    out << "Usage:\n"
           "  lumivista [P.lmv]                          the desktop program (opens P.lmv)\n"
           "  lumivista generate P.lmv [--yes] [--jobs N] [--open] [--clean]\n"
           "  lumivista project new P.lmv [--force] [--folder DIR]... [--target DIR] "
           "[Key=Value]...\n"
           "  lumivista project add P.lmv FILE|DIR...\n"
           "  lumivista project set P.lmv Key=Value...\n"
           "  lumivista project show P.lmv\n"
           "  lumivista upload P.lmv [--yes] [--password-stdin] [--changed]\n"
           "                         [--connections N] [--accept-certificate SHA256]\n"
           "                         [--delete-stale [--max-delete N]] [--dry-run]\n"
           "  lumivista --version | --help | VERB --help\n"
           "\n"
           "Verbs:\n"
           "  generate   write the gallery of a project into its target folder\n"
           "  project    make, change and show project files\n"
           "  upload     publish the generated gallery by FTP\n";
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
            "usage: lumivista generate P.lmv [--yes] [--jobs N] [--open] [--clean]\n"
            "Writes the gallery of the project P.lmv into its target folder.\n"
            "  --yes       answer the run's questions (create a missing folder) Yes\n"
            "  --jobs N    pictures made at once, 1 to 256 (default: one per core)\n"
            "  --open      show the finished gallery in the browser\n"
            "  --clean     delete the old files of the target folders first; source\n"
            "              pictures, the project, templates and logo are never deleted\n"
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
            "      an existing file is replaced only with --force\n"
            "add   appends pictures, or the pictures of folders, to the list\n"
            "set   changes settings, named by their keys as in the project file\n"
            "show  prints the settings as they would be saved\n"
            "A file that does not read as a project is refused (exit 2) and left as it is.\n");
    if (verb == u"upload")
        return QStringLiteral(
            "usage: lumivista upload P.lmv [--yes] [--password-stdin] [--changed]\n"
            "                              [--connections N] [--accept-certificate SHA256]\n"
            "                              [--delete-stale [--max-delete N]] [--dry-run]\n"
            "Publishes the generated gallery by FTP to the project's FtpServer, FtpUser\n"
            "and FtpPath, encrypted as its FtpTls says (0 TLS if the server offers it,\n"
            "1 TLS required, 2 plain FTP).\n"
            "  --yes             start without asking\n"
            "  --password-stdin  read the password from standard input; otherwise it\n"
            "                    comes from LUMIVISTA_FTP_PASSWORD, never from an argument\n"
            "  --changed         send only the files that changed since the last upload to\n"
            "                    this server, user and folder: new files, files whose\n"
            "                    content differs, and files the server lacks or holds\n"
            "                    with another size (pages that differ only in the time of\n"
            "                    the run count as unchanged); without a record, all files\n"
            "  --connections N   files sent at once, each on a connection of its own,\n"
            "                    1 to 10 (default: the FTP window's \"Transfers:\", 2)\n"
            "  --accept-certificate SHA256\n"
            "                    accept the server certificate with this SHA-256\n"
            "                    fingerprint for this run although it does not verify\n"
            "                    (64 hex digits; colons and case do not matter). Without\n"
            "                    it such a certificate stops the upload and its\n"
            "                    fingerprint is printed.\n"
            "  --delete-stale    after a complete upload, delete from the server the files\n"
            "                    an earlier upload to this server, user and folder stored\n"
            "                    that the gallery no longer has; no other file, and\n"
            "                    nothing when a folder cannot be listed\n"
            "  --max-delete N    delete at most N files (default 100); more stale files\n"
            "                    than that: none is deleted\n"
            "  --dry-run         print the stale files and change nothing\n"
            "Every upload records what it stored in the \"uploads\" folder of the data\n"
            "folder, never in the gallery or on the server.\n");
    return QString();
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
