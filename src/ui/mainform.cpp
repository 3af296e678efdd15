// The main window: construction, the binding of the settings controls, showing and closing,
// the project commands (new, open, save, save as, close query) and the side windows.
#include "ui/mainform.h"

#include "ui_mainform.h"

#include "gallery/cdimage.h"
#include "gallery/templates.h"
#include "ui/screenfit.h"
#include "ui/windowcolor.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/version.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QStringListModel>
#include <QToolButton>

#include <functional>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Runs a step that reads or writes the project file; false after its error was shown.
bool succeeds(const std::function<void()>& step)
{
    try {
        step();
    } catch (const LumiError& e) {
        showError(e);
        return false;
    }
    return true;
}

const QString kAppTitle = u"Lumivista"_s;
const QString kProjectFilter = u"Lumivista|*.lmv|Alle Dateien|*"_s;
const QString kProjectSuffix = u"lmv"_s;

} // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TMainForm>()),
      m_filesModel(new QStringListModel(this))
{
    ui->setupUi(this);
    makePagesScrollable(ui->pages);
    fitIntoScreen(this);
    ui->Files->setModel(m_filesModel);
    // "Bild anpassen" is stored with the project but never shown.
    ui->ePicModifi->hide();
    ui->eBildFont->setShowsFontName(false);
    ui->pages->setCurrentIndex(0);

    m_binding = std::make_unique<SettingsBinding>(this);
    readControls();
    fontPanelsTakeBackground();

    connectControls();
    connectPictureList();

    // Side windows that do not exist yet: their commands stay disabled.
    ui->Button1->setEnabled(false);
    ui->Button4->setEnabled(false);
    ui->FTPUpload1->setEnabled(false);
    ui->HelpAboutItem->setEnabled(false);
    ui->Updateprfen1->setEnabled(false);
    for (QToolButton* icon :
         {ui->Image7, ui->Image4, ui->Image5, ui->Image2, ui->Image3, ui->Image6})
        icon->setEnabled(false);

    // The run falls back to the built-in templates, so a document folder that cannot be
    // written only costs the user the editable copies.
    try {
        writeBuiltInTemplates();
    } catch (const LumiError& e) {
        qWarning("%s", qUtf8Printable(e.message()));
    }
    try {
        installStarter();
    } catch (const LumiError& e) {
        qWarning("%s", qUtf8Printable(e.message()));
    }

    setTitel();
    refreshCount();
}

TMainForm::~TMainForm() = default;

void TMainForm::connectControls()
{
    const std::pair<QAction*, void (TMainForm::*)()> fileItems[] = {
        {ui->mnNeu, &TMainForm::mnNeuClick},
        {ui->FileOpenItem, &TMainForm::FileOpenItemClick},
        {ui->Speichern1, &TMainForm::Speichern1Click},
        {ui->speichernunter1, &TMainForm::speichernunter1Click},
    };
    for (const auto& [item, slot] : fileItems)
        connect(item, &QAction::triggered, this, slot);
    connect(ui->mnClose, &QAction::triggered, this, &QWidget::close);
    ui->mnClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    const QList<QAction*> pageItems{ui->mnBilderliste, ui->mnBildeinstellung, ui->mnLayout,
                                    ui->mnGalerie};
    for (int page = 0; page < pageItems.size(); ++page) {
        connect(pageItems.at(page), &QAction::triggered, this,
                [this, page] { ui->pages->setCurrentIndex(page); });
    }

    connect(ui->mnHomepage, &QAction::triggered, this, [] { openWithShell(homePageUrl()); });
    connect(ui->mnSupport, &QAction::triggered, this, [] { openWithShell(supportUrl()); });
    connect(ui->mnShop, &QAction::triggered, this, [] { openWithShell(shopUrl()); });
    connect(ui->Button3, &QToolButton::clicked, this, &TMainForm::Button3Click);
    for (FontPanel* panel : {ui->eBildFont, ui->eTitelFont, ui->eFont, ui->eNaviFont})
        connect(panel, &FontPanel::clicked, this, [this, panel] { fontPanelClick(panel); });
    connect(ui->eBGColor, &ColorPanel::clicked, this, &TMainForm::eBGColorClick);
    connect(ui->btVorIndex, &QToolButton::clicked, this, &TMainForm::btVorIndexClick);
    connect(ui->btVorBild, &QToolButton::clicked, this, &TMainForm::btVorBildClick);
    connect(ui->btZiel, &QToolButton::clicked, this, &TMainForm::btZielClick);
    connect(ui->btGen, &QPushButton::clicked, this, &TMainForm::btGenClick);
}

