// Double-size pictures for HiDPI screens: their sizes, names and srcset values.
#include "gallery/doublesize.h"

#include "pic/jpegcodec.h"
#include "pic/picture.h"
#include "util/error.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

QSize fitted(QSize source, int width, int height, int direction)
{
    return scaledSize(source.width(), source.height(), width, height, true, direction)
        .value_or(source);
}

// The double-size version of a picture of `single` made from `source` with the box doubled,
// never beyond `photo`; empty when the photo is not larger than the picture.
QSize doubled(QSize single, QSize source, QSize photo, int width, int height)
{
    if (photo.width() <= single.width() && photo.height() <= single.height())
        return {};
    // Twice a box beyond the largest side would not fit an int; it is beyond the photo anyway.
    const auto twice = [](int side) { return 2 * std::min(side, kMaxPictureSide); };
    QSize size = fitted(source, twice(width), twice(height), 0);
    if (size.width() > photo.width() || size.height() > photo.height())
        size = fitted(source, photo.width(), photo.height(), 0);
    if (size.width() <= single.width() && size.height() <= single.height())
        return {};
    return size;
}

} // namespace

DoubleSizes doubleSizes(QSize photo, int picWidth, int picHeight, int tnWidth, int tnHeight)
{
    DoubleSizes sizes;
    sizes.photo = photo;
    if (photo.isEmpty())
        return sizes;
    try {
        sizes.large = fitted(photo, picWidth, picHeight, 0);
        sizes.small = fitted(sizes.large, tnWidth, tnHeight, 0);
        sizes.large2x = doubled(sizes.large, photo, photo, picWidth, picHeight);
        // The small picture is made from the large one: its double size from the large
        // picture's size, as the small picture's own.
        sizes.small2x = doubled(sizes.small, sizes.large, photo, tnWidth, tnHeight);
    } catch (const LumiError&) {
        // A size above the limits: the picture fails as it does without double sizes.
        sizes.large2x = sizes.small2x = QSize();
    }
    return sizes;
}

QSize photoSize(const QString& path)
{
    try {
        const QByteArray name = QFile::encodeName(path);
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
            std::fopen(name.constData(), "rb"), &std::fclose);
        if (!file)
            return {};
        unsigned char magic[2] = {};
        const bool jpeg =
            std::fread(magic, 1, 2, file.get()) == 2 && magic[0] == 0xFF && magic[1] == 0xD8;
        if (jpeg) {
            std::rewind(file.get());
            return SampledJpegDecoder(file.get()).uprightSize();
        }
        // Other raster formats from their header too (read as LoadPicture reads them, without
        // turning); a metafile has its size only once converted.
        const QSize header = QImageReader(path).size();
        if (header.isValid())
            return header;
        Picture picture;
        LoadPicture(picture, path);
        return {picture.width(), picture.height()};
    } catch (const LumiError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
}

QString doubleSizePath(const QString& picturePath, PathStyle style)
{
    qsizetype slash = picturePath.lastIndexOf(u'/');
    if (style == PathStyle::Windows)
        slash = std::max(slash, picturePath.lastIndexOf(u'\\'));
    const QChar separator = slash >= 0                    ? picturePath.at(slash)
                            : style == PathStyle::Windows ? QChar(u'\\')
                                                          : QChar(u'/');
    return picturePath.left(slash + 1) + QString::fromUtf16(kDoubleSizeFolder) + separator +
           picturePath.mid(slash + 1);
}

QString srcsetValue(const QString& link)
{
    QString url = link;
    url.replace(u',', QStringLiteral("%2C"));
    return url + QStringLiteral(" 1x, ") + doubleSizePath(url, PathStyle::Posix) +
           QStringLiteral(" 2x");
}
