// JPEG through libjpeg called directly. Errors leave libjpeg by longjmp to the frame
// that called setjmp; everything that must survive the jump lives in a heap state.
#include "jpegcodec.h"

#include "picture.h"
#include "pixels.h"
#include "util/error.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
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

struct DecodeState
{
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::vector<JSAMPLE> row;
    QImage image;
    int orientation = 1;
    bool tooLarge = false;
    bool noMemory = false;
};

uchar cmykChannel(int colour, int black, bool inverted)
{
    // Adobe writes CMYK inverted (0 is full ink); others write plain ink values.
    if (inverted) {
        return uchar((colour * black + 127) / 255);
    }
    return uchar(((255 - colour) * (255 - black) + 127) / 255);
}

// Runs the whole decode; returns false after a libjpeg error (message in err.message).
// The orientation from the first saved Exif APP1 segment; 1 (as stored) without one.
int savedExifOrientation(jpeg_saved_marker_ptr markers)
{
    for (jpeg_saved_marker_ptr m = markers; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 &&
            std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return exifOrientation(m->data + 6, m->data_length - 6);
    }
    return 1;
}

// Grey stays grey, CMYK and YCCK come out as CMYK (converted here), the rest as RGB.
J_COLOR_SPACE outputSpaceFor(J_COLOR_SPACE stored)
{
    switch (stored) {
    case JCS_GRAYSCALE:
        return JCS_GRAYSCALE;
    case JCS_CMYK:
    case JCS_YCCK:
        return JCS_CMYK;
    default:
        return JCS_RGB;
    }
}

// One decoded grey (1 component) or CMYK (4) row as RGB888.
void expandToRgb(const JSAMPLE* src, uchar* dst, int w, int components, bool inverted)
{
    if (components == 1) {
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = src[x];
        }
        return;
    }
    for (int x = 0; x < w; ++x) {
        const JSAMPLE* p = src + 4 * x;
        dst[3 * x] = cmykChannel(p[0], p[3], inverted);
        dst[3 * x + 1] = cmykChannel(p[1], p[3], inverted);
        dst[3 * x + 2] = cmykChannel(p[2], p[3], inverted);
    }
}

bool runDecode(DecodeState* s, const QByteArray& data)
{
    jpeg_decompress_struct* cinfo = &s->cinfo;
    if (setjmp(s->err.jump)) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    cinfo->progress = &s->err.progress;
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_read_header(cinfo, TRUE);

    const long long width = cinfo->image_width;
    const long long height = cinfo->image_height;
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
        s->tooLarge = true;
        return false;
    }
    s->orientation = savedExifOrientation(cinfo->marker_list);

    cinfo->dct_method = JDCT_ISLOW;
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    cinfo->out_color_space = outputSpaceFor(cinfo->jpeg_color_space);
    jpeg_start_decompress(cinfo);

    s->image = QImage(int(cinfo->output_width), int(cinfo->output_height), QImage::Format_RGB888);
    if (s->image.isNull()) {
        s->noMemory = true;
        jpeg_abort_decompress(cinfo);
        return false;
    }
    const int components = cinfo->output_components;
    const int w = int(cinfo->output_width);
    s->row.resize(size_t(w) * size_t(components));
    const bool inverted = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        uchar* dst = s->image.scanLine(y);
        if (components == 3) {
            JSAMPROW rows[1] = {dst};
            jpeg_read_scanlines(cinfo, rows, 1);
            continue;
        }
        JSAMPROW rows[1] = {s->row.data()};
        jpeg_read_scanlines(cinfo, rows, 1);
        expandToRgb(s->row.data(), dst, w, components, inverted);
    }
    jpeg_finish_decompress(cinfo);
    return true;
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
    auto state = std::make_unique<DecodeState>();
    installErrorManager(state->err);
    state->cinfo.err = &state->err.pub;
    const bool ok = runDecode(state.get(), data);
    jpeg_destroy_decompress(&state->cinfo);
    if (state->tooLarge) {
        throw LumiError(QStringLiteral("Das Bild ist zu groß (%1 x %2 Pixel)")
                            .arg(state->cinfo.image_width)
                            .arg(state->cinfo.image_height));
    }
    if (state->noMemory) {
        throw LumiError(QStringLiteral("Zu wenig Speicher für das Bild"));
    }
    if (state->err.truncated) {
        throw LumiError(QStringLiteral("Fehlerhafte JPEG-Datei: unvollständige Datei"));
    }
    if (!ok) {
        throw LumiError(QStringLiteral("Fehlerhafte JPEG-Datei: %1")
                            .arg(QString::fromLocal8Bit(state->err.message)));
    }
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
