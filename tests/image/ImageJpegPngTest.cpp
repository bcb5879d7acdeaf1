#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include <jpeglib.h>

#include "image/ImageBMP.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "image/TestPictures.h"
#include "support/AllocationGate.h"
#include "support/TempDir.h"

namespace mv {
namespace {

using test::EncodeJpeg;
using test::EncodePng;
using test::Pixels;

ImageJPEG Jpeg(const std::vector<uint8_t>& b, const DecodeLimits& l = DecodeLimits()) {
    return ImageJPEG::FromMemory(b.data(), b.size(), l);
}
ImagePNG Png(const std::vector<uint8_t>& b, const DecodeLimits& l = DecodeLimits()) {
    return ImagePNG::FromMemory(b.data(), b.size(), l);
}

// Largest difference of any channel between the picture and the pixels.
int MaxError(const Image& img, const Pixels& px) {
    int worst = 0;
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x) {
            const uint8_t* p = &px.data[(static_cast<size_t>(y) * px.width + x) * px.channels];
            Color c = img.Pixel(x, y);
            worst = std::max({worst, std::abs(RedOf(c) - p[0]), std::abs(GreenOf(c) - p[1]),
                              std::abs(BlueOf(c) - p[2])});
        }
    return worst;
}

// Gentle gradients: JPEG keeps them close at high quality.
Pixels Smooth(int w, int h) {
    Pixels p = Pixels::Pattern(w, h);
    for (size_t i = 2; i < p.data.size(); i += 3) p.data[i] = 100;
    return p;
}

void ExpectStandardHeader(const Image& img, int w, int h) {
    ASSERT_TRUE(img.IsValid());
    DibHeader hd = img.Header();
    EXPECT_EQ(40u, hd.biSize);
    EXPECT_EQ(w, hd.biWidth);
    EXPECT_EQ(h, hd.biHeight);
    EXPECT_EQ(1, hd.biPlanes);
    EXPECT_EQ(24, hd.biBitCount);
    EXPECT_EQ(0u, hd.biCompression);
    EXPECT_EQ(Image::BytesPerRow(w, 24) * h, hd.biSizeImage);
    EXPECT_EQ(0u, hd.biClrUsed);
    EXPECT_EQ(40u + hd.biSizeImage, img.Block().size());
    // Padding bytes stay zero.
    for (int y = 0; y < h; ++y)
        for (uint32_t i = 3 * w; i < img.Stride(); ++i) EXPECT_EQ(0, img.Row24(y)[i]);
}

TEST(ImageJPEG, YCbCrAndRgbPicturesLoadAtFullSize) {
    Pixels px = Pixels::Pattern(5, 3);
    for (size_t i = 0; i < px.data.size(); i += 3) {
        px.data[i] = 200;
        px.data[i + 1] = 60;
        px.data[i + 2] = 30;
    }
    ImageJPEG img = Jpeg(EncodeJpeg(px, 100));
    ExpectStandardHeader(img, 5, 3);
    EXPECT_EQ(1, img.RowPadding());
    EXPECT_EQ(16u, img.Stride());
    EXPECT_LE(MaxError(img, px), 3);

    Pixels big = Smooth(64, 48);
    ImageJPEG rgb = Jpeg(EncodeJpeg(big, 100, false, JCS_RGB));
    ExpectStandardHeader(rgb, 64, 48);
    EXPECT_EQ(0, rgb.RowPadding());
    EXPECT_LE(MaxError(rgb, big), 8);

    ImageJPEG progressive = Jpeg(EncodeJpeg(big, 100, true));
    ExpectStandardHeader(progressive, 64, 48);
    EXPECT_LE(MaxError(progressive, big), 12);
}

// Greyscale and CMYK pictures come out as colour: grey as equal channels,
// CMYK through the inks (stored inverted, as Adobe's files and libjpeg's own
// writer have them).
TEST(ImageJPEG, GreyscaleAndCmykPicturesBecomeColour) {
    Pixels grey = Pixels::Pattern(8, 8, 1);
    ImageJPEG g = Jpeg(EncodeJpeg(grey, 100));
    ExpectStandardHeader(g, 8, 8);
    for (int x = 0; x < 8; ++x) {
        const Color c = g.Pixel(x, 3);
        EXPECT_EQ(RedOf(c), GreenOf(c));
        EXPECT_EQ(RedOf(c), BlueOf(c));
        EXPECT_NEAR(RedOf(c), grey.data[3 * 8 + x], 3);
    }
    Pixels cmyk = Pixels::Pattern(32, 32, 4);
    // Smooth inks (YCCK halves the colour resolution), some black everywhere.
    for (size_t i = 0; i < cmyk.data.size(); i += 4) cmyk.data[i + 2] = 90, cmyk.data[i + 3] = 200;
    for (int space : {0, static_cast<int>(JCS_YCCK)}) {
        ImageJPEG c = Jpeg(EncodeJpeg(cmyk, 100, false, space));
        ExpectStandardHeader(c, 32, 32);
        int worst = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const uint8_t* p = &cmyk.data[(y * 32 + x) * 4];
                const Color got = c.Pixel(x, y);
                worst = std::max({worst, std::abs(RedOf(got) - p[0] * p[3] / 255),
                                  std::abs(GreenOf(got) - p[1] * p[3] / 255), std::abs(BlueOf(got) - p[2] * p[3] / 255)});
            }
        EXPECT_LE(worst, 8) << space;
    }
    // Colour pixels stored as greyscale load as grey.
    ImageJPEG stored = Jpeg(EncodeJpeg(Pixels::Pattern(8, 8), 90, false, JCS_GRAYSCALE));
    ASSERT_TRUE(stored.IsValid());
    EXPECT_EQ(RedOf(stored.Pixel(5, 5)), BlueOf(stored.Pixel(5, 5)));
}

