// The generation run: checks, folders, the picture loop on a thread pool with results
// taken in list order, the index pages, the CD image and the final question.
#include "gallery/galleryrun.h"

#include "gallery/cdimage.h"
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

QString key(const char16_t* name)
{
    return QString::fromUtf16(name);
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
QStringList protectedFiles(const ProjectState& p, const QString& projectFile)
{
    QStringList files;
    for (const QString& entry : p.Files())
        files << QFileInfo(entryPath(entry)).absoluteFilePath();
    files << projectFile;
    for (const char16_t* setting : {u"VorIndex", u"VorBild"}) {
        const QString file = p.textValue(key(setting));
        if (!file.isEmpty())
            files << resolvePath(file, QString());
    }
    const QString logo = p.textValue(key(u"WZImage")).trimmed();
    if (!logo.isEmpty())
        files << resolvePath(logo, QString());
    for (const char16_t* setting : {u"PPrior", u"PNext", u"PIndex", u"PTrenn"})
        files << navPictureFile(p.textValue(key(setting)));
    return files;
}

// "Dateien vorher löschen": every file directly in the folders, except the originals.
void deleteOldFiles(const QStringList& folders, const QStringList& originals, FileKeys& keys)
{
    QSet<QString> kept;
    for (const QString& file : originals) {
        for (const QString& k : keys.fileKeys(file))
            kept.insert(k);
    }
    QStringList files;
    for (const QString& folder : folders)
        scanFolder(files, folder + QStringLiteral("*.*"), 0, 0);
    for (const QString& file : files) {
        if (!kept.contains(keys.entryKey(file)))
            QFile::remove(file);
    }
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

} // namespace

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
    ProjectState& p = m_project;
    m_captionCount = m_written = m_skipped = m_reused = 0;
    m_skippedReasons.clear();
    m_skippedSources.clear();
    m_notWritten.clear();
    m_warnings.clear();
    m_indexFile.clear();

    const QString ziel = p.textValue(key(u"Ziel"));
    if (ziel.isEmpty()) {
        showError(QStringLiteral("Kein Ziel angegeben!"));
        return Outcome::NoTarget;
    }
    if (p.Files().isEmpty()) {
        showError(QStringLiteral("Keine Fotos gewählt!"));
        return Outcome::NoPictures;
    }

    GalleryLayout layout;
    GalleryNames& names = layout.names;
    names.exportPath = resolveFolder(ziel, QString(), false);
    names.tnPath = resolveFolder(p.textValue(key(u"TnPath")), names.exportPath, false);
    names.bildPath = resolveFolder(p.textValue(key(u"PicPath")), names.exportPath, false);
    names.files = p.Files();
    names.picDatBez = p.boolValue(key(u"PicDatBez"));
    names.newNum = p.boolValue(key(u"NewNum"));
    names.tnPraefix = p.textValue(key(u"TnPraefix"));
    names.picPraefix = p.textValue(key(u"PicPraefix"));
    const bool cdImage = p.boolValue(key(u"CDImage"));
    const QString indexSetting = p.textValue(key(u"Index"));
    layout.indexDat = indexDatFor(names.exportPath, indexSetting, cdImage);
    m_indexFile = layout.indexDat;
    layout.col = p.intValue(key(u"Col"));
    layout.row = p.intValue(key(u"Row"));

    for (const QString& folder : {names.exportPath, names.tnPath, names.bildPath}) {
        if (!ensureFolder(folder, kFolderAskCreate))
            return Outcome::FolderUnavailable;
    }
    FileKeys keys;
    OutputPlan plan;
    if (!planRun(layout, cdImage, keys, plan))
        return Outcome::Refused;

    setPhase(Running);
    Outcome outcome = Outcome::Finished;
    try {
        const QStringList folders{names.tnPath, names.bildPath, names.exportPath};
        removeStalePendingFiles(folders);
        if (m_options.deleteOldFiles)
            deleteOldFiles(folders, protectedFiles(p, m_options.projectFile), keys);
        if (onProgress)
            onProgress(0);
        const QDateTime datZeit =
            m_options.now.isValid() ? m_options.now : QDateTime::currentDateTime();

        const QStringList navTexts{p.textValue(key(u"PPrior")), p.textValue(key(u"PNext")),
                                   p.textValue(key(u"PIndex")), p.textValue(key(u"PTrenn"))};
        warnAboutMissingNavPictures(navTexts);
        layout.nav =
            prepareNavigation(navTexts[0], navTexts[1], navTexts[2], navTexts[3], names.exportPath);

        // A logo that cannot be loaded is passed over: the pictures are made without it.
        Picture logo;
        QByteArray logoIdentity;
        const QString logoPath = p.textValue(key(u"WZImage")).trimmed();
        if (!logoPath.isEmpty()) {
            const QString resolvedLogo = resolvePath(logoPath, QString());
            try {
                LoadPicture(logo, resolvedLogo);
                logoIdentity = fileIdentity(resolvedLogo);
                const int size = p.intValue(key(u"WZSize"));
                if (size != 0 && size != 100)
                    ScalePicture(logo, logo.width() * size / 100, logo.height() * size / 100, true,
                                 0);
            } catch (const LumiError& e) {
                logo.clear();
                logoIdentity.clear();
                warn(namedFileWarning(QStringLiteral("Logo"), logoPath, resolvedLogo, e.message()));
            }
        }

        const PageTemplates templates =
            chooseRunTemplates(p.textValue(key(u"VorIndex")), p.textValue(key(u"VorBild")));
        layout.indexTemplate = templates.index;
        layout.pictureTemplate = templates.picture;
        layout.stamp = PageStamp::forRun(datZeit);
        layout.titel = p.textValue(key(u"Titel"));
        layout.rahmen = p.intValue(key(u"Rahmen"));
        layout.bgColor = p.intValue(key(u"BGColor"));
        layout.titelFontCss = FontToText(p.fontValue(key(u"TitelFont")), true);
        layout.fontCss = FontToText(p.fontValue(key(u"Font")), true);
        layout.naviFontCss = FontToText(p.fontValue(key(u"NaviFont")), true);

        GenerateCss(layout);

        RunCache cache;
        if (m_options.reuseUnchanged)
            cache = RunCache(RunCache::recordFileFor(names.exportPath));
        const bool finished =
            makePictures(layout, plan, PictureSettings::fromProject(p), logo,
                         m_options.reuseUnchanged ? &cache : nullptr, logoIdentity);
        if (m_options.reuseUnchanged)
            cache.save();
        if (!finished) {
            outcome = Outcome::Cancelled;
        } else {
            for (int page = 0; page < indexPageCount(layout); ++page) {
                try {
                    GenerateHTML(page, layout, m_captionCount);
                } catch (const LumiError& e) {
                    // An index page that cannot be written is left out; the run goes on.
                    m_notWritten << e.message();
                }
            }
            if (cdImage)
                GenerateCD(names.exportPath);
            if (onProgress)
                onProgress(100);
            const QString question =
                finalQuestion(cdImage && indexSetting != QLatin1String("index.htm"),
                              unprocessedNote(m_skippedSources) + m_warnings);
            // The notes carry paths: the question is shown as composed.
            if (askYesNo(MessageText::verbatim(question)))
                openWithShell(layout.indexDat);
            if (onProgress)
                onProgress(0);
        }
    } catch (const LumiError& e) {
        showError(e);
        outcome = Outcome::Failed;
    }
    setPhase(Idle);
    return outcome;
}

