// Loading every kind, the JPEG pass-through and EXIF orientation, saving JPEG and GIF,
// and every kind of bad input file.
#include "pictesting.h"

#include "pic/colour.h"
#include "pic/filters.h"
#include "util/error.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

// Largest channel difference between two pictures of the same size.
int maxDifference(const QImage& a, const QImage& b)
{
    EXPECT_EQ(a.size(), b.size());
    int worst = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()) * 3; ++x) {
            worst = std::max(worst, std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]));
        }
    }
    return worst;
}

void expectNear(Rgb actual, Rgb expected, int tolerance)
{
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(actual[c], expected[c], tolerance) << "channel " << c;
    }
}

// The error text of LoadPicture, with a check that the Picture kept what it held.
std::string loadError(const QString& path)
{
    Picture picture = solidBitmap(3, 2, {1, 2, 3});
    try {
        LoadPicture(picture, path);
    } catch (const LumiError& error) {
        EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
        EXPECT_EQ(picture.width(), 3);
        EXPECT_EQ(pixelAt(picture, 2, 1), (Rgb{1, 2, 3}));
        return error.message().toStdString();
    }
    ADD_FAILURE() << "no error for " << path.toStdString();
    return {};
}

void putBigEndian(QByteArray& data, int offset, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        data[offset + i] = char((value >> (8 * (bytes - 1 - i))) & 0xff);
    }
}

} // namespace

class PictureFiles : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_F(PictureFiles, JpegRoundTripIsBaselineAndClose)
{
    Picture picture = makeBitmap(32, 16, [](int x, int y) { return Rgb{x * 8, y * 16, 100}; });
    ASSERT_TRUE(SaveJpeg(picture, path("out.jpg"), 95));
    const QByteArray bytes = readBytes(path("out.jpg"));
    ASSERT_TRUE(bytes.startsWith("\xff\xd8"));
    EXPECT_TRUE(bytes.contains("\xff\xc0")) << "baseline frame";
    EXPECT_FALSE(bytes.contains("\xff\xc2")) << "no progressive frame";
    Picture loaded;
    LoadPicture(loaded, path("out.jpg"));
    EXPECT_EQ(loaded.kind(), PictureKind::Jpeg);
    EXPECT_EQ(loaded.jpegData(), bytes);
    EXPECT_LE(maxDifference(loaded.image(), picture.image()), 12);
}

TEST_F(PictureFiles, QualityOutsideTheRangeIsHundred)
{
    Picture picture = patternBitmap(16, 16);
    ASSERT_TRUE(SaveJpeg(picture, path("q100.jpg"), 100));
    ASSERT_TRUE(SaveJpeg(picture, path("q0.jpg"), 0));
    ASSERT_TRUE(SaveJpeg(picture, path("q150.jpg"), 150));
    ASSERT_TRUE(SaveJpeg(picture, path("q50.jpg"), 50));
    EXPECT_EQ(readBytes(path("q0.jpg")), readBytes(path("q100.jpg")));
    EXPECT_EQ(readBytes(path("q150.jpg")), readBytes(path("q100.jpg")));
    EXPECT_NE(readBytes(path("q50.jpg")), readBytes(path("q100.jpg")));
}

TEST_F(PictureFiles, ExtensionIsForcedToJpg)
{
    Picture picture = solidBitmap(4, 4, {0, 0, 0});
    ASSERT_TRUE(SaveJpeg(picture, path("picture.png"), 80));
    EXPECT_TRUE(QFile::exists(path("picture.jpg")));
    EXPECT_FALSE(QFile::exists(path("picture.png")));
    ASSERT_TRUE(SaveJpeg(picture, path("noextension"), 80));
    EXPECT_TRUE(QFile::exists(path("noextension.jpg")));
}

