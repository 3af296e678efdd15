// The optimiser window: its layout, the tab "Datei", loading and the clipboard, the size
// and preview refresh of the tab "Grösse", tab changes and commits.
#include "ui/jpgopti.h"

#include "pic/textstamp.h"
#include "ui/jpgopti_widgets.h"
#include "ui/screenfit.h"
#include "util/dialogs.h"
#include "util/error.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QSize kOriginalArea{240, 180};
// The picture size the preview shows without scrolling when the screen allows.
const QSize kPreviewFits{600, 400};

} // namespace

TJPGOpti::TJPGOpti(QWidget* parent) : QDialog(parent)
{
    setObjectName(u"JPGOpti"_s);
    setWindowTitle(u"JPG optimieren"_s);
    setModal(false);
    m_sizeFont = startFont();
    m_textFont = startFont();

    auto* top = new QHBoxLayout;
    auto* originalBox = new QGroupBox(u"Original (skaliert)"_s);
    auto* originalLayout = new QVBoxLayout(originalBox);
    m_originalView = new QLabel;
    m_originalView->setObjectName(u"ImgOrig"_s);
    m_originalView->setFixedSize(kOriginalArea);
    m_originalView->setAlignment(Qt::AlignCenter);
    m_fileSize = new QLabel;
    m_fileSize->setObjectName(u"lFileSize"_s);
    m_sizeLabel = new QLabel;
    m_sizeLabel->setObjectName(u"lSize"_s);
    originalLayout->addWidget(m_originalView);
    originalLayout->addWidget(m_fileSize);
    originalLayout->addWidget(m_sizeLabel);
    originalLayout->addStretch();

    auto* targetBox = new QGroupBox(u"Zielbild (Ansicht auf Bildschirm)"_s);
    auto* targetLayout = new QVBoxLayout(targetBox);
    m_testLine = new QLabel;
    m_testLine->setObjectName(u"lTest"_s);
    m_previewArea = new QScrollArea;
    m_previewArea->setMinimumSize(420, 260);
    m_panel = new PreviewPanel;
    m_panel->setObjectName(u"pPreview"_s);
    m_panel->installEventFilter(this);
    m_previewArea->setWidget(m_panel);
    m_textLabel = new QLabel(m_panel);
    m_textLabel->setObjectName(u"lText"_s);
    m_textLabel->setCursor(Qt::SizeAllCursor);
    m_textLabel->installEventFilter(this);
    m_textLabel->hide();
    targetLayout->addWidget(m_testLine);
    targetLayout->addWidget(m_previewArea, 1);
    top->addWidget(originalBox);
    top->addWidget(targetBox, 1);

    m_titleLine = new QLabel;
    m_titleLine->setObjectName(u"lTitle"_s);
    m_titleLine->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(u"Tabs"_s);
    m_tabs->addTab(buildFilePage(), u"Datei"_s);
    m_tabs->addTab(buildSizePage(), u"Grösse"_s);
    m_tabs->addTab(buildLightPage(), u"Beleuchtung/Kontrast/Sättigung"_s);
    m_tabs->addTab(buildTonePage(), u"Farbton"_s);
    m_tabs->addTab(buildTurnPage(), u"Spiegeln/Drehen"_s);
    m_tabs->addTab(buildCropPage(), u"Zuschneiden"_s);
    m_tabs->addTab(buildTextPage(), u"Text einfügen"_s);
    m_tabs->addTab(buildBlendPage(), u"Bild einfügen"_s);
    m_tabs->addTab(buildMaskPage(), u"Maske"_s);
    // On a small screen the pages scroll and the preview keeps its room.
    makePagesScrollable(m_tabs);
    connect(m_tabs, &QTabWidget::currentChanged, this, &TJPGOpti::tabChange);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_titleLine);
    layout->addLayout(top, 1);
    layout->addWidget(m_tabs);

    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, &TJPGOpti::btUndoClick);

    m_working = makeSamplePicture();
    bSizeChange(false);
    sizeToContent();
}

