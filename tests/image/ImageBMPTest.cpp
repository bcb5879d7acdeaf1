#include <gtest/gtest.h>

#include <algorithm>

#include "image/DibDraw.h"
#include "image/ImageBMP.h"
#include "image/TestPictures.h"
#include "support/TempDir.h"

namespace mv {
namespace {

using test::BmpLayout;
using test::MakeBmp;
using test::Pixels;

ImageBMP Load(const std::vector<uint8_t>& bytes) { return ImageBMP::FromMemory(bytes.data(), bytes.size()); }

// The drawn picture's pixels, top row first.
std::vector<Color> Drawn(const Image& img) {
    Image d = DrawTo24(img);
    std::vector<Color> v;
    if (!d.IsValid()) return v;
    EXPECT_EQ(24, d.BitCount());
    EXPECT_GT(d.Header().biHeight, 0);
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Width(); ++x) v.push_back(d.Pixel(x, y));
    return v;
}

std::vector<Color> Expected(const Pixels& px) {
    std::vector<Color> v;
    for (size_t i = 0; i < px.data.size(); i += px.channels)
        v.push_back(MakeRGB(px.data[i], px.data[i + 1], px.data[i + 2]));
    return v;
}

BmpLayout Layout24(const Pixels& px) {
    BmpLayout s;
    s.width = px.width;
    s.height = px.height;
    s.bits = test::BmpRows24(px);
    s.sizeImage = static_cast<uint32_t>(s.bits.size());
    return s;
}

constexpr Color kRed = MakeRGB(255, 0, 0), kGreen = MakeRGB(0, 255, 0), kBlue = MakeRGB(0, 0, 255);
const std::vector<uint32_t> kTable4 = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};  // black red green blue

// 8-bit, 4 x 2, rows bottom-up.
BmpLayout Layout8() {
    BmpLayout s;
    s.width = 4;
    s.height = 2;
    s.bitCount = 8;
    s.clrUsed = 4;
    s.table = kTable4;
    s.bits = {0, 1, 2, 3, /* top row */ 3, 2, 1, 0};
    return s;
}
const std::vector<Color> kLayout8Drawn = {kBlue, kGreen, kRed, 0, 0, kRed, kGreen, kBlue};

// RLE8, 6 x 3: runs, an absolute run with its pad byte, a delta, a run past the row end.
BmpLayout LayoutRle8() {
    BmpLayout s;
    s.width = 6;
    s.height = 3;
    s.bitCount = 8;
    s.compression = kBiRle8;
    s.clrUsed = 4;
    s.table = kTable4;
    s.bits = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0,   // bottom: 1 1 1 2 3 1
              2, 2, 0, 2, 2, 0, 2, 3, 0, 0,   // middle: 2 2 - - 3 3
              8, 1, 0, 1};                    // top: eight 1s cut to six, end of bitmap
    s.sizeImage = static_cast<uint32_t>(s.bits.size());
    return s;
}
const std::vector<Color> kRle8Drawn = {kRed, kRed, kRed, kRed, kRed, kRed,  //
                                       kGreen, kGreen, 0, 0, kBlue, kBlue,  //
                                       kRed, kRed, kRed, kGreen, kBlue, kRed};

TEST(ImageBMP, TwentyFourBitRowsArePaddedToFourBytes) {
    Pixels px = Pixels::Pattern(5, 3);
    ImageBMP img = Load(MakeBmp(Layout24(px)));
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(5, img.Width());
    EXPECT_EQ(3, img.Height());
    EXPECT_EQ(24, img.BitCount());
    EXPECT_TRUE(img.HasDeepColor());
    EXPECT_EQ(0, img.RowPadding());
    EXPECT_EQ(16u, img.Stride());  // 15 data bytes and 1 padding byte
    EXPECT_EQ(48u, img.ImageSize());
    EXPECT_EQ(Expected(px), Drawn(img));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Expected(px)[y * 5 + x], img.Pixel(x, y));
}

TEST(ImageBMP, BareDibAndZeroImageSizeLoadLikeTheFullFile) {
    Pixels px = Pixels::Pattern(7, 4);
    BmpLayout s = Layout24(px);
    ImageBMP full = Load(MakeBmp(s));
    s.sizeImage = 0;
    ImageBMP zeroSize = Load(MakeBmp(s));
    s.bFileHeader = false;
    ImageBMP bare = Load(MakeBmp(s));
    ASSERT_TRUE(full.IsValid());
    ASSERT_TRUE(zeroSize.IsValid());
    ASSERT_TRUE(bare.IsValid());
    EXPECT_EQ(Image::BytesPerRow(7, 24) * 4, zeroSize.ImageSize());
    EXPECT_EQ(full.Block(), zeroSize.Block());
    EXPECT_EQ(full.Block(), bare.Block());

    BmpLayout p = Layout8();
    p.bFileHeader = false;
    EXPECT_EQ(kLayout8Drawn, Drawn(Load(MakeBmp(p))));
}