TEST_F(PictureFiles, EmptyPictureWritesNothing)
{
    Picture picture;
    EXPECT_FALSE(SaveJpeg(picture, path("empty.jpg"), 80));
    EXPECT_FALSE(SaveGif(picture, path("empty.gif")));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(PictureFiles, UnwritablePathRaisesAndKeepsTheBitmap)
{
    Picture picture;
    LoadPicture(picture, testData("nikon-d2h.jpg"));
    EXPECT_THROW(SaveJpeg(picture, path("missing/folder/x.jpg"), 80), LumiError);
    EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
    EXPECT_EQ(picture.width(), 500);
    EXPECT_THROW(SaveGif(picture, path("missing/folder/x.gif")), LumiError);
}

TEST_F(PictureFiles, UnchangedJpegPassesThroughAtQualityHundred)
{
    const QByteArray original = readBytes(testData("nikon-d2h.jpg"));
    Picture picture;
    LoadPicture(picture, testData("nikon-d2h.jpg"));
    ScalePicture(picture, 500, 375, true, 0); // its own size: nothing changes
    ASSERT_TRUE(SaveJpeg(picture, path("copy.jpg"), 100));
    EXPECT_EQ(readBytes(path("copy.jpg")), original);
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
    // Any change makes it a bitmap, which is encoded anew.
    Brightness(picture, 1);
    ASSERT_TRUE(SaveJpeg(picture, path("changed.jpg"), 100));
    EXPECT_NE(readBytes(path("changed.jpg")), original);
}

TEST_F(PictureFiles, JpegBelowQualityHundredIsReencoded)
{
    Picture picture;
    LoadPicture(picture, testData("nikon-d2h.jpg"));
    ASSERT_TRUE(SaveJpeg(picture, path("q80.jpg"), 80));
    EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
    EXPECT_NE(readBytes(path("q80.jpg")), readBytes(testData("nikon-d2h.jpg")));
}

TEST(LoadPicture, CameraJpegAtFullSize)
{
    Picture picture;
    LoadPicture(picture, testData("nikon-d2h.jpg"));
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
    EXPECT_EQ(picture.width(), 500);
    EXPECT_EQ(picture.height(), 375);
    EXPECT_EQ(picture.image().format(), QImage::Format_RGB888);
}

TEST(LoadPicture, ExifOrientationIsMadeUpright)
{
    // Eight files of the same upright picture, stored turned and mirrored each way.
    Picture upright;
    LoadPicture(upright, testData("orientation-1.jpg"));
    ASSERT_EQ(upright.width(), 40);
    ASSERT_EQ(upright.height(), 80);
    for (int n = 2; n <= 8; ++n) {
        Picture picture;
        LoadPicture(picture, testData(QStringLiteral("orientation-%1.jpg").arg(n).toLatin1()));
        EXPECT_EQ(picture.width(), 40) << n;
        EXPECT_EQ(picture.height(), 80) << n;
        EXPECT_LE(maxDifference(picture.image(), upright.image()), 64) << n;
        // Turned upright, its bytes would be shown turned again: no pass-through.
        EXPECT_TRUE(picture.jpegData().isEmpty()) << n;
    }
    EXPECT_FALSE(upright.jpegData().isEmpty());
}

TEST(LoadPicture, CameraPhotoWithOrientationComesOutUpright)
{
    Picture plain;
    LoadPicture(plain, testData("nikon-d2h.jpg"));
    Picture turned; // the same file with orientation 8 (turned 270 degrees clockwise)
    LoadPicture(turned, testData("nikon-d2h-orientation8.jpg"));
    ASSERT_EQ(turned.width(), 375);
    ASSERT_EQ(turned.height(), 500);
    Rotate90(turned); // a quarter turn more brings it back to the stored picture
    ToBitmap(plain);
    EXPECT_TRUE(samePixels(turned.image(), plain.image()));

    Picture phone; // a phone photo stored 205 x 102 with orientation 6
    LoadPicture(phone, testData("iphone4s-orientation6.jpg"));
    EXPECT_EQ(phone.width(), 102);
    EXPECT_EQ(phone.height(), 205);
}

TEST(LoadPicture, GreyscaleCmykAndProgressiveJpegs)
{
    Picture grey;
    LoadPicture(grey, testData("grey.jpg"));
    ASSERT_EQ(grey.width(), 8);
    for (int x = 0; x < 8; ++x) {
        const Rgb p = pixelAt(grey, x, 2);
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
    }
    EXPECT_LT(pixelAt(grey, 0, 0)[0], pixelAt(grey, 0, 3)[0]); // black to white downwards

    Picture cmyk; // written from rgb(200, 40, 10) with Adobe's inverted CMYK
    LoadPicture(cmyk, testData("cmyk.jpg"));
    expectNear(pixelAt(cmyk, 3, 2), {200, 40, 10}, 8);

    Picture progressive;
    LoadPicture(progressive, testData("progressive.jpg"));
    expectNear(pixelAt(progressive, 5, 5), {30, 160, 90}, 4);
}

TEST(LoadPicture, OtherKindsLoadAs24BitColour)
{
    const struct
    {
        const char* file;
        PictureKind kind;
    } cases[] = {{"deep16.png", PictureKind::Png},
                 {"deep16.tif", PictureKind::Tiff},
                 {"palette.png", PictureKind::Png},
                 {"palette.tif", PictureKind::Tiff}};
    for (const auto& c : cases) {
        Picture picture;
        LoadPicture(picture, testData(c.file));
        EXPECT_EQ(picture.kind(), c.kind) << c.file;
        ToBitmap(picture);
        ASSERT_EQ(picture.width(), 4) << c.file;
        EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{10, 20, 30})) << c.file;
        EXPECT_EQ(pixelAt(picture, 1, 0), (Rgb{250, 128, 0})) << c.file;
    }
    Picture bmp;
    LoadPicture(bmp, testData("plain.bmp"));
    EXPECT_EQ(bmp.kind(), PictureKind::Bitmap);
    EXPECT_EQ(pixelAt(bmp, 4, 2), (Rgb{9, 99, 199}));

    Picture icon;
    LoadPicture(icon, testData("icon.ico"));
    EXPECT_EQ(icon.kind(), PictureKind::Icon);
    EXPECT_EQ(icon.width(), 16);
    ToBitmap(icon);
    EXPECT_EQ(pixelAt(icon, 8, 8), (Rgb{0, 128, 255}));
}

