// The generation run: checks, folders, the picture loop on a thread pool with results
// taken in list order, the index pages, the CD image and the final question.
#include "gallery/galleryrun.h"

#include "gallery/cdimage.h"
#include "gallery/doublesize.h"
#include "gallery/fontstacks.h"
#include "gallery/indexpage.h"
#include "gallery/outputplan.h"
#include "gallery/picturejob.h"
#include "gallery/runcache.h"
#include "gallery/stylesheet.h"
#include "pic/picture.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/fileops.h"
#include "util/paths.h"
#include "util/samefile.h"
#include "util/version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>
#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace {

// The navigation texts: previous, next, index, separator.
QStringList navTexts(const ProjectSettings& s)
{
    return {s.pPrior, s.pNext, s.pIndex, s.pTrenn};
}

// Pending files of a run that was killed half-way: never part of a finished gallery.
void removeStalePendingFiles(const QStringList& folders)
{
    for (const QString& folder : folders) {
        QDir dir(folder);
        const QStringList stale =
            dir.entryList({QStringLiteral(".lumivista-pending-*")}, QDir::Files | QDir::Hidden);
        for (const QString& name : stale)
            dir.remove(name);
    }
}

// Files that a run never overwrites or deletes: the source pictures, the open project, the
// user templates, the logo and the navigation pictures. (The gallery has no mask setting.)
QStringList protectedFiles(const QStringList& entries, const ProjectSettings& s,
                           const QString& projectFile)
{
    QStringList files;
    for (const QString& entry : entries)
        files << QFileInfo(entryPath(entry)).absoluteFilePath();
    files << projectFile;
    for (const QString& file : {s.vorIndex, s.vorBild}) {
        if (!file.isEmpty())
            files << resolvePath(file, QString());
    }
    const QString logo = s.wzImage.trimmed();
    if (!logo.isEmpty())
        files << resolvePath(logo, QString());
    for (const QString& nav : navTexts(s))
        files << navPictureFile(nav);
    return files;
}

// "Dateien vorher löschen": the files directly in the folders that runs of Lumivista wrote,
// never an original. Returns the files kept, each once.
QStringList deleteOldFiles(const QStringList& folders, const QStringList& originals,
                           const WrittenFiles& record, FileKeys& keys)
{
    QSet<QString> protectedKeys;
    for (const QString& file : originals) {
        for (const QString& k : keys.fileKeys(file))
            protectedKeys.insert(k);
    }
    QStringList files;
    QSet<QString> seenFolders;
    for (const QString& folder : folders) {
        if (!seenFolders.contains(keys.entryKey(folder)))
            scanFolder(files, folder + QStringLiteral("*.*"), 0, 0);
        seenFolders.insert(keys.entryKey(folder));
    }
    QStringList kept;
    QSet<QString> seen;
    for (const QString& file : files) {
        const QString key = keys.entryKey(file);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        const bool deletable =
            !protectedKeys.contains(key) &&
            madeByLumivista(file, record, keys.foldsCase(QFileInfo(file).path()));
        if (!deletable || !QFile::remove(file))
            kept << file;
    }
    return kept;
}

// The note on the files "Dateien vorher löschen" kept: how many, and the first five.
QString keptFilesNote(const QStringList& kept)
{
    constexpr qsizetype kNamesShown = 5;
    QString note = QStringLiteral("Nicht gelöscht: %1 Datei(en), die Lumivista nicht geschrieben "
                                  "hat: %2")
                       .arg(kept.size())
                       .arg(kept.mid(0, kNamesShown).join(QStringLiteral(", ")));
    if (kept.size() > kNamesShown)
        note += QStringLiteral(", ...");
    return note;
}

// The per-picture results, filled by the workers and taken by the run in list order.
class ResultSlots
{
public:
    explicit ResultSlots(int count) : m_results(count) {}

    void put(int i, PictureOutput output)
    {
        {
            std::lock_guard lock(m_mutex);
            m_results[i] = std::move(output);
        }
        m_ready.notify_all();
    }

