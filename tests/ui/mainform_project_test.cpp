// Project commands of the main window: new, open, save, save as, the close query, the
// title, and the start settings applied when the window is first shown.
#include "mainform_fixture.h"

#include "ftpform_fixture.h"
#include "gallery/projectfile.h"
#include "ui/aboutbox.h"
#include "ui/ftpform.h"
#include "ui/hlp.h"
#include "ui/mainform_widgets.h"
#include "ui/updateform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>

#include "testsupport.h"

using namespace Qt::StringLiterals;

class ProjectCommandTest : public MainFormTest
{
protected:
    // Saves the window's project as `name` through "Speichern unter".
    QString saveAs(const QString& name)
    {
        const QString file = path(name);
        m_choosers.saveNames = {file};
        form().speichernunter1Click();
        return file;
    }
};

// The desktop's open and save dialogs offer project files first and all files second.
TEST_F(ProjectCommandTest, OpenAndSaveDialogsOfferProjectFilesFirst)
{
    QtChoosers desktop;
    form().setChoosers(&desktop);
    for (const auto command : {&TMainForm::FileOpenItemClick, &TMainForm::speichernunter1Click}) {
        QStringList filters;
        QString selected;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            filters = dialog->nameFilters();
            selected = dialog->selectedNameFilter();
            dialog->reject();
        });
        (form().*command)();
        EXPECT_EQ(filters, (QStringList{u"Lumivista (*.lmv)"_s, u"Alle Dateien (*)"_s}));
        EXPECT_EQ(selected, u"Lumivista (*.lmv)"_s);
    }
}

TEST_F(ProjectCommandTest, StartSettingsAreAppliedWhenFirstShown)
{
    EXPECT_EQ(control<QSpinBox>("eTnWidth")->value(), 150);
    EXPECT_EQ(control<QSpinBox>("edCol")->value(), 4);
    EXPECT_EQ(control<QLineEdit>("edIndex")->text(), u"index"_s);
    EXPECT_EQ(control<QLineEdit>("edTnPath")->text(), QString());
    EXPECT_EQ(FontToText(control<FontPanel>("eTitelFont")->fontSpec()), u"Tahoma,B,20,65535"_s);
    EXPECT_EQ(control<FontPanel>("eTitelFont")->text(), u"Tahoma"_s);
    EXPECT_EQ(control<QTabWidget>("pages")->currentIndex(), 0);
    EXPECT_EQ(form().windowTitle(), u"Lumivista"_s);
    // The start list is now the full text of an untouched project.
    EXPECT_EQ(form().project().lDefault().first(), u"[Param]"_s);
    EXPECT_EQ(form().project().lDefault().last(), u"MobilePages=1"_s);
    // The two later check boxes are bound and start on.
    EXPECT_TRUE(control<QCheckBox>("edSmoothScale")->isChecked());
    EXPECT_TRUE(control<QCheckBox>("edMobilePages")->isChecked());
    // Showing again does not apply them again.
    control<QSpinBox>("eTnWidth")->setValue(77);
    form().hide();
    form().show();
    EXPECT_EQ(control<QSpinBox>("eTnWidth")->value(), 77);
}

TEST_F(ProjectCommandTest, BuiltInTemplatesAreWrittenToTheDocumentFolder)
{
    form();
    EXPECT_TRUE(QFileInfo::exists(path(u"doc/index.htm"_s)));
    EXPECT_TRUE(QFileInfo::exists(path(u"doc/bild.htm"_s)));
}

TEST_F(ProjectCommandTest, CloseQueryUntouchedProjectAsksNothing)
{
    EXPECT_TRUE(form().FormCloseQuery());
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
}

TEST_F(ProjectCommandTest, CloseQueryAfterAddingOnePicture)
{
    m_choosers.fileLists = {{u"/bilder/a.jpg"_s}};
    form().SpeedButton5Click();
    m_dialogs.queue(DialogResult::Cancel);
    EXPECT_FALSE(form().FormCloseQuery());
    ASSERT_EQ(m_dialogs.texts(), QStringList{u"Die Daten noch sichern?"_s});
    EXPECT_EQ(m_dialogs.entries().first().buttons, DialogButtons::YesNoCancel);
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Confirmation);
    m_dialogs.queue(DialogResult::No);
    EXPECT_TRUE(form().FormCloseQuery());
}

