// Packed coefficient rows behind libjpeg's virtual block arrays. libjpeg asks for an
// array per component (request), allocates them all at the start of decompression
// (realize) and then reaches them a few rows at a time (access); the rows it is given
// stay valid until its next access to the same array. Each array here keeps one window of
// unpacked rows: moving it packs the rows libjpeg may have changed and unpacks the next.
#include "compactcoefficients.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#include <jerror.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kCoefficients = DCTSIZE2; // 64 a block
constexpr int kMaskBytes = 8;           // 64 bits: which coefficients follow
// A value from -127 to 127 takes one byte; any other this byte and two more.
constexpr std::uint8_t kWide = 0x80;

// Bit i set when coefficient i of the block is not zero.
std::uint64_t nonZeroMask(const JCOEF* block)
{
#if defined(__SSE2__)
    std::uint64_t zero = 0;
    const __m128i nothing = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) {
        const auto* p = reinterpret_cast<const __m128i*>(block + 16 * k);
        const __m128i low = _mm_cmpeq_epi16(_mm_loadu_si128(p), nothing);
        const __m128i high = _mm_cmpeq_epi16(_mm_loadu_si128(p + 1), nothing);
        const auto bits = std::uint16_t(_mm_movemask_epi8(_mm_packs_epi16(low, high)));
        zero |= std::uint64_t(bits) << (16 * k);
    }
    return ~zero;
#else
    std::uint64_t mask = 0;
    for (int i = 0; i < kCoefficients; ++i) {
        mask |= std::uint64_t(block[i] != 0) << i;
    }
    return mask;
#endif
}

// Packs `count` blocks into `out`: per block its mask, then its non-zero values in order.
// Most coefficients of a photo are small even at the highest qualities.
void pack(const JCOEF* blocks, JDIMENSION count, std::vector<std::uint8_t>& scratch,
          std::vector<std::uint8_t>& out)
{
    scratch.resize(size_t(count) * (kMaskBytes + 3 * kCoefficients));
    std::uint8_t* to = scratch.data();
    for (JDIMENSION b = 0; b < count; ++b, blocks += kCoefficients) {
        std::uint64_t mask = nonZeroMask(blocks);
        std::memcpy(to, &mask, kMaskBytes);
        to += kMaskBytes;
        for (; mask; mask &= mask - 1) {
            const JCOEF value = blocks[std::countr_zero(mask)];
            if (value >= -127 && value <= 127) {
                *to++ = std::uint8_t(value);
            } else {
                *to++ = kWide;
                std::memcpy(to, &value, sizeof value);
                to += sizeof value;
            }
        }
    }
    out.assign(scratch.data(), to);
}

void unpack(const std::vector<std::uint8_t>& packed, JCOEF* blocks, JDIMENSION count)
{
    std::memset(blocks, 0, size_t(count) * kCoefficients * sizeof(JCOEF));
    if (packed.empty()) {
        return; // never written: all zero
    }
    const std::uint8_t* from = packed.data();
    for (JDIMENSION b = 0; b < count; ++b, blocks += kCoefficients) {
        std::uint64_t mask;
        std::memcpy(&mask, from, kMaskBytes);
        from += kMaskBytes;
        for (; mask; mask &= mask - 1) {
            JCOEF value = JCOEF(std::int8_t(*from++));
            if (value == -128) {
                std::memcpy(&value, from, sizeof value);
                from += sizeof value;
            }
            blocks[std::countr_zero(mask)] = value;
        }
    }
}

} // namespace

struct CompactCoefficients::Array
{
    JDIMENSION rows = 0;
    JDIMENSION blocksPerRow = 0;
    JDIMENSION maxAccess = 0;
    std::vector<std::vector<std::uint8_t>> packed; // a row each; empty: all zero
    std::vector<JCOEF> window;                     // maxAccess unpacked rows
    std::vector<JBLOCKROW> rowPointers;            // into the window
    JDIMENSION first = 0;                          // the rows the window holds
    JDIMENSION count = 0;
    bool dirty = false; // handed out writable since it was unpacked
};

