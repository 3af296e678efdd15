// GIF encoding: libimagequant picks the palette of at most 256 colours, giflib writes
// the file.
#pragma once

#include <QByteArray>
#include <QImage>

// A single-frame GIF89a of the picture (any format; made opaque on white first).
// Raises LumiError when the picture cannot be reduced or written.
QByteArray encodeGif(const QImage& image);