TEST(ImageBMP, Os2CoreHeaderIsWidenedToAnInfoHeader) {
    BmpLayout s;
    s.headerSize = 12;
    s.width = 2;
    s.height = 2;
    s.bitCount = 8;
    for (uint32_t i = 0; i < 256; ++i) s.table.push_back((i << 16) | ((255 - i) << 8) | (i / 2));
    s.bits = {0, 10, 0, 0, 200, 255, 0, 0};
    ImageBMP img = Load(MakeBmp(s));
    ASSERT_TRUE(img.IsValid());
    DibHeader h = img.Header();
    EXPECT_EQ(40u, h.biSize);
    EXPECT_EQ(256u, h.biClrUsed);
    EXPECT_EQ(40u + 1024u, img.BitsOffset());
    const uint8_t* entry = img.Block().data() + 40 + 4 * 200;
    EXPECT_EQ((std::vector<uint8_t>{100, 55, 200, 0}), std::vector<uint8_t>(entry, entry + 4));
    EXPECT_EQ((std::vector<Color>{MakeRGB(200, 55, 100), MakeRGB(255, 0, 127), MakeRGB(0, 255, 0),
                                  MakeRGB(10, 245, 5)}),
              Drawn(img));

    BmpLayout c24 = Layout24(Pixels::Pattern(3, 2));
    c24.headerSize = 12;
    c24.bFileHeader = false;
    EXPECT_EQ(Expected(Pixels::Pattern(3, 2)), Drawn(Load(MakeBmp(c24))));
}

TEST(ImageBMP, PaletteDepthsDraw) {
    EXPECT_EQ(kLayout8Drawn, Drawn(Load(MakeBmp(Layout8()))));

    BmpLayout one;  // 9 x 1, alternating black and white
    one.width = 9;
    one.bitCount = 1;
    one.table = {0x000000, 0xFFFFFF};
    one.bits = {0xAA, 0x80, 0, 0};
    ImageBMP img1 = Load(MakeBmp(one));
    ASSERT_TRUE(img1.IsValid());
    EXPECT_EQ(2u, img1.Header().biClrUsed);
    EXPECT_FALSE(img1.HasDeepColor());
    std::vector<Color> want1;
    for (int x = 0; x < 9; ++x) want1.push_back(x % 2 ? 0 : kWhite);
    EXPECT_EQ(want1, Drawn(img1));

    BmpLayout four;  // 3 x 1 with a 3-entry table: index 5 lies past it and draws black
    four.width = 3;
    four.bitCount = 4;
    four.clrUsed = 3;
    four.table = {0x000000, 0xFF0000, 0x00FF00};
    four.bits = {0x12, 0x50, 0, 0};
    EXPECT_EQ((std::vector<Color>{kRed, kGreen, 0}), Drawn(Load(MakeBmp(four))));
}

TEST(ImageBMP, RunLengthEncodedPicturesDraw) {
    ImageBMP img = Load(MakeBmp(LayoutRle8()));
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(kRle8Drawn, Drawn(img));

    BmpLayout s;  // RLE4, 5 x 2
    s.width = 5;
    s.height = 2;
    s.bitCount = 4;
    s.compression = kBiRle4;
    s.clrUsed = 4;
    s.table = kTable4;
    s.bits = {5, 0x12, 0, 0,              // bottom: 1 2 1 2 1
              0, 3, 0x31, 0x20, 2, 0x33,  // top: 3 1 2, then 3 3
              0, 1};
    ImageBMP rle4 = Load(MakeBmp(s));
    ASSERT_TRUE(rle4.IsValid());
    EXPECT_EQ((std::vector<Color>{kBlue, kRed, kGreen, kBlue, kBlue, kRed, kGreen, kRed, kGreen, kRed}),
              Drawn(rle4));

    // No end-of-bitmap mark and no biSizeImage: the stream simply ends.
    BmpLayout open = LayoutRle8();
    open.bits.resize(open.bits.size() - 2);
    open.sizeImage = 0;
    EXPECT_EQ(kRle8Drawn, Drawn(Load(MakeBmp(open))));
}