    // Waits up to `timeout` for result i; takes it when there.
    std::optional<PictureOutput> take(int i, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_for(lock, timeout, [&] { return m_results[i].has_value(); }))
            return std::nullopt;
        std::optional<PictureOutput> result = std::move(m_results[i]);
        m_results[i].reset();
        return result;
    }

    // After the workers stopped: everything not taken.
    std::vector<PictureOutput> leftovers()
    {
        std::lock_guard lock(m_mutex);
        std::vector<PictureOutput> rest;
        for (auto& r : m_results) {
            if (r)
                rest.push_back(std::move(*r));
        }
        return rest;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::vector<std::optional<PictureOutput>> m_results;
};

// The question after a finished run. Notes (warnings, pictures not processed) stand before
// its last line; without notes it is exactly the question the run always asked.
QString finalQuestion(bool cdIndexLine, const QStringList& notes)
{
    QString question = QStringLiteral("Lumivista erstellt!\r\n");
    if (cdIndexLine)
        question += QStringLiteral("Bei CD-Image wird \"index.htm\" generiert!\r\n");
    question += QStringLiteral("\r\n");
    for (const QString& note : notes)
        question += note + QStringLiteral("\r\n");
    return question + QStringLiteral("In Browser anzeigen?");
}

// The error after a run that could not write every file: how many, and the first reasons.
QString incompleteMessage(const QStringList& notWritten)
{
    QStringList lines{QStringLiteral("Die Galerie ist unvollständig, %1 nicht geschrieben:")
                          .arg(notWritten.size())};
    lines += notWritten.mid(0, GalleryRun::kNotWrittenShown);
    if (notWritten.size() > GalleryRun::kNotWrittenShown)
        lines << QStringLiteral("...");
    return lines.join(QStringLiteral("\r\n"));
}

// The note of the final question on pictures that are missing from the gallery: how many,
// and the source paths of the first ten.
QStringList unprocessedNote(const QStringList& sources)
{
    if (sources.isEmpty())
        return {};
    constexpr qsizetype kNamesShown = 10;
    return QStringList{QStringLiteral("Nicht verarbeitet: %1 Bild(er)").arg(sources.size())} +
           sources.mid(0, kNamesShown);
}

// The warning about a file named in the settings (logo, template, navigation picture) that
// cannot be used: the name as typed, the folder it was looked for in (a relative name lies in
// the document folder), and why.
QString namedFileWarning(const QString& what, const QString& typed, const QString& resolved,
                         const QString& reason)
{
    const QFileInfo info(resolved);
    return QStringLiteral("%1 \"%2\" nicht verwendet (gesucht in %3/): %4")
        .arg(what, typed, info.absolutePath(),
             info.isFile() ? reason : QStringLiteral("Datei nicht gefunden"));
}

// Why a picture is missing from the gallery, naming its source once: the errors of
// loading a picture name the file already.
QString skipReason(const QString& source, const QString& error)
{
    if (error.isEmpty())
        return source + QStringLiteral(": nicht geschrieben");
    if (error.contains(source))
        return error;
    return source + QStringLiteral(": ") + error;
}

} // namespace

// The logo of a run, loaded once; empty when there is none or it cannot be read.
struct RunLogo
{
    Picture picture;
    Picture source;      // as loaded, before its size setting (for double sizes)
    QByteArray identity; // of its file, for the record of reusable pictures
};

GalleryRun::GalleryRun(ProjectState& project, GalleryRunOptions options)
    : m_project(project), m_options(std::move(options))
{
}

GalleryRun::~GalleryRun() = default;

void GalleryRun::setPhase(Phase phase)
{
    m_phase.store(phase);
    if (onPhase)
        onPhase(phase);
}

void GalleryRun::warn(const QString& text)
{
    m_warnings << text;
    if (onWarning)
        onWarning(text);
}

void GalleryRun::progress(int percent)
{
    if (onProgress)
        onProgress(percent);
}

void GalleryRun::requestCancel()
{
    Phase expected = Running;
    m_phase.compare_exchange_strong(expected, CancelRequested);
}

