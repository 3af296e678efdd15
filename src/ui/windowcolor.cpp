// applyWindowColor: the background of windows and tool bars, and the colour layout
// 0x00BBGGRR of the project values.
#include "ui/windowcolor.h"

#include <QApplication>
#include <QPalette>
#include <QToolBar>
#include <QWidget>

#include <utility>

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

QColor colorFromValue(ColourValue value)
{
    if (!value.isSystemColour())
        return value.toColor();
    // System colour indexes and the palette roles that stand for them; any other: Window.
    static constexpr std::pair<int, QPalette::ColorRole> kRoles[] = {
        {5, QPalette::Base},       {8, QPalette::WindowText},
        {13, QPalette::Highlight}, {14, QPalette::HighlightedText},
        {15, QPalette::Button},    {18, QPalette::ButtonText},
    };
    QPalette::ColorRole role = QPalette::Window;
    for (const auto& [index, paletteRole] : kRoles) {
        if (index == value.systemIndex())
            role = paletteRole;
    }
    return QApplication::palette().color(role);
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
