// The optimiser window, headless: loading, sizes, the quality test and its files, the
// editing tabs and their commits, saving, the clipboard and bad input.
#include "ui/jpgopti.h"

#include "pic/colour.h"
#include "pic/filters.h"
#include "pic/jpegcodec.h"
#include "util/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct GermanLocale
{
    QLocale previous;
    GermanLocale() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    ~GermanLocale() { QLocale::setDefault(previous); }
};

// Answers the file, font and colour dialogs from queues.
class ScriptedOptiChoosers : public OptiChoosers
{
public:
    QStringList openNames;
    QStringList saveNames;
    QList<std::optional<OptiFont>> fonts;
    QList<std::optional<quint32>> colours;
    QStringList asked;
    QStringList starts;

    QString openFile(QWidget*, const QString& caption, const QString& start,
                     const QString&) override
    {
        asked.append(caption);
        starts.append(start);
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString saveFile(QWidget*, const QString& caption, const QString& start, const QString&,
                     const QString& suffix) override
    {
        asked.append(caption + u' ' + suffix);
        starts.append(start);
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    std::optional<OptiFont> chooseFont(QWidget*, const OptiFont&) override
    {
        return fonts.isEmpty() ? std::nullopt : fonts.takeFirst();
    }
    std::optional<quint32> chooseColour(QWidget*, quint32) override
    {
        return colours.isEmpty() ? std::nullopt : colours.takeFirst();
    }
};

QImage gradientImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
        }
    }
    return image;
}

// A JPEG of width by height, padded with comment segments to exactly `bytes` when given.
void writeJpeg(const QString& path, int width, int height, qint64 bytes = 0)
{
    QByteArray data = encodeJpeg(gradientImage(width, height), 75);
    if (bytes > 0) {
        QByteArray padding;
        qint64 missing = bytes - data.size();
        while (missing > 0) {
            const qint64 segment = std::min<qint64>(missing, 60000);
            ASSERT_GE(segment, 4) << "cannot pad by fewer than 4 bytes";
            const int length = int(segment - 2);
            padding.append(char(0xff)).append(char(0xfe));
            padding.append(char(length >> 8)).append(char(length & 0xff));
            padding.append(QByteArray(length - 2, 'x'));
            missing -= segment;
        }
        data.insert(2, padding);
        ASSERT_EQ(data.size(), bytes);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(data);
}

Picture solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB888);
    image.fill(colour);
    Picture picture;
    picture.setBitmap(image);
    return picture;
}

bool samePixels(const Picture& a, const Picture& b)
{
    return a.image().convertToFormat(QImage::Format_RGB888) ==
           b.image().convertToFormat(QImage::Format_RGB888);
}

class JpgOptiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window.setChoosers(&choosers);
    }
    void TearDown() override { window.close(); }

    template <typename T> T* control(const char* name)
    {
        T* found = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString text(const char* label) { return control<QLabel>(label)->text(); }
    void click(const char* button) { control<QPushButton>(button)->click(); }
    QString path(const QString& name) const { return dir.filePath(name); }
    void openTab(int tab) { window.tabs()->setCurrentIndex(tab); }
    QSize workingSize() const
    {
        return {window.workingPicture().width(), window.workingPicture().height()};
    }
    // Loads a picture through "Laden...".
    void loadImage(const QString& name, const QImage& image)
    {
        ASSERT_TRUE(image.save(path(name)));
        choosers.openNames.append(path(name));
        click("btLoad");
    }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    DialogServiceGuard guard{&dialogs};
    ScriptedOptiChoosers choosers;
    TJPGOpti window;
};

} // namespace