void TJPGOpti::sizeToContent()
{
    // Every tab shows, none hides behind scroll arrows.
    m_tabs->setUsesScrollButtons(false);
    // Large enough that a 600 x 400 picture fits unscrolled, never larger than the screen.
    const QSize minimum = m_previewArea->minimumSize();
    const int frame = 2 * m_previewArea->frameWidth();
    m_previewArea->setMinimumSize(kPreviewFits + QSize(frame, frame));
    QSize wanted = sizeHint();
    m_previewArea->setMinimumSize(minimum);
    if (const QScreen* screen = this->screen()) {
        const QSize available = screen->availableGeometry().size();
        // The frame the window manager adds is not part of the window's size.
        const QSize decoration = frameGeometry().size() - geometry().size();
        wanted = wanted.boundedTo(available - decoration);
    }
    resize(wanted);
}

TJPGOpti::~TJPGOpti() = default;

QWidget* TJPGOpti::buildFilePage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    const auto addButton = [&](const QString& name, const QString& text, int row, int column,
                               void (TJPGOpti::*slot)()) {
        auto* button = new QPushButton(text);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, slot);
        layout->addWidget(button, row, column);
        return button;
    };
    addButton(u"btLoad"_s, u"Laden..."_s, 0, 0, &TJPGOpti::btLoadClick);
    addButton(u"btTest"_s, u"Qualität/Dateigrösse testen"_s, 1, 0, &TJPGOpti::btTestClick);
    addButton(u"btSaveJpg"_s, u"Speichern... (jpg)"_s, 0, 1, &TJPGOpti::btSaveJpgClick);
    addButton(u"btSaveGif"_s, u"Speichern... (gif)"_s, 1, 1, &TJPGOpti::btSaveGifClick);
    addButton(u"btPaste"_s, u"Einfügen"_s, 0, 2, &TJPGOpti::btPasteClick);
    addButton(u"btCopy"_s, u"Kopieren"_s, 1, 2, &TJPGOpti::btCopyClick);
    m_undoButton = addButton(u"btUndo"_s, u"Rückgängig"_s, 0, 3, &TJPGOpti::btUndoClick);
    m_undoButton->setEnabled(false);
    auto* close = new QPushButton(u"Schließen"_s);
    close->setObjectName(u"btClose"_s);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    layout->addWidget(close, 1, 3);

    auto* quality = new QHBoxLayout;
    quality->addWidget(new QLabel(u"Qualität"_s));
    quality->addWidget(new QLabel(u"1%"_s));
    bCompress = makeSlider(u"bCompress"_s, 0, 100, 80, 5);
    bCompress->setPageStep(10);
    bCompress->setSingleStep(10);
    quality->addWidget(bCompress, 1);
    quality->addWidget(new QLabel(u"100%"_s));
    m_compressLabel = new QLabel(u"80%"_s);
    m_compressLabel->setObjectName(u"lCompress"_s);
    quality->addWidget(m_compressLabel);
    connect(bCompress, &QSlider::valueChanged, this, [this](int value) {
        if (value < 1) {
            bCompress->setValue(1); // runs this handler again with 1
            return;
        }
        m_compressLabel->setText(QString::number(value) + u'%');
    });
    layout->addLayout(quality, 2, 0, 1, 4);
    return page;
}