GalleryRun::Outcome GalleryRun::run()
{
    if (m_phase.load() != Idle) {
        requestCancel();
        return Outcome::Cancelled;
    }
    startRun();
    if (m_settings.ziel.isEmpty()) {
        showError(QStringLiteral("Kein Ziel angegeben!"));
        return Outcome::NoTarget;
    }
    if (m_project.Files().isEmpty()) {
        showError(QStringLiteral("Keine Fotos gewählt!"));
        return Outcome::NoPictures;
    }
    GalleryLayout layout = layoutFromSettings();
    if (!ensureFolders(layout.names))
        return Outcome::FolderUnavailable;
    FileKeys keys;
    OutputPlan plan;
    m_record = std::make_unique<WrittenFiles>(WrittenFiles::recordFileFor(layout.names.exportPath));
    if (!planRun(layout, keys, plan) || !mayReplaceOtherFiles(plan, keys))
        return Outcome::Refused;

    setPhase(Running);
    Outcome outcome = Outcome::Failed;
    try {
        outcome = writeGallery(layout, plan, keys);
    } catch (const LumiError& e) {
        showError(e);
        outcome = Outcome::Failed;
    }
    // What was written so far is known to the next run, also after a cancel or a failure.
    m_record->finish();
    m_record->save();
    setPhase(Idle);
    return outcome;
}

void GalleryRun::startRun()
{
    m_settings = m_project.settings();
    m_captionCount = m_written = m_skipped = m_reused = 0;
    m_skippedReasons.clear();
    m_skippedSources.clear();
    m_notWritten.clear();
    m_warnings.clear();
    m_otherFiles.clear();
    m_indexFile.clear();
}

GalleryLayout GalleryRun::layoutFromSettings()
{
    const ProjectSettings& s = m_settings;
    GalleryLayout layout;
    GalleryNames& names = layout.names;
    names.exportPath = resolveFolder(s.ziel, QString(), false);
    names.tnPath = resolveFolder(s.tnPath, names.exportPath, false);
    names.bildPath = resolveFolder(s.picPath, names.exportPath, false);
    names.files = m_project.Files();
    names.picDatBez = s.picDatBez;
    names.newNum = s.newNum;
    names.tnPraefix = s.tnPraefix;
    names.picPraefix = s.picPraefix;
    layout.indexDat = indexDatFor(names.exportPath, s.index, s.cdImage);
    m_indexFile = layout.indexDat;
    layout.col = s.col;
    layout.row = s.row;
    return layout;
}

bool GalleryRun::ensureFolders(const GalleryNames& names)
{
    // In this order; a folder that is not there ends the run before the next is tried.
    for (const QString& folder : {names.exportPath, names.tnPath, names.bildPath}) {
        if (!ensureFolder(folder, kFolderAskCreate))
            return false;
    }
    return true;
}

GalleryRun::Outcome GalleryRun::writeGallery(GalleryLayout& layout, const OutputPlan& plan,
                                             FileKeys& keys)
{
    clearFolders(layout.names, keys);
    progress(0);
    const QDateTime datZeit =
        m_options.now.isValid() ? m_options.now : QDateTime::currentDateTime();
    warnAboutMissingNavPictures(navTexts(m_settings));
    layout.nav = prepareNavigation(m_settings.pPrior, m_settings.pNext, m_settings.pIndex,
                                   m_settings.pTrenn, plan, QString(), m_settings.mobilePages);
    recordWritten(plan, OutputKind::NavPicture);
    const RunLogo logo = loadLogo();
    preparePages(layout, datZeit);
    GenerateCss(layout, plan.path(OutputKind::StyleSheet));
    recordWritten(plan, OutputKind::StyleSheet);
    makeDoubleSizeFolders(plan);
    if (!makeAllPictures(layout, plan, logo))
        return Outcome::Cancelled;
    removeDroppedDoubleSizes(plan, keys);
    writeIndexPages(layout, plan);
    if (m_settings.cdImage) {
        GenerateCD(plan.path(OutputKind::CdStarter), plan.path(OutputKind::CdAutorun));
        recordWritten(plan, OutputKind::CdStarter);
        recordWritten(plan, OutputKind::CdAutorun);
    }
    progress(100);
    askToShow(layout.indexDat);
    progress(0);
    return Outcome::Finished;
}

