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

} // namespace

QByteArray encodeGif(const QImage& image)
{
    const QImage rgb = toRgb888(image);
    const int width = rgb.width();
    const int height = rgb.height();
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        fail(QStringLiteral("Bildgröße %1 x %2").arg(width).arg(height));
    }
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
    std::vector<unsigned char> indices(size_t(width) * size_t(height));
    if (liq_write_remapped_image(q.result, q.image, indices.data(), indices.size()) != LIQ_OK) {
        fail(QStringLiteral("Farbreduktion fehlgeschlagen"));
    }
    const liq_palette* palette = liq_get_palette(q.result);

    // The colour table of a GIF has a power-of-two size, at least 2.
    int bits = 1;
    while ((1 << bits) < int(palette->count)) {
        ++bits;
    }
    std::vector<GifColorType> colours(size_t(1) << bits, GifColorType{0, 0, 0});
    for (unsigned i = 0; i < palette->count; ++i) {
        colours[i] =
            GifColorType{palette->entries[i].r, palette->entries[i].g, palette->entries[i].b};
    }

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToBuffer, &error);
    if (!gif) {
        fail(QString::fromLatin1(GifErrorString(error)));
    }
    ColorMapObject* map = GifMakeMapObject(1 << bits, colours.data());
    bool ok = map && EGifPutScreenDesc(gif, width, height, bits, 0, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < height; ++y) {
        ok = EGifPutLine(gif, indices.data() + size_t(y) * size_t(width), width) == GIF_OK;
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