QWidget* TJPGOpti::buildSizePage()
{
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);
    bSize = makeSlider(u"bSize"_s, 0, 200, 100, 10);
    m_bSizeLabel = new QLabel(u"100%"_s);
    m_bSizeLabel->setObjectName(u"lbSize"_s);
    connect(bSize, &QSlider::valueChanged, this, [this] { bSizeChange(true); });
    layout->addWidget(new QLabel(u"Grösse"_s), 0, 0);
    layout->addWidget(bSize, 0, 1, 1, 3);
    layout->addWidget(m_bSizeLabel, 0, 4);

    bWidth = makeSpin(u"bWidth"_s, 1, 2, 1);
    bHeight = makeSpin(u"bHeight"_s, 1, 2, 1);
    eProp = new QCheckBox(u"Proporzional"_s);
    eProp->setObjectName(u"eProp"_s);
    eProp->setChecked(true);
    connect(bWidth, &QSpinBox::valueChanged, this, [this] { btAnzClick(RefreshSource::Width); });
    connect(bHeight, &QSpinBox::valueChanged, this, [this] { btAnzClick(RefreshSource::Height); });
    connect(eProp, &QCheckBox::toggled, this, [this] { btAnzClick(RefreshSource::Proportional); });
    layout->addWidget(new QLabel(u"Breite"_s), 1, 0);
    layout->addWidget(bWidth, 1, 1);
    layout->addWidget(new QLabel(u"Höhe"_s), 1, 2);
    layout->addWidget(bHeight, 1, 3);
    layout->addWidget(eProp, 1, 4);

    auto* textBox = new QGroupBox(u"Text"_s);
    auto* textLayout = new QGridLayout(textBox);
    eText = new QLineEdit;
    eText->setObjectName(u"eText"_s);
    fw = makeSpin(u"fw"_s, 0, 10000, 0);
    fh = makeSpin(u"fh"_s, 0, 10000, 0);
    connect(eText, &QLineEdit::textChanged, this, &TJPGOpti::textPlaceChange);
    connect(fw, &QSpinBox::valueChanged, this, &TJPGOpti::textPlaceChange);
    connect(fh, &QSpinBox::valueChanged, this, &TJPGOpti::textPlaceChange);
    auto* font = new QPushButton(u"Schrift..."_s);
    font->setObjectName(u"btSizeFont"_s);
    connect(font, &QPushButton::clicked, this, &TJPGOpti::sizeFontClick);
    textLayout->addWidget(eText, 0, 0, 1, 4);
    textLayout->addWidget(new QLabel(u"links"_s), 1, 0);
    textLayout->addWidget(fw, 1, 1);
    textLayout->addWidget(new QLabel(u"oben"_s), 1, 2);
    textLayout->addWidget(fh, 1, 3);
    textLayout->addWidget(font, 2, 0);
    layout->addWidget(textBox, 2, 0, 1, 5);
    m_sizeFontSample = new QLabel;
    m_sizeFontSample->setObjectName(u"lSizeFont"_s);
    setSampleFont(m_sizeFontSample, m_sizeFont);
    layout->addWidget(m_sizeFontSample, 3, 0, 1, 4);
    auto* ok = new QPushButton(u"Ok"_s);
    ok->setObjectName(u"btSizeOk"_s);
    connect(ok, &QPushButton::clicked, this, &TJPGOpti::sizeOkClick);
    layout->addWidget(ok, 3, 4);
    return page;
}

void TJPGOpti::setChoosers(OptiChoosers* choosers)
{
    m_choosers = choosers;
}

OptiChoosers& TJPGOpti::choosers()
{
    static QtOptiChoosers desktop;
    return m_choosers ? *m_choosers : desktop;
}

QSize TJPGOpti::previewPanelSize() const
{
    return m_panel->size();
}

QWidget* TJPGOpti::previewPanel() const
{
    return m_panel;
}

void TJPGOpti::exec(const QString& Datei)
{
    // A window shown again without being closed may still hold test files: delete them
    // before their names are forgotten.
    m_testFile.remove();
    m_state = PreviewState::Stale;
    show();
    raise();
    activateWindow();
    bSizeChange(false);
    m_tabs->setCurrentIndex(kTabDatei);
    tabChange(kTabDatei);
    if (!Datei.isEmpty()) {
        m_openFileName = Datei;
        load();
    }
}

void TJPGOpti::load()
{
    const QFileInfo file(m_openFileName);
    if (m_openFileName.isEmpty() || !file.isFile()) {
        return;
    }
    Picture loaded = m_working;
    try {
        LoadPicture(loaded, m_openFileName);
        if (loaded.kind() != PictureKind::Icon) {
            ToBitmap(loaded);
        }
    } catch (const LumiError& error) {
        // The window keeps showing the picture (and the name) it had.
        showError(error);
        return;
    }
    replacePicture(loaded, file.fileName(), m_openFileName, byteCountText(file.size()));
}

