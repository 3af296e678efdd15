// WMF to SVG through libwmf's SVG device layer, into memory. No Qt headers here.
#include "wmfsvg.h"

#include <cstring>
#include <mutex>
#include <vector>

#include <libwmf/api.h>
#include <libwmf/svg.h>

namespace {

const char* describe(wmf_error_t error)
{
    switch (error) {
    case wmf_E_InsMem:
        return "out of memory";
    case wmf_E_BadFormat:
        return "damaged metafile";
    case wmf_E_EOF:
        return "metafile cut short";
    default:
        return "unreadable metafile";
    }
}

// A placeable header gives the picture's frame; libwmf's own scan gives only the
// extent of what is drawn, which would stretch a drawing with margins.
bool placeableFrame(const unsigned char* data, std::size_t size, wmfD_Rect& frame)
{
    if (size < 22 || data[0] != 0xD7 || data[1] != 0xCD || data[2] != 0xC6 || data[3] != 0x9A) {
        return false;
    }
    const auto s16 = [data](int offset) {
        return int(short(data[offset] | (data[offset + 1] << 8)));
    };
    const int unitsPerInch = data[14] | (data[15] << 8);
    if (unitsPerInch <= 0 || s16(10) <= s16(6) || s16(12) <= s16(8)) {
        return false;
    }
    // libwmf's device coordinates are points (1/72 inch).
    const float scale = 72.0f / float(unitsPerInch);
    frame.TL.x = float(s16(6)) * scale;
    frame.TL.y = float(s16(8)) * scale;
    frame.BR.x = float(s16(10)) * scale;
    frame.BR.y = float(s16(12)) * scale;
    return true;
}

} // namespace

bool convertWmfToSvg(const unsigned char* data, std::size_t size, std::string& svg, unsigned& width,
                     unsigned& height, std::string& error)
{
    // libwmf's font and player set-up is not documented as thread-safe; metafiles are
    // rare enough to convert one at a time.
    static std::mutex oneAtATime;
    const std::lock_guard<std::mutex> lock(oneAtATime);
    // libwmf reads from a non-const buffer but does not change it.
    std::vector<unsigned char> copy(data, data + size);
    wmfAPI_Options options;
    std::memset(&options, 0, sizeof options);
    options.function = wmf_svg_function;
    wmfAPI* api = nullptr;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api) {
            wmf_api_destroy(api);
        }
        error = "libwmf cannot start";
        return false;
    }
    wmfD_Rect bbox;
    wmf_error_t status = wmf_mem_open(api, copy.data(), long(copy.size()));
    if (status == wmf_E_None) {
        status = wmf_scan(api, 0, &bbox);
    }
    if (status == wmf_E_None) {
        placeableFrame(data, size, bbox);
    }
    unsigned displayWidth = 0;
    unsigned displayHeight = 0;
    if (status == wmf_E_None) {
        status = wmf_display_size(api, &displayWidth, &displayHeight, 96, 96);
    }
    if (status == wmf_E_None && (displayWidth == 0 || displayHeight == 0)) {
        status = wmf_E_BadFormat;
    }
    bool ok = false;
    if (status == wmf_E_None) {
        wmf_svg_t* device = WMF_SVG_GetData(api);
        device->out = wmf_stream_create(api, nullptr);
        device->Description = const_cast<char*>("metafile");
        device->bbox = bbox;
        device->width = displayWidth;
        device->height = displayHeight;
        device->flags |= WMF_SVG_INLINE_IMAGES;
        status = wmf_play(api, 0, &bbox);
        char* buffer = nullptr;
        unsigned long length = 0;
        wmf_stream_destroy(api, device->out, &buffer, &length);
        // The buffer belongs to the API's memory and goes with it: copy it first.
        if (status == wmf_E_None && buffer && length > 0) {
            svg.assign(buffer, length);
            width = displayWidth;
            height = displayHeight;
            ok = true;
        }
    }
    if (!ok) {
        error = describe(status == wmf_E_None ? wmf_E_BadFormat : status);
    }
    wmf_api_destroy(api);
    return ok;
}
