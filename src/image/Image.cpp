#include "image/Image.h"

#include <memory>

#include "image/DibDraw.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace mv {

namespace {
void Put16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
}  // namespace

void WriteHeader(uint8_t* p, const DibHeader& h) {
    Put32(p + 0, h.biSize);
    Put32(p + 4, static_cast<uint32_t>(h.biWidth));
    Put32(p + 8, static_cast<uint32_t>(h.biHeight));
    Put16(p + 12, h.biPlanes);
    Put16(p + 14, h.biBitCount);
    Put32(p + 16, h.biCompression);
    Put32(p + 20, h.biSizeImage);
    Put32(p + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
    Put32(p + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
    Put32(p + 32, h.biClrUsed);
    Put32(p + 36, h.biClrImportant);
}

DibHeader ReadHeader(const uint8_t* p) {
    DibHeader h;
    h.biSize = Get32(p + 0);
    h.biWidth = static_cast<int32_t>(Get32(p + 4));
    h.biHeight = static_cast<int32_t>(Get32(p + 8));
    h.biPlanes = Get16(p + 12);
    h.biBitCount = Get16(p + 14);
    h.biCompression = Get32(p + 16);
    h.biSizeImage = Get32(p + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(Get32(p + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(Get32(p + 28));
    h.biClrUsed = Get32(p + 32);
    h.biClrImportant = Get32(p + 36);
    return h;
}

std::string NativePath(const std::string& sPath) {
#ifdef _WIN32
    return sPath;
#else
    std::string s = sPath;
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
#endif
}

DibHeader Image::Header() const { return ReadHeader(m_block.data()); }

Image Image::Create24(int width, int height) {
    Image img;
    if (width <= 0 || height <= 0 || static_cast<uint32_t>(width) > kMaxImageSide ||
        static_cast<uint32_t>(height) > kMaxImageSide ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxImagePixels)
        return img;
    DibHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = 24;
    h.biSizeImage = BytesPerRow(static_cast<uint32_t>(width), 24) * static_cast<uint32_t>(height);
    std::vector<uint8_t> block;
    try {
        block.assign(kDibHeaderSize + h.biSizeImage, 0);
    } catch (const std::bad_alloc&) {
        return img;  // not enough memory: an invalid picture
    }
    WriteHeader(block.data(), h);
    img.Adopt(std::move(block));
    return img;
}

void Image::Adopt(std::vector<uint8_t> block) {
    m_block = std::move(block);
    DibHeader h = Header();
    m_uWidth = static_cast<uint32_t>(h.biWidth);
    m_uHeight = static_cast<uint32_t>(h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight);
    m_uBitsOffset = kDibHeaderSize + (h.biCompression == kBiBitfields ? 12u : 0u) + 4ull * h.biClrUsed;
    m_uImageSize = h.biSizeImage;
    m_bValid = true;
}

void Image::Invalidate() {
    m_bValid = false;
    m_uWidth = m_uHeight = 0;
    m_block.clear();
    m_block.shrink_to_fit();
    m_uBitsOffset = 0;
    m_uImageSize = 0;
}

Color Image::AverageColor() const {
    if (!m_bValid || m_uWidth == 0 || m_uHeight == 0) return 0;
    // 64-bit sums: a 32-bit sum of one channel overflows past 16.8 million pixels.
    uint64_t sum[3] = {0, 0, 0};
    auto addRow = [&sum](const uint8_t* p, uint32_t width) {
        for (uint32_t x = 0; x < width; ++x, p += 3) {
            sum[0] += p[0];
            sum[1] += p[1];
            sum[2] += p[2];
        }
    };
    const DibHeader h = Header();
    if (h.biBitCount == 24 && h.biCompression == kBiRgb) {
        const uint32_t stride = Stride();
        if (m_uBitsOffset + static_cast<uint64_t>(stride) * m_uHeight > m_block.size()) return 0;
        for (uint32_t y = 0; y < m_uHeight; ++y) addRow(Bits() + static_cast<size_t>(y) * stride, m_uWidth);
    } else if (!ForEachRow24(*this, [&](uint32_t, const uint8_t* row) { addRow(row, m_uWidth); })) {
        return 0;
    }
    uint64_t n = static_cast<uint64_t>(m_uWidth) * m_uHeight;
    return MakeRGB(static_cast<int>(sum[2] / n), static_cast<int>(sum[1] / n), static_cast<int>(sum[0] / n));
}

Color Image::Pixel(int x, int yFromTop) const {
    const uint8_t* p = Row24(yFromTop) + 3 * x;
    return MakeRGB(p[2], p[1], p[0]);
}

void Image::SetPixel(int x, int yFromTop, Color c) {
    uint8_t* p = Row24(yFromTop) + 3 * x;
    p[0] = static_cast<uint8_t>(BlueOf(c));
    p[1] = static_cast<uint8_t>(GreenOf(c));
    p[2] = static_cast<uint8_t>(RedOf(c));
}

std::vector<uint8_t> Image::ToBmpFile() const {
    std::vector<uint8_t> file;
    if (!m_bValid || m_block.size() < kDibHeaderSize) return file;
    file.resize(14);
    file[0] = 'B';
    file[1] = 'M';
    Put32(&file[2], static_cast<uint32_t>(14 + m_block.size()));
    Put32(&file[10], static_cast<uint32_t>(14 + m_uBitsOffset));
    file.insert(file.end(), m_block.begin(), m_block.end());
    return file;
}

bool Image::Save(const std::string& sPath) const {
    if (!m_bValid) return true;
    if (m_block.size() < kDibHeaderSize) return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(NativePath(sPath).c_str(), "wb"), std::fclose);
    if (!file) return false;
    // The file header, then the picture's own block: no copy of the pixels.
    uint8_t header[14] = {'B', 'M'};
    Put32(&header[2], static_cast<uint32_t>(14 + m_block.size()));
    Put32(&header[10], static_cast<uint32_t>(14 + m_uBitsOffset));
    bool bOk = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header &&
               std::fwrite(m_block.data(), 1, m_block.size(), file.get()) == m_block.size();
    return (std::fclose(file.release()) == 0) && bOk;
}

}  // namespace mv