TEST(ImageBMP, DeepColourLayoutsDraw) {
    BmpLayout s555;
    s555.width = 2;
    s555.bitCount = 16;
    s555.bits = {0x00, 0x7C, 0x01, 0x00};
    EXPECT_EQ((std::vector<Color>{kRed, MakeRGB(0, 0, 8)}), Drawn(Load(MakeBmp(s555))));

    BmpLayout s565 = s555;
    s565.compression = kBiBitfields;
    s565.masks = {0xF800, 0x07E0, 0x001F};
    s565.bits = {0xE0, 0x07, 0x1F, 0xF8};
    ImageBMP img565 = Load(MakeBmp(s565));
    ASSERT_TRUE(img565.IsValid());
    EXPECT_EQ(40u + 12u, img565.BitsOffset());
    EXPECT_EQ((std::vector<Color>{kGreen, MakeRGB(255, 0, 255)}), Drawn(img565));

    BmpLayout v4 = s565;  // the masks inside a BITMAPV4HEADER
    v4.headerSize = 108;
    EXPECT_EQ(Drawn(img565), Drawn(Load(MakeBmp(v4))));

    BmpLayout s32;
    s32.width = 2;
    s32.bitCount = 32;
    s32.bits = {10, 20, 30, 99, 1, 2, 3, 0};
    EXPECT_EQ((std::vector<Color>{MakeRGB(30, 20, 10), MakeRGB(3, 2, 1)}), Drawn(Load(MakeBmp(s32))));

    BmpLayout s32f = s32;  // red in the low byte
    s32f.compression = kBiBitfields;
    s32f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    EXPECT_EQ((std::vector<Color>{MakeRGB(10, 20, 30), MakeRGB(1, 2, 3)}), Drawn(Load(MakeBmp(s32f))));
}

TEST(ImageBMP, TopDownRowsDrawUpright) {
    Pixels px = Pixels::Pattern(3, 4);
    BmpLayout s = Layout24(px);
    const size_t stride = Image::BytesPerRow(3, 24);
    std::vector<uint8_t> flipped;
    for (int y = px.height - 1; y >= 0; --y)
        flipped.insert(flipped.end(), s.bits.begin() + y * stride, s.bits.begin() + (y + 1) * stride);
    s.bits = flipped;
    s.height = -px.height;
    ImageBMP img = Load(MakeBmp(s));
    ASSERT_TRUE(img.IsValid());
    EXPECT_EQ(4, img.Height());
    EXPECT_EQ(Expected(px), Drawn(img));
    EXPECT_EQ(Load(MakeBmp(Layout24(px))).AverageColor(), img.AverageColor());

    BmpLayout p = Layout8();
    p.height = -2;
    std::rotate(p.bits.begin(), p.bits.begin() + 4, p.bits.end());
    EXPECT_EQ(kLayout8Drawn, Drawn(Load(MakeBmp(p))));
}

TEST(ImageBMP, AverageColour) {
    Image two = Image::Create24(2, 1);
    two.SetPixel(0, 0, kRed);
    two.SetPixel(1, 0, kBlue);
    EXPECT_EQ(MakeRGB(127, 0, 127), two.AverageColor());
    EXPECT_EQ(0u, Image().AverageColor());

    BmpLayout s555;  // the same two pixels at 16 bits
    s555.width = 2;
    s555.bitCount = 16;
    s555.bits = {0x00, 0x7C, 0x1F, 0x00};
    EXPECT_EQ(MakeRGB(127, 0, 127), Load(MakeBmp(s555)).AverageColor());
}

TEST(ImageBMP, ReadsPathsAndSavesWhatItRead) {
    test::TempDir dir;
    BmpLayout s;
    s.width = 2;
    s.bitCount = 16;
    s.compression = kBiBitfields;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.bits = {0xE0, 0x07, 0x1F, 0xF8};
    ASSERT_TRUE(test::WriteBytes(dir.File("in.bmp"), MakeBmp(s)));
    ImageBMP img(dir.Path() + "\\in.bmp");
    ASSERT_TRUE(img.IsValid());
    ASSERT_TRUE(img.Save(dir.File("out.bmp")));
    ImageBMP again(dir.File("out.bmp"));
    ASSERT_TRUE(again.IsValid());
    EXPECT_EQ(img.Block(), again.Block());
    EXPECT_EQ(Drawn(img), Drawn(again));

    EXPECT_FALSE(ImageBMP(dir.File("missing.bmp")).IsValid());
}

TEST(ImageBMP, DrawTo24CopiesAWorkingPictureAndRefusesInvalidOnes) {
    Image pic = Image::Create24(3, 2);
    pic.SetPixel(2, 1, kGreen);
    Image copy = DrawTo24(pic);
    ASSERT_TRUE(copy.IsValid());
    EXPECT_EQ(pic.Block(), copy.Block());
    EXPECT_FALSE(DrawTo24(Image()).IsValid());
}

