#include "image/RowResampler.h"

#include <algorithm>
#include <cmath>

namespace mv {

void RowResampler::MakeTaps(int srcSize, int dstSize, std::vector<int>& start, std::vector<Tap>& taps) {
    start.clear();
    taps.clear();
    const double scale = static_cast<double>(srcSize) / dstSize;
    std::vector<double> w;
    std::vector<int> idx;
    for (int d = 0; d < dstSize; ++d) {
        start.push_back(static_cast<int>(taps.size()));
        w.clear();
        idx.clear();
        if (dstSize == srcSize) {
            idx.push_back(d);
            w.push_back(1.0);
        } else if (dstSize < srcSize) {
            // Area average over [d*scale, (d+1)*scale).
            const double lo = d * scale, hi = (d + 1) * scale;
            const int first = static_cast<int>(std::floor(lo));
            const int last = std::min(srcSize - 1, static_cast<int>(std::ceil(hi)) - 1);
            for (int s = first; s <= last; ++s) {
                const double cover = std::min(hi, s + 1.0) - std::max(lo, static_cast<double>(s));
                if (cover <= 0) continue;
                idx.push_back(s);
                w.push_back(cover / scale);
            }
        } else {
            // Bilinear between the two nearest source centres.
            double x = (d + 0.5) * scale - 0.5;
            x = std::max(0.0, std::min(x, static_cast<double>(srcSize - 1)));
            const int i0 = static_cast<int>(x);
            const int i1 = std::min(i0 + 1, srcSize - 1);
            const double f = x - i0;
            idx.push_back(i0);
            w.push_back(1.0 - f);
            if (i1 != i0 && f > 0.0) {
                idx.push_back(i1);
                w.push_back(f);
            }
        }
        // Whole weights that add up to exactly 16384; the rest goes to the largest.
        int32_t total = 0;
        size_t largest = 0;
        const size_t first = taps.size();
        for (size_t k = 0; k < w.size(); ++k) {
            const int32_t q = static_cast<int32_t>(std::lround(w[k] * 16384.0));
            taps.push_back({idx[k], q});
            total += q;
            if (q > taps[first + largest].weight) largest = k;
        }
        taps[first + largest].weight += 16384 - total;
    }
    start.push_back(static_cast<int>(taps.size()));
}

RowResampler::RowResampler(int srcWidth, int srcHeight, int dstWidth, int dstHeight)
    : m_srcW(srcWidth), m_srcH(srcHeight), m_dstW(dstWidth), m_dstH(dstHeight) {
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0) return;
    MakeTaps(srcWidth, dstWidth, m_xStart, m_xTaps);
    // The same taps at a fixed count per output pixel (zero weights fill the
    // gaps), so the loop across has a fixed shape.
    for (int x = 0; x < dstWidth; ++x) m_xSpan = std::max(m_xSpan, m_xStart[x + 1] - m_xStart[x]);
    if (m_xSpan <= 5) {
        for (int x = 0; x < dstWidth; ++x) {
            const int count = m_xStart[x + 1] - m_xStart[x];
            int first = m_xTaps[m_xStart[x]].index;
            if (first + m_xSpan > srcWidth) first = srcWidth - m_xSpan;
            m_xFirst.push_back(first);
            for (int k = 0; k < m_xSpan; ++k) {
                int32_t w = 0;
                for (int t = 0; t < count; ++t)
                    if (m_xTaps[m_xStart[x] + t].index == first + k) w = m_xTaps[m_xStart[x] + t].weight;
                m_xWeights.push_back(w);
            }
        }
    }

    // Vertical taps by output row, then turned around by source row.
    std::vector<int> byDst;
    std::vector<Tap> dstTaps;
    MakeTaps(srcHeight, dstHeight, byDst, dstTaps);
    std::vector<std::vector<Tap>> bySrc(static_cast<size_t>(srcHeight));
    m_yRemaining.assign(static_cast<size_t>(dstHeight), 0);
    for (int d = 0; d < dstHeight; ++d) {
        for (int k = byDst[d]; k < byDst[d + 1]; ++k)
            bySrc[static_cast<size_t>(dstTaps[k].index)].push_back({d, dstTaps[k].weight});
        m_yRemaining[static_cast<size_t>(d)] = byDst[d + 1] - byDst[d];
    }
    // The most output rows open at once (first source row pushed, last one
    // not yet): the size of the ring of rows in progress.
    auto firstSrc = [&](int d) { return dstTaps[byDst[d]].index; };
    auto lastSrc = [&](int d) { return dstTaps[byDst[d + 1] - 1].index; };
    int span = 1;
    for (int s = 0, lo = 0, hi = 0; s < srcHeight; ++s) {
        while (hi < dstHeight && firstSrc(hi) <= s) ++hi;
        while (lo < hi && lastSrc(lo) < s) ++lo;
        span = std::max(span, hi - lo);
    }
    for (const auto& list : bySrc) {
        m_yStart.push_back(static_cast<int>(m_yTaps.size()));
        m_yTaps.insert(m_yTaps.end(), list.begin(), list.end());
    }
    m_yStart.push_back(static_cast<int>(m_yTaps.size()));

