#include "util/dialogs.h"
#include "util/error.h"

#include <gtest/gtest.h>

TEST(Dialogs, KindLettersChooseTypeButtonsAndResult)
{
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    dialogs.queue(DialogResult::Yes);
    dialogs.queue(DialogResult::No);

    EXPECT_TRUE(showMessage(QStringLiteral("Frage"), QStringLiteral("q")));
    EXPECT_FALSE(showMessage(QStringLiteral("Frage"), QStringLiteral("?")));
    EXPECT_FALSE(showMessage(QStringLiteral("Achtung"), QStringLiteral("w")));
    EXPECT_FALSE(showMessage(QStringLiteral("Gross"), QStringLiteral("W")));
    EXPECT_FALSE(showMessage(QStringLiteral("Ohne"), QString()));
    showError(QStringLiteral("Kaputt"));

    const auto& e = dialogs.entries();
    ASSERT_EQ(e.size(), 6);
    EXPECT_EQ(e[0].type, DialogType::Confirmation);
    EXPECT_EQ(e[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(e[2].type, DialogType::Warning);
    EXPECT_EQ(e[3].type, DialogType::Information); // capital W is not a warning
    EXPECT_EQ(e[4].type, DialogType::Custom);
    EXPECT_EQ(e[5].type, DialogType::Error);
    EXPECT_EQ(e[5].buttons, DialogButtons::Ok);
}

TEST(Dialogs, SlashNBecomesLineBreakAndUnansweredQuestionIsNo)
{
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    showMessage(QStringLiteral("Zeile 1/nZeile 2"), QStringLiteral("i"));
    EXPECT_EQ(dialogs.texts().first(), QStringLiteral("Zeile 1\r\nZeile 2"));
    EXPECT_FALSE(askYesNo(QStringLiteral("Weiter?")));
    EXPECT_EQ(askYesNoCancel(QStringLiteral("Speichern?")), DialogResult::No);
}

TEST(Dialogs, OnlyTheOwnTextBreaksValuesAndErrorsStayWhole)
{
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    const QString photo = QStringLiteral("/home/nina/n.jpg");
    showError({QStringLiteral("Datei (%1) fehlt!/nBitte prüfen."), photo});
    showMessage({QStringLiteral("%1 und %2"), QStringLiteral("/mnt/nas/%2"), 7}, QString());
    showError(LumiError(QStringLiteral("Kann ") + photo + QStringLiteral(" nicht lesen")));
    showError(MessageText::verbatim(QStringLiteral("530 /news/nope")));
    EXPECT_EQ(dialogs.texts(),
              (QStringList{QStringLiteral("Datei (/home/nina/n.jpg) fehlt!\r\nBitte prüfen."),
                           QStringLiteral("/mnt/nas/%2 und 7"),
                           QStringLiteral("Kann /home/nina/n.jpg nicht lesen"),
                           QStringLiteral("530 /news/nope")}));
    EXPECT_EQ(dialogs.entries()[2].type, DialogType::Error);
}
