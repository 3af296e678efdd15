// "Optimieren" and "Anpassen": the optimiser opens with the selected picture or the logo.
#include "mainform_fixture.h"

#include "ui/jpgopti.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

using namespace Qt::StringLiterals;

using OptimiserCommandTest = MainFormTest;

TEST_F(OptimiserCommandTest, OptimierenAndAnpassenOpenTheOptimiser)
{
    EXPECT_FALSE(control<QPushButton>("Button1")->isEnabled());
    TJPGOpti optimiser;
    form().setOptimiser(&optimiser);
    ASSERT_TRUE(control<QPushButton>("Button1")->isEnabled());

    const QString photo = makePicture(u"foto.png"_s, 60, 40);
    const QString logo = makePicture(u"logo.png"_s, 30, 10);
    form().setFiles({u"/fehlt.jpg"_s, photo + u"|Titel"_s});
    auto* list = control<QListView>("Files");
    list->selectionModel()->setCurrentIndex(list->model()->index(1, 0),
                                            QItemSelectionModel::ClearAndSelect);
    control<QPushButton>("Button1")->click();
    EXPECT_TRUE(optimiser.isVisible());
    EXPECT_EQ(optimiser.workingPicture().width(), 60);
    optimiser.hide();

    control<QLineEdit>("eWZImage")->setText(logo);
    control<QPushButton>("Button4")->click();
    EXPECT_TRUE(optimiser.isVisible());
    EXPECT_EQ(optimiser.workingPicture().width(), 30);
    optimiser.hide();
}
