// The gallery upload loop: sub-folders entered once and made when missing, sent entries
// unchecked, a stop between two files, and the way back to the base folder at the end.
// The job queue of the other connections is in uploadjobs.cpp.
#include "ftp/galleryupload.h"

#include "ftp/galleryupload_p.h"
#include "ftp/remoteclient.h"
#include "util/error.h"
#include "util/paths.h"

#include <QScopeGuard>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <optional>

using namespace uploadstep;

GalleryUpload::GalleryUpload(RemoteClient& ftp, UploadEntries& entries)
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
    // No new file starts on any connection.
    halt();
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
    // A file's number is its place among the files begun; the stored count for FileStored.
    const int file = step == UploadProgress::Step::Started ? 0
                     : step == UploadProgress::Step::FileStored
                         ? m_stored
                         : m_fileNumbers.value(entry, m_stored + 1);
    onProgress(UploadProgress{step, file, m_total, name, bytes, entry});
}

namespace uploadstep {

void enterFolder(RemoteClient& ftp, const QString& baseFolder, QString& current, const QString& rel)
{
    const qsizetype slash = rel.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        if (!current.isEmpty()) {
            ftp.changeFolder(baseFolder);
            current.clear();
        }
        return;
    }
    const QString folder = rel.left(slash + 1); // 'image1/tn_0001.jpg' gives 'image1/'
    if (folder == current)
        return;
    ftp.changeFolder(baseFolder);
    current = folder;
    try {
        ftp.changeFolder(folder);
    } catch (const LumiError&) {
        if (!ftp.connected())
            throw;
        ftp.makeFolder(folder);
        ftp.changeFolder(folder);
    }
}

void checkEntryName(const QString& rel)
{
    // An absolute entry (a file that was never under the source folder) would make its
    // whole local path on the server.
    if (rel.isEmpty() || rel.startsWith(QLatin1Char('/')))
        throw LumiError(
            QStringLiteral("Cannot upload %1: it does not lie in the source folder.").arg(rel));
}

QString remoteName(const QString& rel)
{
    return rel.mid(rel.lastIndexOf(QLatin1Char('/')) + 1);
}

void announceNext(RemoteClient& ftp, const QString& baseFolder, const QString& rel,
                  const QString& localFile)
{
    if (baseFolder.isEmpty() || rel.isEmpty() || rel.startsWith(QLatin1Char('/')))
        return;
    ftp.prepareStore(localFile, baseFolder.endsWith(QLatin1Char('/'))
                                    ? baseFolder + rel
                                    : baseFolder + QLatin1Char('/') + rel);
}

} // namespace uploadstep

void GalleryUpload::setConnections(int connections)
{
    m_connections = std::clamp(connections, 1, kMaxConnections);
}

void GalleryUpload::enterFolderOf(const QString& rel)
{
    enterFolder(m_ftp, m_baseFolder, m_currentSubFolder, rel);
}

QString GalleryUpload::sendEntry(int index, const QString& sourceFolder)
{
    const QString rel = m_entries.entry(index);
    checkEntryName(rel);
    enterFolderOf(rel);
    const QString name = remoteName(rel);
    m_fileNumbers[index] = ++m_begun;
    report(UploadProgress::Step::FileBegins, index, name);
    const QMetaObject::Connection bytes =
        QObject::connect(&m_ftp, &RemoteClient::work, [this, index, &name](qint64 sent) {
            report(UploadProgress::Step::FileBytes, index, name, sent);
            // The other connections' steps come through while this file is sent.
            deliverQueuedSteps();
        });
    const auto disconnect = qScopeGuard([&bytes] { QObject::disconnect(bytes); });
    m_ftp.store(resolvePath(rel, sourceFolder), name);
    return name;
}

void GalleryUpload::makeRemoteFolders()
{
    QSet<QString> made;
    for (const Shared::Job& job : std::as_const(m_shared->jobs)) {
        const qsizetype slash = job.rel.lastIndexOf(QLatin1Char('/'));
        if (!job.checked || slash <= 0 || made.contains(job.rel.left(slash)))
            continue;
        made.insert(job.rel.left(slash));
        enterFolderOf(job.rel);
    }
    enterFolderOf(QString());
}

GalleryUpload::Outcome GalleryUpload::run(const QString& sourceFolder)
{
    m_errorMessage.clear();
    m_currentSubFolder.clear();
    m_stored = 0;
    m_total = 0;
    m_begun = 0;
    m_fileNumbers.clear();
    m_shared = std::make_shared<Shared>();
    for (int i = 0; i < m_entries.count(); ++i) {
        const bool checked = m_entries.isChecked(i);
        const QString rel = m_entries.entry(i);
        m_shared->jobs.append({i, rel, resolvePath(rel, sourceFolder), checked});
        m_total += checked ? 1 : 0;
    }
    // Every thread has ended before run() returns, whatever happens.
    const auto joinThreads = qScopeGuard([this] {
        m_shared->halt();
        for (QThread* thread : std::as_const(m_shared->threads)) {
            thread->wait();
            delete thread;
        }
        m_shared.reset();
    });
    setState(State::Running);
    report(UploadProgress::Step::Started);

    bool stopped = false;
    std::optional<Shared::Job> ahead; // taken from the queue, sent next
    try {
        m_ftp.setTransferType(RemoteClient::TransferType::Binary);
        const int extra = std::min(m_connections, m_total) - 1;
        if (extra > 0) {
            makeRemoteFolders();
            startTransferThreads(extra);
        }
        for (;;) {
            deliverQueuedSteps();
            if (!ahead && !m_shared->jobsLeft())
                break;
            if (m_state == State::StopRequested) {
                stopped = true;
                break;
            }
            if (m_shared->endingSoFar()) // an error on another connection
                break;
            if (!m_ftp.connected()) {
                m_shared->end(Outcome::ConnectionLost, QString(), true);
                break;
            }
            const std::optional<Shared::Job> job =
                ahead ? std::exchange(ahead, {}) : m_shared->take(false);
            if (!job)
                break;
            const int i = job->entry;
            if (!m_entries.isChecked(i))
                continue;
            // The file after this one is taken now, so the client can start on it early.
            ahead = m_shared->take(false);
            if (ahead && m_entries.isChecked(ahead->entry))
                announceNext(m_ftp, m_baseFolder, ahead->rel, ahead->localFile);
            m_entries.select(i);
            const QString name = sendEntry(i, sourceFolder);
            m_entries.uncheck(i);
            ++m_stored;
            report(UploadProgress::Step::FileStored, i, name);
            deliverQueuedSteps();
            if (onIdle)
                onIdle();
        }
    } catch (const LumiError& e) {
        m_shared->end(Outcome::Failed, e.message(), !m_ftp.connected());
    }
    // The other connections end the file they send; no new one starts after a stop or an
    // error.
    if (stopped)
        m_shared->halt();
    waitForTransferThreads();

    Outcome outcome = stopped ? Outcome::Stopped : Outcome::Finished;
    if (const std::optional<Shared::Ending> ending = m_shared->endingSoFar()) {
        const QString lost = QStringLiteral("The connection to the server was lost. %1 of %2 files "
                                            "were sent; the others are still checked.")
                                 .arg(m_stored)
                                 .arg(m_total);
        outcome = ending->outcome;
        if (outcome == Outcome::ConnectionLost)
            m_errorMessage = lost;
        else if (ending->connectionLost)
            m_errorMessage = ending->message + QLatin1Char('\n') + lost;
        else
            m_errorMessage = ending->message;
    }

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
