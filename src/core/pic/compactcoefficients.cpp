// Packed coefficient rows behind libjpeg's virtual block arrays. libjpeg asks for an
// array per component (request), allocates them all at the start of decompression
// (realize) and then reaches them a few rows at a time (access); the rows it is given
// stay valid until its next access to the same array. Each array here keeps one window of
// unpacked rows: moving it packs the rows libjpeg may have changed and unpacks the next.
#include "compactcoefficients.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#include <jerror.h>

#if defined(__x86_64__) || defined(__i386__)
#define LUMIVISTA_SHUFFLE_PACKING 1
#include <immintrin.h>
#endif

namespace {

constexpr int kCoefficients = DCTSIZE2; // 64 a block, in eight groups of eight
constexpr int kMaskBytes = 8;           // 64 bits: which coefficients follow
// A value from -127 to 127 takes one byte; any other this byte and two more.
constexpr std::uint8_t kWide = 0x80;
// The most a block packs to (every value wide), and the bytes after a packed row that a
// group may read or write beyond its own (eight at a time).
constexpr size_t kMaxBlockBytes = kMaskBytes + 3 * kCoefficients;
constexpr size_t kSlack = 8;

// Bit i set when coefficient i of the block is not zero.
std::uint64_t nonZeroMask(const JCOEF* block)
{
    std::uint64_t mask = 0;
    for (int i = 0; i < kCoefficients; ++i) {
        mask |= std::uint64_t(block[i] != 0) << i;
    }
    return mask;
}

// The non-zero values of a group of eight coefficients (bit i of m: value i is not zero).
void packGroup(const JCOEF* group, unsigned m, std::uint8_t*& to)
{
    for (; m; m &= m - 1) {
        const JCOEF value = group[std::countr_zero(m)];
        if (value >= -127 && value <= 127) {
            *to++ = std::uint8_t(value);
        } else {
            *to++ = kWide;
            std::memcpy(to, &value, sizeof value);
            to += sizeof value;
        }
    }
}

void unpackGroup(JCOEF* group, unsigned m, const std::uint8_t*& from)
{
    for (; m; m &= m - 1) {
        JCOEF value = JCOEF(std::int8_t(*from++));
        if (value == -128) {
            std::memcpy(&value, from, sizeof value);
            from += sizeof value;
        }
        group[std::countr_zero(m)] = value;
    }
}

std::uint8_t* packBlocks(const JCOEF* blocks, JDIMENSION count, std::uint8_t* to)
{
    for (JDIMENSION b = 0; b < count; ++b, blocks += kCoefficients) {
        const std::uint64_t mask = nonZeroMask(blocks);
        std::memcpy(to, &mask, kMaskBytes);
        to += kMaskBytes;
        for (int g = 0; g < 8; ++g) {
            packGroup(blocks + 8 * g, unsigned(mask >> (8 * g)) & 0xffu, to);
        }
    }
    return to;
}

void unpackBlocks(const std::uint8_t* from, JCOEF* blocks, JDIMENSION count)
{
    std::memset(blocks, 0, size_t(count) * kCoefficients * sizeof(JCOEF));
    for (JDIMENSION b = 0; b < count; ++b, blocks += kCoefficients) {
        std::uint64_t mask;
        std::memcpy(&mask, from, kMaskBytes);
        from += kMaskBytes;
        for (int g = 0; g < 8; ++g) {
            unpackGroup(blocks + 8 * g, unsigned(mask >> (8 * g)) & 0xffu, from);
        }
    }
}

#if defined(LUMIVISTA_SHUFFLE_PACKING)
// The same format, eight values at a time with byte shuffles: for each 8-bit mask, where
// the kept bytes go when packing, and where each position takes its byte when unpacking
// (0x80: a zero). A group with a wide value takes the plain path.
struct ShuffleTables
{
    alignas(16) std::uint8_t pack[256][16];
    alignas(16) std::uint8_t unpack[256][16];
};

const ShuffleTables& shuffleTables()
{
    static const ShuffleTables tables = [] {
        ShuffleTables t{};
        for (unsigned m = 0; m < 256; ++m) {
            std::uint8_t next = 0;
            std::memset(t.pack[m], 0x80, 16);
            for (std::uint8_t i = 0; i < 8; ++i) {
                if (m & (1u << i)) {
                    t.pack[m][next] = i;
                    t.unpack[m][i] = next++;
                } else {
                    t.unpack[m][i] = 0x80;
                }
            }
            std::memset(t.unpack[m] + 8, 0x80, 8);
        }
        return t;
    }();
    return tables;
}

__attribute__((target("ssse3,sse4.1,popcnt"))) std::uint8_t*
packBlocksShuffled(const JCOEF* blocks, JDIMENSION count, std::uint8_t* to)
{
    const ShuffleTables& t = shuffleTables();
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_set1_epi16(127);
    const __m128i low = _mm_set1_epi16(-127);
    for (JDIMENSION b = 0; b < count; ++b, blocks += kCoefficients) {
        __m128i groups[8];
        std::uint64_t mask = 0;
        for (int g = 0; g < 8; ++g) {
            groups[g] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 8 * g));
            const __m128i zeros = _mm_packs_epi16(_mm_cmpeq_epi16(groups[g], zero), zero);
            mask |= std::uint64_t(~unsigned(_mm_movemask_epi8(zeros)) & 0xffu) << (8 * g);
        }
        std::memcpy(to, &mask, kMaskBytes);
        to += kMaskBytes;
        for (int g = 0; g < 8; ++g) {
            const unsigned m = unsigned(mask >> (8 * g)) & 0xffu;
            if (m == 0) {
                continue;
            }
            const __m128i wide =
                _mm_or_si128(_mm_cmpgt_epi16(groups[g], high), _mm_cmplt_epi16(groups[g], low));
            if (_mm_movemask_epi8(wide) != 0) {
                packGroup(blocks + 8 * g, m, to);
                continue;
            }
            const __m128i bytes = _mm_packs_epi16(groups[g], zero);
            const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(t.pack[m]));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_shuffle_epi8(bytes, order));
            to += std::popcount(m);
        }
    }
    return to;
}

