// Windows metafiles (WMF, EMF) turned into SVG drawings, which Qt Svg then draws.
#pragma once

#include <QByteArray>
#include <QSize>

struct Metafile
{
    QByteArray svg;
    QSize size; // pixels at 96 dpi
};

// Converts WMF (placeable or plain) or EMF data, told apart by their headers.
// Raises LumiError for data that is neither or cannot be converted.
Metafile metafileToSvg(const QByteArray& data);
