// The optimiser's window-free logic: texts, sizes, crop frame, test files, previews, Undo.
#include "pic/optimiser.h"

#include "pic/colour.h"
#include "pictesting.h"
#include "util/error.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);

} // namespace

TEST(OptimiserTexts, CaptionReplacesTheBracketedPart)
{
    const QString first =
        optimiserCaption(QStringLiteral("JPG optimieren"), QStringLiteral("foto.jpg"), {1024, 768});
    EXPECT_EQ(first, QStringLiteral("JPG optimieren [foto.jpg] (1024 x 768)"));
    EXPECT_EQ(optimiserCaption(first, QStringLiteral("clip"), {640, 480}),
              QStringLiteral("JPG optimieren [clip] (640 x 480)"));
    // Only the part before the first " [" is kept.
    EXPECT_EQ(optimiserCaption(QStringLiteral("A [b] [c]"), QStringLiteral("d [e].jpg"), {1, 2}),
              QStringLiteral("A [d [e].jpg] (1 x 2)"));
}

TEST(OptimiserTexts, ByteCountsWithThousandsSeparators)
{
    EXPECT_EQ(byteCountText(123456, kGerman), QStringLiteral("123.456 Bytes"));
    EXPECT_EQ(byteCountText(999, kGerman), QStringLiteral("999 Bytes"));
    EXPECT_EQ(byteCountText(0, kGerman), QStringLiteral("0 Bytes"));
    EXPECT_EQ(byteCountText(1234567890, kGerman), QStringLiteral("1.234.567.890 Bytes"));
    // The C locale leaves out group separators unless asked; "#,##0" always groups.
    EXPECT_EQ(byteCountText(123456, QLocale::c()), QStringLiteral("123,456 Bytes"));
    EXPECT_EQ(qualityTestText(80, 45231, kGerman), QStringLiteral("Q: 80%,  45.231 Bytes"));
}

TEST(OptimiserSizes, PercentAndProportions)
{
    EXPECT_EQ(effectivePercent(0), 1);
    EXPECT_EQ(effectivePercent(-3), 1);
    EXPECT_EQ(effectivePercent(50), 50);
    EXPECT_EQ(sizeForPercent({1024, 768}, 50), QSize(512, 384));
    EXPECT_EQ(sizeForPercent({281, 211}, 50), QSize(140, 105)); // div drops the rest
    EXPECT_EQ(sizeForPercent({281, 211}, 200), QSize(562, 422));
    EXPECT_EQ(sizeForPercent({1024, 768}, 1), QSize(10, 7));
    EXPECT_EQ(proportionalHeight({1024, 768}, 800), 600);
    EXPECT_EQ(proportionalWidth({1024, 768}, 600), 800);
    EXPECT_EQ(proportionalHeight({4, 3}, 6), 4);  // 4.5 to the even 4
    EXPECT_EQ(proportionalHeight({4, 3}, 10), 8); // 7.5 to the even 8
    EXPECT_EQ(proportionalHeight({0, 0}, 10), 10);
    // No overflow for the largest sizes the fields allow.
    EXPECT_EQ(proportionalHeight({65500, 65500}, 131000), 131000);
}

TEST(OptimiserCrop, FramePlacement)
{
    // A 720 by 540 picture shown at 360 by 270: x = 2.
    const QRect view(0, 0, 360, 270);
    EXPECT_EQ(cropFrame({720, 540}, view, 0, 0, 0, 0), QRect(-1, -1, 362, 272));
    EXPECT_EQ(cropFrame({720, 540}, view, 10, 20, 30, 40), QRect(4, 9, 342, 242));
    EXPECT_EQ(cropFrame({720, 540}, QRect(10, 5, 360, 270), 10, 20, 30, 40),
              QRect(14, 14, 342, 242));
    // x = 4: 0.5 rounds to 0, 1.5 to 2.
    EXPECT_EQ(cropFrame({1440, 1080}, view, 2, 6, 0, 0).topLeft(), QPoint(-1, 1));
    EXPECT_EQ(cropFrame({1440, 1080}, QRect(), 2, 6, 0, 0), QRect());
}

