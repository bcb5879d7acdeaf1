// Writes the seed corpora of the harnesses: small valid pictures of every
// layout each decoder knows, a few slightly broken ones, and collections files.
//   fuzz_seeds <corpus folder>   ->   <corpus folder>/{bmp,jpeg,png,gif,webp,heif,ini,exif}_fuzz/*
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <webp/encode.h>

#include "image/HeifFiles.h"
#include "image/TestPictures.h"

using namespace mv::test;

namespace {

std::string gRoot;
int gCount = 0;

void Seed(const std::string& harness, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string dir = gRoot + "/" + harness;
    mkdir(dir.c_str(), 0755);
    if (bytes.empty() || !WriteBytes(dir + "/" + name, bytes)) {
        std::fprintf(stderr, "fuzz_seeds: could not write %s/%s\n", harness.c_str(), name.c_str());
        std::exit(1);
    }
    ++gCount;
}

// A valid file and two broken ones: cut in half, and one byte changed in the middle.
void SeedWithDamage(const std::string& harness, const std::string& name, const std::vector<uint8_t>& bytes) {
    Seed(harness, name, bytes);
    Seed(harness, name + "-cut", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    std::vector<uint8_t> flipped = bytes;
    flipped[bytes.size() / 2] ^= 0x5A;
    Seed(harness, name + "-flip", flipped);
}

void BmpSeeds() {
    const std::vector<uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    Pixels px = Pixels::Pattern(7, 5);
    BmpLayout s24;
    s24.width = px.width;
    s24.height = px.height;
    s24.bits = BmpRows24(px);
    SeedWithDamage("bmp_fuzz", "rgb24.bmp", MakeBmp(s24));
    BmpLayout bare = s24;
    bare.bFileHeader = false;
    Seed("bmp_fuzz", "bare24.dib", MakeBmp(bare));
    BmpLayout core = s24;
    core.headerSize = 12;
    Seed("bmp_fuzz", "core24.bmp", MakeBmp(core));

    for (uint16_t bits : {1, 4, 8}) {
        BmpLayout p;
        p.width = 9;
        p.height = 3;
        p.bitCount = bits;
        p.clrUsed = bits == 1 ? 2 : 4;
        p.table.assign(table.begin(), table.begin() + p.clrUsed);
        p.bits.assign(static_cast<size_t>((9 * bits + 31) / 32 * 4) * 3, 0x1B);
        SeedWithDamage("bmp_fuzz", "pal" + std::to_string(bits) + ".bmp", MakeBmp(p));
        p.height = -3;
        Seed("bmp_fuzz", "pal" + std::to_string(bits) + "-topdown.bmp", MakeBmp(p));
        BmpLayout c = p;
        c.height = 3;
        c.headerSize = 12;
        c.table.resize(1u << bits, 0x808080);
        Seed("bmp_fuzz", "core-pal" + std::to_string(bits) + ".bmp", MakeBmp(c));
    }

    BmpLayout rle8;
    rle8.width = 6;
    rle8.height = 3;
    rle8.bitCount = 8;
    rle8.compression = 1;
    rle8.clrUsed = 4;
    rle8.table = table;
    rle8.bits = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 2, 2, 0, 2, 2, 0, 2, 3, 0, 0, 8, 1, 0, 1};
    rle8.sizeImage = static_cast<uint32_t>(rle8.bits.size());
    SeedWithDamage("bmp_fuzz", "rle8.bmp", MakeBmp(rle8));
    BmpLayout rle4 = rle8;
    rle4.bitCount = 4;
    rle4.compression = 2;
    rle4.bits = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 2, 0x33, 0, 2, 1, 0, 1, 0x23, 0, 1};
    rle4.sizeImage = static_cast<uint32_t>(rle4.bits.size());
    SeedWithDamage("bmp_fuzz", "rle4.bmp", MakeBmp(rle4));

    BmpLayout s16;
    s16.width = 3;
    s16.height = 2;
    s16.bitCount = 16;
    s16.bits = {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0, 0xFF, 0x7F, 0x10, 0x42, 0x00, 0x00, 0, 0};
    Seed("bmp_fuzz", "rgb555.bmp", MakeBmp(s16));
    s16.compression = 3;
    s16.masks = {0xF800, 0x07E0, 0x001F};
    SeedWithDamage("bmp_fuzz", "bitfields565.bmp", MakeBmp(s16));
    s16.headerSize = 108;
    Seed("bmp_fuzz", "v4-565.bmp", MakeBmp(s16));

