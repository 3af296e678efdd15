// Rounding, clamping, ToBitmap and the box scaler on tiny synthetic pictures.
#include "pictesting.h"

#include "util/error.h"

#include <gtest/gtest.h>

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(RoundHalfEven(4.5), 4);
    EXPECT_EQ(RoundHalfEven(5.5), 6);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(127.5), 128);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(RoundHalfEven(-0.6), -1);
    EXPECT_EQ(RoundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<long long>::max());
}

TEST(Clamp, KeepsValuesInsideTheRange)
{
    EXPECT_EQ(Clamp(300, 0, 255), 255);
    EXPECT_EQ(Clamp(-1, 0, 255), 0);
    EXPECT_EQ(Clamp(17, 0, 255), 17);
}

TEST(Picture, EmptyPictureReportsZeroSize)
{
    Picture picture;
    EXPECT_TRUE(picture.isEmpty());
    EXPECT_EQ(picture.width(), 0);
    EXPECT_EQ(picture.height(), 0);
}

TEST(Picture, TransparentBitmapUsesBottomLeftPixelAsKeyColour)
{
    Picture logo = makeBitmap(3, 2, [](int x, int y) {
        return x == 0 && y == 1 ? Rgb{1, 2, 3} : Rgb{9, 9, 9};
    });
    EXPECT_FALSE(logo.keyColour().has_value());
    logo.setTransparent(true);
    ASSERT_TRUE(logo.keyColour().has_value());
    EXPECT_EQ(*logo.keyColour(), qRgb(1, 2, 3));
    logo.setKeyColour(qRgb(9, 9, 9));
    EXPECT_EQ(*logo.keyColour(), qRgb(9, 9, 9));
}

TEST(ToBitmap, EmptyPictureBecomesWhite200By40)
{
    Picture picture;
    ToBitmap(picture);
    ASSERT_EQ(picture.kind(), PictureKind::Bitmap);
    EXPECT_EQ(picture.width(), 200);
    EXPECT_EQ(picture.height(), 40);
    EXPECT_EQ(picture.image().format(), QImage::Format_RGB888);
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixelAt(picture, 199, 39), (Rgb{255, 255, 255}));
}

