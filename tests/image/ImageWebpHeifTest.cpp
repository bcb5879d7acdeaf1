// The WebP and HEIF decoders against ImageMagick's decode of the same files,
// made here with cwebp, img2webp, webpmux and heif-enc (and put together into
// grids and turned pictures with HeifFiles), and against broken files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/ByteSource.h"
#include "image/DibDraw.h"
#include "image/HeifContainer.h"
#include "image/HeifFiles.h"
#include "image/ImageBMP.h"
#include "image/ImageHEIF.h"
#include "image/ImagePNG.h"
#include "image/ImageWebP.h"
#include "image/PictureFile.h"
#include "image/Resample.h"
#include "image/TestPictures.h"
#include "support/TempDir.h"

namespace mv {
namespace {

using test::Pixels;

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }
bool Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

// ImageMagick's decode of a file, with its options, as a 24-bit picture.
Image Reference(const test::TempDir& dir, const std::string& in, const std::string& options = "") {
    const std::string out = dir.File("reference.bmp");
    if (!Shell("convert '" + in + "' " + options + " -alpha off -type TrueColor BMP3:'" + out + "'")) return Image();
    return DrawTo24(ImageBMP(out));
}

// libheif's own decode (heif-convert), as a 24-bit picture.
Image Libheif(const test::TempDir& dir, const std::string& in) {
    const std::string png = dir.File("libheif.png");
    return Shell("heif-convert '" + in + "' '" + png + "'") ? Reference(dir, png) : Image();
}

double Psnr(const Image& a, const Image& b) {
    if (!a.IsValid() || !b.IsValid() || a.Width() != b.Width() || a.Height() != b.Height()) return 0;
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < 3 * a.Width(); ++x) {
            const double d = double(a.Row24(y)[x]) - b.Row24(y)[x];
            sum += d * d;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

Image FromPixels(const Pixels& px) {
    Image img = Image::Create24(px.width, px.height);
    for (int y = 0; y < px.height; ++y)
        for (int x = 0; x < px.width; ++x) {
            const uint8_t* p = &px.data[(size_t(y) * px.width + x) * px.channels];
            img.SetPixel(x, y, MakeRGB(p[0], p[1], p[2]));
        }
    return img;
}

std::vector<uint8_t> Read(const std::string& path) {
    FileSource f(path);
    std::vector<uint8_t> bytes(static_cast<size_t>(f.Size()));
    return f.ReadAt(0, bytes.data(), bytes.size()) ? bytes : std::vector<uint8_t>();
}

// The file decoded whole and resized (through the table of decoders, as
// the program does) against ImageMagick, both at least minPsnr.
template <class Decoder>
void ExpectLikeImageMagick(const test::TempDir& dir, const std::string& path, int w, int h,
                           const std::string& options = "", const std::string& referenceInput = "") {
    const double minPsnr = 35;
    SCOPED_TRACE(path);
    FileSource file(path);
    const PictureDecoder* decoder = DecoderFor(SniffFormat(file));
    ASSERT_NE(decoder, nullptr);
    int sw = 0, sh = 0;
    ASSERT_TRUE(decoder->readSize(file, sw, sh, DecodeLimits()));
    const std::string input = referenceInput.empty() ? path : referenceInput;
    const Image reference = Reference(dir, input, options);
    ASSERT_TRUE(reference.IsValid());
    EXPECT_EQ(sw, reference.Width());
    EXPECT_EQ(sh, reference.Height());
    const Decoder whole(path);
    EXPECT_GE(Psnr(whole, reference), minPsnr);
    EXPECT_GE(Psnr(*DecodePictureFile(path), reference), minPsnr);
    Color average = 0;
    const Image small = decoder->decodeResized(file, w, h, &average, DecodeLimits());
    const Image smallReference =
        Reference(dir, input, options + " -filter Triangle -resize " + std::to_string(w) + "x" + std::to_string(h) + "!");
    EXPECT_GE(Psnr(small, smallReference), minPsnr);
    EXPECT_EQ(average, small.AverageColor());
}

// Every cut of the file and the file with bytes changed give invalid pictures
// or well-formed ones, never a crash; cuts inside the pixels give invalid ones.
template <class Decoder>
void ExpectCutsInvalid(const std::vector<uint8_t>& good, size_t pixelsFrom) {
    for (size_t n = 0; n + 16 < good.size(); n += std::max<size_t>(1, good.size() / 23)) {
        SCOPED_TRACE(n);
        MemorySource cut(good.data(), n);
        Color average = 0;
        const Image small = Decoder::DecodeResized(cut, 40, 30, &average);
        const Decoder whole = Decoder::FromMemory(good.data(), n);
        if (n >= pixelsFrom) {
            EXPECT_FALSE(small.IsValid());
            EXPECT_FALSE(whole.IsValid());
        }
    }
}

TEST(ImageWebP, LossyLosslessTransparentAndAnimatedPicturesDecodeLikeImageMagick) {
    if (!Have("cwebp") || !Have("convert") || !Have("img2webp") || !Have("webpmux"))
        GTEST_SKIP() << "cwebp, img2webp, webpmux or convert missing";
    test::TempDir dir;
    const Pixels photo = test::PhotoLike(600, 400, 11);
    ASSERT_TRUE(test::WriteBytes(dir.File("photo.png"), test::EncodePng(photo, 2)));
    ASSERT_TRUE(Shell("cwebp -q 90 " + dir.File("photo.png") + " -o " + dir.File("lossy.webp")));
    ExpectLikeImageMagick<ImageWebP>(dir, dir.File("lossy.webp"), 250, 170);

    // Transparent on the left, half so in the middle: composited onto the
    // program's background, as ImageMagick flattens it.
    Pixels rgba = test::PhotoLike(300, 200, 12, 4);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) rgba.data[(size_t(y) * 300 + x) * 4 + 3] = x < 100 ? 0 : 128;
    ASSERT_TRUE(test::WriteBytes(dir.File("alpha.png"), test::EncodePng(rgba, 6)));
    ASSERT_TRUE(Shell("cwebp -lossless -exact " + dir.File("alpha.png") + " -o " + dir.File("alpha.webp")));
    ExpectLikeImageMagick<ImageWebP>(dir, dir.File("alpha.webp"), 120, 90, "-background 'rgb(31,127,255)' -flatten");
    const ImageWebP alpha(dir.File("alpha.webp"));
    EXPECT_EQ(alpha.Pixel(10, 10), ImagePNG::kBackground);

    // An animation shows its first frame on its canvas: the frame at
    // (10, 20), the rest of the canvas the background.
    ASSERT_TRUE(test::WriteBytes(dir.File("a.png"), test::EncodePng(test::Crop(photo, 0, 0, 160, 120), 2)));
    ASSERT_TRUE(test::WriteBytes(dir.File("b.png"), test::EncodePng(test::Crop(photo, 100, 100, 200, 150), 2)));
    ASSERT_TRUE(Shell("cwebp -lossless " + dir.File("a.png") + " -o " + dir.File("a.webp")));
    ASSERT_TRUE(Shell("cwebp -lossless " + dir.File("b.png") + " -o " + dir.File("b.webp")));
    ASSERT_TRUE(Shell("webpmux -frame " + dir.File("a.webp") + " +100+10+20 -frame " + dir.File("b.webp") +
                    " +100+0+0 -loop 0 -o " + dir.File("anim.webp")));
    const ImageWebP anim(dir.File("anim.webp"));
    ASSERT_TRUE(anim.IsValid());
    ASSERT_EQ(anim.Width(), 200);
    ASSERT_EQ(anim.Height(), 150);
    EXPECT_EQ(anim.Pixel(5, 5), ImagePNG::kBackground);
    EXPECT_EQ(anim.Pixel(10 + 37, 20 + 41), FromPixels(photo).Pixel(37, 41));
    FileSource animFile(dir.File("anim.webp"));
    Color average = 0;
    const Image animSmall = ImageWebP::DecodeResized(animFile, 100, 75, &average);
    EXPECT_GE(Psnr(animSmall, Resample24(anim, 100, 75)), 35);
    // A frame covering its canvas (img2webp's first) goes through the scaled decode.
    ASSERT_TRUE(Shell("img2webp -lossy -q 90 " + dir.File("photo.png") + " " + dir.File("photo.png") + " -o " +
                    dir.File("full.webp")));
    FileSource fullFile(dir.File("full.webp"));
    EXPECT_GE(Psnr(ImageWebP::DecodeResized(fullFile, 300, 200, &average),
                   Reference(dir, dir.File("lossy.webp"), "-filter Triangle -resize 300x200!")),
              35);
}

TEST(ImageWebP, TruncatedLyingAndOversizedFilesAreInvalid) {
    if (!Have("cwebp")) GTEST_SKIP() << "cwebp missing";
    test::TempDir dir;
    ASSERT_TRUE(test::WriteBytes(dir.File("p.png"), test::EncodePng(test::PhotoLike(160, 120, 5), 2)));
    ASSERT_TRUE(Shell("cwebp -q 80 " + dir.File("p.png") + " -o " + dir.File("p.webp")));
    ASSERT_TRUE(Shell("cwebp -lossless " + dir.File("p.png") + " -o " + dir.File("l.webp")));
    for (const char* name : {"p.webp", "l.webp"}) {
        const std::vector<uint8_t> good = Read(dir.File(name));
        ASSERT_TRUE(ImageWebP::FromMemory(good.data(), good.size()).IsValid());
        ExpectCutsInvalid<ImageWebP>(good, 40);
    }
    std::vector<uint8_t> lossy = Read(dir.File("p.webp"));
    // The frame header claims 16383 x 16383: the data cannot fill it.
    std::vector<uint8_t> lying = lossy;
    ASSERT_EQ(lying[23], 0x9D);
    lying[26] = lying[28] = 0xFF;
    lying[27] = lying[29] = 0x3F;
    MemorySource lyingSource(lying.data(), lying.size());
    Color average = 0;
    EXPECT_FALSE(ImageWebP::FromMemory(lying.data(), lying.size()).IsValid());
    EXPECT_FALSE(ImageWebP::DecodeResized(lyingSource, 64, 48, &average).IsValid());
    // Over the limits: refused from the headers alone.
    DecodeLimits small;
    small.maxPixels = 160 * 120 - 1;
    MemorySource source(lossy.data(), lossy.size());
    int w = 0, h = 0;
    EXPECT_TRUE(ImageWebP::ReadSize(source, w, h));
    EXPECT_EQ(w * 1000 + h, 160120);
    EXPECT_FALSE(ImageWebP::ReadSize(source, w, h, small));
    EXPECT_FALSE(ImageWebP::FromMemory(lossy.data(), lossy.size(), small).IsValid());
    EXPECT_FALSE(ImageWebP::DecodeResized(source, 64, 48, &average, small).IsValid());
    // ...without reading the whole file into memory first.
    struct CountingSource final : ByteSource {
        MemorySource inner;
        uint64_t most = 0;
        CountingSource(const uint8_t* d, size_t n) : inner(d, n) {}
        bool IsOpen() const override { return true; }
        uint64_t Size() const override { return inner.Size(); }
        size_t ReadSome(uint64_t offset, void* dst, size_t n) override {
            most = std::max<uint64_t>(most, n);
            return inner.ReadSome(offset, dst, n);
        }
    } counting(lossy.data(), lossy.size());
    EXPECT_FALSE(ImageWebP::FromSource(counting, small).IsValid());
    EXPECT_FALSE(ImageWebP::DecodeResized(counting, 64, 48, &average, small).IsValid());
    EXPECT_LT(counting.most, lossy.size() / 2);
    small = DecodeLimits();
    small.maxLibraryMemory = lossy.size() - 1;
    EXPECT_FALSE(ImageWebP::FromMemory(lossy.data(), lossy.size(), small).IsValid());
    // The RIFF header promises more than there is.
    std::vector<uint8_t> promising = lossy;
    const uint32_t riff = static_cast<uint32_t>(lossy.size() + 1000);
    for (int i = 0; i < 4; ++i) promising[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
    EXPECT_FALSE(ImageWebP::FromMemory(promising.data(), promising.size()).IsValid());
}

// libwebp holds a lossless picture whole as 32-bit pixels, whatever size it
// is decoded to: 12000 x 9000 would take 432 MB of it, so it is refused,
// whole and to a size, before anything is decoded; 4000 x 3000 (48 MB) shows.
TEST(ImageWebP, LargeLosslessPicturesAreRefusedBeforeDecoding) {
    const std::vector<uint8_t> big = test::FlatLosslessWebp(12000, 9000, 200, 100, 50);
    MemorySource bigSource(big.data(), big.size());
    int w = 0, h = 0;
    ASSERT_TRUE(ImageWebP::ReadSize(bigSource, w, h));
    EXPECT_EQ(w * 100000 + h, 12000 * 100000 + 9000);
    Color average = 0;
    EXPECT_FALSE(ImageWebP::DecodeResized(bigSource, 1024, 768, &average).IsValid());
    EXPECT_FALSE(ImageWebP::FromMemory(big.data(), big.size()).IsValid());

    const std::vector<uint8_t> fine = test::FlatLosslessWebp(4000, 3000, 200, 100, 50);
    MemorySource fineSource(fine.data(), fine.size());
    const Image small = ImageWebP::DecodeResized(fineSource, 400, 300, &average);
    ASSERT_TRUE(small.IsValid());
    EXPECT_EQ(small.Pixel(399, 299), MakeRGB(200, 100, 50));
    EXPECT_EQ(average, MakeRGB(200, 100, 50));
    const ImageWebP whole = ImageWebP::FromMemory(fine.data(), fine.size());
    ASSERT_TRUE(whole.IsValid());
    EXPECT_EQ(whole.Pixel(3999, 0), MakeRGB(200, 100, 50));
}

TEST(ImageHEIF, HeicAvifDeepGridTurnedAndTransparentPicturesDecodeLikeImageMagick) {
    if (!Have("heif-enc") || !Have("heif-convert") || !Have("convert"))
        GTEST_SKIP() << "heif-enc, heif-convert or convert missing";
    test::TempDir dir;
    const Pixels photo = test::PhotoLike(500, 380, 21);
    ASSERT_TRUE(test::WriteBytes(dir.File("photo.png"), test::EncodePng(photo, 2)));
    ASSERT_TRUE(test::WriteBytes(dir.File("photo16.png"), test::EncodePng(photo, 2, 16)));
    const std::string png = dir.File("photo.png"), png16 = dir.File("photo16.png");
    struct Made {
        const char* name;
        std::string options;
        std::string input;
    };
    // 8-bit and 10-bit HEVC, 8-bit and 12-bit AV1.
    for (const Made& m : {Made{"p8.heic", "-q 90", png}, Made{"p10.heic", "-q 90 -b 10", png16},
                          Made{"p8.avif", "-A -q 80", png}, Made{"p12.avif", "-A -q 80 -b 12", png16}}) {
        const std::string path = dir.File(m.name);
        ASSERT_TRUE(Shell("heif-enc " + m.options + " -o " + path + " " + m.input)) << m.name;
        ExpectLikeImageMagick<ImageHEIF>(dir, path, 300, 200);
        EXPECT_GE(Psnr(ImageHEIF(path), FromPixels(photo)), 35) << m.name;
        // 8-bit pictures convert exactly as libheif converts them.
        if (m.input == png) {
            EXPECT_EQ(Psnr(ImageHEIF(path), Libheif(dir, path)), 99) << m.name;
        }
    }

    // Colour descriptions that heif-enc does not write, in an 'nclx' box on the
    // same coded pictures: BT.709 in limited range, coefficients derived from
    // BT.2020 primaries, the identity matrix in limited range. They convert
    // exactly as libheif converts them.
    for (const char* name : {"p8.heic", "p8.avif"})
        for (const auto& nclx : {test::NclxBox(1, 1, 1, false), test::NclxBox(9, 16, 12, true),
                                 test::NclxBox(2, 2, 0, false)}) {
            test::HeifLayout described;
            described.tiles.resize(1);
            ASSERT_TRUE(test::SplitHeif(Read(dir.File(name)), described.tiles[0]));
            described.tiles[0].extra = {nclx};
            const std::string path = dir.File(std::string("described-") + name);
            ASSERT_TRUE(test::WriteBytes(path, test::WriteHeif(described)));
            EXPECT_EQ(Psnr(ImageHEIF(path), Libheif(dir, path)), 99) << name << " matrix " << int(nclx[17]);
        }

    // A grid of 256 x 256 tiles cut to 500 x 380, as phones store photographs,
    // then the same grid and a single picture turned and mirrored.
    test::HeifLayout grid;
    grid.bGrid = true;
    grid.columns = 2, grid.rows = 2, grid.width = 500, grid.height = 380;
    // Edge tiles are coded at the full tile size too, the rest cut off.
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c) {
            const Pixels part = test::Crop(photo, c * 256, r * 256, 256, 256);
            Pixels tile = test::PhotoLike(256, 256, 99);
            for (int y = 0; y < part.height; ++y)
                std::copy_n(&part.data[size_t(y) * part.width * 3], part.width * 3, &tile.data[size_t(y) * 256 * 3]);
            ASSERT_TRUE(test::WriteBytes(dir.File("tile.png"), test::EncodePng(tile, 2)));
            ASSERT_TRUE(Shell("heif-enc -q 90 -o " + dir.File("tile.heic") + " " + dir.File("tile.png")));
            grid.tiles.emplace_back();
            ASSERT_TRUE(test::SplitHeif(Read(dir.File("tile.heic")), grid.tiles.back()));
        }
    ASSERT_TRUE(test::WriteBytes(dir.File("grid.heic"), test::WriteHeif(grid)));
    ExpectLikeImageMagick<ImageHEIF>(dir, dir.File("grid.heic"), 300, 200);
    EXPECT_GE(Psnr(ImageHEIF(dir.File("grid.heic")), FromPixels(photo)), 35);
    grid.transforms = {test::IrotBox(3), test::ImirBox(true)};
    ASSERT_TRUE(test::WriteBytes(dir.File("turned-grid.heic"), test::WriteHeif(grid)));
    ExpectLikeImageMagick<ImageHEIF>(dir, dir.File("turned-grid.heic"), 200, 300);
    EXPECT_EQ(Psnr(ImageHEIF(dir.File("turned-grid.heic")), Libheif(dir, dir.File("turned-grid.heic"))), 99);

    test::HeifLayout single;
    single.tiles.resize(1);
    ASSERT_TRUE(test::SplitHeif(Read(dir.File("p8.heic")), single.tiles[0]));
    single.transforms = {test::IrotBox(1)};
    ASSERT_TRUE(test::WriteBytes(dir.File("turned.heic"), test::WriteHeif(single)));
    ExpectLikeImageMagick<ImageHEIF>(dir, dir.File("turned.heic"), 200, 300);
    EXPECT_EQ(Psnr(ImageHEIF(dir.File("turned.heic")), Libheif(dir, dir.File("turned.heic"))), 99);
    const ImageHEIF turned(dir.File("turned.heic"));
    ASSERT_EQ(turned.Width(), 380);
    // A quarter turn anticlockwise: the top right corner comes to the top left.
    EXPECT_LT(std::abs(RedOf(turned.Pixel(0, 0)) - photo.data[499 * 3]), 12);

    // A clean aperture is cut from the stored picture before it is turned:
    // 300 x 200 centred 40 left and 20 below the centre of the 500 x 380
    // picture (its left edge at 249.5 - 40 - 149.5 = 60, its top at
    // 189.5 + 20 - 99.5 = 110), then a quarter turn anticlockwise.
    for (const char* name : {"p8.heic", "p8.avif"}) {
        test::HeifLayout cut;
        cut.tiles.resize(1);
        ASSERT_TRUE(test::SplitHeif(Read(dir.File(name)), cut.tiles[0]));
        cut.transforms = {test::ClapBox(300, 200, -40, 20), test::IrotBox(1)};
        const std::string path = dir.File(std::string("cut-") + name);
        ASSERT_TRUE(test::WriteBytes(path, test::WriteHeif(cut)));
        ExpectLikeImageMagick<ImageHEIF>(dir, path, 100, 150);
        const ImageHEIF shown(path);
        ASSERT_EQ(shown.Width() * 1000 + shown.Height(), 200300) << name;
        Pixels expected;
        expected.width = 200, expected.height = 300, expected.channels = 3;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 200; ++x) {
                // Upright (x, y) shows the cut's (299 - y, x), that is the photo's (60 + 299 - y, 110 + x).
                const uint8_t* p = &photo.data[(size_t(110 + x) * 500 + (359 - y)) * 3];
                expected.data.insert(expected.data.end(), p, p + 3);
            }
        EXPECT_GE(Psnr(shown, FromPixels(expected)), 35) << name;
    }