void GalleryRun::clearFolders(const GalleryNames& names, FileKeys& keys)
{
    // The double-size folders too: files of an earlier run with double sizes go as well.
    const QStringList folders = outputFolders(names);
    removeStalePendingFiles(folders);
    if (!m_options.deleteOldFiles)
        return;
    const QStringList kept = deleteOldFiles(
        folders, protectedFiles(m_project.Files(), m_settings, m_options.projectFile), *m_record,
        keys);
    if (!kept.isEmpty())
        warn(keptFilesNote(kept));
}

void GalleryRun::makeDoubleSizeFolders(const OutputPlan& plan)
{
    // Made without a question: they belong to folders the user agreed to. One that cannot be
    // made fails its pictures, which the run reports as files not written.
    QSet<QString> made;
    for (const PlannedOutput& o : plan.outputs) {
        if (o.kind != OutputKind::LargePicture2x && o.kind != OutputKind::SmallPicture2x)
            continue;
        const QString folder = QFileInfo(o.path).path();
        if (!made.contains(folder)) {
            made.insert(folder);
            QDir().mkpath(folder);
        }
    }
}

void GalleryRun::removeDroppedDoubleSizes(const OutputPlan& plan, FileKeys& keys)
{
    // A double size an earlier run made that this one does not (the setting is off, the
    // photo is no longer larger than its picture) would stay in the gallery and its upload.
    // Neither an output of this run (by its path: the "2x" folders may not have existed when
    // the plan took its keys) nor an original (a photo of the list may be such a file).
    QSet<QString> originals;
    for (const QString& file :
         protectedFiles(m_project.Files(), m_settings, m_options.projectFile)) {
        for (const QString& key : keys.fileKeys(file))
            originals.insert(key);
    }
    for (const QString& file : plan.unplannedDoubleSizes) {
        const QFileInfo info(file);
        if (!info.isFile())
            continue;
        const QStringList fileKeys = keys.fileKeys(file);
        const bool original =
            std::any_of(fileKeys.cbegin(), fileKeys.cend(),
                        [&originals](const QString& k) { return originals.contains(k); });
        if (!original && m_record->knows(file, keys.foldsCase(info.path())))
            QFile::remove(file);
    }
}

void GalleryRun::recordWritten(const OutputPlan& plan, OutputKind kind, int index)
{
    for (const PlannedOutput& o : plan.outputs) {
        if (o.kind == kind && (index < 0 || o.index == index) && o.supersededBy < 0)
            m_record->add(o.path);
    }
}

bool GalleryRun::mayReplaceOtherFiles(const OutputPlan& plan, FileKeys& keys)
{
    QSet<QString> seen;
    QSet<QString> others;
    for (const PlannedOutput& o : plan.outputs) {
        const QFileInfo info(o.path);
        if (seen.contains(o.key) || (!info.exists() && !info.isSymLink()) || info.isDir())
            continue;
        seen.insert(o.key);
        if (!madeByLumivista(o.path, *m_record, keys.foldsCase(info.path()))) {
            m_otherFiles << o.path;
            others.insert(o.key);
        }
    }
    if (!m_otherFiles.isEmpty() &&
        m_options.otherFiles != GalleryRunOptions::OtherFiles::Overwrite) {
        // The paths stay whole: the "/n" rule applies to the own text only.
        const QString names = m_otherFiles.mid(0, 5).join(QStringLiteral("\r\n"));
        const QString text = QStringLiteral(
            "Das Ziel würde %1 Datei(en) ersetzen, die Lumivista nicht geschrieben hat:/n%2");
        if (m_options.otherFiles == GalleryRunOptions::OtherFiles::Refuse) {
            showError({text, m_otherFiles.size(), names});
            return false;
        }
        if (!askYesNo(
                {text + QStringLiteral("/n/nTrotzdem ersetzen?"), m_otherFiles.size(), names}))
            return false;
    }
    // Before anything is written, the outputs where nothing or a file of Lumivista's is are
    // claimed, so that what a killed run leaves is known to the next one. The files the user
    // allowed to be replaced count only once they are.
    for (const PlannedOutput& o : plan.outputs) {
        if (o.supersededBy < 0 && !others.contains(o.key))
            m_record->claim(o.path);
    }
    m_record->save();
    return true;
}

