// Start-up: without arguments the desktop program, with a verb the command line.
#include "cli.h"

#include "ui/aboutbox.h"
#include "ui/ftpform.h"
#include "ui/hlp.h"
#include "ui/jpgopti.h"
#include "ui/mainform.h"
#include "ui/qtdialogs.h"
#include "ui/updateform.h"
#include "util/dialogs.h"
#include "util/paths.h"
#include "util/version.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QStringList>

namespace {

const char16_t kTitle[] = u"Lumivista";

int runDesktop(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf16(kTitle));
    QApplication::setApplicationDisplayName(QString::fromUtf16(kTitle));
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
    return app.exec();
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
    return runCli(QGuiApplication::arguments().mid(1));
}

} // namespace

int main(int argc, char* argv[])
{
    const QString workingFolder = QDir::currentPath();
    // Locale and the first computation of the data folders, before any window exists.
    initUtilLibrary();
    if (argc > 1)
        return runCommandLine(argc, argv, workingFolder);
    return runDesktop(argc, argv);
}
