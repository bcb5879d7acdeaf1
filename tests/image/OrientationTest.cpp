// Phone photographs stored sideways with an EXIF orientation come out upright.
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/ByteSource.h"
#include "image/ImageJPEG.h"
#include "image/Orientation.h"
#include "image/TestPictures.h"

using namespace mv;
using test::EncodeJpeg;
using test::Pixels;
using test::WithExifOrientation;

namespace {

// A stored picture 3 cells wide and 2 high, its top-left cell red and the
// cell right of it green, the rest grey. Where those two cells are seen, as
// the EXIF definition of each value says which stored row and column become
// the upright picture's top, bottom, left or right:
//   1 row 0 at the top, column 0 at the left      (as stored)
//   2 row 0 at the top, column 0 at the right     (mirrored left to right)
//   3 row 0 at the bottom, column 0 at the right  (turned half round)
//   4 row 0 at the bottom, column 0 at the left   (mirrored top to bottom)
//   5 row 0 at the left, column 0 at the top      (mirrored along the main diagonal)
//   6 row 0 at the right, column 0 at the top     (turned a quarter clockwise to view)
//   7 row 0 at the right, column 0 at the bottom  (mirrored along the other diagonal)
//   8 row 0 at the left, column 0 at the bottom   (turned a quarter anticlockwise to view)
struct Seen {
    int width, height;  // in cells
    int redX, redY, greenX, greenY;
};
const Seen kSeen[9] = {{},
                       {3, 2, 0, 0, 1, 0},
                       {3, 2, 2, 0, 1, 0},
                       {3, 2, 2, 1, 1, 1},
                       {3, 2, 0, 1, 1, 1},
                       {2, 3, 0, 0, 0, 1},
                       {2, 3, 1, 0, 1, 1},
                       {2, 3, 1, 2, 1, 1},
                       {2, 3, 0, 2, 0, 1}};

constexpr Color kRed = MakeRGB(255, 0, 0), kGreen = MakeRGB(0, 255, 0), kGrey = MakeRGB(128, 128, 128);

Pixels Marked(int cell) {
    Pixels px;
    px.width = 3 * cell, px.height = 2 * cell, px.channels = 3;
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x) {
            const Color c = y < cell && x < cell ? kRed : y < cell && x < 2 * cell ? kGreen : kGrey;
            px.data.insert(px.data.end(), {uint8_t(RedOf(c)), uint8_t(GreenOf(c)), uint8_t(BlueOf(c))});
        }
    return px;
}

// Which of the three colours a (possibly lossy) pixel is nearest to.
Color Nearest(Color c) {
    Color best = kGrey;
    int bestDistance = 1 << 30;
    for (Color k : {kRed, kGreen, kGrey}) {
        const int d = std::abs(RedOf(c) - RedOf(k)) + std::abs(GreenOf(c) - GreenOf(k)) + std::abs(BlueOf(c) - BlueOf(k));
        if (d < bestDistance) bestDistance = d, best = k;
    }
    return best;
}

// Every cell's centre in the upright picture is the colour kSeen says.
void ExpectCells(const Image& upright, int o, int cell) {
    const Seen& s = kSeen[o];
    ASSERT_TRUE(upright.IsValid());
    ASSERT_EQ(upright.Width(), s.width * cell);
    ASSERT_EQ(upright.Height(), s.height * cell);
    for (int cy = 0; cy < s.height; ++cy)
        for (int cx = 0; cx < s.width; ++cx) {
            const Color want = cx == s.redX && cy == s.redY ? kRed : cx == s.greenX && cy == s.greenY ? kGreen : kGrey;
            EXPECT_EQ(Nearest(upright.Pixel(cx * cell + cell / 2, cy * cell + cell / 2)), want)
                << "cell " << cx << "," << cy;
        }
}

}  // namespace

TEST(Orientation, EveryExifOrientationShowsTheMarkedCornerWhereTheTagSays) {
    // Exact, one pixel a cell: the turn of a decoded picture and the turn
    // made while the rows are written.
    const Pixels tiny = Marked(1);
    Image stored = Image::Create24(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint8_t* p = &tiny.data[(size_t(y) * 3 + x) * 3];
            stored.SetPixel(x, y, MakeRGB(p[0], p[1], p[2]));
        }
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const Image turned = Orient24(stored, o);
        ExpectCells(turned, o, 1);
        EXPECT_EQ(turned.Pixel(kSeen[o].redX, kSeen[o].redY), kRed);
        UprightWriter writer(3, 2, o);
        ASSERT_TRUE(writer.Valid());
        for (int y = 0; y < 2; ++y) writer.Put(y, stored.Row24(y));
        EXPECT_EQ(writer.Upright().Block(), turned.Block());
    }

    // A JPEG of 16-pixel cells tagged with each value, decoded whole and to a size.
    const int cell = 16;
    const std::vector<uint8_t> plain = EncodeJpeg(Marked(cell), 100);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        const std::vector<uint8_t> tagged = WithExifOrientation(plain, o, o % 2 == 0);
        const ImageJPEG upright = ImageJPEG::FromMemory(tagged.data(), tagged.size());
        ExpectCells(upright, o, cell);
        EXPECT_EQ(upright.RowPadding(), upright.Width() % 4);
        MemorySource src(tagged.data(), tagged.size());
        int w = 0, h = 0;
        ASSERT_TRUE(ImageJPEG::ReadSize(src, w, h));
        EXPECT_EQ(w, kSeen[o].width * cell);
        EXPECT_EQ(h, kSeen[o].height * cell);
        Color average = 0;
        const Image small =
            ImageJPEG::DecodeResized(src, kSeen[o].width * cell / 4, kSeen[o].height * cell / 4, &average);
        ExpectCells(small, o, cell / 4);
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
