// Shared pieces of the durability tests: a small tmpfs mounted for one test, a filler that
// leaves an exact amount of free space, the real program run as a child process, and the
// checks that no file under its final name is half-written.
#pragma once

#include <functional>

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace durability {

// tmpfs hands out space in whole pages.
inline constexpr qint64 kPage = 4096;

// Bytes `size` takes on a tmpfs.
inline qint64 pagesFor(qint64 size)
{
    return (size + kPage - 1) / kPage * kPage;
}

// Mount points are folders "lumivista-tmpfs-PID-XXXXXX" in the temporary folder, PID being
// the test process that mounted them.
inline constexpr char kMountPrefix[] = "lumivista-tmpfs-";

// Unmounts and removes the mount points of that prefix whose process no longer runs: what a
// test killed while its tmpfs was mounted leaves behind. Returns their paths.
QStringList removeStaleMounts();

// True when `folder` is a mount point (lies on another file system than its parent).
bool isMountPoint(const QString& folder);

// A tmpfs of `bytes` mounted on a fresh temporary folder, unmounted (lazily when busy) and
// removed with the object. Mounting needs root; `mounted()` is false with a reason otherwise.
// Stale mounts of killed tests are removed first.
class TmpfsMount
{
public:
    explicit TmpfsMount(qint64 bytes);
    ~TmpfsMount();
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool mounted() const { return m_mounted; }
    QString refusal() const { return m_refusal; }
    // The mount point, without a trailing slash.
    QString path() const { return m_dir.path(); }

    qint64 freeBytes() const;
    // Fills the file system with a filler file at its root until exactly `bytes` (a multiple
    // of the page size) stay free. False with a reason when that cannot be arranged.
    bool leaveFree(qint64 bytes, QString* reason);
    void removeFiller();

private:
    QString fillerPath() const { return path() + QStringLiteral("/filler.bin"); }

    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_refusal;
};

// A test on a tmpfs mounted for it alone: `mount` in SetUp skips the test without root or
// when the mount is refused.
class TmpfsTest : public ::testing::Test
{
protected:
    // A tmpfs of `bytes` with the folder `folder` made on it (m_folder).
    void mount(qint64 bytes, const QString& folder)
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to mount a tmpfs";
        m_mount = std::make_unique<TmpfsMount>(bytes);
        if (!m_mount->mounted())
            GTEST_SKIP() << m_mount->refusal().toStdString();
        m_folder = m_mount->path() + QLatin1Char('/') + folder;
        ASSERT_TRUE(QDir().mkpath(m_folder));
    }

    // The number of free bytes that make a write of `size` bytes fail at its first, middle
    // and last page.
    static QList<qint64> failingSpaces(qint64 size)
    {
        const qint64 pages = pagesFor(size) / kPage;
        return {0, pages / 2 * kPage, (pages - 1) * kPage};
    }

    std::unique_ptr<TmpfsMount> m_mount;
    QString m_folder;
};

// The outcome of one run of the program.
struct CliRun
{
    bool finished = false; // ended on its own within the deadline
    int exitCode = -1;
    QString out;
    QString err;
};

// Environment of the child processes: settings and run records below `home` only.
QProcessEnvironment childEnvironment(const QString& home);

// Runs the built program with `args`; the deadline bounds the wait (the child is killed).
CliRun runLumivista(const QStringList& args, const QProcessEnvironment& env,
                    int deadlineMs = 60000);

// The project `project` of the photos in the folder `photos`, its target `target` and the
// settings `settings` ("Key=value"), made with the program's "project new" and "project add".
// A refusal fails the test with the program's message.
void makeProject(const QString& project, const QString& target, const QStringList& settings,
                 const QString& photos, const QProcessEnvironment& env);

// The message of the error copyFileTo(`source`, `destination`) fails with; a copy that
// reports no error fails the test and gives an empty text.
QString copyError(const QString& source, const QString& destination);

// Every file below `root` (hidden ones too), relative name -> bytes.
QMap<QString, QByteArray> readTree(const QString& root);
// Copies every file below `from` into `to` (created).
bool copyTree(const QString& from, const QString& to);
// Removes everything below `root`, keeping `root`.
void clearFolder(const QString& root);

// True for the name of a file a run writes before moving it into place.
bool isPendingName(const QString& relativePath);

// Empty when `bytes` are a complete file of its kind: a JPEG that libjpeg decodes to the last
// line without a warning (a cut file gives "Premature end of JPEG file"), a page that ends
// with its closing tag, a style sheet whose last rule is closed. Otherwise the reason.
QString incompleteReason(const QString& relativePath, const QByteArray& bytes);

// The bytes of a gallery file as two runs of the same project agree on them: a page's
// generator comment carries the moment of its run, which is replaced by a fixed text.
QByteArray withoutRunTime(const QString& relativePath, const QByteArray& bytes);

// Checks a gallery left by a failed or killed run against the finished reference: every file
// under a final name is complete and equal to the reference's file of that name (apart from
// the run time in pages); pending files
// are allowed only when `pendingAllowed`. Returns the faults, one a line (empty when none).
QString checkNoHalfWrittenFiles(const QMap<QString, QByteArray>& gallery,
                                const QMap<QString, QByteArray>& reference, bool pendingAllowed);
// The same for a run over an older gallery: every file under a final name equals that file
// of one of the `references` (the older gallery's or the finished new one's).
QString checkNoHalfWrittenFiles(const QMap<QString, QByteArray>& gallery,
                                const QList<QMap<QString, QByteArray>>& references,
                                bool pendingAllowed);

// The differences of two trees, one a line (empty when equal byte for byte apart from the
// run time in pages).
QString treeDifferences(const QMap<QString, QByteArray>& actual,
                        const QMap<QString, QByteArray>& expected);

// Real camera photos of the test data, copied into `folder` under `count` distinct names
// (the photos repeat); returns the copies' paths in order.
QStringList copyCameraPhotos(const QString& folder, int count);

// Every name that appears in `folder` (created, linked or moved there) while `action` runs,
// in order. A kill can leave behind any of them.
QStringList namesAppearingDuring(const QString& folder, const std::function<void()>& action);
// The names of `names` other than `fileName` and its pending name, the only two a
// replacement of `fileName` may show.
QStringList foreignNames(const QStringList& names, const QString& fileName);

} // namespace durability