// Every shorter prefix of a good file is invalid, and every single-byte
// change is survived.
void ExpectTruncationsInvalidAndFlipsHarmless(const std::vector<uint8_t>& good) {
    ASSERT_TRUE(Load(good).IsValid());
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Load(cut).IsValid()) << "prefix of " << n << " bytes";
    }
    for (size_t i = 0; i < good.size(); ++i)
        for (uint8_t v : {uint8_t(0), uint8_t(0x7F), uint8_t(0xFF)}) {
            std::vector<uint8_t> bad = good;
            bad[i] = v;
            ImageBMP img = Load(bad);
            if (img.IsValid()) {
                EXPECT_TRUE(DrawTo24(img).IsValid()) << "byte " << i;
                img.AverageColor();
            }
        }
}

TEST(ImageBMPMalformed, TruncatedOrDamagedFiles) {
    ExpectTruncationsInvalidAndFlipsHarmless(MakeBmp(Layout24(Pixels::Pattern(3, 2))));
    ExpectTruncationsInvalidAndFlipsHarmless(MakeBmp(Layout8()));
    ExpectTruncationsInvalidAndFlipsHarmless(MakeBmp(LayoutRle8()));
    BmpLayout f;
    f.width = 2;
    f.bitCount = 32;
    f.compression = kBiBitfields;
    f.masks = {0xFF0000, 0xFF00, 0xFF};
    f.bits = {1, 2, 3, 4, 5, 6, 7, 8};
    ExpectTruncationsInvalidAndFlipsHarmless(MakeBmp(f));
}

TEST(ImageBMPMalformed, HeadersWindowsWouldNotDraw) {
    auto invalid = [](BmpLayout s) { return !Load(MakeBmp(s)).IsValid(); };
    BmpLayout good = Layout8();
    ASSERT_FALSE(invalid(good));
    BmpLayout s = good;
    s.planes = 2;
    EXPECT_TRUE(invalid(s));
    s = good;
    s.headerSize = 64;
    EXPECT_TRUE(invalid(s));
    s = good;
    s.width = 0;
    EXPECT_TRUE(invalid(s));
    s = good;
    s.height = 0;
    EXPECT_TRUE(invalid(s));
    s = good;
    s.clrUsed = 257;  // more colours than 8 bits can index
    EXPECT_TRUE(invalid(s));
    s = good;
    s.bitCount = 4;
    s.clrUsed = 17;
    EXPECT_TRUE(invalid(s));
    s = good;
    s.compression = kBiRle4;  // RLE4 needs 4 bits
    EXPECT_TRUE(invalid(s));
    for (uint32_t c : {4u, 5u, 6u, 99u}) {  // JPEG, PNG, alpha bit fields, unknown
        s = good;
        s.compression = c;
        EXPECT_TRUE(invalid(s)) << c;
    }
    BmpLayout deep = Layout24(Pixels::Pattern(2, 2));
    for (uint16_t bits : {0, 2, 15, 48}) {
        s = deep;
        s.bitCount = bits;
        EXPECT_TRUE(invalid(s)) << bits;
    }
    s = deep;
    s.compression = kBiBitfields;  // bit fields need 16 or 32 bits
    s.masks = {0xFF0000, 0xFF00, 0xFF};
    EXPECT_TRUE(invalid(s));
    s = deep;
    s.compression = kBiRle8;
    EXPECT_TRUE(invalid(s));
    s = LayoutRle8();
    s.height = -3;  // compressed pictures cannot be top-down
    EXPECT_TRUE(invalid(s));

    BmpLayout f;
    f.width = 2;
    f.bitCount = 16;
    f.compression = kBiBitfields;
    f.bits = {0, 0, 0, 0};
    f.masks = {0xF0F0, 0x0F00, 0x000F};  // not contiguous
    EXPECT_TRUE(invalid(f));
    f.masks = {0x1F0000, 0x07E0, 0x001F};  // outside 16 bits
    EXPECT_TRUE(invalid(f));
    f.masks = {0xF800, 0xFFE0, 0x001F};  // red and green overlap
    EXPECT_TRUE(invalid(f));
    f.masks = {0xF800, 0, 0x001F};  // no green at all
    EXPECT_TRUE(invalid(f));

    BmpLayout core;
    core.headerSize = 12;
    core.bitCount = 16;
    core.bits = {0, 0, 0, 0};
    EXPECT_TRUE(invalid(core));
}