TEST_F(ProjectCommandTest, CloseQueryAfterOpenAndAfterOneChange)
{
    form().setFiles({u"/bilder/a.jpg|Titel"_s});
    const QString file = saveAs(u"p.lmv"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Gesichert"_s});
    EXPECT_EQ(form().windowTitle(), u"Lumivista [p.lmv]"_s);

    restart();
    m_dialogs.clear();
    m_choosers.openNames = {file};
    form().FileOpenItemClick();
    EXPECT_EQ(form().files(), QStringList{u"/bilder/a.jpg|Titel"_s});
    EXPECT_EQ(form().ProjektDatei(), file);
    EXPECT_EQ(form().windowTitle(), u"Lumivista [p.lmv]"_s);
    EXPECT_TRUE(form().FormCloseQuery());
    EXPECT_TRUE(m_dialogs.texts().isEmpty());

    control<QSpinBox>("edQual")->setValue(81);
    m_dialogs.queue(DialogResult::No);
    EXPECT_TRUE(form().FormCloseQuery());
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Die Daten noch sichern?"_s});
}

TEST_F(ProjectCommandTest, CloseQueryYesSavesAndClosesButNotWhenSaveAsIsCancelled)
{
    control<QSpinBox>("edRow")->setValue(9);
    m_dialogs.queue(DialogResult::Yes);
    EXPECT_FALSE(form().FormCloseQuery()); // save-as dialog cancelled: the changes stay
    EXPECT_EQ(m_choosers.asked, QStringList{u"Projekt speichern unter"_s});

    const QString file = path(u"neu.lmv"_s);
    m_choosers.saveNames = {file};
    m_dialogs.queue(DialogResult::Yes);
    EXPECT_TRUE(form().FormCloseQuery());
    EXPECT_TRUE(readProjectFile(file).contains(u"Row=9"_s));
    EXPECT_EQ(m_dialogs.texts().last(), u"Gesichert"_s);
}

TEST_F(ProjectCommandTest, CloseEventFollowsTheCloseQuery)
{
    control<QSpinBox>("edRow")->setValue(9);
    m_dialogs.queue(DialogResult::Cancel);
    EXPECT_FALSE(form().close());
    EXPECT_TRUE(form().isVisible());
    m_dialogs.queue(DialogResult::No);
    EXPECT_TRUE(form().close());
}

TEST_F(ProjectCommandTest, SaveWritesToTheProjectFileOrAsksForOne)
{
    form().Speichern1Click(); // no project file: save as, cancelled
    EXPECT_EQ(m_choosers.asked, QStringList{u"Projekt speichern unter"_s});
    EXPECT_TRUE(m_dialogs.texts().isEmpty());

    const QString file = saveAs(u"a.lmv"_s);
    control<QLineEdit>("edTitel")->setText(u"Urlaub"_s);
    form().Speichern1Click();
    EXPECT_EQ(m_choosers.asked.size(), 2); // no further dialog
    EXPECT_TRUE(readProjectFile(file).contains(u"Titel=Urlaub"_s));
    EXPECT_EQ(m_dialogs.texts(), (QStringList{u"Gesichert"_s, u"Gesichert"_s}));
    // The save-as dialog is preset with the project file.
    saveAs(u"b.lmv"_s);
    EXPECT_EQ(m_choosers.startFolders.last(), file);
    EXPECT_EQ(form().windowTitle(), u"Lumivista [b.lmv]"_s);
}

TEST_F(ProjectCommandTest, SaveFailureShowsTheErrorAndKeepsTheFile)
{
    const QString good = saveAs(u"gut.lmv"_s);
    m_dialogs.clear();
    m_choosers.saveNames = {path(u"fehlt/ordner/x.lmv"_s)};
    form().speichernunter1Click();
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Error);
    EXPECT_FALSE(m_dialogs.texts().first().isEmpty());
    EXPECT_EQ(form().ProjektDatei(), good);
    EXPECT_EQ(form().windowTitle(), u"Lumivista [gut.lmv]"_s);
}

