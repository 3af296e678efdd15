// The generation run: turns a project into a finished gallery in its target folder. The
// window's generate button and `lumivista generate` are two thin drivers of this class.
//
// run() works on the calling thread for everything whose order matters (checks, folder
// questions, progress, the cancel question, index pages); the work for one picture (load,
// scale, logo, text, corrections, both JPEGs, its page) runs on a thread pool and each
// picture's files are moved under their final names in list order, so the result is the
// same as on one thread, and a cancelled run leaves no picture behind the one it stopped at.
#pragma once

#include "gallery/projectstate.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

struct GalleryLayout;
struct GalleryNames;
struct OutputPlan;
struct PictureOutput;
struct RunLogo;
struct PageTemplates;
struct PictureSettings;
class FileKeys;
class Picture;
class RunCache;
class WrittenFiles;
enum class OutputKind;

struct GalleryRunOptions
{
    // What the run does when an output would replace a file that no run of Lumivista wrote:
    // ask (the window), stop with a message (the command line), or replace it.
    enum class OtherFiles
    {
        Ask,
        Refuse,
        Overwrite
    };

    // "Dateien vorher löschen": deletes the files that earlier runs wrote into the target
    // folders; not part of the project.
    bool deleteOldFiles = false;
    OtherFiles otherFiles = OtherFiles::Ask;
    QString projectFile; // the open project file, never overwritten or deleted
    int jobs = 0;        // worker threads; 0 = one per core
    QDateTime now;       // `DatZeit`; invalid = the time the run starts
    // Pictures whose JPEGs the last run made from the same source and settings, and that
    // are unchanged on disk, are not decoded again (the record lives in the data folder).
    bool reuseUnchanged = true;
};

class GalleryRun
{
public:
    // The phase of the run, as the generate button keeps it.
    enum Phase
    {
        Idle = 0,
        Running = 1,
        CancelRequested = 2,
        Cancelled = 3
    };
    enum class Outcome
    {
        NoTarget,          // "Kein Ziel angegeben!" was shown
        NoPictures,        // "Keine Fotos gewählt!" was shown
        FolderUnavailable, // a folder was not created (answered No, or failed)
        Refused,           // an output would replace an original, or a file that Lumivista did
                           // not write and that may not be replaced; nothing written
        Cancelled,         // stopped after "Abbrechen?" was answered Yes
        Failed,            // an unguarded step (style sheet, CD image) failed; message shown
        Finished,          // gallery written, final question asked
    };

    // `project` must outlive the run. The run may change the small-picture prefix
    // (`TnPraefix` := "tn_" when both kinds of picture would share names); the window
    // shows that through onSettingChanged.
    GalleryRun(ProjectState& project, GalleryRunOptions options = {});
    ~GalleryRun();

    // Progress in percent, on the calling thread.
    std::function<void(int)> onProgress;
    // Called on the calling thread between pictures and while waiting for workers: the
    // window processes its events here, so a press of the button can request a cancel.
    std::function<void()> onIdle;
    // The phase changed (button caption "Abbrechen" / "Galerie &erstellen", busy cursor).
    std::function<void(Phase)> onPhase;
    // A setting was changed by the run (key as in the settings table).
    std::function<void(const QString&)> onSettingChanged;
    // A warning of the run (a clash of output names, a logo that cannot be read...), as
    // it happens; the run goes on. The command line prints it on stderr; the window shows
    // the collected warnings in the final question.
    std::function<void(const QString&)> onWarning;

    // Steps of a press of the generate button on an idle run; blocks until done.
    Outcome run();
    // A press while running: asks for a cancel, seen before the next picture. Thread-safe.
    void requestCancel();
    Phase phase() const { return m_phase.load(); }

