// Picture files that would cost huge memory or time if believed: headers that declare
// 65500 x 65500 pixels in every format LoadPicture reads, and progressive JPEGs with
// thousands of scans. Each must end with its LumiError quickly, under the address-space
// cap of boundedmain.cpp, also inside a gallery generation.
#include "boundedsupport.h"

#include "gallery/galleryrun.h"
#include "gallery/projectstate.h"
#include "pic/picture.h"
#include "smallgallery.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/paths.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <vector>

#include <jpeglib.h>

#include "testsupport.h"

namespace {

QString testData(const char* name)
{
    return QStringLiteral(LUMIVISTA_TEST_DATA "/pic/") + QLatin1String(name);
}

void putBig16(QByteArray& data, qsizetype offset, quint16 value)
{
    qToBigEndian(value, data.data() + offset);
}

// The message the load of `data` as a JPEG fails with, within the deadline of hostile
// input; empty (and a failure) when it loads.
QString jpegLoadErrorWithinDeadline(Picture& picture, const QByteArray& data)
{
    QString message;
    expectWithinDeadline([&] {
        try {
            LoadPictureData(picture, data, QStringLiteral("jpg"));
            ADD_FAILURE() << "no error";
        } catch (const LumiError& error) {
            message = error.message();
        }
    });
    return message;
}

// --- JPEG structure --------------------------------------------------------------------

bool isStandalone(uchar marker)
{
    return marker == 0xd8 || marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7);
}

// The offset of the frame header (SOFn marker) of the main picture, found by walking the
// segments, so an EXIF thumbnail's own frame header is not mistaken for it; -1 if none.
qsizetype frameHeaderOffset(const QByteArray& jpeg)
{
    qsizetype i = 2;
    while (i + 4 <= jpeg.size() && uchar(jpeg[i]) == 0xff) {
        const uchar marker = uchar(jpeg[i + 1]);
        if (marker == 0xff) {
            ++i;
            continue;
        }
        if (isStandalone(marker)) {
            i += 2;
            continue;
        }
        if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
            return i;
        if (marker == 0xda)
            return -1;
        i += 2 + qFromBigEndian<quint16>(jpeg.constData() + i + 2);
    }
    return -1;
}

// A JPEG cut into the part before its first scan, its scans (each with the tables that
// precede it and its entropy-coded data) and what follows the last scan.
struct JpegScans
{
    QByteArray head;
    QList<QByteArray> scans;
    QByteArray tail;
};

JpegScans splitScans(const QByteArray& jpeg)
{
    JpegScans result;
    const qsizetype frame = frameHeaderOffset(jpeg);
    if (frame < 0) {
        ADD_FAILURE() << "no frame header";
        return {};
    }
    const auto at = [&](qsizetype k) { return uchar(jpeg[k]); };
    qsizetype unitStart = frame + 2 + qFromBigEndian<quint16>(jpeg.constData() + frame + 2);
    result.head = jpeg.left(unitStart);
    qsizetype i = unitStart;
    while (i + 2 <= jpeg.size() && at(i) == 0xff) {
        const uchar marker = at(i + 1);
        if (marker == 0xd9) {
            result.tail = jpeg.mid(i);
            return result;
        }
        if (i + 4 > jpeg.size())
            break;
        i += 2 + qFromBigEndian<quint16>(jpeg.constData() + i + 2);
        if (marker != 0xda)
            continue; // a table: it goes with the scan that follows
        // Entropy-coded data runs to the next marker that is neither a stuffed zero nor
        // a restart marker.
        while (i + 1 < jpeg.size() &&
               !(at(i) == 0xff && at(i + 1) != 0 && !(at(i + 1) >= 0xd0 && at(i + 1) <= 0xd7)))
            ++i;
        result.scans.append(jpeg.mid(unitStart, i - unitStart));
        unitStart = i;
    }
    ADD_FAILURE() << "no end marker";
    return {};
}

