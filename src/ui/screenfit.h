// Windows on small screens (1366 x 768 at 125 % scaling leaves about 1090 x 610 pixels):
// pages that scroll instead of growing the window, and windows no larger than the screen.
#pragma once

class QTabWidget;
class QWidget;

// Puts each page of `pages` into a scroll area (named after the page + "Scroll"): the window
// can be smaller than a page, and every control stays reachable by scrolling.
void makePagesScrollable(QTabWidget* pages);
// Shrinks `window` to its screen's available area where it is larger.
void fitIntoScreen(QWidget* window);