    // After run(): the first index page (`indexdat`), the number of captioned pages
    // (CaptionCount), and how many pictures were written / skipped as unreadable.
    QString indexFile() const { return m_indexFile; }
    int captionCount() const { return m_captionCount; }
    int picturesWritten() const { return m_written; }
    int picturesSkipped() const { return m_skipped; }
    // Pictures whose JPEGs were kept from the last run (counted in picturesWritten).
    int picturesReused() const { return m_reused; }
    // "source path: reason" of every skipped picture; the final question counts them and
    // names the first ten sources.
    const QStringList& skippedPictures() const { return m_skippedReasons; }
    // Files of the gallery that could not be written (a full disk, no permission, a name
    // too long), one "path: reason" each, the reason naming the final file: skipped pictures
    // as above, and index pages left out. Such a run ends with the error "Die Galerie ist
    // unvollständig, N nicht geschrieben:" and the first kNotWrittenShown reasons instead of
    // the final question; the command line reports it as a failure.
    const QStringList& notWritten() const { return m_notWritten; }
    static constexpr int kNotWrittenShown = 5;

    // Every warning of the last run, in order.
    const QStringList& warnings() const { return m_warnings; }
    // Files at output names that no run of Lumivista wrote, found before anything was
    // written (the run asked about them or refused).
    const QStringList& otherFiles() const { return m_otherFiles; }

private:
    void setPhase(Phase phase);
    void warn(const QString& text);
    void progress(int percent);
    void idle();

    // The stages of run(), in order.
    void startRun(); // takes the settings snapshot, forgets the last run's results
    GalleryLayout layoutFromSettings();
    bool ensureFolders(const GalleryNames& names);
    // Plans the outputs once the folders exist: small pictures that would be the large
    // pictures' files get the prefix "tn_"; false (message shown) when an output would
    // replace an original; every clash of two sources is warned about.
    bool planRun(GalleryLayout& layout, FileKeys& keys, OutputPlan& plan);
    // False (asked and answered No, or refused) when outputs would replace files that no
    // run of Lumivista wrote.
    bool mayReplaceOtherFiles(const OutputPlan& plan, FileKeys& keys);
    // Everything after the plan: the files of the gallery and the final question.
    Outcome writeGallery(GalleryLayout& layout, const OutputPlan& plan, FileKeys& keys);
    void clearFolders(const GalleryNames& names, FileKeys& keys);
    // The "2x" sub-folders the plan's double-size pictures go into.
    void makeDoubleSizeFolders(const OutputPlan& plan);
    // Removes the double sizes of this run's pictures that an earlier run made and this one
    // does not make.
    void removeDroppedDoubleSizes(const OutputPlan& plan, FileKeys& keys);
    // Remembers the outputs of `kind` (and `index`, unless -1) as written by this run.
    void recordWritten(const OutputPlan& plan, OutputKind kind, int index = -1);
    RunLogo loadLogo();
    void preparePages(GalleryLayout& layout, const QDateTime& datZeit);
    bool makeAllPictures(const GalleryLayout& layout, const OutputPlan& plan, const RunLogo& logo);
    void writeIndexPages(const GalleryLayout& layout, const OutputPlan& plan);
    void askToShow(const QString& indexDat);

    // The picture loop; false when it was cancelled. Each picture writes the files the plan
    // leaves to it.
    bool makePictures(const GalleryLayout& layout, const OutputPlan& plan,
                      const PictureSettings& settings, const RunLogo& logo, RunCache* cache);
    // A cancel was requested and "Abbrechen?" answered Yes.
    bool cancelConfirmed();
    // Puts picture i's files in place and counts it as written or skipped.
    void takePicture(int i, const PictureOutput& output, const QStringList& files, RunCache* cache);
    // Warnings about named navigation pictures and templates that cannot be used.
    void warnAboutMissingNavPictures(const QStringList& navTexts);
    PageTemplates chooseRunTemplates(const QString& vorIndex, const QString& vorBild,
                                     bool mobilePages);

    ProjectState& m_project;
    ProjectSettings m_settings; // taken when the run starts
    GalleryRunOptions m_options;
    std::atomic<Phase> m_phase{Idle};
    QString m_indexFile;
    int m_captionCount = 0;
    int m_written = 0;
    int m_skipped = 0;
    int m_reused = 0;
    QStringList m_skippedReasons;
    QStringList m_skippedSources; // source paths of the skipped pictures, in list order
    QStringList m_notWritten;
    QStringList m_warnings;
    QStringList m_otherFiles;
    std::unique_ptr<WrittenFiles> m_record; // the files runs wrote into this gallery
};