    BmpLayout s32;
    s32.width = 2;
    s32.height = 2;
    s32.bitCount = 32;
    s32.bits = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    Seed("bmp_fuzz", "rgb32.bmp", MakeBmp(s32));
    s32.compression = 3;
    s32.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    Seed("bmp_fuzz", "bitfields32.bmp", MakeBmp(s32));
    s32.headerSize = 124;
    s32.height = -2;
    Seed("bmp_fuzz", "v5-topdown32.bmp", MakeBmp(s32));
}

void JpegSeeds() {
    Pixels px = Pixels::Pattern(19, 13);
    SeedWithDamage("jpeg_fuzz", "ycbcr.jpg", EncodeJpeg(px, 75));
    Seed("jpeg_fuzz", "rgb.jpg", EncodeJpeg(px, 75, false, JCS_RGB));
    SeedWithDamage("jpeg_fuzz", "progressive.jpg", EncodeJpeg(px, 75, true));
    Seed("jpeg_fuzz", "grey.jpg", EncodeJpeg(Pixels::Pattern(8, 8, 1), 75));
    Seed("jpeg_fuzz", "cmyk.jpg", EncodeJpeg(Pixels::Pattern(8, 8, 4), 75));
    for (int o : {3, 6, 8}) {
        const std::vector<uint8_t> turned = WithExifOrientation(EncodeJpeg(px, 75), o, o == 8);
        Seed("jpeg_fuzz", "turned" + std::to_string(o) + ".jpg", turned);
        SeedWithDamage("exif_fuzz", "turned" + std::to_string(o) + ".jpg", turned);
    }
}

void GifSeeds() {
    Pixels px = Pixels::Pattern(9, 6);
    GifFrame plain;
    SeedWithDamage("gif_fuzz", "plain.gif", EncodeGif(px, plain));
    GifFrame framed;
    framed.screenW = 14, framed.screenH = 9, framed.left = 3, framed.top = 2, framed.transparentIndex = 1;
    framed.bInterlaced = true;
    framed.frameCount = 2;
    SeedWithDamage("gif_fuzz", "framed.gif", EncodeGif(px, framed));
}

void PngSeeds() {
    Pixels px = Pixels::Pattern(11, 7, 4);
    px.data[3] = 0;
    px.data[7] = 100;
    SeedWithDamage("png_fuzz", "rgb8.png", EncodePng(px, 2, 8));
    Seed("png_fuzz", "rgb16.png", EncodePng(px, 2, 16));
    SeedWithDamage("png_fuzz", "rgba8.png", EncodePng(px, 6, 8));
    Seed("png_fuzz", "rgba16.png", EncodePng(px, 6, 16));
    SeedWithDamage("png_fuzz", "rgb8-interlaced.png", EncodePng(px, 2, 8, true));
    Seed("png_fuzz", "rgba16-interlaced.png", EncodePng(px, 6, 16, true));
    Seed("png_fuzz", "palette.png", EncodePng(px, 3));
    Seed("png_fuzz", "grey.png", EncodePng(px, 0));
    Seed("png_fuzz", "grey-alpha16.png", EncodePng(px, 4, 16));
}

std::vector<uint8_t> Webp(const Pixels& px, bool bLossless, float quality = 60) {
    uint8_t* out = nullptr;
    const int stride = px.width * px.channels;
    size_t n = 0;
    if (px.channels == 4)
        n = bLossless ? WebPEncodeLosslessRGBA(px.data.data(), px.width, px.height, stride, &out)
                      : WebPEncodeRGBA(px.data.data(), px.width, px.height, stride, quality, &out);
    else
        n = bLossless ? WebPEncodeLosslessRGB(px.data.data(), px.width, px.height, stride, &out)
                      : WebPEncodeRGB(px.data.data(), px.width, px.height, stride, quality, &out);
    std::vector<uint8_t> bytes(out, out + n);
    WebPFree(out);
    return bytes;
}

