// JPEG decoding and encoding through libjpeg, with our own error manager (the default
// one ends the process) and a small EXIF reader for the orientation tag.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdio>
#include <memory>

struct DecodedJpeg
{
    QImage image;        // RGB888, upright
    int orientation = 1; // the EXIF orientation that was applied (1: none)
};

// Decodes at full size with the accurate integer IDCT. Greyscale becomes grey RGB,
// CMYK and YCCK are converted (Adobe's inverted values included). Raises LumiError for
// damaged or truncated data and for pictures above the pixel limit.
DecodedJpeg decodeJpeg(const QByteArray& data);

struct JpegDecodeState;
struct JpegDecoderDeleter
{
    void operator()(JpegDecodeState* state) const;
};
using JpegDecoder = std::unique_ptr<JpegDecodeState, JpegDecoderDeleter>;

// A JPEG file decoded straight into a point-sampled, upright picture: the decoder reads
// row by row, passes over the rows the sampling does not take and keeps only the sampled
// pixels of the others, so it holds the result and a row rather than the whole picture.
// The pixels equal those of decodeJpeg followed by pointSampled.
// The bytes of libjpeg's plain coefficient arrays that the sampled decodes of a
// progressive JPEG running at once may hold; beyond it they keep their coefficients
// packed (see CompactCoefficients). Returns the budget it replaces; tests set 0 to pack
// every one.
long long setPlainCoefficientBudget(long long bytes);

class SampledJpegDecoder
{
public:
    // Reads the header from the file (left open, read from its current position).
    // Raises LumiError for damaged data.
    explicit SampledJpegDecoder(std::FILE* file);
    ~SampledJpegDecoder();

    // The size of the picture turned upright by its EXIF orientation.
    QSize uprightSize() const;
    // The upright picture point-sampled to `size`, as RGB888. Raises LumiError for
    // damaged or truncated data, and for a file of several scans (progressive) above the
    // pixel limit, as all its coefficients are held while decoding.
    QImage decode(QSize size);
    // The upright picture reduced to `size` (no side larger than uprightSize(); equal: only
    // decoded) in linear light: libjpeg decodes it at the smallest of its scales n/8 that
    // keeps three times the size, SmoothReducer filters the rows as they come. An embedded
    // colour profile other than sRGB is converted to sRGB first; one that cannot be used is
    // left out, and `warning` says so. Raises LumiError as decode() does.
    QImage decodeSmooth(QSize size, QString* warning = nullptr);
    // True when the file carries a colour profile that decodeSmooth converts.
    bool hasForeignProfile(QString* warning = nullptr) const;

private:
    JpegDecoder m_state;
};

// Baseline JPEG of an RGB888 image at the IJG quality 1..100, default parameters.
QByteArray encodeJpeg(const QImage& rgb888, int quality);

// The orientation tag of an EXIF block (the APP1 payload after "Exif\0\0"), 1 when the
// block is damaged or has none.
int exifOrientation(const unsigned char* data, size_t size);
