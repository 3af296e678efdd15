// The JPEG optimiser window "JPG optimieren": one picture loaded or pasted, edited tab by
// tab (each tab's "Ok" commits its preview), tried at JPEG qualities and saved.
#pragma once

#include "pic/optimiser.h"
#include "ui/jpgopti_choosers.h"

#include <QDialog>
#include <QPoint>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTabWidget;
class QWidget;
class PreviewPanel;

class TJPGOpti : public QDialog
{
    Q_OBJECT

public:
    // The tabs, in their order on the window.
    enum Tab
    {
        kTabDatei,
        kTabSize,
        kTabLight,
        kTabTone,
        kTabTurn,
        kTabCrop,
        kTabText,
        kTabBlend,
        kTabMask
    };
    static constexpr QSize kCropArea{360, 270};

    explicit TJPGOpti(QWidget* parent = nullptr);
    ~TJPGOpti() override;

    // Shows the window (not modal); a path is loaded and preselected in the open dialog.
    void exec(const QString& Datei = {});
    // Dialogs for files, fonts and colours (not owned); nullptr: the desktop's.
    void setChoosers(OptiChoosers* choosers);
    // Loads the file named in the open dialog.
    void load();

    const Picture& workingPicture() const { return m_working; }
    const Picture& previewPicture() const { return m_preview; }
    const Picture& turnPicture() const { return m_turn; }
    const Picture& logoPicture() const { return m_logo; }
    PreviewState previewState() const { return m_state; }
    const QualityTestFile& testFile() const { return m_testFile; }
    QSize previewPanelSize() const;
    QRect cropFrameRect() const { return m_cropFrame; }
    QRect cropViewRect() const { return m_cropViewRect; }
    ColourValue maskColour() const { return m_maskColour; }
    bool canUndo() const { return m_history.canUndo(); }
    QLabel* textLabel() const { return m_textLabel; }
    QWidget* previewPanel() const;
    QTabWidget* tabs() const { return m_tabs; }

public Q_SLOTS:
    // Tab "Datei".
    void btLoadClick();
    void btTestClick();
    void btSaveJpgClick();
    void btSaveGifClick();
    void btPasteClick();
    void btCopyClick();
    // Takes back the last committed edit (Ctrl+Z).
    void btUndoClick();

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class RefreshSource
    {
        Other,
        Width,
        Height,
        Proportional,
        Text
    };

    // jpgopti.cpp: the window, the tab "Datei", sizes and previews.
    QWidget* buildFilePage();
    QWidget* buildSizePage();
    void bSizeChange(bool fromSlider);
    void btAnzClick(RefreshSource source);
    void textPlaceChange();
    void showWorking();
    void showPreview();
    void tabChange(int index);
    void commitWorking(const Picture& result, bool resetCorrections);
    void sizeOkClick();
    void sizeFontClick();
    void setSampleFont(QLabel* sample, const OptiFont& font);
    void replacePicture(const Picture& picture, const QString& name, const QString& title,
                        const QString& sizeText);

    // jpgopti_tabs.cpp: the editing tabs.
    QWidget* buildLightPage();
    // The opening size: every tab visible and room for a 600 x 400 picture.
    void sizeToContent();
    QWidget* buildTonePage();
    QWidget* buildTurnPage();
    QWidget* buildCropPage();
    QWidget* buildTextPage();
    QWidget* buildBlendPage();
    QWidget* buildMaskPage();
    void enterEditTab(int index);
    void lightChange();
    void toneChange(QCheckBox* ticked);
    void turnClick(int operation);
    void showTurn();
    void prepareCrop();
    void placeCropFrame();
    void cropOkClick();
    void textStampChange();
    void textFontClick();
    void chooseLogoClick();
    void logoSizeChange();
    void blendChange();
    void chooseMaskClick();
    void maskColourClick();
    void applyMask();
    void neutralCorrections();

