// The Qt message boxes of the dialog service and the window colour.
#include "ui/qtdialogs.h"
#include "ui/windowcolor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList buttonTexts(const QMessageBox& box)
{
    QStringList texts;
    for (QAbstractButton* b : box.buttons())
        texts.append(b->text());
    return texts;
}

// Presses the button with `text` of the next modal message box.
void pressLater(const QString& text)
{
    QTimer::singleShot(0, [text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == text) {
                b->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << qPrintable(text);
        box->reject();
    });
}

} // namespace

TEST(QtDialogs, CaptionsIconsAndButtons)
{
    struct Case
    {
        DialogType type;
        QString caption;
        QMessageBox::Icon icon;
    };
    QApplication::setApplicationDisplayName(u"Lumivista"_s);
    const QList<Case> cases{{DialogType::Warning, u"Warnung"_s, QMessageBox::Warning},
                            {DialogType::Error, u"Fehler"_s, QMessageBox::Critical},
                            {DialogType::Information, u"Informationen"_s, QMessageBox::Information},
                            {DialogType::Confirmation, u"Bestätigen"_s, QMessageBox::Question},
                            {DialogType::Custom, u"Lumivista"_s, QMessageBox::NoIcon}};
    for (const Case& c : cases) {
        std::unique_ptr<QMessageBox> box(
            QtDialogs::createBox(u"Text"_s, c.type, DialogButtons::Ok));
        EXPECT_EQ(box->windowTitle(), c.caption);
        EXPECT_EQ(box->icon(), c.icon);
        EXPECT_EQ(buttonTexts(*box), QStringList{u"OK"_s});
    }
    std::unique_ptr<QMessageBox> yesNo(QtDialogs::createBox(
        u"Zeile 1\r\nZeile 2"_s, DialogType::Confirmation, DialogButtons::YesNo));
    QStringList two = buttonTexts(*yesNo);
    two.sort();
    EXPECT_EQ(two, (QStringList{u"&Ja"_s, u"&Nein"_s}));
    EXPECT_EQ(yesNo->defaultButton()->text(), u"&Ja"_s);
    EXPECT_EQ(yesNo->text(), u"Zeile 1\r\nZeile 2"_s);
    EXPECT_EQ(yesNo->textFormat(), Qt::PlainText); // "<b>" in a file name stays visible
    std::unique_ptr<QMessageBox> three(QtDialogs::createBox(
        u"Die Daten noch sichern?"_s, DialogType::Confirmation, DialogButtons::YesNoCancel));
    QStringList texts = buttonTexts(*three); // the order on screen is the platform's
    texts.sort();
    EXPECT_EQ(texts, (QStringList{u"&Ja"_s, u"&Nein"_s, u"Abbrechen"_s}));
}

TEST(QtDialogs, ClosingWithoutAButtonIsNoOrCancel)
{
    std::unique_ptr<QMessageBox> box(
        QtDialogs::createBox(u"?"_s, DialogType::Confirmation, DialogButtons::YesNo));
    EXPECT_EQ(QtDialogs::resultOf(*box, DialogButtons::YesNo), DialogResult::No);
    EXPECT_EQ(QtDialogs::resultOf(*box, DialogButtons::YesNoCancel), DialogResult::Cancel);
    EXPECT_EQ(QtDialogs::resultOf(*box, DialogButtons::Ok), DialogResult::Ok);
}

TEST(QtDialogs, ThePressedButtonIsTheAnswer)
{
    QtDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    pressLater(u"&Ja"_s);
    EXPECT_TRUE(askYesNo(u"Abbrechen?"_s));
    pressLater(u"&Nein"_s);
    EXPECT_FALSE(showMessage(u"Frage"_s, u"q"_s));
    pressLater(u"Abbrechen"_s);
    EXPECT_EQ(askYesNoCancel(u"Die Daten noch sichern?"_s), DialogResult::Cancel);
    pressLater(u"OK"_s);
    EXPECT_FALSE(showMessage(u"Zeile 1/nZeile 2"_s, u"w"_s));
}

TEST(WindowColor, ColourLayoutIsBlueGreenRed)
{
    EXPECT_EQ(colorFromValue(255), QColor(255, 0, 0));
    EXPECT_EQ(colorFromValue(kMainWindowColor), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_EQ(ColourValue::fromColor(QColor(0xA6, 0xCA, 0xF0)).value(), 15780518);
    EXPECT_EQ(colorFromValue(-16777208), QApplication::palette().color(QPalette::WindowText));
}

TEST(WindowColor, EveryWindowAndToolBarTakesTheColour)
{
    QMainWindow window;
    auto* toolBar = window.addToolBar(u"t"_s);
    QMainWindow other; // another top-level window of the application
    window.show();
    other.show();
    applyWindowColor(kMainWindowColor);
    const QColor blue(0xA6, 0xCA, 0xF0);
    EXPECT_EQ(window.palette().color(QPalette::Window), blue);
    EXPECT_EQ(toolBar->palette().color(QPalette::Window), blue);
    EXPECT_EQ(other.palette().color(QPalette::Window), blue);
    EXPECT_TRUE(window.autoFillBackground());

    applyWindowColor(255, &other); // only below the given component
    EXPECT_EQ(other.palette().color(QPalette::Window), QColor(255, 0, 0));
    EXPECT_EQ(window.palette().color(QPalette::Window), blue);
}
