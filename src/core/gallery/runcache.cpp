// The records of a gallery: one line per large picture, and one per written file,
// tab-separated, written through a temporary file so a killed run leaves the old record or
// the new one.
#include "gallery/runcache.h"

#include "gallery/picturejob.h"
#include "util/fileops.h"
#include "util/generatorcomment.h"
#include "util/paths.h"
#include "util/version.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

constexpr char kHeader[] = "lumivista picture record 1";
constexpr char kFilesHeader[] = "lumivista written files 1";
constexpr qint64 kMaxRecordBytes = 64LL * 1024 * 1024;

QByteArray field(const QString& text)
{
    return text.toUtf8().toBase64();
}

QString unfield(const QByteArray& bytes)
{
    return QString::fromUtf8(QByteArray::fromBase64(bytes));
}

} // namespace

QByteArray fileIdentity(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QByteArray();
    QByteArray identity =
        QFile::encodeName(info.absoluteFilePath()) + '\x1f' + QByteArray::number(info.size()) +
        '\x1f' +
        QByteArray::number(info.fileTime(QFileDevice::FileModificationTime).toMSecsSinceEpoch());
#ifdef Q_OS_UNIX
    // A tool may rewrite a file and set its modification time back (exiftool -P, touch -r)
    // with the size unchanged; the change time and the inode cannot be set back, so any
    // rewrite is seen, as make and backup tools see it.
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) == 0) {
        identity += '\x1f' + QByteArray::number(qulonglong(st.st_ino)) + '\x1f' +
                    QByteArray::number(qlonglong(st.st_ctim.tv_sec)) + '.' +
                    QByteArray::number(qlonglong(st.st_ctim.tv_nsec));
    }
#endif
    return identity;
}

QByteArray pictureFingerprint(const QString& source, const PictureSettings& s,
                              const QByteArray& logoIdentity, const QString& largeFile,
                              const QString& smallFile)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const auto add = [&hash](const QByteArray& bytes) {
        hash.addData(QByteArray::number(bytes.size()) + ':' + bytes);
    };
    const auto addInts = [&add](std::initializer_list<int> values) {
        QByteArray bytes;
        for (int v : values)
            bytes += QByteArray::number(v) + ',';
        add(bytes);
    };
    add(programVersion().toUtf8());
    add(fileIdentity(source));
    add(largeFile.toUtf8());
    add(smallFile.toUtf8());
    const ProjectSettings& p = s.project;
    addInts({p.picWidth, p.picHeight, p.tnWidth, p.tnHeight, p.qual});
    addInts({s.hasLogo(), p.wzH, p.wzV, p.wzL, p.wzT, p.wzTrans, p.wzSize});
    add(s.hasLogo() ? logoIdentity : QByteArray());
    add(p.bildText.toUtf8());
    if (!p.bildText.isEmpty()) {
        add(s.bildFont.toString().toUtf8());
        addInts({p.bildFont.color, p.bildTextL, p.bildTextT, p.bildTextH, p.bildTextV});
    }
    const ColourCorrections& c = s.corrections;
    addInts(
        {c.brightness, c.contrast, c.saturation, c.red, c.green, c.blue, c.greyscale, c.oldPhoto});
    // With double sizes the large picture is reduced from the double-size decode.
    if (p.mobilePages)
        add(QByteArrayLiteral("2x"));
    // Only when on, so the pictures of a project without it stay recorded as they were.
    if (p.smoothScale)
        add("smooth");
    return hash.result().toHex();
}

RunCache::RunCache(const QString& recordFile) : m_file(recordFile)
{
    QFile file(recordFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecordBytes)
        return;
    if (file.readLine().trimmed() != kHeader)
        return;
    while (!file.atEnd()) {
        const QList<QByteArray> parts = file.readLine().trimmed().split('\t');
        if (parts.size() != 5)
            continue;
        Entry e{parts[1], unfield(parts[2]), QByteArray::fromBase64(parts[3]),
                QByteArray::fromBase64(parts[4])};
        m_loaded.insert(unfield(parts[0]), e);
    }
}

QString RunCache::recordFileFor(const QString& exportPath)
{
    if (dataDir().isEmpty())
        return QString();
    const QByteArray key =
        QCryptographicHash::hash(QDir::cleanPath(exportPath).toUtf8(), QCryptographicHash::Sha1)
            .toHex();
    return dataDir() + QStringLiteral("runs/") + QString::fromLatin1(key) + QStringLiteral(".txt");
}

bool RunCache::isFresh(const QString& largeFile, const QString& smallFile,
                       const QByteArray& fingerprint) const
{
    const auto it = m_loaded.constFind(largeFile);
    if (it == m_loaded.constEnd())
        return false;
    const Entry& e = it.value();
    return e.fingerprint == fingerprint && e.smallFile == smallFile && !e.largeIdentity.isEmpty() &&
           e.largeIdentity == fileIdentity(largeFile) && !e.smallIdentity.isEmpty() &&
           e.smallIdentity == fileIdentity(smallFile);
}

void RunCache::record(const QString& largeFile, const QString& smallFile,
                      const QByteArray& fingerprint)
{
    m_recorded.insert(largeFile,
                      {fingerprint, smallFile, fileIdentity(largeFile), fileIdentity(smallFile)});
}

void RunCache::keep(const QString& largeFile)
{
    const auto it = m_loaded.constFind(largeFile);
    if (it != m_loaded.constEnd())
        m_recorded.insert(largeFile, it.value());
}

