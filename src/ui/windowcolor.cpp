// applyWindowColor: the background of windows and tool bars, and the colour layout
// 0x00BBGGRR of the project values.
#include "ui/windowcolor.h"

#include <QApplication>
#include <QPalette>
#include <QToolBar>
#include <QWidget>

namespace {

void setBackground(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void applyTo(QObject* component, const QColor& color)
{
    // Owned components first, as the colour reaches the innermost windows before their
    // owners.
    const QObjectList children = component->children();
    for (QObject* child : children)
        applyTo(child, color);
    auto* widget = qobject_cast<QWidget*>(component);
    if (!widget)
        return;
    if (widget->isWindow() || qobject_cast<QToolBar*>(widget))
        setBackground(widget, color);
}

} // namespace

QColor colorFromValue(int value)
{
    if (value < 0) {
        // System colours carry the platform's colour index in the low byte.
        switch (value & 0xFF) {
        case 5:
            return QApplication::palette().color(QPalette::Base);
        case 8:
            return QApplication::palette().color(QPalette::WindowText);
        case 13:
            return QApplication::palette().color(QPalette::Highlight);
        case 14:
            return QApplication::palette().color(QPalette::HighlightedText);
        case 15:
            return QApplication::palette().color(QPalette::Button);
        case 18:
            return QApplication::palette().color(QPalette::ButtonText);
        default:
            return QApplication::palette().color(QPalette::Window);
        }
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int valueFromColor(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

void applyWindowColor(int colour, QObject* root)
{
    const QColor color = colorFromValue(colour);
    if (root) {
        applyTo(root, color);
        return;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        // Top-level widgets owned by another window are reached through their owner too;
        // painting one twice is harmless.
        applyTo(window, color);
    }
}
