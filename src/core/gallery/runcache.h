// The run records of a gallery: what produced each picture, so that a second run of an
// unchanged project does not decode its pictures again, and which files runs wrote, so that
// a run replaces or deletes only those. The records live in the data folder, never in the
// gallery, so they are never uploaded with it.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

struct PictureSettings;

// The identity of a file as the cache compares it: path, size, modification time and, on
// POSIX, inode and change time (so a rewrite that keeps size and modification time counts).
QByteArray fileIdentity(const QString& path);

// Everything that decides the pixels of a picture's two JPEGs: the source file, the image
// settings, the logo file and its size setting, the output names and the program version.
QByteArray pictureFingerprint(const QString& source, const PictureSettings& settings,
                              const QByteArray& logoIdentity, const QString& largeFile,
                              const QString& smallFile);

class RunCache
{
public:
    RunCache() = default;
    // Loads the record of `recordFile` (a missing or damaged record is empty).
    explicit RunCache(const QString& recordFile);

    // The record file of a gallery target folder, in the data folder (empty when the data
    // folder is not known: then nothing is recorded).
    static QString recordFileFor(const QString& exportPath);

    // True when the last run wrote `largeFile` and `smallFile` from the same fingerprint
    // and both files are still as that run left them. Reads only what was loaded, so
    // worker threads may ask while the run records.
    bool isFresh(const QString& largeFile, const QString& smallFile,
                 const QByteArray& fingerprint) const;

    // After a picture's files were moved into place: remembers them as they are now.
    void record(const QString& largeFile, const QString& smallFile, const QByteArray& fingerprint);
    // A picture whose files were reused keeps its old record.
    void keep(const QString& largeFile);

    // Writes the loaded record overlaid with what this run recorded. A failure is ignored:
    // the cache only saves time.
    void save() const;

private:
    struct Entry
    {
        QByteArray fingerprint;
        QString smallFile;
        QByteArray largeIdentity;
        QByteArray smallIdentity;
    };

    QString m_file;
    QHash<QString, Entry> m_loaded;
    QHash<QString, Entry> m_recorded;
};

// The files that runs of Lumivista wrote for one gallery target, each with the size and
// modification time it was left with, so that a file put in its place later is not taken
// for one of them.
class WrittenFiles
{
public:
    WrittenFiles() = default;
    // Loads the record of `recordFile` (a missing or damaged record is empty).
    explicit WrittenFiles(const QString& recordFile);

    // The record file of a gallery target folder, in the data folder (empty when the data
    // folder is not known: then nothing is recorded and no file is known).
    static QString recordFileFor(const QString& exportPath);

    // True when a run wrote the file `path` and it is still as that run left it (or empty),
    // or a run that was killed claimed it. With `foldCase` (its folder folds case) the name is
    // compared without case.
    bool knows(const QString& path, bool foldCase = false) const;
    // A run is about to write `path` where nothing or a file of Lumivista's is: saved before
    // it writes, so that what a killed run leaves is known to the next one.
    void claim(const QString& path);
    // A run has just written `path`.
    void add(const QString& path);
    // The run is over: its claims are dropped.
    void finish() { m_claimed.clear(); }
    // Writes the record, without the files that are gone. A failure is ignored: the next run
    // then asks about the files again.
    void save() const;

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modified = 0; // milliseconds since the epoch
    };
    static QString keyOf(const QString& path);

    QString m_file;
    QHash<QString, Entry> m_files; // absolute path -> as written
    QSet<QString> m_claimed;       // absolute paths
};

// True when `path` is a file that Lumivista made: one the record knows, or a page that
// carries Lumivista's generator line (a link never is: a run replaces links).
bool madeByLumivista(const QString& path, const WrittenFiles& record, bool foldCase);
