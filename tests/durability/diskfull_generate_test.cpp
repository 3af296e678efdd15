// `lumivista generate` on a disk that fills up at the first, a middle and the last file the
// run writes: the run reports the failure with the system's reason and the final file's name
// (never claiming the gallery was made), no file is half-written under its final name, no
// pending file is left, and a run with space again gives exactly the gallery of a clean run.
#include "durabilitysupport.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using namespace durability;

namespace {

constexpr int kPhotos = 6;

// One tmpfs, one project and the clean run's gallery for all cases.
struct GenerationSetup
{
    std::unique_ptr<TmpfsMount> mount;
    QTemporaryDir work;
    QString project;
    QString gallery; // on the tmpfs
    QMap<QString, QByteArray> reference;
    QStringList writeOrder; // final names in the order a run on one thread writes them
    QString problem;        // why the setup failed
};

class DiskFullGeneration : public ::testing::Test
{
protected:
    static void TearDownTestSuite() { s_setup.reset(); }

    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "needs root to mount a tmpfs";
        if (!s_setup)
            s_setup = prepare();
        if (s_setup->mount && !s_setup->mount->mounted())
            GTEST_SKIP() << s_setup->mount->refusal().toStdString();
        ASSERT_TRUE(s_setup->problem.isEmpty()) << s_setup->problem.toStdString();
    }

    static std::unique_ptr<GenerationSetup> prepare();

    // Leaves exactly enough space for the files before `failing` in write order and all but
    // the last page of `failing`, runs the generation, checks the failed gallery, then runs
    // again with the space back and compares with the clean run.
    void fillUpAt(int failing);

    static std::unique_ptr<GenerationSetup> s_setup;
};

std::unique_ptr<GenerationSetup> DiskFullGeneration::s_setup;

std::unique_ptr<GenerationSetup> DiskFullGeneration::prepare()
{
    auto setup = std::make_unique<GenerationSetup>();
    setup->mount = std::make_unique<TmpfsMount>(8 * 1024 * 1024);
    if (!setup->mount->mounted())
        return setup;
    const QString work = setup->work.path();
    setup->project = work + QStringLiteral("/p.lmv");
    setup->gallery = setup->mount->path() + QStringLiteral("/web");
    const QProcessEnvironment env = childEnvironment(work + QStringLiteral("/home-reference"));

    const QStringList photos = copyCameraPhotos(work + QStringLiteral("/photos"), kPhotos);
    if (photos.size() != kPhotos) {
        setup->problem = QStringLiteral("test photos not copied");
        return setup;
    }
    // Small pictures keep the runs quick; 2 x 2 a page gives two index pages. The classic
    // gallery, whose write order is worked out below (no double sizes).
    CliRun run =
        runLumivista({QStringLiteral("project"), QStringLiteral("new"), setup->project,
                      QStringLiteral("--target"), setup->gallery, QStringLiteral("PicWidth=240"),
                      QStringLiteral("PicHeight=180"), QStringLiteral("TnWidth=60"),
                      QStringLiteral("TnHeight=45"), QStringLiteral("Col=2"),
                      QStringLiteral("Row=2"), QStringLiteral("MobilePages=0")},
                     env);
    if (run.exitCode == 0) {
        run = runLumivista({QStringLiteral("project"), QStringLiteral("add"), setup->project,
                            work + QStringLiteral("/photos")},
                           env);
    }
    if (run.exitCode != 0) {
        setup->problem = QStringLiteral("project not made: ") + run.err;
        return setup;
    }
    // The clean run, into the same folder the failing runs use, so links inside pages agree.
    run = runLumivista({QStringLiteral("generate"), setup->project, QStringLiteral("--yes"),
                        QStringLiteral("--jobs"), QStringLiteral("1")},
                       env);
    if (run.exitCode != 0) {
        setup->problem = QStringLiteral("clean run failed: ") + run.err;
        return setup;
    }
    setup->reference = readTree(setup->gallery);
    const qint64 used = qint64(8 * 1024 * 1024) - setup->mount->freeBytes();
    clearFolder(setup->gallery);

    // Write order on one thread: the style sheet, each picture's large and small JPEG and
    // its page, then the index pages; all in the target folder.
    QStringList order{QStringLiteral("font.css")};
    for (const QString& photo : photos) {
        const QString base = QFileInfo(photo).completeBaseName();
        order << base + QStringLiteral(".jpg")
              << QStringLiteral("tn_") + base + QStringLiteral(".jpg")
              << base + QStringLiteral(".htm");
    }
    order << QStringLiteral("index.htm") << QStringLiteral("index1.htm");
    QStringList names = setup->reference.keys();
    QStringList sortedOrder = order;
    names.sort();
    sortedOrder.sort();
    if (names != sortedOrder) {
        setup->problem = QStringLiteral("the clean run wrote other files than expected: ") +
                         setup->reference.keys().join(u' ');
        return setup;
    }
    qint64 pages = 0;
    for (const QByteArray& bytes : std::as_const(setup->reference))
        pages += pagesFor(bytes.size());
    if (pages != used) {
        setup->problem = QStringLiteral("the gallery takes %1 bytes of the tmpfs, its files %2")
                             .arg(used)
                             .arg(pages);
        return setup;
    }
    setup->writeOrder = order;
    return setup;
}