CompactCoefficients::CompactCoefficients() = default;
CompactCoefficients::~CompactCoefficients() = default;

void CompactCoefficients::install(j_decompress_ptr cinfo)
{
    cinfo->client_data = this;
    m_libjpegRealize = cinfo->mem->realize_virt_arrays;
    cinfo->mem->request_virt_barray = &request;
    cinfo->mem->realize_virt_arrays = &realize;
    cinfo->mem->access_virt_barray = &access;
}

size_t CompactCoefficients::bytesHeld() const
{
    size_t bytes = 0;
    for (const auto& array : m_arrays) {
        bytes += array->window.capacity() * sizeof(JCOEF);
        for (const auto& row : array->packed) {
            bytes += row.capacity();
        }
    }
    return bytes;
}

// libjpeg calls these from C: nothing may throw through it. A failed allocation ends
// the decode through libjpeg's error exit, outside any handler.
jvirt_barray_ptr CompactCoefficients::request(j_common_ptr cinfo, int, boolean,
                                              JDIMENSION blocksPerRow, JDIMENSION rows,
                                              JDIMENSION maxAccess)
{
    auto* store = static_cast<CompactCoefficients*>(cinfo->client_data);
    Array* array = nullptr;
    try {
        auto made = std::make_unique<Array>();
        made->rows = rows;
        made->blocksPerRow = blocksPerRow;
        made->maxAccess = std::min(maxAccess, rows);
        made->packed.resize(rows);
        array = made.get();
        store->m_arrays.push_back(std::move(made));
    } catch (const std::bad_alloc&) {
        array = nullptr;
    }
    if (!array) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    return reinterpret_cast<jvirt_barray_ptr>(array);
}

void CompactCoefficients::realize(j_common_ptr cinfo)
{
    auto* store = static_cast<CompactCoefficients*>(cinfo->client_data);
    bool failed = false;
    try {
        for (const auto& array : store->m_arrays) {
            const size_t rowSize = size_t(array->blocksPerRow) * kCoefficients;
            array->window.assign(size_t(array->maxAccess) * rowSize, 0);
            array->rowPointers.resize(array->maxAccess);
            for (JDIMENSION r = 0; r < array->maxAccess; ++r) {
                array->rowPointers[r] =
                    reinterpret_cast<JBLOCKROW>(array->window.data() + r * rowSize);
            }
        }
    } catch (const std::bad_alloc&) {
        failed = true;
    }
    if (failed) {
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    store->m_libjpegRealize(cinfo); // its own arrays, if any
}

JBLOCKARRAY CompactCoefficients::access(j_common_ptr cinfo, jvirt_barray_ptr handle,
                                        JDIMENSION start, JDIMENSION count, boolean writable)
{
    auto* store = static_cast<CompactCoefficients*>(cinfo->client_data);
    Array& a = *reinterpret_cast<Array*>(handle);
    if (start + count > a.rows || count > a.maxAccess || a.rowPointers.empty()) {
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    }
    if (start < a.first || start + count > a.first + a.count) {
        bool failed = false;
        try {
            const size_t rowSize = size_t(a.blocksPerRow) * kCoefficients;
            if (a.dirty) {
                for (JDIMENSION r = 0; r < a.count; ++r) {
                    pack(a.window.data() + r * rowSize, a.blocksPerRow, store->m_scratch,
                         a.packed[a.first + r]);
                }
            }
            a.dirty = false;
            a.first = start;
            a.count = std::min(a.maxAccess, a.rows - start);
            for (JDIMENSION r = 0; r < a.count; ++r) {
                unpack(a.packed[a.first + r], a.window.data() + r * rowSize, a.blocksPerRow);
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
        if (failed) {
            ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
        }
    }
    if (writable) {
        a.dirty = true;
    }
    return a.rowPointers.data() + (start - a.first);
}
