// Linear-light Lanczos-3 reduction, streaming row by row.
#include "smoothscale.h"

#include "pixels.h"
#include "util/error.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr double kLobes = 3.0; // Lanczos-3: sinc windowed by sinc, three lobes each side

double lanczos(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

// sRGB (IEC 61966-2-1) to linear light and back.
double toLinear(double v)
{
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double toSrgb(double v)
{
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

const std::array<float, 256>& linearTable()
{
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = float(toLinear(i / 255.0));
        return t;
    }();
    return table;
}

// Linear light in 1/65535 steps back to 8-bit sRGB: fine enough that even the darkest
// levels (1/255 sRGB is 0.0003 linear) round as they would exactly.
constexpr int kSrgbSteps = 65535;
const std::vector<uchar>& srgbTable()
{
    static const std::vector<uchar> table = [] {
        std::vector<uchar> t(kSrgbSteps + 1);
        for (int i = 0; i <= kSrgbSteps; ++i)
            t[size_t(i)] = uchar(std::lround(toSrgb(double(i) / kSrgbSteps) * 255));
        return t;
    }();
    return table;
}

} // namespace

// For each target line: the first source line it takes, how many, and their weights
// (normalised to sum 1). The centres line up as in point sampling: target line i covers
// source lines i * scale to (i + 1) * scale.
struct SmoothReducer::Taps
{
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int> offset; // into weights
    std::vector<float> weights;
    int widest = 0;

    Taps(int source, double extent, int target)
    {
        const double scale = extent / target;
        const double support = kLobes * std::max(scale, 1.0);
        const double stretch = std::max(scale, 1.0);
        for (int i = 0; i < target; ++i) {
            const double centre = (i + 0.5) * scale;
            const int from = std::max(int(std::floor(centre - support + 0.5)), 0);
            const int to = std::min(int(std::floor(centre + support + 0.5)), source);
            offset.push_back(int(weights.size()));
            double sum = 0;
            for (int s = from; s < to; ++s) {
                const double w = lanczos((s + 0.5 - centre) / stretch);
                weights.push_back(float(w));
                sum += w;
            }
            if (sum != 0) {
                for (size_t k = size_t(offset.back()); k < weights.size(); ++k)
                    weights[k] = float(weights[k] / sum);
            }
            first.push_back(from);
            count.push_back(to - from);
            widest = std::max(widest, to - from);
        }
    }
};

bool isReduction(QSize source, QSize target)
{
    return target.width() > 0 && target.height() > 0 && target.width() <= source.width() &&
           target.height() <= source.height() && target != source;
}

SmoothReducer::SmoothReducer(QSize source, QSize target, QSizeF extent)
    : m_source(source), m_target(target),
      m_across(std::make_unique<Taps>(
          source.width(), extent.isValid() ? extent.width() : source.width(), target.width())),
      m_down(std::make_unique<Taps>(
          source.height(), extent.isValid() ? extent.height() : source.height(), target.height())),
      m_result(target, QImage::Format_RGB888)
{
    if (m_result.isNull()) {
        throw LumiError(QStringLiteral("Zu wenig Speicher für ein Bild von %1 x %2 Pixel")
                            .arg(target.width())
                            .arg(target.height()));
    }
    setStandardResolution(m_result);
    m_ringRows = m_down->widest;
    m_linear.resize(size_t(source.width()));
    m_ring.resize(size_t(m_ringRows) * size_t(target.width()));
    m_sum.resize(size_t(target.width()));
    linearTable();
    srgbTable();
}

SmoothReducer::~SmoothReducer() = default;

void SmoothReducer::addRow(const uchar* rgb)
{
    if (m_rowsIn >= m_source.height())
        return;
    const std::array<float, 256>& lin = linearTable();
    const int sourceWidth = m_source.width();
    for (int x = 0; x < sourceWidth; ++x, rgb += 3)
        m_linear[size_t(x)] = Pixel{lin[rgb[0]], lin[rgb[1]], lin[rgb[2]], 0.0f};
    const int w = m_target.width();
    Pixel* out = &m_ring[size_t(m_rowsIn % m_ringRows) * size_t(w)];
    const Taps& t = *m_across;
    for (int x = 0; x < w; ++x) {
        const float* weight = &t.weights[size_t(t.offset[size_t(x)])];
        const Pixel* in = &m_linear[size_t(t.first[size_t(x)])];
        // Two sums in turn, so each addition need not wait for the one before.
        Pixel even = {};
        Pixel odd = {};
        const int count = t.count[size_t(x)];
        int k = 0;
        for (; k + 1 < count; k += 2) {
            even += weight[k] * in[k];
            odd += weight[k + 1] * in[k + 1];
        }
        if (k < count)
            even += weight[k] * in[k];
        out[x] = even + odd;
    }
    ++m_rowsIn;
    emitRows();
}

void SmoothReducer::emitRows()
{
    const Taps& t = *m_down;
    const size_t w = size_t(m_target.width());
    const std::vector<uchar>& toSrgb = srgbTable();
    const auto srgbByte = [&toSrgb](float linear) {
        return toSrgb[size_t(std::clamp(linear, 0.0f, 1.0f) * kSrgbSteps + 0.5f)];
    };
    while (m_rowsOut < m_target.height()) {
        const size_t j = size_t(m_rowsOut);
        if (t.first[j] + t.count[j] > m_rowsIn)
            return;
        std::fill(m_sum.begin(), m_sum.end(), Pixel{});
        const float* weight = &t.weights[size_t(t.offset[j])];
        for (int k = 0; k < t.count[j]; ++k) {
            const Pixel* in = &m_ring[size_t((t.first[j] + k) % m_ringRows) * w];
            const float wk = weight[k];
            for (size_t x = 0; x < w; ++x)
                m_sum[x] += wk * in[x];
        }
        uchar* dst = m_result.scanLine(m_rowsOut);
        for (size_t x = 0; x < w; ++x, dst += 3) {
            dst[0] = srgbByte(m_sum[x][0]);
            dst[1] = srgbByte(m_sum[x][1]);
            dst[2] = srgbByte(m_sum[x][2]);
        }
        ++m_rowsOut;
    }
}

QImage smoothReduced(const QImage& rgb888, QSize target)
{
    const QImage source = toRgb888(rgb888);
    SmoothReducer reducer(source.size(), target);
    for (int y = 0; y < source.height(); ++y)
        reducer.addRow(source.constScanLine(y));
    return reducer.result();
}
