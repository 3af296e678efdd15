// Version text and numbers, the desktop's "open", the program path, vendor addresses and
// the library's start-up step.
#include "util/version.h"
#include "util/paths.h"
#include "util/textutil.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include "buildinfo.h"

QString programVersion()
{
    return QStringLiteral(LUMIVISTA_VERSION);
}

quint64 versionNumber(const QString& dotted)
{
    QString rest = dotted;
    auto part = [&rest]() -> quint64 {
        // A negative part would wrap around to a huge, "newer" version.
        const qint64 value = leadingInt(nextToken(rest, QStringLiteral(".")));
        return value > 0 ? quint64(value) : 0;
    };
    quint64 v = 0;
    for (int i = 0; i < 3; ++i)
        v = (v + part()) * 256;
    return v + part();
}

namespace {

// "https://...", "mailto:..." (a scheme of two or more letters; "C:" is a drive).
bool looksLikeUrl(const QString& target)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

// How long an opener may take to say that it found nothing to open with.
constexpr int kOpenerAnswerMs = 2000;

// Starts the opener and waits a moment: one that finds no program for the page (xdg-open
// without a browser) ends at once with an error. One still running then shows the page
// (a browser started in the foreground) and is left running.
bool startOpener(const QString& opener, const QString& target)
{
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({target});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return false;
    }
    if (process->waitForFinished(kOpenerAnswerMs)) {
        const bool opened =
            process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        delete process;
        return opened;
    }
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    return true;
}

bool openUrl(const QUrl& url)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return startOpener(opener, url.isLocalFile() ? url.toLocalFile()
                                                     : url.toString(QUrl::FullyEncoded));
    // Without xdg-open the desktop's own search for a browser is left (it needs a GUI
    // application; the command line has none).
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return QDesktopServices::openUrl(url);
    return false;
}

} // namespace

int openWithShell(const QString& target, const QString& parameters)
{
    if (target.isEmpty())
        return 0;
    try {
        if (target == u"@") {
            QString program = pathContext().programFile;
            if (program.isEmpty())
                program = programPath();
            return QProcess::startDetached(program, QProcess::splitCommand(parameters))
                       ? kShellOk
                       : kShellNotFound;
        }
        QUrl url;
        if (looksLikeUrl(target)) {
            url = QUrl(target, QUrl::TolerantMode);
        } else {
            const QFileInfo file(target);
            if (!file.exists())
                return kShellNotFound;
            url = QUrl::fromLocalFile(file.absoluteFilePath());
        }
        if (!url.isValid())
            return kShellNotFound;
        return openUrl(url) ? kShellOk : kShellNoHandler;
    } catch (...) {
        return 0;
    }
}

QString programPath(bool askSystem)
{
    const QString loaded = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (askSystem && !loaded.isEmpty())
        return loaded;
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return loaded;
}

QString homePageUrl()
{
    return QStringLiteral(LUMIVISTA_HOME_URL);
}

QString supportUrl()
{
    return QStringLiteral(LUMIVISTA_SUPPORT_URL);
}

QString shopUrl()
{
    return QStringLiteral(LUMIVISTA_SHOP_URL);
}

QString updateListUrl()
{
    const QString fromEnvironment = qEnvironmentVariable("LUMIVISTA_UPDATE_URL");
    return fromEnvironment.isEmpty() ? QStringLiteral(LUMIVISTA_UPDATE_URL) : fromEnvironment;
}

void initUtilLibrary()
{
    // The user's locale for numbers and dates; currency is never formatted by the program.
    QLocale::setDefault(QLocale::system());
    computeDataFolders(QString::fromUtf16(kProgramName), false);
}
