// One background colour for every window: the main window gives it to all windows and tool
// bars each time it is shown.
#pragma once

#include <QColor>

class QObject;

// The light blue the main window applies when it is shown (0x00BBGGRR: red A6, green CA,
// blue F0).
inline constexpr int kMainWindowColor = 15780518;

// A colour value in the layout 0x00BBGGRR as a QColor; negative values (system colours)
// give the matching palette colour (8: window text, 5: base, 15: button ...).
QColor colorFromValue(int value);
// The value of a QColor in the layout 0x00BBGGRR.
int valueFromColor(const QColor& color);

// Gives `colour` (0x00BBGGRR) as background to every window and every tool bar below
// `root` (the component first, then the component itself); without a root, to every
// top-level widget of the application.
void applyWindowColor(int colour, QObject* root = nullptr);
