// One background colour for every window: the main window gives it to all windows and tool
// bars each time it is shown.
#pragma once

#include "util/colourvalue.h"

#include <QColor>

class QObject;

// The light blue the main window applies when it is shown (0x00BBGGRR: red A6, green CA,
// blue F0).
inline constexpr int kMainWindowColor = 15780518;

// A colour value as the windows show it: system colours take the matching colour of the
// application's palette (8: window text, 5: base, 15: button ...).
QColor colorFromValue(ColourValue value);

// Gives `colour` (0x00BBGGRR) as background to every window and every tool bar below
// `root` (the component first, then the component itself); without a root, to every
// top-level widget of the application.
void applyWindowColor(int colour, QObject* root = nullptr);
