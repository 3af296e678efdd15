// The record of what the uploads to one server, user and remote base folder stored: each
// entry's path relative to the source folder, its size and the SHA-256 of its content. It
// lives in the data folder (never in the gallery or on the server) and decides which files
// count as changed: new ones, ones whose content differs from the record, and ones the
// server's listing lacks or shows with another size than the one stored.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class RemoteClient;
class UploadEntries;

// Which record an upload uses: the server (host and port, never a password), the user and
// the remote base folder.
struct UploadRecordKey
{
    QString host; // lower case
    quint16 port = 21;
    QString user;
    QString baseFolder;

    // The client's login settings (read from the address without its password) and `baseFolder`.
    static UploadRecordKey of(const RemoteClient& ftp, const QString& baseFolder);
    // The record file's name: a hash of the three, "<hex>.txt".
    QString fileName() const;
    bool operator==(const UploadRecordKey&) const = default;
};

// What the record keeps of a file.
struct StoredFile
{
    qint64 size = -1;  // the bytes of the whole file
    QByteArray sha256; // raw; of a page without its generator comment line
    bool operator==(const StoredFile&) const = default;
};

// Which entries are pages: a page's generator comment line (it holds the time of the run) is
// left out of its hash, and its size is not compared. The caller knows the format (the
// gallery's rule is isPageName); without a rule no entry is a page.
using PageRule = std::function<bool(const QString& entry)>;

// Size and SHA-256 of the file at `path`, read in pieces; nullopt when it cannot be read.
// For a `page` the first generator comment line is left out of the hash.
std::optional<StoredFile> fileFingerprint(const QString& path, bool page = false);

// The folder the records live in: "uploads" in the data folder.
QString uploadRecordFolder();

class UploadRecord
{
public:
    explicit UploadRecord(const UploadRecordKey& key, const QString& folder = uploadRecordFolder());

    const UploadRecordKey& key() const { return m_key; }
    QString path() const;

    // Reads the record file. A missing, unreadable or damaged file, or one that belongs to
    // another key, leaves the record empty: everything counts as changed. False then, with
    // the reason in `problem` (empty for a record that simply does not exist yet).
    bool load(QString* problem = nullptr);
    // Writes the record so that a crash leaves the old or the new file. False with the reason.
    bool save(QString* error) const;

    bool isEmpty() const { return m_files.isEmpty(); }
    qsizetype count() const { return m_files.size(); }
    std::optional<StoredFile> file(const QString& entry) const;
    QStringList entries() const { return m_files.keys(); }
    void setFile(const QString& entry, const StoredFile& file);
    void removeFile(const QString& entry);

private:
    UploadRecordKey m_key;
    QString m_folder;
    QHash<QString, StoredFile> m_files;
};

// What the server's listing shows of the entries' folders: the size of each entry found
// there (negative when the listing shows none), by entry. The base folder and every
// sub-folder the entries use are listed (a sub-folder the server does not have leaves its
// entries out); the client is back in `baseFolder` afterwards. Throws LumiError.
QHash<QString, qint64> remoteEntrySizes(RemoteClient& ftp, const QString& baseFolder,
                                        const QStringList& entries);

// For each entry (relative to `sourceFolder`): whether it counts as changed. Without a
// record everything does; a file that cannot be read does too (its upload says why).
QList<bool> changedEntries(const QStringList& entries, const QString& sourceFolder,
                           const UploadRecord& record, const QHash<QString, qint64>& remote,
                           const PageRule& isPage = {});

// The entries that count as changed, read from the server through `ftp` (in `baseFolder`)
// and from the record of that server, user and folder. `recordProblem` gets the reason a
// record could not be read (everything counts as changed then). Throws LumiError.
QList<bool> findChangedEntries(RemoteClient& ftp, const QString& baseFolder,
                               const QStringList& entries, const QString& sourceFolder,
                               QString* recordProblem = nullptr, const PageRule& isPage = {});

// Keeps the record up to date while an upload runs: fileStored() for every stored entry
// (UploadProgress::Step::FileStored), which saves now and then, so that a killed upload
// keeps what was stored; finish() saves at the end.
class UploadRecordKeeper
{
public:
    // At least this often, and after this many stored files, the record is saved.
    static constexpr int kSaveIntervalMs = 5000;
    static constexpr int kSaveEveryFiles = 50;

    UploadRecordKeeper(const UploadRecordKey& key, const UploadEntries& entries,
                       const QString& sourceFolder, const QString& folder = uploadRecordFolder(),
                       PageRule isPage = {});

    // Records the entry at `index` as it is on disk now.
    void fileStored(int index);
    // Saves what is not saved yet; false (with errorMessage()) when the last save failed.
    bool finish();
    // "The record of stored files could not be saved: ..."; empty when the last save worked.
    QString errorMessage() const { return m_error; }
    const UploadRecord& record() const { return m_record; }

private:
    void saveNow();

    UploadRecord m_record;
    const UploadEntries& m_entries;
    QString m_sourceFolder;
    PageRule m_isPage;
    QElapsedTimer m_sinceSave;
    int m_unsaved = 0;
    QString m_error;
};
