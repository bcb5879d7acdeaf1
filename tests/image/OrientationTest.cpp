// Phone photographs stored sideways with an EXIF orientation come out upright.
#include <gtest/gtest.h>

#include "image/ByteSource.h"
#include "image/ImageJPEG.h"
#include "image/Orientation.h"
#include "image/TestPictures.h"

using namespace mv;
using test::EncodeJpeg;
using test::Pixels;
using test::WithExifOrientation;

TEST(Orientation, EveryExifOrientationComesOutUpright) {
    const Pixels px = Pixels::Pattern(24, 16);
    const std::vector<uint8_t> plain = EncodeJpeg(px, 100);
    const ImageJPEG stored = ImageJPEG::FromMemory(plain.data(), plain.size());
    ASSERT_TRUE(stored.IsValid());
    // Where the stored top-left corner ends up, orientation by orientation.
    const struct { int x, y; } corner[9] = {{}, {0, 0}, {23, 0}, {23, 15}, {0, 15}, {0, 0}, {15, 0}, {15, 23}, {0, 23}};
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const std::vector<uint8_t> tagged = WithExifOrientation(plain, o, o % 2 == 0);
        const ImageJPEG upright = ImageJPEG::FromMemory(tagged.data(), tagged.size());
        ASSERT_TRUE(upright.IsValid());
        EXPECT_EQ(upright.Width(), o >= 5 ? 16 : 24);
        EXPECT_EQ(upright.Block(), Orient24(stored, o).Block());
        EXPECT_EQ(upright.Pixel(corner[o].x, corner[o].y), stored.Pixel(0, 0));
        EXPECT_EQ(upright.RowPadding(), upright.Width() % 4);
        MemorySource src(tagged.data(), tagged.size());
        int w = 0, h = 0;
        ASSERT_TRUE(ImageJPEG::ReadSize(src, w, h));
        EXPECT_EQ(w, upright.Width());
        EXPECT_EQ(h, upright.Height());
        // Decoded straight to a size: the same as resizing the stored picture
        // and turning the result.
        Color average = 0, storedAverage = 0;
        const Image small = ImageJPEG::DecodeResized(src, o >= 5 ? 8 : 12, o >= 5 ? 12 : 8, &average);
        MemorySource plainSrc(plain.data(), plain.size());
        const Image storedSmall = ImageJPEG::DecodeResized(plainSrc, 12, 8, &storedAverage);
        EXPECT_EQ(small.Block(), Orient24(storedSmall, o).Block());
        EXPECT_EQ(average, storedAverage);
    }
    // An EXIF block whose directory lies outside it, or with another tag
    // type, leaves the picture as stored.
    std::vector<uint8_t> broken = WithExifOrientation(plain, 6);
    broken[2 + 2 + 2 + 6 + 4] = 0xF0;  // the first directory's offset
    MemorySource brokenSrc(broken.data(), broken.size());
    EXPECT_EQ(ReadJpegOrientation(brokenSrc), 1);
    std::vector<uint8_t> wrongType = WithExifOrientation(plain, 6);
    wrongType[2 + 2 + 2 + 6 + 8 + 2 + 12 + 2] = 4;  // LONG instead of SHORT
    MemorySource wrongSrc(wrongType.data(), wrongType.size());
    EXPECT_EQ(ReadJpegOrientation(wrongSrc), 1);
}