// Writes a JPEG with libjpeg. `scans` empty: libjpeg's standard progression (what
// `cjpeg -progressive` writes); else exactly this scan script.
QByteArray encodeProgressive(const QImage& rgb888, const std::vector<jpeg_scan_info>& scans,
                             bool grey)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb888.width());
    cinfo.image_height = JDIMENSION(rgb888.height());
    cinfo.input_components = grey ? 1 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    if (scans.empty()) {
        jpeg_simple_progression(&cinfo);
    } else {
        cinfo.scan_info = scans.data();
        cinfo.num_scans = int(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(size_t(rgb888.width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* line = rgb888.constScanLine(int(cinfo.next_scanline));
        if (grey) {
            for (int x = 0; x < rgb888.width(); ++x)
                row[size_t(x)] = line[3 * x];
        } else {
            std::copy(line, line + rgb888.width() * 3, row.begin());
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    return bytes;
}

// --- the huge headers ----------------------------------------------------------------------

// Each format LoadPicture reads, as a small real file whose header is patched to declare
// 65500 x 65500 pixels (12 GiB as 24-bit pixels).
class HugePictures : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The camera photo with the frame header of the main picture patched.
    QString hugeJpeg()
    {
        QByteArray jpeg = readBytes(testData("nikon-d2h.jpg"));
        const qsizetype sof = frameHeaderOffset(jpeg);
        EXPECT_GT(sof, 0);
        // SOFn: marker, length (2), precision (1), height (2), width (2).
        putBig16(jpeg, sof + 5, 65500);
        putBig16(jpeg, sof + 7, 65500);
        return write(QStringLiteral("huge.jpg"), jpeg);
    }

    QString hugeProgressiveJpeg()
    {
        QByteArray jpeg = readBytes(testData("progressive.jpg"));
        const qsizetype sof = frameHeaderOffset(jpeg);
        EXPECT_GT(sof, 0);
        EXPECT_EQ(uchar(jpeg[sof + 1]), 0xc2);
        putBig16(jpeg, sof + 5, 65500);
        putBig16(jpeg, sof + 7, 65500);
        return write(QStringLiteral("huge-progressive.jpg"), jpeg);
    }

    // IHDR width and height, with the chunk's checksum made right again.
    QString hugePng()
    {
        QImage image(8, 8, QImage::Format_RGB888);
        image.fill(Qt::darkCyan);
        const QString file = path(QStringLiteral("huge.png"));
        EXPECT_TRUE(image.save(file, "PNG"));
        QByteArray png = readBytes(file);
        EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR"));
        qToBigEndian<quint32>(65500, png.data() + 16);
        qToBigEndian<quint32>(65500, png.data() + 20);
        qToBigEndian<quint32>(crc32(png.mid(12, 17)), png.data() + 29);
        return write(QStringLiteral("huge.png"), png);
    }

    // The logical screen and the first frame of a GIF both declare the size.
    QString hugeGif()
    {
        QByteArray gif = gifWithHugeScreen();
        EXPECT_TRUE(gif.startsWith("GIF89a"));
        const qsizetype frame = gif.indexOf(',', 13);
        EXPECT_GT(frame, 0);
        qToLittleEndian<quint16>(65500, gif.data() + frame + 5);
        qToLittleEndian<quint16>(65500, gif.data() + frame + 7);
        return write(QStringLiteral("huge.gif"), gif);
    }

    // Only the logical screen is huge; the frame inside it is the small original.
    QString hugeGifScreen()
    {
        return write(QStringLiteral("huge-screen.gif"), gifWithHugeScreen());
    }

    // The small GIF with its logical screen patched to 65500 x 65500.
    static QByteArray gifWithHugeScreen()
    {
        QByteArray gif = readBytes(testData("transparent.gif"));
        qToLittleEndian<quint16>(65500, gif.data() + 6);
        qToLittleEndian<quint16>(65500, gif.data() + 8);
        return gif;
    }

    // BITMAPINFOHEADER biWidth and biHeight.
    QString hugeBmp()
    {
        QByteArray bmp = readBytes(testData("plain.bmp"));
        EXPECT_TRUE(bmp.startsWith("BM"));
        qToLittleEndian<qint32>(65500, bmp.data() + 18);
        qToLittleEndian<qint32>(65500, bmp.data() + 22);
        return write(QStringLiteral("huge.bmp"), bmp);
    }

    // ImageWidth and ImageLength of the first directory.
    QString hugeTiff()
    {
        QByteArray tiff = readBytes(testData("palette.tif"));
        const bool little = tiff.startsWith("II");
        const auto get16 = [&](qsizetype at) {
            return little ? qFromLittleEndian<quint16>(tiff.constData() + at)
                          : qFromBigEndian<quint16>(tiff.constData() + at);
        };
        const auto get32 = [&](qsizetype at) {
            return little ? qFromLittleEndian<quint32>(tiff.constData() + at)
                          : qFromBigEndian<quint32>(tiff.constData() + at);
        };
        const qsizetype ifd = get32(4);
        const int count = get16(ifd);
        int patched = 0;
        for (int k = 0; k < count; ++k) {
            const qsizetype entry = ifd + 2 + 12 * k;
            const quint16 tag = get16(entry);
            if (tag != 256 && tag != 257)
                continue;
            const quint16 type = get16(entry + 2);
            if (type == 3) { // SHORT
                if (little)
                    qToLittleEndian<quint16>(65500, tiff.data() + entry + 8);
                else
                    qToBigEndian<quint16>(65500, tiff.data() + entry + 8);
            } else if (little) {
                qToLittleEndian<quint32>(65500, tiff.data() + entry + 8);
            } else {
                qToBigEndian<quint32>(65500, tiff.data() + entry + 8);
            }
            ++patched;
        }
        EXPECT_EQ(patched, 2);
        return write(QStringLiteral("huge.tif"), tiff);
    }

    // rclFrame in hundredths of a millimetre: 65500 pixels at 96 dpi.
    QString hugeEmf()
    {
        QByteArray emf = readBytes(testData("halfred.emf"));
        const qint32 side = qint32(65500 / 96.0 * 2540.0 + 0.5);
        qToLittleEndian<qint32>(0, emf.data() + 24);
        qToLittleEndian<qint32>(0, emf.data() + 28);
        qToLittleEndian<qint32>(side, emf.data() + 32);
        qToLittleEndian<qint32>(side, emf.data() + 36);
        return write(QStringLiteral("huge.emf"), emf);
    }

    // The placeable header's frame: 32750 units at 48 units an inch, with its checksum.
    QString hugeWmf()
    {
        QByteArray wmf = readBytes(testData("halfred.wmf"));
        EXPECT_EQ(qFromLittleEndian<quint32>(wmf.constData()), 0x9AC6CDD7u);
        qToLittleEndian<qint16>(0, wmf.data() + 6);
        qToLittleEndian<qint16>(0, wmf.data() + 8);
        qToLittleEndian<qint16>(32750, wmf.data() + 10);
        qToLittleEndian<qint16>(32750, wmf.data() + 12);
        qToLittleEndian<quint16>(48, wmf.data() + 14);
        quint16 sum = 0;
        for (int k = 0; k < 10; ++k)
            sum ^= qFromLittleEndian<quint16>(wmf.constData() + 2 * k);
        qToLittleEndian<quint16>(sum, wmf.data() + 20);
        return write(QStringLiteral("huge.wmf"), wmf);
    }

    QString write(const QString& name, const QByteArray& data)
    {
        writeBytes(path(name), data);
        return path(name);
    }

    // Loads `file` and returns the message of the LumiError it must raise.
    QString loadError(const QString& file)
    {
        Picture picture;
        QString message;
        expectWithinDeadline([&] {
            try {
                LoadPicture(picture, file);
                ADD_FAILURE() << "no error for " << file.toStdString() << ", loaded "
                              << picture.width() << " x " << picture.height();
            } catch (const LumiError& error) {
                message = error.message();
            }
        });
        EXPECT_TRUE(picture.isEmpty());
        return message;
    }

    // The load of `file` fails with the file's name and the too-large message.
    void expectTooLarge(const QString& file);

    QTemporaryDir m_dir;
};

const QString kTooLarge = QStringLiteral("Das Bild ist zu groß (65500 x 65500 Pixel)");

void HugePictures::expectTooLarge(const QString& file)
{
    EXPECT_EQ(loadError(file), file + QStringLiteral(": ") + kTooLarge);
}

} // namespace

TEST(AddressSpaceCap, IsInForceSoAnUncheckedHugeAllocationFails)
{
    if (boundedAddressSpaceLimit() == 0)
        GTEST_SKIP() << "built with AddressSanitizer: no address-space cap";
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &limit), 0);
    EXPECT_EQ((long long)limit.rlim_cur, boundedAddressSpaceLimit());
    // What a decoder that believed a 65500 x 65500 header would ask for (12 GiB as
    // 24-bit pixels) cannot be had here, even though this machine might grant it; nor
    // can 2 GiB.
    for (const size_t bytes : {size_t(65500) * 65500 * 3, size_t(2) << 30}) {
        void* block = std::malloc(bytes);
        EXPECT_EQ(block, nullptr) << bytes << " bytes";
        std::free(block);
    }
}

