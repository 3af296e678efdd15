// Internals shared by the source files of GalleryUpload: the job queue of a parallel upload
// (uploadjobs.cpp) and the steps every connection takes for a file (galleryupload.cpp).
#pragma once

#include "ftp/galleryupload.h"

#include <QList>
#include <QMutex>
#include <QString>
#include <QWaitCondition>
#include <optional>

class QThread;

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

namespace uploadstep {

// Enters the remote folder of `rel` from `baseFolder`; `current` is the sub-folder the
// connection is in ('image1/', empty in the base folder).
void enterFolder(RemoteClient& ftp, const QString& baseFolder, QString& current,
                 const QString& rel);
// Raises LumiError for an entry that does not lie in the source folder.
void checkEntryName(const QString& rel);
// The file name of an entry ('image1/tn_0001.jpg' gives 'tn_0001.jpg').
QString remoteName(const QString& rel);
// Tells the client which file comes next on it (RemoteClient::prepareStore).
void announceNext(RemoteClient& ftp, const QString& baseFolder, const QString& rel,
                  const QString& localFile);

} // namespace uploadstep