    // A transparency layer is left out: the colour shows as it is stored,
    // opaque, where it is fully transparent too.
    Pixels rgba = test::PhotoLike(320, 240, 22, 4);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 160; ++x) rgba.data[(size_t(y) * 320 + x) * 4 + 3] = x < 80 ? 0 : 160;
    ASSERT_TRUE(test::WriteBytes(dir.File("alpha.png"), test::EncodePng(rgba, 6)));
    ASSERT_TRUE(Shell("heif-enc -q 90 -o " + dir.File("alpha.heic") + " " + dir.File("alpha.png")));
    const ImageHEIF alpha(dir.File("alpha.heic"));
    EXPECT_GE(Psnr(alpha, FromPixels(rgba)), 35);
    ExpectLikeImageMagick<ImageHEIF>(dir, dir.File("alpha.heic"), 160, 120);
}

// A 64 x 64 picture by its 'ispe' whose own stream says 16000 x 16000: the
// codec would allocate by the stream. Refused before any codec sees it, on
// every route, with a clean aperture or without.
TEST(ImageHEIF, StreamsLargerThanTheirBoxesSayAreRefused) {
    if (!Have("heif-enc")) GTEST_SKIP() << "heif-enc missing";
    test::TempDir dir;
    ASSERT_TRUE(test::WriteBytes(dir.File("p.png"), test::EncodePng(test::PhotoLike(64, 64, 5), 2)));
    for (const char* options : {"-q 80", "-A -q 80"}) {
        SCOPED_TRACE(options);
        ASSERT_TRUE(Shell(std::string("heif-enc ") + options + " -o " + dir.File("p.heif") + " " + dir.File("p.png")));
        test::CodedPicture coded;
        ASSERT_TRUE(test::SplitHeif(Read(dir.File("p.heif")), coded));
        test::HeifLayout honest;
        honest.tiles = {coded};
        honest.transforms = {test::ClapBox(48, 40, 0, 0)};
        const std::vector<uint8_t> fine = test::WriteHeif(honest);
        const ImageHEIF cut = ImageHEIF::FromMemory(fine.data(), fine.size());
        EXPECT_EQ(cut.Width() * 1000 + cut.Height(), 48040);
        ASSERT_TRUE(test::WithCodedSize(coded, 16000, 16000));
        for (bool bClap : {false, true}) {
            SCOPED_TRACE(bClap);
            test::HeifLayout hostile;
            hostile.tiles = {coded};
            if (bClap) hostile.transforms = {test::ClapBox(48, 40, 0, 0)};
            const std::vector<uint8_t> file = test::WriteHeif(hostile);
            EXPECT_FALSE(ImageHEIF::FromMemory(file.data(), file.size()).IsValid());
            MemorySource src(file.data(), file.size());
            Color average = 0;
            EXPECT_FALSE(ImageHEIF::DecodeResized(src, 32, 32, &average).IsValid());
            ASSERT_TRUE(test::WriteBytes(dir.File("hostile.heif"), file));
            const std::unique_ptr<Image> shown = DecodePictureFile(dir.File("hostile.heif"));
            EXPECT_FALSE(shown && shown->IsValid());
        }
    }
}