RunLogo GalleryRun::loadLogo()
{
    // A logo that cannot be loaded is passed over: the pictures are made without it.
    RunLogo logo;
    const QString logoPath = m_settings.wzImage.trimmed();
    if (logoPath.isEmpty())
        return logo;
    const QString resolvedLogo = resolvePath(logoPath, QString());
    try {
        LoadPicture(logo.picture, resolvedLogo);
        logo.identity = fileIdentity(resolvedLogo);
        if (m_settings.mobilePages)
            logo.source = logo.picture;
        const int size = m_settings.wzSize;
        if (size != 0 && size != 100)
            ScalePicture(logo.picture, logo.picture.width() * size / 100,
                         logo.picture.height() * size / 100, true, 0);
    } catch (const LumiError& e) {
        logo.picture.clear();
        logo.source.clear();
        logo.identity.clear();
        warn(namedFileWarning(QStringLiteral("Logo"), logoPath, resolvedLogo, e.message()));
    }
    return logo;
}

void GalleryRun::preparePages(GalleryLayout& layout, const QDateTime& datZeit)
{
    const ProjectSettings& s = m_settings;
    const PageTemplates templates = chooseRunTemplates(s.vorIndex, s.vorBild, s.mobilePages);
    layout.indexTemplate = templates.index;
    layout.pictureTemplate = templates.picture;
    layout.stamp = PageStamp::forRun(datZeit);
    layout.titel = s.titel;
    layout.rahmen = s.rahmen;
    layout.bgColor = s.bgColor;
    layout.mobilePages = s.mobilePages;
    // Pages for phones name faces of the same kind after the chosen one: the classic pages
    // keep the name as typed.
    const auto css = [&s](FontSpec font) {
        if (s.mobilePages)
            font.name = fontStack(font.name);
        return FontToText(font, true);
    };
    layout.titelFontCss = css(s.titelFont);
    layout.fontCss = css(s.font);
    layout.naviFontCss = css(s.naviFont);
}

bool GalleryRun::makeAllPictures(const GalleryLayout& layout, const OutputPlan& plan,
                                 const RunLogo& logo)
{
    RunCache cache;
    if (m_options.reuseUnchanged)
        cache = RunCache(RunCache::recordFileFor(layout.names.exportPath));
    const bool finished = makePictures(layout, plan, PictureSettings::fromSettings(m_settings),
                                       logo, m_options.reuseUnchanged ? &cache : nullptr);
    if (m_options.reuseUnchanged)
        cache.save();
    return finished;
}

void GalleryRun::writeIndexPages(const GalleryLayout& layout, const OutputPlan& plan)
{
    for (int page = 0; page < indexPageCount(layout); ++page) {
        try {
            GenerateHTML(page, layout, m_captionCount, plan.path(OutputKind::IndexPage, page));
            recordWritten(plan, OutputKind::IndexPage, page);
        } catch (const LumiError& e) {
            // An index page that cannot be written is left out; the run goes on.
            m_notWritten << e.message();
        }
    }
}

void GalleryRun::askToShow(const QString& indexDat)
{
    // A gallery with files missing is never announced as made.
    if (!m_notWritten.isEmpty()) {
        showError(MessageText::verbatim(incompleteMessage(m_notWritten)));
        return;
    }
    const bool cdIndexLine = m_settings.cdImage && m_settings.index != QLatin1String("index.htm");
    const QString question =
        finalQuestion(cdIndexLine, unprocessedNote(m_skippedSources) + m_warnings);
    // The notes carry paths: the question is shown as composed.
    if (askYesNo(MessageText::verbatim(question)) && openWithShell(indexDat) != kShellOk)
        showMessage({QStringLiteral("Die Seite konnte nicht im Browser geöffnet werden:/n%1"),
                     QDir::toNativeSeparators(indexDat)},
                    QStringLiteral("w"));
}

