// The editing tabs of the optimiser window: each builds its preview from the working
// picture and commits it with its "Ok".
#include "ui/jpgopti.h"

#include "pic/filters.h"
#include "pic/textstamp.h"
#include "ui/jpgopti_widgets.h"
#include "util/dialogs.h"
#include "util/error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <climits>

using namespace Qt::StringLiterals;

namespace {

const QSize kTurnArea{360, 270};

QPushButton* okButton(const QString& name)
{
    auto* button = new QPushButton(u"Ok"_s);
    button->setObjectName(name);
    return button;
}

// Adds a slider row: caption, slider, value label.
QSlider* addSliderRow(QGridLayout* layout, int row, const QString& caption, const QString& name,
                      int minimum, int maximum, int value, int tickInterval)
{
    QSlider* slider = makeSlider(name, minimum, maximum, value, tickInterval);
    layout->addWidget(new QLabel(caption), row, 0);
    layout->addWidget(slider, row, 1);
    layout->addWidget(makeValueLabel(slider), row, 2);
    return slider;
}

} // namespace

QWidget* TJPGOpti::buildLightPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    Invert = new QCheckBox(u"Invertieren"_s);
    Invert->setObjectName(u"Invert"_s);
    layout->addWidget(Invert, 0, 0, 1, 2);
    TBarHell = addSliderRow(layout, 1, u"Helligkeit"_s, u"TBarHell"_s, -255, 255, 0, 10);
    TBarKontr = addSliderRow(layout, 2, u"Kontrast"_s, u"TBarKontr"_s, -255, 255, 0, 10);
    // Below -100 the contrast turns the picture negative; -100 is flat grey.
    auto* contrastScale = new QHBoxLayout;
    contrastScale->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(2);
    contrastScale->addWidget(new QLabel(u"negativ"_s));
    contrastScale->addStretch(1);
    contrastScale->addWidget(new QLabel(u"weniger"_s));
    contrastScale->addStretch(2);
    contrastScale->addWidget(new QLabel(u"mehr"_s));
    layout->addLayout(contrastScale, 3, 1);
    TBarSatt = addSliderRow(layout, 4, u"Sättigung"_s, u"TBarSatt"_s, -255, 255, 0, 10);
    connect(Invert, &QCheckBox::toggled, this, &TJPGOpti::lightChange);
    for (QSlider* slider : {TBarHell, TBarKontr, TBarSatt}) {
        connect(slider, &QSlider::valueChanged, this, &TJPGOpti::lightChange);
    }
    QPushButton* ok = commitButton(u"btLightOk"_s);
    layout->addWidget(ok, 5, 2);
    layout->setRowStretch(6, 1); // the rows stay together at the top
    return page;
}

QWidget* TJPGOpti::buildTonePage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    ToneBW = new QCheckBox(u"schwarz / weiss"_s);
    ToneBW->setObjectName(u"ToneBW"_s);
    ToneOld = new QCheckBox(u"altes Bild"_s);
    ToneOld->setObjectName(u"ToneOld"_s);
    layout->addWidget(ToneBW, 0, 0, 1, 2);
    layout->addWidget(ToneOld, 1, 0, 1, 2);
    ToneR = addSliderRow(layout, 2, u"rot"_s, u"ToneR"_s, -255, 255, 0, 10);
    ToneG = addSliderRow(layout, 3, u"grün"_s, u"ToneG"_s, -255, 255, 0, 10);
    ToneB = addSliderRow(layout, 4, u"blau"_s, u"ToneB"_s, -255, 255, 0, 10);
    connect(ToneBW, &QCheckBox::toggled, this, [this] { toneChange(ToneBW); });
    connect(ToneOld, &QCheckBox::toggled, this, [this] { toneChange(ToneOld); });
    for (QSlider* slider : {ToneR, ToneG, ToneB}) {
        connect(slider, &QSlider::valueChanged, this, [this] { toneChange(nullptr); });
    }
    QPushButton* ok = commitButton(u"btToneOk"_s);
    layout->addWidget(ok, 5, 2);
    layout->setRowStretch(6, 1); // the rows stay together at the top
    return page;
}

QWidget* TJPGOpti::buildTurnPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    m_turnView = new QLabel;
    m_turnView->setObjectName(u"ImgTurn"_s);
    m_turnView->setFixedSize(kTurnArea);
    m_turnView->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_turnView, 0, 0, 5, 1);
    const QStringList texts{u"Horizontal spiegeln"_s, u"Vertikal spiegeln"_s, u"Drehen 90°"_s,
                            u"Drehen 180°"_s};
    const QStringList names{u"btMirror"_s, u"btFlip"_s, u"btRotate90"_s, u"btRotate180"_s};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(texts.at(i));
        button->setObjectName(names.at(i));
        connect(button, &QPushButton::clicked, this, [this, i] { turnClick(i); });
        layout->addWidget(button, i, 1);
    }
    QPushButton* ok = okButton(u"btTurnOk"_s);
    connect(ok, &QPushButton::clicked, this, [this] { commitWorking(m_turn, true); });
    layout->addWidget(ok, 4, 1);
    return page;
}