TEST_F(ProjectCommandTest, OpenFailureShowsTheErrorAndKeepsTheProject)
{
    form().setFiles({u"/a.jpg"_s});
    saveAs(u"p.lmv"_s);
    m_dialogs.clear();
    m_choosers.openNames = {path(u"gibtsnicht.lmv"_s)};
    form().FileOpenItemClick();
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Error);
    EXPECT_EQ(form().files(), QStringList{u"/a.jpg"_s});
    EXPECT_EQ(form().ProjektDatei(), path(u"p.lmv"_s));
}

TEST_F(ProjectCommandTest, OpenRefusesAFileThatIsNotAProject)
{
    form().setFiles({u"/a.jpg"_s});
    saveAs(u"p.lmv"_s);
    m_dialogs.clear();
    const QString photo = makePicture(u"strand.jpg"_s);
    const QByteArray bytes = readBytes(photo);
    m_choosers.openNames = {photo};
    form().FileOpenItemClick();
    EXPECT_EQ(m_dialogs.texts(), QStringList{photo + u" is not a Lumivista project"_s});
    EXPECT_EQ(form().ProjektDatei(), path(u"p.lmv"_s));
    form().Speichern1Click();
    EXPECT_EQ(readBytes(photo), bytes);
}

TEST_F(ProjectCommandTest, OpenRunsTheCloseQueryFirst)
{
    form().setFiles({u"/a.jpg"_s});
    m_dialogs.queue(DialogResult::Cancel);
    form().FileOpenItemClick();
    EXPECT_TRUE(m_choosers.asked.isEmpty()); // the open dialog was not shown
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Die Daten noch sichern?"_s});
}

TEST_F(ProjectCommandTest, OpenAppliesEverySettingAndThePictureSection)
{
    const QString file = path(u"hand.lmv"_s);
    writeProjectFile(file, {u"[Param]"_s, u"qual=0"_s, u"Col=0"_s, u"Rahmen=25"_s, u"Black=ja"_s,
                            u"BildTextV=2"_s, u"BGColor=255"_s, u"Font=Arial,bk,10"_s,
                            u"[Images]"_s, u" /lead.jpg|x"_s, u""_s, u"/b.jpg"_s, u"[End]"_s,
                            u"FtpServer=ftp.example.org"_s});
    m_choosers.openNames = {file};
    form().FileOpenItemClick();
    EXPECT_EQ(control<QSpinBox>("edQual")->value(), 1);
    EXPECT_EQ(control<QSpinBox>("edCol")->value(), 1);
    EXPECT_EQ(control<QSpinBox>("edRahmen")->value(), 10);
    EXPECT_TRUE(control<QCheckBox>("edBlack")->isChecked());
    EXPECT_EQ(control<QComboBox>("eBildTextV")->currentText(), u"unten"_s);
    EXPECT_EQ(control<ColorPanel>("eBGColor")->colorValue(), 255);
    EXPECT_EQ(control<FontPanel>("eFont")->background(), 255);
    EXPECT_EQ(control<FontPanel>("eNaviFont")->background(), 255);
    const FontSpec font = control<FontPanel>("eFont")->fontSpec();
    EXPECT_EQ(font.name, u"Arial"_s);
    EXPECT_TRUE(font.bold && font.italic);
    EXPECT_EQ(font.size, 10);
    EXPECT_EQ(font.color, 65535); // unchanged
    EXPECT_EQ(form().files(), (QStringList{u" /lead.jpg|x"_s, u"/b.jpg"_s}));
    EXPECT_EQ(control<QLabel>("lCount")->text(), u"2"_s);
    // Settings the window has no control for travel with the project.
    EXPECT_EQ(form().project().textValue(u"FtpServer"_s), u"ftp.example.org"_s);
}

