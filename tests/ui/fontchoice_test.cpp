// The desktop's font dialogs keep the user's font when OK changes nothing, also for a family
// that is not installed, and Escape never leaves an empty dialog behind.
#include "ui/jpgopti_choosers.h"
#include "ui/mainform_choosers.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Runs `act` on the modal dialog that opens next (and on the one after, for `then`).
void onNextDialog(std::function<void(QWidget*)> act, std::function<void(QWidget*)> then = {})
{
    QTimer::singleShot(0, [act, then] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        if (then)
            onNextDialog(then);
        act(dialog);
    });
}

void pressOk(QWidget* dialog)
{
    if (auto* box = dialog->findChild<QDialogButtonBox*>()) {
        box->button(QDialogButtonBox::Ok)->click();
        return;
    }
    static_cast<QDialog*>(dialog)->accept();
}

bool leftOpen = false;

// Escape in the embedded font list; a dialog still open a moment later is recorded and closed.
void pressEscapeInFontList(QWidget* dialog)
{
    auto* fonts = dialog->findChild<QFontDialog*>();
    ASSERT_NE(fonts, nullptr);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(fonts, &escape);
    QTimer::singleShot(300, [dialog = QPointer<QWidget>(dialog)] {
        if (dialog && dialog->isVisible()) {
            leftOpen = true;
            static_cast<QDialog*>(dialog.data())->reject();
        }
    });
}

TEST(FontChoice, OkWithoutChangeKeepsAFamilyThatIsNotInstalled)
{
    ASSERT_FALSE(QFontDatabase::families().contains(u"Tahoma"_s))
        << "the test needs a family that is not installed";
    FontSpec tahoma;
    tahoma.name = u"Tahoma"_s;
    tahoma.size = 10;
    tahoma.bold = true;
    tahoma.color = 0x0000FF;
    QtChoosers choosers;
    onNextDialog(pressOk);
    const std::optional<FontSpec> chosen = choosers.chooseFont(nullptr, tahoma);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->name, u"Tahoma"_s);
    EXPECT_EQ(chosen->size, 10);
    EXPECT_TRUE(chosen->bold);
    EXPECT_EQ(chosen->color, 0x0000FF);

    QtOptiChoosers opti;
    const OptiFont arial{QFont(u"Arial"_s, 12), 0x00FF00};
    // OK in the font dialog, then the colour dialog that follows is cancelled.
    onNextDialog(pressOk, [](QWidget* colour) { static_cast<QDialog*>(colour)->reject(); });
    const std::optional<OptiFont> optiChosen = opti.chooseFont(nullptr, arial);
    ASSERT_TRUE(optiChosen.has_value());
    EXPECT_EQ(optiChosen->font.family(), u"Arial"_s);
    EXPECT_EQ(optiChosen->font.pointSize(), 12);
    EXPECT_EQ(optiChosen->colour, 0x00FF00);
}

TEST(FontChoice, EscapeInTheFontListClosesTheWholeDialog)
{
    QtChoosers choosers;
    FontSpec arial;
    arial.name = u"Arial"_s;
    arial.size = 8;
    onNextDialog(pressEscapeInFontList);
    EXPECT_FALSE(choosers.chooseFont(nullptr, arial).has_value());
    EXPECT_FALSE(leftOpen) << "Escape left the font window open and empty";
}

} // namespace