QWidget* TJPGOpti::buildCropPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    m_cropCanvas = new QLabel;
    m_cropCanvas->setObjectName(u"ImgCut"_s);
    m_cropCanvas->setFixedSize(kCropArea);
    layout->addWidget(m_cropCanvas, 0, 0, 2, 1);
    auto* group = new QGroupBox(u"Abschneiden"_s);
    auto* margins = new QGridLayout(group);
    eCutL = makeSpin(u"eCutL"_s, 0, 0, 0);
    eCutT = makeSpin(u"eCutT"_s, 0, 0, 0);
    eCutR = makeSpin(u"eCutR"_s, 0, 0, 0);
    eCutB = makeSpin(u"eCutB"_s, 0, 0, 0);
    const QList<std::pair<QString, QSpinBox*>> rows{
        {u"links"_s, eCutL}, {u"oben"_s, eCutT}, {u"rechts"_s, eCutR}, {u"unten"_s, eCutB}};
    for (int i = 0; i < rows.size(); ++i) {
        margins->addWidget(new QLabel(rows.at(i).first), i, 0);
        margins->addWidget(rows.at(i).second, i, 1);
        connect(rows.at(i).second, &QSpinBox::valueChanged, this, &TJPGOpti::placeCropFrame);
    }
    layout->addWidget(group, 0, 1);
    QPushButton* ok = okButton(u"btCutOk"_s);
    connect(ok, &QPushButton::clicked, this, &TJPGOpti::cropOkClick);
    layout->addWidget(ok, 1, 1);
    return page;
}

QWidget* TJPGOpti::buildTextPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    eTText = new QLineEdit;
    eTText->setObjectName(u"eTText"_s);
    eTTextH = makePlacementList(u"eTTextH"_s, true);
    eTTextV = makePlacementList(u"eTTextV"_s, false);
    // The offsets have no limits of their own.
    eTTextL = makeSpin(u"eTTextL"_s, INT_MIN, INT_MAX, 0);
    eTTextT = makeSpin(u"eTTextT"_s, INT_MIN, INT_MAX, 0);
    layout->addWidget(new QLabel(u"Text"_s), 0, 0);
    layout->addWidget(eTText, 0, 1, 1, 3);
    layout->addWidget(eTTextH, 1, 0);
    layout->addWidget(eTTextL, 1, 1);
    layout->addWidget(eTTextV, 1, 2);
    layout->addWidget(eTTextT, 1, 3);
    auto* font = new QPushButton(u"Schrift..."_s);
    font->setObjectName(u"btTextFont"_s);
    connect(font, &QPushButton::clicked, this, &TJPGOpti::textFontClick);
    layout->addWidget(font, 2, 0);
    m_textFontSample = new QLabel;
    m_textFontSample->setObjectName(u"lTextFont"_s);
    setSampleFont(m_textFontSample, m_textFont);
    layout->addWidget(m_textFontSample, 2, 1, 1, 2);
    connect(eTText, &QLineEdit::textChanged, this, &TJPGOpti::textStampChange);
    connect(eTTextH, &QComboBox::currentIndexChanged, this, &TJPGOpti::textStampChange);
    connect(eTTextV, &QComboBox::currentIndexChanged, this, &TJPGOpti::textStampChange);
    connect(eTTextL, &QSpinBox::valueChanged, this, &TJPGOpti::textStampChange);
    connect(eTTextT, &QSpinBox::valueChanged, this, &TJPGOpti::textStampChange);
    QPushButton* ok = commitButton(u"btTextOk"_s);
    layout->addWidget(ok, 2, 3);
    return page;
}

QPushButton* TJPGOpti::commitButton(const QString& name)
{
    QPushButton* ok = okButton(name);
    connect(ok, &QPushButton::clicked, this, [this] { commitWorking(m_preview, true); });
    return ok;
}

