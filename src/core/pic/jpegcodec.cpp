// JPEG through libjpeg called directly. Errors leave libjpeg by longjmp to the frame
// that called setjmp; everything that must survive the jump lives in a heap state. A
// longjmp skips destructors: no object that has one may live in a frame it leaves (the
// functions that call setjmp and every function libjpeg calls back), only plain values,
// pointers and references to what lives outside them.
#include "jpegcodec.h"

#include "colourprofile.h"
#include "compactcoefficients.h"
#include "picture.h"
#include "pixels.h"
#include "smoothscale.h"
#include "util/error.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// A damaged progressive file can carry thousands of scans, each a pass over the whole
// coefficient buffer; real files have about ten.
constexpr int kMaxScans = 500;
// Many warnings mean garbage data, and each can cost a pass of resynchronisation.
constexpr int kMaxWarnings = 100;

struct ErrorManager
{
    jpeg_error_mgr pub;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings = 0;
    bool truncated = false;
};

[[noreturn]] void failWith(j_common_ptr cinfo, const char* text)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "%s", text);
    std::longjmp(err->jump, 1);
}

[[noreturn]] void onError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) {
        return; // trace messages
    }
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    ++err->warnings;
    // Data that ends early (JWRN_JPEG_EOF) or a scan that stops short of its blocks
    // (JWRN_HIT_MARKER) would leave the rest of the picture grey: stop at once rather
    // than decode the grey rest of a picture that is refused anyway.
    if (cinfo->err->msg_code == JWRN_JPEG_EOF || cinfo->err->msg_code == JWRN_HIT_MARKER) {
        err->truncated = true;
        failWith(cinfo, "incomplete data");
    }
    if (err->warnings > kMaxWarnings) {
        failWith(cinfo, "too many errors in the data");
    }
}

void onProgress(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        failWith(cinfo, "too many scans");
    }
}

void installErrorManager(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.progress.progress_monitor = onProgress;
}

uchar cmykChannel(int colour, int black, bool inverted)
{
    // Adobe writes CMYK inverted (0 is full ink); others write plain ink values.
    if (inverted) {
        return uchar((colour * black + 127) / 255);
    }
    return uchar(((255 - colour) * (255 - black) + 127) / 255);
}

// One decoded pixel of 1 (grey), 3 (RGB) or 4 (CMYK) components as RGB.
inline void toRgb(const JSAMPLE* p, int components, bool inverted, uchar* out)
{
    if (components == 3) {
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
    } else if (components == 1) {
        out[0] = out[1] = out[2] = p[0];
    } else {
        out[0] = cmykChannel(p[0], p[3], inverted);
        out[1] = cmykChannel(p[1], p[3], inverted);
        out[2] = cmykChannel(p[2], p[3], inverted);
    }
}

bool fitsPixelLimit(long long width, long long height)
{
    return width <= kMaxPictureSide && height <= kMaxPictureSide &&
           width * height <= kMaxPicturePixels;
}

// libjpeg's plain coefficient arrays of the sampled decodes running at once stay within
// this budget; a decode that would pass it keeps its coefficients packed, which costs it
// about a sixth more time. 32 MiB hold an 8-megapixel photo of 4:2:2 (4 bytes a pixel)
// or two of 4 megapixels: the usual gallery photos of a run with two workers stay plain,
// while what such a run holds stays bounded however many workers it has.
std::atomic<long long> g_plainCoefficientBudget{32LL << 20};
std::atomic<long long> g_plainCoefficientBytes{0};

} // namespace

struct JpegDecodeState
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::vector<JSAMPLE> row;
    std::vector<int> lineOrder; // a sampled decode's output lines in the order it reads them
    QImage image;
    CompactCoefficients coefficients;           // only for a sampled decode of several scans
    QByteArray iccProfile;                      // the embedded colour profile (APP2), if any
    std::unique_ptr<ProfileConversion> profile; // a smooth decode's conversion to sRGB
    std::unique_ptr<SmoothReducer> reducer;     // a smooth decode's filter
    std::vector<uchar> rgbRow;                  // a smooth decode's row as RGB
    long long plainCoefficientBytes = 0;        // libjpeg's own coefficient arrays, in the budget
    int orientation = 1;
    bool tooLarge = false;
    bool noMemory = false;
};

