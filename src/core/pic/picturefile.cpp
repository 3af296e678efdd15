// LoadPicture, SaveJpeg and SaveGif: choosing the codec by extension, the input
// checks (size limits, empty and odd files), and writing the output files.
#include "gifwriter.h"
#include "jpegcodec.h"
#include "metafile.h"
#include "picture.h"
#include "smoothscale.h"
#include "util/error.h"
#include "util/fileops.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include <unistd.h>

namespace {

// No picture file we accept comes near this; a bigger one is refused unread.
constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

struct Format
{
    const char* extension;
    PictureKind kind;
    const char* qtFormat; // nullptr: our own codec
};

constexpr Format kFormats[] = {
    {"jpg", PictureKind::Jpeg, nullptr},     {"jpeg", PictureKind::Jpeg, nullptr},
    {"gif", PictureKind::Gif, "gif"},        {"png", PictureKind::Png, "png"},
    {"tif", PictureKind::Tiff, "tiff"},      {"tiff", PictureKind::Tiff, "tiff"},
    {"bmp", PictureKind::Bitmap, "bmp"},     {"ico", PictureKind::Icon, "ico"},
    {"emf", PictureKind::Metafile, nullptr}, {"wmf", PictureKind::Metafile, nullptr},
};

const Format* formatFor(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        return nullptr;
    }
    const QString extension = name.mid(dot + 1).toLower();
    for (const Format& format : kFormats) {
        if (extension == QLatin1String(format.extension)) {
            return &format;
        }
    }
    return nullptr;
}

// Opens a picture file for reading after the checks every picture file passes.
void openPictureFile(QFile& file)
{
    const QString path = file.fileName();
    const QFileInfo info(path);
    if (!info.exists()) {
        throw LumiError(QStringLiteral("Datei nicht gefunden: %1").arg(path));
    }
    if (!info.isFile()) {
        throw LumiError(QStringLiteral("Keine Bilddatei: %1").arg(path));
    }
    if (info.size() > kMaxFileBytes) {
        throw LumiError(QStringLiteral("Datei zu groß: %1").arg(path));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        throw LumiError(QStringLiteral("Datei kann nicht gelesen werden: %1 (%2)")
                            .arg(path, file.errorString()));
    }
}

QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    openPictureFile(file);
    QByteArray data = file.readAll();
    if (data.isEmpty()) {
        throw LumiError(QStringLiteral("Leere Datei: %1").arg(path));
    }
    return data;
}

// The JPEG file decoded straight to the size ScalePicture would give it; nothing when
// that size is the picture's own (then the picture is loaded whole).
std::optional<QImage> loadSampledJpeg(const QString& path, int width, int height, bool smooth,
                                      QString* warning)
{
    QFile file(path);
    openPictureFile(file);
    if (file.size() == 0) {
        throw LumiError(QStringLiteral("Leere Datei: %1").arg(path));
    }
    using Stream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    const Stream stream(fdopen(dup(file.handle()), "rb"), &std::fclose);
    if (!stream) {
        throw LumiError(QStringLiteral("Datei kann nicht gelesen werden: %1 (%2)")
                            .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    }
    const auto inFileError = [&path](const LumiError& error) {
        return LumiError(QStringLiteral("%1: %2").arg(path, error.message()));
    };
    std::optional<SampledJpegDecoder> decoder;
    try {
        decoder.emplace(stream.get());
    } catch (const LumiError& error) {
        throw inFileError(error);
    }
    const QSize upright = decoder->uprightSize();
    const std::optional<QSize> size =
        scaledSize(upright.width(), upright.height(), width, height, true, 0);
    try {
        if (smooth) {
            // At its own size or enlarged, a picture is decoded here only when its colours
            // need converting.
            if (size && isReduction(upright, *size)) {
                return decoder->decodeSmooth(*size, warning);
            }
            if (decoder->hasForeignProfile(warning)) {
                return decoder->decodeSmooth(upright, warning);
            }
            return std::nullopt;
        }
        if (!size) {
            return std::nullopt;
        }
        return decoder->decode(*size);
    } catch (const LumiError& error) {
        throw inFileError(error);
    }
}

void checkSize(long long width, long long height)
{
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        throw LumiError(
            QStringLiteral("Das Bild ist zu groß (%1 x %2 Pixel)").arg(width).arg(height));
    }
}

