// The main window: the picture list, the settings pages, the project commands and the
// generate button. It binds its controls to a ProjectState through the settings table and
// calls the core for everything else.
#pragma once

#include "gallery/galleryrun.h"
#include "gallery/projectstate.h"
#include "ui/mainform_choosers.h"
#include "ui/settingsbinding.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>

class QStringListModel;
class TAboutBox;
class TFTPForm;
class TJPGOpti;
class TUpdateForm;
class Thlp;
class FontPanel;

namespace Ui {
class TMainForm;
}

class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // Builds the window with the form values of the settings; writes the built-in page
    // templates and the CD starter into the document folder when they are missing.
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // The dialogs for files, folders, fonts and colours (not owned); nullptr: the desktop's.
    void setChoosers(UiChoosers* choosers);
    // The side windows (not owned); commands whose window is missing stay disabled.
    void setSideWindows(TAboutBox* about, TUpdateForm* update, Thlp* help);

    // The project as the controls hold it (the controls are read first).
    ProjectState& project();
    // Path of the current project file; empty for a new project.
    const QString& ProjektDatei() const { return m_projektDatei; }
    // The picture list as shown (entries "path" or "path|caption").
    QStringList files() const;
    // Puts `entries` into the list (and the project) and refreshes the count.
    void setFiles(const QStringList& entries);
    const SettingsBinding& binding() const { return *m_binding; }

    // Opens a project file as "Projekt öffnen" does, without the close query (a project
    // named on the command line); false after an error message.
    bool loadProjectFile(const QString& fileName);

    // The close query: true when the window may close (or New / Open may go on).
    bool FormCloseQuery();
    bool isGenerating() const { return m_run != nullptr; }

    // Side windows: the help window on a topic of `lHlp`, the about box, the update window.
    void showHelp(const QString& topic);
    void HelpAboutItemClick();
    void Updateprfen1Click();
    // The FTP window (not owned): its server, user and folder fields become part of the
    // project, and "FTP Upload..." hands it the gallery.
    void setFtpWindow(TFTPForm* ftp);
    void FTPUpload1Click();
    // The JPEG optimiser (not owned): "Optimieren" opens it with the selected picture,
    // "Anpassen" with the logo file.
    void setOptimiser(TJPGOpti* optimiser);
    void Button1Click();
    void Button4Click();
    GalleryRun* currentRun() const { return m_run; }

public Q_SLOTS:
    // Picture list page
    void SpeedButton4Click(); // "Verzeichnis laden"
    void SpeedButton5Click(); // "Bilder laden"
    void SpeedButton6Click(); // "Bilder löschen"
    void SpeedButton3Click(); // "Alle löschen"
    void SpeedButton1Click(); // "Def. Links löschen"
    void btSortClick();
    void btUpClick();
    void btDownClick();
    void FilesClick();
    void Button2Click(); // "Ok": the caption
    // Moves the entry with the focus before `dropRow` (-1: below the last entry).
    void FilesDragDrop(int dropRow);
    // Appends dropped picture files and the pictures of dropped folders.
    void FilesDroppedFromDesktop(const QStringList& paths);

    // Settings pages
    void Button3Click(); // "...": the logo file
    void fontPanelClick(FontPanel* panel);
    void eBGColorClick();
    void btVorIndexClick();
    void btVorBildClick();
    void btZielClick();

    // Project commands
    void mnNeuClick();
    void FileOpenItemClick();
    void Speichern1Click();
    void speichernunter1Click();

    // Generation: starts a run, or asks a running one to stop.
    void btGenClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectControls();
    void connectPictureList();
    // Controls and picture list -> project, and back.
    void readControls();
    void writeControls();
    void fontPanelsTakeBackground();
    void setTitel();
    void refreshCount();
    // Save: true when the project was written.
    bool saveProject();
    bool saveProjectAs();
    // Reads the controls, writes the project to `fileName` and makes it the project file.
    bool writeProject(const QString& fileName);
    int selectedRow() const;
    QList<int> selectedRows() const;
    void selectRow(int row);
    UiChoosers& choosers();
    void showPreview(const QString& path);
    void setGenerating(GalleryRun::Phase phase);

    std::unique_ptr<Ui::TMainForm> ui;
    std::unique_ptr<SettingsBinding> m_binding;
    QStringListModel* m_filesModel;
    ProjectState m_project;
    QString m_projektDatei;
    QtChoosers m_qtChoosers;
    UiChoosers* m_choosers = nullptr;
    QPointer<TAboutBox> m_about;
    QPointer<TUpdateForm> m_update;
    QPointer<Thlp> m_help;
    QPointer<TFTPForm> m_ftp;
    QPointer<TJPGOpti> m_optimiser;
    GalleryRun* m_run = nullptr;
    bool m_busyCursor = false;
    bool m_startSettingsApplied = false;
    bool m_inFilesClick = false;
    bool m_sideWindowsConnected = false;
};
