// JPEG files for tests, written with libjpeg in the layouts real files come in: colour
// space, chroma subsampling, restart markers, progressive scans, and an EXIF orientation.
// Tests using it link JPEG::JPEG.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

enum class JpegColour
{
    Rgb,  // stored as YCbCr
    Grey, // the red channel
    Cmyk, // Adobe: inverted values, as Adobe writes them
    Ycck
};

struct JpegLayout
{
    JpegColour colour = JpegColour::Rgb;
    std::array<int, 2> sampling = {1, 1}; // horizontal and vertical factor of the first component
    int restartRows = 0;                  // a restart marker every so many MCU rows
    bool progressive = false;
    int quality = 90;
    QByteArray iccProfile{}; // embedded as APP2 ICC_PROFILE markers when not empty
};

// Writes a width by height JPEG to `file`, row by row: row(y, rgb) fills one RGB row.
// Only one row is held, so a picture far beyond memory can be written.
inline void writeJpegRows(std::FILE* file, int width, int height, const JpegLayout& layout,
                          const std::function<void(int, JSAMPLE*)>& row)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, file);
    const bool grey = layout.colour == JpegColour::Grey;
    const bool ink = layout.colour == JpegColour::Cmyk || layout.colour == JpegColour::Ycck;
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = grey ? 1 : ink ? 4 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : ink ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (layout.colour == JpegColour::Ycck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, layout.quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = layout.sampling[0];
    cinfo.comp_info[0].v_samp_factor = layout.sampling[1];
    cinfo.restart_in_rows = layout.restartRows;
    if (layout.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (!layout.iccProfile.isEmpty())
        jpeg_write_icc_profile(&cinfo,
                               reinterpret_cast<const JOCTET*>(layout.iccProfile.constData()),
                               unsigned(layout.iccProfile.size()));
    std::vector<JSAMPLE> rgb(size_t(width) * 3), line(size_t(width) * 4);
    while (cinfo.next_scanline < cinfo.image_height) {
        row(int(cinfo.next_scanline), rgb.data());
        for (int x = 0; x < width; ++x) {
            const JSAMPLE* p = &rgb[size_t(3 * x)];
            if (grey) {
                line[size_t(x)] = p[0];
            } else if (ink) {
                // Black from the darkest channel; inverted, as Adobe stores ink.
                const JSAMPLE k = std::max({p[0], p[1], p[2]});
                JSAMPLE* q = &line[size_t(4 * x)];
                q[0] = JSAMPLE(255 - k + p[0]);
                q[1] = JSAMPLE(255 - k + p[1]);
                q[2] = JSAMPLE(255 - k + p[2]);
                q[3] = k;
            } else {
                std::copy(p, p + 3, &line[size_t(3 * x)]);
            }
        }
        JSAMPROW rows[1] = {line.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
}

// The pixels of an RGB888 image as a JPEG file's bytes.
inline QByteArray writeJpeg(const QImage& rgb888, const JpegLayout& layout)
{
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    writeJpegRows(file, rgb888.width(), rgb888.height(), layout, [&](int y, JSAMPLE* rgb) {
        std::copy(rgb888.constScanLine(y), rgb888.constScanLine(y) + rgb888.width() * 3, rgb);
    });
    std::fclose(file);
    QByteArray bytes(buffer, qsizetype(size));
    std::free(buffer);
    return bytes;
}

// The JPEG with an EXIF block carrying only this orientation placed first after its
// start marker, so readers take it before any EXIF block of its own.
inline QByteArray withOrientation(const QByteArray& jpeg, int orientation)
{
    QByteArray tiff("MM\0\x2a\0\0\0\x08", 8);                 // big-endian, first directory at 8
    tiff += QByteArray("\0\x01\x01\x12\0\x03\0\0\0\x01", 10); // one entry: 0x0112, SHORT, 1
    tiff += char(0);
    tiff += char(orientation);
    tiff += QByteArray(6, '\0'); // value padding, no next directory
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xff\xe1\0\0", 4);
    qToBigEndian<quint16>(quint16(payload.size() + 2), segment.data() + 2);
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}
