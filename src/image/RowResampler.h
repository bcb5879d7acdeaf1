#pragma once
#include <cstdint>
#include <vector>

#include "image/Image.h"

namespace mv {

// Resizes a 24-bit picture that arrives one row at a time, top row first, as
// a decoder gives it: each row is resampled across at once and added into
// the output rows it covers, so the whole source picture never has to exist.
// The same filters as Resample24 (area average when shrinking, bilinear when
// growing), in fixed point, with one rounding at the end instead of two.
// The average colour of the result is gathered as its rows are finished.
class RowResampler {
public:
    // The output picture is made here; Valid() tells whether there was memory.
    RowResampler(int srcWidth, int srcHeight, int dstWidth, int dstHeight);
    bool Valid() const { return m_out.IsValid(); }
    // Blue-green-red bytes of the next source row.
    void PushRow(const uint8_t* bgr);
    bool Complete() const { return m_nextSrc == m_srcH; }
    // The finished picture (invalid until every row was pushed).
    Image TakeResult();
    Color Average() const;

private:
    struct Tap {
        int index;
        int32_t weight;  // 1/16384ths, each output's weights adding up to 16384 exactly
    };
    static void MakeTaps(int srcSize, int dstSize, std::vector<int>& start, std::vector<Tap>& taps);
    void FinishRow(int d);
    template <typename In, bool bFinal>
    void Across(const In* in, void* out) const;

    int m_srcW, m_srcH, m_dstW, m_dstH;
    std::vector<int> m_xStart;
    std::vector<Tap> m_xTaps;
    int m_xSpan = 0;               // most taps of one output pixel
    std::vector<int> m_xFirst;     // per output pixel, its first source pixel
    std::vector<int32_t> m_xWeights;  // m_xSpan weights per output pixel
    // Vertical taps turned around: for each source row, the output rows it feeds.
    std::vector<int> m_yStart;
    std::vector<Tap> m_yTaps;
    std::vector<int> m_yRemaining;  // taps still to come per output row
    std::vector<int32_t> m_across;  // a row resampled across (or summed down), 1/64ths
    std::vector<std::vector<int32_t>> m_acc;  // output rows in progress, a ring
    bool m_bDownFirst = false;  // rows summed down before they are resampled across
    int m_nextSrc = 0;
    Image m_out;
    uint64_t m_sum[3] = {0, 0, 0};
};

}  // namespace mv
