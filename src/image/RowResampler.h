#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
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

// Feeds a RowResampler on a thread of its own, so that on two cores the
// decoder fills the next rows while the rows before are resampled. The
// producer writes into Row(), hands it over with Push(), and ends with
// Finish() (the destructor finishes too, on any way out); only then may the
// resampler be read.
class RowPipeline {
public:
    RowPipeline(RowResampler& resampler, size_t rowBytes);
    ~RowPipeline() { Finish(); }
    RowPipeline(const RowPipeline&) = delete;
    RowPipeline& operator=(const RowPipeline&) = delete;

    uint8_t* Row() { return m_slots[m_produced % kDepth].data(); }
    // Hands the row over; returns the next row to fill.
    uint8_t* Push();
    void Finish();

private:
    static constexpr size_t kDepth = 32;  // rows in flight
    static constexpr size_t kBatch = 8;   // rows ready before the resampler is woken
    void Consume();

    RowResampler& m_resampler;
    std::vector<std::vector<uint8_t>> m_slots;
    size_t m_produced = 0;
    size_t m_consumed = 0;
    bool m_bDone = false;
    bool m_bConsumerWaiting = false, m_bProducerWaiting = false;
    std::mutex m_lock;
    std::condition_variable m_rowReady;
    std::condition_variable m_slotFree;
    std::thread m_thread;
};

}  // namespace mv