// Walks the PNG chunks by their lengths, up to IEND. A chunk that claims more bytes
// than the file holds means a cut or damaged file; libpng would first allocate what
// the length claims (up to 2 GB for one text chunk).
void checkPngChunks(const QByteArray& data)
{
    const auto damaged = [] {
        return LumiError(QStringLiteral("Fehlerhafte PNG-Datei: unvollständige Datei"));
    };
    if (!data.startsWith("\x89PNG\r\n\x1a\n")) {
        return; // not a PNG at all: the plugin reports that
    }
    qsizetype offset = 8;
    while (true) {
        if (offset + 12 > data.size()) {
            throw damaged();
        }
        const quint32 length = qFromBigEndian<quint32>(data.constData() + offset);
        if (length > 0x7fffffffu || offset + 12 + qint64(length) > data.size()) {
            throw damaged();
        }
        if (data.mid(offset + 4, 4) == "IEND") {
            return;
        }
        offset += 12 + qsizetype(length);
    }
}

// The size the header of a GIF (its logical screen) or a BMP declares; 0 x 0 for other
// formats. Qt's plugins do not tell it before decoding: the GIF plugin reports the first
// frame's size but decodes into the logical screen, and the BMP plugin reports no size at
// all for a header beyond its own limits, so the picture would fail without saying why.
std::pair<long long, long long> declaredSize(const QByteArray& data, const char* qtFormat)
{
    const char* p = data.constData();
    if (qstrcmp(qtFormat, "gif") == 0 && data.size() >= 10 && data.startsWith("GIF")) {
        return {qFromLittleEndian<quint16>(p + 6), qFromLittleEndian<quint16>(p + 8)};
    }
    if (qstrcmp(qtFormat, "bmp") == 0 && data.size() >= 26 && data.startsWith("BM")) {
        const quint32 header = qFromLittleEndian<quint32>(p + 14);
        if (header == 12) { // BITMAPCOREHEADER: 16-bit sides
            return {qFromLittleEndian<quint16>(p + 18), qFromLittleEndian<quint16>(p + 20)};
        }
        if (header >= 40) { // BITMAPINFOHEADER and later: a negative height is top-down
            return {std::llabs(qFromLittleEndian<qint32>(p + 18)),
                    std::llabs(qFromLittleEndian<qint32>(p + 22))};
        }
    }
    return {0, 0};
}

QImage readWithQt(const QByteArray& data, const char* qtFormat)
{
    if (qstrcmp(qtFormat, "png") == 0) {
        checkPngChunks(data);
    }
    const auto [declaredWidth, declaredHeight] = declaredSize(data, qtFormat);
    checkSize(declaredWidth, declaredHeight);
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    // Qt refuses decoded images above 128 MB by default, far below the pixel limit checked
    // above (8000 x 6000 with transparency is 192 MB); allow what the limit allows, at up
    // to 8 bytes a pixel (16-bit colour with alpha).
    static const bool allocationLimitSet = [] {
        QImageReader::setAllocationLimit(int(kMaxPicturePixels * 8 / (1024 * 1024)) + 1);
        return true;
    }();
    Q_UNUSED(allocationLimitSet);
    QImageReader reader(&buffer, qtFormat);
    // Only the plugin the extension names: a file that lies about its kind fails.
    reader.setAutoDetectImageFormat(false);
    const QSize size = reader.size();
    if (size.isValid()) {
        checkSize(size.width(), size.height());
    }
    QImage image = reader.read(); // a GIF or an icon gives its first frame
    if (image.isNull()) {
        throw LumiError(
            QStringLiteral("Das Bild kann nicht gelesen werden (%1)").arg(reader.errorString()));
    }
    checkSize(image.width(), image.height());
    // Palette and 16-bit pictures become 24-bit colour (with alpha where they have it).
    const QImage::Format target =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB888;
    if (image.format() != target) {
        image = image.convertToFormat(target);
        if (image.isNull()) {
            throw LumiError(QStringLiteral("Zu wenig Speicher für das Bild"));
        }
    }
    return image;
}

