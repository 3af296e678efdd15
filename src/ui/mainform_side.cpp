// The side windows of the main window: the help window on a topic, the about box, the
// update window and the FTP window with the gallery to publish.
#include "ui/mainform.h"

#include "ui_mainform.h"

#include "gallery/uploadlist.h"
#include "help/helpmarkup.h"
#include "ui/aboutbox.h"
#include "ui/ftpform.h"
#include "ui/hlp.h"
#include "ui/updateform.h"
#include "util/paths.h"

#include <QToolButton>

using namespace Qt::StringLiterals;

void TMainForm::setSideWindows(TAboutBox* about, TUpdateForm* update, Thlp* help)
{
    m_about = about;
    m_update = update;
    m_help = help;
    if (!m_sideWindowsConnected) {
        m_sideWindowsConnected = true;
        connect(ui->Updateprfen1, &QAction::triggered, this, &TMainForm::Updateprfen1Click);
        connect(ui->HelpAboutItem, &QAction::triggered, this, &TMainForm::HelpAboutItemClick);

        const QList<std::pair<QToolButton*, QString>> helpIcons{
            {ui->Image7, u"PicLoad"_s}, {ui->Image4, u"Txt"_s}, {ui->Image5, u"Logo"_s},
            {ui->Image2, u"Vor"_s},     {ui->Image3, u"Vor"_s}, {ui->Image6, u"Nav"_s}};
        for (const auto& [icon, topic] : helpIcons) {
            const QString shown = topic;
            connect(icon, &QToolButton::clicked, this, [this, shown] { showHelp(shown); });
        }
    }
    ui->HelpAboutItem->setEnabled(about != nullptr);
    ui->Updateprfen1->setEnabled(update != nullptr);
    for (QToolButton* icon :
         {ui->Image7, ui->Image4, ui->Image5, ui->Image2, ui->Image3, ui->Image6})
        icon->setEnabled(help != nullptr);
}

void TMainForm::showHelp(const QString& topic)
{
    if (m_help)
        m_help->insert(lHlp(), topic);
}

void TMainForm::HelpAboutItemClick()
{
    if (m_about)
        m_about->exec();
}

void TMainForm::Updateprfen1Click()
{
    if (m_update)
        m_update->exec();
}

void TMainForm::setFtpWindow(TFTPForm* ftp)
{
    readControls();
    m_ftp = ftp;
    ui->FTPUpload1->setEnabled(ftp != nullptr);
    if (!ftp)
        return;
    m_binding->addRoot(ftp);
    m_binding->load(m_project);
    connect(ui->FTPUpload1, &QAction::triggered, this, &TMainForm::FTPUpload1Click,
            Qt::UniqueConnection);
}

void TMainForm::FTPUpload1Click()
{
    if (!m_ftp)
        return;
    // The gallery's files: the target folder, then its picture sub-folders, as the project
    // snapshot holds them (the command line's upload reads the same).
    const ProjectSettings settings = project().settings();
    m_ftp->openForGallery(settings.ziel,
                          galleryUploadFiles(settings.ziel, settings.tnPath, settings.picPath));
    m_ftp->exec();
}
