// Logo placement and blending with exact levels.
#include "pictesting.h"

#include "pic/logo.h"

#include <gtest/gtest.h>

TEST(LogoPosition, EdgesCentreAndOffsets)
{
    // Left/top use the offsets as they are.
    EXPECT_EQ(LogoPosition(100, 80, 20, 10, 0, 0, 5, 7), QPoint(5, 7));
    // Centre ignores the offsets; right/bottom count from the far edge.
    EXPECT_EQ(LogoPosition(100, 80, 20, 10, 1, 1, 5, 7), QPoint(40, 35));
    EXPECT_EQ(LogoPosition(100, 80, 20, 10, 2, 2, 10, 10), QPoint(70, 60));
    // Truncation toward zero: (5 - 20) div 2 is -7, not -8.
    EXPECT_EQ(LogoPosition(5, 5, 20, 20, 1, 1, 0, 0), QPoint(-7, -7));
    EXPECT_EQ(LogoPosition(100, 80, 20, 10, 0, 0, -20, -3), QPoint(-20, -3));
}

TEST(BlendLogo, TransparencyMixesLogoAndPicture)
{
    const auto blended = [](int t) {
        Picture logo = solidBitmap(1, 1, {255, 0, 100});
        Picture picture = solidBitmap(1, 1, {0, 255, 51});
        BlendLogo(logo, picture, t, 0, 0);
        return pixelAt(picture, 0, 0);
    };
    EXPECT_EQ(blended(0), (Rgb{255, 0, 100}));
    EXPECT_EQ(blended(100), (Rgb{0, 255, 51}));
    // 127.5 rounds to the even 128; 75.5 rounds to 76.
    EXPECT_EQ(blended(50), (Rgb{128, 128, 76}));
    EXPECT_EQ(blended(25), (Rgb{191, 64, 88})); // 191.25, 63.75, 87.75
}

TEST(BlendLogo, NegativePlacesMoveInsideAndFarEdgesCut)
{
    Picture logo = makeBitmap(4, 3, [](int x, int y) { return Rgb{x * 50, y * 50, 7}; });
    Picture picture = solidBitmap(6, 5, {1, 1, 1});
    BlendLogo(logo, picture, 0, -20, -2); // becomes (0, 0), whole
    EXPECT_EQ(pixelAt(picture, 0, 0), (Rgb{0, 0, 7}));
    EXPECT_EQ(pixelAt(picture, 3, 2), (Rgb{150, 100, 7}));
    EXPECT_EQ(pixelAt(picture, 4, 0), (Rgb{1, 1, 1}));
    EXPECT_EQ(pixelAt(picture, 0, 3), (Rgb{1, 1, 1}));

    Picture corner = solidBitmap(6, 5, {1, 1, 1});
    BlendLogo(logo, corner, 0, 4, 3); // only 2 x 2 of the logo fit
    EXPECT_EQ(pixelAt(corner, 4, 3), (Rgb{0, 0, 7}));
    EXPECT_EQ(pixelAt(corner, 5, 4), (Rgb{50, 50, 7}));
    EXPECT_EQ(pixelAt(corner, 3, 3), (Rgb{1, 1, 1}));
}

TEST(BlendLogo, LogoWiderThanThePictureAtTheRight)
{
    Picture logo = makeBitmap(10, 1, [](int x, int) { return Rgb{x, 0, 0}; });
    Picture picture = solidBitmap(4, 2, {200, 200, 200});
    const QPoint at = LogoPosition(4, 2, 10, 1, 2, 0, 0, 0);
    EXPECT_EQ(at.x(), -6);
    BlendLogo(logo, picture, 0, at.x(), at.y());
    // The logo starts at the left edge and is cut off at the right.
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(pixelAt(picture, x, 0), (Rgb{x, 0, 0}));
        EXPECT_EQ(pixelAt(picture, x, 1), (Rgb{200, 200, 200}));
    }
}

TEST(BlendLogo, KeyColourOnlyWhenMarkedTransparent)
{
    // A logo drawn on white whose bottom-left pixel is white.
    Picture logo = makeBitmap(2, 2, [](int x, int y) {
        return x == 1 && y == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
    });
    Picture gallery = solidBitmap(2, 2, {10, 20, 30});
    BlendLogo(logo, gallery, 0, 0, 0); // the gallery blends the white too
    EXPECT_EQ(pixelAt(gallery, 0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixelAt(gallery, 1, 0), (Rgb{0, 0, 0}));

    logo.setTransparent(true); // the optimiser's logo holder
    Picture optimiser = solidBitmap(2, 2, {10, 20, 30});
    BlendLogo(logo, optimiser, 0, 0, 0);
    EXPECT_EQ(pixelAt(optimiser, 0, 0), (Rgb{10, 20, 30}));
    EXPECT_EQ(pixelAt(optimiser, 0, 1), (Rgb{10, 20, 30}));
    EXPECT_EQ(pixelAt(optimiser, 1, 0), (Rgb{0, 0, 0}));
}

TEST(BlendLogo, EmptyLogoChangesNothing)
{
    Picture logo;
    Picture picture;
    QImage image(2, 2, QImage::Format_RGB888);
    image.fill(Qt::white);
    picture.setRaster(PictureKind::Jpeg, image, QByteArray("x"));
    BlendLogo(logo, picture, 0, 0, 0);
    BlendLogoAt(logo, picture, 0, 1, 1, 0, 0);
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
}

TEST(BlendLogoAt, PlacesThenBlends)
{
    Picture logo = solidBitmap(2, 2, {0, 0, 0});
    Picture picture = solidBitmap(10, 6, {255, 255, 255});
    BlendLogoAt(logo, picture, 0, 2, 2, 1, 1); // right and bottom, 1 pixel in
    EXPECT_EQ(pixelAt(picture, 7, 3), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixelAt(picture, 8, 4), (Rgb{0, 0, 0}));
    EXPECT_EQ(pixelAt(picture, 9, 5), (Rgb{255, 255, 255}));
    EXPECT_EQ(pixelAt(picture, 6, 3), (Rgb{255, 255, 255}));
}

TEST(ResizeLogo, PercentOfTheLoadedSize)
{
    Picture logo = solidBitmap(101, 51, {1, 2, 3});
    ResizeLogo(logo, 50);
    EXPECT_EQ(logo.width(), 50);
    EXPECT_EQ(logo.height(), 25);
    Picture same = solidBitmap(200, 100, {1, 2, 3});
    ResizeLogo(same, 0);
    EXPECT_EQ(same.width(), 200);
    ResizeLogo(same, 100);
    EXPECT_EQ(same.width(), 200);
    ResizeLogo(same, 50);
    EXPECT_EQ(same.width(), 100);
    EXPECT_EQ(same.height(), 50);
}