TEST(LoadPicture, TransparentAreasBecomeWhite)
{
    for (const char* file : {"transparent.gif", "transparent.png"}) {
        Picture picture;
        LoadPicture(picture, testData(file));
        ToBitmap(picture);
        EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{255, 0, 0})) << file;
        EXPECT_EQ(pixelAt(picture, 1, 1), (Rgb{0, 0, 255})) << file;
        EXPECT_EQ(pixelAt(picture, 3, 1), (Rgb{255, 255, 255})) << file;
    }
}

TEST(LoadPicture, AnimatedGifGivesItsFirstFrame)
{
    Picture picture;
    LoadPicture(picture, testData("two-frames.gif"));
    EXPECT_EQ(picture.kind(), PictureKind::Gif);
    ToBitmap(picture);
    EXPECT_EQ(pixelAt(picture, 2, 1), (Rgb{255, 0, 0}));
}

TEST(LoadPicture, MetafilesAreDrawnAtTheirOwnSize)
{
    for (const char* file : {"halfred.wmf", "halfred.emf"}) {
        Picture picture;
        LoadPicture(picture, testData(file));
        EXPECT_EQ(picture.kind(), PictureKind::Metafile) << file;
        EXPECT_NEAR(picture.width(), 100, 1) << file;
        EXPECT_NEAR(picture.height(), 50, 1) << file;
        ToBitmap(picture);
        EXPECT_EQ(pixelAt(picture, 10, 25), (Rgb{255, 0, 0})) << file;
        EXPECT_EQ(pixelAt(picture, 80, 25), (Rgb{255, 255, 255})) << file;
    }
}

TEST_F(PictureFiles, ExtensionIsComparedWithoutCase)
{
    QFile::copy(testData("nikon-d2h.jpg"), path("CAPS.JPG"));
    Picture picture;
    LoadPicture(picture, path("CAPS.JPG"));
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
}

