// What a person would check on the side windows beyond their fit (windowfit_test.cpp): a
// German Qt dialog with German buttons, every tab of the optimiser showing beside a whole
// 600 x 400 picture, and the FTP window's status and listing texts whole. Pictures go to the
// build folder. Runs under a virtual X server of 1280 x 1024 (label "screenshots").
#include "mainform_fixture.h"

#include "ftptestserver.h"
#include "ui/ftpform.h"
#include "ui/jpgopti.h"
#include "ui/translations.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

void saveShot(QWidget& window, const QString& name)
{
    QCoreApplication::processEvents();
    const QImage shot = window.grab().toImage();
    ASSERT_FALSE(shot.isNull()) << qPrintable(name);
    const QString file = QStringLiteral(LUMIVISTA_SCREENSHOT_DIR) + u'/' + name + u".png"_s;
    EXPECT_TRUE(shot.save(file)) << qPrintable(file);
}

} // namespace

using WindowScreenshots = MainFormTest;

TEST_F(WindowScreenshots, QtDialogsSpeakGerman)
{
    ASSERT_TRUE(installQtGerman(*QCoreApplication::instance()))
        << "Qt's German translations are not installed";
    QFileDialog dialog(nullptr, u"Projekt öffnen"_s, path(QString()), u"Lumivista (*.lmv)"_s);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.show();
    QStringList buttons;
    for (const QAbstractButton* b : dialog.findChild<QDialogButtonBox*>()->buttons())
        buttons << b->text().remove(u'&');
    EXPECT_TRUE(buttons.contains(u"Abbrechen"_s)) << qPrintable(buttons.join(u", "_s));
    EXPECT_TRUE(buttons.contains(u"Öffnen"_s)) << qPrintable(buttons.join(u", "_s));
    saveShot(dialog, u"qt_file_dialog"_s);
}

TEST_F(WindowScreenshots, OptimiserShowsEveryTabAndA600By400Picture)
{
    TJPGOpti opti;
    opti.exec(makePicture(u"gross.jpg"_s, 600, 400));
    QCoreApplication::processEvents();
    auto* tabs = opti.findChild<QTabWidget*>(u"Tabs"_s);
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(tabs->count(), 9);
    for (int i = 0; i < tabs->count(); ++i)
        EXPECT_TRUE(tabs->tabBar()->rect().contains(tabs->tabBar()->tabRect(i)))
            << "tab " << qPrintable(tabs->tabText(i)) << " is cut off";
    const QScrollArea* preview = opti.findChild<QScrollArea*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_GE(preview->viewport()->width(), 600);
    EXPECT_GE(preview->viewport()->height(), 400);
}

TEST_F(WindowScreenshots, FtpWindowConnectedWithAListing)
{
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    ASSERT_TRUE(server.start()) << qPrintable(server.reason());
    QDir(server.root()).mkpath(u"image1"_s);
    for (const auto& [name, size] :
         {std::pair{u"index.htm"_s, 2048}, {u"font.css"_s, 300}, {u"panorama.jpg"_s, 123456789}}) {
        QFile file(server.root() + u'/' + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }

    TFTPForm ftp;
    ftp.show();
    auto* address = ftp.findChild<QComboBox*>(u"edFtpServer"_s);
    auto* user = ftp.findChild<QLineEdit*>(u"edFtpUser"_s);
    auto* password = ftp.findChild<QLineEdit*>(u"edFtpPw"_s);
    ASSERT_TRUE(address && user && password);
    address->setEditText(u"127.0.0.1:%1"_s.arg(server.port()));
    user->setText(server.user());
    password->setText(server.password());
    for (QPushButton* button : ftp.findChildren<QPushButton*>())
        if (button->text() == u"Connect"_s)
            button->click();
    QCoreApplication::processEvents();

    EXPECT_GE(address->width() + 4, user->width() + password->width());
    const QList<QLabel*> panels =
        ftp.findChild<QStatusBar*>()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList texts;
    for (const QLabel* panel : panels) {
        texts << panel->text();
        EXPECT_GE(panel->contentsRect().width(),
                  panel->fontMetrics().horizontalAdvance(panel->text()))
            << "cut: " << qPrintable(panel->text());
    }
    EXPECT_TRUE(texts.contains(u"TimeOut: 30000"_s)) << qPrintable(texts.join(u" | "_s));
    auto* list = ftp.findChild<QTreeWidget*>(u"lvFiles"_s);
    ASSERT_NE(list, nullptr);
    ASSERT_GE(list->topLevelItemCount(), 4);
    const int size = 2; // the Size column
    EXPECT_GE(list->columnWidth(size), list->header()->sectionSizeHint(size));
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QString number = list->topLevelItem(i)->text(size);
        EXPECT_GT(list->columnWidth(size), list->fontMetrics().horizontalAdvance(number))
            << "cut: " << qPrintable(number);
    }
    saveShot(ftp, u"ftp_window"_s);
}
