// Smooth reduction in the generation run: the files and sizes of point sampling with other
// pixels, corrections and the text stamp still applied, an unusable colour profile warned about.
#include "galleryrunfixture.h"

#include <QBuffer>

namespace {

// The pixels of every JPEG the run wrote, by name below the target.
QMap<QString, QImage> writtenPictures(const QString& root)
{
    QMap<QString, QImage> pictures;
    QDirIterator it(root, {QStringLiteral("*.jpg")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        pictures.insert(file.mid(root.size() + 1),
                        QImage(file).convertToFormat(QImage::Format_RGB888));
    }
    return pictures;
}

double meanGreen(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGreen(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

// The largest difference between the channels of one pixel anywhere in the picture.
int mostColour(const QImage& image)
{
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            most = std::max({most, std::abs(qRed(p) - qGreen(p)), std::abs(qGreen(p) - qBlue(p))});
        }
    return most;
}

// A suite of its own: the fixture lives in an unnamed namespace of each test file.
class SmoothRunTest : public GalleryRunTest
{
};

} // namespace

TEST_F(SmoothRunTest, ReductionKeepsTheFilesAndSizesAndAppliesCorrectionsAndStamp)
{
    makeTargetFolders();
    // Stripes four pixels wide, black and a light colour: finer than the large picture's pixels
    // yet coarse enough to pass libjpeg's half-size decoding untouched.
    QImage stripes(320, 240, QImage::Format_RGB888);
    for (int x = 0; x < 320; ++x)
        for (int y = 0; y < 240; ++y)
            stripes.setPixel(x, y, (x / 4) % 2 ? qRgb(255, 230, 200) : qRgb(0, 0, 0));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && stripes.save(&buffer, "JPEG", 100));
    const auto write = [this](const char* name, const QByteArray& bytes) {
        QFile file(path(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        m_project.Files().append(file.fileName());
    };
    write("stripes.jpg", jpeg);
    // An ICC_PROFILE marker (APP2) whose profile is garbage.
    const QByteArray payload = QByteArray("ICC_PROFILE\0\x01\x01", 14) + QByteArray(200, 'x');
    QByteArray app2("\xff\xe2", 2);
    app2 += char((payload.size() + 2) >> 8);
    app2 += char((payload.size() + 2) & 0xff);
    write("badprofile.jpg", jpeg.left(2) + app2 + payload + jpeg.mid(2));

    const QString out = path(QStringLiteral("out"));
    m_project.setBoolValue(QStringLiteral("SmoothScale"), false);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    EXPECT_TRUE(m_warnings.isEmpty());
    const QMap<QString, QImage> point = writtenPictures(out);
    m_project.setBoolValue(QStringLiteral("SmoothScale"), true);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    const QMap<QString, QImage> smooth = writtenPictures(out);
    ASSERT_EQ(smooth.keys(), point.keys());
    ASSERT_EQ(smooth.size(), 4);
    EXPECT_EQ(m_warnings.size(), 1);
    EXPECT_TRUE(m_warnings.value(0).contains(QStringLiteral("badprofile.jpg")))
        << m_warnings.join(u'\n').toStdString();
    for (const QString& name : smooth.keys()) {
        EXPECT_EQ(smooth[name].size(), point[name].size()) << name.toStdString();
        // Point sampling gives stripes or one of their colours; filtered, the picture is the
        // mean light of the two, brighter than the mean of their numbers.
        EXPECT_GT(meanGreen(smooth[name]), 160) << name.toStdString();
        EXPECT_LT(meanGreen(point[name]), 140) << name.toStdString();
        EXPECT_GT(mostColour(smooth[name]), 20) << name.toStdString();
    }

    // Greyscale and then a text stamp still apply to the filtered pixels.
    m_project.setBoolValue(QStringLiteral("Black"), true);
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    const QMap<QString, QImage> grey = writtenPictures(out);
    m_project.setTextValue(QStringLiteral("BildText"), QStringLiteral("Lumivista"));
    ASSERT_EQ(runWith(), GalleryRun::Outcome::Finished);
    const QMap<QString, QImage> stamped = writtenPictures(out);
    for (const QString& name : grey.keys()) {
        EXPECT_LE(mostColour(grey[name]), 4) << name.toStdString();
        EXPECT_LE(mostColour(stamped[name]), 4) << name.toStdString();
        EXPECT_NE(stamped[name], grey[name]) << name.toStdString();
        EXPECT_EQ(stamped[name].size(), point[name].size()) << name.toStdString();
    }
}
