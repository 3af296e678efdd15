// The generation run: checks, folders, the picture loop on a thread pool with results
// taken in list order, the index pages, the CD image and the final question.
#include "gallery/galleryrun.h"

#include "gallery/cdimage.h"
#include "gallery/indexpage.h"
#include "gallery/picturejob.h"
#include "gallery/runcache.h"
#include "gallery/stylesheet.h"
#include "pic/picture.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/fileops.h"
#include "util/paths.h"
#include "util/version.h"

#include <QDir>
#include <QFile>
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

void deleteOldFiles(const QStringList& folders)
{
    QStringList files;
    for (const QString& folder : folders)
        scanFolder(files, folder + QStringLiteral("*.*"), 0, 0);
    for (const QString& file : files)
        QFile::remove(file);
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
    // Equal folders and prefixes would make the small pictures overwrite the large ones.
    if (p.textValue(key(u"TnPath")) == p.textValue(key(u"PicPath")) &&
        p.textValue(key(u"TnPraefix")) == p.textValue(key(u"PicPraefix"))) {
        p.setTextValue(key(u"TnPraefix"), QStringLiteral("tn_"));
        if (onSettingChanged)
            onSettingChanged(key(u"TnPraefix"));
    }
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

    setPhase(Running);
    Outcome outcome = Outcome::Finished;
    try {
        const QStringList folders{names.tnPath, names.bildPath, names.exportPath};
        removeStalePendingFiles(folders);
        if (m_options.deleteOldFiles)
            deleteOldFiles(folders);
        if (onProgress)
            onProgress(0);
        const QDateTime datZeit =
            m_options.now.isValid() ? m_options.now : QDateTime::currentDateTime();

        layout.nav = prepareNavigation(p.textValue(key(u"PPrior")), p.textValue(key(u"PNext")),
                                       p.textValue(key(u"PIndex")), p.textValue(key(u"PTrenn")),
                                       names.exportPath);

        // A logo that cannot be loaded is passed over: the pictures are made without it.
        Picture logo;
        QByteArray logoIdentity;
        const QString logoPath = p.textValue(key(u"WZImage")).trimmed();
        if (!logoPath.isEmpty()) {
            try {
                const QString resolvedLogo = resolvePath(logoPath, QString());
                LoadPicture(logo, resolvedLogo);
                logoIdentity = fileIdentity(resolvedLogo);
                const int size = p.intValue(key(u"WZSize"));
                if (size != 0 && size != 100)
                    ScalePicture(logo, logo.width() * size / 100, logo.height() * size / 100, true,
                                 0);
            } catch (const LumiError&) {
                logo.clear();
                logoIdentity.clear();
            }
        }

        const QString vorIndex = p.textValue(key(u"VorIndex"));
        const QString vorBild = p.textValue(key(u"VorBild"));
        const PageTemplates templates =
            chooseTemplates(vorIndex.isEmpty() ? QString() : resolvePath(vorIndex, QString()),
                            vorBild.isEmpty() ? QString() : resolvePath(vorBild, QString()));
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
            makePictures(layout, PictureSettings::fromProject(p), logo,
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
                finalQuestion(cdImage && indexSetting != QLatin1String("index.htm"), m_warnings);
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

bool GalleryRun::makePictures(const GalleryLayout& layout, const PictureSettings& settings,
                              const Picture& logo, RunCache* cache, const QByteArray& logoIdentity)
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
            pool.start([&results, &layout, &settings, &logo, cache, &logoIdentity, k] {
                results.put(k, makePicture(k, layout, settings, logo, cache, logoIdentity));
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
            } else if (cache) {
                cache->record(output->largeFile, output->smallFile, output->fingerprint);
            }
            if (output->captionGiven)
                ++m_captionCount;
        } else {
            ++m_skipped;
            m_skippedReasons << layout.names.files[i].section(QLatin1Char('|'), 0, 0) +
                                    QStringLiteral(": ") +
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