TEST(OptimiserCrop, InvertedFrameLine)
{
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    drawInvertedFrame(image, QRect(1, 1, 8, 8), 3);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(3, 5), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(4, 4), qRgb(0, 0, 0)); // inside the line
    EXPECT_EQ(image.pixel(8, 8), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(9, 9), qRgb(0, 0, 0));
    // A frame reaching outside the image is clipped.
    QImage small(4, 4, QImage::Format_RGB32);
    small.fill(Qt::black);
    drawInvertedFrame(small, QRect(-1, -1, 6, 6), 3);
    EXPECT_EQ(small.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(small.pixel(3, 3), qRgb(255, 255, 255));
}

TEST(OptimiserTestFile, MadeOnceReusedAndRemoved)
{
    QString temp;
    QString jpeg;
    {
        QualityTestFile file;
        EXPECT_FALSE(file.isMade());
        jpeg = file.jpegName();
        temp = file.tempName();
        EXPECT_TRUE(QFileInfo::exists(temp));
        EXPECT_TRUE(jpeg.endsWith(QStringLiteral(".jpg")));
        EXPECT_EQ(QFileInfo(jpeg).completeBaseName(), QFileInfo(temp).completeBaseName());
        EXPECT_EQ(file.jpegName(), jpeg);
        QFile out(jpeg);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("x");
        out.close();
        file.remove();
        EXPECT_FALSE(QFileInfo::exists(temp));
        EXPECT_FALSE(QFileInfo::exists(jpeg));
        EXPECT_FALSE(file.isMade());
        jpeg = file.jpegName();
        temp = file.tempName();
    }
    // The destructor deletes them too.
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_FALSE(QFileInfo::exists(jpeg));
}

TEST(OptimiserPictures, SamplePicture)
{
    const Picture sample = makeSamplePicture();
    EXPECT_EQ(sample.kind(), PictureKind::Bitmap);
    EXPECT_EQ(sample.width(), 281);
    EXPECT_EQ(sample.height(), 211);
    EXPECT_NE(pixelAt(sample, 10, 5), pixelAt(sample, 10, 205));
}

