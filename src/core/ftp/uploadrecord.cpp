// The upload record: its file in the data folder, the fingerprints of local files, the
// server's listing of the folders an upload uses, and which entries count as changed.
#include "ftp/uploadrecord.h"

#include "ftp/remoteclient.h"
#include "ftp/remotelisting.h"
#include "ftp/uploadentries.h"
#include "util/error.h"
#include "util/fileops.h"
#include "util/generatorcomment.h"
#include "util/paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QByteArray kFirstLine = "Lumivista upload record 1";
// A record of some hundred thousand files is a few megabytes; anything far beyond is no record.
constexpr qint64 kMaxRecordBytes = 256LL * 1024 * 1024;
constexpr qint64 kReadPiece = 64 * 1024;

// Values stay readable; only what would break a line (and "%") is escaped as "%XX".
QByteArray escaped(const QString& value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '%' || (uchar(c) < 0x20 && c != '\t') || c == 0x7f)
            out += '%' + QByteArray::number(uchar(c), 16).rightJustified(2, '0').toUpper();
        else
            out += c;
    }
    return out;
}

QString unescaped(const QByteArray& value)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(value));
}

QString folderOf(const QString& entry)
{
    return entry.left(entry.lastIndexOf(QLatin1Char('/')) + 1); // 'image1/' or ''
}

// The entries an upload would send at all: relative, inside the source folder.
bool isSendable(const QString& entry)
{
    return !entry.isEmpty() && !entry.startsWith(QLatin1Char('/'));
}

} // namespace

UploadRecordKey UploadRecordKey::of(const RemoteClient& ftp, const QString& baseFolder)
{
    return {ftp.host().toLower(), ftp.port(), ftp.username(), baseFolder};
}

QString UploadRecordKey::fileName() const
{
    const QString identity = host + QLatin1Char('\n') + QString::number(port) + QLatin1Char('\n') +
                             user + QLatin1Char('\n') + baseFolder;
    const QByteArray hash =
        QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QString::fromLatin1(hash.left(32)) + QStringLiteral(".txt");
}

std::optional<StoredFile> fileFingerprint(const QString& path, bool page)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    StoredFile stored;
    stored.size = 0;
    // Only the first generator comment line of a page is left out, and only a whole line.
    bool lookForComment = page;
    bool atLineStart = true;
    while (!file.atEnd()) {
        const QByteArray piece = lookForComment ? file.readLine(kReadPiece) : file.read(kReadPiece);
        if (piece.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                return std::nullopt;
            break;
        }
        stored.size += piece.size();
        const bool wholeLine = piece.endsWith('\n') || file.atEnd();
        if (lookForComment && atLineStart && wholeLine && isGeneratorCommentLine(piece)) {
            lookForComment = false;
            continue;
        }
        hash.addData(piece);
        atLineStart = piece.endsWith('\n');
    }
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    stored.sha256 = hash.result();
    return stored;
}

QString uploadRecordFolder()
{
    const QString data = dataDir();
    return data.isEmpty() ? QString() : QDir(data).filePath(QStringLiteral("uploads"));
}

UploadRecord::UploadRecord(const UploadRecordKey& key, const QString& folder)
    : m_key(key), m_folder(folder)
{
}

QString UploadRecord::path() const
{
    return m_folder.isEmpty() ? QString() : QDir(m_folder).filePath(m_key.fileName());
}

