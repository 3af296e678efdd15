// The job queue of a parallel upload: extra connections run in threads of their own and take
// files from a shared queue; what they do reaches the callbacks through a queue of steps read
// in the calling thread.
#include "ftp/galleryupload_p.h"

#include "ftp/remoteclient.h"
#include "util/error.h"

#include <QMutexLocker>
#include <QScopeGuard>
#include <QThread>
#include <utility>

using namespace uploadstep;

namespace {

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
