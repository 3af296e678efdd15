// The help window: its controls, showing a topic, closing and printing to a PDF file.
#include "ui/hlp.h"

#include "util/dialogs.h"

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Thlp, ControlsAreBuiltAsTheWindowDescribes)
{
    Thlp hlp;
    EXPECT_EQ(hlp.windowTitle(), u"Help"_s);
    EXPECT_TRUE(hlp.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(hlp.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(hlp.size(), QSize(357, 255));
    EXPECT_FALSE(hlp.isVisible());

    QTextEdit* board = hlp.board();
    EXPECT_EQ(board->objectName(), u"board"_s);
    EXPECT_TRUE(board->isReadOnly());
    EXPECT_EQ(board->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(board->palette().color(QPalette::Base), QColor(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(board->document()->defaultFont().family(), u"MS Sans Serif"_s);
    EXPECT_EQ(board->document()->defaultFont().pointSize(), 8);

    EXPECT_EQ(hlp.okButton()->text(), u"OK"_s);
    EXPECT_TRUE(hlp.okButton()->isDefault());
    EXPECT_EQ(hlp.printButton()->text(), u"Drucken"_s);
    EXPECT_EQ(hlp.printButton()->objectName(), u"Button1"_s);
    EXPECT_NE(hlp.findChild<QStatusBar*>(u"StatusBar1"_s), nullptr);
    EXPECT_NE(hlp.findChild<QWidget*>(u"Panel1"_s), nullptr);
}

TEST(Thlp, InsertShowsTheTopicWithCaretAtStartAndFocusOnOk)
{
    Thlp hlp;
    hlp.insert(lHlp(), u"Nav"_s);
    EXPECT_TRUE(hlp.isVisible());
    EXPECT_FALSE(hlp.isModal());
    QTextDocument* document = hlp.board()->document();
    ASSERT_EQ(document->blockCount(), 4);
    const QTextBlock heading = document->firstBlock();
    EXPECT_EQ(heading.text(), u"Sie können einen Text oder ein Bild zur Navigation angeben"_s);
    EXPECT_EQ(heading.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_EQ(heading.begin().fragment().charFormat().fontPointSize(), 12.0);
    EXPECT_EQ(hlp.board()->textCursor().position(), 0);
    EXPECT_EQ(hlp.focusWidget(), hlp.okButton());

    // The user's position survives the next topic; the content is replaced.
    hlp.move(40, 30);
    const QPoint placed = hlp.pos();
    hlp.insert(lHlp(), u"Logo"_s);
    EXPECT_EQ(hlp.pos(), placed);
    EXPECT_EQ(document->firstBlock().text(), u"Logo einfügen"_s);

    // A key without a topic still shows the window, empty.
    hlp.insert(lHlp(), u"nav"_s);
    EXPECT_TRUE(hlp.isVisible());
    EXPECT_TRUE(document->isEmpty());

    hlp.btOkClick();
    EXPECT_FALSE(hlp.isVisible());

    // "OK" is also the cancel button: Escape closes the window.
    hlp.insert(lHlp(), u"Txt"_s);
    ASSERT_TRUE(hlp.isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&hlp, &escape);
    EXPECT_FALSE(hlp.isVisible());
}

TEST(Thlp, AttributeCallsWriteIntoTheBoard)
{
    Thlp hlp;
    hlp.size(16);
    hlp.color(255);
    hlp.style(HelpStyle::Italic);
    hlp.add(u"rot"_s);
    const QTextCharFormat format =
        hlp.board()->document()->firstBlock().begin().fragment().charFormat();
    EXPECT_EQ(format.fontPointSize(), 16.0);
    EXPECT_TRUE(format.fontItalic());
    EXPECT_EQ(format.foreground().color(), QColor(255, 0, 0));
    hlp.clear();
    EXPECT_TRUE(hlp.board()->document()->isEmpty());
}

TEST(Thlp, PrintsTheWholeTopicToAPdfFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Thlp hlp;
    hlp.insert(lHlp(), u"Vor"_s);

    const QString pdf = dir.filePath(u"help.pdf"_s);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(hlp.printTo(printer));
    EXPECT_EQ(printer.docName(), u"Help "_s);

    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5) == "%PDF-");
    file.close();

    if (!QFile::exists(u"/usr/bin/pdftotext"_s))
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QProcess extract;
    extract.start(u"/usr/bin/pdftotext"_s, {pdf, u"-"_s});
    ASSERT_TRUE(extract.waitForFinished(30000));
    const QString text = QString::fromUtf8(extract.readAllStandardOutput());
    EXPECT_TRUE(text.contains(u"Platzhalter in den Vorlagedateien (htm)"_s));
    EXPECT_TRUE(text.contains(u"[Titel]"_s));
    EXPECT_TRUE(text.contains(u"[Zeit]"_s));
    EXPECT_FALSE(text.contains(u"Copyright"_s));
}

TEST(Thlp, PrintJobIsNamedAfterTheApplicationObject)
{
    EXPECT_EQ(Thlp::printJobName(), u"Help "_s);
    QCoreApplication::instance()->setObjectName(u"Lumivista"_s);
    EXPECT_EQ(Thlp::printJobName(), u"Help Lumivista"_s);
    QCoreApplication::instance()->setObjectName(QString());
}

TEST(Thlp, PrintingWithoutAPrinterTellsTheUser)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "this machine has a default printer";
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    Thlp hlp;
    hlp.insert(lHlp(), u"Txt"_s);
    hlp.Button1Click();
    ASSERT_EQ(dialogs.entries().size(), 1);
    EXPECT_EQ(dialogs.entries()[0].type, DialogType::Error);
    EXPECT_EQ(dialogs.entries()[0].text, u"Es ist kein Standarddrucker eingerichtet."_s);
}

TEST(Thlp, OpensBesideTheMainWindowAndTakesTheKeyboard)
{
    QWidget mainWindow;
    mainWindow.setGeometry(10, 10, 300, 200);
    mainWindow.show();
    Thlp hlp(&mainWindow);
    hlp.insert(lHlp(), u"Nav"_s);
    QCoreApplication::processEvents();
    EXPECT_FALSE(hlp.frameGeometry().intersects(mainWindow.frameGeometry()))
        << "the help covers the window that opened it";
    EXPECT_TRUE(hlp.isActiveWindow());
}