bool GalleryRun::planRun(GalleryLayout& layout, bool cdImage, FileKeys& keys, OutputPlan& plan)
{
    const ProjectState& p = m_project;
    GalleryNames& names = layout.names;
    ExtraOutputs extra;
    for (const char16_t* setting : {u"PPrior", u"PNext", u"PIndex", u"PTrenn"}) {
        const QString nav = navPictureFile(p.textValue(key(setting)));
        if (!nav.isEmpty())
            extra.navPictures << nav;
    }
    extra.cdImage = cdImage;
    extra.starter = resolvePath(QStringLiteral("index.exe"), QString());
    plan = planOutputs(layout, extra, keys);

    // The small pictures would be the large pictures' files (equal folders and prefixes, in
    // whatever spelling): they get the prefix "tn_".
    const bool smallOnLarge = std::any_of(
        plan.pictureOutputs.cbegin(), plan.pictureOutputs.cend(),
        [&plan](const auto& slots) { return plan.outputs[slots[0]].supersededBy == slots[1]; });
    if (smallOnLarge) {
        m_project.setTextValue(key(u"TnPraefix"), QStringLiteral("tn_"));
        names.tnPraefix = QStringLiteral("tn_");
        if (onSettingChanged)
            onSettingChanged(key(u"TnPraefix"));
        plan = planOutputs(layout, extra, keys);
    }

    const QStringList originals =
        overwrittenOriginals(plan, protectedFiles(p, m_options.projectFile), keys);
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
                              const PictureSettings& settings, const Picture& logo, RunCache* cache,
                              const QByteArray& logoIdentity)
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
    bool cancelled = false;
    const auto idle = [this] {
        if (onIdle)
            onIdle();
    };

    for (int i = 0; i < count; ++i) {
        while (submitted < count && submitted <= i + ahead) {
            const int k = submitted++;
            const PictureTargets targets{plan.writes(k, OutputKind::LargePicture),
                                         plan.writes(k, OutputKind::SmallPicture),
                                         plan.writes(k, OutputKind::PicturePage)};
            pool.start([&results, &layout, &settings, &logo, cache, &logoIdentity, k, targets] {
                results.put(k,
                            makePicture(k, layout, settings, logo, cache, logoIdentity, targets));
            });
        }
        if (onProgress)
            onProgress(int(RoundHalfEven(100.0L / count * i)));
        idle();
        if (m_phase.load() == CancelRequested) {
            if (askYesNo(QStringLiteral("Abbrechen?"))) {
                setPhase(Cancelled);
                cancelled = true;
                break;
            }
            setPhase(Running);
        }
        std::optional<PictureOutput> output;
        while (!(output = results.take(i, std::chrono::milliseconds(20))))
            idle();
        if (commitPicture(*output)) {
            ++m_written;
            if (cache && output->reused) {
                ++m_reused;
                cache->keep(output->largeFile);
            } else if (cache && !output->fingerprint.isEmpty()) {
                cache->record(output->largeFile, output->smallFile, output->fingerprint);
            }
            if (output->captionGiven)
                ++m_captionCount;
        } else {
            ++m_skipped;
            m_skippedSources << layout.names.files[i].section(QLatin1Char('|'), 0, 0);
            m_skippedReasons << m_skippedSources.last() + QStringLiteral(": ") +
                                    (output->error.isEmpty() ? QStringLiteral("nicht geschrieben")
                                                             : output->error);
            // Written but not moved into place (ok), or a write that failed.
            if (output->ok || output->writeFailed)
                m_notWritten << m_skippedReasons.last();
        }
    }

    if (cancelled)
        pool.clear();
    pool.waitForDone();
    for (const PictureOutput& rest : results.leftovers())
        discardPicture(rest);
    return !cancelled;
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

PageTemplates GalleryRun::chooseRunTemplates(const QString& vorIndex, const QString& vorBild)
{
    const QString indexFile = vorIndex.isEmpty() ? QString() : resolvePath(vorIndex, QString());
    const QString pictureFile = vorBild.isEmpty() ? QString() : resolvePath(vorBild, QString());
    PageTemplates templates = chooseTemplates(indexFile, pictureFile);
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
