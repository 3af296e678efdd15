// Smooth reduction: linear-light filtering at the point sampler's sizes, the JPEG path
// (DCT-scaled decoding, every orientation and layout) against filtering the whole decode, and
// embedded colour profiles converted to sRGB.
#include "jpegwriting.h"
#include "pictesting.h"

#include "pic/smoothscale.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <lcms2.h>
#include <string>

namespace {

// Vertical black and white stripes one pixel wide.
Picture stripes(int width, int height)
{
    return makeBitmap(width, height, [](int x, int) {
        const int v = x % 2 ? 255 : 0;
        return Rgb{v, v, v};
    });
}

std::string sizeText(QSize size)
{
    return std::to_string(size.width()) + 'x' + std::to_string(size.height());
}

// The mean absolute difference of two RGB888 images of one size, per channel value.
double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int k = 0; k < 3 * a.width(); ++k)
            sum += std::abs(int(a.constScanLine(y)[k]) - int(b.constScanLine(y)[k]));
    return sum / (3.0 * a.width() * a.height());
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return path;
}

} // namespace

TEST(SmoothScale, ReducesInLinearLightAtThePointSamplersSizes)
{
    // Stripes alias to black or white under point sampling; filtered they are the grey of
    // half the light, sRGB 188 (not 128, the mean of the numbers).
    for (const QSize box : {QSize(150, 100), QSize(200, 200), QSize(77, 0)}) {
        Picture point = stripes(600, 400);
        Picture smooth = point;
        ScalePicture(point, box.width(), box.height(), true, 0);
        ScalePicture(smooth, box.width(), box.height(), true, 0, true);
        ASSERT_EQ(smooth.image().size(), point.image().size()) << sizeText(box);
        int pointGreys = 0;
        for (int y = 0; y < smooth.height(); ++y) {
            for (int x = 0; x < smooth.width(); ++x) {
                if (x > 2 && x < smooth.width() - 3) { // the filter's edges: lobes cut off
                    ASSERT_NEAR(pixelAt(smooth, x, y)[0], 188, 2) << x << ',' << y;
                }
                pointGreys += pixelAt(point, x, y)[0] % 255 != 0;
            }
        }
        EXPECT_EQ(pointGreys, 0);
    }
    // Enlarging and a reduction of one side while the other grows stay point sampling.
    for (const QSize box : {QSize(900, 600), QSize(300, 500)}) {
        Picture point = patternBitmap(60, 40);
        Picture smooth = point;
        ScalePicture(point, box.width(), box.height(), false, 0);
        ScalePicture(smooth, box.width(), box.height(), false, 0, true);
        EXPECT_TRUE(samePixels(point.image(), smooth.image())) << sizeText(box);
    }
}

TEST(SmoothScale, JpegDecodedAtAScaleMatchesFilteringTheWholePicture)
{
    QTemporaryDir dir;
    Picture whole;
    LoadPicture(whole, testData("nikon-d2h.jpg"));
    const QImage photo = whole.image();
    const struct
    {
        const char* name;
        JpegLayout layout;
        int orientation;
    } cases[] = {
        {"b.jpg", {}, 1},
        {"p.jpg", {.sampling = {2, 2}, .progressive = true}, 6},
        {"g.jpg", {.colour = JpegColour::Grey}, 3},
        {"c.jpg", {.colour = JpegColour::Cmyk}, 8},
    };
    for (const auto& c : cases) {
        const QString path =
            writeFile(dir, c.name, withOrientation(writeJpeg(photo, c.layout), c.orientation));
        Picture full;
        LoadPicture(full, path);
        for (const QSize box : {QSize(300, 200), QSize(100, 0), QSize(31, 0)}) {
            Picture point;
            Picture smooth;
            LoadScaledPicture(point, path, box.width(), box.height());
            LoadScaledPicture(smooth, path, box.width(), box.height(), true);
            ASSERT_EQ(smooth.image().size(), point.image().size()) << c.name << sizeText(box);
            Picture reference = full;
            ScalePicture(reference, box.width(), box.height(), true, 0, true);
            // libjpeg's scaled IDCT is a reduction of its own; it leaves a level or two.
            // libjpeg's scaled IDCT does the first part of the reduction, in sRGB and in whole
            // blocks at 1/8: close to filtering the whole picture, far closer than sampling.
            const double smoothOff = meanDifference(smooth.image(), reference.image());
            const double pointOff = meanDifference(point.image(), reference.image());
            EXPECT_LT(smoothOff, pointOff / 3.5) << c.name << sizeText(box);
            if (box.width() >= 100) {
                EXPECT_LT(smoothOff, 1.6) << c.name << sizeText(box);
            }
        }
        // At its own size (or enlarged) a picture without a profile loads as it always did.
        Picture same;
        Picture big;
        LoadScaledPicture(same, path, 0, 0, true);
        LoadScaledPicture(big, path, 5000, 5000, true);
        Picture pointBig;
        LoadScaledPicture(pointBig, path, 5000, 5000);
        EXPECT_TRUE(samePixels(same.image(), full.image())) << c.name;
        EXPECT_TRUE(samePixels(big.image(), pointBig.image())) << c.name;
    }
}

