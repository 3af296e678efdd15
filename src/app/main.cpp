// Start-up: without arguments the desktop program, with a verb the command line.
#include "cli.h"

#include "ui/aboutbox.h"
#include "ui/ftpform.h"
#include "ui/hlp.h"
#include "ui/jpgopti.h"
#include "ui/mainform.h"
#include "ui/qtdialogs.h"
#include "ui/translations.h"
#include "ui/updateform.h"
#include "util/dialogs.h"
#include "util/paths.h"
#include "util/rawnames.h"
#include "util/version.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QStringList>

#include <cstdio>

#include <unistd.h>

namespace {

const char16_t kTitle[] = u"Lumivista";

// The windows' icon: the theme's when the program is installed, else the built-in one.
QIcon applicationIcon()
{
    QIcon builtIn;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        builtIn.addFile(QStringLiteral(":/icons/lumivista-%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("example.lumivista.Lumivista"), builtIn);
}

// A single argument that is no verb and no option and names a project file (ending in
// .lmv, or an existing file) is opened in the window: a project double-clicked in the file
// manager arrives so. A mistyped verb stays a command-line error.
bool isProjectArgument(const char* arg)
{
    static const QStringList verbs = {QStringLiteral("generate"), QStringLiteral("project"),
                                      QStringLiteral("upload")};
    // A name that is not valid in the system's encoding is refused by the command line.
    if (!isDecodableName(arg))
        return false;
    const QString text = QFile::decodeName(arg);
    if (text.startsWith(QLatin1Char('-')) || verbs.contains(text))
        return false;
    return text.endsWith(QLatin1String(".lmv"), Qt::CaseInsensitive) || QFileInfo(text).isFile();
}

const char kNoDisplay[] = "Kein Bildschirm gefunden (DISPLAY/WAYLAND_DISPLAY); die Befehle "
                          "generate, project und upload laufen ohne.";

// Without a display the window cannot start: the user gets a sentence instead of Qt's abort.
[[noreturn]] void exitWithoutDisplay()
{
    fprintf(stderr, "%s\n", kNoDisplay);
    fflush(stderr);
    _exit(1);
}

// While the window's application connects to the display: Qt's notes of a display it
// cannot reach are not shown, and its abort for want of a platform becomes exitWithoutDisplay.
QtMessageHandler g_previousHandler = nullptr;
void displayStartMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg)
        exitWithoutDisplay();
    if (qstrncmp(context.category ? context.category : "", "qt.qpa", 6) == 0)
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

// True when the window has somewhere to show itself: a platform chosen by the user
// (QT_QPA_PLATFORM) or an X or Wayland display.
bool displayNamed()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int runDesktop(int argc, char* argv[], const QString& projectFile)
{
    if (!displayNamed())
        exitWithoutDisplay();
    // A display that is named but cannot be reached (a closed ssh tunnel) ends the same way.
    g_previousHandler = qInstallMessageHandler(displayStartMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    QApplication::setApplicationName(QString::fromUtf16(kTitle));
    // No display name: Qt would append " — Lumivista" to every window title. Dialogs that
    // are captioned with the application title get the application name instead.
    QApplication::setDesktopFileName(QStringLiteral("example.lumivista.Lumivista"));
    QApplication::setWindowIcon(applicationIcon());
    // File-type icons (the FTP window) where the desktop's theme has none.
    if (QIcon::fallbackThemeName().isEmpty())
        QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    installQtGerman(app);
    // Now with the title: creates dataDir and docDir and makes docDir the current folder,
    // where the file dialogs start. The version is compiled in.
    computeDataFolders(QString::fromUtf16(kTitle), true);

    QtDialogs dialogs;
    DialogServiceGuard dialogGuard(&dialogs);

    // The windows, in this order; all live until the program ends. The side windows belong
    // to the main window, so closing the main window ends the program.
    TMainForm mainForm;
    TJPGOpti optimiser(&mainForm);
    TAboutBox about(&mainForm);
    TUpdateForm update(&mainForm);
    Thlp help(&mainForm);
    TFTPForm ftp(&mainForm);
    mainForm.setSideWindows(&about, &update, &help);
    mainForm.setFtpWindow(&ftp);
    mainForm.setOptimiser(&optimiser);

    mainForm.show();
    if (!projectFile.isEmpty())
        mainForm.loadProjectFile(projectFile);
    return app.exec();
}

// The command line speaks for itself on stderr: Qt's own notes (no runtime folder, no
// display, font substitutions) are not for a script's log. Critical and fatal messages
// still reach stderr.
void commandLineMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

int runCommandLine(int argc, char* argv[], const QString& workingFolder)
{
    // The text stamp draws with fonts, which needs the GUI application; the command line
    // must also work without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QString::fromUtf16(kTitle));
    // Relative paths on the command line are relative to where the user started it.
    QDir::setCurrent(workingFolder);
    // The arguments as bytes, without the options QGuiApplication took for itself.
    QList<QByteArray> args;
    for (int i = 1; i < argc; ++i)
        args << QByteArray(argv[i]);
    return runCliOnRawArguments(args);
}

} // namespace

int main(int argc, char* argv[])
{
    const QString workingFolder = QDir::currentPath();
    // Locale and the first computation of the data folders, before any window exists.
    const bool openProject = argc == 2 && isProjectArgument(argv[1]);
    const bool commandLine = argc > 1 && !openProject;
    if (commandLine)
        qInstallMessageHandler(commandLineMessages);
    initUtilLibrary();
    if (commandLine)
        return runCommandLine(argc, argv, workingFolder);
    QString project;
    if (openProject)
        project = QDir(workingFolder).absoluteFilePath(QFile::decodeName(argv[1]));
    return runDesktop(argc, argv, project);
}
