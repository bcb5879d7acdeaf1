// GIF files: the first frame on its screen, transparency and the rest of the
// screen in the background colour, hostile files refused.
#include <gtest/gtest.h>

#include "image/ByteSource.h"
#include "image/ImageGIF.h"
#include "image/PictureFile.h"
#include "image/TestPictures.h"
#include "support/AllocationGate.h"
#include "support/TempDir.h"

using namespace mv;
using test::EncodeGif;
using test::GifFrame;
using test::Pixels;

TEST(ImageGif, TheFirstFrameOnItsScreenWithTransparencyOnTheBackground) {
    const Pixels px = Pixels::Pattern(13, 7);
    DecodeLimits limits;
    limits.background = MakeRGB(1, 2, 3);
    for (bool bLaced : {false, true}) {
        GifFrame frame;
        frame.bInterlaced = bLaced;
        frame.frameCount = 3;  // later frames are not shown
        const std::vector<uint8_t> bytes = EncodeGif(px, frame);
        ImageGIF gif = ImageGIF::FromMemory(bytes.data(), bytes.size(), limits);
        ASSERT_TRUE(gif.IsValid());
        ASSERT_EQ(gif.Width(), 13);
        ASSERT_EQ(gif.Height(), 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const uint8_t* p = &px.data[(y * 13 + x) * 3];
                ASSERT_EQ(gif.Pixel(x, y), MakeRGB(p[0], p[1], p[2])) << x << "," << y << " laced " << bLaced;
            }
    }
    // A frame inside a larger screen, its first colour transparent.
    GifFrame inside;
    inside.screenW = 20, inside.screenH = 10, inside.left = 5, inside.top = 2, inside.transparentIndex = 0;
    std::vector<uint8_t> bytes = EncodeGif(px, inside);
    ImageGIF framed = ImageGIF::FromMemory(bytes.data(), bytes.size(), limits);
    ASSERT_TRUE(framed.IsValid());
    EXPECT_EQ(framed.Width(), 20);
    EXPECT_EQ(framed.Pixel(0, 0), limits.background);       // outside the frame
    EXPECT_EQ(framed.Pixel(5, 2), limits.background);       // the frame's first pixel: colour 0, transparent
    EXPECT_EQ(framed.Pixel(6, 2), MakeRGB(px.data[3], px.data[4], px.data[5]));
    MemorySource src(bytes.data(), bytes.size());
    EXPECT_EQ(SniffFormat(src), PictureFormat::Gif);
    int w = 0, h = 0;
    ASSERT_TRUE(ImageGIF::ReadSize(src, w, h));
    EXPECT_EQ(w * 100 + h, 2010);

    // Refused: a frame reaching outside its screen, a cut file, a screen
    // larger than the limits.
    GifFrame outside = inside;
    outside.left = 10;
    bytes = EncodeGif(px, outside);
    EXPECT_FALSE(ImageGIF::FromMemory(bytes.data(), bytes.size()).IsValid());
    bytes = EncodeGif(px, GifFrame());
    for (size_t cut : {size_t(10), bytes.size() / 2, bytes.size() - 2})
        EXPECT_FALSE(ImageGIF::FromMemory(bytes.data(), cut).IsValid()) << cut;
    DecodeLimits small;
    small.maxSide = 8;
    EXPECT_FALSE(ImageGIF::FromMemory(bytes.data(), bytes.size(), small).IsValid());
}

// A header claiming a 4096 x 4096 screen (48 MB of pixels) with no whole
// frame behind it is refused without taking memory of that size: the screen
// is made only once the first frame has been read.
TEST(ImageGif, AScreenWithoutAWholeFrameTakesNoLargeMemory) {
    std::vector<std::vector<uint8_t>> files;
    // A small frame on the large screen, the file cut inside the frame's data.
    GifFrame small;
    small.screenW = 4096, small.screenH = 4096;
    const std::vector<uint8_t> whole = EncodeGif(Pixels::Pattern(64, 64), small);
    files.emplace_back(whole.begin(), whole.end() - 40);
    // A frame as large as the screen with a few bytes of data: the image
    // descriptor (at 0, 0, 4096 x 4096, no table of its own), code size 2,
    // one block of 3 bytes, then the end.
    std::vector<uint8_t> claim = {'G', 'I', 'F', '8', '9', 'a', 0x00, 0x10, 0x00, 0x10, 0x80, 0, 0,
                                  0, 0, 0, 255, 255, 255,  // the two colours of the file's table
                                  0x2C, 0, 0, 0, 0, 0x00, 0x10, 0x00, 0x10, 0x00,
                                  2, 3, 0x84, 0x2D, 0x05, 0, 0x3B};
    files.push_back(claim);
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        MemorySource src(files[i].data(), files[i].size());
        int w = 0, h = 0;
        ASSERT_TRUE(ImageGIF::ReadSize(src, w, h));  // the header itself is within the limits
        EXPECT_EQ(w, 4096);
        test::MeasureAllocations measure;
        const ImageGIF gif = ImageGIF::FromMemory(files[i].data(), files[i].size());
        EXPECT_FALSE(gif.IsValid());
        EXPECT_LT(measure.Peak(), size_t(4) << 20);
    }
}

// A GIF is told by its first bytes: named as a JPEG it is still read as the
// GIF it is.
TEST(ImageGif, ToldByItsSignatureNotItsName) {
    const Pixels px = Pixels::Pattern(9, 5);
    const std::vector<uint8_t> bytes = EncodeGif(px, GifFrame());
    test::TempDir dir;
    const std::string path = dir.File("photo.jpg");
    ASSERT_TRUE(test::WriteBytes(path, bytes));
    const std::unique_ptr<Image> decoded = DecodePictureFile(path);
    ASSERT_TRUE(decoded && decoded->IsValid());
    EXPECT_EQ(decoded->Pixel(8, 4), MakeRGB(px.data[(4 * 9 + 8) * 3], px.data[(4 * 9 + 8) * 3 + 1],
                                             px.data[(4 * 9 + 8) * 3 + 2]));
    const std::optional<Size> size = PictureFileSize(path);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->cx * 100 + size->cy, 905);
}