TEST_F(JpgOptiTest, StartsWithTheSamplePicture)
{
    window.exec();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren"));
    EXPECT_EQ(workingSize(), QSize(281, 211));
    EXPECT_EQ(window.workingPicture().kind(), PictureKind::Bitmap);
    EXPECT_EQ(text("lSize"), QStringLiteral("281 x 211"));
    EXPECT_EQ(control<QSlider>("bCompress")->value(), 80);
    EXPECT_EQ(text("lCompress"), QStringLiteral("80%"));
    EXPECT_EQ(text("lbSize"), QStringLiteral("100%"));
    EXPECT_EQ(text("lSizeFont"), QStringLiteral("Arial"));
    EXPECT_EQ(text("lTextFont"), QStringLiteral("Arial"));
    EXPECT_EQ(text("TBarBlendValue"), QStringLiteral("50"));
    EXPECT_EQ(text("TBarSizeValue"), QStringLiteral("100"));
    EXPECT_EQ(text("TBarHellValue"), QStringLiteral("0"));
    EXPECT_EQ(window.maskColour(), 0xffffffu);
    EXPECT_EQ(window.tabs()->currentIndex(), int(TJPGOpti::kTabDatei));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isModal());
}

TEST_F(JpgOptiTest, LoadShowsBytesCaptionAndSizes)
{
    GermanLocale german;
    writeJpeg(path(QStringLiteral("foto.jpg")), 1024, 768, 123456);
    window.exec(path(QStringLiteral("foto.jpg")));
    EXPECT_EQ(text("lFileSize"), QStringLiteral("123.456 Bytes"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren [foto.jpg] (1024 x 768)"));
    EXPECT_EQ(text("lTitle"), path(QStringLiteral("foto.jpg")));
    EXPECT_EQ(control<QSlider>("bSize")->value(), 100);
    EXPECT_EQ(control<QSpinBox>("bWidth")->value(), 1024);
    EXPECT_EQ(control<QSpinBox>("bHeight")->value(), 768);
    EXPECT_EQ(control<QSpinBox>("bWidth")->maximum(), 2048);
    EXPECT_EQ(control<QSpinBox>("bHeight")->maximum(), 1536);
    EXPECT_EQ(window.previewPanelSize(), QSize(1024, 768));
    EXPECT_EQ(window.workingPicture().kind(), PictureKind::Bitmap);

    // A second file replaces the bracketed part; the open dialog starts at the last file.
    writeJpeg(path(QStringLiteral("zwei.jpg")), 640, 480);
    choosers.openNames.append(path(QStringLiteral("zwei.jpg")));
    click("btLoad");
    EXPECT_EQ(choosers.asked.last(), QStringLiteral("Bild öffnen"));
    EXPECT_EQ(choosers.starts.last(), path(QStringLiteral("foto.jpg")));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren [zwei.jpg] (640 x 480)"));

    // A missing file and a cancelled dialog change nothing.
    window.exec(path(QStringLiteral("fehlt.jpg")));
    click("btLoad");
    EXPECT_EQ(workingSize(), QSize(640, 480));
    EXPECT_TRUE(dialogs.entries().isEmpty());
}

TEST_F(JpgOptiTest, CorruptFileGivesAMessageAndKeepsEverything)
{
    window.exec();
    QFile bad(path(QStringLiteral("kaputt.jpg")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("\xff\xd8\xff\xe0 this is not a picture");
    bad.close();
    const Picture before = window.workingPicture();
    window.exec(bad.fileName());
    ASSERT_EQ(dialogs.entries().size(), 1);
    EXPECT_EQ(dialogs.entries().constFirst().type, DialogType::Error);
    EXPECT_TRUE(dialogs.texts().constFirst().contains(QStringLiteral("kaputt.jpg")));
    EXPECT_TRUE(samePixels(window.workingPicture(), before));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren"));
    EXPECT_TRUE(text("lFileSize").isEmpty());
}

TEST_F(JpgOptiTest, SizeSliderAndProportionalWidth)
{
    writeJpeg(path(QStringLiteral("foto.jpg")), 1024, 768);
    window.exec(path(QStringLiteral("foto.jpg")));
    openTab(TJPGOpti::kTabSize);
    auto* bSize = control<QSlider>("bSize");
    auto* bWidth = control<QSpinBox>("bWidth");
    auto* bHeight = control<QSpinBox>("bHeight");
    bSize->setValue(50);
    EXPECT_EQ(bWidth->value(), 512);
    EXPECT_EQ(bHeight->value(), 384);
    EXPECT_EQ(text("lbSize"), QStringLiteral("50%"));
    EXPECT_EQ(window.previewPanelSize(), QSize(512, 384));
    EXPECT_EQ(workingSize(), QSize(1024, 768));
    bSize->setValue(0);
    EXPECT_EQ(bSize->value(), 1);
    EXPECT_EQ(bWidth->value(), 10);

    bWidth->setValue(800);
    EXPECT_EQ(bHeight->value(), 600);
    bHeight->setValue(300);
    EXPECT_EQ(bWidth->value(), 400);
    EXPECT_EQ(window.previewPanelSize(), QSize(400, 300));
    control<QCheckBox>("eProp")->setChecked(false);
    bWidth->setValue(500);
    EXPECT_EQ(bHeight->value(), 300);
    // Ticking it again fits the height to the width.
    control<QCheckBox>("eProp")->setChecked(true);
    EXPECT_EQ(bHeight->value(), 375);

    click("btSizeOk");
    EXPECT_EQ(workingSize(), QSize(500, 375));
    EXPECT_EQ(bSize->value(), 100);
    EXPECT_EQ(bWidth->value(), 500);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren [foto.jpg] (1024 x 768)"));
}

TEST_F(JpgOptiTest, PreviewPanelStretchesByPointSampling)
{
    QImage four(2, 2, QImage::Format_RGB888);
    four.setPixel(0, 0, qRgb(255, 0, 0));
    four.setPixel(1, 0, qRgb(0, 255, 0));
    four.setPixel(0, 1, qRgb(0, 0, 255));
    four.setPixel(1, 1, qRgb(255, 255, 255));
    loadImage(QStringLiteral("vier.bmp"), four);
    window.exec();
    openTab(TJPGOpti::kTabSize);
    control<QSlider>("bSize")->setValue(200);
    EXPECT_EQ(window.previewPanelSize(), QSize(4, 4));
    const QImage shown = window.previewPanel()->grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(2, 1), qRgb(0, 255, 0));
    EXPECT_EQ(shown.pixel(3, 3), qRgb(255, 255, 255));
}

TEST_F(JpgOptiTest, SizeTextLabelIsLimitedDraggedAndStamped)
{
    window.setWindowTitle(QStringLiteral("JPG optimieren"));
    window.exec();
    openTab(TJPGOpti::kTabSize);
    QLabel* label = window.textLabel();
    EXPECT_TRUE(label->isVisible());
    control<QLineEdit>("eText")->setText(QStringLiteral("Hallo"));
    EXPECT_EQ(label->text(), QStringLiteral("Hallo"));
    auto* fw = control<QSpinBox>("fw");
    auto* fh = control<QSpinBox>("fh");
    fw->setValue(5000);
    fh->setValue(5000);
    EXPECT_EQ(fw->value(), 281 - 8);
    EXPECT_EQ(fh->value(), 211 - 10);
    fw->setValue(20);
    fh->setValue(30);
    EXPECT_EQ(label->pos(), QPoint(20, 30));

    // Dragging adds the pointer's movement to the position.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), label->mapToGlobal(QPointF(3, 3)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(13, 8), label->mapToGlobal(QPointF(13, 8)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(13, 8),
                        label->mapToGlobal(QPointF(13, 8)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(label, &release);
    EXPECT_EQ(fw->value(), 30);
    EXPECT_EQ(fh->value(), 35);
    EXPECT_EQ(label->pos(), QPoint(30, 35));

    const Picture before = window.workingPicture();
    click("btSizeOk");
    EXPECT_EQ(workingSize(), QSize(281, 211));
    EXPECT_FALSE(samePixels(window.workingPicture(), before));
    EXPECT_TRUE(control<QLineEdit>("eText")->text().isEmpty());
    // The label belongs to the tab "Grösse" only.
    openTab(TJPGOpti::kTabDatei);
    EXPECT_FALSE(label->isVisible());
}

TEST_F(JpgOptiTest, QualityTestReusesItsFileAndRemovesItOnClose)
{
    GermanLocale german;
    window.exec();
    auto* quality = control<QSlider>("bCompress");
    quality->setValue(0);
    EXPECT_EQ(quality->value(), 1);
    EXPECT_EQ(text("lCompress"), QStringLiteral("1%"));
    click("btTest");
    const QString jpeg = window.testFile().madeJpegName();
    const QString temp = window.testFile().tempName();
    ASSERT_TRUE(QFileInfo::exists(jpeg));
    EXPECT_TRUE(QFileInfo::exists(temp));
    const qint64 smallSize = QFileInfo(jpeg).size();
    EXPECT_EQ(text("lTest"), QStringLiteral("Q: 1%,  ") + byteCountText(smallSize));
    EXPECT_EQ(window.previewState(), PreviewState::Stale);
    EXPECT_EQ(window.previewPanelSize(), QSize(281, 211));
    // The decoded test JPEG is on view, blocky and unlike the working picture.
    EXPECT_FALSE(samePixels(window.previewPicture(), window.workingPicture()));

    quality->setValue(100);
    click("btTest");
    EXPECT_EQ(window.testFile().madeJpegName(), jpeg);
    EXPECT_EQ(window.testFile().tempName(), temp);
    EXPECT_GT(QFileInfo(jpeg).size(), smallSize);
    EXPECT_TRUE(text("lTest").startsWith(QStringLiteral("Q: 100%,  ")));
    EXPECT_TRUE(dialogs.entries().isEmpty());

    window.close();
    EXPECT_FALSE(QFileInfo::exists(jpeg));
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_FALSE(window.testFile().isMade());
}

TEST_F(JpgOptiTest, QualityTestShowsTheWorkingPictureAtFullSize)
{
    window.exec();
    openTab(TJPGOpti::kTabSize);
    control<QSlider>("bSize")->setValue(50);
    openTab(TJPGOpti::kTabDatei);
    click("btTest");
    EXPECT_EQ(control<QSpinBox>("bWidth")->value(), 281);
    EXPECT_EQ(control<QSpinBox>("bHeight")->value(), 211);
    // A click on the preview brings the working picture back.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.previewPanel(), &press);
    EXPECT_TRUE(samePixels(window.previewPicture(), window.workingPicture()));
    EXPECT_TRUE(text("lTest").isEmpty());
}

TEST_F(JpgOptiTest, CommitResetsTheCorrectionsAndUndoTakesItBack)
{
    window.exec();
    const Picture original = window.workingPicture();
    openTab(TJPGOpti::kTabLight);
    control<QCheckBox>("Invert")->setChecked(true);
    control<QSlider>("TBarHell")->setValue(40);
    EXPECT_EQ(text("TBarHellValue"), QStringLiteral("40"));
    Picture expected = original;
    Invert(expected);
    Brightness(expected, 40);
    EXPECT_TRUE(samePixels(window.previewPicture(), expected));
    EXPECT_TRUE(samePixels(window.workingPicture(), original));

    click("btLightOk");
    EXPECT_TRUE(samePixels(window.workingPicture(), expected));
    EXPECT_EQ(control<QSlider>("TBarHell")->value(), 0);
    EXPECT_EQ(text("TBarHellValue"), QStringLiteral("0"));
    EXPECT_FALSE(control<QCheckBox>("Invert")->isChecked());
    EXPECT_EQ(control<QSlider>("bSize")->value(), 100);
    EXPECT_TRUE(window.canUndo());

    window.btUndoClick();
    EXPECT_TRUE(samePixels(window.workingPicture(), original));
    EXPECT_FALSE(window.canUndo());
}

TEST_F(JpgOptiTest, LeavingATabDropsTheEdit)
{
    window.exec();
    const Picture original = window.workingPicture();
    openTab(TJPGOpti::kTabLight);
    control<QSlider>("TBarKontr")->setValue(80);
    EXPECT_FALSE(samePixels(window.previewPicture(), original));
    openTab(TJPGOpti::kTabDatei);
    EXPECT_TRUE(samePixels(window.workingPicture(), original));
    EXPECT_TRUE(samePixels(window.previewPicture(), original));

    openTab(TJPGOpti::kTabText);
    control<QLineEdit>("eTText")->setText(QStringLiteral("Text"));
    EXPECT_FALSE(samePixels(window.previewPicture(), original));
    openTab(TJPGOpti::kTabMask);
    EXPECT_TRUE(samePixels(window.previewPicture(), original));
    EXPECT_TRUE(samePixels(window.workingPicture(), original));
}

TEST_F(JpgOptiTest, ToneTab)
{
    window.exec();
    openTab(TJPGOpti::kTabTone);
    control<QSlider>("ToneR")->setValue(50);
    control<QSlider>("ToneB")->setValue(-20);
    control<QCheckBox>("ToneOld")->setChecked(true);
    EXPECT_EQ(control<QSlider>("ToneR")->value(), 0);
    EXPECT_EQ(control<QSlider>("ToneB")->value(), 0);
    EXPECT_EQ(text("ToneRValue"), QStringLiteral("0"));
    control<QCheckBox>("ToneOld")->setChecked(false);

    control<QCheckBox>("ToneBW")->setChecked(true);
    click("btToneOk");
    const QImage& image = window.workingPicture().image();
    for (const QPoint point : {QPoint(0, 0), QPoint(140, 100), QPoint(280, 210)}) {
        const QRgb pixel = image.pixel(point);
        EXPECT_EQ(qRed(pixel), qGreen(pixel));
        EXPECT_EQ(qGreen(pixel), qBlue(pixel));
    }
    EXPECT_FALSE(control<QCheckBox>("ToneBW")->isChecked());
}

TEST_F(JpgOptiTest, TwoQuarterTurnsCommitAHalfTurn)
{
    loadImage(QStringLiteral("turn.bmp"), gradientImage(30, 20));
    window.exec();
    Picture expected = window.workingPicture();
    Rotate180(expected);
    openTab(TJPGOpti::kTabTurn);
    click("btRotate90");
    EXPECT_EQ(QSize(window.turnPicture().width(), window.turnPicture().height()), QSize(20, 30));
    click("btRotate90");
    EXPECT_EQ(workingSize(), QSize(30, 20));
    click("btTurnOk");
    EXPECT_TRUE(samePixels(window.workingPicture(), expected));

    // Mirrors one after another, and a turn not committed is dropped.
    openTab(TJPGOpti::kTabDatei);
    openTab(TJPGOpti::kTabTurn);
    click("btMirror");
    click("btFlip");
    openTab(TJPGOpti::kTabDatei);
    EXPECT_TRUE(samePixels(window.workingPicture(), expected));
}

TEST_F(JpgOptiTest, CropLimitsFrameAndCommit)
{
    loadImage(QStringLiteral("crop.bmp"), gradientImage(100, 80));
    window.exec();
    openTab(TJPGOpti::kTabCrop);
    auto* left = control<QSpinBox>("eCutL");
    auto* top = control<QSpinBox>("eCutT");
    auto* right = control<QSpinBox>("eCutR");
    auto* bottom = control<QSpinBox>("eCutB");
    EXPECT_EQ(left->maximum(), 50);
    EXPECT_EQ(right->maximum(), 50);
    EXPECT_EQ(top->maximum(), 40);
    EXPECT_EQ(bottom->maximum(), 40);
    left->setValue(500);
    EXPECT_EQ(left->value(), 50);
    // The view is not enlarged: 100 by 80 in the middle of 360 by 270.
    EXPECT_EQ(window.cropViewRect(), QRect(130, 95, 100, 80));
    right->setValue(50);
    // Margins summing to the whole width do not crop.
    click("btCutOk");
    EXPECT_EQ(workingSize(), QSize(100, 80));
    EXPECT_EQ(left->value(), 0);

    left->setValue(5);
    top->setValue(5);
    right->setValue(10);
    bottom->setValue(15);
    EXPECT_EQ(window.cropFrameRect(), QRect(134, 99, 87, 62));
    const QRgb corner = window.workingPicture().image().pixel(5, 5);
    click("btCutOk");
    EXPECT_EQ(workingSize(), QSize(85, 60));
    EXPECT_EQ(window.workingPicture().image().pixel(0, 0), corner);
    EXPECT_EQ(left->value(), 0);
    EXPECT_EQ(bottom->value(), 0);
    EXPECT_EQ(left->maximum(), 42);
    EXPECT_EQ(top->maximum(), 30);
    EXPECT_EQ(control<QSpinBox>("bWidth")->value(), 85);
}

TEST_F(JpgOptiTest, MaskOfAnotherSizeIsStretched)
{
    loadImage(QStringLiteral("bild.bmp"), solid(40, 30, qRgb(200, 100, 50)).image());
    window.exec();
    QImage mask(4, 3, QImage::Format_RGB888);
    mask.fill(Qt::white);
    for (int y = 0; y < 3; ++y) {
        mask.setPixel(0, y, qRgb(0, 0, 0));
        mask.setPixel(1, y, qRgb(0, 0, 0));
    }
    ASSERT_TRUE(mask.save(path(QStringLiteral("maske.bmp"))));
    openTab(TJPGOpti::kTabMask);
    choosers.openNames.append(path(QStringLiteral("maske.bmp")));
    click("btMask");
    // Default colour white: the dark left half turns white.
    EXPECT_EQ(window.previewPicture().image().pixel(5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(window.previewPicture().image().pixel(30, 5), qRgb(200, 100, 50));
    choosers.colours.append(0x0000ffu);
    click("btMaskColour");
    EXPECT_EQ(window.maskColour(), 0x0000ffu);
    EXPECT_EQ(window.previewPicture().image().pixel(19, 29), qRgb(255, 0, 0));
    // A cancelled colour dialog changes nothing.
    click("btMaskColour");
    EXPECT_EQ(window.maskColour(), 0x0000ffu);
    click("btMaskOk");
    EXPECT_EQ(window.workingPicture().image().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(window.workingPicture().image().pixel(39, 0), qRgb(200, 100, 50));
}

TEST_F(JpgOptiTest, BlendTabUsesTheLogosBottomLeftColourAsKey)
{
    loadImage(QStringLiteral("bild.bmp"), solid(40, 30, qRgb(0, 0, 200)).image());
    window.exec();
    QImage logo(10, 10, QImage::Format_RGB888);
    logo.fill(Qt::white);
    logo.setPixel(5, 5, qRgb(0, 0, 0));
    ASSERT_TRUE(logo.save(path(QStringLiteral("logo.bmp"))));
    openTab(TJPGOpti::kTabBlend);
    EXPECT_EQ(control<QSpinBox>("eBlendLeft")->maximum(), 40);
    EXPECT_EQ(control<QSpinBox>("eBlendTop")->maximum(), 30);
    choosers.openNames.append(path(QStringLiteral("logo.bmp")));
    click("btLogo");
    control<QSlider>("TBarBlend")->setValue(0);
    control<QSpinBox>("eBlendLeft")->setValue(3);
    EXPECT_EQ(window.previewPicture().image().pixel(8, 5), qRgb(0, 0, 0));
    EXPECT_EQ(window.previewPicture().image().pixel(7, 5), qRgb(0, 0, 200));
    control<QSlider>("TBarSize")->setValue(200);
    EXPECT_EQ(window.logoPicture().width(), 20);
    EXPECT_EQ(text("TBarSizeValue"), QStringLiteral("200"));
    click("btBlendOk");
    EXPECT_EQ(window.workingPicture().image().pixel(13, 11), qRgb(0, 0, 0));
    EXPECT_EQ(control<QSlider>("TBarBlend")->value(), 0); // not a correction control
}

TEST_F(JpgOptiTest, TextTabStampsThePreview)
{
    loadImage(QStringLiteral("bild.bmp"), solid(120, 40, qRgb(255, 255, 255)).image());
    window.exec();
    openTab(TJPGOpti::kTabText);
    control<QLineEdit>("eTText")->setText(QStringLiteral("Hallo"));
    const QImage preview = window.previewPicture().image();
    EXPECT_FALSE(samePixels(window.previewPicture(), window.workingPicture()));
    // "rechts" moves the text away from the left edge.
    control<QComboBox>("eTTextH")->setCurrentIndex(2);
    EXPECT_NE(window.previewPicture().image(), preview);
    QFont big(QStringLiteral("DejaVu Sans"));
    big.setPixelSize(20);
    choosers.fonts.append(OptiFont{big, 0x0000ff});
    click("btTextFont");
    EXPECT_EQ(text("lTextFont"), QStringLiteral("DejaVu Sans"));
    click("btTextOk");
    bool red = false;
    const QImage& committed = window.workingPicture().image();
    for (int y = 0; y < committed.height() && !red; ++y) {
        for (int x = 0; x < committed.width() && !red; ++x) {
            const QRgb pixel = committed.pixel(x, y);
            red = qRed(pixel) > 200 && qGreen(pixel) < 60;
        }
    }
    EXPECT_TRUE(red);
}

TEST_F(JpgOptiTest, PasteAndCopy)
{
    window.exec();
    const Picture before = window.workingPicture();
    QGuiApplication::clipboard()->clear();
    dialogs.queue(DialogResult::Yes);
    click("btPaste");
    ASSERT_EQ(dialogs.entries().size(), 2);
    EXPECT_EQ(dialogs.texts().at(0), QStringLiteral("Aus Zwischenablage einfügen?"));
    EXPECT_EQ(dialogs.entries().at(1).type, DialogType::Error);
    EXPECT_TRUE(samePixels(window.workingPicture(), before));

    // Answered No: nothing is taken.
    QGuiApplication::clipboard()->setImage(gradientImage(640, 480));
    click("btPaste");
    EXPECT_EQ(workingSize(), QSize(281, 211));

    dialogs.queue(DialogResult::Yes);
    click("btPaste");
    EXPECT_EQ(workingSize(), QSize(640, 480));
    EXPECT_EQ(text("lTitle"), QStringLiteral("Clip"));
    EXPECT_TRUE(text("lFileSize").isEmpty());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren [clip] (640 x 480)"));
    EXPECT_EQ(control<QSpinBox>("bWidth")->value(), 640);

    dialogs.clear();
    QGuiApplication::clipboard()->clear();
    click("btCopy");
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Bild kopiert")});
    EXPECT_EQ(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888),
              window.workingPicture().image());
}

TEST_F(JpgOptiTest, SavingAsJpegAndGif)
{
    window.exec();
    choosers.saveNames.append(path(QStringLiteral("bild.png")));
    click("btSaveJpg");
    EXPECT_EQ(choosers.asked.last(), QStringLiteral("Bild speichern jpg"));
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("bild.jpg"))));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("bild.png"))));
    EXPECT_EQ(dialogs.texts(), QStringList{QStringLiteral("Datei gesichert!")});
    EXPECT_EQ(dialogs.entries().constFirst().type, DialogType::Information);

    choosers.saveNames.append(path(QStringLiteral("bild")));
    click("btSaveGif");
    EXPECT_EQ(choosers.asked.last(), QStringLiteral("Bild speichern gif"));
    QImage gif(path(QStringLiteral("bild.gif")));
    EXPECT_EQ(gif.size(), QSize(281, 211));

    // A cancelled dialog writes nothing and says nothing.
    dialogs.clear();
    click("btSaveJpg");
    EXPECT_TRUE(dialogs.entries().isEmpty());
}