TEST_F(HugePictures, JpegFrameHeaderOf65500SquareIsRefused)
{
    expectTooLarge(hugeJpeg());
    expectTooLarge(hugeProgressiveJpeg());
}

TEST_F(HugePictures, PngHeaderOf65500SquareIsRefused)
{
    expectTooLarge(hugePng());
}

TEST_F(HugePictures, GifScreenAndFrameOf65500SquareAreRefused)
{
    expectTooLarge(hugeGif());
    expectTooLarge(hugeGifScreen());
}

TEST_F(HugePictures, BmpHeaderOf65500SquareIsRefused)
{
    expectTooLarge(hugeBmp());
}

TEST_F(HugePictures, TiffDirectoryOf65500SquareIsRefused)
{
    expectTooLarge(hugeTiff());
}

TEST_F(HugePictures, MetafileFramesOf65500SquareAreRefused)
{
    expectTooLarge(hugeEmf());
    expectTooLarge(hugeWmf());
}

TEST_F(HugePictures, GalleryRunSkipsEachHugePictureWithItsReasonAndFinishes)
{
    useDataFoldersBelow(m_dir.path());
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    dialogs.setFallback(DialogResult::No);

    ProjectState project;
    setSmallGallery(project, path(QStringLiteral("out")));
    makeTargetFolders(path(QStringLiteral("out")));

    const QStringList huge = {hugeJpeg(), hugeProgressiveJpeg(), hugePng(), hugeGif(), hugeBmp(),
                              hugeEmf()};
    ASSERT_TRUE(QFile::copy(testData("nikon-d2h.jpg"), path(QStringLiteral("good.jpg"))));
    project.Files() << huge[0] << huge[1] << path(QStringLiteral("good.jpg")) << huge.mid(2);

    GalleryRunOptions options;
    options.jobs = 2;
    options.reuseUnchanged = false;
    options.now = QDateTime(QDate(2026, 3, 3), QTime(15, 30));
    GalleryRun run(project, options);
    GalleryRun::Outcome outcome = GalleryRun::Outcome::Failed;
    expectWithinDeadline([&] { outcome = run.run(); });
    EXPECT_EQ(outcome, GalleryRun::Outcome::Finished);
    EXPECT_EQ(run.picturesWritten(), 1);
    EXPECT_EQ(run.picturesSkipped(), int(huge.size()));
    // A baseline JPEG is decoded row by row into its small gallery picture, so its size is
    // no reason to refuse it: its data, which ends long before 65500 rows, is.
    QStringList expected;
    for (const QString& file : huge) {
        const QString reason = file == huge[0]
                                   ? QStringLiteral("Fehlerhafte JPEG-Datei: unvollständige Datei")
                                   : kTooLarge;
        expected << file + QStringLiteral(": ") + reason; // the file named once
    }
    EXPECT_EQ(run.skippedPictures(), expected);
    // The good picture between them was written in full.
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("out/image2/good.jpg"))));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("out/image2/huge.jpg"))));
}