void RunCache::save() const
{
    if (m_file.isEmpty() || (m_recorded.isEmpty() && m_loaded.isEmpty()))
        return;
    QHash<QString, Entry> all = m_loaded;
    for (auto it = m_recorded.constBegin(); it != m_recorded.constEnd(); ++it)
        all.insert(it.key(), it.value());
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    // A record that cannot be written completely is dropped (the old one stays, and a
    // kill leaves no temporary); the next run then only makes its pictures anew.
    QString reason;
    replaceFileWith(
        m_file,
        [&](QIODevice& file) {
            file.write(kHeader);
            file.write("\n");
            for (auto it = all.constBegin(); it != all.constEnd(); ++it) {
                const Entry& e = it.value();
                file.write(field(it.key()) + '\t' + e.fingerprint + '\t' + field(e.smallFile) +
                           '\t' + e.largeIdentity.toBase64() + '\t' + e.smallIdentity.toBase64() +
                           '\n');
            }
            return true;
        },
        &reason);
}

namespace {

// File times on FAT and exFAT cards tick in steps of up to two seconds; a file read back
// after a remount may show its time rounded to them.
constexpr qint64 kTimeSlackMs = 2000;
constexpr char kClaimed[] = "claimed";

struct FileState
{
    bool regular = false;
    qint64 size = -1;
    qint64 modified = 0;
};

FileState fileState(const QString& path)
{
    FileState state;
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return state;
    state.regular = true;
    state.size = qint64(st.st_size);
    state.modified = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return state;
}

// Whether the first lines of `path` carry the generator comment that every page gets at the
// start of a line (a template with more on the line of "<html>" has the page go on after it).
bool carriesGeneratorLine(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    for (int line = 0; line < 8 && !file.atEnd(); ++line) {
        const QByteArray text = file.readLine(4096);
        if (text.startsWith(kGeneratorCommentStart) &&
            text.indexOf(kGeneratorCommentEnd) > qsizetype(sizeof kGeneratorCommentStart))
            return true;
    }
    return false;
}

} // namespace

WrittenFiles::WrittenFiles(const QString& recordFile) : m_file(recordFile)
{
    QFile file(recordFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxRecordBytes)
        return;
    if (file.readLine().trimmed() != kFilesHeader)
        return;
    while (!file.atEnd()) {
        const QList<QByteArray> parts = file.readLine().trimmed().split('\t');
        if (parts.size() != 3)
            continue;
        if (parts[1] == kClaimed)
            m_claimed.insert(unfield(parts[0]));
        else
            m_files.insert(unfield(parts[0]), {parts[1].toLongLong(), parts[2].toLongLong()});
    }
}

QString WrittenFiles::recordFileFor(const QString& exportPath)
{
    const QString pictures = RunCache::recordFileFor(exportPath);
    return pictures.isEmpty() ? pictures : pictures.chopped(4) + QStringLiteral(".files.txt");
}

QString WrittenFiles::keyOf(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

bool WrittenFiles::knows(const QString& path, bool foldCase) const
{
    const FileState now = fileState(path);
    if (!now.regular)
        return false;
    // An emptied file (a damaged output) has nothing to lose.
    const auto matches = [&now](const Entry& e) {
        return now.size == 0 ||
               (e.size == now.size && qAbs(e.modified - now.modified) <= kTimeSlackMs);
    };
    const QString key = keyOf(path);
    const auto it = m_files.constFind(key);
    if ((it != m_files.constEnd() && matches(it.value())) || m_claimed.contains(key))
        return true;
    if (!foldCase)
        return false;
    const QString folded = key.toCaseFolded();
    for (auto e = m_files.constBegin(); e != m_files.constEnd(); ++e) {
        if (e.key().toCaseFolded() == folded && matches(e.value()))
            return true;
    }
    return std::any_of(m_claimed.cbegin(), m_claimed.cend(),
                       [&folded](const QString& c) { return c.toCaseFolded() == folded; });
}

void WrittenFiles::claim(const QString& path)
{
    m_claimed.insert(keyOf(path));
}

void WrittenFiles::add(const QString& path)
{
    const FileState now = fileState(path);
    if (now.regular)
        m_files.insert(keyOf(path), {now.size, now.modified});
    m_claimed.remove(keyOf(path));
}

void WrittenFiles::save() const
{
    if (m_file.isEmpty())
        return;
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QString reason;
    replaceFileWith(
        m_file,
        [&](QIODevice& file) {
            file.write(kFilesHeader);
            file.write("\n");
            for (auto it = m_files.constBegin(); it != m_files.constEnd(); ++it) {
                if (!fileState(it.key()).regular)
                    continue;
                file.write(field(it.key()) + '\t' + QByteArray::number(it.value().size) + '\t' +
                           QByteArray::number(it.value().modified) + '\n');
            }
            for (const QString& path : m_claimed)
                file.write(field(path) + '\t' + kClaimed + "\t0\n");
            return true;
        },
        &reason);
}

bool madeByLumivista(const QString& path, const WrittenFiles& record, bool foldCase)
{
    if (record.knows(path, foldCase))
        return true;
    const QString suffix = QFileInfo(path).suffix().toLower();
    return fileState(path).regular && (suffix == u"htm" || suffix == u"html") &&
           carriesGeneratorLine(path);
}