void JpegDecoderDeleter::operator()(JpegDecodeState* state) const
{
    jpeg_destroy_decompress(&state->cinfo);
    g_plainCoefficientBytes -= state->plainCoefficientBytes;
    delete state;
}

namespace {

using DecodeState = JpegDecodeState;

JpegDecoder newDecoder()
{
    JpegDecoder state(new DecodeState()); // value-initialised: libjpeg's struct starts zeroed
    installErrorManager(state->err);
    state->cinfo.err = &state->err.pub;
    return state;
}

// Reads the header from the data or the file and chooses the output: full size, the
// accurate integer IDCT, grey stays grey, CMYK and YCCK come as CMYK. False after a
// libjpeg error (message in err.message).
bool readHeader(DecodeState* s, const QByteArray* data, std::FILE* file)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->progress = &s->err.progress;
    if (file) {
        jpeg_stdio_src(cinfo, file);
    } else {
        jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(data->constData()),
                     static_cast<unsigned long>(data->size()));
    }
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xffff); // ICC_PROFILE, in chunks
    jpeg_read_header(cinfo, TRUE);
    JOCTET* icc = nullptr;
    unsigned int iccLength = 0;
    if (jpeg_read_icc_profile(cinfo, &icc, &iccLength)) {
        s->iccProfile = QByteArray(reinterpret_cast<const char*>(icc), qsizetype(iccLength));
        std::free(icc);
    }
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            s->orientation = exifOrientation(m->data + 6, m->data_length - 6);
            break;
        }
    }

    cinfo->dct_method = JDCT_ISLOW;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        break;
    default:
        cinfo->out_color_space = JCS_RGB;
        break;
    }
    return true;
}

// Starts decompression with an RGB888 result of the given size; false when there is no
// memory for it (the decoder is then aborted).
bool startWithImage(DecodeState* s, QSize size)
{
    jpeg_start_decompress(&s->cinfo);
    s->image = QImage(size, QImage::Format_RGB888);
    if (s->image.isNull()) {
        s->noMemory = true;
        jpeg_abort_decompress(&s->cinfo);
        return false;
    }
    s->row.resize(size_t(s->cinfo.output_width) * size_t(s->cinfo.output_components));
    return true;
}

// Decodes every pixel, as stored (not yet upright).
bool decodeAll(DecodeState* s)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    if (!fitsPixelLimit(cinfo->image_width, cinfo->image_height)) {
        s->tooLarge = true;
        return false;
    }
    if (!startWithImage(s, QSize(int(cinfo->image_width), int(cinfo->image_height)))) {
        return false;
    }
    const int components = cinfo->output_components;
    const int w = int(cinfo->output_width);
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        uchar* dst = s->image.scanLine(int(cinfo->output_scanline));
        if (components == 3) {
            JSAMPROW rows[1] = {dst};
            jpeg_read_scanlines(cinfo, rows, 1);
            continue;
        }
        JSAMPROW rows[1] = {s->row.data()};
        jpeg_read_scanlines(cinfo, rows, 1);
        for (int x = 0; x < w; ++x) {
            toRgb(s->row.data() + components * x, components, inverted, dst + 3 * x);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// Which stored pixels make the upright, point-sampled picture. Each output line (a row,
// or a column when the orientation swaps the sides) takes one stored row, and position p
// along every line takes stored column column[p].
struct SamplePlan
{
    QSize size;
    bool linesAreRows = true;
    std::vector<int> lineRow;
    std::vector<int> column;
};

SamplePlan samplePlan(int storedWidth, int storedHeight, int orientation, QSize size)
{
    // Where upright (x, y) lies in the stored picture, as transformForOrientation turns it.
    const bool swaps = orientation >= 5 && orientation <= 8;
    const bool mirrorsX = orientation == 2 || orientation == 3 || orientation == 7 ||
                          orientation == 8; // stored column counted from the right
    const bool mirrorsY = orientation == 3 || orientation == 4 || orientation == 6 ||
                          orientation == 7; // stored row counted from the bottom
    const int uprightWidth = swaps ? storedHeight : storedWidth;
    const int uprightHeight = swaps ? storedWidth : storedHeight;
    SamplePlan plan;
    plan.size = size;
    plan.linesAreRows = !swaps;
    // Upright columns come from stored columns, or from stored rows when the sides swap.
    const int lines = swaps ? size.width() : size.height();
    const int positions = swaps ? size.height() : size.width();
    const int lineSource = swaps ? uprightWidth : uprightHeight;
    const int positionSource = swaps ? uprightHeight : uprightWidth;
    for (int i = 0; i < lines; ++i) {
        const int r = sampledLine(i, lines, lineSource);
        plan.lineRow.push_back(mirrorsY ? storedHeight - 1 - r : r);
    }
    for (int p = 0; p < positions; ++p) {
        const int c = sampledLine(p, positions, positionSource);
        plan.column.push_back(mirrorsX ? storedWidth - 1 - c : c);
    }
    return plan;
}

// Moves the decoder to stored row `row`, passing over the rows before it.
void skipTo(jpeg_decompress_struct* cinfo, JDIMENSION row)
{
    if (row > cinfo->output_scanline) {
        jpeg_skip_scanlines(cinfo, row - cinfo->output_scanline);
    }
}

// What libjpeg's own arrays would hold for all coefficients of the picture.
long long plainCoefficientBytes(j_decompress_ptr cinfo)
{
    long long bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& component = cinfo->comp_info[c];
        const auto roundUp = [](long long n, long long k) { return (n + k - 1) / k * k; };
        bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                 roundUp(component.height_in_blocks, component.v_samp_factor) *
                 static_cast<long long>(sizeof(JBLOCK));
    }
    return bytes;
}