bool GalleryRun::planRun(GalleryLayout& layout, FileKeys& keys, OutputPlan& plan)
{
    GalleryNames& names = layout.names;
    ExtraOutputs extra;
    for (const QString& text : navTexts(m_settings)) {
        const QString nav = navPictureFile(text);
        if (!nav.isEmpty())
            extra.navPictures << nav;
    }
    extra.cdImage = m_settings.cdImage;
    extra.starter = resolvePath(QStringLiteral("index.exe"), QString());
    layout.doubleSizes.clear();
    if (m_settings.mobilePages) {
        // The photo sizes decide which pictures get double-size versions, before the plan.
        for (const QString& entry : std::as_const(names.files))
            layout.doubleSizes.append(doubleSizes(photoSize(entryPath(entry)), m_settings.picWidth,
                                                  m_settings.picHeight, m_settings.tnWidth,
                                                  m_settings.tnHeight));
    }
    plan = planOutputs(layout, extra, keys);

    // The small pictures would be the large pictures' files (equal folders and prefixes, in
    // whatever spelling): they get the prefix "tn_".
    const bool smallOnLarge = std::any_of(
        plan.pictureOutputs.cbegin(), plan.pictureOutputs.cend(),
        [&plan](const auto& slots) { return plan.outputs[slots[0]].supersededBy == slots[1]; });
    if (smallOnLarge) {
        const QString& tnPraefixKey = settingKey(&ProjectSettings::tnPraefix);
        m_settings.tnPraefix = names.tnPraefix = QStringLiteral("tn_");
        m_project.setTextValue(tnPraefixKey, m_settings.tnPraefix);
        if (onSettingChanged)
            onSettingChanged(tnPraefixKey);
        plan = planOutputs(layout, extra, keys);
    }

    const QStringList originals = overwrittenOriginals(
        plan, protectedFiles(m_project.Files(), m_settings, m_options.projectFile), keys);
    if (!originals.isEmpty()) {
        // The paths stay whole: the "/n" rule applies to the own text only.
        showError({QStringLiteral("Das Ziel würde Originaldateien überschreiben:/n%1"),
                   originals.mid(0, 5).join(QStringLiteral("\r\n"))});
        return false;
    }
    for (const QString& warning : clashWarnings(plan, names))
        warn(warning);
    return true;
}

bool GalleryRun::makePictures(const GalleryLayout& layout, const OutputPlan& plan,
                              const PictureSettings& settings, const RunLogo& logo, RunCache* cache)
{
    const int count = int(layout.names.files.size());
    const int workers =
        m_options.jobs > 0 ? m_options.jobs : std::max(1, QThread::idealThreadCount());
    // Pictures queued ahead of the one the run waits for: enough that a worker never idles
    // behind one large photo, few enough to bound the finished-but-unmoved files on disk.
    // Decoded pixels are bounded by the worker count alone: a queued or finished picture
    // holds none.
    const int ahead = std::max(16, 4 * workers);

    QThreadPool pool;
    pool.setMaxThreadCount(workers);
    ResultSlots results(count);
    int submitted = 0;
    const auto submitUpTo = [&](int last) {
        for (; submitted < count && submitted <= last; ++submitted) {
            const int k = submitted;
            const PictureTargets targets{plan.writtenPath(k, OutputKind::LargePicture),
                                         plan.writtenPath(k, OutputKind::SmallPicture),
                                         plan.writtenPath(k, OutputKind::PicturePage),
                                         plan.writtenPath(k, OutputKind::LargePicture2x),
                                         plan.writtenPath(k, OutputKind::SmallPicture2x)};
            pool.start([&results, &layout, &settings, &logo, cache, k, targets] {
                results.put(k, makePicture(k, targets, layout, settings, logo.picture, cache,
                                           logo.identity, logo.source));
            });
        }
    };

    bool cancelled = false;
    for (int i = 0; i < count; ++i) {
        submitUpTo(i + ahead);
        progress(int(RoundHalfEven(100.0L / count * i)));
        idle();
        cancelled = cancelConfirmed();
        if (cancelled)
            break;
        std::optional<PictureOutput> output;
        while (!(output = results.take(i, std::chrono::milliseconds(20))))
            idle();
        takePicture(i, *output, layout.names.files, cache);
    }

    if (cancelled)
        pool.clear();
    pool.waitForDone();
    for (const PictureOutput& rest : results.leftovers())
        discardPicture(rest);
    return !cancelled;
}