TEST(ToBitmap, TransparencyIsMixedWithWhite)
{
    QImage image(3, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(0, 0, 0, 0));      // transparent
    image.setPixel(1, 0, qRgba(0, 0, 0, 128));    // half
    image.setPixel(2, 0, qRgba(10, 20, 30, 255)); // opaque
    Picture picture;
    picture.setRaster(PictureKind::Png, image);
    ToBitmap(picture);
    ASSERT_EQ(picture.kind(), PictureKind::Bitmap);
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixelAt(picture, 1, 0), (Rgb{127, 127, 127})); // 255 * 127 / 255
    EXPECT_EQ(pixelAt(picture, 2, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(picture.image().dotsPerMeterX(), 3780);
}

TEST(ToBitmap, DropsTheCompressedJpegBytes)
{
    Picture picture;
    QImage image(2, 2, QImage::Format_RGB888);
    image.fill(Qt::red);
    picture.setRaster(PictureKind::Jpeg, image, QByteArray("jpegbytes"));
    EXPECT_FALSE(picture.jpegData().isEmpty());
    ToBitmap(picture);
    EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
    EXPECT_TRUE(picture.jpegData().isEmpty());
}

namespace {

QSize scaled(int W, int H, int w, int h, bool keepAspect, int direction)
{
    Picture picture = solidBitmap(W, H, {1, 2, 3});
    ScalePicture(picture, w, h, keepAspect, direction);
    return {picture.width(), picture.height()};
}

} // namespace

TEST(ScalePicture, FitsIntoTheBox)
{
    EXPECT_EQ(scaled(1000, 500, 640, 480, true, 0), QSize(640, 320));
    EXPECT_EQ(scaled(1000, 500, 0, 300, true, 0), QSize(600, 300));
    EXPECT_EQ(scaled(1000, 500, 0, 300, false, 0), QSize(1000, 300));
    EXPECT_EQ(scaled(1000, 500, 0, 0, true, 0), QSize(1000, 500));
    EXPECT_EQ(scaled(1000, 500, 0, 0, false, 0), QSize(1000, 500));
    EXPECT_EQ(scaled(1000, 500, -5, -1, true, 0), QSize(1000, 500));
    EXPECT_EQ(scaled(500, 1000, 640, 480, true, 0), QSize(240, 480));
    EXPECT_EQ(scaled(1000, 500, 640, 480, false, 0), QSize(640, 480));
}

TEST(ScalePicture, Direction)
{
    EXPECT_EQ(scaled(320, 240, 640, 480, true, 0), QSize(640, 480));
    EXPECT_EQ(scaled(320, 240, 640, 480, true, -1), QSize(320, 240));
    EXPECT_EQ(scaled(320, 240, 640, 480, true, 1), QSize(640, 480));
    EXPECT_EQ(scaled(1000, 500, 0, 600, true, -1), QSize(1000, 500));
    EXPECT_EQ(scaled(1000, 500, 0, 300, true, -1), QSize(600, 300));
    EXPECT_EQ(scaled(1000, 500, 640, 480, true, 1), QSize(1000, 500));
}

TEST(ScalePicture, RoundsHalvesToEven)
{
    EXPECT_EQ(scaled(4, 3, 6, 0, true, 0), QSize(6, 4));   // 4.5 -> 4
    EXPECT_EQ(scaled(4, 3, 10, 0, true, 0), QSize(10, 8)); // 7.5 -> 8
}

TEST(ScalePicture, NeverMakesAnEmptyPicture)
{
    EXPECT_EQ(scaled(1000, 1, 10, 0, true, 0), QSize(10, 1));
}

TEST(ScalePicture, EmptyPictureStaysEmpty)
{
    Picture picture;
    ScalePicture(picture, 100, 100, true, 0);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(ScalePicture, UnchangedSizeKeepsTheGraphic)
{
    Picture picture;
    QImage image(4, 4, QImage::Format_RGB888);
    image.fill(Qt::blue);
    picture.setRaster(PictureKind::Jpeg, image, QByteArray("x"));
    ScalePicture(picture, 4, 4, true, 0);
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
    ScalePicture(picture, 2, 2, true, 0);
    EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
}

TEST(ScalePicture, HugeTargetIsRefusedWithoutAllocating)
{
    Picture picture = solidBitmap(10, 10, {0, 0, 0});
    EXPECT_THROW(ScalePicture(picture, 60000, 60000, false, 0), LumiError);
    EXPECT_EQ(picture.width(), 10);
}

TEST(ScalePicture, PointSamplingRepeatsAndDropsPixels)
{
    // Columns 0..3 in distinct colours; doubling repeats each, halving keeps every other.
    Picture picture = makeBitmap(4, 1, [](int x, int) { return Rgb{x * 10, 0, 0}; });
    ScalePicture(picture, 8, 2, false, 0);
    ASSERT_EQ(picture.width(), 8);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(pixelAt(picture, x, 0)[0], (x / 2) * 10) << x;
        EXPECT_EQ(pixelAt(picture, x, 1)[0], (x / 2) * 10) << x;
    }
    ScalePicture(picture, 4, 1, false, 0);
    ScalePicture(picture, 2, 1, false, 0);
    // Each target pixel samples the source at its centre: columns 1 and 3.
    EXPECT_EQ(pixelAt(picture, 0, 0)[0], 10);
    EXPECT_EQ(pixelAt(picture, 1, 0)[0], 30);
    // No averaging: every result level is one of the source levels.
    Picture noisy = patternBitmap(7, 5);
    ScalePicture(noisy, 3, 11, false, 0);
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 3; ++x) {
            const Rgb p = pixelAt(noisy, x, y);
            bool found = false;
            const Picture source = patternBitmap(7, 5);
            for (int sy = 0; sy < 5 && !found; ++sy) {
                for (int sx = 0; sx < 7 && !found; ++sx) {
                    found = pixelAt(source, sx, sy) == p;
                }
            }
            EXPECT_TRUE(found) << x << "," << y;
        }
    }
}

TEST(ReplaceExtension, ChangesOnlyTheFileNamesExtension)
{
    EXPECT_EQ(replaceExtension(QStringLiteral("/a/b.png"), QStringLiteral(".jpg")),
              QStringLiteral("/a/b.jpg"));
    EXPECT_EQ(replaceExtension(QStringLiteral("/a.d/b"), QStringLiteral(".jpg")),
              QStringLiteral("/a.d/b.jpg"));
    EXPECT_EQ(replaceExtension(QStringLiteral("b.tar.gz"), QStringLiteral(".gif")),
              QStringLiteral("b.tar.gif"));
}