TEST_F(PictureFiles, BadInputRaisesAndKeepsThePicture)
{
    const QByteArray jpeg = readBytes(testData("nikon-d2h.jpg"));
    writeBytes(path("picture.xyz"), jpeg);
    EXPECT_NE(loadError(path("picture.xyz")).find("Unbekanntes Bildformat"), std::string::npos);
    EXPECT_NE(loadError(path("noextension")).find("Unbekanntes"), std::string::npos);
    EXPECT_NE(loadError(path("missing.jpg")).find("nicht gefunden"), std::string::npos);

    writeBytes(path("zero.jpg"), {});
    EXPECT_NE(loadError(path("zero.jpg")).find("Leere Datei"), std::string::npos);
    writeBytes(path("zero.png"), {});
    EXPECT_NE(loadError(path("zero.png")).find("Leere Datei"), std::string::npos);

    QDir(dir.path()).mkdir(QStringLiteral("folder.jpg"));
    EXPECT_NE(loadError(path("folder.jpg")).find("Keine Bilddatei"), std::string::npos);

    writeBytes(path("truncated.jpg"), jpeg.left(jpeg.size() / 2));
    EXPECT_NE(loadError(path("truncated.jpg")).find("unvollständige Datei"), std::string::npos);
    writeBytes(path("header-only.jpg"), jpeg.left(600));
    loadError(path("header-only.jpg"));
    writeBytes(path("garbage.jpg"), QByteArray(5000, 'x'));
    EXPECT_NE(loadError(path("garbage.jpg")).find("Fehlerhafte JPEG-Datei"), std::string::npos);

    // Files whose extension lies about their content.
    writeBytes(path("png-inside.jpg"), readBytes(testData("palette.png")));
    loadError(path("png-inside.jpg"));
    writeBytes(path("jpeg-inside.png"), jpeg);
    loadError(path("jpeg-inside.png"));
    writeBytes(path("jpeg-inside.wmf"), jpeg);
    loadError(path("jpeg-inside.wmf"));
    writeBytes(path("jpeg-inside.emf"), jpeg);
    loadError(path("jpeg-inside.emf"));

    const std::pair<const char*, const char*> cutShort[] = {
        {"truncated.png", "deep16.png"},
        {"truncated.gif", "two-frames.gif"},
        {"truncated.tif", "deep16.tif"},
    };
    for (const auto& [name, source] : cutShort) {
        const QByteArray whole = readBytes(testData(source));
        writeBytes(path(name), whole.left(whole.size() / 3));
        loadError(path(name));
    }
    const QByteArray wmf = readBytes(testData("halfred.wmf"));
    writeBytes(path("truncated.wmf"), wmf.left(60));
    loadError(path("truncated.wmf"));
    const QByteArray emf = readBytes(testData("halfred.emf"));
    writeBytes(path("truncated.emf"), emf.left(100));
    loadError(path("truncated.emf"));
}

TEST_F(PictureFiles, HeadersClaimingHugeSizesAreRefusedBeforeDecoding)
{
    // The small JPEG with its frame header patched to 60000 x 60000.
    QByteArray jpeg = readBytes(testData("progressive.jpg"));
    const qsizetype sof = jpeg.indexOf("\xff\xc2");
    ASSERT_GT(sof, 0);
    putBigEndian(jpeg, int(sof) + 5, 60000, 2);
    putBigEndian(jpeg, int(sof) + 7, 60000, 2);
    writeBytes(path("huge.jpg"), jpeg);
    EXPECT_NE(loadError(path("huge.jpg")).find("zu groß"), std::string::npos);

    // A PNG whose header says 65500 x 65500 (with a correct checksum).
    QByteArray png = readBytes(testData("palette.png"));
    putBigEndian(png, 16, 65500, 4);
    putBigEndian(png, 20, 65500, 4);
    putBigEndian(png, 29, crc32(png.mid(12, 17)), 4);
    writeBytes(path("huge.png"), png);
    EXPECT_NE(loadError(path("huge.png")).find("zu groß"), std::string::npos);
}

TEST_F(PictureFiles, GifKeepsFewColoursExactly)
{
    Picture picture = makeBitmap(6, 4, [](int x, int y) {
        return (x + y) % 3 == 0 ? Rgb{255, 0, 0} : (x < 3 ? Rgb{0, 128, 0} : Rgb{20, 40, 250});
    });
    ASSERT_TRUE(SaveGif(picture, path("few.png")));
    EXPECT_FALSE(QFile::exists(path("few.png")));
    Picture loaded;
    LoadPicture(loaded, path("few.gif"));
    EXPECT_EQ(loaded.kind(), PictureKind::Gif);
    ToBitmap(loaded);
    EXPECT_TRUE(samePixels(loaded.image(), picture.image()));
    EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
}

