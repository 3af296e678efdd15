// Text stamp placement: where the ink lands for each placement and offset.
#include "pictesting.h"

#include "pic/textstamp.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <thread>

namespace {

QFont stampFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// The bounding box of every pixel that is no longer white.
QRect inkBox(const Picture& picture)
{
    QRect box;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (pixelAt(picture, x, y) != Rgb{255, 255, 255}) {
                box = box.united(QRect(x, y, 1, 1));
            }
        }
    }
    return box;
}

// Where the text's extent lies when drawn at (0, 0) in a big picture.
QRect textCell(const QString& text)
{
    QImage probe(10, 10, QImage::Format_RGB888);
    probe.setDotsPerMeterX(3780);
    probe.setDotsPerMeterY(3780);
    const QFontMetrics metrics(stampFont(), &probe);
    return {0, 0, metrics.horizontalAdvance(text), metrics.height()};
}

QRect stampedInk(int W, int H, const QString& text, int x, int y, int h, int v)
{
    Picture picture = solidBitmap(W, H, {255, 255, 255});
    TextStamp(picture, text, stampFont(), 0x000000, x, y, h, v);
    return inkBox(picture);
}

} // namespace

TEST(TextStamp, EmptyTextChangesNothing)
{
    Picture picture;
    QImage image(4, 4, QImage::Format_RGB888);
    image.fill(Qt::white);
    picture.setRaster(PictureKind::Jpeg, image, QByteArray("x"));
    TextStamp(picture, QString(), stampFont(), 0, 0, 0, 0, 0);
    EXPECT_EQ(picture.kind(), PictureKind::Jpeg);
}

TEST(TextStamp, PlacementFollowsTheEdgesAndTheCentre)
{
    const QString text = QStringLiteral("Hg");
    const QRect cell = textCell(text);
    // The ink of the text at the top-left corner, relative to its cell.
    const QRect ink = stampedInk(200, 100, text, 0, 0, -1, -1);
    ASSERT_FALSE(ink.isEmpty());
    const auto expectCellAt = [&](int left, int top, int x, int y, int h, int v) {
        EXPECT_EQ(stampedInk(200, 100, text, x, y, h, v), ink.translated(left, top))
            << "h=" << h << " v=" << v << " x=" << x << " y=" << y;
    };
    expectCellAt(7, 9, 7, 9, -1, -1);
    // Right and bottom with offsets 10: the cell ends 10 pixels from those edges.
    expectCellAt(200 - cell.width() - 10, 100 - cell.height() - 10, 10, 10, 1, 1);
    // Centred, and centred plus an offset (the offset is added).
    expectCellAt((200 - cell.width()) / 2, (100 - cell.height()) / 2, 0, 0, 0, 0);
    expectCellAt((200 - cell.width()) / 2 + 20, (100 - cell.height()) / 2, 20, 0, 0, 0);
}

TEST(TextStamp, CutOffOutsideThePicture)
{
    const QString text = QStringLiteral("MWMWMWMWMWMWMWMW");
    const int tw = textCell(text).width();
    ASSERT_GT(tw, 60);
    // Reference: the whole text drawn from column 0 of a wide picture.
    Picture wide = solidBitmap(400, 40, {255, 255, 255});
    TextStamp(wide, text, stampFont(), 0, 0, 0, -1, 0);
    // Wider than the picture and centred: it starts left of the picture by half the
    // excess, truncated toward zero, and is cut off on both sides.
    Picture narrow = solidBitmap(60, 40, {255, 255, 255});
    TextStamp(narrow, text, stampFont(), 0, 0, 0, 0, 0);
    const int start = (60 - tw) / 2;
    ASSERT_LT(start, 0);
    // "links" with offset -5: the first five columns of the text are cut off.
    Picture shifted = solidBitmap(60, 40, {255, 255, 255});
    TextStamp(shifted, text, stampFont(), 0, -5, 0, -1, 0);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            ASSERT_EQ(pixelAt(narrow, x, y), pixelAt(wide, x - start, y)) << x << "," << y;
            ASSERT_EQ(pixelAt(shifted, x, y), pixelAt(wide, x + 5, y)) << x << "," << y;
        }
    }
    EXPECT_FALSE(inkBox(narrow).isEmpty());
}

TEST(TextStamp, NoBackgroundBoxAndTheFontsColour)
{
    Picture picture = solidBitmap(120, 40, {0, 200, 0});
    TextStamp(picture, QStringLiteral("I I"), stampFont(), 0x0000ff, 10, 5, -1, -1);
    int red = 0;
    int green = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            const Rgb p = pixelAt(picture, x, y);
            if (p == Rgb{255, 0, 0}) {
                ++red;
            } else if (p == Rgb{0, 200, 0}) {
                ++green;
            } else {
                ADD_FAILURE() << "mixed pixel at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(red, 10);
    // The gap between the letters keeps the picture: far more green than the box.
    EXPECT_GT(green, 120 * 40 - 200);
}

TEST(TextStamp, WorksOnWorkerThreads)
{
    Picture reference = solidBitmap(160, 60, {255, 255, 255});
    TextStamp(reference, QStringLiteral("Thread"), stampFont(), 0, 3, 3, 1, 1);
    std::vector<Picture> results(4, solidBitmap(160, 60, {255, 255, 255}));
    std::vector<std::thread> threads;
    for (Picture& picture : results) {
        threads.emplace_back([&picture] {
            for (int i = 0; i < 20; ++i) {
                Picture work = solidBitmap(160, 60, {255, 255, 255});
                TextStamp(work, QStringLiteral("Thread"), stampFont(), 0, 3, 3, 1, 1);
                picture = work;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const Picture& picture : results) {
        EXPECT_TRUE(samePixels(picture.image(), reference.image()));
    }
}