TEST_F(ProjectCommandTest, NewProjectAfterTheCloseQuery)
{
    form().setFiles({u"/a.jpg"_s});
    control<QLineEdit>("edZiel")->setText(u"/tmp/galerie"_s);
    saveAs(u"p.lmv"_s);
    m_dialogs.clear();

    m_dialogs.queue(DialogResult::No); // "Neues Projekt?"
    form().mnNeuClick();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Neues Projekt?"_s});
    EXPECT_EQ(form().files().size(), 1);

    m_dialogs.queue(DialogResult::Yes);
    form().mnNeuClick();
    EXPECT_TRUE(form().files().isEmpty());
    EXPECT_EQ(control<QLineEdit>("edZiel")->text(), QString());
    EXPECT_EQ(control<QSpinBox>("eTnWidth")->value(), 150);
    EXPECT_EQ(form().ProjektDatei(), QString());
    EXPECT_EQ(form().windowTitle(), u"Lumivista"_s);
    EXPECT_EQ(control<QLabel>("lCount")->text(), u"0"_s);

    // A changed project asks first; Cancel stops the new project.
    control<QSpinBox>("edRow")->setValue(7);
    m_dialogs.clear();
    m_dialogs.queue(DialogResult::Cancel);
    form().mnNeuClick();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Die Daten noch sichern?"_s});
    EXPECT_EQ(control<QSpinBox>("edRow")->value(), 7);
}

TEST_F(ProjectCommandTest, SavedProjectRoundTripsThroughTheWindow)
{
    form().setFiles({u"/f/a.jpg|Am Meer"_s, u"/f/b.jpg"_s});
    control<QLineEdit>("edPTrenn")->setText(u" - "_s);
    control<QSpinBox>("edBildTextL")->setValue(-12);
    const QString first = saveAs(u"eins.lmv"_s);
    restart();
    m_choosers.openNames = {first};
    form().FileOpenItemClick();
    const QString second = saveAs(u"zwei.lmv"_s);
    EXPECT_EQ(readProjectFile(first), readProjectFile(second));
}

TEST_F(ProjectCommandTest, FtpFieldsBelongToTheProject)
{
    const QString file = path(u"ftp.lmv"_s);
    writeProjectFile(file, {u"[Param]"_s, u"[Images]"_s, u"[End]"_s, u"FtpServer=ftp.example.org"_s,
                            u"FtpUser=anna"_s});
    TFTPForm ftp;
    form().setFtpWindow(&ftp);
    EXPECT_EQ(ftpControl<QComboBox>(ftp, "edFtpPath")->currentText(), u"/"_s);
    m_choosers.openNames = {file};
    form().FileOpenItemClick();
    EXPECT_EQ(ftpControl<QComboBox>(ftp, "edFtpServer")->currentText(), u"ftp.example.org"_s);
    EXPECT_EQ(ftpControl<QLineEdit>(ftp, "edFtpUser")->text(), u"anna"_s);
    EXPECT_EQ(ftpControl<QComboBox>(ftp, "edFtpPath")->currentText(), u"/"_s); // missing: "/"
    QComboBox* tls = ftpControl<QComboBox>(ftp, "edFtpTls");
    EXPECT_EQ(tls->currentIndex(), 0); // missing: TLS if available
    EXPECT_EQ(tls->itemText(0), u"Use explicit FTP over TLS if available"_s);
    EXPECT_EQ(tls->itemText(1), u"Require explicit FTP over TLS"_s);
    EXPECT_EQ(tls->itemText(2), u"Only use plain FTP (insecure)"_s);
    form().Speichern1Click(); // now the file is as the program writes it
    m_dialogs.clear();
    EXPECT_TRUE(form().FormCloseQuery());
    EXPECT_TRUE(m_dialogs.texts().isEmpty());

    ftpControl<QComboBox>(ftp, "edFtpPath")->setEditText(u"/htdocs/galerie"_s);
    tls->setCurrentIndex(1);
    m_dialogs.queue(DialogResult::Yes);
    EXPECT_TRUE(form().FormCloseQuery()); // a changed FTP field asks; Yes saves
    EXPECT_EQ(m_dialogs.texts().first(), u"Die Daten noch sichern?"_s);
    const QStringList saved = readProjectFile(file);
    EXPECT_EQ(saved.mid(saved.indexOf(u"[End]"_s)),
              (QStringList{u"[End]"_s, u"FtpServer=ftp.example.org"_s, u"FtpUser=anna"_s,
                           u"FtpPath=/htdocs/galerie"_s, u"FtpTls=1"_s}));
    // Opened again (the changed choice not saved), the file's choice comes back.
    tls->setCurrentIndex(2);
    m_dialogs.queue(DialogResult::No);
    m_choosers.openNames = {file};
    form().FileOpenItemClick();
    EXPECT_EQ(tls->currentIndex(), 1);
}

