// The picture holder and the basic picture operations: loading, turning a graphic
// into a 24-bit bitmap, box scaling, and saving as JPEG or GIF.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cmath>
#include <optional>

enum class PictureKind
{
    Empty,
    Jpeg,
    Gif,
    Png,
    Tiff,
    Bitmap,
    Icon,
    Metafile
};

// Holds at most one graphic. Raster graphics keep their decoded pixels; a JPEG also
// keeps its compressed bytes, a metafile its drawing as SVG. A bitmap is always a
// QImage of Format_RGB888 at 96 dpi. Copies share pixels (QImage is implicitly
// shared), so a logo loaded once can be read by several threads.
class Picture
{
public:
    PictureKind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == PictureKind::Empty; }
    int width() const;
    int height() const;

    // The decoded pixels of a raster graphic (any format; the bitmap for kind Bitmap).
    const QImage& image() const { return m_image; }
    // The pixels of a bitmap for changing in place; only valid for kind Bitmap.
    QImage& bitmap() { return m_image; }
    // The compressed file bytes of a JPEG graphic (empty for other kinds).
    const QByteArray& jpegData() const { return m_jpegData; }
    const QByteArray& svgData() const { return m_svgData; }

    void clear();
    // Raster graphic of the given kind; a JPEG may keep its compressed bytes.
    void setRaster(PictureKind kind, const QImage& image, const QByteArray& jpegData = {});
    // Makes the graphic a bitmap holding these pixels (converted to RGB888 when needed).
    void setBitmap(const QImage& image);
    void setMetafile(const QByteArray& svg, QSize size);

    // Transparency mark and key colour; only the logo blending reads them.
    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool transparent) { m_transparent = transparent; }
    void setKeyColour(QRgb colour) { m_keyColour = colour; }
    void clearKeyColour() { m_keyColour.reset(); }
    // The key colour in effect: the one set, else the colour of the bottom-left pixel.
    std::optional<QRgb> keyColour() const;

    // The graphic drawn onto white at the given size (its own size when empty), as
    // RGB888; an empty Picture gives a white 200 by 40 bitmap.
    QImage renderedBitmap(QSize size = {}) const;

private:
    PictureKind m_kind = PictureKind::Empty;
    QImage m_image;
    QByteArray m_jpegData;
    QByteArray m_svgData;
    QSize m_svgSize;
    bool m_transparent = false;
    std::optional<QRgb> m_keyColour;
};

// Rounds to the nearest integer, an exact half going to the even neighbour.
// Values beyond the range of long long saturate; NaN gives 0.
long long RoundHalfEven(long double value);

template <typename T> constexpr T Clamp(T value, T low, T high)
{
    return value > high ? high : (value < low ? low : value);
}

// Pictures above this many pixels are refused before any pixel memory is taken.
constexpr long long kMaxPicturePixels = 256LL * 1000 * 1000;
// Neither side of a picture may exceed this (the JPEG and GIF formats stop at 65535).
constexpr int kMaxPictureSide = 65500;

// Reads the file into the Picture, the kind chosen by the extension. Raises LumiError
// for an unknown extension, a missing or unreadable file, undecodable or truncated
// data, and pictures above the pixel limit; the Picture then keeps what it held.
// A JPEG whose EXIF orientation says it is turned or mirrored is made upright.
void LoadPicture(Picture& picture, const QString& path);
// The same for data in memory (a pasted or dropped picture), the kind given by an
// extension such as "png".
void LoadPictureData(Picture& picture, const QByteArray& data, const QString& extension);

void ToBitmap(Picture& picture);

// Scales into the box (0 or less: automatic); direction -1 only shrinks, +1 only
// enlarges, 0 both. Point sampling; with `smooth`, a reduction (no side larger, one
// smaller) is filtered in linear light instead (SmoothReducer), the size the same.
void ScalePicture(Picture& picture, int width, int height, bool keepAspect, int direction,
                  bool smooth = false);
// The size ScalePicture makes a W by H picture, or nothing when it leaves it as it is.
// Raises LumiError for a size above the limits.
std::optional<QSize> scaledSize(long long W, long long H, int width, int height, bool keepAspect,
                                int direction);

// LoadPicture followed by ScalePicture(picture, width, height, yes, 0), with the same
// result to the byte. A JPEG that is scaled is decoded row by row and only the pixels the
// point sampling picks are kept, so memory follows the scaled size and the pixel limit
// applies to that size; a progressive JPEG (all its coefficients held while decoding)
// keeps the limit on its own size.
// With `smooth`, pictures are reduced as ScalePicture's smooth reduction does them, a JPEG
// decoded at the smallest of libjpeg's scales that keeps three times the size and filtered as
// its rows come (memory follows the decoded scale's width); a JPEG's embedded colour profile
// other than sRGB is converted to sRGB. A profile that cannot be used is left out and
// `warning` says so.
void LoadScaledPicture(Picture& picture, const QString& path, int width, int height,
                       bool smooth = false, QString* warning = nullptr);

// Writes a baseline JPEG at the quality (outside 1..100: 100), the extension forced to
// ".jpg". An unchanged JPEG at quality 100 is written as it was loaded. Returns false
// for an empty Picture; raises LumiError when the file cannot be written.
bool SaveJpeg(Picture& picture, const QString& path, int quality);

// Writes a GIF of at most 256 colours, the extension forced to ".gif". Returns false
// for an empty Picture; raises LumiError when the file cannot be written.
bool SaveGif(const Picture& picture, const QString& path);

// The path with the extension of its file name replaced by newExtension (with dot),
// or newExtension appended when the file name has none.
QString replaceExtension(const QString& path, const QString& newExtension);