bool UploadRecord::load(QString* problem)
{
    m_files.clear();
    const auto fail = [&](const QString& why) {
        m_files.clear();
        if (problem)
            *problem = QStringLiteral("The record of earlier uploads \"%1\" %2; every file counts "
                                      "as changed.")
                           .arg(QDir::toNativeSeparators(path()), why);
        return false;
    };
    if (problem)
        problem->clear();
    if (path().isEmpty())
        return fail(QStringLiteral("has no data folder"));
    QFile file(path());
    if (!file.exists())
        return false;
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    if (file.size() > kMaxRecordBytes)
        return fail(QStringLiteral("is too large"));
    const QByteArray text = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot be read (%1)").arg(file.errorString()));

    const QString damaged = QStringLiteral("is damaged");
    QList<QByteArray> lines = text.split('\n');
    // Every line ends with LF: the last piece is empty.
    if (lines.size() < 7 || !lines.last().isEmpty())
        return fail(damaged);
    lines.removeLast();
    const auto field = [&](qsizetype index, const QByteArray& name) -> std::optional<QByteArray> {
        const QByteArray& line = lines[index];
        if (!line.startsWith(name + ": "))
            return std::nullopt;
        return line.mid(name.size() + 2);
    };
    if (lines[0] != kFirstLine)
        return fail(damaged);
    const auto host = field(1, "Host");
    const auto port = field(2, "Port");
    const auto user = field(3, "User");
    const auto folder = field(4, "Folder");
    const auto end = field(lines.size() - 1, "End");
    if (!host || !port || !user || !folder || !end)
        return fail(damaged);
    bool portOk = false;
    const uint portNumber = port->toUInt(&portOk);
    if (!portOk || portNumber > 65535)
        return fail(damaged);
    const UploadRecordKey stored{unescaped(*host), quint16(portNumber), unescaped(*user),
                                 unescaped(*folder)};
    if (stored != m_key)
        return fail(QStringLiteral("belongs to another server or folder"));
    bool countOk = false;
    const qsizetype count = end->toLongLong(&countOk);
    if (!countOk || count != lines.size() - 6)
        return fail(damaged);
    for (qsizetype i = 5; i < lines.size() - 1; ++i) {
        // size TAB sha256 TAB entry
        const QByteArray& line = lines[i];
        const qsizetype tab1 = line.indexOf('\t');
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf('\t', tab1 + 1);
        if (tab2 < 0)
            return fail(damaged);
        const QList<QByteArray> parts{line.left(tab1), line.mid(tab1 + 1, tab2 - tab1 - 1),
                                      line.mid(tab2 + 1)};
        bool sizeOk = false;
        const qint64 size = parts[0].toLongLong(&sizeOk);
        const QByteArray hash = QByteArray::fromHex(parts[1]);
        const QString entry = unescaped(parts[2]);
        if (!sizeOk || size < 0 || parts[1].size() != 64 || hash.size() != 32 ||
            hash.toHex() != parts[1].toLower() || entry.isEmpty())
            return fail(damaged);
        m_files.insert(entry, StoredFile{size, hash});
    }
    return true;
}

bool UploadRecord::save(QString* error) const
{
    const QString target = path();
    if (target.isEmpty()) {
        if (error)
            *error = QStringLiteral("there is no data folder");
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        if (error)
            *error = QStringLiteral("the folder \"%1\" cannot be made")
                         .arg(QDir::toNativeSeparators(m_folder));
        return false;
    }
    QByteArray text = kFirstLine + '\n';
    text += "Host: " + escaped(m_key.host) + '\n';
    text += "Port: " + QByteArray::number(m_key.port) + '\n';
    text += "User: " + escaped(m_key.user) + '\n';
    text += "Folder: " + escaped(m_key.baseFolder) + '\n';
    // In entry order, so the file reads like the gallery's folders.
    QStringList entries = m_files.keys();
    entries.sort();
    for (const QString& entry : std::as_const(entries)) {
        const StoredFile& f = m_files[entry];
        text += QByteArray::number(f.size) + '\t' + f.sha256.toHex() + '\t' + escaped(entry) + '\n';
    }
    text += "End: " + QByteArray::number(m_files.size()) + '\n';
    return replaceFileContents(target, text, error);
}

std::optional<StoredFile> UploadRecord::file(const QString& entry) const
{
    const auto it = m_files.constFind(entry);
    if (it == m_files.cend())
        return std::nullopt;
    return *it;
}

void UploadRecord::setFile(const QString& entry, const StoredFile& file)
{
    m_files.insert(entry, file);
}

void UploadRecord::removeFile(const QString& entry)
{
    m_files.remove(entry);
}