void Le(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

void Chunk(std::vector<uint8_t>& v, const char* tag, const std::vector<uint8_t>& body) {
    v.insert(v.end(), tag, tag + 4);
    Le(v, static_cast<uint32_t>(body.size()), 4);
    v.insert(v.end(), body.begin(), body.end());
    if (body.size() & 1) v.push_back(0);
}

// An animation of two frames on a canvas, the first at (x, y): each frame's
// chunks are a still file's, less its RIFF header.
std::vector<uint8_t> Animation(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second, int canvasW,
                               int canvasH, int x, int y, int w1, int h1, int w2, int h2) {
    std::vector<uint8_t> body = {'W', 'E', 'B', 'P'};
    std::vector<uint8_t> vp8x = {0x12, 0, 0, 0};  // animation, transparency
    Le(vp8x, canvasW - 1, 3);
    Le(vp8x, canvasH - 1, 3);
    Chunk(body, "VP8X", vp8x);
    std::vector<uint8_t> anim;
    Le(anim, 0xFF808080u, 4);
    Le(anim, 0, 2);
    Chunk(body, "ANIM", anim);
    auto frame = [&](const std::vector<uint8_t>& still, int fx, int fy, int fw, int fh) {
        std::vector<uint8_t> anmf;
        Le(anmf, fx / 2, 3);
        Le(anmf, fy / 2, 3);
        Le(anmf, fw - 1, 3);
        Le(anmf, fh - 1, 3);
        Le(anmf, 100, 3);
        anmf.push_back(0);
        anmf.insert(anmf.end(), still.begin() + 12, still.end());
        Chunk(body, "ANMF", anmf);
    };
    frame(first, x, y, w1, h1);
    frame(second, 0, 0, w2, h2);
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    Le(file, static_cast<uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

void WebpSeeds() {
    const Pixels px = PhotoLike(23, 17, 1);
    Pixels rgba = PhotoLike(23, 17, 2, 4);
    for (size_t i = 3; i < rgba.data.size(); i += 8) rgba.data[i] = static_cast<uint8_t>(i * 7);
    SeedWithDamage("webp_fuzz", "lossy.webp", Webp(px, false));
    SeedWithDamage("webp_fuzz", "lossless.webp", Webp(px, true));
    SeedWithDamage("webp_fuzz", "lossy-alpha.webp", Webp(rgba, false));
    Seed("webp_fuzz", "lossless-alpha.webp", Webp(rgba, true));
    const std::vector<uint8_t> small = Webp(PhotoLike(10, 8, 3), true);
    SeedWithDamage("webp_fuzz", "animation.webp", Animation(small, Webp(px, false), 23, 17, 4, 6, 10, 8, 23, 17));
    Seed("webp_fuzz", "animation-full.webp", Animation(Webp(px, true), small, 23, 17, 0, 0, 23, 17, 10, 8));
}

// HEIF files encoded here with libheif: HEVC and AV1 pictures, a grid of
// four tiles cut short on two sides, turned and mirrored primaries, and a
// picture with transparency (which libheif decodes).
void HeifSeeds() {
    CodedPicture hevc, av1;
    if (!EncodeHeif(PhotoLike(48, 32, 4), false, 40, hevc) || !EncodeHeif(PhotoLike(48, 32, 5), true, 40, av1)) {
        std::fprintf(stderr, "fuzz_seeds: libheif could not encode\n");
        std::exit(1);
    }
    HeifLayout one;
    one.tiles = {hevc};
    SeedWithDamage("heif_fuzz", "hevc.heic", WriteHeif(one));
    one.transforms = {IrotBox(1), ImirBox(false)};
    Seed("heif_fuzz", "hevc-turned.heic", WriteHeif(one));
    HeifLayout avif;
    avif.tiles = {av1};
    SeedWithDamage("heif_fuzz", "av1.avif", WriteHeif(avif));
    HeifLayout grid;
    grid.bGrid = true;
    grid.columns = grid.rows = 2;
    grid.width = 90;
    grid.height = 50;
    grid.tiles = {hevc, hevc, hevc, hevc};
    SeedWithDamage("heif_fuzz", "grid.heic", WriteHeif(grid));
    grid.transforms = {IrotBox(3)};
    Seed("heif_fuzz", "grid-turned.heic", WriteHeif(grid));
    grid.tiles = {av1, av1, av1, av1};
    grid.transforms.clear();
    Seed("heif_fuzz", "grid.avif", WriteHeif(grid));
    Pixels rgba = PhotoLike(32, 24, 6, 4);
    for (size_t i = 3; i < rgba.data.size(); i += 4) rgba.data[i] = static_cast<uint8_t>(i);
    SeedWithDamage("heif_fuzz", "alpha.heic", EncodeHeifFile(rgba, false, 40));
}

// Collections files: the ordinary shape, many sections, long values, every
// kind of line ending, and the odd things hand-edited files hold.
void IniSeeds() {
    auto text = [](const std::string& name, const std::string& t) {
        Seed("ini_fuzz", name, std::vector<uint8_t>(t.begin(), t.end()));
    };
    const std::string collection =
        "[Default]\r\nFolder0=c:\\pictures\r\nFolder1=d:\\photos\\2024\r\nFolderCount=2\r\nCycle=1\r\n"
        "NextToUse=5\r\nFractalProb=50\r\n";
    text("collection.ini", collection);
    std::string many;
    for (int i = 0; i < 300; ++i) {
        many += "[Collection " + std::to_string(i) + "]\r\nFolderCount=" + std::to_string(i % 7) + "\r\n";
        for (int k = 0; k < i % 7; ++k) many += "Folder" + std::to_string(k) + "=c:\\f" + std::to_string(k) + "\r\n";
    }
    text("many-sections.ini", many);
    text("long-value.ini", "[Default]\r\nFolder0=" + std::string(70000, 'x') + "\r\nFolderCount=1\r\n");
    text("long-name.ini", "[" + std::string(20000, 'S') + "]\r\n" + std::string(5000, 'k') + "=v\r\n");
    std::string lf = collection, cr = collection, mixed;
    for (size_t i; (i = lf.find("\r\n")) != std::string::npos;) lf.replace(i, 2, "\n");
    for (size_t i; (i = cr.find("\r\n")) != std::string::npos;) cr.replace(i, 2, "\r");
    text("lf-endings.ini", lf);
    text("cr-endings.ini", cr);
    text("mixed-endings.ini", "[A]\nx=1\r\ny=2\r[B]\r\n\n\r\nz=3");
    text("no-final-newline.ini", "[Default]\r\nFolderCount=1");
    text("junk.ini",
         "garbage before any section\r\n=no key\r\n[unclosed\r\n[]\r\n[ spaced ]\r\n  Folder0 = 'quoted'  \r\n"
         "Folder1=\"double\"\r\nFolder2='unmatched\r\n;comment=1\r\nkey without equals\r\n[Default]\r\n"
         "[default]\r\nFolderCount=-2147483648\r\nNextToUse=99999999999999999999\r\n");
    text("duplicates.ini", "[Default]\r\nFolder0=a\r\n[DEFAULT]\r\nFolder0=b\r\nfolder0=c\r\n");
    text("utf8.ini", "[Фото]\r\nFolder0=c:\\写真\\日本\r\nFolderCount=1\r\n");
    std::string binary = "[Default]\r\nFolder0=a";
    binary += std::string("\0\xff\xfe\x00[x]\x1a\r\n", 10);
    text("binary.ini", binary);
    text("bom.ini", "\xef\xbb\xbf[Default]\r\nFolderCount=1\r\n");
}

// History files as the program writes them, without their last line (the
// harness adds it): pictures on several monitors and fractals.
void HistorySeeds() {
    const std::string body =
        "Murivane history 1\nPosition\t1\nP\t5\tc:\\a.jpg\t\tc:\\b.png\n"
        "F\t1 -2 100 50 50 42700000 41c80000 42700000 41c80000 41700000 41700000 41a00000 41f00000 41f00000 "
        "41a00000 41700000 41a00000\n";
    Seed("history_fuzz", "history.txt", std::vector<uint8_t>(body.begin(), body.end()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    gRoot = argv[1];
    mkdir(gRoot.c_str(), 0755);
    BmpSeeds();
    JpegSeeds();
    PngSeeds();
    GifSeeds();
    WebpSeeds();
    HeifSeeds();
    IniSeeds();
    HistorySeeds();
    std::printf("fuzz_seeds: %d seed files in %s\n", gCount, gRoot.c_str());
    return 0;
}