namespace {

// Adobe RGB (1998): D65 white, its primaries, gamma 2.2; made here, no file shipped.
QByteArray adobeRgbProfile()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

// One Adobe RGB colour as sRGB by the published matrices (both D65, so no adaptation):
// Adobe RGB to XYZ, XYZ to linear sRGB, then the sRGB curve.
Rgb adobeToSrgb(Rgb adobe)
{
    const double m[3][3] = {{0.5767309, 0.1855540, 0.1881852},
                            {0.2973769, 0.6273491, 0.0752741},
                            {0.0270343, 0.0706872, 0.9911085}};
    const double toSrgb[3][3] = {{3.2404542, -1.5371385, -0.4985314},
                                 {-0.9692660, 1.8760108, 0.0415560},
                                 {0.0556434, -0.2040259, 1.0572252}};
    double linear[3];
    for (int i = 0; i < 3; ++i)
        linear[i] = std::pow(adobe[size_t(i)] / 255.0, 2.2);
    double xyz[3] = {};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            xyz[i] += m[i][k] * linear[k];
    Rgb out{};
    for (int i = 0; i < 3; ++i) {
        double v = 0;
        for (int k = 0; k < 3; ++k)
            v += toSrgb[i][k] * xyz[k];
        v = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
        out[size_t(i)] = int(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    }
    return out;
}

} // namespace

TEST(SmoothScale, EmbeddedProfileIsConvertedToSrgb)
{
    QTemporaryDir dir;
    const Rgb patch{180, 120, 60};
    const Picture flat = solidBitmap(64, 48, patch);
    const QByteArray adobe = adobeRgbProfile();
    const JpegLayout exact{.quality = 100};
    JpegLayout withProfile = exact;
    withProfile.iccProfile = adobe;
    const QString path = writeFile(dir, "adobe.jpg", writeJpeg(flat.image(), withProfile));

    // What the file holds, unconverted (the JPEG's own rounding taken out of the comparison).
    Picture stored;
    LoadPicture(stored, path);
    const Rgb expected = adobeToSrgb(pixelAt(stored, 10, 10));
    ASSERT_GT(std::abs(expected[0] - pixelAt(stored, 10, 10)[0]) +
                  std::abs(expected[1] - pixelAt(stored, 10, 10)[1]),
              10); // the conversion matters
    for (const QSize box : {QSize(32, 24), QSize(0, 0), QSize(128, 0)}) {
        Picture converted;
        QString warning;
        LoadScaledPicture(converted, path, box.width(), box.height(), true, &warning);
        EXPECT_TRUE(warning.isEmpty());
        const Rgb got = pixelAt(converted, converted.width() / 2, converted.height() / 2);
        for (size_t k = 0; k < 3; ++k)
            EXPECT_NEAR(got[k], expected[k], 2) << sizeText(box) << " channel " << k;
        // Without smooth reduction the numbers stay as stored.
        Picture plain;
        LoadScaledPicture(plain, path, box.width(), box.height());
        EXPECT_EQ(pixelAt(plain, 1, 1), pixelAt(stored, 1, 1));
    }
    // The picture written is sRGB and says nothing else.
    Picture converted;
    LoadScaledPicture(converted, path, 32, 24, true);
    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    ASSERT_TRUE(SaveJpeg(converted, out, 90));
    QFile written(out);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_FALSE(written.readAll().contains("ICC_PROFILE"));

    // A profile cut short, or garbage, is left out with a warning; the picture is kept as
    // stored.
    for (const QByteArray& bad : {adobe.left(adobe.size() / 2), QByteArray(300, 'x')}) {
        JpegLayout damaged = exact;
        damaged.iccProfile = bad;
        const QString badPath = writeFile(dir, "bad.jpg", writeJpeg(flat.image(), damaged));
        for (const QSize box : {QSize(32, 24), QSize(0, 0)}) {
            Picture kept;
            QString warning;
            LoadScaledPicture(kept, badPath, box.width(), box.height(), true, &warning);
            EXPECT_FALSE(warning.isEmpty()) << sizeText(box);
            EXPECT_NEAR(pixelAt(kept, 5, 5)[0], pixelAt(stored, 5, 5)[0], 1) << sizeText(box);
        }
    }
}
