#include "image/Resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace mv {

namespace {

// For each destination index, the source indexes that feed it and their weights.
struct Taps {
    std::vector<int> start;   // first tap per destination index
    std::vector<int> index;   // source index per tap
    std::vector<float> weight;
};

Taps MakeTaps(int srcSize, int dstSize) {
    Taps t;
    t.start.reserve(static_cast<size_t>(dstSize) + 1);
    const double scale = static_cast<double>(srcSize) / dstSize;
    for (int d = 0; d < dstSize; ++d) {
        t.start.push_back(static_cast<int>(t.index.size()));
        if (dstSize == srcSize) {
            t.index.push_back(d);
            t.weight.push_back(1.0f);
        } else if (dstSize < srcSize) {
            // Area average over [d*scale, (d+1)*scale).
            double lo = d * scale, hi = (d + 1) * scale;
            int first = static_cast<int>(std::floor(lo));
            int last = std::min(srcSize - 1, static_cast<int>(std::ceil(hi)) - 1);
            for (int s = first; s <= last; ++s) {
                double cover = std::min(hi, s + 1.0) - std::max(lo, static_cast<double>(s));
                if (cover <= 0) continue;
                t.index.push_back(s);
                t.weight.push_back(static_cast<float>(cover / scale));
            }
        } else {
            // Bilinear between the two nearest source centres.
            double x = (d + 0.5) * scale - 0.5;
            x = std::max(0.0, std::min(x, static_cast<double>(srcSize - 1)));
            int i0 = static_cast<int>(x);
            int i1 = std::min(i0 + 1, srcSize - 1);
            float f = static_cast<float>(x - i0);
            t.index.push_back(i0);
            t.weight.push_back(1.0f - f);
            if (i1 != i0 && f > 0.0f) {
                t.index.push_back(i1);
                t.weight.push_back(f);
            }
        }
    }
    t.start.push_back(static_cast<int>(t.index.size()));
    return t;
}

inline uint8_t Clamp8(float v) {
    int i = static_cast<int>(v + 0.5f);
    return static_cast<uint8_t>(i < 0 ? 0 : i > 255 ? 255 : i);
}

}  // namespace

Image Resample24(const Image& src, int width, int height) {
    if (!src.IsValid() || src.BitCount() != 24 || width <= 0 || height <= 0) return Image();
    const int sw = src.Width(), sh = src.Height();
    if (sw == width && sh == height) return src;
    Image out = Image::Create24(width, height);
    if (!out.IsValid()) return out;

    // Horizontal pass into a width x sh buffer, then the vertical pass.
    Taps tx = MakeTaps(sw, width);
    Taps ty = MakeTaps(sh, height);
    std::vector<uint8_t> mid(static_cast<size_t>(width) * sh * 3);
    for (int y = 0; y < sh; ++y) {
        const uint8_t* row = src.Row24(y);
        uint8_t* m = &mid[static_cast<size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x) {
            float b = 0, g = 0, r = 0;
            for (int k = tx.start[x]; k < tx.start[x + 1]; ++k) {
                const uint8_t* p = row + 3 * tx.index[k];
                float w = tx.weight[k];
                b += p[0] * w;
                g += p[1] * w;
                r += p[2] * w;
            }
            m[3 * x] = Clamp8(b);
            m[3 * x + 1] = Clamp8(g);
            m[3 * x + 2] = Clamp8(r);
        }
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = out.Row24(y);
        for (int x = 0; x < width; ++x) {
            float b = 0, g = 0, r = 0;
            for (int k = ty.start[y]; k < ty.start[y + 1]; ++k) {
                const uint8_t* p = &mid[(static_cast<size_t>(ty.index[k]) * width + x) * 3];
                float w = ty.weight[k];
                b += p[0] * w;
                g += p[1] * w;
                r += p[2] * w;
            }
            row[3 * x] = Clamp8(b);
            row[3 * x + 1] = Clamp8(g);
            row[3 * x + 2] = Clamp8(r);
        }
    }
    return out;
}

}  // namespace mv