    // Fewer output rows than source rows: summing down first, at the source's
    // width, leaves one pass across per output row instead of per source row.
    m_bDownFirst = dstHeight < srcHeight;
    const size_t accWidth = static_cast<size_t>(m_bDownFirst ? srcWidth : dstWidth) * 3;
    m_across.assign(accWidth, 0);
    m_acc.assign(static_cast<size_t>(span), std::vector<int32_t>(accWidth, 0));
    m_out = Image::Create24(dstWidth, dstHeight);
}

namespace {

// Output pixels across, each from K taps starting at its first source pixel
// (the weights of a pixel's taps stand together). From 8-bit samples the
// result is kept in 1/64ths; from rows already summed down (1/64ths) it is
// the final 8-bit value.
template <int K, typename In, bool bFinal>
void AcrossFixed(const In* in, const int* first, const int32_t* weights, void* out, int n) {
    for (int x = 0; x < n; ++x, weights += K) {
        const In* p = in + 3 * first[x];
        int32_t b = 0, g = 0, r = 0;
        for (int k = 0; k < K; ++k) {
            b += p[3 * k] * weights[k];
            g += p[3 * k + 1] * weights[k];
            r += p[3 * k + 2] * weights[k];
        }
        if (bFinal) {
            uint8_t* o = static_cast<uint8_t*>(out) + 3 * x;
            const int32_t v[3] = {(b + (1 << 19)) >> 20, (g + (1 << 19)) >> 20, (r + (1 << 19)) >> 20};
            for (int c = 0; c < 3; ++c) o[c] = static_cast<uint8_t>(v[c] < 0 ? 0 : v[c] > 255 ? 255 : v[c]);
        } else {
            int32_t* o = static_cast<int32_t*>(out) + 3 * x;
            o[0] = (b + 128) >> 8;
            o[1] = (g + 128) >> 8;
            o[2] = (r + 128) >> 8;
        }
    }
}

}  // namespace

template <typename In, bool bFinal>
void RowResampler::Across(const In* in, void* out) const {
    switch (m_xSpan) {
    case 1: AcrossFixed<1, In, bFinal>(in, m_xFirst.data(), m_xWeights.data(), out, m_dstW); return;
    case 2: AcrossFixed<2, In, bFinal>(in, m_xFirst.data(), m_xWeights.data(), out, m_dstW); return;
    case 3: AcrossFixed<3, In, bFinal>(in, m_xFirst.data(), m_xWeights.data(), out, m_dstW); return;
    case 4: AcrossFixed<4, In, bFinal>(in, m_xFirst.data(), m_xWeights.data(), out, m_dstW); return;
    case 5: AcrossFixed<5, In, bFinal>(in, m_xFirst.data(), m_xWeights.data(), out, m_dstW); return;
    default: break;
    }
    for (int x = 0; x < m_dstW; ++x) {
        int32_t sum[3] = {0, 0, 0};
        for (int k = m_xStart[x]; k < m_xStart[x + 1]; ++k) {
            const In* p = in + 3 * m_xTaps[k].index;
            for (int c = 0; c < 3; ++c) sum[c] += p[c] * m_xTaps[k].weight;
        }
        for (int c = 0; c < 3; ++c) {
            if (bFinal) {
                const int32_t v = (sum[c] + (1 << 19)) >> 20;
                static_cast<uint8_t*>(out)[3 * x + c] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            } else {
                static_cast<int32_t*>(out)[3 * x + c] = (sum[c] + 128) >> 8;
            }
        }
    }
}