void TJPGOpti::replacePicture(const Picture& picture, const QString& name, const QString& title,
                              const QString& sizeText)
{
    m_state = PreviewState::Stale;
    m_working = picture;
    m_history.clear();
    m_fileSize->setText(sizeText);
    m_titleLine->setText(title);
    setWindowTitle(
        optimiserCaption(windowTitle(), name, QSize(m_working.width(), m_working.height())));
    bSizeChange(false);
    enterEditTab(m_tabs->currentIndex());
}

bool TJPGOpti::choosePicture(QString& fileName)
{
    const QString path = choosers().openFile(this, u"Bild öffnen"_s, fileName, kOpenFilter);
    if (path.isEmpty()) {
        return false;
    }
    fileName = path;
    return true;
}

void TJPGOpti::btLoadClick()
{
    if (choosePicture(m_openFileName)) {
        load();
    }
}

void TJPGOpti::btPasteClick()
{
    if (!askYesNo(u"Aus Zwischenablage einfügen?"_s)) {
        return;
    }
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        showError(u"Die Zwischenablage enthält kein Bild."_s);
        return;
    }
    if (image.width() > kMaxPictureSide || image.height() > kMaxPictureSide ||
        qint64(image.width()) * image.height() > kMaxPicturePixels) {
        showError(u"Das Bild in der Zwischenablage ist zu groß."_s);
        return;
    }
    Picture pasted;
    pasted.setBitmap(image);
    replacePicture(pasted, u"clip"_s, u"Clip"_s, QString());
}

void TJPGOpti::btCopyClick()
{
    QGuiApplication::clipboard()->setImage(displayImage(m_working));
    showMessage(u"Bild kopiert"_s);
}

void TJPGOpti::btUndoClick()
{
    if (!m_history.canUndo()) {
        return;
    }
    m_working = m_history.pop();
    m_state = PreviewState::Stale;
    bSizeChange(false);
    enterEditTab(m_tabs->currentIndex());
}

void TJPGOpti::bSizeChange(bool fromSlider)
{
    const int W = m_working.width();
    const int H = m_working.height();
    m_sizeLabel->setText(QStringLiteral("%1 x %2").arg(W).arg(H));
    showWorking();
    m_undoButton->setEnabled(m_history.canUndo());
    {
        const QSignalBlocker blockWidth(bWidth);
        const QSignalBlocker blockHeight(bHeight);
        const QSignalBlocker blockSize(bSize);
        bWidth->setMaximum(std::max(1, 2 * W));
        bHeight->setMaximum(std::max(1, 2 * H));
        if (!fromSlider) {
            bSize->setValue(100);
        }
        bSize->setValue(effectivePercent(bSize->value()));
        m_bSizeLabel->setText(QString::number(bSize->value()) + u'%');
        const QSize target = sizeForPercent(QSize(W, H), bSize->value());
        bWidth->setValue(target.width());
        bHeight->setValue(target.height());
    }
    btAnzClick(RefreshSource::Other);
}

void TJPGOpti::btAnzClick(RefreshSource source)
{
    if (m_refreshBusy || m_state == PreviewState::TestResult) {
        return;
    }
    m_refreshBusy = true;
    const auto notBusy = qScopeGuard([this] { m_refreshBusy = false; });
    if (m_state == PreviewState::Stale) {
        m_preview = m_working;
        m_state = PreviewState::Current;
    }
    const QSize working(m_working.width(), m_working.height());
    if (eProp->isChecked()) {
        // Setting the other field runs its handler, which returns at once (busy).
        if (source == RefreshSource::Width || source == RefreshSource::Proportional) {
            bHeight->setValue(proportionalHeight(working, bWidth->value()));
        } else if (source == RefreshSource::Height) {
            bWidth->setValue(proportionalWidth(working, bHeight->value()));
        }
    }
    m_panel->setFixedSize(bWidth->value(), bHeight->value());
    m_testLine->clear();
    m_textLabel->setFont(m_sizeFont.font);
    QPalette palette = m_textLabel->palette();
    palette.setColor(QPalette::WindowText, m_sizeFont.colour.toColor());
    m_textLabel->setPalette(palette);
    m_textLabel->setText(eText->text());
    m_textLabel->adjustSize();
    m_textLabel->move(fw->value(), fh->value());
    showPreview();
}

