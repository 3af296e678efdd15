// The text stamp: one line of text burnt into a picture at an edge or the centre,
// plus an offset.
#pragma once

#include "util/colourvalue.h"

#include <QFont>
#include <QString>

class Picture;

// Draws text in font and colour into the picture with a transparent background.
// horizontal and vertical: -1 left/top, 0 centre, +1 right/bottom; x and y are offsets
// (added to the centred position, distances from the right and bottom edges).
// An empty text changes nothing. Point sizes count at 96 dpi.
void TextStamp(Picture& picture, const QString& text, const QFont& font, ColourValue colour, int x,
               int y, int horizontal, int vertical);
