// The main window, the optimiser and the FTP window on a small screen: 1366 x 768 at 125 %
// scaling (about 1090 x 610 logical pixels, under a virtual X server, label "screenshots").
// Each window fits the screen, and every button, field and box on every page lies inside
// the window or inside a scroll area that brings it into view. Pictures of each page go to
// the build folder.
#include "mainform_fixture.h"

#include "ui/ftpform.h"
#include "ui/jpgopti.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace {

bool isControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

QScrollArea* enclosingScrollArea(QWidget* w, QWidget* window)
{
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(p); area && area->widget())
            return area;
    }
    return nullptr;
}

// The controls shown on the window's current page that the user cannot get to: outside the
// window, or inside a scroll area that cannot scroll them wholly into view.
QStringList unreachableControls(QWidget& window)
{
    QStringList unreachable;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // Qt's own parts (a spin box's field, the tool bar's extension) go with their owner.
        if (!isControl(w) || !w->isVisible() || w->objectName().startsWith(u"qt_"_s) ||
            isControl(w->parentWidget()))
            continue;
        QWidget* frame = &window;
        if (QScrollArea* area = enclosingScrollArea(w, &window)) {
            // The whole control, not only its text cursor (as ensureWidgetVisible does).
            const QPoint centre = w->mapTo(area->widget(), w->rect().center());
            area->ensureVisible(centre.x(), centre.y(), w->width() / 2 + 1, w->height() / 2 + 1);
            frame = area->viewport();
        }
        const QRect inFrame(w->mapTo(frame, QPoint(0, 0)), w->size());
        const QRect frameInWindow(frame->mapTo(&window, QPoint(0, 0)), frame->size());
        if (!frame->rect().contains(inFrame) || !window.rect().contains(frameInWindow))
            unreachable << (w->objectName().isEmpty()
                                ? QString::fromLatin1(w->metaObject()->className())
                                : w->objectName());
    }
    return unreachable;
}

// The window fits the screen; every control of the current page is reachable.
void expectFitsAndReachable(QWidget& window, const QString& shot)
{
    QCoreApplication::processEvents();
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(window.frameGeometry().width(), screen.width()) << qPrintable(shot);
    EXPECT_LE(window.frameGeometry().height(), screen.height()) << qPrintable(shot);
    EXPECT_TRUE(screen.contains(window.frameGeometry())) << qPrintable(shot);
    EXPECT_EQ(unreachableControls(window), QStringList()) << qPrintable(shot);
    const QImage picture = window.grab().toImage();
    EXPECT_TRUE(
        picture.save(QStringLiteral(LUMIVISTA_SCREENSHOT_DIR) + u"/small_"_s + shot + u".png"_s));
}

} // namespace

using SmallScreen = MainFormTest;

TEST_F(SmallScreen, IsAbout1090By610)
{
    const QSize screen = QGuiApplication::primaryScreen()->availableSize();
    EXPECT_LE(screen.width(), 1100);
    EXPECT_LE(screen.height(), 620);
}

TEST_F(SmallScreen, MainWindowEveryPage)
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

TEST_F(SmallScreen, OptimiserEveryTab)
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

TEST_F(SmallScreen, FtpWindow)
{
    TFTPForm ftp;
    ftp.show();
    expectFitsAndReachable(ftp, u"ftp"_s);
}