void GalleryRun::idle()
{
    if (onIdle)
        onIdle();
}

bool GalleryRun::cancelConfirmed()
{
    if (m_phase.load() != CancelRequested)
        return false;
    if (askYesNo(QStringLiteral("Abbrechen?"))) {
        setPhase(Cancelled);
        return true;
    }
    setPhase(Running);
    return false;
}

void GalleryRun::takePicture(int i, const PictureOutput& output, const QStringList& files,
                             RunCache* cache)
{
    if (!output.warning.isEmpty())
        warn(output.warning);
    QString commitError;
    if (commitPicture(output, &commitError)) {
        ++m_written;
        for (const QString& file : output.finalFiles)
            m_record->add(file);
        // A double-size version is recorded as a pair of its own (see makePicture).
        QStringList doubles;
        for (const QString& file : {output.large2xFile, output.small2xFile}) {
            if (!file.isEmpty())
                doubles << file;
        }
        if (cache && output.reused) {
            ++m_reused;
            cache->keep(output.largeFile);
            for (const QString& file : doubles)
                cache->keep(file);
        } else if (cache && !output.fingerprint.isEmpty()) {
            cache->record(output.largeFile, output.smallFile, output.fingerprint);
            for (const QString& file : doubles)
                cache->record(file, file, output.fingerprint);
        }
        if (output.captionGiven)
            ++m_captionCount;
        return;
    }
    ++m_skipped;
    m_skippedSources << files[i].section(QLatin1Char('|'), 0, 0);
    m_skippedReasons << skipReason(m_skippedSources.last(),
                                   output.error.isEmpty() ? commitError : output.error);
    // Written but not moved into place (ok), or a write that failed.
    if (output.ok || output.writeFailed)
        m_notWritten << m_skippedReasons.last();
}

void GalleryRun::warnAboutMissingNavPictures(const QStringList& navTexts)
{
    // A navigation picture that does not exist stays a text as typed (it is a picture tag
    // addressing nothing); the run goes on.
    for (const QString& text : navTexts) {
        if (!namesNavPicture(text))
            continue;
        const QString resolved = resolvePath(text, QString());
        if (!QFileInfo(resolved).isFile())
            warn(namedFileWarning(QStringLiteral("Navigationsbild"), text, resolved, QString()));
    }
}

PageTemplates GalleryRun::chooseRunTemplates(const QString& vorIndex, const QString& vorBild,
                                             bool mobilePages)
{
    const QString indexFile = vorIndex.isEmpty() ? QString() : resolvePath(vorIndex, QString());
    const QString pictureFile = vorBild.isEmpty() ? QString() : resolvePath(vorBild, QString());
    PageTemplates templates = chooseTemplates(indexFile, pictureFile, mobilePages);
    if (templates.unreadFile.isEmpty())
        return templates;
    // Both are read in one step: an index template that fails leaves the other unread too.
    const bool indexFailed = templates.unreadFile == indexFile;
    warn(namedFileWarning(QStringLiteral("Vorlage"), indexFailed ? vorIndex : vorBild,
                          templates.unreadFile, templates.problems.value(0)));
    if (indexFailed && !vorBild.isEmpty())
        warn(QStringLiteral("Vorlage \"%1\" nicht verwendet: die Indexvorlage fehlt").arg(vorBild));
    return templates;
}