TEST_F(JpgOptiTest, SavingWhereNothingCanBeWrittenGivesAMessage)
{
    window.exec();
    const Picture before = window.workingPicture();
    // A "folder" that is a file: no user, not even root, can write below it.
    QFile blocker(path(QStringLiteral("datei")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    choosers.saveNames.append(path(QStringLiteral("datei/bild.jpg")));
    click("btSaveJpg");
    choosers.saveNames.append(path(QStringLiteral("datei/bild.gif")));
    click("btSaveGif");
    ASSERT_EQ(dialogs.entries().size(), 2);
    EXPECT_EQ(dialogs.entries().at(0).type, DialogType::Error);
    EXPECT_EQ(dialogs.entries().at(1).type, DialogType::Error);
    EXPECT_NE(dialogs.texts().at(0), QStringLiteral("Datei gesichert!"));
    EXPECT_TRUE(samePixels(window.workingPicture(), before));
}

TEST_F(JpgOptiTest, ShowingAgainDeletesEarlierTestFiles)
{
    window.exec();
    click("btTest");
    const QString jpeg = window.testFile().madeJpegName();
    ASSERT_TRUE(QFileInfo::exists(jpeg));
    window.exec();
    EXPECT_FALSE(QFileInfo::exists(jpeg));
    EXPECT_FALSE(window.testFile().isMade());
}

TEST_F(JpgOptiTest, BadLogoMaskAndClipboardPicturesGiveMessages)
{
    window.exec();
    const Picture before = window.workingPicture();
    QFile bad(path(QStringLiteral("kaputt.bmp")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BM not really");
    bad.close();
    openTab(TJPGOpti::kTabBlend);
    choosers.openNames.append(bad.fileName());
    click("btLogo");
    EXPECT_TRUE(window.logoPicture().isEmpty());
    openTab(TJPGOpti::kTabMask);
    choosers.openNames.append(bad.fileName());
    click("btMask");
    ASSERT_EQ(dialogs.entries().size(), 2);
    EXPECT_EQ(dialogs.entries().at(0).type, DialogType::Error);
    EXPECT_EQ(dialogs.entries().at(1).type, DialogType::Error);

    // Wider than a JPEG or GIF can be: refused before it becomes the working picture.
    openTab(TJPGOpti::kTabDatei);
    QImage wide(kMaxPictureSide + 1, 1, QImage::Format_RGB888);
    wide.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(wide);
    dialogs.queue(DialogResult::Yes);
    click("btPaste");
    EXPECT_EQ(dialogs.entries().last().type, DialogType::Error);
    EXPECT_TRUE(samePixels(window.workingPicture(), before));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("JPG optimieren"));
}

TEST_F(JpgOptiTest, LoadingStartsANewHistory)
{
    window.exec();
    openTab(TJPGOpti::kTabTurn);
    click("btRotate90");
    click("btTurnOk");
    EXPECT_TRUE(window.canUndo());
    EXPECT_TRUE(control<QPushButton>("btUndo")->isEnabled());
    openTab(TJPGOpti::kTabDatei);
    loadImage(QStringLiteral("neu.bmp"), gradientImage(8, 6));
    EXPECT_FALSE(window.canUndo());
    EXPECT_FALSE(control<QPushButton>("btUndo")->isEnabled());
    window.btUndoClick();
    EXPECT_EQ(workingSize(), QSize(8, 6));
}

TEST(JpgOptiChoosers, FiltersForQt)
{
    EXPECT_EQ(
        QtOptiChoosers::nameFilters(
            QStringLiteral("Alle (*.jpg;*gif)|*.jpg;*.gif|Bitmaps (*.bmp)|*.bmp")),
        (QStringList{QStringLiteral("Alle (*.jpg *.gif)"), QStringLiteral("Bitmaps (*.bmp)")}));
    EXPECT_TRUE(QtOptiChoosers::nameFilters(QString()).isEmpty());
}