TEST(ImageJPEG, ReadsAWindowsStylePath) {
    test::TempDir dir;
    Pixels px = Smooth(9, 7);
    ASSERT_TRUE(test::WriteBytes(dir.File("a.jpg"), EncodeJpeg(px, 100)));
    ImageJPEG img(dir.Path() + "\\a.jpg");
    ExpectStandardHeader(img, 9, 7);
    EXPECT_EQ(1, img.RowPadding());
    EXPECT_FALSE(ImageJPEG(dir.File("none.jpg")).IsValid());
}

TEST(ImageJPEGMalformed, TruncatedGarbageAndOversizedFilesAreInvalid) {
    std::vector<uint8_t> good = EncodeJpeg(Pixels::Pattern(40, 40), 90);
    ASSERT_TRUE(Jpeg(good).IsValid());
    for (size_t n = 0; n + 64 < good.size(); n += 7) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Jpeg(cut).IsValid()) << n;
    }
    // Only the end-of-image marker missing: the picture is all there.
    std::vector<uint8_t> noEnd(good.begin(), good.end() - 2);
    EXPECT_TRUE(Jpeg(noEnd).IsValid());

    std::vector<uint8_t> progressive = EncodeJpeg(Pixels::Pattern(40, 40), 90, true);
    std::vector<uint8_t> cutProgressive(progressive.begin(), progressive.begin() + progressive.size() / 2);
    EXPECT_FALSE(Jpeg(cutProgressive).IsValid());

    std::vector<uint8_t> garbage(500);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    EXPECT_FALSE(Jpeg(garbage).IsValid());
    EXPECT_FALSE(Jpeg({}).IsValid());

    DecodeLimits small;
    small.maxPixels = 1000;
    EXPECT_FALSE(Jpeg(good, small).IsValid());
    small = DecodeLimits();
    small.maxSide = 39;
    EXPECT_FALSE(Jpeg(good, small).IsValid());

    // A progressive picture needs whole-picture buffers inside the library.
    std::vector<uint8_t> bigProgressive = EncodeJpeg(Pixels::Pattern(512, 512), 80, true);
    DecodeLimits tight;
    tight.maxLibraryMemory = 256 * 1024;
    EXPECT_FALSE(Jpeg(bigProgressive, tight).IsValid());
    EXPECT_TRUE(Jpeg(bigProgressive).IsValid());

    // The frame header claims 60000 x 60000: refused before anything is allocated.
    std::vector<uint8_t> huge = good;
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 7] = 0xEA;
            huge[i + 6] = huge[i + 8] = 0x60;
            break;
        }
    EXPECT_FALSE(Jpeg(huge).IsValid());
}

TEST(ImagePNG, TruecolourPicturesLoad) {
    Pixels px = Pixels::Pattern(5, 4);
    ImagePNG img = Png(EncodePng(px, 2));
    ExpectStandardHeader(img, 5, 4);
    EXPECT_EQ(0, MaxError(img, px));
    EXPECT_EQ(0, img.RowPadding());

    ImagePNG deep = Png(EncodePng(px, 2, 16));  // 16 bits per channel: the high byte
    ExpectStandardHeader(deep, 5, 4);
    EXPECT_EQ(0, MaxError(deep, px));

    ImagePNG opaque = Png(EncodePng(Pixels::Pattern(5, 4, 4), 6));
    ExpectStandardHeader(opaque, 5, 4);
    EXPECT_EQ(0, MaxError(opaque, px));
}

