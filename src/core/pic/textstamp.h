// The text stamp: one line of text burnt into a picture at an edge or the centre,
// plus an offset.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class Picture;

// A colour value in the layout 0x00BBGGRR (red in the low byte); negative values name
// system colours (0x80000000 + index or -16777216 + index), given their usual defaults.
QColor colourFromValue(qint64 value);

// Draws text in font and colour into the picture with a transparent background.
// horizontal and vertical: -1 left/top, 0 centre, +1 right/bottom; x and y are offsets
// (added to the centred position, distances from the right and bottom edges).
// An empty text changes nothing. Point sizes count at 96 dpi.
void TextStamp(Picture& picture, const QString& text, const QFont& font, qint64 colour, int x,
               int y, int horizontal, int vertical);