// --- progressive JPEGs with thousands of scans -----------------------------------------------

TEST(ManyScans, RepeatedScansOfARealProgressiveJpegEndQuickly)
{
    // A photo written with libjpeg's standard progression (as `cjpeg -progressive`
    // writes it), then one of its scans repeated 5000 times.
    QImage photo(testData("nikon-d2h.jpg"));
    ASSERT_FALSE(photo.isNull());
    photo = photo.convertToFormat(QImage::Format_RGB888);
    const QByteArray progressive = encodeProgressive(photo, {}, false);
    const JpegScans parts = splitScans(progressive);
    ASSERT_EQ(parts.scans.size(), 10); // libjpeg's standard script for colour
    Picture check;
    LoadPictureData(check, progressive, QStringLiteral("jpg"));
    ASSERT_EQ(check.width(), 500);

    const struct
    {
        qsizetype scan;
        QString error;
    } cases[] = {
        // The first DC scan again: each repeat is a progression error for each of the
        // three components, and the decoder gives up after 100 such warnings.
        {0, QStringLiteral("Fehlerhafte JPEG-Datei: too many errors in the data")},
        // The last refinement again: it refines bits that are already complete, so its
        // data runs out before its blocks do.
        {9, QStringLiteral("Fehlerhafte JPEG-Datei: unvollständige Datei")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scan);
        QByteArray crafted = parts.head;
        for (qsizetype k = 0; k < parts.scans.size(); ++k) {
            crafted += parts.scans[k];
            if (k == c.scan) {
                for (int repeat = 0; repeat < 5000; ++repeat)
                    crafted += parts.scans[k];
            }
        }
        crafted += parts.tail;

        Picture picture;
        EXPECT_EQ(jpegLoadErrorWithinDeadline(picture, crafted), c.error);
        EXPECT_TRUE(picture.isEmpty());
    }
}

