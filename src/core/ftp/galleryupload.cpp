// The gallery upload loop: sub-folders entered once and made when missing, sent entries
// unchecked, a stop between two files, and the way back to the base folder at the end.
#include "ftp/galleryupload.h"

#include "ftp/ftpclient.h"
#include "util/error.h"
#include "util/paths.h"
#include "util/samefile.h"
#include "util/textutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <algorithm>

UploadEntryList::UploadEntryList(const QStringList& entries)
    : m_entries(entries), m_checked(entries.size(), true)
{
}

void UploadEntryList::uncheck(int index)
{
    setChecked(index, false);
}

void UploadEntryList::setChecked(int index, bool checked)
{
    if (index >= 0 && index < m_checked.size())
        m_checked[index] = checked;
}

QStringList localUploadFiles(const QString& folder, const QString& sourceFolder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    scanFolder(files, resolveFolder(folder, QString()) + QStringLiteral("*.*"));
    const QString base = resolveFolder(sourceFolder, QString());
    for (QString& f : files)
        f = replaceAll(f, base, QString(), true);
    return files;
}

namespace {

// One directory entry reached through two spellings of its folder ('Bilder/x.jpg' and
// 'bilder/X.jpg'), which only a folder that folds case allows. One folder never lists an
// entry twice, so names in the same folder are two files; a link is an entry of its own.
bool sameEntrySpeltTwice(const QString& a, const QString& b)
{
    if (QFileInfo(a).path() == QFileInfo(b).path())
        return false;
    // Existing entries (links as themselves) compare by device and inode; no folder is probed.
    FileKeys keys(nullptr);
    return keys.entryKey(a) == keys.entryKey(b);
}

} // namespace

QStringList withoutDuplicateFiles(const QStringList& files, const QString& sourceFolder)
{
    // Names that differ only in case are two files where the file system tells them apart
    // ('IMG_1234.JPG' beside 'img_1234.jpg'); only a folder that folds case makes them one.
    // Kept entries are grouped by their case-folded name, so each file is compared only
    // with the names it could be.
    const QDir base(resolveFolder(sourceFolder, QString()));
    QStringList unique;
    QHash<QString, QStringList> keptByFoldedName;
    for (const QString& f : files) {
        QStringList& sameFolded = keptByFoldedName[f.toCaseFolded()];
        const bool seen =
            std::any_of(sameFolded.cbegin(), sameFolded.cend(), [&](const QString& u) {
                return u == f || sameEntrySpeltTwice(base.filePath(u), base.filePath(f));
            });
        if (!seen) {
            sameFolded.append(f);
            unique.append(f);
        }
    }
    return unique;
}

QStringList galleryUploadFiles(const QString& target, const QString& tnPath, const QString& picPath)
{
    QStringList files = localUploadFiles(target, target);
    if (target.isEmpty())
        return files;
    const QString folder = resolveFolder(target, QString());
    for (const QString& sub : {tnPath, picPath}) {
        if (!sub.isEmpty())
            files += localUploadFiles(folder + sub, target);
    }
    return withoutDuplicateFiles(files, target);
}

GalleryUpload::GalleryUpload(FTPClient& ftp, UploadEntries& entries)
    : m_ftp(ftp), m_entries(entries)
{
}

QString GalleryUpload::stateLetter() const
{
    switch (m_state) {
    case State::Running:
        return QStringLiteral("u");
    case State::StopRequested:
        return QStringLiteral("x");
    case State::Idle:
        break;
    }
    return QString();
}

void GalleryUpload::setState(State state)
{
    if (state == m_state)
        return;
    m_state = state;
    if (onStateChanged)
        onStateChanged(state);
}

void GalleryUpload::requestStop()
{
    if (m_state == State::Running)
        setState(State::StopRequested);
}

QString GalleryUpload::readBaseFolder()
{
    m_baseFolder = m_ftp.currentFolder();
    return m_baseFolder;
}

QString uploadQuestion(const QString& address, const QString& baseFolder, const QString& lineBreak)
{
    return QStringLiteral("Upload all checked Files to:") + lineBreak + address +
           QStringLiteral(": ") + baseFolder;
}

QString uploadLogLine(const UploadProgress& progress)
{
    switch (progress.step) {
    case UploadProgress::Step::FileBegins:
        return QStringLiteral("Start: ") + progress.name;
    case UploadProgress::Step::FileStored:
        return QStringLiteral("End: ") + progress.name;
    case UploadProgress::Step::Started:
    case UploadProgress::Step::FileBytes:
        break;
    }
    return QString();
}

