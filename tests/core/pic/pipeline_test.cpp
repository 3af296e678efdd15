// The gallery's work on one picture, run as the generation run will run it: on
// several worker threads at once with one shared, read-only logo.
#include "pictesting.h"

#include "pic/colour.h"
#include "pic/logo.h"
#include "pic/textstamp.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

#include "testsupport.h"

namespace {

void galleryPicture(const Picture& logo, const QString& source, const QString& large,
                    const QString& small)
{
    Picture picture;
    LoadPicture(picture, source);
    ScalePicture(picture, 320, 240, true, 0);
    ToBitmap(picture);
    BlendLogoAt(logo, picture, 40, 2, 2, 5, 5);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(9);
    font.setItalic(true);
    TextStamp(picture, QStringLiteral("© Lumivista"), font, 0xffffff, 4, 4, 1, 1);
    ColourCorrections corrections;
    corrections.brightness = 5;
    corrections.contrast = 10;
    corrections.red = 5;
    ApplyCorrections(picture, corrections);
    SaveJpeg(picture, large, 85);
    ScalePicture(picture, 80, 60, true, 0);
    SaveJpeg(picture, small, 85);
}

} // namespace

TEST(GalleryPipeline, WorkerThreadsGiveTheSameFilesAsOneThread)
{
    QTemporaryDir dir;
    Picture logo;
    LoadPicture(logo, testData("transparent.png"));
    ResizeLogo(logo, 500);
    ToBitmap(logo); // made a bitmap once, then only read

    const QStringList sources = {testData("nikon-d2h.jpg"), testData("iphone4s-orientation6.jpg"),
                                 testData("nikon-d2h-orientation8.jpg"), testData("deep16.png")};
    for (int i = 0; i < sources.size(); ++i) {
        galleryPicture(logo, sources[i], dir.filePath(QStringLiteral("ref%1.jpg").arg(i)),
                       dir.filePath(QStringLiteral("tnref%1.jpg").arg(i)));
    }
    std::vector<std::thread> workers;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < sources.size(); ++i) {
            workers.emplace_back([&, round, i] {
                galleryPicture(logo, sources[i],
                               dir.filePath(QStringLiteral("r%1-%2.jpg").arg(round).arg(i)),
                               dir.filePath(QStringLiteral("tn%1-%2.jpg").arg(round).arg(i)));
            });
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < sources.size(); ++i) {
            const QByteArray reference =
                readBytes(dir.filePath(QStringLiteral("ref%1.jpg").arg(i)));
            ASSERT_FALSE(reference.isEmpty());
            EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("r%1-%2.jpg").arg(round).arg(i))),
                      reference);
            EXPECT_EQ(readBytes(dir.filePath(QStringLiteral("tn%1-%2.jpg").arg(round).arg(i))),
                      readBytes(dir.filePath(QStringLiteral("tnref%1.jpg").arg(i))));
        }
    }
    // The phone photo came out upright: portrait, so the box's height limits it.
    Picture phone;
    LoadPicture(phone, dir.filePath(QStringLiteral("ref1.jpg")));
    EXPECT_EQ(phone.height(), 240);
    EXPECT_LT(phone.width(), phone.height());
}