TEST(ImagePNG, TransparencyIsFlattenedOntoTheBackground) {
    Pixels px = Pixels::Pattern(4, 2, 4);
    for (int x = 0; x < 4; ++x) px.data[4 * x + 3] = 0;  // top row transparent
    for (int depth : {8, 16}) {
        ImagePNG img = Png(EncodePng(px, 6, depth));
        ASSERT_TRUE(img.IsValid()) << depth;
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(MakeRGB(31, 127, 255), img.Pixel(x, 0)) << depth;
            const uint8_t* p = &px.data[4 * (4 + x)];
            EXPECT_EQ(MakeRGB(p[0], p[1], p[2]), img.Pixel(x, 1)) << depth;
        }
    }
    Pixels half = Pixels::Pattern(1, 1, 4);
    half.data = {255, 255, 255, 128};
    Color c = Png(EncodePng(half, 6)).Pixel(0, 0);
    EXPECT_NEAR(143, RedOf(c), 2);
    EXPECT_NEAR(191, GreenOf(c), 2);
    EXPECT_EQ(255, BlueOf(c));
}

TEST(ImagePNG, InterlacedMatchesItsNonInterlacedTwin) {
    for (int channels : {3, 4}) {
        Pixels px = Pixels::Pattern(13, 11, channels);
        ImagePNG plain = Png(EncodePng(px, channels == 3 ? 2 : 6, 8, false));
        ImagePNG laced = Png(EncodePng(px, channels == 3 ? 2 : 6, 8, true));
        ASSERT_TRUE(plain.IsValid());
        ASSERT_TRUE(laced.IsValid());
        EXPECT_EQ(plain.Block(), laced.Block());
    }
}

// Palette and greyscale pictures of every depth come out as their colours;
// transparent ones on the background, as RGBA pictures are.
TEST(ImagePNG, PaletteAndGreyPicturesOfEveryDepthBecomeColour) {
    Pixels px = Pixels::Pattern(6, 6, 4);
    const Color kPalette[4] = {0, MakeRGB(255, 0, 0), MakeRGB(0, 255, 0), MakeRGB(0, 0, 255)};
    for (bool bLaced : {false, true}) {
        ImagePNG palette = Png(EncodePng(px, 3, 8, bLaced));
        ExpectStandardHeader(palette, 6, 6);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(palette.Pixel(x, 2), kPalette[px.data[(2 * 6 + x) * 4] & 3]);
    }
    for (auto [type, depth] : {std::pair{0, 8}, {0, 16}, {4, 8}, {4, 16}}) {
        ImagePNG grey = Png(EncodePng(px, type, depth));
        ExpectStandardHeader(grey, 6, 6);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(grey.Pixel(x, 4), MakeRGB(px.data[(4 * 6 + x) * 4], px.data[(4 * 6 + x) * 4], px.data[(4 * 6 + x) * 4])) << type << "/" << depth;
    }
    // Grey with alpha: a fully transparent pixel shows the background.
    Pixels clear = Pixels::Pattern(4, 4, 4);
    clear.data[3] = 0;
    EXPECT_EQ(Png(EncodePng(clear, 4)).Pixel(0, 0), ImagePNG::kBackground);
}

TEST(ImagePNG, ReadsAWindowsStylePath) {
    test::TempDir dir;
    Pixels px = Pixels::Pattern(3, 3);
    ASSERT_TRUE(test::WriteBytes(dir.File("p.png"), EncodePng(px, 2)));
    ImagePNG img(dir.Path() + "\\p.png");
    ExpectStandardHeader(img, 3, 3);
    EXPECT_EQ(0, MaxError(img, px));
    EXPECT_FALSE(ImagePNG(dir.File("none.png")).IsValid());
}

