// The small screen: 1366 x 768 at 125 % scaling (about 1090 x 610 logical pixels, under a
// virtual X server, label "screenshots"). The windows' own checks are in windowfit_test.cpp,
// run here and on the usual screen.
#include "mainform_fixture.h"

#include <QGuiApplication>
#include <QScreen>

using SmallScreen = MainFormTest;

TEST_F(SmallScreen, IsAbout1090By610)
{
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    EXPECT_LE(screen.width(), 1100);
    EXPECT_LE(screen.height(), 620);
}
