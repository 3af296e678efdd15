// The gallery upload loop: sub-folders entered once and made when missing, sent entries
// unchecked, a stop between two files, and the way back to the base folder at the end.
// Extra connections run in threads of their own and take files from a shared queue; what
// they do reaches the callbacks through a queue of steps read in the calling thread.
#include "ftp/galleryupload.h"

#include "ftp/remoteclient.h"
#include "util/error.h"
#include "util/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QScopeGuard>
#include <QSet>
#include <QThread>
#include <QWaitCondition>
#include <algorithm>
#include <optional>

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

struct GalleryUpload::Shared
{
    struct Job
    {
        int entry = -1;
        QString rel;
        QString localFile;
        bool checked = false; // when the upload started: the threads cannot ask the list
    };
    // A step of another connection, reported in the calling thread.
    struct Step
    {
        enum class Kind
        {
            Begins,
            Bytes,
            Stored,
            LeftOut // the connection could not be opened; `text` says why
        };
        Kind kind = Kind::Begins;
        int entry = -1;
        QString name;
        qint64 bytes = 0;
        QString text;
    };
    // What ended the upload before its list did: the first error of any connection.
    struct Ending
    {
        Outcome outcome = Outcome::Failed;
        QString message;
        bool connectionLost = false;
    };

    // Under the mutex: no new file starts once halted.
    std::optional<Job> take(bool onlyChecked)
    {
        const QMutexLocker lock(&mutex);
        while (!halted && next < jobs.size()) {
            const Job& job = jobs[next++];
            if (job.checked || !onlyChecked)
                return job;
        }
        return std::nullopt;
    }
    bool jobsLeft()
    {
        const QMutexLocker lock(&mutex);
        return next < jobs.size();
    }
    std::optional<Ending> endingSoFar()
    {
        const QMutexLocker lock(&mutex);
        return ending;
    }
    void post(Step step)
    {
        const QMutexLocker lock(&mutex);
        // Byte counts of one file are only ever shown as the latest.
        if (step.kind == Step::Kind::Bytes && !steps.isEmpty() &&
            steps.last().kind == Step::Kind::Bytes && steps.last().entry == step.entry)
            steps.last().bytes = step.bytes;
        else
            steps.append(std::move(step));
        wake.wakeAll();
    }
    void end(Outcome outcome, const QString& message, bool connectionLost)
    {
        const QMutexLocker lock(&mutex);
        if (!ending)
            ending = Ending{outcome, message, connectionLost};
        halted = true;
        wake.wakeAll();
    }
    void halt()
    {
        const QMutexLocker lock(&mutex);
        halted = true;
    }
    void threadEnded()
    {
        const QMutexLocker lock(&mutex);
        --running;
        wake.wakeAll();
    }

    QMutex mutex;
    QWaitCondition wake;
    QList<Job> jobs;
    qsizetype next = 0;
    bool halted = false;
    int running = 0; // transfer threads not yet ended
    QList<Step> steps;
    std::optional<Ending> ending;
    QString baseFolder;
    QList<QThread*> threads; // touched by the calling thread only
};