void RowResampler::PushRow(const uint8_t* bgr) {
    if (!Valid() || m_nextSrc >= m_srcH) return;
    const int ring = static_cast<int>(m_acc.size());
    if (m_bDownFirst) {
        // Down first, at the source's width: each output row is summed from
        // its source rows, then resampled across once when it is complete.
        const size_t n = static_cast<size_t>(m_srcW) * 3;
        for (int k = m_yStart[m_nextSrc]; k < m_yStart[m_nextSrc + 1]; ++k) {
            const int d = m_yTaps[k].index;
            const int32_t w = m_yTaps[k].weight;
            int32_t* acc = m_acc[static_cast<size_t>(d % ring)].data();
            for (size_t i = 0; i < n; ++i) acc[i] += bgr[i] * w;
            if (--m_yRemaining[static_cast<size_t>(d)] == 0) FinishRow(d);
        }
        ++m_nextSrc;
        return;
    }
    // Across first: 8-bit samples times 1/16384ths, kept in 1/64ths.
    int32_t* across = m_across.data();
    Across<uint8_t, false>(bgr, across);
    // Down: into every output row this source row feeds.
    const size_t n = static_cast<size_t>(m_dstW) * 3;
    for (int k = m_yStart[m_nextSrc]; k < m_yStart[m_nextSrc + 1]; ++k) {
        const int d = m_yTaps[k].index;
        const int32_t w = m_yTaps[k].weight;
        int32_t* acc = m_acc[static_cast<size_t>(d % ring)].data();
        for (size_t i = 0; i < n; ++i) acc[i] += across[i] * w;
        if (--m_yRemaining[static_cast<size_t>(d)] == 0) FinishRow(d);
    }
    ++m_nextSrc;
}

void RowResampler::FinishRow(int d) {
    int32_t* a = m_acc[static_cast<size_t>(d) % m_acc.size()].data();
    uint8_t* row = m_out.Row24(d);
    if (m_bDownFirst) {
        // The summed row (1/16384ths) to 1/64ths, then across to 8 bits.
        const int n = 3 * m_srcW;
        int32_t* across = m_across.data();
        for (int i = 0; i < n; ++i) {
            across[i] = (a[i] + 128) >> 8;
            a[i] = 0;
        }
        Across<int32_t, true>(across, row);
    } else {
        const int n = 3 * m_dstW;
        for (int i = 0; i < n; ++i) {
            // 1/64ths times 1/16384ths: 20 bits below the point.
            const int32_t v = (a[i] + (1 << 19)) >> 20;
            row[i] = static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            a[i] = 0;
        }
    }
    uint32_t sum[3] = {0, 0, 0};
    for (int i = 0; i < 3 * m_dstW; i += 3) {
        sum[0] += row[i];
        sum[1] += row[i + 1];
        sum[2] += row[i + 2];
    }
    for (int c = 0; c < 3; ++c) m_sum[c] += sum[c];
}

Image RowResampler::TakeResult() {
    if (!Complete()) return Image();
    return std::move(m_out);
}

Color RowResampler::Average() const {
    const uint64_t n = static_cast<uint64_t>(m_dstW) * static_cast<uint64_t>(m_dstH);
    if (n == 0) return 0;
    return MakeRGB(static_cast<int>(m_sum[2] / n), static_cast<int>(m_sum[1] / n), static_cast<int>(m_sum[0] / n));
}

RowPipeline::RowPipeline(RowResampler& resampler, size_t rowBytes)
    : m_resampler(resampler), m_slots(kDepth, std::vector<uint8_t>(rowBytes)) {
    m_thread = std::thread([this] { Consume(); });
}

uint8_t* RowPipeline::Push() {
    std::unique_lock<std::mutex> lock(m_lock);
    ++m_produced;
    // The resampler is woken a batch of rows at a time: waking it for every
    // row costs more than resampling the row.
    const size_t ready = m_produced - m_consumed;
    if (m_bConsumerWaiting && ready >= kBatch) m_rowReady.notify_one();
    if (ready == kDepth) {
        m_bProducerWaiting = true;
        m_slotFree.wait(lock, [this] { return m_produced - m_consumed < kDepth; });
        m_bProducerWaiting = false;
    }
    return m_slots[m_produced % kDepth].data();
}

void RowPipeline::Finish() {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bDone = true;
    }
    m_rowReady.notify_one();
    if (m_thread.joinable()) m_thread.join();
}

void RowPipeline::Consume() {
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_bConsumerWaiting = true;
        m_rowReady.wait(lock, [this] { return m_produced - m_consumed >= kBatch || m_bDone; });
        m_bConsumerWaiting = false;
        const size_t first = m_consumed, ready = m_produced - m_consumed;
        if (ready == 0) return;  // done, and every row taken
        lock.unlock();
        for (size_t k = 0; k < ready; ++k) m_resampler.PushRow(m_slots[(first + k) % kDepth].data());
        lock.lock();
        m_consumed += ready;
        if (m_bProducerWaiting) m_slotFree.notify_one();
    }
}

}  // namespace mv
