// Metafiles to SVG: WMF through libwmf (in wmfsvg.cpp, away from Qt), EMF through
// libemf2svg. The size comes from the metafile's own header, at 96 dpi.
#include "metafile.h"

#include "util/error.h"
#include "wmfsvg.h"

#include <QtEndian>

#include <cstdlib>

#include <emf2svg.h>

namespace {

quint32 le32(const QByteArray& data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

qint32 les32(const QByteArray& data, int offset)
{
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

bool isEmf(const QByteArray& data)
{
    // EMR_HEADER record (type 1) with the signature " EMF" at byte 40.
    return data.size() >= 88 && le32(data, 0) == 1 && le32(data, 40) == 0x464D4520u;
}

bool isWmf(const QByteArray& data)
{
    if (data.size() >= 22 && le32(data, 0) == 0x9AC6CDD7u) {
        return true; // placeable header
    }
    return data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 &&
           data[3] == 0;
}

Metafile convertEmf(const QByteArray& data)
{
    // rclFrame, in hundredths of a millimetre, gives the picture's own size.
    const double frameWidth = double(les32(data, 32)) - les32(data, 24);
    const double frameHeight = double(les32(data, 36)) - les32(data, 28);
    const double width = frameWidth / 2540.0 * 96.0;
    const double height = frameHeight / 2540.0 * 96.0;
    if (!(width >= 1 && height >= 1 && width < 1e6 && height < 1e6)) {
        throw LumiError(QStringLiteral("EMF-Datei ohne gültige Bildgröße"));
    }
    generatorOptions options{};
    options.nameSpace = nullptr;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = width;
    options.imgHeight = height;
    char* out = nullptr;
    size_t length = 0;
    QByteArray copy = data; // emf2svg takes a non-const buffer
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &length, &options);
    Metafile result;
    if (ok && out && length > 0) {
        result.svg = QByteArray(out, qsizetype(length));
    }
    std::free(out);
    if (result.svg.isEmpty()) {
        throw LumiError(QStringLiteral("EMF-Datei kann nicht gelesen werden"));
    }
    result.size = QSize(int(width + 0.5), int(height + 0.5));
    return result;
}

} // namespace

Metafile metafileToSvg(const QByteArray& data)
{
    if (isEmf(data)) {
        return convertEmf(data);
    }
    if (!isWmf(data)) {
        throw LumiError(QStringLiteral("Keine gültige WMF- oder EMF-Datei"));
    }
    std::string svg;
    std::string error;
    unsigned width = 0;
    unsigned height = 0;
    if (!convertWmfToSvg(reinterpret_cast<const unsigned char*>(data.constData()),
                         size_t(data.size()), svg, width, height, error)) {
        throw LumiError(QStringLiteral("WMF-Datei kann nicht gelesen werden (%1)")
                            .arg(QString::fromStdString(error)));
    }
    Metafile result;
    result.svg = QByteArray::fromStdString(svg);
    result.size = QSize(int(width), int(height));
    return result;
}
