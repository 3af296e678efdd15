// JPEG decoding and encoding through libjpeg, with our own error manager (the default
// one ends the process) and a small EXIF reader for the orientation tag.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

struct DecodedJpeg
{
    QImage image;        // RGB888, upright
    int orientation = 1; // the EXIF orientation that was applied (1: none)
};

// Decodes at full size with the accurate integer IDCT. Greyscale becomes grey RGB,
// CMYK and YCCK are converted (Adobe's inverted values included). Raises LumiError for
// damaged or truncated data and for pictures above the pixel limit.
DecodedJpeg decodeJpeg(const QByteArray& data);

// Baseline JPEG of an RGB888 image at the IJG quality 1..100, default parameters.
QByteArray encodeJpeg(const QImage& rgb888, int quality);

// The orientation tag of an EXIF block (the APP1 payload after "Exif\0\0"), 1 when the
// block is damaged or has none.
int exifOrientation(const unsigned char* data, size_t size);