// Over an existing file (the optimiser saving a JPEG in place) the old file stays whole
// until the new one is complete, and a kill leaves no random temporary beside it.
void writeFile(const QString& path, const QByteArray& bytes)
{
    QString reason;
    if (!replaceFileContents(path, bytes, &reason)) {
        throw LumiError(
            QStringLiteral("Datei kann nicht geschrieben werden: %1 (%2)").arg(path, reason));
    }
}

} // namespace

void LoadPicture(Picture& picture, const QString& path)
{
    const Format* format = formatFor(path);
    if (!format) {
        throw LumiError(QStringLiteral("Unbekanntes Bildformat: %1").arg(path));
    }
    const QByteArray data = readWholeFile(path);
    try {
        LoadPictureData(picture, data, QLatin1String(format->extension));
    } catch (const LumiError& error) {
        throw LumiError(QStringLiteral("%1: %2").arg(path, error.message()));
    }
}

void LoadPictureData(Picture& picture, const QByteArray& data, const QString& extension)
{
    const Format* format = formatFor(QStringLiteral("x.") + extension);
    if (!format) {
        throw LumiError(QStringLiteral("Unbekanntes Bildformat: %1").arg(extension));
    }
    if (data.isEmpty()) {
        throw LumiError(QStringLiteral("Leere Datei"));
    }
    if (format->kind == PictureKind::Jpeg) {
        DecodedJpeg decoded = decodeJpeg(data);
        // A picture turned upright no longer matches its compressed bytes.
        picture.setRaster(PictureKind::Jpeg, decoded.image,
                          decoded.orientation == 1 ? data : QByteArray());
    } else if (format->kind == PictureKind::Metafile) {
        const Metafile metafile = metafileToSvg(data);
        checkSize(metafile.size.width(), metafile.size.height());
        picture.setMetafile(metafile.svg, metafile.size);
    } else {
        picture.setRaster(format->kind, readWithQt(data, format->qtFormat));
    }
}

void LoadScaledPicture(Picture& picture, const QString& path, int width, int height, bool smooth,
                       QString* warning)
{
    const Format* format = formatFor(path);
    if (format && format->kind == PictureKind::Jpeg) {
        if (const std::optional<QImage> sampled =
                loadSampledJpeg(path, width, height, smooth, warning)) {
            picture.setBitmap(*sampled);
            if (smooth) {
                // Only decoded and converted: enlarging is point sampling, as for any picture.
                ScalePicture(picture, width, height, true, 0, smooth);
            }
            return;
        }
    }
    LoadPicture(picture, path);
    ScalePicture(picture, width, height, true, 0, smooth);
}

bool SaveJpeg(Picture& picture, const QString& path, int quality)
{
    if (picture.isEmpty()) {
        return false;
    }
    if (quality < 1 || quality > 100) {
        quality = 100;
    }
    const bool keepJpeg = picture.kind() == PictureKind::Jpeg && quality == 100;
    if (picture.kind() != PictureKind::Bitmap && !keepJpeg) {
        ToBitmap(picture);
    }
    const QString target = replaceExtension(path, QStringLiteral(".jpg"));
    if (keepJpeg && !picture.jpegData().isEmpty()) {
        writeFile(target, picture.jpegData());
    } else {
        writeFile(target, encodeJpeg(picture.image(), quality));
    }
    return true;
}

bool SaveGif(const Picture& picture, const QString& path)
{
    if (picture.isEmpty()) {
        return false;
    }
    const QImage bitmap =
        picture.kind() == PictureKind::Bitmap ? picture.image() : picture.renderedBitmap();
    writeFile(replaceExtension(path, QStringLiteral(".gif")), encodeGif(bitmap));
    return true;
}
