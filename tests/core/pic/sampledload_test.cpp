// Loading a JPEG already scaled (decoded row by row, only the sampled pixels kept) gives
// the same picture and the same files as loading it whole and scaling it: for camera
// photos as shot and rewritten in every colour space and layout libjpeg writes, in all
// eight EXIF orientations, for shrinking, enlarging, one side or both sides automatic,
// with a progressive file's coefficients plain or packed (with byte shuffles or plain loops).
#include "jpegwriting.h"
#include "pictesting.h"

#include "pic/compactcoefficients.h"
#include "pic/jpegcodec.h"
#include "util/error.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage photo(const char* name)
{
    Picture picture;
    LoadPicture(picture, testData(name));
    return picture.image();
}

struct Variant
{
    const char* name;
    std::function<QByteArray()> make;
    bool severalScans = false; // progressive
};

QByteArray rewritten(const char* source, JpegLayout layout)
{
    return writeJpeg(photo(source), layout);
}

const Variant kVariants[] = {
    {"NikonAsShot", [] { return contents(testData("nikon-d2h.jpg")); }},
    {"PhoneAsShot420", [] { return contents(testData("iphone4s-orientation6.jpg")); }},
    {"DemoStorm422",
     [] {
         return contents(QStringLiteral(LUMIVISTA_SOURCE_DIR "/examples/demo/photos/storm.jpg"));
     }},
    {"Baseline420",
     [] {
         return rewritten("nikon-d2h.jpg", {.sampling = {2, 2}});
     }},
    {"Baseline440",
     [] {
         return rewritten("nikon-d2h.jpg", {.sampling = {1, 2}});
     }},
    {"Baseline420Restarts",
     [] {
         return rewritten("nikon-d2h.jpg", {.sampling = {2, 2}, .restartRows = 1});
     }},
    {"Progressive420",
     [] {
         return rewritten("iphone4s-orientation6.jpg", {.sampling = {2, 2}, .progressive = true});
     },
     true},
    {"Progressive422",
     [] {
         return rewritten("nikon-d2h.jpg", {.sampling = {2, 1}, .progressive = true});
     },
     true},
    {"Progressive444", [] { return rewritten("nikon-d2h.jpg", {.progressive = true}); }, true},
    {"Grey", [] { return rewritten("nikon-d2h.jpg", {.colour = JpegColour::Grey}); }},
    {"GreyProgressive",
     [] { return rewritten("nikon-d2h.jpg", {.colour = JpegColour::Grey, .progressive = true}); },
     true},
    {"AdobeCmyk", [] { return rewritten("nikon-d2h.jpg", {.colour = JpegColour::Cmyk}); }},
    {"AdobeYcck420",
     [] {
         return rewritten("nikon-d2h.jpg", {.colour = JpegColour::Ycck, .sampling = {2, 2}});
     }},
};

struct Box
{
    int width, height, quality;
};

// Shrinking into the gallery's box, one side automatic, both automatic (no scaling: the
// quality-100 copy is the file itself), enlarging, and sizes that share no factor with
// the photo's, one of them passing over whole rows of blocks between sampled rows.
const Box kBoxes[] = {{600, 400, 80},  {100, 0, 80}, {0, 0, 100},
                      {800, 800, 100}, {37, 29, 90}, {16, 0, 80}};

class SampledLoad : public ::testing::TestWithParam<Variant>
{
};

// While it lives, every decode of a progressive JPEG keeps its coefficients packed.
struct PackEveryDecode
{
    long long before = setPlainCoefficientBudget(0);
    ~PackEveryDecode() { setPlainCoefficientBudget(before); }
};

// While it lives, packing takes the plain loops, whatever the processor has.
struct PackWithPlainLoops
{
    bool before = CompactCoefficients::setShufflesAllowed(false);
    ~PackWithPlainLoops() { CompactCoefficients::setShufflesAllowed(before); }
};

TEST_P(SampledLoad, GivesTheFilesOfTheWholeDecodeInEveryOrientationAndSize)
{
    QTemporaryDir dir;
    const QByteArray jpeg = GetParam().make();
    ASSERT_FALSE(jpeg.isEmpty());
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString source = dir.filePath(QStringLiteral("o%1.jpg").arg(orientation));
        QFile file(source);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(withOrientation(jpeg, orientation));
        file.close();
        // A progressive file's coefficients plain in odd orientations, packed in even ones:
        // with byte shuffles in 2 and 6, with the plain loops in 4 and 8.
        std::optional<PackEveryDecode> packed;
        std::optional<PackWithPlainLoops> plainLoops;
        if (GetParam().severalScans && orientation % 2 == 0) {
            packed.emplace();
            if (orientation % 4 == 0) {
                plainLoops.emplace();
            }
        }
        for (const Box& box : kBoxes) {
            SCOPED_TRACE(testing::Message() << "orientation " << orientation << ", box "
                                            << box.width << " x " << box.height);
            Picture whole;
            LoadPicture(whole, source);
            ScalePicture(whole, box.width, box.height, true, 0);
            Picture sampled;
            LoadScaledPicture(sampled, source, box.width, box.height);
            ASSERT_EQ(sampled.kind(), whole.kind());
            ASSERT_TRUE(samePixels(sampled.image(), whole.image()));
            EXPECT_EQ(sampled.image().dotsPerMeterX(), whole.image().dotsPerMeterX());
            EXPECT_EQ(sampled.jpegData(), whole.jpegData());
            // Both copies the gallery writes: the large one, then the small one made from it
            // (files are synced to disk: written for the upright and one turned case only).
            if (orientation != 1 && orientation != 6) {
                continue;
            }
            QByteArray files[2];
            for (Picture* picture : {&whole, &sampled}) {
                const QString large = dir.filePath(QStringLiteral("large.jpg"));
                const QString small = dir.filePath(QStringLiteral("small.jpg"));
                SaveJpeg(*picture, large, box.quality);
                ScalePicture(*picture, 150, 100, true, 0);
                SaveJpeg(*picture, small, box.quality);
                files[picture == &sampled] = contents(large) + contents(small);
            }
            EXPECT_EQ(files[1], files[0]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Photos, SampledLoad, ::testing::ValuesIn(kVariants),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SampledLoad, OtherFormatsAndDamagedJpegsBehaveAsLoadAndScale)
{
    QTemporaryDir dir;
    const QString cut = dir.filePath(QStringLiteral("cut.jpg"));
    QFile file(cut);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QByteArray jpeg = contents(testData("nikon-d2h.jpg"));
    file.write(jpeg.left(jpeg.size() * 9 / 10)); // the last rows are missing
    file.close();
    const QString missing = dir.filePath(QStringLiteral("missing.jpg"));
    // A JPEG found by fuzzing: a few bytes of data for a huge frame.
    const QString fuzzed = testData("crashers/jpeg-slow-incomplete.jpg");
    for (const QString& source : {testData("deep16.png"), cut, missing, fuzzed}) {
        SCOPED_TRACE(source.toStdString());
        QString wholeError, sampledError;
        Picture whole, sampled;
        try {
            LoadPicture(whole, source);
            ScalePicture(whole, 60, 40, true, 0);
        } catch (const LumiError& error) {
            wholeError = error.message();
        }
        try {
            LoadScaledPicture(sampled, source, 60, 40);
        } catch (const LumiError& error) {
            sampledError = error.message();
        }
        EXPECT_EQ(sampledError, wholeError);
        EXPECT_TRUE(samePixels(sampled.image(), whole.image()));
    }
}

} // namespace