QWidget* TJPGOpti::buildBlendPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    auto* choose = new QPushButton(u"Bild wählen..."_s);
    choose->setObjectName(u"btLogo"_s);
    connect(choose, &QPushButton::clicked, this, &TJPGOpti::chooseLogoClick);
    m_logoName = new QLabel;
    m_logoName->setObjectName(u"lLogo"_s);
    layout->addWidget(choose, 0, 0);
    layout->addWidget(m_logoName, 0, 1, 1, 2);
    TBarBlend = addSliderRow(layout, 1, u"Transparenz"_s, u"TBarBlend"_s, 0, 100, 50, 10);
    TBarSize = addSliderRow(layout, 2, u"Grösse %"_s, u"TBarSize"_s, 1, 200, 100, 10);
    eBlendH = makePlacementList(u"eBlendH"_s, true);
    eBlendV = makePlacementList(u"eBlendV"_s, false);
    eBlendLeft = makeSpin(u"eBlendLeft"_s, 0, 0, 0);
    eBlendTop = makeSpin(u"eBlendTop"_s, 0, 0, 0);
    auto* place = new QGridLayout;
    place->addWidget(eBlendH, 0, 0);
    place->addWidget(eBlendLeft, 0, 1);
    place->addWidget(eBlendV, 0, 2);
    place->addWidget(eBlendTop, 0, 3);
    layout->addLayout(place, 3, 0, 1, 3);
    connect(TBarSize, &QSlider::valueChanged, this, &TJPGOpti::logoSizeChange);
    connect(TBarBlend, &QSlider::valueChanged, this, &TJPGOpti::blendChange);
    connect(eBlendH, &QComboBox::currentIndexChanged, this, &TJPGOpti::blendChange);
    connect(eBlendV, &QComboBox::currentIndexChanged, this, &TJPGOpti::blendChange);
    connect(eBlendLeft, &QSpinBox::valueChanged, this, &TJPGOpti::blendChange);
    connect(eBlendTop, &QSpinBox::valueChanged, this, &TJPGOpti::blendChange);
    QPushButton* ok = commitButton(u"btBlendOk"_s);
    layout->addWidget(ok, 4, 2);
    return page;
}

QWidget* TJPGOpti::buildMaskPage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    auto* choose = new QPushButton(u"Maske wählen..."_s);
    choose->setObjectName(u"btMask"_s);
    connect(choose, &QPushButton::clicked, this, &TJPGOpti::chooseMaskClick);
    auto* colour = new QPushButton(u"Zielfarbe.."_s);
    colour->setObjectName(u"btMaskColour"_s);
    connect(colour, &QPushButton::clicked, this, &TJPGOpti::maskColourClick);
    m_maskPanel = new QLabel;
    m_maskPanel->setObjectName(u"pMaskColour"_s);
    m_maskPanel->setFixedSize(40, 20);
    m_maskPanel->setAutoFillBackground(true);
    QPalette palette = m_maskPanel->palette();
    palette.setColor(QPalette::Window, m_maskColour.toColor());
    m_maskPanel->setPalette(palette);
    layout->addWidget(choose, 0, 0);
    layout->addWidget(colour, 1, 0);
    layout->addWidget(m_maskPanel, 1, 1);
    QPushButton* ok = commitButton(u"btMaskOk"_s);
    layout->addWidget(ok, 2, 1);
    return page;
}

void TJPGOpti::enterEditTab(int index)
{
    // Previews follow the controls as they stand, so "Ok" commits what is shown.
    switch (index) {
    case kTabSize:
        m_textLabel->show();
        btAnzClick(RefreshSource::Other);
        break;
    case kTabLight:
        lightChange();
        break;
    case kTabTone:
        toneChange(nullptr);
        break;
    case kTabTurn:
        m_turn = m_working;
        showTurn();
        break;
    case kTabCrop:
        prepareCrop();
        break;
    case kTabText:
        textStampChange();
        break;
    case kTabBlend:
        eBlendLeft->setMaximum(m_working.width());
        eBlendTop->setMaximum(m_working.height());
        blendChange();
        break;
    case kTabMask:
        applyMask();
        break;
    default:
        break;
    }
}

void TJPGOpti::neutralCorrections()
{
    m_settingControls = true;
    for (QSlider* slider : {TBarHell, TBarKontr, TBarSatt, ToneR, ToneG, ToneB}) {
        slider->setValue(0);
    }
    for (QCheckBox* box : {Invert, ToneBW, ToneOld}) {
        box->setChecked(false);
    }
    m_settingControls = false;
}

void TJPGOpti::lightChange()
{
    if (m_settingControls || m_currentTab != kTabLight) {
        return;
    }
    m_preview = lightPreview(
        m_working, {Invert->isChecked(), TBarHell->value(), TBarKontr->value(), TBarSatt->value()});
    m_state = PreviewState::Current;
    showPreview();
}

void TJPGOpti::toneChange(QCheckBox* ticked)
{
    if (m_settingControls || m_currentTab != kTabTone) {
        return;
    }
    if (ticked && ticked->isChecked()) {
        m_settingControls = true;
        for (QSlider* slider : {ToneR, ToneG, ToneB}) {
            slider->setValue(0);
        }
        m_settingControls = false;
    }
    m_preview = tonePreview(m_working, {ToneBW->isChecked(), ToneOld->isChecked(), ToneR->value(),
                                        ToneG->value(), ToneB->value()});
    m_state = PreviewState::Current;
    showPreview();
}

