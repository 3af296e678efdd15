// Reduction in linear light with a separable Lanczos-3 filter. Rows go in top to bottom and
// are filtered across at once; a ring of the filtered rows the vertical filter still needs
// feeds the rows of the result, so memory follows the target's width and the filter's
// height rather than the source.
#pragma once

#include <QImage>
#include <QSize>
#include <QSizeF>

#include <memory>
#include <vector>

class SmoothReducer
{
public:
    // Reduces `source` lines to `target` lines in each direction; no side of the target may be
    // larger than the source's. `extent` is how many source lines the picture spans when that
    // is not a whole number (libjpeg's scaled sizes are rounded up: the last line is partly
    // beyond the picture). Raises LumiError when there is no memory for the result.
    SmoothReducer(QSize source, QSize target, QSizeF extent = {});
    ~SmoothReducer();
    SmoothReducer(const SmoothReducer&) = delete;
    SmoothReducer& operator=(const SmoothReducer&) = delete;

    // The next source row: source.width() pixels of 8-bit sRGB, red, green, blue.
    void addRow(const uchar* rgb);
    // The reduced RGB888 picture (96 dpi); complete once every source row has been added.
    const QImage& result() const { return m_result; }

private:
    struct Taps; // the weights of one direction
    void emitRows();

    QSize m_source;
    QSize m_target;
    std::unique_ptr<Taps> m_across;
    std::unique_ptr<Taps> m_down;
    // Red, green, blue and a spare lane: one pixel is one SIMD operation (GCC/Clang vectors).
    using Pixel = float __attribute__((vector_size(16)));
    std::vector<Pixel> m_linear; // the source row being added, in linear light
    std::vector<Pixel> m_ring;   // filtered rows: source row r at slot r % m_ringRows
    std::vector<Pixel> m_sum;    // one result row being summed
    int m_ringRows = 0;
    int m_rowsIn = 0;
    int m_rowsOut = 0;
    QImage m_result;
};

// True when a source of `source` made `target` big is a reduction the filter does: no side
// larger, one smaller.
bool isReduction(QSize source, QSize target);

// The RGB888 image reduced to `target` in linear light (isReduction must hold).
QImage smoothReduced(const QImage& rgb888, QSize target);
