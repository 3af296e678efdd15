// A JPEG of several scans (progressive) is decoded by libjpeg from all its DCT
// coefficients, which it keeps for the whole picture until the last scan is read: two
// bytes each, 3 bytes a pixel for 4:2:0, 4 for 4:2:2, 6 for 4:4:4, more than the pixels.
// CompactCoefficients takes over those arrays for one decoder through libjpeg's memory
// manager interface and keeps each row of blocks packed (which coefficients are not zero,
// and their values, small ones in a byte); only the few rows libjpeg works on are unpacked at a
// time. Most coefficients of a photo are zero, so this holds a fraction of the memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

class CompactCoefficients
{
public:
    CompactCoefficients();
    ~CompactCoefficients();
    CompactCoefficients(const CompactCoefficients&) = delete;
    CompactCoefficients& operator=(const CompactCoefficients&) = delete;

    // Takes over the coefficient arrays of this decoder: call after jpeg_read_header and
    // before jpeg_start_decompress. Uses the decoder's client_data. The store must live
    // until the decoder is destroyed.
    void install(j_decompress_ptr cinfo);

    // Bytes held for coefficients now (packed rows and unpacked windows).
    size_t bytesHeld() const;

    // Rows are packed with byte shuffles where the processor has them (SSSE3, SSE4.1,
    // POPCNT), else with plain loops; both write the same bytes. False makes every decoder
    // use the plain loops (so tests run them on any processor); returns the setting it
    // replaces.
    static bool setShufflesAllowed(bool allowed);

    struct Array;

private:
    static jvirt_barray_ptr request(j_common_ptr cinfo, int pool, boolean preZero,
                                    JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess);
    static void realize(j_common_ptr cinfo);
    static JBLOCKARRAY access(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION start,
                              JDIMENSION count, boolean writable);

    std::vector<std::unique_ptr<Array>> m_arrays;
    std::vector<std::uint8_t> m_scratch; // one row being packed
    void (*m_libjpegRealize)(j_common_ptr) = nullptr;
};