namespace {

// Enters the remote folder of `rel` from `baseFolder`; `current` is the sub-folder the
// connection is in ('image1/', empty in the base folder).
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

// Tells the client which file comes next on it (RemoteClient::prepareStore).
void announceNext(RemoteClient& ftp, const QString& baseFolder, const QString& rel,
                  const QString& localFile)
{
    if (baseFolder.isEmpty() || rel.isEmpty() || rel.startsWith(QLatin1Char('/')))
        return;
    ftp.prepareStore(localFile, baseFolder.endsWith(QLatin1Char('/'))
                                    ? baseFolder + rel
                                    : baseFolder + QLatin1Char('/') + rel);
}

QString errorText(const std::exception& e)
{
    if (const auto* error = dynamic_cast<const LumiError*>(&e))
        return error->message();
    return QString::fromUtf8(e.what());
}

// One extra connection: logs in, goes to the base folder and sends files from the queue
// until it is empty or the upload halts; then QUIT. Runs in its own thread, which owns
// `ftp` (made in the calling thread with its settings and moved here).
void transferThread(const std::shared_ptr<GalleryUpload::Shared>& shared, RemoteClient* ftp,
                    int number)
{
    using Step = GalleryUpload::Shared::Step;
    const std::unique_ptr<RemoteClient> client(ftp);
    const auto ended = qScopeGuard([&] {
        try {
            client->disconnectFromServer();
        } catch (const std::exception&) {
            // the files are stored or not; a failing QUIT changes nothing
        }
        shared->threadEnded();
    });
    try {
        client->connectToServer();
        if (!shared->baseFolder.isEmpty())
            client->changeFolder(shared->baseFolder);
        client->setTransferType(RemoteClient::TransferType::Binary);
    } catch (const std::exception& e) {
        shared->post({Step::Kind::LeftOut, -1, QString(), 0,
                      QStringLiteral("Connection %1 was not opened (%2); the upload goes on "
                                     "without it.")
                          .arg(number)
                          .arg(errorText(e))});
        return;
    }
    QString current;
    std::optional<GalleryUpload::Shared::Job> next = shared->take(true);
    while (const std::optional<GalleryUpload::Shared::Job> job = std::exchange(next, {})) {
        // The file after this one is taken now, so the client can start on it early.
        next = shared->take(true);
        if (next)
            announceNext(*client, shared->baseFolder, next->rel, next->localFile);
        if (!client->connected()) {
            shared->end(GalleryUpload::Outcome::ConnectionLost, QString(), true);
            return;
        }
        try {
            checkEntryName(job->rel);
            enterFolder(*client, shared->baseFolder, current, job->rel);
            const QString name = remoteName(job->rel);
            const int entry = job->entry;
            shared->post({Step::Kind::Begins, entry, name, 0, QString()});
            const QMetaObject::Connection bytes =
                QObject::connect(client.get(), &RemoteClient::work, [&](qint64 sent) {
                    shared->post({Step::Kind::Bytes, entry, name, sent, QString()});
                });
            const auto disconnect = qScopeGuard([&bytes] { QObject::disconnect(bytes); });
            client->store(job->localFile, name);
            shared->post({Step::Kind::Stored, entry, name, 0, QString()});
        } catch (const std::exception& e) {
            shared->end(GalleryUpload::Outcome::Failed, errorText(e), !client->connected());
            return;
        }
    }
}

} // namespace

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

void GalleryUpload::startTransferThreads(int count)
{
    m_shared->baseFolder = m_baseFolder;
    for (int i = 0; i < count; ++i) {
        RemoteClient* client = m_ftp.newConnection().release();
        QThread* thread = QThread::create(transferThread, m_shared, client, i + 2);
        client->moveToThread(thread);
        {
            const QMutexLocker lock(&m_shared->mutex);
            ++m_shared->running;
        }
        m_shared->threads.append(thread);
        thread->start();
    }
}

void GalleryUpload::deliverQueuedSteps()
{
    if (!m_shared)
        return;
    QList<Shared::Step> steps;
    {
        const QMutexLocker lock(&m_shared->mutex);
        steps.swap(m_shared->steps);
    }
    for (const Shared::Step& step : std::as_const(steps)) {
        switch (step.kind) {
        case Shared::Step::Kind::Begins:
            m_entries.select(step.entry);
            m_fileNumbers[step.entry] = ++m_begun;
            report(UploadProgress::Step::FileBegins, step.entry, step.name);
            break;
        case Shared::Step::Kind::Bytes:
            report(UploadProgress::Step::FileBytes, step.entry, step.name, step.bytes);
            break;
        case Shared::Step::Kind::Stored:
            m_entries.uncheck(step.entry);
            ++m_stored;
            report(UploadProgress::Step::FileStored, step.entry, step.name);
            break;
        case Shared::Step::Kind::LeftOut:
            if (onNotice)
                onNotice(step.text);
            break;
        }
    }
}

void GalleryUpload::waitForTransferThreads()
{
    for (;;) {
        deliverQueuedSteps();
        {
            const QMutexLocker lock(&m_shared->mutex);
            if (m_shared->running == 0 && m_shared->steps.isEmpty())
                break;
            if (m_shared->steps.isEmpty())
                m_shared->wake.wait(&m_shared->mutex, 50);
        }
        deliverQueuedSteps();
        if (onIdle)
            onIdle();
    }
}

void GalleryUpload::halt()
{
    if (m_shared)
        m_shared->halt();
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
