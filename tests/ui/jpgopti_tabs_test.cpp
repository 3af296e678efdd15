// The editing tabs of the optimiser window: previews, "Ok" commits, dropped edits, Undo.
#include "jpgopti_fixture.h"

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
    choosers.colours.append(0x0000ff);
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