void GalleryUpload::report(UploadProgress::Step step, int entry, const QString& name, qint64 bytes)
{
    if (!onProgress)
        return;
    const int file = step == UploadProgress::Step::Started      ? 0
                     : step == UploadProgress::Step::FileStored ? m_stored
                                                                : m_stored + 1;
    onProgress(UploadProgress{step, file, m_total, name, bytes, entry});
}

void GalleryUpload::enterFolderOf(const QString& rel)
{
    const qsizetype slash = rel.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        if (!m_currentSubFolder.isEmpty()) {
            m_ftp.changeFolder(m_baseFolder);
            m_currentSubFolder.clear();
        }
        return;
    }
    const QString folder = rel.left(slash + 1); // 'image1/tn_0001.jpg' gives 'image1/'
    if (folder == m_currentSubFolder)
        return;
    m_ftp.changeFolder(m_baseFolder);
    m_currentSubFolder = folder;
    try {
        m_ftp.changeFolder(folder);
    } catch (const LumiError&) {
        if (!m_ftp.connected())
            throw;
        m_ftp.makeFolder(folder);
        m_ftp.changeFolder(folder);
    }
}

QString GalleryUpload::sendEntry(int index, const QString& sourceFolder)
{
    const QString rel = m_entries.entry(index);
    // An absolute entry (a file that was never under the source folder) would make its
    // whole local path on the server.
    if (rel.isEmpty() || rel.startsWith(QLatin1Char('/')))
        throw LumiError(
            QStringLiteral("Cannot upload %1: it does not lie in the source folder.").arg(rel));
    enterFolderOf(rel);
    const QString name = rel.mid(rel.lastIndexOf(QLatin1Char('/')) + 1);
    report(UploadProgress::Step::FileBegins, index, name);
    const QMetaObject::Connection bytes =
        QObject::connect(&m_ftp, &FTPClient::work, [this, index, &name](qint64 sent) {
            report(UploadProgress::Step::FileBytes, index, name, sent);
        });
    const auto disconnect = qScopeGuard([&bytes] { QObject::disconnect(bytes); });
    m_ftp.store(resolvePath(rel, sourceFolder), name);
    return name;
}

GalleryUpload::Outcome GalleryUpload::run(const QString& sourceFolder)
{
    m_errorMessage.clear();
    m_currentSubFolder.clear();
    m_stored = 0;
    m_total = 0;
    for (int i = 0; i < m_entries.count(); ++i)
        m_total += m_entries.isChecked(i) ? 1 : 0;
    setState(State::Running);
    report(UploadProgress::Step::Started);

    Outcome outcome = Outcome::Finished;
    try {
        m_ftp.setTransferType(FTPClient::TransferType::Binary);
        for (int i = 0; i < m_entries.count(); ++i) {
            if (m_state == State::StopRequested) {
                outcome = Outcome::Stopped;
                break;
            }
            if (!m_ftp.connected()) {
                outcome = Outcome::ConnectionLost;
                break;
            }
            if (!m_entries.isChecked(i))
                continue;
            m_entries.select(i);
            const QString name = sendEntry(i, sourceFolder);
            m_entries.uncheck(i);
            ++m_stored;
            report(UploadProgress::Step::FileStored, i, name);
            if (onIdle)
                onIdle();
        }
    } catch (const LumiError& e) {
        outcome = Outcome::Failed;
        m_errorMessage = e.message();
    }
    const QString lost = QStringLiteral("The connection to the server was lost. %1 of %2 files "
                                        "were sent; the others are still checked.")
                             .arg(m_stored)
                             .arg(m_total);
    if (outcome == Outcome::ConnectionLost)
        m_errorMessage = lost;
    else if (outcome == Outcome::Failed && !m_ftp.connected())
        m_errorMessage += QLatin1Char('\n') + lost;

    setState(State::Idle);
    if (!m_currentSubFolder.isEmpty()) {
        m_currentSubFolder.clear();
        try {
            if (m_ftp.connected())
                m_ftp.changeFolder(m_baseFolder);
        } catch (const LumiError& e) {
            // The error that ended the loop is the one the user needs first.
            if (m_errorMessage.isEmpty())
                m_errorMessage = e.message();
            if (outcome == Outcome::Finished || outcome == Outcome::Stopped)
                outcome = Outcome::Failed;
        }
    }
    return outcome;
}
