// Every window on the screen of the virtual X server its test program runs under (the usual
// 1280 x 1024, and the small 1366 x 768 at 125 %): it fits the screen, and every button,
// field and box on every page lies inside the window or inside a scroll area that brings it
// into view. Pictures of each page go to the build folder.
#include "mainform_fixture.h"
#include "windowchecks.h"

#include "help/helpmarkup.h"
#include "ui/aboutbox.h"
#include "ui/ftpform.h"
#include "ui/hlp.h"
#include "ui/jpgopti.h"
#include "ui/updateform.h"

#include <QTabWidget>

using namespace Qt::StringLiterals;

using WindowFit = MainFormTest;

TEST_F(WindowFit, MainWindowEveryPage)
{
    form().setFiles({makePicture(u"Strand.jpg"_s, 120, 80) + u"|Am Meer"_s,
                     makePicture(u"Haus.jpg"_s, 80, 120)});
    auto* pages = control<QTabWidget>("pages");
    ASSERT_EQ(pages->count(), 4);
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        expectFitsAndReachable(form(), u"mainform_%1"_s.arg(page + 1));
    }
}

TEST_F(WindowFit, OptimiserEveryTab)
{
    TJPGOpti opti;
    opti.exec(makePicture(u"gross.jpg"_s, 600, 400));
    auto* tabs = opti.findChild<QTabWidget*>(u"Tabs"_s);
    ASSERT_NE(tabs, nullptr);
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        expectFitsAndReachable(opti, u"optimiser_%1"_s.arg(i + 1));
    }
}

TEST_F(WindowFit, FtpWindow)
{
    TFTPForm ftp;
    ftp.show();
    expectFitsAndReachable(ftp, u"ftp"_s);
}

TEST_F(WindowFit, UpdateHelpAndAbout)
{
    TUpdateForm update;
    update.show();
    expectFitsAndReachable(update, u"update"_s);

    Thlp help;
    help.insert(lHlp(), u"PicLoad"_s);
    help.show();
    expectFitsAndReachable(help, u"help"_s);

    TAboutBox about;
    about.show();
    expectFitsAndReachable(about, u"about"_s);
}