TEST(OptimiserPictures, CorrectionPreviewsLeaveTheWorkingPicture)
{
    const Picture working = solidBitmap(3, 2, {250, 100, 0});
    EXPECT_EQ(pixelAt(lightPreview(working, {false, 30, 0, 0}), 1, 1), (Rgb{255, 130, 30}));
    // Inversion comes first.
    EXPECT_EQ(pixelAt(lightPreview(working, {true, 30, 0, 0}), 0, 0), (Rgb{35, 185, 255}));
    EXPECT_EQ(pixelAt(lightPreview(working, {false, 0, -100, 0}), 0, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(pixelAt(working, 0, 0), (Rgb{250, 100, 0}));

    const Picture grey = solidBitmap(2, 2, {100, 100, 100});
    EXPECT_EQ(pixelAt(tonePreview(grey, {false, true, 0, 0, 0}), 0, 0), (Rgb{110, 100, 60}));
    EXPECT_EQ(pixelAt(tonePreview(working, {true, false, 0, 0, 0}), 0, 0), (Rgb{134, 134, 134}));
    EXPECT_EQ(pixelAt(tonePreview(working, {false, false, -100, 0, 0}), 0, 0), (Rgb{0, 100, 0}));
    EXPECT_TRUE(samePixels(tonePreview(working, {}).image(), working.image()));
}

TEST(OptimiserPictures, TextPreview)
{
    const Picture working = solidBitmap(80, 30, {255, 255, 255});
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    EXPECT_TRUE(samePixels(textPreview(working, {}, font, 0, 0, 0, 0, 0).image(), working.image()));
    const Picture stamped = textPreview(working, QStringLiteral("MMM"), font, 0, 2, 2, 0, 0);
    EXPECT_FALSE(samePixels(stamped.image(), working.image()));
    // Bottom right with offsets: nothing lands in the top-left corner.
    const Picture corner = textPreview(working, QStringLiteral("M"), font, 0, 0, 0, 2, 2);
    EXPECT_EQ(pixelAt(corner, 0, 0), (Rgb{255, 255, 255}));
}

TEST(OptimiserPictures, LogoWithKeyColourAndSize)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logo.bmp"));
    // White background (the bottom-left pixel), one black pixel at (1, 0).
    Picture logoSource = makeBitmap(3, 2, [](int x, int y) {
        return x == 1 && y == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    });
    ASSERT_TRUE(logoSource.image().save(path));
    Picture logo;
    loadOptimiserLogo(logo, path, 100);
    EXPECT_TRUE(logo.isTransparent());
    const Picture working = solidBitmap(10, 6, {200, 0, 0});
    const Picture blended = blendPreview(working, logo, 0, 2, 2, 0, 0); // bottom right
    EXPECT_EQ(pixelAt(blended, 8, 4), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixelAt(blended, 7, 4), (Rgb{200, 0, 0})); // white logo pixel skipped
    EXPECT_EQ(pixelAt(blended, 8, 5), (Rgb{200, 0, 0}));
    EXPECT_EQ(pixelAt(working, 8, 4), (Rgb{200, 0, 0}));
    EXPECT_TRUE(
        samePixels(blendPreview(working, Picture(), 0, 0, 0, 0, 0).image(), working.image()));

    const QString big = dir.filePath(QStringLiteral("big.bmp"));
    ASSERT_TRUE(solidBitmap(101, 51, {0, 0, 0}).image().save(big));
    loadOptimiserLogo(logo, big, 50);
    EXPECT_EQ(QSize(logo.width(), logo.height()), QSize(50, 25));
    // A file that cannot be loaded leaves the logo as it was.
    EXPECT_THROW(loadOptimiserLogo(logo, dir.filePath(QStringLiteral("none.bmp")), 100), LumiError);
    EXPECT_EQ(logo.width(), 50);
}

TEST(OptimiserPictures, MaskOfAnotherSizeIsStretchedOnACopy)
{
    const Picture working = solidBitmap(40, 30, {200, 100, 50});
    // Left half black, right half white.
    const Picture mask = makeBitmap(4, 3, [](int x, int) {
        return x < 2 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    });
    const Picture masked = maskPreview(working, mask, 0x0000ff); // red
    EXPECT_EQ(QSize(masked.width(), masked.height()), QSize(40, 30));
    EXPECT_EQ(pixelAt(masked, 0, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixelAt(masked, 19, 29), (Rgb{255, 0, 0}));
    EXPECT_EQ(pixelAt(masked, 20, 0), (Rgb{200, 100, 50}));
    EXPECT_EQ(pixelAt(masked, 39, 29), (Rgb{200, 100, 50}));
    EXPECT_EQ(mask.width(), 4);
    EXPECT_TRUE(samePixels(maskPreview(working, Picture(), 0).image(), working.image()));
}

TEST(OptimiserPictures, ResizeWithText)
{
    Picture working = solidBitmap(100, 50, {255, 255, 255});
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    resizeWithText(working, {50, 40}, true, {}, font, 0, 0, 0);
    EXPECT_EQ(QSize(working.width(), working.height()), QSize(50, 25));
    resizeWithText(working, {60, 40}, false, QStringLiteral("I"), font, 0, 30, 5);
    EXPECT_EQ(QSize(working.width(), working.height()), QSize(60, 40));
    int dark = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            dark += pixelAt(working, x, y)[0] < 128 ? 1 : 0;
            if (pixelAt(working, x, y)[0] < 128) {
                EXPECT_GE(x, 30);
                EXPECT_GE(y, 5);
            }
        }
    }
    EXPECT_GT(dark, 0);
}

TEST(OptimiserHistory, KeepsTheLastTenPictures)
{
    EditHistory history;
    EXPECT_FALSE(history.canUndo());
    EXPECT_TRUE(history.pop().isEmpty());
    for (int i = 1; i <= 12; ++i) {
        history.push(solidBitmap(i, 1, {0, 0, 0}));
    }
    EXPECT_EQ(history.size(), EditHistory::kDepth);
    EXPECT_EQ(history.pop().width(), 12);
    EXPECT_EQ(history.pop().width(), 11);
    while (history.size() > 1) {
        history.pop();
    }
    EXPECT_EQ(history.pop().width(), 3);
    EXPECT_FALSE(history.canUndo());
}
