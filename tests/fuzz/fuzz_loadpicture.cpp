// libFuzzer target for LoadPictureData, one binary per format family (chosen at build
// time): jpeg, raster (gif, png, tiff, bmp, ico through Qt) and metafile (wmf, emf).
#include "pic/picture.h"
#include "util/error.h"

#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
#if defined(FUZZ_FAMILY_JPEG)
    const QString extension = QStringLiteral("jpg");
#elif defined(FUZZ_FAMILY_RASTER)
    // The first byte picks the plugin, the rest is the file.
    if (size < 1) {
        return 0;
    }
    static const char* const kExtensions[] = {"gif", "png", "tif", "bmp", "ico"};
    const QString extension = QLatin1String(kExtensions[data[0] % 5]);
    ++data;
    --size;
#else
    const QString extension = QStringLiteral("wmf"); // EMF is told apart by its header
#endif
    Picture picture;
    try {
        LoadPictureData(picture, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)),
                        extension);
        // Draw what loaded, as every picture operation does first; keep it small
        // enough for the fuzzer's memory limit.
        if (static_cast<long long>(picture.width()) * picture.height() <= 4'000'000) {
            ToBitmap(picture);
        }
    } catch (const LumiError&) {
    }
    return 0;
}
