// GIF files: the first frame on its screen, transparency and the rest of the
// screen in the background colour, hostile files refused.
#include <gtest/gtest.h>

#include "image/ByteSource.h"
#include "image/ImageGIF.h"
#include "image/PictureFile.h"
#include "image/TestPictures.h"

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