// The sizes in AV1 sequence headers made by hand, bit by bit.
TEST(ImageHEIF, Av1SequenceHeaderSizes) {
    uint32_t w = 0, h = 0;
    // Reduced still-picture header: profile 0, still, reduced, level 0; then
    // 16-bit sides 16000 x 9000 (15999 = 0x3E7F, 8999 = 0x2327).
    const uint8_t reduced[] = {0x18, 0x3F, 0xCF, 0x9F, 0xC8, 0xC9, 0xC0};
    ASSERT_TRUE(ReadAv1SequenceSize(reduced, sizeof reduced, w, h));
    EXPECT_EQ(w * 100000 + h, 16000u * 100000 + 9000);
    // Full header: profile 0, not still, not reduced, no timing info, no
    // display delay, one operating point (idc 0, level 8, tier 1); then
    // 11-bit sides 1920 x 1080.
    // 000 0 0 0 0 00000 000000000000 01000 1 | 1010 1010 | 11101111111 10000110111
    const uint8_t full[] = {0x00, 0x00, 0x00, 0x46, 0xAB, 0xBF, 0xC3, 0x70};
    ASSERT_TRUE(ReadAv1SequenceSize(full, sizeof full, w, h));
    EXPECT_EQ(w * 10000 + h, 1920u * 10000 + 1080);
    EXPECT_FALSE(ReadAv1SequenceSize(full, 4, w, h));
}

