// The checks of a window on the screen it is shown on: it fits the screen, and every button,
// field and box of its current page lies inside it or inside a scroll area that brings it
// into view. For the window tests under a virtual X server; a picture of each page checked
// goes to the build folder (LUMIVISTA_SCREENSHOT_DIR), named after the screen
// (LUMIVISTA_SCREEN_NAME).
#pragma once

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>
#include <gtest/gtest.h>

inline bool isControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w);
}

inline QScrollArea* enclosingScrollArea(QWidget* w, QWidget* window)
{
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget()) {
        if (auto* area = qobject_cast<QScrollArea*>(p); area && area->widget())
            return area;
    }
    return nullptr;
}

// The controls shown on the window's current page that the user cannot get to: outside the
// window, or inside a scroll area that cannot scroll them wholly into view.
inline QStringList unreachableControls(QWidget& window)
{
    QStringList unreachable;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        // Qt's own parts (a spin box's field, the tool bar's extension) go with their owner.
        if (!isControl(w) || !w->isVisible() || w->objectName().startsWith(QStringLiteral("qt_")) ||
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
inline void expectFitsAndReachable(QWidget& window, const QString& shot)
{
    QCoreApplication::processEvents();
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(window.frameGeometry().width(), screen.width()) << qPrintable(shot);
    EXPECT_LE(window.frameGeometry().height(), screen.height()) << qPrintable(shot);
    EXPECT_TRUE(screen.contains(window.frameGeometry())) << qPrintable(shot);
    EXPECT_EQ(unreachableControls(window), QStringList()) << qPrintable(shot);
    const QImage picture = window.grab().toImage();
    const QString file = QStringLiteral(LUMIVISTA_SCREENSHOT_DIR "/" LUMIVISTA_SCREEN_NAME "_") +
                         shot + QStringLiteral(".png");
    EXPECT_TRUE(picture.save(file)) << qPrintable(file);
}