void DiskFullGeneration::fillUpAt(int failing)
{
    GenerationSetup& s = *s_setup;
    const QString failingName = s.writeOrder.at(failing);
    qint64 space = 0;
    for (int i = 0; i < failing; ++i)
        space += pagesFor(s.reference.value(s.writeOrder.at(i)).size());
    const qint64 failingSize = s.reference.value(failingName).size();
    space += pagesFor(failingSize) - kPage;
    SCOPED_TRACE(QStringLiteral("disk full while writing %1 (%2 bytes), %3 bytes free")
                     .arg(failingName)
                     .arg(failingSize)
                     .arg(space)
                     .toStdString());

    clearFolder(s.gallery);
    QString reason;
    ASSERT_TRUE(s.mount->leaveFree(space, &reason)) << reason.toStdString();
    const QProcessEnvironment env =
        childEnvironment(s.work.path() + QStringLiteral("/home-%1").arg(failing));
    const QStringList generate{QStringLiteral("generate"), s.project, QStringLiteral("--yes"),
                               QStringLiteral("--jobs"), QStringLiteral("1")};

    const CliRun failed = runLumivista(generate, env);
    ASSERT_TRUE(failed.finished);
    EXPECT_NE(failed.exitCode, 0) << "a run that could not write " << failingName.toStdString()
                                  << " reported success:\n"
                                  << failed.err.toStdString();
    EXPECT_TRUE(failed.out.isEmpty()) << failed.out.toStdString();
    // The reason is the system's own text, also for a write the full disk cut short.
    EXPECT_TRUE(failed.err.contains(QStringLiteral("No space left on device")))
        << failed.err.toStdString();
    EXPECT_FALSE(failed.err.contains(QStringLiteral("Unknown error"))) << failed.err.toStdString();
    // Nothing is announced as made, and the reasons name final files, never pending ones.
    EXPECT_FALSE(failed.err.contains(QStringLiteral("Lumivista erstellt!")))
        << failed.err.toStdString();
    EXPECT_TRUE(failed.err.contains(s.gallery + u'/' + failingName)) << failed.err.toStdString();
    EXPECT_FALSE(failed.err.contains(QStringLiteral(".lumivista-pending")))
        << failed.err.toStdString();
    const QMap<QString, QByteArray> left = readTree(s.gallery);
    EXPECT_EQ(checkNoHalfWrittenFiles(left, s.reference, false).toStdString(), "");
    EXPECT_FALSE(left.contains(failingName));
    if (failing > 0) {
        EXPECT_TRUE(left.contains(QStringLiteral("font.css")));
    }
    EXPECT_LT(left.size(), s.reference.size());

    s.mount->removeFiller();
    const CliRun again = runLumivista(generate, env);
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(treeDifferences(readTree(s.gallery), s.reference).toStdString(), "");
}

} // namespace

TEST_F(DiskFullGeneration, FullAtTheStyleSheetTheFirstFile)
{
    fillUpAt(0);
}

TEST_F(DiskFullGeneration, FullAtALargePictureInTheMiddle)
{
    // The large JPEG of the third picture.
    const int failing = int(s_setup->writeOrder.indexOf(QStringLiteral("foto03.jpg")));
    ASSERT_GT(failing, 0);
    fillUpAt(failing);
}

TEST_F(DiskFullGeneration, FullAtAPicturePageInTheMiddle)
{
    // The page of the fourth picture: its two JPEGs are written already and must go too.
    const int failing = int(s_setup->writeOrder.indexOf(QStringLiteral("foto04.htm")));
    ASSERT_GT(failing, 0);
    fillUpAt(failing);
}

TEST_F(DiskFullGeneration, FullAtTheLastIndexPageTheLastFile)
{
    fillUpAt(int(s_setup->writeOrder.size()) - 1);
}
