// `lumivista generate P.lmv`: the generation run of the window, driven from a script.
// Questions are answered from the flags, messages go to standard error, a progress bar is
// drawn when standard error is a terminal, and Ctrl+C stops after the current picture.
#include "cli.h"
#include "cli_support.h"

#include "gallery/galleryrun.h"
#include "gallery/projectstate.h"
#include "util/dialogs.h"
#include "util/error.h"

#include <QFileInfo>
#include <QTextStream>

#include <unistd.h>

namespace {

// Answers the run's questions as the flags say and reports every message on stderr.
class GenerateAnswers : public DialogService
{
public:
    GenerateAnswers(bool yes, bool open) : m_yes(yes), m_open(open) {}

    DialogResult show(const QString& text, DialogType type, DialogButtons buttons) override
    {
        QTextStream err(stderr);
        QString shown = text;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (buttons == DialogButtons::Ok) {
            const char* prefix = type == DialogType::Error     ? "Fehler: "
                                 : type == DialogType::Warning ? "Warnung: "
                                                               : "";
            err << "\r" << prefix << shown << Qt::endl;
            if (type == DialogType::Error || type == DialogType::Warning)
                m_stoppedWithMessage = true;
            return DialogResult::Ok;
        }
        bool answer = m_yes;
        if (shown.contains(QLatin1String("In Browser anzeigen?")))
            answer = m_open;
        else if (shown == QLatin1String("Abbrechen?"))
            answer = true; // only asked after Ctrl+C
        err << "\r" << shown << (answer ? " Ja" : " Nein") << Qt::endl;
        return answer ? DialogResult::Yes : DialogResult::No;
    }

    bool stoppedWithMessage() const { return m_stoppedWithMessage; }

private:
    bool m_yes;
    bool m_open;
    bool m_stoppedWithMessage = false;
};

void drawProgress(int percent)
{
    static int last = -1;
    if (percent == last)
        return;
    last = percent;
    QTextStream err(stderr);
    err << "\r" << progressBar(percent, 100, 40) << " " << percent << "%" << Qt::flush;
}

} // namespace

int runGenerateCommand(const QStringList& args)
{
    QTextStream err(stderr);
    QString projectFile;
    GalleryRunOptions options;
    bool yes = false;
    bool open = false;
    bool overwrite = false;
    QString jobs;
    if (const int exitCode =
            readVerbArguments(QStringLiteral("generate"), args,
                              {{QStringLiteral("--yes"), &yes},
                               {QStringLiteral("--open"), &open},
                               // the window's "Dateien vorher löschen"
                               {QStringLiteral("--clean"), &options.deleteOldFiles},
                               {QStringLiteral("--overwrite"), &overwrite}},
                              {{QStringLiteral("--jobs"), &jobs}}, projectFile);
        exitCode >= 0)
        return exitCode;
    if (!jobs.isNull()) {
        bool ok = false;
        options.jobs = jobs.toInt(&ok);
        if (!ok || options.jobs < 1 || options.jobs > 256) {
            err << "lumivista generate: --jobs takes a number from 1 to 256\n";
            return kExitUsage;
        }
    }
    ProjectState project;
    if (const int exitCode = loadProjectArgument(QStringLiteral("generate"), projectFile, project);
        exitCode >= 0)
        return exitCode;

    options.projectFile = QFileInfo(projectFile).absoluteFilePath();
    // A script never answers this one with --yes: files the user made are replaced only
    // when asked for by name.
    options.otherFiles = overwrite ? GalleryRunOptions::OtherFiles::Overwrite
                                   : GalleryRunOptions::OtherFiles::Refuse;
    GenerateAnswers answers(yes, open);
    DialogServiceGuard guard(&answers);
    GalleryRun run(project, options);
    const bool terminal = isatty(STDERR_FILENO) == 1;
    if (terminal)
        run.onProgress = drawProgress;
    run.onWarning = [&err](const QString& text) { err << "\rWarnung: " << text << Qt::endl; };
    run.onIdle = [&run] {
        if (InterruptGuard::takeInterrupt())
            run.requestCancel();
    };
    GalleryRun::Outcome outcome = GalleryRun::Outcome::Failed;
    {
        InterruptGuard interrupts;
        outcome = run.run();
    }
    if (terminal)
        err << "\r" << Qt::flush;

    // A finished run that could not write every file said so with the first reasons; each
    // reason is named once.
    const QStringList& notWritten = run.notWritten();
    const QStringList named = outcome == GalleryRun::Outcome::Finished
                                  ? notWritten.mid(0, GalleryRun::kNotWrittenShown)
                                  : QStringList();
    err << run.picturesWritten() << " Bilder geschrieben";
    if (run.picturesSkipped() > 0)
        err << ", " << run.picturesSkipped() << " übersprungen";
    err << Qt::endl;
    for (const QString& reason : run.skippedPictures()) {
        if (!named.contains(reason))
            err << "  " << reason << "\n";
    }
    if (outcome == GalleryRun::Outcome::Refused && !run.otherFiles().isEmpty() && !overwrite)
        err << "lumivista generate --overwrite ersetzt sie." << Qt::endl;
    if (outcome != GalleryRun::Outcome::Finished)
        return kExitStopped;
    // A picture or page that could not be written leaves an incomplete gallery.
    if (!notWritten.isEmpty()) {
        for (const QString& reason : notWritten.mid(named.size())) {
            if (!run.skippedPictures().contains(reason))
                err << "  " << reason << "\n";
        }
        return kExitStopped;
    }
    QTextStream(stdout) << run.indexFile() << Qt::endl;
    // Pictures that could not be read: the gallery is finished without them (named above).
    return run.picturesSkipped() > 0 ? kExitIncomplete : kExitOk;
}
