// What produced each picture of a gallery, so that a second run of an unchanged project
// does not decode its pictures again. The record lives in the data folder, never in the
// gallery, so it is never uploaded with it.
#pragma once

#include <QByteArray>
#include <QHash>
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
