#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Patterns/Color.h"

namespace mv {

// The 40-byte BITMAPINFOHEADER, as it lies at the start of a packed DIB.
struct DibHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
constexpr size_t kDibHeaderSize = 40;

// biCompression values.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

// Largest picture the program accepts along one side, and in all.
constexpr uint32_t kMaxImageSide = 32768;
constexpr uint64_t kMaxImagePixels = 16384ull * 16384ull;

// Bounds a decoder keeps to, whatever the file claims. The defaults are the
// program's; the fuzz harnesses use smaller ones to keep each run short.
struct DecodeLimits {
    uint32_t maxSide = kMaxImageSide;
    uint64_t maxPixels = kMaxImagePixels;
    uint64_t maxLibraryMemory = 512ull << 20;  // working memory a picture library may take
    // What a GIF's transparent colour and the rest of its screen show: the
    // desktop's background colour where the caller knows it.
    Color background = 0;
};

// A picture as a packed device-independent bitmap in one block: header,
// colour table, then rows bottom-up, each padded to a multiple of 4 bytes.
// Decoders fill it in their constructors; IsValid tells the outcome.
class Image {
public:
    Image() = default;
    virtual ~Image() = default;
    Image(const Image&) = default;
    Image& operator=(const Image&) = default;
    Image(Image&&) = default;
    Image& operator=(Image&&) = default;

    // A zero-filled 24-bit picture (black), valid when the size is sensible.
    static Image Create24(int width, int height);

    bool IsValid() const { return m_bValid; }
    int Width() const { return static_cast<int>(m_uWidth); }
    int Height() const { return static_cast<int>(m_uHeight); }
    int BitCount() const { return m_block.size() >= kDibHeaderSize ? Header().biBitCount : 0; }
    bool HasDeepColor() const { return m_block.size() >= kDibHeaderSize && Header().biBitCount >= 15; }
    uint32_t ImageSize() const { return m_uImageSize; }

    // Mean of each channel over all pixels; 0 when there are no pixels.
    // 24-bit pictures are read in place, other depths through DrawTo24's
    // pixel conversion.
    Color AverageColor() const;

    virtual int RowPadding() const { return 0; }
    static uint32_t BytesPerRow(uint32_t width, uint32_t bitCount) {
        return static_cast<uint32_t>(((static_cast<uint64_t>(width) * bitCount + 31) & ~uint64_t(31)) / 8);
    }

    // The packed DIB: header, colour table, pixels.
    const std::vector<uint8_t>& Block() const { return m_block; }
    DibHeader Header() const;
    const uint8_t* Bits() const { return m_block.data() + m_uBitsOffset; }
    uint8_t* Bits() { return m_block.data() + m_uBitsOffset; }
    size_t BitsOffset() const { return m_uBitsOffset; }
    uint32_t Stride() const { return BytesPerRow(m_uWidth, BitCount()); }

    // 24-bit access to a bottom-up picture (Create24, the JPEG and PNG
    // decoders, DrawTo24), y counted from the top of the picture.
    uint8_t* Row24(int yFromTop) { return Bits() + static_cast<size_t>(m_uHeight - 1 - yFromTop) * Stride(); }
    const uint8_t* Row24(int yFromTop) const {
        return Bits() + static_cast<size_t>(m_uHeight - 1 - yFromTop) * Stride();
    }
    Color Pixel(int x, int yFromTop) const;
    void SetPixel(int x, int yFromTop, Color c);

    // The BMP file image (file header + block) and writing it to a path.
    std::vector<uint8_t> ToBmpFile() const;
    bool Save(const std::string& sPath) const;

protected:
    // Takes over a packed DIB block whose header is already filled in. The
    // bits follow the header, the three masks of a BI_BITFIELDS picture and
    // biClrUsed colour-table entries.
    void Adopt(std::vector<uint8_t> block);
    void Invalidate();

    bool m_bValid = false;
    uint32_t m_uWidth = 0;
    uint32_t m_uHeight = 0;
    std::vector<uint8_t> m_block;
    size_t m_uBitsOffset = 0;
    uint32_t m_uImageSize = 0;
};

void WriteHeader(uint8_t* p, const DibHeader& h);
DibHeader ReadHeader(const uint8_t* p);

// The path as this system's file functions want it (backslashes on Windows,
// slashes elsewhere).
std::string NativePath(const std::string& sPath);

}  // namespace mv