TEST(ManyScans, ThousandsOfFlawlessScansStopAtTheScanCap)
{
    // A flat grey 4096 x 4096 picture with a script of its own: DC, then all AC
    // coefficients at full precision in one scan. That AC scan repeated 100000 times is
    // flawless for libjpeg (each repeat simply codes the same coefficients again) and,
    // as an all-zero scan, only a few bytes long; yet each one is a pass over 262144
    // blocks: without the cap the load takes over two minutes here (and then succeeds).
    QImage grey(4096, 4096, QImage::Format_RGB888);
    grey.fill(QColor(128, 128, 128));
    std::vector<jpeg_scan_info> script(2);
    script[0] = {1, {0, 0, 0, 0}, 0, 0, 0, 0};
    script[1] = {1, {0, 0, 0, 0}, 1, 63, 0, 0};
    const QByteArray progressive = encodeProgressive(grey, script, true);
    const JpegScans parts = splitScans(progressive);
    ASSERT_EQ(parts.scans.size(), 2);
    ASSERT_LT(parts.scans[1].size(), 100);

    // The file as written loads.
    Picture plain;
    LoadPictureData(plain, progressive, QStringLiteral("jpg"));
    ASSERT_EQ(plain.width(), 4096);

    // 499 repeats, 501 scans in all: just past the cap.
    const auto withScans = [&](int total) {
        QByteArray crafted = parts.head + parts.scans[0];
        for (int k = 1; k < total; ++k)
            crafted += parts.scans[1];
        return crafted + parts.tail;
    };
    // Just at the cap (500 scans) the file still loads, repeats and all.
    Picture atCap;
    LoadPictureData(atCap, withScans(500), QStringLiteral("jpg"));
    EXPECT_EQ(atCap.width(), 4096);

    const QByteArray crafted = withScans(100000);
    Picture picture;
    EXPECT_EQ(jpegLoadErrorWithinDeadline(picture, crafted),
              QStringLiteral("Fehlerhafte JPEG-Datei: too many scans"));
    EXPECT_TRUE(picture.isEmpty());
}