// Takes `bytes` of the budget for the decoder when they fit; the deleter gives them back.
bool reservePlainCoefficients(DecodeState* s, long long bytes)
{
    long long held = g_plainCoefficientBytes.load();
    while (held + bytes <= g_plainCoefficientBudget.load()) {
        if (g_plainCoefficientBytes.compare_exchange_weak(held, held + bytes)) {
            s->plainCoefficientBytes = bytes;
            return true;
        }
    }
    return false;
}

// A decode of several scans (progressive) holds all its coefficients: plain while the budget
// allows, else packed; either way they grow with its own size, so the limit stays on that
// size. False when the picture is above it.
bool holdCoefficients(DecodeState* s)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (!jpeg_has_multiple_scans(cinfo))
        return true;
    if (!fitsPixelLimit(cinfo->image_width, cinfo->image_height)) {
        s->tooLarge = true;
        return false;
    }
    if (!reservePlainCoefficients(s, plainCoefficientBytes(cinfo)))
        s->coefficients.install(cinfo);
    return true;
}

// Decodes only the stored rows the plan takes and keeps only its columns of them.
bool decodeSampled(DecodeState* s, const SamplePlan& plan)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    if (!holdCoefficients(s)) {
        return false;
    }
    if (!startWithImage(s, plan.size)) {
        return false;
    }
    const int components = cinfo->output_components;
    const bool inverted = cinfo->saw_Adobe_marker;
    uchar* bits = s->image.bits();
    const qsizetype bytesPerLine = s->image.bytesPerLine();
    const qsizetype lineStride = plan.linesAreRows ? bytesPerLine : 3;
    const qsizetype step = plan.linesAreRows ? 3 : bytesPerLine;
    // Lines in the order of their stored rows (mirrored orientations take them upwards).
    std::vector<int>& order = s->lineOrder;
    order.resize(plan.lineRow.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&plan](int a, int b) { return plan.lineRow[a] < plan.lineRow[b]; });
    JSAMPROW rows[1] = {s->row.data()};
    for (size_t k = 0; k < order.size();) {
        const int r = plan.lineRow[size_t(order[k])];
        skipTo(cinfo, JDIMENSION(r));
        jpeg_read_scanlines(cinfo, rows, 1);
        for (; k < order.size() && plan.lineRow[size_t(order[k])] == r; ++k) {
            uchar* dst = bits + order[k] * lineStride;
            for (const int c : plan.column) {
                toRgb(s->row.data() + components * c, components, inverted, dst);
                dst += step;
            }
        }
    }
    // The data is read to its last row, so a file that ends early fails as at full size.
    const JDIMENSION last = cinfo->output_height - 1;
    if (cinfo->output_scanline <= last) {
        skipTo(cinfo, last);
        jpeg_read_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

// How many times the target a smooth decode keeps at least before filtering. libjpeg's scaled
// IDCT reduces in sRGB and by blocks; at twice the target that still cost camera photos a
// little against a linear-light reduction of the whole picture, at three times it does not.
constexpr JDIMENSION kScaledMargin = 3;

// Starts a smooth decode at the smallest of libjpeg's scales n/8 that keeps the stored
// picture at least kScaledMargin times `target` each way (the IDCT then does the first, cheap
// part of the reduction), full size when none does.
bool startScaled(DecodeState* s, QSize target)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    if (!holdCoefficients(s)) {
        return false;
    }
    for (unsigned int n = 1; n <= 8; ++n) {
        cinfo->scale_num = n;
        cinfo->scale_denom = 8;
        jpeg_calc_output_dimensions(cinfo);
        if (cinfo->output_width >= kScaledMargin * JDIMENSION(target.width()) &&
            cinfo->output_height >= kScaledMargin * JDIMENSION(target.height())) {
            break;
        }
    }
    jpeg_start_decompress(cinfo);
    s->row.resize(size_t(cinfo->output_width) * size_t(cinfo->output_components));
    s->rgbRow.resize(size_t(cinfo->output_width) * 3);
    return true;
}

