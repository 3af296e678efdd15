// Metafiles to SVG: WMF through libwmf (in wmfsvg.cpp, away from Qt), EMF through
// libemf2svg. The size comes from the metafile's own header, at 96 dpi.
#include "metafile.h"

#include "util/error.h"
#include "wmfsvg.h"

#include <QtEndian>

#include <cstdlib>
#include <mutex>

#include <emf2svg.h>

namespace {

quint32 le32(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

qint32 les32(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<qint32>(data.constData() + offset);
}

bool isEmf(const QByteArray& data)
{
    // EMR_HEADER record (type 1) with the signature " EMF" at byte 40.
    return data.size() >= 88 && le32(data, 0) == 1 && le32(data, 40) == 0x464D4520u;
}

quint16 le16(const QByteArray& data, qsizetype offset)
{
    return qFromLittleEndian<quint16>(data.constData() + offset);
}

bool isWmf(const QByteArray& data)
{
    if (data.size() >= 22 && le32(data, 0) == 0x9AC6CDD7u) {
        return true; // placeable header
    }
    return data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9 &&
           data[3] == 0;
}

// libwmf trusts the header: it allocates by the largest record it announces and reads
// records by their size fields. Check both against the data before handing it over.
void checkWmfRecords(const QByteArray& data)
{
    const qsizetype start = le32(data, 0) == 0x9AC6CDD7u ? 22 : 0;
    const auto damaged = [] { return LumiError(QStringLiteral("Beschädigte WMF-Datei")); };
    if (data.size() < start + 18 || le16(data, start + 2) != 9) {
        throw damaged();
    }
    const quint32 largestRecord = le32(data, start + 12);
    if (largestRecord < 3 || qint64(largestRecord) * 2 > data.size()) {
        throw damaged();
    }
    qsizetype offset = start + 18;
    while (true) {
        if (offset + 6 > data.size()) {
            throw damaged(); // cut short before the end record
        }
        const quint32 words = le32(data, offset);
        const quint16 function = le16(data, offset + 4);
        if (words < 3 || words > largestRecord || offset + qint64(words) * 2 > data.size()) {
            throw damaged();
        }
        if (function == 0) {
            return; // META_EOF
        }
        offset += qsizetype(words) * 2;
    }
}

// Walks the EMF records by their sizes: each inside the data, up to EMR_EOF.
void checkEmfRecords(const QByteArray& data)
{
    const auto damaged = [] { return LumiError(QStringLiteral("Beschädigte EMF-Datei")); };
    qsizetype offset = 0;
    while (true) {
        if (offset + 8 > data.size()) {
            throw damaged();
        }
        const quint32 type = le32(data, offset);
        const quint32 size = le32(data, offset + 4);
        if (size < 8 || size % 4 != 0 || offset + qint64(size) > data.size()) {
            throw damaged();
        }
        if (type == 14) {
            return; // EMR_EOF
        }
        offset += qsizetype(size);
    }
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
    // libemf2svg is not documented as thread-safe: one conversion at a time.
    static std::mutex oneAtATime;
    const std::lock_guard<std::mutex> lock(oneAtATime);
    QByteArray copy = data; // emf2svg takes a non-const buffer
    // The header's description text is only a comment, and libemf2svg reads it without
    // checking that it lies inside the header: drop it.
    if (copy.size() >= 68) {
        qToLittleEndian<quint32>(0, copy.data() + 60);
        qToLittleEndian<quint32>(0, copy.data() + 64);
    }
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
        checkEmfRecords(data);
        return convertEmf(data);
    }
    if (!isWmf(data)) {
        throw LumiError(QStringLiteral("Keine gültige WMF- oder EMF-Datei"));
    }
    checkWmfRecords(data);
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