TEST(ImageHEIF, TruncatedLyingAndOversizedFilesAreInvalid) {
    if (!Have("heif-enc")) GTEST_SKIP() << "heif-enc missing";
    test::TempDir dir;
    ASSERT_TRUE(test::WriteBytes(dir.File("p.png"), test::EncodePng(test::PhotoLike(96, 64, 3), 2)));
    ASSERT_TRUE(Shell("heif-enc -q 80 -o " + dir.File("p.heic") + " " + dir.File("p.png")));
    test::CodedPicture coded;
    ASSERT_TRUE(test::SplitHeif(Read(dir.File("p.heic")), coded));
    test::HeifLayout one;
    one.tiles = {coded};
    const std::vector<uint8_t> good = test::WriteHeif(one);
    ASSERT_TRUE(ImageHEIF::FromMemory(good.data(), good.size()).IsValid());
    ExpectCutsInvalid<ImageHEIF>(good, good.size() - coded.data.size());

    test::HeifLayout grid;
    grid.bGrid = true;
    grid.columns = 2, grid.width = 190, grid.height = 64;
    grid.tiles = {coded, coded};
    const std::vector<uint8_t> gridFile = test::WriteHeif(grid);
    MemorySource gridSource(gridFile.data(), gridFile.size());
    Color average = 0;
    EXPECT_TRUE(ImageHEIF::DecodeResized(gridSource, 50, 20, &average).IsValid());
    ExpectCutsInvalid<ImageHEIF>(gridFile, gridFile.size() - coded.data.size());

    // Sizes that lie: a picture claiming 60000 x 60000, a grid claiming more
    // tiles than it has and an output its tiles do not cover.
    test::HeifLayout lying = one;
    lying.tiles[0].width = lying.tiles[0].height = 60000;
    const std::vector<uint8_t> huge = test::WriteHeif(lying);
    MemorySource hugeSource(huge.data(), huge.size());
    int w = 0, h = 0;
    EXPECT_FALSE(ImageHEIF::ReadSize(hugeSource, w, h));
    EXPECT_FALSE(ImageHEIF::FromMemory(huge.data(), huge.size()).IsValid());
    EXPECT_FALSE(ImageHEIF::DecodeResized(hugeSource, 64, 48, &average).IsValid());
    for (auto change : {+[](test::HeifLayout& g) { g.rows = 2; }, +[](test::HeifLayout& g) { g.width = 400; }}) {
        test::HeifLayout bad = grid;
        change(bad);
        const std::vector<uint8_t> file = test::WriteHeif(bad);
        MemorySource src(file.data(), file.size());
        EXPECT_FALSE(ImageHEIF::FromMemory(file.data(), file.size()).IsValid());
        EXPECT_FALSE(ImageHEIF::DecodeResized(src, 64, 48, &average).IsValid());
    }
    // The whole grid is budgeted: tiles whose locations overlap (each tile
    // the same bytes, so that a small file makes many streams), and a tile
    // whose stream is far larger than any encoder makes for 96 x 64 pixels
    // (a filler unit of 200000 bytes after its slices), are refused.
    test::HeifLayout shared = grid;
    shared.bShareData = true;
    test::HeifLayout padded = grid;
    const uint32_t fill = 200000;
    padded.tiles[1].data.insert(padded.tiles[1].data.end(),
                                {uint8_t(fill >> 24), uint8_t(fill >> 16), uint8_t(fill >> 8), uint8_t(fill), 0x4C, 0x01});
    padded.tiles[1].data.insert(padded.tiles[1].data.end(), fill - 3, 0xFF);
    padded.tiles[1].data.push_back(0x80);
    for (const test::HeifLayout* bad : {&shared, &padded}) {
        const std::vector<uint8_t> file = test::WriteHeif(*bad);
        MemorySource src(file.data(), file.size());
        EXPECT_FALSE(ImageHEIF::FromMemory(file.data(), file.size()).IsValid());
        EXPECT_FALSE(ImageHEIF::DecodeResized(src, 64, 48, &average).IsValid());
    }

    // A coded picture larger than its 'ispe' says (the decoder would allocate by it).
    test::HeifLayout smaller = one;
    smaller.tiles[0].width = smaller.tiles[0].height = 8;
    const std::vector<uint8_t> understated = test::WriteHeif(smaller);
    EXPECT_FALSE(ImageHEIF::FromMemory(understated.data(), understated.size()).IsValid());

    DecodeLimits small;
    small.maxPixels = 96 * 64 - 1;
    MemorySource goodSource(good.data(), good.size());
    EXPECT_TRUE(ImageHEIF::ReadSize(goodSource, w, h));
    EXPECT_EQ(w * 1000 + h, 96064);
    EXPECT_FALSE(ImageHEIF::ReadSize(goodSource, w, h, small));
    EXPECT_FALSE(ImageHEIF::FromMemory(good.data(), good.size(), small).IsValid());
    std::vector<uint8_t> garbage(3000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    std::copy_n(good.begin(), 32, garbage.begin());
    EXPECT_FALSE(ImageHEIF::FromMemory(garbage.data(), garbage.size()).IsValid());
}

}  // namespace
}  // namespace mv
