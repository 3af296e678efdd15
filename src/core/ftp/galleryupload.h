// The gallery upload: every checked entry of the local list is stored into the remote
// folder, entries of a local sub-folder into a remote sub-folder of the same name (made
// with MKD when missing). Driven by the FTP window and by `lumivista upload`. Several
// files may travel at once, each on a logged-in connection of its own.
#pragma once

#include "ftp/uploadentries.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

class RemoteClient;

// The question asked before an upload starts; the window breaks its line with CR LF.
QString uploadQuestion(const QString& address, const QString& baseFolder,
                       const QString& lineBreak = QStringLiteral("\r\n"));

// Where a running upload is, as numbers.
struct UploadProgress
{
    enum class Step
    {
        Started,    // before the first file (file 0)
        FileBegins, // a file's transfer begins (bytes 0)
        FileBytes,  // bytes of the file sent so far
        FileStored  // the file is stored and its entry unchecked
    };
    Step step = Step::Started;
    int file = 0;     // the number of the file, from 1, among the checked entries
    int count = 0;    // entries checked at the start
    QString name;     // the file's remote name
    qint64 bytes = 0; // bytes of this file sent so far
    int entry = -1;   // the index of the file's entry in the list; -1 for Started
};

// The upload's log line for a step: "Start: name", "End: name"; empty for other steps.
QString uploadLogLine(const UploadProgress& progress);

class GalleryUpload
{
public:
    enum class State
    {
        Idle,         // ""
        Running,      // "u"
        StopRequested // "x"
    };
    enum class Outcome
    {
        Finished,       // the end of the list was reached
        Stopped,        // a stop was requested between two files
        ConnectionLost, // the connection was gone at the start of an entry
        Failed          // a refused command or a local error ended the loop
    };
    // The colour of the "Start: " and "End: " log lines (blue, 0x00BBGGRR).
    static constexpr quint32 kLogColor = 0xFF0000;
    // Files sent at once at most (connections to the server).
    static constexpr int kMaxConnections = 10;
    // Files sent at once unless the user chose otherwise (the FTP window's "Transfers:",
    // `upload --connections`). Each file costs a few round trips on its connection, so
    // more connections hide the latency of a distant server; hosting servers commonly
    // allow 4 to 8 logins per address, and one that allows fewer is served by those it
    // allows.
    static constexpr int kDefaultConnections = 4;

    GalleryUpload(RemoteClient& ftp, UploadEntries& entries);

    State state() const { return m_state; }
    // The window's one-letter marker: "", "u" or "x".
    QString stateLetter() const;
    // Running -> stop requested; the loop stops before the next file.
    void requestStop();

    // Files sent at once, clamped to 1..kMaxConnections (1 at first). With more than one,
    // run() logs in that many connections less one more, each in a thread of its own, with
    // the settings of the given client (newConnection); the given client keeps
    // sending in the calling thread. A connection that cannot be opened or logged in is
    // left out (onNotice says so) and the others carry the upload.
    void setConnections(int connections);
    int connections() const { return m_connections; }

    // The base folder: the remote folder current now (PWD). Throws LumiError.
    QString readBaseFolder();
    QString baseFolder() const { return m_baseFolder; }
    // The remote sub-folder ('image1/') the upload is in; empty in the base folder.
    QString currentSubFolder() const { return m_currentSubFolder; }

    // Sends every checked entry (resolved against `sourceFolder`) in list order, from the
    // base folder read before, then changes back to the base folder. Never throws: the
    // reason an upload did not finish is in errorMessage(). With several connections the
    // remote sub-folders are made first, files are taken in list order by whichever
    // connection is free, and every callback still runs in the calling thread; an error or
    // a stop lets the other connections finish the file they send, then all of them quit.
    Outcome run(const QString& sourceFolder);

    // Empty after a finished or stopped upload.
    QString errorMessage() const { return m_errorMessage; }
    int storedCount() const { return m_stored; }
    int totalCount() const { return m_total; }

    // Between two files, and regularly while other connections send: the window processes
    // pending events here (a stop is seen then).
    std::function<void()> onIdle;
    // What the log should show beside the steps (an extra connection left out).
    std::function<void(const QString& text)> onNotice;
    // Every step of the upload (uploadLogLine makes the log lines from it).
    std::function<void(const UploadProgress& progress)> onProgress;
    std::function<void(State state)> onStateChanged;

    struct Shared; // the job queue and the steps the other connections report

private:
    void setState(State state);
    void enterFolderOf(const QString& rel);
    // Makes (MKD when CWD fails) every remote sub-folder the checked entries need.
    void makeRemoteFolders();
    void startTransferThreads(int count);
    // Reports the steps the other connections queued; in the calling thread.
    void deliverQueuedSteps();
    void waitForTransferThreads();
    void halt();
    // Returns the remote name of the stored file.
    QString sendEntry(int index, const QString& sourceFolder);
    void report(UploadProgress::Step step, int entry = -1, const QString& name = QString(),
                qint64 bytes = 0);

    RemoteClient& m_ftp;
    UploadEntries& m_entries;
    State m_state = State::Idle;
    QString m_baseFolder;
    QString m_currentSubFolder;
    QString m_errorMessage;
    int m_stored = 0;
    int m_total = 0;
    int m_connections = 1;
    int m_begun = 0;               // files begun in this run
    QHash<int, int> m_fileNumbers; // entry -> its number among the files begun
    std::shared_ptr<Shared> m_shared;
};
