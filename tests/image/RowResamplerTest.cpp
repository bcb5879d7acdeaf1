#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/ByteSource.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "image/TestPictures.h"

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


// The straightforward two-pass resample in floating point, with a
// full-height intermediate: the reference the program's resampler is held to.
Image ReferenceResample(const Image& src, int width, int height) {
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


// Smooth gradients with detail, like a photograph.
test::Pixels Photo(int w, int h) {
    test::Pixels px;
    px.width = w;
    px.height = h;
    px.data.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &px.data[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(128 + 100 * std::sin(x * 0.013) + 20 * std::sin(y * 0.21));
            p[1] = static_cast<uint8_t>(128 + 90 * std::cos(y * 0.011) + 25 * std::sin((x + y) * 0.17));
            p[2] = static_cast<uint8_t>(60 + 120.0 * x / w + 30 * std::sin(x * 0.3) * std::cos(y * 0.05));
        }
    return px;
}

double Psnr(const Image& a, const Image& b) {
    double se = 0;
    for (int y = 0; y < a.Height(); ++y) {
        const uint8_t *p = a.Row24(y), *q = b.Row24(y);
        for (int i = 0; i < 3 * a.Width(); ++i) se += (p[i] - q[i]) * (p[i] - q[i]);
    }
    double mse = se / (3.0 * a.Width() * a.Height());
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Decoded straight to the screen's size, a picture looks as the whole
// picture resampled does, and its average colour comes with it.
TEST(DecodeResized, MatchesAResampleOfTheWholePicture) {
    const test::Pixels photo = Photo(2400, 1800);
    const std::vector<uint8_t> jpeg = test::EncodeJpeg(photo, 92);
    const std::vector<uint8_t> png = test::EncodePng(photo, 2);
    const std::vector<uint8_t> interlaced = test::EncodePng(Photo(900, 700), 2, 8, true);
    struct Case {
        const char* name;
        const std::vector<uint8_t>* bytes;
        bool bPng;
        int w, h;
    } cases[] = {{"jpeg shrunk 3x", &jpeg, false, 800, 600},
                 {"jpeg wider, lower", &jpeg, false, 2600, 300},
                 {"png shrunk", &png, true, 1024, 768},
                 {"interlaced png", &interlaced, true, 640, 480}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Image whole = c.bPng ? Image(ImagePNG::FromMemory(c.bytes->data(), c.bytes->size()))
                             : Image(ImageJPEG::FromMemory(c.bytes->data(), c.bytes->size()));
        ASSERT_TRUE(whole.IsValid());
        Image reference = ReferenceResample(whole, c.w, c.h);
        MemorySource src(c.bytes->data(), c.bytes->size());
        int w = 0, h = 0;
        ASSERT_TRUE(c.bPng ? ImagePNG::ReadSize(src, w, h) : ImageJPEG::ReadSize(src, w, h));
        EXPECT_EQ(w, static_cast<int>(whole.Width()));
        EXPECT_EQ(h, static_cast<int>(whole.Height()));
        Color average = 0;
        Image resized = c.bPng ? ImagePNG::DecodeResized(src, c.w, c.h, &average)
                               : ImageJPEG::DecodeResized(src, c.w, c.h, &average);
        ASSERT_TRUE(resized.IsValid());
        ASSERT_EQ(resized.Width(), c.w);
        ASSERT_EQ(resized.Height(), c.h);
        EXPECT_GE(Psnr(resized, reference), 40.0);
        EXPECT_EQ(average, resized.AverageColor());
    }
    // A broken file gives an invalid picture, and no size.
    std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + jpeg.size() / 3);
    MemorySource broken(cut.data(), cut.size());
    Color average = 0;
    EXPECT_FALSE(ImageJPEG::DecodeResized(broken, 800, 600, &average).IsValid());
    std::vector<uint8_t> junk(500, 7);
    MemorySource none(junk.data(), junk.size());
    int w = 0, h = 0;
    EXPECT_FALSE(ImagePNG::ReadSize(none, w, h));
    EXPECT_FALSE(ImageJPEG::ReadSize(none, w, h));
}

}  // namespace
}  // namespace mv
