#pragma once
// Test pictures made on the spot: BMP files written byte by byte, JPEG and
// PNG files encoded with the libraries. Shared by the unit tests and the
// fuzz seed generator.
#include <cstdint>
#include <string>
#include <vector>

namespace mv::test {

// Pixels as red-green-blue(-alpha) bytes, rows top first.
struct Pixels {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<uint8_t> data;

    // A deterministic pattern with distinct colours along both axes.
    static Pixels Pattern(int w, int h, int channels = 3);
};

void Put16(std::vector<uint8_t>& v, size_t at, uint16_t x);
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x);
void Append16(std::vector<uint8_t>& v, uint16_t x);
void Append32(std::vector<uint8_t>& v, uint32_t x);

// Builds a BMP file: file header (optional), a header of headerSize bytes
// (12 = OS/2 core), masks, colour table, pixel data as given.
struct BmpLayout {
    bool bFileHeader = true;
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;        // written as given
    uint32_t clrUsed = 0;
    std::vector<uint32_t> masks;   // written after a 40-byte header, or inside a longer one
    std::vector<uint32_t> table;   // 0x00RRGGBB per entry (3 bytes for a core header)
    std::vector<uint8_t> bits;
    int64_t bitsOffset = -1;       // -1: computed; otherwise written as given
};
std::vector<uint8_t> MakeBmp(const BmpLayout& layout);

// 24-bit bottom-up pixel rows for a BMP from top-first RGB pixels.
std::vector<uint8_t> BmpRows24(const Pixels& px);

// JPEG with the given input colour space: 1 (greyscale), 3 (RGB), 4 (CMYK).
// jpegSpace: 0 = the library's default, otherwise a J_COLOR_SPACE value.
std::vector<uint8_t> EncodeJpeg(const Pixels& px, int quality = 95, bool bProgressive = false, int jpegSpace = 0);

// PNG: colorType as in the PNG header (0 grey, 2 RGB, 3 palette, 4 grey+alpha,
// 6 RGBA); samples are taken from px (8-bit values, widened for 16-bit).
std::vector<uint8_t> EncodePng(const Pixels& px, int colorType, int bitDepth = 8, bool bInterlaced = false);

// A GIF of one frame (or of frameCount frames, the later ones all white)
// on a screen of screenW x screenH, the frame at (left, top) with px's size:
// its colours through a table of up to 256 entries made from px (colours
// past 256 reuse the last entry), the pixel value transparentIndex (or none,
// -1) transparent, rows stored interlaced or not.
struct GifFrame {
    int screenW = 0, screenH = 0;
    int left = 0, top = 0;
    int transparentIndex = -1;
    bool bInterlaced = false;
    int frameCount = 1;
};
std::vector<uint8_t> EncodeGif(const Pixels& px, const GifFrame& frame);

// The JPEG with an EXIF block (APP1) right after its start that gives the
// orientation tag (1..8), in Intel or Motorola byte order.
std::vector<uint8_t> WithExifOrientation(const std::vector<uint8_t>& jpeg, int orientation, bool bBigEndian = false);

bool WriteBytes(const std::string& sPath, const std::vector<uint8_t>& bytes);

}  // namespace mv::test
