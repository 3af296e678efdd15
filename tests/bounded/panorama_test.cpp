// A baseline JPEG panorama of 40000 x 10000 pixels (1.2 GB as 24-bit pixels, above the
// 256-megapixel limit) gives its 600 x 150 gallery picture under the address-space cap:
// only the sampled pixels are held. Loaded whole it is still refused.
#include "boundedsupport.h"
#include "jpegwriting.h"

#include "pic/picture.h"
#include "util/error.h"

#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kWidth = 40000;
constexpr int kHeight = 10000;

// Smooth in both directions, so every sampled pixel can be checked after lossy coding.
int red(int x)
{
    return x * 255 / (kWidth - 1);
}
int green(int y)
{
    return y * 255 / (kHeight - 1);
}

} // namespace

TEST(Panorama, BaselineFortyThousandByTenThousandMakesItsGalleryPicture)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("panorama.jpg"));
    std::FILE* out = std::fopen(file.toLocal8Bit().constData(), "wb");
    ASSERT_NE(out, nullptr);
    writeJpegRows(out, kWidth, kHeight, {.sampling = {2, 2}, .quality = 75},
                  [](int y, JSAMPLE* rgb) {
                      for (int x = 0; x < kWidth; ++x) {
                          rgb[3 * x] = JSAMPLE(red(x));
                          rgb[3 * x + 1] = JSAMPLE(green(y));
                          rgb[3 * x + 2] = 128;
                      }
                  });
    std::fclose(out);

    const long long peakBefore = peakResidentKiB();
    Picture picture;
    expectWithinDeadline([&] { LoadScaledPicture(picture, file, 600, 400); });
    ASSERT_EQ(picture.width(), 600);
    ASSERT_EQ(picture.height(), 150);
    // Held: the 600 x 150 result, a row of 40000 pixels and libjpeg's row buffers.
    if (peakBefore > 0) {
        EXPECT_LT(peakResidentKiB() - peakBefore, 32 * 1024);
    }
    for (int y = 0; y < 150; y += 7) {
        for (int x = 0; x < 600; x += 13) {
            const QRgb p = picture.image().pixel(x, y);
            const int sx = (2 * x + 1) * kWidth / 1200;
            const int sy = (2 * y + 1) * kHeight / 300;
            ASSERT_NEAR(qRed(p), red(sx), 6) << x << ", " << y;
            ASSERT_NEAR(qGreen(p), green(sy), 6) << x << ", " << y;
            ASSERT_NEAR(qBlue(p), 128, 6) << x << ", " << y;
        }
    }

    Picture whole;
    try {
        LoadPicture(whole, file);
        ADD_FAILURE() << "loaded whole";
    } catch (const LumiError& error) {
        EXPECT_EQ(error.message(),
                  file + QStringLiteral(": Das Bild ist zu groß (40000 x 10000 Pixel)"));
    }
}
