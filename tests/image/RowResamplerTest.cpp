#include <gtest/gtest.h>

#include <cmath>

#include "image/ByteSource.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "image/Resample.h"
#include "image/TestPictures.h"

namespace mv {
namespace {

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
        Image reference = Resample24(whole, c.w, c.h);
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
