// Crop, mirrors, quarter turns and the colour mask.
#include "pictesting.h"

#include "pic/filters.h"

#include <gtest/gtest.h>

TEST(Crop, CutsTheMargins)
{
    Picture picture = patternBitmap(100, 80);
    const Picture original = picture;
    Crop(picture, 5, 5, 5, 5);
    ASSERT_EQ(picture.width(), 90);
    ASSERT_EQ(picture.height(), 70);
    EXPECT_EQ(pixelAt(picture, 0, 0), pixelAt(original, 5, 5));
    EXPECT_EQ(pixelAt(picture, 89, 69), pixelAt(original, 94, 74));
    Crop(picture, 1, 2, 3, 4);
    EXPECT_EQ(picture.width(), 86);
    EXPECT_EQ(picture.height(), 64);
    EXPECT_EQ(pixelAt(picture, 0, 0), pixelAt(original, 6, 7));
}

TEST(Crop, NothingWhenNothingWouldRemainOrAllMarginsAreZero)
{
    Picture jpeg;
    QImage image(20, 10, QImage::Format_RGB888);
    image.fill(Qt::green);
    jpeg.setRaster(PictureKind::Jpeg, image, QByteArray("x"));
    Crop(jpeg, 0, 0, 0, 0);
    EXPECT_EQ(jpeg.kind(), PictureKind::Jpeg);
    Crop(jpeg, 10, 0, 10, 0); // left + right equals the width
    EXPECT_EQ(jpeg.width(), 20);
    Crop(jpeg, 0, 9, 0, 5);
    EXPECT_EQ(jpeg.height(), 10);
    Crop(jpeg, -3, 0, 0, -1); // negative margins count as 0
    EXPECT_EQ(jpeg.width(), 20);
    Crop(jpeg, 2, 0, 0, 0);
    EXPECT_EQ(jpeg.kind(), PictureKind::Bitmap);
    EXPECT_EQ(jpeg.width(), 18);
}

TEST(Rotate90, ClockwiseQuarterTurn)
{
    // 4 by 2: row 0 is a b c d, row 1 is e f g h.
    Picture picture = makeBitmap(4, 2, [](int x, int y) { return Rgb{x, y, 0}; });
    Rotate90(picture);
    ASSERT_EQ(picture.width(), 2);
    ASSERT_EQ(picture.height(), 4);
    // The old bottom-left corner is the new top-left, the old top-left the new top-right.
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{0, 1, 0}));
    EXPECT_EQ(pixelAt(picture, 1, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixelAt(picture, 1, 3), (Rgb{3, 0, 0}));
    EXPECT_EQ(pixelAt(picture, 0, 3), (Rgb{3, 1, 0}));
}

TEST(Mirrors, ExactPixels)
{
    Picture mirrored = makeBitmap(3, 2, [](int x, int y) { return Rgb{x, y, 9}; });
    MirrorHorizontal(mirrored);
    EXPECT_EQ(pixelAt(mirrored, 0, 0), (Rgb{2, 0, 9}));
    EXPECT_EQ(pixelAt(mirrored, 2, 1), (Rgb{0, 1, 9}));
    Picture flipped = makeBitmap(3, 2, [](int x, int y) { return Rgb{x, y, 9}; });
    FlipVertical(flipped);
    EXPECT_EQ(pixelAt(flipped, 0, 0), (Rgb{0, 1, 9}));
    EXPECT_EQ(pixelAt(flipped, 2, 1), (Rgb{2, 0, 9}));
}

TEST(Turns, InvariantsOnAPhoto)
{
    Picture photo;
    LoadPicture(photo, testData("nikon-d2h.jpg"));
    ToBitmap(photo);
    const QImage original = photo.image().copy();

    Picture turned = photo;
    for (int i = 0; i < 4; ++i) {
        Rotate90(turned);
        EXPECT_EQ(turned.width(), i % 2 == 0 ? 375 : 500);
    }
    EXPECT_TRUE(samePixels(turned.image(), original));

    Picture twice = photo;
    MirrorHorizontal(twice);
    EXPECT_FALSE(samePixels(twice.image(), original));
    MirrorHorizontal(twice);
    EXPECT_TRUE(samePixels(twice.image(), original));
    FlipVertical(twice);
    FlipVertical(twice);
    EXPECT_TRUE(samePixels(twice.image(), original));
    Rotate180(twice);
    Rotate180(twice);
    EXPECT_TRUE(samePixels(twice.image(), original));

    Picture mirrorThenFlip = photo;
    MirrorHorizontal(mirrorThenFlip);
    FlipVertical(mirrorThenFlip);
    Picture halfTurn = photo;
    Rotate180(halfTurn);
    EXPECT_TRUE(samePixels(mirrorThenFlip.image(), halfTurn.image()));
    Picture twoQuarters = photo;
    Rotate90(twoQuarters);
    Rotate90(twoQuarters);
    EXPECT_TRUE(samePixels(twoQuarters.image(), halfTurn.image()));
}

TEST(ApplyMask, WhiteKeepsBlackPaintsGreyMixes)
{
    Picture picture = patternBitmap(4, 3);
    const Picture original = picture;
    Picture white = solidBitmap(4, 3, {255, 255, 255});
    ApplyMask(white, picture, 0x0000ff);
    EXPECT_TRUE(samePixels(picture.image(), original.image()));

    Picture black = solidBitmap(4, 3, {0, 0, 0});
    ApplyMask(black, picture, 0x3020ff); // red 255, green 32, blue 48
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(pixelAt(picture, x, y), (Rgb{255, 32, 48}));
        }
    }

    // Darkest channel 51 of a pure-ish colour; white into black: 255 - 255 / 255 * 51.
    Picture dark = solidBitmap(1, 1, {0, 0, 0});
    Picture grey = solidBitmap(1, 1, {200, 51, 90});
    ApplyMask(grey, dark, 0xffffff);
    EXPECT_EQ(pixelAt(dark, 0, 0), (Rgb{204, 204, 204}));
    // A saturated red mask counts as black.
    Picture target = solidBitmap(1, 1, {10, 10, 10});
    Picture red = solidBitmap(1, 1, {255, 0, 0});
    ApplyMask(red, target, 0xffffff);
    EXPECT_EQ(pixelAt(target, 0, 0), (Rgb{255, 255, 255}));
    // 100 - (100 - 0) / 255 * 128 = 49.8 -> 50.
    Picture mid = solidBitmap(1, 1, {0, 0, 0});
    Picture half = solidBitmap(1, 1, {128, 128, 128});
    ApplyMask(half, mid, 0x646464);
    EXPECT_EQ(pixelAt(mid, 0, 0), (Rgb{50, 50, 50}));
}

TEST(ApplyMask, MaskIsStretchedToThePicture)
{
    // A 2 by 1 mask, black on the left, white on the right, on an 8 by 4 picture.
    Picture mask = makeBitmap(2, 1, [](int x, int) {
        return x == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    });
    Picture picture = solidBitmap(8, 4, {0, 0, 0});
    ApplyMask(mask, picture, 0xffffff);
    EXPECT_EQ(mask.width(), 8);
    EXPECT_EQ(mask.height(), 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(pixelAt(picture, x, y), (x < 4 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}));
        }
    }
    Picture empty;
    ApplyMask(empty, picture, 0);
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{255, 255, 255}));
}
