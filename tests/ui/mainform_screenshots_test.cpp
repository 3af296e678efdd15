// Saves a picture of each page of the main window into the build folder, so that a person
// can look at the layout. Runs under a virtual X server (label "screenshots").
#include "mainform_fixture.h"

#include <QCoreApplication>
#include <QTabWidget>

using namespace Qt::StringLiterals;

using MainFormScreenshots = MainFormTest;

TEST_F(MainFormScreenshots, EachPage)
{
    form().resize(900, 650);
    form().setFiles({makePicture(u"Strand.jpg"_s, 120, 80) + u"|Am Meer"_s,
                     makePicture(u"Haus.jpg"_s, 80, 120)});
    auto* pages = control<QTabWidget>("pages");
    const QStringList names{u"bilderliste"_s, u"bildeinstellungen"_s, u"layout"_s,
                            u"galerie_erstellen"_s};
    ASSERT_EQ(pages->count(), names.size());
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QImage shot = form().grab().toImage();
        ASSERT_FALSE(shot.isNull());
        const QString file =
            QStringLiteral(LUMIVISTA_SCREENSHOT_DIR) + u"/mainform_"_s + names.at(page) + u".png"_s;
        EXPECT_TRUE(shot.save(file)) << qPrintable(file);
    }
}