// Reads every row, converts it to sRGB when a profile asks for it, and hands it to the filter
// (or, at the picture's own size, into the image).
bool readSmooth(DecodeState* s)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    const int components = cinfo->output_components;
    const int w = int(cinfo->output_width);
    const bool inverted = cinfo->saw_Adobe_marker;
    JSAMPROW rows[1] = {s->row.data()};
    while (cinfo->output_scanline < cinfo->output_height) {
        uchar* rgb = s->reducer ? s->rgbRow.data() : s->image.scanLine(int(cinfo->output_scanline));
        jpeg_read_scanlines(cinfo, rows, 1);
        for (int x = 0; x < w; ++x) {
            toRgb(s->row.data() + components * x, components, inverted, rgb + 3 * x);
        }
        if (s->profile) {
            s->profile->convertRow(rgb, w);
        }
        if (s->reducer) {
            s->reducer->addRow(rgb);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

void throwIfFailed(const DecodeState& s, bool ok)
{
    if (s.tooLarge) {
        throw LumiError(QStringLiteral("Das Bild ist zu groß (%1 x %2 Pixel)")
                            .arg(s.cinfo.image_width)
                            .arg(s.cinfo.image_height));
    }
    if (s.noMemory) {
        throw LumiError(QStringLiteral("Zu wenig Speicher für das Bild"));
    }
    if (s.err.truncated) {
        throw LumiError(QStringLiteral("Fehlerhafte JPEG-Datei: unvollständige Datei"));
    }
    if (!ok) {
        throw LumiError(QStringLiteral("Fehlerhafte JPEG-Datei: %1")
                            .arg(QString::fromLocal8Bit(s.err.message)));
    }
}

struct EncodeState
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool runEncode(EncodeState* s, const QImage& image, int quality)
{
    jpeg_compress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &s->buffer, &s->size);
    cinfo->image_width = JDIMENSION(image.width());
    cinfo->image_height = JDIMENSION(image.height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE); // tables limited to the baseline range
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        // libjpeg takes non-const rows but only reads them.
        JSAMPROW rows[1] = {const_cast<uchar*>(image.constScanLine(int(cinfo->next_scanline)))};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

quint32 readValue(const unsigned char* p, int bytes, bool littleEndian)
{
    quint32 value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int index = littleEndian ? bytes - 1 - i : i;
        value = (value << 8) | p[index];
    }
    return value;
}

} // namespace

DecodedJpeg decodeJpeg(const QByteArray& data)
{
    const JpegDecoder state = newDecoder();
    throwIfFailed(*state, readHeader(state.get(), &data, nullptr) && decodeAll(state.get()));
    DecodedJpeg result;
    result.image = state->image;
    setStandardResolution(result.image);
    PixelTransform transform;
    if (transformForOrientation(state->orientation, transform)) {
        result.image = transformed(result.image, transform);
        result.orientation = state->orientation;
    }
    return result;
}

long long setPlainCoefficientBudget(long long bytes)
{
    return g_plainCoefficientBudget.exchange(bytes);
}

SampledJpegDecoder::SampledJpegDecoder(std::FILE* file) : m_state(newDecoder())
{
    throwIfFailed(*m_state, readHeader(m_state.get(), nullptr, file));
}

