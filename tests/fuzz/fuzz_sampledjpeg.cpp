// libFuzzer target for the sampled JPEG decode every gallery picture goes through
// (SampledJpegDecoder: scanline skips, packed coefficients behind libjpeg's memory
// manager, byte shuffles or plain loops). The input is six bytes of settings, then the file:
//   0     orientation: 1 to 8 adds an EXIF block with it, anything else keeps the file's
//   1, 2  width of the box (little-endian, 0 to 2047; 0: automatic)
//   3, 4  height of the box
//   5     bit 0: a progressive file's coefficients packed; bit 1: packed with plain loops;
//         bit 2: the smooth decode (DCT-scaled, filtered, colour profile converted) instead
// Whatever decodes has the size asked for, and when the whole decode succeeds as well, a
// point-sampled decode has the pixels of the whole picture point-sampled.
#include "fuzzsupport.h"
#include "jpegwriting.h" // withOrientation

#include "pic/compactcoefficients.h"
#include "pic/jpegcodec.h"
#include "pic/picture.h"
#include "pic/pixels.h"
#include "pic/smoothscale.h"
#include "util/error.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace {

constexpr size_t kSettingsBytes = 6;
constexpr int kMaxBoxSide = 2047;
// Larger outputs take no other path, only longer (an enlargement to 2047 x 2047 takes
// seconds under the sanitizers).
constexpr long long kMaxCheckedPixels = 300'000;

// The packing chosen by the input while it lives.
struct Packing
{
    long long budget;
    bool shuffles;
    Packing(bool pack, bool plainLoops)
        : budget(setPlainCoefficientBudget(pack ? 0 : 32LL << 20)),
          shuffles(CompactCoefficients::setShufflesAllowed(!plainLoops))
    {
    }
    ~Packing()
    {
        setPlainCoefficientBudget(budget);
        CompactCoefficients::setShufflesAllowed(shuffles);
    }
};

using Stream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size <= kSettingsBytes) {
        return 0;
    }
    const int orientation = data[0];
    const int boxWidth = qFromLittleEndian<quint16>(data + 1) & kMaxBoxSide;
    const int boxHeight = qFromLittleEndian<quint16>(data + 3) & kMaxBoxSide;
    const Packing packing((data[5] & 1) != 0, (data[5] & 2) != 0);
    QByteArray jpeg(reinterpret_cast<const char*>(data + kSettingsBytes),
                    qsizetype(size - kSettingsBytes));
    if (orientation >= 1 && orientation <= 8) {
        jpeg = withOrientation(jpeg, orientation);
    }

    const Stream stream(fmemopen(jpeg.data(), size_t(jpeg.size()), "rb"), &std::fclose);
    FUZZ_CHECK(stream);
    QImage sampled;
    QSize wanted;
    try {
        SampledJpegDecoder decoder(stream.get());
        const QSize upright = decoder.uprightSize();
        const std::optional<QSize> scaled =
            scaledSize(upright.width(), upright.height(), boxWidth, boxHeight, true, 0);
        if (!scaled ||
            static_cast<long long>(scaled->width()) * scaled->height() > kMaxCheckedPixels) {
            return 0;
        }
        wanted = *scaled;
        if (data[5] & 4) {
            if (!isReduction(upright, wanted)) {
                wanted = upright; // only decoded (and converted)
            }
            if (static_cast<long long>(wanted.width()) * wanted.height() > kMaxCheckedPixels) {
                return 0;
            }
            const QImage smooth = decoder.decodeSmooth(wanted);
            FUZZ_CHECK(smooth.size() == wanted && smooth.format() == QImage::Format_RGB888);
            return 0;
        }
        sampled = decoder.decode(wanted);
    } catch (const LumiError&) {
        return 0;
    }
    FUZZ_CHECK(sampled.size() == wanted && sampled.format() == QImage::Format_RGB888);

    // The same file decoded whole and point-sampled gives the same pixels.
    try {
        const Stream header(fmemopen(jpeg.data(), size_t(jpeg.size()), "rb"), &std::fclose);
        FUZZ_CHECK(header);
        const QSize upright = SampledJpegDecoder(header.get()).uprightSize();
        if (static_cast<long long>(upright.width()) * upright.height() > kMaxCheckedPixels) {
            return 0;
        }
        const DecodedJpeg whole = decodeJpeg(jpeg);
        const QImage expected = pointSampled(whole.image, wanted.width(), wanted.height());
        FUZZ_CHECK(expected.size() == sampled.size());
        for (int y = 0; y < sampled.height(); ++y) {
            FUZZ_CHECK(std::memcmp(expected.constScanLine(y), sampled.constScanLine(y),
                                   size_t(sampled.width()) * 3) == 0);
        }
    } catch (const LumiError&) {
        // Compared only where both decode.
    }
    return 0;
}
