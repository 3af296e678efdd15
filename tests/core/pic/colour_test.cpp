// Colour corrections with exact expected levels on one-pixel pictures.
#include "pictesting.h"

#include "pic/colour.h"

#include <gtest/gtest.h>

namespace {

Rgb corrected(Rgb colour, const std::function<void(Picture&)>& correction)
{
    Picture picture = solidBitmap(1, 1, colour);
    correction(picture);
    EXPECT_EQ(picture.kind(), PictureKind::Bitmap);
    return pixelAt(picture, 0, 0);
}

Rgb grey(int level)
{
    return {level, level, level};
}

} // namespace

TEST(Brightness, ShiftsAndClamps)
{
    EXPECT_EQ(corrected({250, 100, 0}, [](Picture& p) { Brightness(p, 30); }), (Rgb{255, 130, 30}));
    EXPECT_EQ(corrected({255, 255, 255}, [](Picture& p) { Brightness(p, -255); }), grey(0));
    EXPECT_EQ(corrected({10, 20, 30}, [](Picture& p) { Brightness(p, -15); }), (Rgb{0, 5, 15}));
}

TEST(Contrast, SpreadsAroundLevel127)
{
    const auto contrast = [](int amount) { return [amount](Picture& p) { Contrast(p, amount); }; };
    EXPECT_EQ(corrected({0, 200, 255}, contrast(-100)), grey(127));
    EXPECT_EQ(corrected({200, 100, 0}, contrast(100)), (Rgb{255, 73, 0}));
    // 0.5 rounds to 0, 1.5 to 2.
    EXPECT_EQ(corrected({128, 129, 130}, contrast(50)), (Rgb{128, 130, 132}));
    EXPECT_EQ(corrected({127, 127, 127}, contrast(80)), grey(127));
    // Below -100 the picture turns negative around 127.
    EXPECT_EQ(corrected({137, 117, 127}, contrast(-200)), (Rgb{117, 137, 127}));
}

TEST(Saturation, SpreadsFromThePixelsMean)
{
    const auto saturation = [](int amount) {
        return [amount](Picture& p) { Saturation(p, amount); };
    };
    EXPECT_EQ(corrected({255, 0, 0}, saturation(-50)), grey(85));
    EXPECT_EQ(corrected({200, 100, 0}, saturation(50)), (Rgb{255, 100, 0}));
    // Mean 101/3 = 33.67; -50 makes every channel the rounded mean.
    EXPECT_EQ(corrected({100, 1, 0}, saturation(-50)), grey(34));
    EXPECT_EQ(corrected({90, 90, 90}, saturation(200)), grey(90));
}

TEST(Tone, ScalesEachChannelByPercent)
{
    EXPECT_EQ(corrected({200, 100, 50}, [](Picture& p) { Tone(p, -100, 0, 0); }),
              (Rgb{0, 100, 50}));
    EXPECT_EQ(corrected({200, 100, 50}, [](Picture& p) { Tone(p, 100, 0, 0); }),
              (Rgb{255, 100, 50}));
    EXPECT_EQ(corrected({200, 100, 50}, [](Picture& p) { Tone(p, 0, 0, 0); }), (Rgb{200, 100, 50}));
    EXPECT_EQ(corrected({200, 100, 50}, [](Picture& p) { Tone(p, -150, 50, -50); }),
              (Rgb{0, 150, 25}));
    // 5 * 1.5 = 7.5 rounds to 8; 3 * 1.5 = 4.5 rounds to 4.
    EXPECT_EQ(corrected({5, 3, 1}, [](Picture& p) { Tone(p, 50, 50, 50); }), (Rgb{8, 4, 2}));
}

TEST(Greyscale, WeightsAndIdempotence)
{
    const auto greyscale = [](Picture& p) { Greyscale(p); };
    EXPECT_EQ(corrected({255, 0, 0}, greyscale), grey(76));
    EXPECT_EQ(corrected({0, 255, 0}, greyscale), grey(150));
    EXPECT_EQ(corrected({0, 0, 255}, greyscale), grey(27));
    EXPECT_EQ(corrected({255, 255, 255}, greyscale), grey(255));
    EXPECT_EQ(corrected({0, 0, 0}, greyscale), grey(0));
    Picture once = patternBitmap(9, 7);
    Greyscale(once);
    Picture twice = once;
    Greyscale(twice);
    EXPECT_TRUE(samePixels(once.image(), twice.image()));
}

TEST(OldPhoto, WarmGrey)
{
    EXPECT_EQ(corrected(grey(100), [](Picture& p) { OldPhoto(p); }), (Rgb{110, 100, 60}));
    EXPECT_EQ(corrected(grey(255), [](Picture& p) { OldPhoto(p); }), (Rgb{255, 255, 153}));
}

TEST(Invert, TwiceRestores)
{
    EXPECT_EQ(corrected({0, 100, 255}, [](Picture& p) { Invert(p); }), (Rgb{255, 155, 0}));
    Picture picture = patternBitmap(5, 4);
    const QImage before = picture.image().copy();
    Invert(picture);
    Invert(picture);
    EXPECT_TRUE(samePixels(picture.image(), before));
}

TEST(ApplyCorrections, NeutralValuesLeaveTheGraphicAlone)
{
    Picture picture;
    QImage image(2, 2, QImage::Format_RGB888);
    image.fill(Qt::gray);
    picture.setRaster(PictureKind::Jpeg, image, QByteArray("jpeg"));
    ApplyCorrections(picture, ColourCorrections{});
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
}

TEST(ApplyCorrections, GalleryOrder)
{
    // Brightness, contrast, saturation, greyscale, old photo, tone, in that order.
    ColourCorrections c;
    c.brightness = 10;
    c.contrast = 50;
    c.saturation = -50;
    c.greyscale = true;
    c.oldPhoto = true;
    c.red = -20;
    c.blue = 100;
    const Rgb start{100, 150, 200};
    const Rgb expected = corrected(start, [](Picture& p) {
        Brightness(p, 10);
        Contrast(p, 50);
        Saturation(p, -50);
        Greyscale(p);
        OldPhoto(p);
        Tone(p, -20, 0, 100);
    });
    EXPECT_EQ(corrected(start, [&c](Picture& p) { ApplyCorrections(p, c); }), expected);
    // 110,160,210 -> contrast 50: 102,176,252 -> grey 176.67 -> 177 each -> greyscale 177
    // -> old photo 195,177,106 -> tone 156,177,212.
    EXPECT_EQ(expected, (Rgb{156, 177, 212}));
}