QHash<QString, qint64> remoteEntrySizes(RemoteClient& ftp, const QString& baseFolder,
                                        const QStringList& entries)
{
    QStringList folders{QString()};
    for (const QString& entry : entries) {
        const QString folder = folderOf(entry);
        if (isSendable(entry) && !folders.contains(folder))
            folders.append(folder);
    }
    QHash<QString, qint64> sizes;
    bool moved = false;
    for (const QString& folder : std::as_const(folders)) {
        if (!folder.isEmpty()) {
            if (moved)
                ftp.changeFolder(baseFolder);
            moved = true;
            try {
                ftp.changeFolder(folder);
            } catch (const LumiError&) {
                if (!ftp.connected())
                    throw;
                continue; // not on the server yet: all its files are changed
            }
        }
        QStringList rawLines;
        ftp.setTransferType(RemoteClient::TransferType::Binary);
        ftp.listDetails(rawLines);
        for (const RemoteRow& row : readRemoteRows(ftp, rawLines)) {
            if (!row.isFolder)
                sizes.insert(folder + row.name, row.size);
        }
    }
    if (moved)
        ftp.changeFolder(baseFolder);
    return sizes;
}

QList<bool> changedEntries(const QStringList& entries, const QString& sourceFolder,
                           const UploadRecord& record, const QHash<QString, qint64>& remote,
                           const PageRule& isPage)
{
    QList<bool> changed;
    changed.reserve(entries.size());
    for (const QString& entry : entries) {
        const std::optional<StoredFile> stored = record.file(entry);
        const auto onServer = remote.constFind(entry);
        bool isChanged =
            !stored || onServer == remote.cend() || (*onServer >= 0 && *onServer != stored->size);
        if (!isChanged) {
            const bool page = isPage && isPage(entry);
            const std::optional<StoredFile> local =
                fileFingerprint(resolvePath(entry, sourceFolder), page);
            // A page's size changes with the time of the run; its hash leaves that line out.
            isChanged =
                !local || local->sha256 != stored->sha256 || (!page && local->size != stored->size);
        }
        changed.append(isChanged);
    }
    return changed;
}

QList<bool> findChangedEntries(RemoteClient& ftp, const QString& baseFolder,
                               const QStringList& entries, const QString& sourceFolder,
                               QString* recordProblem, const PageRule& isPage)
{
    UploadRecord record(UploadRecordKey::of(ftp, baseFolder));
    record.load(recordProblem);
    if (record.isEmpty())
        return QList<bool>(entries.size(), true);
    const QHash<QString, qint64> remote = remoteEntrySizes(ftp, baseFolder, entries);
    return changedEntries(entries, sourceFolder, record, remote, isPage);
}

UploadRecordKeeper::UploadRecordKeeper(const UploadRecordKey& key, const UploadEntries& entries,
                                       const QString& sourceFolder, const QString& folder,
                                       PageRule isPage)
    : m_record(key, folder), m_entries(entries), m_sourceFolder(sourceFolder),
      m_isPage(std::move(isPage))
{
    // A damaged record is started afresh; the next save replaces it.
    m_record.load();
    m_sinceSave.start();
}

void UploadRecordKeeper::fileStored(int index)
{
    if (index < 0 || index >= m_entries.count())
        return;
    const QString entry = m_entries.entry(index);
    if (const std::optional<StoredFile> stored =
            fileFingerprint(resolvePath(entry, m_sourceFolder), m_isPage && m_isPage(entry)))
        m_record.setFile(entry, *stored);
    else
        m_record.removeFile(entry); // unreadable now: sent again next time
    ++m_unsaved;
    if (m_unsaved >= kSaveEveryFiles || m_sinceSave.elapsed() >= kSaveIntervalMs)
        saveNow();
}

void UploadRecordKeeper::saveNow()
{
    // The last save counts: a later one that works holds everything stored before.
    QString error;
    m_error = m_record.save(&error)
                  ? QString()
                  : QStringLiteral("The record of stored files could not be saved: ") + error;
    m_unsaved = 0;
    m_sinceSave.restart();
}

bool UploadRecordKeeper::finish()
{
    if (m_unsaved > 0)
        saveNow();
    return m_error.isEmpty();
}