__attribute__((target("ssse3,sse4.1,popcnt"))) void
unpackBlocksShuffled(const std::uint8_t* from, JCOEF* blocks, JDIMENSION count)
{
    const ShuffleTables& t = shuffleTables();
    const __m128i wideMark = _mm_set1_epi8(char(kWide));
    for (JDIMENSION b = 0; b < count; ++b, blocks += kCoefficients) {
        std::uint64_t mask;
        std::memcpy(&mask, from, kMaskBytes);
        from += kMaskBytes;
        for (int g = 0; g < 8; ++g) {
            auto* group = reinterpret_cast<__m128i*>(blocks + 8 * g);
            const unsigned m = unsigned(mask >> (8 * g)) & 0xffu;
            const int n = std::popcount(m);
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
            const unsigned wide =
                unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, wideMark))) & ((1u << n) - 1);
            if (wide != 0) {
                _mm_storeu_si128(group, _mm_setzero_si128());
                unpackGroup(blocks + 8 * g, m, from);
                continue;
            }
            const __m128i order = _mm_load_si128(reinterpret_cast<const __m128i*>(t.unpack[m]));
            _mm_storeu_si128(group, _mm_cvtepi8_epi16(_mm_shuffle_epi8(bytes, order)));
            from += n;
        }
    }
}

const bool kShuffles = [] {
    __builtin_cpu_init(); // may run before the library's own start-up code
    return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1") &&
           __builtin_cpu_supports("popcnt");
}();
#endif

std::atomic<bool> g_shufflesAllowed{true};

bool useShuffles()
{
#if defined(LUMIVISTA_SHUFFLE_PACKING)
    return kShuffles && g_shufflesAllowed.load(std::memory_order_relaxed);
#else
    return false;
#endif
}

// Packs `count` blocks into `out`: per block its mask, then its non-zero values in order.
// Most coefficients of a photo are small even at the highest qualities.
void pack(const JCOEF* blocks, JDIMENSION count, std::vector<std::uint8_t>& scratch,
          std::vector<std::uint8_t>& out)
{
    scratch.resize(size_t(count) * kMaxBlockBytes + kSlack);
    std::uint8_t* to = scratch.data();
#if defined(LUMIVISTA_SHUFFLE_PACKING)
    to = useShuffles() ? packBlocksShuffled(blocks, count, to) : packBlocks(blocks, count, to);
#else
    to = packBlocks(blocks, count, to);
#endif
    std::memset(to, 0, kSlack);
    out.assign(scratch.data(), to + kSlack);
}

void unpack(const std::vector<std::uint8_t>& packed, JCOEF* blocks, JDIMENSION count)
{
    if (packed.empty()) { // never written: all zero
        std::memset(blocks, 0, size_t(count) * kCoefficients * sizeof(JCOEF));
        return;
    }
#if defined(LUMIVISTA_SHUFFLE_PACKING)
    if (useShuffles()) {
        unpackBlocksShuffled(packed.data(), blocks, count);
        return;
    }
#endif
    unpackBlocks(packed.data(), blocks, count);
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

bool CompactCoefficients::setShufflesAllowed(bool allowed)
{
    return g_shufflesAllowed.exchange(allowed);
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
