// WMF to SVG through libwmf. libwmf's headers define U8, U16... and clash with Qt, so
// this interface uses no Qt types and its .cpp includes no Qt header.
#pragma once

#include <cstddef>
#include <string>

// Converts WMF data to an SVG document sized in pixels at 96 dpi. Returns false with
// a reason in error when libwmf cannot read the data.
bool convertWmfToSvg(const unsigned char* data, std::size_t size, std::string& svg, unsigned& width,
                     unsigned& height, std::string& error);