TEST(ImagePNGMalformed, TruncatedDamagedAndOversizedFilesAreInvalid) {
    std::vector<uint8_t> good = EncodePng(Pixels::Pattern(30, 30), 2);
    ASSERT_TRUE(Png(good).IsValid());
    // Up to the end of the pixel data every cut is fatal; the last 12 bytes are IEND.
    for (size_t n = 0; n + 12 < good.size(); n += 5) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(Png(cut).IsValid()) << n;
    }
    std::vector<uint8_t> noEnd(good.begin(), good.end() - 12);
    EXPECT_TRUE(Png(noEnd).IsValid());

    std::vector<uint8_t> badCrc = good;
    badCrc[good.size() - 20] ^= 0x55;  // inside the image data
    EXPECT_FALSE(Png(badCrc).IsValid());

    std::vector<uint8_t> notPng = good;
    notPng[1] = 'Q';
    EXPECT_FALSE(Png(notPng).IsValid());

    DecodeLimits small;
    small.maxSide = 29;
    EXPECT_FALSE(Png(good, small).IsValid());
    small = DecodeLimits();
    small.maxPixels = 899;
    EXPECT_FALSE(Png(good, small).IsValid());

    // A header claiming 30000 x 30000.
    std::vector<uint8_t> huge = good;
    huge[16] = 0;
    huge[17] = 0;
    huge[18] = 0x75;
    huge[19] = 0x30;
    huge[20] = 0;
    huge[21] = 0;
    huge[22] = 0x75;
    huge[23] = 0x30;
    EXPECT_FALSE(Png(huge).IsValid());

    for (size_t i = 8; i < good.size(); i += 3) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0xA5;
        ImagePNG img = Png(bad);  // whatever the outcome, no crash or leak
        if (img.IsValid()) {
            EXPECT_EQ(30, img.Width());
        }
    }
}

size_t OpenFiles() {
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd"); it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

TEST(ImageDecoders, EveryFileIsClosedWhateverTheOutcome) {
    test::TempDir dir;
    std::vector<uint8_t> jpeg = EncodeJpeg(Smooth(16, 16));
    std::vector<uint8_t> png = EncodePng(Pixels::Pattern(16, 16), 2);
    ASSERT_TRUE(test::WriteBytes(dir.File("good.jpg"), jpeg));
    ASSERT_TRUE(test::WriteBytes(dir.File("cut.jpg"), std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 300)));
    ASSERT_TRUE(test::WriteBytes(dir.File("grey.jpg"), EncodeJpeg(Pixels::Pattern(8, 8, 1))));
    ASSERT_TRUE(test::WriteBytes(dir.File("good.png"), png));
    ASSERT_TRUE(test::WriteBytes(dir.File("cut.png"), std::vector<uint8_t>(png.begin(), png.begin() + 60)));
    ASSERT_TRUE(test::WriteBytes(dir.File("palette.png"), EncodePng(Pixels::Pattern(8, 8), 3)));
    ASSERT_TRUE(test::WriteBytes(dir.File("junk.bmp"), std::vector<uint8_t>(100, 'B')));
    Image::Create24(3, 3).Save(dir.File("good.bmp"));

    const size_t before = OpenFiles();
    EXPECT_TRUE(ImageJPEG(dir.File("good.jpg")).IsValid());
    EXPECT_FALSE(ImageJPEG(dir.File("cut.jpg")).IsValid());
    EXPECT_TRUE(ImageJPEG(dir.File("grey.jpg")).IsValid());
    EXPECT_TRUE(ImagePNG(dir.File("good.png")).IsValid());
    EXPECT_FALSE(ImagePNG(dir.File("cut.png")).IsValid());
    EXPECT_TRUE(ImagePNG(dir.File("palette.png")).IsValid());
    EXPECT_TRUE(ImageBMP(dir.File("good.bmp")).IsValid());
    EXPECT_FALSE(ImageBMP(dir.File("junk.bmp")).IsValid());
    EXPECT_EQ(before, OpenFiles());
}

}  // namespace

// No memory for the pixels: the picture is invalid and the library's working
// memory is released (the leak checker fails this test otherwise).
TEST(DecoderMemory, RefusedPixelBlockLeavesNothingBehind) {
    const Pixels big = Pixels::Pattern(2000, 2000);
    const std::vector<uint8_t> progressive = EncodeJpeg(big, 90, true);
    const std::vector<uint8_t> png = EncodePng(big, 2);
    {
        test::RefuseLargeAllocations gate(8u << 20);  // the 12 MB pixel block is refused
        EXPECT_FALSE(Jpeg(progressive).IsValid());
        EXPECT_FALSE(Png(png).IsValid());
    }
    EXPECT_TRUE(Jpeg(progressive).IsValid());

    // Writing a picture asks for no memory once the file is open.
    test::TempDir dir;
    Image screen = Image::Create24(1024, 768);
    {
        test::RefuseLargeAllocations gate(64u << 10);
        EXPECT_TRUE(screen.Save(dir.File("out.bmp")));
    }
    EXPECT_EQ(dir.ReadFile("out.bmp").size(), 2359350u);
}

}  // namespace mv