void TMainForm::setChoosers(UiChoosers* choosers)
{
    m_choosers = choosers;
}

UiChoosers& TMainForm::choosers()
{
    return m_choosers ? *m_choosers : m_qtChoosers;
}

ProjectState& TMainForm::project()
{
    readControls();
    return m_project;
}

void TMainForm::readControls()
{
    m_binding->store(m_project);
    m_project.Files() = m_filesModel->stringList();
}

void TMainForm::writeControls()
{
    m_binding->load(m_project);
    m_filesModel->setStringList(m_project.Files());
    fontPanelsTakeBackground();
    refreshCount();
}

void TMainForm::fontPanelsTakeBackground()
{
    const int background = ui->eBGColor->colorValue();
    for (FontPanel* panel : {ui->eTitelFont, ui->eFont, ui->eNaviFont})
        panel->setBackground(background);
}

void TMainForm::setTitel()
{
    if (m_projektDatei.isEmpty())
        setWindowTitle(kAppTitle);
    else
        setWindowTitle(kAppTitle + u" ["_s + QFileInfo(m_projektDatei).fileName() + u']');
}

void TMainForm::refreshCount()
{
    ui->lCount->setText(QString::number(m_filesModel->rowCount()));
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    applyWindowColor(kMainWindowColor);
    if (m_startSettingsApplied)
        return;
    m_startSettingsApplied = true;
    readControls();
    m_project.applyStartSettings();
    writeControls();
}

bool TMainForm::FormCloseQuery()
{
    readControls();
    if (!m_project.hasUnsavedChanges())
        return true;
    switch (askYesNoCancel(u"Die Daten noch sichern?"_s)) {
    case DialogResult::Yes:
        // Closing goes on only when the project was really written: a cancelled save-as
        // dialog or a failed write keeps the window (and the changes).
        return saveProject();
    case DialogResult::No:
        return true;
    case DialogResult::Ok:
    case DialogResult::Cancel:
        break;
    }
    return false;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (m_run) {
        // The run's loop belongs to this window; a close asks it to stop first.
        m_run->requestCancel();
        event->ignore();
        return;
    }
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TMainForm::mnNeuClick()
{
    if (!FormCloseQuery())
        return;
    if (!askYesNo(u"Neues Projekt?"_s))
        return;
    m_projektDatei.clear();
    m_project.newProject();
    writeControls();
    setTitel();
    // No picture of the old project stays in the preview or the caption field.
    ui->Bild->clear();
    ui->eBez->clear();
}

void TMainForm::FileOpenItemClick()
{
    if (!FormCloseQuery())
        return;
    const QString fileName = choosers().openFile(this, u"Projekt öffnen"_s, m_projektDatei,
                                                 kProjectFilter, kProjectSuffix);
    if (fileName.isEmpty())
        return;
    loadProjectFile(fileName);
}

bool TMainForm::loadProjectFile(const QString& fileName)
{
    if (!succeeds([&] { m_project.LoadParam(fileName); }))
        return false;
    m_projektDatei = fileName;
    writeControls();
    setTitel();
    return true;
}

void TMainForm::Speichern1Click()
{
    saveProject();
}

void TMainForm::speichernunter1Click()
{
    saveProjectAs();
}

bool TMainForm::saveProject()
{
    if (m_projektDatei.isEmpty())
        return saveProjectAs();
    return writeProject(m_projektDatei);
}

bool TMainForm::saveProjectAs()
{
    const QString fileName = choosers().saveFile(this, u"Projekt speichern unter"_s, m_projektDatei,
                                                 kProjectFilter, kProjectSuffix);
    if (fileName.isEmpty())
        return false;
    return writeProject(fileName);
}

bool TMainForm::writeProject(const QString& fileName)
{
    readControls();
    if (!succeeds([&] { m_project.SaveParam(fileName); }))
        return false;
    m_projektDatei = fileName;
    setTitel();
    showMessage(u"Gesichert"_s, u"i"_s);
    return true;
}
