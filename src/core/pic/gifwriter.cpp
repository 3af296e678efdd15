// GIF encoding with libimagequant's palette (giflib's own quantiser drifts colours
// visibly) and giflib's LZW writer, all in memory.
#include "gifwriter.h"

#include "pixels.h"
#include "util/error.h"

#include <gif_lib.h>
#include <libimagequant.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

int appendToBuffer(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* out = static_cast<QByteArray*>(gif->UserData);
    out->append(reinterpret_cast<const char*>(bytes), length);
    return length;
}

struct QuantiserParts
{
    liq_attr* attr = nullptr;
    liq_image* image = nullptr;
    liq_result* result = nullptr;
    ~QuantiserParts()
    {
        if (result) {
            liq_result_destroy(result);
        }
        if (image) {
            liq_image_destroy(image);
        }
        if (attr) {
            liq_attr_destroy(attr);
        }
    }
};

[[noreturn]] void fail(const QString& why)
{
    throw LumiError(QStringLiteral("GIF-Datei kann nicht erstellt werden (%1)").arg(why));
}

// The picture as at most 256 colours: one palette index per pixel, and the colour table
// padded to the power-of-two size GIF wants (at least 2, `bits` bits per index).
struct IndexedPicture
{
    int width = 0, height = 0;
    std::vector<unsigned char> indices;
    std::vector<GifColorType> colours;
    int bits = 1;
};

IndexedPicture quantise(const QImage& rgb)
{
    IndexedPicture indexed;
    const int width = indexed.width = rgb.width();
    const int height = indexed.height = rgb.height();
    const QImage rgba = rgb.convertToFormat(QImage::Format_RGBA8888);
    if (rgba.isNull()) {
        fail(QStringLiteral("zu wenig Speicher"));
    }
    // libimagequant wants rows without padding.
    std::vector<unsigned char> pixels(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y) {
        std::memcpy(pixels.data() + size_t(y) * size_t(width) * 4, rgba.constScanLine(y),
                    size_t(width) * 4);
    }

    QuantiserParts q;
    q.attr = liq_attr_create();
    if (!q.attr) {
        fail(QStringLiteral("zu wenig Speicher"));
    }
    liq_set_max_colors(q.attr, 256);
    q.image = liq_image_create_rgba(q.attr, pixels.data(), width, height, 0);
    if (!q.image || liq_image_quantize(q.image, q.attr, &q.result) != LIQ_OK) {
        fail(QStringLiteral("Farbreduktion fehlgeschlagen"));
    }
    liq_set_dithering_level(q.result, 1.0f);
    indexed.indices.resize(size_t(width) * size_t(height));
    if (liq_write_remapped_image(q.result, q.image, indexed.indices.data(),
                                 indexed.indices.size()) != LIQ_OK) {
        fail(QStringLiteral("Farbreduktion fehlgeschlagen"));
    }
    const liq_palette* palette = liq_get_palette(q.result);
    while ((1 << indexed.bits) < int(palette->count)) {
        ++indexed.bits;
    }
    indexed.colours.assign(size_t(1) << indexed.bits, GifColorType{0, 0, 0});
    for (unsigned i = 0; i < palette->count; ++i) {
        indexed.colours[i] =
            GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
    }
    return indexed;
}

QByteArray writeGif(IndexedPicture& p)
{
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBuffer, &error);
    if (!gif) {
        fail(QString::fromLatin1(GifErrorString(error)));
    }
    ColorMapObject* map = GifMakeMapObject(1 << p.bits, p.colours.data());
    bool ok = map && EGifPutScreenDesc(gif, p.width, p.height, p.bits, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < p.height; ++y) {
        ok = EGifPutLine(gif, p.indices.data() + size_t(y) * size_t(p.width), p.width) == GIF_OK;
    }
    const int lastError = ok ? 0 : gif->Error;
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK && ok) {
        fail(QString::fromLatin1(GifErrorString(error)));
    }
    if (!ok) {
        fail(QString::fromLatin1(GifErrorString(lastError)));
    }
    return out;
}

} // namespace

QByteArray encodeGif(const QImage& image)
{
    const QImage rgb = toRgb888(image);
    const int width = rgb.width();
    const int height = rgb.height();
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        fail(QStringLiteral("Bildgröße %1 x %2").arg(width).arg(height));
    }
    IndexedPicture indexed = quantise(rgb);
    return writeGif(indexed);
}