void TJPGOpti::textPlaceChange()
{
    if (m_placeBusy) {
        return;
    }
    m_placeBusy = true;
    const auto notBusy = qScopeGuard([this] { m_placeBusy = false; });
    // The label's top-left corner stays inside the panel.
    const int maxLeft = std::max(0, m_panel->width() - 8);
    const int maxTop = std::max(0, m_panel->height() - 10);
    if (fw->value() > maxLeft) {
        fw->setValue(maxLeft);
    }
    if (fh->value() > maxTop) {
        fh->setValue(maxTop);
    }
    btAnzClick(RefreshSource::Text);
}

void TJPGOpti::showWorking()
{
    const QImage image = displayImage(m_working);
    m_originalView->setPixmap(QPixmap::fromImage(
        image.scaled(kOriginalArea, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void TJPGOpti::showPreview()
{
    m_panel->setImage(displayImage(m_preview));
}

void TJPGOpti::tabChange(int index)
{
    const int previous = m_currentTab;
    m_currentTab = index;
    if (index == kTabDatei || previous != kTabDatei) {
        // An edit that was not committed is dropped here.
        m_preview = m_working;
        m_textLabel->hide();
        showPreview();
    }
    if (previous == kTabDatei && index != kTabDatei && m_state == PreviewState::Stale) {
        btAnzClick(RefreshSource::Other);
    }
    enterEditTab(index);
}

void TJPGOpti::commitWorking(const Picture& result, bool resetCorrections)
{
    m_history.push(m_working);
    m_working = result;
    if (resetCorrections) {
        neutralCorrections();
    }
    m_state = PreviewState::Stale;
    bSizeChange(false);
}

void TJPGOpti::sizeOkClick()
{
    Picture result = m_working;
    resizeWithText(result, m_panel->size(), eProp->isChecked(), eText->text(), m_sizeFont.font,
                   m_sizeFont.colour, fw->value(), fh->value());
    // The text is in the picture now; the label would show it a second time.
    {
        const QSignalBlocker block(eText);
        eText->clear();
    }
    commitWorking(result, false);
}

void TJPGOpti::sizeFontClick()
{
    if (const auto font = choosers().chooseFont(this, m_sizeFont)) {
        m_sizeFont = *font;
        setSampleFont(m_sizeFontSample, m_sizeFont);
        btAnzClick(RefreshSource::Text);
    }
}

void TJPGOpti::setSampleFont(QLabel* sample, const OptiFont& font)
{
    sample->setFont(font.font);
    sample->setText(font.font.family());
}

void TJPGOpti::hideEvent(QHideEvent* event)
{
    // Closing the window (not minimising it) deletes the test files.
    if (!event->spontaneous()) {
        m_testFile.remove();
    }
    QDialog::hideEvent(event);
}

bool TJPGOpti::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_panel && event->type() == QEvent::MouseButtonPress) {
        if (m_state == PreviewState::Stale) {
            btAnzClick(RefreshSource::Other);
        }
        return false;
    }
    if (watched != m_textLabel) {
        return QDialog::eventFilter(watched, event);
    }
    // The label gets other events too (Show, Paint, ...): cast only what is a mouse event.
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
        type != QEvent::MouseButtonRelease) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (mouse->button() == Qt::LeftButton) {
            m_dragStart = mouse->position().toPoint();
            return true;
        }
        break;
    case QEvent::MouseMove:
        if ((mouse->buttons() & Qt::LeftButton) && !m_dragBusy) {
            m_dragBusy = true;
            const QPoint moved = mouse->position().toPoint() - m_dragStart;
            fw->setValue(std::max(0, fw->value() + moved.x()));
            fh->setValue(std::max(0, fh->value() + moved.y()));
            m_dragBusy = false;
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (mouse->button() == Qt::LeftButton) {
            btAnzClick(RefreshSource::Text);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}
