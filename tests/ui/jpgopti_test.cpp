// The optimiser window, headless: loading, sizes and the preview, the quality test and
// its files, saving, the clipboard and bad input.
#include "jpgopti_fixture.h"

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