TEST_F(PictureFiles, GifOfAPhotoHasAtMost256Colours)
{
    Picture photo;
    LoadPicture(photo, testData("nikon-d2h.jpg"));
    ASSERT_TRUE(SaveGif(photo, path("photo.gif")));
    QImageReader reader(path("photo.gif"));
    const QImage image = reader.read();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(500, 375));
    EXPECT_LE(image.colorCount(), 256);
    // Colours stay close on average: the palette follows the picture.
    Picture loaded;
    LoadPicture(loaded, path("photo.gif"));
    ToBitmap(loaded);
    ToBitmap(photo);
    long long total = 0;
    for (int y = 0; y < 375; ++y) {
        for (int x = 0; x < 500 * 3; ++x) {
            total +=
                std::abs(photo.image().constScanLine(y)[x] - loaded.image().constScanLine(y)[x]);
        }
    }
    EXPECT_LT(double(total) / (500 * 375 * 3), 8.0);
}

TEST(LoadPicture, InputsFoundByFuzzingFailCleanly)
{
    const QDir crashers(QStringLiteral(LUMIVISTA_TEST_DATA "/pic/crashers"));
    const QStringList names = crashers.entryList(QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        Picture picture;
        try {
            LoadPicture(picture, crashers.filePath(name));
            ToBitmap(picture);
        } catch (const LumiError&) {
        }
    }
}

TEST(LoadPicture, JpegWhoseScanStopsShortIsIncomplete)
{
    // The first half of a photo closed with an end marker: blocks are missing.
    QByteArray jpeg = readBytes(testData("nikon-d2h.jpg"));
    jpeg = jpeg.left(jpeg.size() / 2) + QByteArray("\xff\xd9", 2);
    Picture picture;
    try {
        LoadPictureData(picture, jpeg, QStringLiteral("jpg"));
        ADD_FAILURE() << "no error";
    } catch (const LumiError& error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral("unvollständige Datei")));
    }
    EXPECT_TRUE(picture.isEmpty());
}

TEST(LoadPicture, GifOfThousandsOfFramesGivesTheFirstQuickly)
{
    // 20000 frames of one pixel each, colour 0 (red) in the first, all in a 2-colour table.
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\xff", 19);
    const QByteArray frame("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 15);
    for (int i = 0; i < 20000; ++i) {
        gif += frame;
    }
    gif += '\x3b';
    QElapsedTimer timer;
    timer.start();
    Picture picture;
    LoadPictureData(picture, gif, QStringLiteral("gif"));
    EXPECT_LT(timer.elapsed(), 3000);
    ToBitmap(picture);
    EXPECT_EQ(picture.width(), 1);
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{255, 0, 0}));
}

TEST(LoadPicture, DemoPhotosLoadUpright)
{
    const struct
    {
        const char* file;
        int width;
        int height;
    } photos[] = {
        {"wood.jpg", 2560, 1920}, {"storm.jpg", 1920, 1280}, {"throne-hall.jpg", 500, 375}};
    for (const auto& photo : photos) {
        Picture picture;
        LoadPicture(picture, QStringLiteral(LUMIVISTA_SOURCE_DIR "/examples/demo/photos/") +
                                 QLatin1String(photo.file));
        EXPECT_EQ(picture.width(), photo.width) << photo.file;
        EXPECT_EQ(picture.height(), photo.height) << photo.file;
    }
}

// Qt's readers refuse images above their own allocation limit (128 MB by default); a
// panorama with transparency well within the program's pixel limit must still load.
TEST(LoadPicture, LargeTransparentPngAboveQtsDefaultLimitLoads)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage big(8000, 6000, QImage::Format_ARGB32); // 192 MB decoded
    big.fill(QColor(10, 200, 30, 128));
    const QString path = dir.filePath(QStringLiteral("panorama.png"));
    QImageWriter writer(path, "png");
    writer.setCompression(1);
    ASSERT_TRUE(writer.write(big)) << qPrintable(writer.errorString());
    big = QImage();

    Picture picture;
    LoadPicture(picture, path);
    EXPECT_EQ(picture.width(), 8000);
    EXPECT_EQ(picture.height(), 6000);
}