TEST(ImageBMPMalformed, HugeDimensionsAreRefusedWithoutAllocating) {
    auto tiny = [](int32_t w, int32_t h, uint16_t bits) {
        BmpLayout s;
        s.width = w;
        s.height = h;
        s.bitCount = bits;
        if (bits <= 8) s.table = {0, 0xFFFFFF};
        if (bits <= 8) s.clrUsed = 2;
        s.bits = std::vector<uint8_t>(64, 0x55);
        return Load(MakeBmp(s)).IsValid();
    };
    EXPECT_FALSE(tiny(40000, 1, 24));                    // one side past 32768
    EXPECT_FALSE(tiny(1, 40000, 1));
    EXPECT_FALSE(tiny(30000, 30000, 1));                 // too many pixels in all
    EXPECT_FALSE(tiny(0x7FFFFFFF, 0x7FFFFFFF, 32));      // width x height x depth past 64 bits of int32s
    EXPECT_FALSE(tiny(1, INT32_MIN, 24));
    EXPECT_FALSE(tiny(-5, 1, 24));
    EXPECT_FALSE(tiny(4000, 4000, 24));                  // sensible size, but the bytes are not there

    BmpLayout rle = LayoutRle8();  // an RLE stream claiming more bytes than the file has
    rle.sizeImage = 0xFFFFFFF0u;
    EXPECT_FALSE(Load(MakeBmp(rle)).IsValid());

    DecodeLimits small;
    small.maxPixels = 10;
    std::vector<uint8_t> file = MakeBmp(Layout24(Pixels::Pattern(4, 4)));
    EXPECT_FALSE(ImageBMP::FromMemory(file.data(), file.size(), small).IsValid());
}

TEST(ImageBMPMalformed, BadOffsets) {
    BmpLayout s = Layout24(Pixels::Pattern(2, 2));
    std::vector<uint8_t> good = MakeBmp(s);
    s.bitsOffset = static_cast<int64_t>(good.size()) + 100;  // past the end
    EXPECT_FALSE(Load(MakeBmp(s)).IsValid());
    s.bitsOffset = 20;  // inside the info header
    EXPECT_FALSE(Load(MakeBmp(s)).IsValid());
    s.bitsOffset = static_cast<int64_t>(good.size()) - 4;  // rows would run past the end
    EXPECT_FALSE(Load(MakeBmp(s)).IsValid());
    s.bitsOffset = 0;  // none given: the bits follow the header
    EXPECT_TRUE(Load(MakeBmp(s)).IsValid());

    BmpLayout p = Layout8();  // a larger offset with the gap present is fine
    p.bits.insert(p.bits.begin(), 6, 0xEE);
    p.bitsOffset = 14 + 40 + 16 + 6;
    EXPECT_EQ(kLayout8Drawn, Drawn(Load(MakeBmp(p))));

    BmpLayout t = Layout8();  // a colour table running past the end of a bare DIB
    t.bFileHeader = false;
    t.clrUsed = 200;
    t.bits.clear();
    EXPECT_FALSE(Load(MakeBmp(t)).IsValid());
}

TEST(ImageBMPMalformed, RunLengthOverruns) {
    auto rle = [](std::vector<uint8_t> stream) {
        BmpLayout s = LayoutRle8();
        s.bits = std::move(stream);
        s.sizeImage = static_cast<uint32_t>(s.bits.size());
        return Load(MakeBmp(s));
    };
    EXPECT_FALSE(rle({0, 5, 1, 2}).IsValid());           // absolute run cut short
    EXPECT_FALSE(rle({0, 2, 7, 0}).IsValid());           // delta past the right edge
    EXPECT_FALSE(rle({0, 2, 0, 3}).IsValid());           // delta past the top
    EXPECT_FALSE(rle({0, 2, 1}).IsValid());              // delta cut short
    EXPECT_FALSE(rle({2, 1, 0}).IsValid());              // a dangling byte
    EXPECT_TRUE(rle({0, 2, 6, 2, 0, 1}).IsValid());      // a delta to the row end is fine
    EXPECT_TRUE(rle({255, 1, 255, 1, 0, 1}).IsValid());  // runs past the row are clipped
    EXPECT_TRUE(rle({0, 0, 0, 0, 0, 0, 0, 0, 9, 9}).IsValid());  // data after the last row is ignored

    ImageBMP clipped = rle({255, 2, 0, 0, 0, 0, 6, 3, 0, 1});
    std::vector<Color> want(18, 0);
    for (int x = 0; x < 6; ++x) {
        want[12 + x] = kGreen;
        want[x] = kBlue;
    }
    EXPECT_EQ(want, Drawn(clipped));
}

}  // namespace
}  // namespace mv