    OptiChoosers& choosers();
    // An "Ok" button named `name` that commits the preview into the working picture.
    QPushButton* commitButton(const QString& name);
    // The open dialog "Bild öffnen" starting at `fileName`, which takes the chosen file;
    // false when cancelled.
    bool choosePicture(QString& fileName);
    // The save dialog with `filter`, then `save` on the chosen path and its message.
    void savePicture(const QString& filter, const QString& suffix,
                     const std::function<bool(const QString&)>& save);

    // Pictures and state.
    Picture m_working;
    Picture m_preview;
    Picture m_turn;
    Picture m_cropView;
    Picture m_logo;
    QString m_logoFile;
    Picture m_mask;
    ColourValue m_maskColour = 0xffffff;
    PreviewState m_state = PreviewState::Stale;
    bool m_refreshBusy = false;
    bool m_dragBusy = false;
    bool m_placeBusy = false;
    // Set while a commit returns the correction controls to neutral.
    bool m_settingControls = false;
    QPoint m_dragStart;
    QualityTestFile m_testFile;
    EditHistory m_history;
    QString m_openFileName;
    QString m_saveFileName;
    OptiFont m_sizeFont;
    OptiFont m_textFont;
    QRect m_cropFrame;
    QRect m_cropViewRect;
    int m_currentTab = kTabDatei;
    OptiChoosers* m_choosers = nullptr;

    // Common widgets.
    QTabWidget* m_tabs = nullptr;
    QLabel* m_originalView = nullptr; // working picture, fitted
    QLabel* m_fileSize = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_titleLine = nullptr;
    QLabel* m_testLine = nullptr;
    QScrollArea* m_previewArea = nullptr;
    PreviewPanel* m_panel = nullptr;
    QLabel* m_textLabel = nullptr;
    QPushButton* m_undoButton = nullptr;

    // Tab "Datei".
    QSlider* bCompress = nullptr;
    QLabel* m_compressLabel = nullptr;
    // Tab "Grösse".
    QSlider* bSize = nullptr;
    QLabel* m_bSizeLabel = nullptr;
    QSpinBox* bWidth = nullptr;
    QSpinBox* bHeight = nullptr;
    QCheckBox* eProp = nullptr;
    QLineEdit* eText = nullptr;
    QSpinBox* fw = nullptr;
    QSpinBox* fh = nullptr;
    QLabel* m_sizeFontSample = nullptr;
    // Tab "Beleuchtung/Kontrast/Sättigung".
    QCheckBox* Invert = nullptr;
    QSlider* TBarHell = nullptr;
    QSlider* TBarKontr = nullptr;
    QSlider* TBarSatt = nullptr;
    // Tab "Farbton".
    QCheckBox* ToneBW = nullptr;
    QCheckBox* ToneOld = nullptr;
    QSlider* ToneR = nullptr;
    QSlider* ToneG = nullptr;
    QSlider* ToneB = nullptr;
    // Tab "Spiegeln/Drehen".
    QLabel* m_turnView = nullptr;
    // Tab "Zuschneiden".
    QLabel* m_cropCanvas = nullptr;
    QSpinBox* eCutL = nullptr;
    QSpinBox* eCutT = nullptr;
    QSpinBox* eCutR = nullptr;
    QSpinBox* eCutB = nullptr;
    // Tab "Text einfügen".
    QLineEdit* eTText = nullptr;
    QComboBox* eTTextH = nullptr;
    QComboBox* eTTextV = nullptr;
    QSpinBox* eTTextL = nullptr;
    QSpinBox* eTTextT = nullptr;
    QLabel* m_textFontSample = nullptr;
    // Tab "Bild einfügen".
    QSlider* TBarBlend = nullptr;
    QSlider* TBarSize = nullptr;
    QComboBox* eBlendH = nullptr;
    QComboBox* eBlendV = nullptr;
    QSpinBox* eBlendLeft = nullptr;
    QSpinBox* eBlendTop = nullptr;
    QLabel* m_logoName = nullptr;
    // Tab "Maske".
    QLabel* m_maskPanel = nullptr;
};