SampledJpegDecoder::~SampledJpegDecoder() = default;

QSize SampledJpegDecoder::uprightSize() const
{
    const QSize stored(int(m_state->cinfo.image_width), int(m_state->cinfo.image_height));
    return m_state->orientation >= 5 ? stored.transposed() : stored;
}

QImage SampledJpegDecoder::decode(QSize size)
{
    const SamplePlan plan =
        samplePlan(int(m_state->cinfo.image_width), int(m_state->cinfo.image_height),
                   m_state->orientation, size);
    throwIfFailed(*m_state, decodeSampled(m_state.get(), plan));
    QImage image = m_state->image;
    setStandardResolution(image);
    return image;
}

bool SampledJpegDecoder::hasForeignProfile(QString* warning) const
{
    return ProfileConversion::from(m_state->iccProfile, warning) != nullptr;
}

QImage SampledJpegDecoder::decodeSmooth(QSize size, QString* warning)
{
    DecodeState* s = m_state.get();
    const int orientation = s->orientation;
    const QSize stored = orientation >= 5 ? size.transposed() : size;
    s->profile = ProfileConversion::from(s->iccProfile, warning);
    throwIfFailed(*s, startScaled(s, stored));
    const QSize decoded(int(s->cinfo.output_width), int(s->cinfo.output_height));
    if (decoded == stored) {
        if (!fitsPixelLimit(s->cinfo.output_width, s->cinfo.output_height)) {
            s->tooLarge = true;
        } else {
            s->image = QImage(decoded, QImage::Format_RGB888);
            s->noMemory = s->image.isNull();
        }
        if (s->tooLarge || s->noMemory) {
            jpeg_abort_decompress(&s->cinfo);
            throwIfFailed(*s, false);
        }
    } else {
        const double scale = double(s->cinfo.scale_num) / s->cinfo.scale_denom;
        const QSizeF extent(s->cinfo.image_width * scale, s->cinfo.image_height * scale);
        s->reducer = std::make_unique<SmoothReducer>(decoded, stored, extent);
    }
    throwIfFailed(*s, readSmooth(s));
    QImage image = s->reducer ? s->reducer->result() : s->image;
    s->reducer.reset();
    setStandardResolution(image);
    PixelTransform transform;
    if (transformForOrientation(orientation, transform)) {
        image = transformed(image, transform);
    }
    return image;
}

QByteArray encodeJpeg(const QImage& rgb888, int quality)
{
    auto state = std::make_unique<EncodeState>();
    installErrorManager(state->err);
    state->cinfo.err = &state->err.pub;
    const bool ok = runEncode(state.get(), rgb888, quality);
    jpeg_destroy_compress(&state->cinfo);
    QByteArray bytes;
    if (ok && state->buffer) {
        bytes = QByteArray(reinterpret_cast<const char*>(state->buffer), qsizetype(state->size));
    }
    std::free(state->buffer);
    if (!ok) {
        throw LumiError(QStringLiteral("JPEG-Kodierung fehlgeschlagen: %1")
                            .arg(QString::fromLocal8Bit(state->err.message)));
    }
    return bytes;
}

int exifOrientation(const unsigned char* data, size_t size)
{
    // TIFF header: byte order "II" or "MM", 42, offset of the first IFD.
    if (size < 8) {
        return 1;
    }
    bool little;
    if (data[0] == 'I' && data[1] == 'I') {
        little = true;
    } else if (data[0] == 'M' && data[1] == 'M') {
        little = false;
    } else {
        return 1;
    }
    if (readValue(data + 2, 2, little) != 42) {
        return 1;
    }
    const quint64 ifd = readValue(data + 4, 4, little);
    if (ifd + 2 > size) {
        return 1;
    }
    const quint32 count = readValue(data + ifd, 2, little);
    for (quint32 i = 0; i < count; ++i) {
        const quint64 entry = ifd + 2 + 12ULL * i;
        if (entry + 12 > size) {
            break;
        }
        if (readValue(data + entry, 2, little) != 0x0112) {
            continue;
        }
        // Orientation is one SHORT (type 3) stored in the first two value bytes.
        if (readValue(data + entry + 2, 2, little) != 3) {
            return 1;
        }
        const quint32 value = readValue(data + entry + 8, 2, little);
        return value >= 1 && value <= 8 ? int(value) : 1;
    }
    return 1;
}