TEST_F(ProjectCommandTest, FtpUploadHandsOverTheGalleryFiles)
{
    const QString web = path(u"web"_s);
    touch(web + u"/index.htm"_s);
    touch(web + u"/font.css"_s);
    touch(web + u"/klein/tn_a.jpg"_s);
    touch(web + u"/gross/a.jpg"_s);
    touch(web + u"/andere/x.jpg"_s);
    TFTPForm ftp;
    form().setFtpWindow(&ftp);
    control<QLineEdit>("edZiel")->setText(web);
    control<QLineEdit>("edTnPath")->setText(u"klein"_s);
    control<QLineEdit>("edPicPath")->setText(u"gross"_s);
    QStringList offered;
    bool openDirShown = true;
    QTimer::singleShot(0, &ftp, [&] {
        for (int i = 0; i < ftpControl<QListWidget>(ftp, "Quelle")->count(); ++i)
            offered.append(ftpControl<QListWidget>(ftp, "Quelle")->item(i)->text());
        openDirShown = ftpControl<QPushButton>(ftp, "btOpenDir")->isVisible();
        ftp.reject();
    });
    form().FTPUpload1Click();
    EXPECT_FALSE(openDirShown);
    EXPECT_EQ(ftpControl<QLabel>(ftp, "QuellPath")->text(), web);
    offered.sort();
    EXPECT_EQ(offered.size(), 4) << offered.join(u' ').toStdString();
    EXPECT_TRUE(offered.filter(u"x.jpg"_s).isEmpty());
    EXPECT_EQ(offered.filter(u"tn_a.jpg"_s).size(), 1);
}

TEST_F(ProjectCommandTest, MenusShowPagesAndOpenTheSideWindows)
{
    auto* pages = control<QTabWidget>("pages");
    auto action = [&](const char* name) {
        return form().findChild<QAction*>(QString::fromLatin1(name));
    };
    action("mnLayout")->trigger();
    EXPECT_EQ(pages->currentIndex(), 2);
    action("mnGalerie")->trigger();
    EXPECT_EQ(pages->currentIndex(), 3);
    action("mnBilderliste")->trigger();
    EXPECT_EQ(pages->currentIndex(), 0);

    // Without their windows the commands are off; the optimiser does not exist yet.
    EXPECT_FALSE(action("HelpAboutItem")->isEnabled());
    EXPECT_FALSE(action("FTPUpload1")->isEnabled());
    EXPECT_FALSE(control<QToolButton>("Image7")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("Button1")->isEnabled());
    EXPECT_FALSE(control<QPushButton>("Button4")->isEnabled());

    TAboutBox about;
    TUpdateForm update;
    Thlp help;
    form().setSideWindows(&about, &update, &help);
    EXPECT_TRUE(action("HelpAboutItem")->isEnabled());
    EXPECT_TRUE(action("Updateprfen1")->isEnabled());
    control<QToolButton>("Image7")->click();
    EXPECT_TRUE(help.isVisible());
    EXPECT_TRUE(help.board()->toPlainText().contains(u"Verzeichnis / Bilder laden"_s));
    control<QToolButton>("Image6")->click();
    EXPECT_FALSE(help.board()->toPlainText().contains(u"Verzeichnis / Bilder laden"_s));

    bool aboutShown = false;
    QTimer::singleShot(0, &about, [&] {
        aboutShown = about.isVisible() && about.isModal();
        about.reject();
    });
    action("HelpAboutItem")->trigger();
    EXPECT_TRUE(aboutShown);
}

TEST_F(ProjectCommandTest, BeendenClosesThroughTheCloseQuery)
{
    control<QSpinBox>("edRow")->setValue(9);
    m_dialogs.queue(DialogResult::Cancel);
    form().findChild<QAction*>(u"mnClose"_s)->trigger();
    EXPECT_TRUE(form().isVisible());
    EXPECT_EQ(form().findChild<QAction*>(u"mnClose"_s)->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_dialogs.queue(DialogResult::No);
    form().findChild<QAction*>(u"mnClose"_s)->trigger();
    EXPECT_FALSE(form().isVisible());
}