void TJPGOpti::turnClick(int operation)
{
    switch (operation) {
    case 0:
        MirrorHorizontal(m_turn);
        break;
    case 1:
        FlipVertical(m_turn);
        break;
    case 2:
        Rotate90(m_turn);
        break;
    default:
        Rotate180(m_turn);
        break;
    }
    showTurn();
}

void TJPGOpti::showTurn()
{
    m_turnView->setPixmap(QPixmap::fromImage(
        displayImage(m_turn).scaled(kTurnArea, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TJPGOpti::prepareCrop()
{
    m_cropView = m_working;
    ScalePicture(m_cropView, kCropArea.width(), kCropArea.height(), true, -1);
    m_settingControls = true;
    for (QSpinBox* margin : {eCutL, eCutT, eCutR, eCutB}) {
        margin->setValue(0);
    }
    eCutL->setMaximum(m_working.width() / 2);
    eCutR->setMaximum(m_working.width() / 2);
    eCutT->setMaximum(m_working.height() / 2);
    eCutB->setMaximum(m_working.height() / 2);
    m_settingControls = false;
    placeCropFrame();
}

void TJPGOpti::placeCropFrame()
{
    if (m_settingControls || m_cropView.isEmpty()) {
        return;
    }
    const QImage view = displayImage(m_cropView);
    m_cropViewRect = QRect(
        QPoint((kCropArea.width() - view.width()) / 2, (kCropArea.height() - view.height()) / 2),
        view.size());
    m_cropFrame = cropFrame(QSize(m_working.width(), m_working.height()), m_cropViewRect,
                            eCutL->value(), eCutT->value(), eCutR->value(), eCutB->value());
    QImage canvas(kCropArea, QImage::Format_RGB32);
    canvas.fill(palette().color(QPalette::Window));
    {
        QPainter painter(&canvas);
        painter.drawImage(m_cropViewRect.topLeft(), view);
    }
    drawInvertedFrame(canvas, m_cropFrame);
    m_cropCanvas->setPixmap(QPixmap::fromImage(canvas));
}

void TJPGOpti::cropOkClick()
{
    Picture result = m_working;
    Crop(result, eCutL->value(), eCutT->value(), eCutR->value(), eCutB->value());
    if (result.width() != m_working.width() || result.height() != m_working.height()) {
        commitWorking(result, false);
    }
    prepareCrop();
}

void TJPGOpti::textStampChange()
{
    if (m_currentTab != kTabText) {
        return;
    }
    m_preview =
        textPreview(m_working, eTText->text(), m_textFont.font, m_textFont.colour, eTTextL->value(),
                    eTTextT->value(), eTTextH->currentIndex(), eTTextV->currentIndex());
    m_state = PreviewState::Current;
    showPreview();
}

void TJPGOpti::textFontClick()
{
    if (const auto font = choosers().chooseFont(this, m_textFont)) {
        m_textFont = *font;
        setSampleFont(m_textFontSample, m_textFont);
        textStampChange();
    }
}

void TJPGOpti::chooseLogoClick()
{
    if (choosePicture(m_logoFile)) {
        logoSizeChange();
    }
}

void TJPGOpti::logoSizeChange()
{
    if (m_logoFile.isEmpty()) {
        return;
    }
    try {
        loadOptimiserLogo(m_logo, m_logoFile, TBarSize->value());
    } catch (const LumiError& error) {
        showError(error);
        return;
    }
    m_logoName->setText(QFileInfo(m_logoFile).fileName());
    blendChange();
}

void TJPGOpti::blendChange()
{
    if (m_logo.isEmpty() || m_currentTab != kTabBlend) {
        return;
    }
    m_preview = blendPreview(m_working, m_logo, TBarBlend->value(), eBlendH->currentIndex(),
                             eBlendV->currentIndex(), eBlendLeft->value(), eBlendTop->value());
    m_state = PreviewState::Current;
    showPreview();
}

void TJPGOpti::chooseMaskClick()
{
    QString path;
    if (!choosePicture(path)) {
        return;
    }
    Picture loaded;
    try {
        LoadPicture(loaded, path);
    } catch (const LumiError& error) {
        showError(error);
        return;
    }
    m_mask = loaded;
    applyMask();
}

void TJPGOpti::maskColourClick()
{
    const auto colour = choosers().chooseColour(this, m_maskColour);
    if (!colour) {
        return;
    }
    m_maskColour = *colour;
    QPalette palette = m_maskPanel->palette();
    palette.setColor(QPalette::Window, m_maskColour.toColor());
    m_maskPanel->setPalette(palette);
    applyMask();
}

void TJPGOpti::applyMask()
{
    if (m_currentTab != kTabMask) {
        return;
    }
    m_preview = maskPreview(m_working, m_mask, m_maskColour);
    m_state = PreviewState::Current;
    showPreview();
}
