#include "image/DibDraw.h"

#include <cstring>
#include <vector>

namespace mv {

namespace {

uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

// A colour channel held in a bit mask of a 16- or 32-bit pixel.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        while (bits + shift < 32 && ((m >> (shift + bits)) & 1)) ++bits;
    }
    // The channel widened (by repeating its bits) or narrowed to 8 bits.
    uint8_t Of(uint32_t pixel) const {
        if (bits == 0) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        uint32_t r = v << (8 - bits);
        for (int got = bits; got < 8; got *= 2) r |= r >> got;
        return static_cast<uint8_t>(r);
    }
};

bool MaskIsContiguous(uint32_t m) {
    if (m == 0) return true;
    while (!(m & 1)) m >>= 1;
    return (m & (m + 1)) == 0;
}

bool DepthAndCompressionDrawable(uint16_t bits, uint32_t compression) {
    switch (compression) {
        case kBiRgb: return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
        case kBiRle8: return bits == 8;
        case kBiRle4: return bits == 4;
        case kBiBitfields: return bits == 16 || bits == 32;
        default: return false;
    }
}

// Runs an RLE4/RLE8 stream, calling put(x, yFromBottom, index) for every
// pixel inside the picture. Pixels a run carries past the end of its row are
// dropped (x stops at the width). Fails on a stream that stops inside a command, and on a delta
// that leaves the picture. A stream may end without its end-of-bitmap mark.
template <class Put>
bool WalkRle(const uint8_t* p, size_t n, bool b4, uint32_t width, uint32_t height, Put&& put) {
    size_t i = 0;
    uint32_t x = 0, y = 0;
    while (y < height) {
        if (n - i < 2) return i == n;
        const uint8_t a = p[i], b = p[i + 1];
        i += 2;
        if (a != 0) {  // a pixels of the colour (or colour pair) b
            for (uint32_t k = 0; k < a && x < width; ++k, ++x)
                put(x, y, b4 ? ((k & 1) ? (b & 15) : (b >> 4)) : b);
        } else if (b == 0) {  // end of line
            x = 0;
            ++y;
        } else if (b == 1) {  // end of bitmap
            return true;
        } else if (b == 2) {  // delta
            if (n - i < 2) return false;
            const uint32_t dx = p[i], dy = p[i + 1];
            i += 2;
            if (x + dx > width || y + dy >= height) return false;
            x += dx;
            y += dy;
        } else {  // b pixels stored as they are, padded to a 16-bit boundary
            const size_t bytes = b4 ? (b + 1u) / 2 : b;
            if (n - i < bytes) return false;
            const uint8_t* q = p + i;
            for (uint32_t k = 0; k < b && x < width; ++k, ++x)
                put(x, y, b4 ? ((k & 1) ? (q[k / 2] & 15) : (q[k / 2] >> 4)) : q[k]);
            const size_t padded = (bytes + 1) & ~size_t(1);
            i += padded <= n - i ? padded : n - i;  // a last pad byte may be missing
        }
    }
    return true;
}

// Colour table as blue-green-red triples, 256 entries; indexes past the
// table are black.
std::vector<uint8_t> Palette(const uint8_t* block, const DibFormat& f) {
    std::vector<uint8_t> pal(256 * 3, 0);
    for (uint32_t i = 0; i < f.tableEntries && i < 256; ++i) {
        const uint8_t* q = block + f.tableOffset + 4 * i;
        pal[3 * i] = q[0];
        pal[3 * i + 1] = q[1];
        pal[3 * i + 2] = q[2];
    }
    return pal;
}

// Converts one stored row of an uncompressed picture to blue-green-red.
class RowConverter {
public:
    RowConverter(const uint8_t* block, const DibFormat& f)
        : m_f(f), m_r(f.masks[0]), m_g(f.masks[1]), m_b(f.masks[2]) {
        if (f.bitCount <= 8) m_pal = Palette(block, f);
    }
    void Convert(const uint8_t* src, uint8_t* dst) const {
        const uint32_t w = m_f.width;
        switch (m_f.bitCount) {
            case 1:
                for (uint32_t x = 0; x < w; ++x) Index(dst + 3 * x, (src[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                for (uint32_t x = 0; x < w; ++x) Index(dst + 3 * x, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
                break;
            case 8:
                for (uint32_t x = 0; x < w; ++x) Index(dst + 3 * x, src[x]);
                break;
            case 16:
                for (uint32_t x = 0; x < w; ++x) Masked(dst + 3 * x, src[2 * x] | (src[2 * x + 1] << 8));
                break;
            case 24:
                std::memcpy(dst, src, 3 * static_cast<size_t>(w));
                break;
            case 32:
                if (m_f.compression == kBiRgb) {
                    for (uint32_t x = 0; x < w; ++x) {
                        dst[3 * x] = src[4 * x];
                        dst[3 * x + 1] = src[4 * x + 1];
                        dst[3 * x + 2] = src[4 * x + 2];
                    }
                } else {
                    for (uint32_t x = 0; x < w; ++x) Masked(dst + 3 * x, Get32(src + 4 * x));
                }
                break;
        }
    }
    void Index(uint8_t* dst, unsigned i) const {
        dst[0] = m_pal[3 * i];
        dst[1] = m_pal[3 * i + 1];
        dst[2] = m_pal[3 * i + 2];
    }

private:
    void Masked(uint8_t* dst, uint32_t v) const {
        dst[0] = m_b.Of(v);
        dst[1] = m_g.Of(v);
        dst[2] = m_r.Of(v);
    }
    const DibFormat& m_f;
    Channel m_r, m_g, m_b;
    std::vector<uint8_t> m_pal;
};

}  // namespace

bool InspectDib(const uint8_t* block, size_t size, DibFormat& f, bool bWalkRle, uint64_t maxPixels) {
    f = DibFormat();
    if (!block || size < kDibHeaderSize) return false;
    const DibHeader h = ReadHeader(block);
    if (h.biSize != kDibHeaderSize || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0) return false;
    if (!DepthAndCompressionDrawable(h.biBitCount, h.biCompression)) return false;
    const int64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    f.bTopDown = h.biHeight < 0;
    if (f.bTopDown && (h.biCompression == kBiRle8 || h.biCompression == kBiRle4)) return false;
    if (static_cast<uint64_t>(h.biWidth) > kMaxImageSide || height > kMaxImageSide) return false;
    if (static_cast<uint64_t>(h.biWidth) * static_cast<uint64_t>(height) > maxPixels) return false;
    f.width = static_cast<uint32_t>(h.biWidth);
    f.height = static_cast<uint32_t>(height);
    f.bitCount = h.biBitCount;
    f.compression = h.biCompression;

    uint64_t offset = kDibHeaderSize;
    if (f.compression == kBiBitfields) {
        if (size < kDibHeaderSize + 12) return false;
        for (int c = 0; c < 3; ++c) {
            f.masks[c] = Get32(block + kDibHeaderSize + 4 * c);
            // Each channel one run of bits, none empty, no two sharing a bit.
            if (f.masks[c] == 0 || !MaskIsContiguous(f.masks[c])) return false;
            if (f.bitCount == 16 && f.masks[c] > 0xFFFF) return false;
        }
        if ((f.masks[0] & f.masks[1]) || (f.masks[0] & f.masks[2]) || (f.masks[1] & f.masks[2])) return false;
        offset += 12;
    } else if (f.bitCount == 16) {
        f.masks[0] = 0x7C00;
        f.masks[1] = 0x03E0;
        f.masks[2] = 0x001F;
    } else if (f.bitCount == 32) {
        f.masks[0] = 0xFF0000;
        f.masks[1] = 0x00FF00;
        f.masks[2] = 0x0000FF;
    }
    f.tableOffset = static_cast<size_t>(offset);
    uint64_t entries = h.biClrUsed;
    if (f.bitCount <= 8) {
        if (entries == 0) entries = 1u << f.bitCount;
        if (entries > (1u << f.bitCount)) return false;
    }
    offset += 4 * entries;
    if (offset > size) return false;
    f.tableEntries = static_cast<uint32_t>(entries);
    f.bitsOffset = static_cast<size_t>(offset);

    const uint64_t available = size - offset;
    if (f.compression == kBiRle8 || f.compression == kBiRle4) {
        uint64_t streamSize = h.biSizeImage ? h.biSizeImage : available;
        if (streamSize > available) return false;
        f.bitsSize = static_cast<size_t>(streamSize);
        if (bWalkRle) {
            auto ignore = [](uint32_t, uint32_t, unsigned) {};
            if (!WalkRle(block + f.bitsOffset, f.bitsSize, f.compression == kBiRle4, f.width, f.height, ignore))
                return false;
        }
    } else {
        const uint64_t need = static_cast<uint64_t>(Image::BytesPerRow(f.width, f.bitCount)) * f.height;
        if (need > available) return false;
        f.bitsSize = static_cast<size_t>(need);
    }
    return true;
}

Image DrawTo24(const Image& dib) {
    DibFormat f;
    if (!dib.IsValid() || !InspectDib(dib.Block().data(), dib.Block().size(), f, false)) return Image();
    Image out = Image::Create24(static_cast<int>(f.width), static_cast<int>(f.height));
    if (!out.IsValid()) return Image();
    const uint8_t* block = dib.Block().data();
    const uint32_t outStride = out.Stride();
    uint8_t* outBits = out.Bits();
    if (f.compression == kBiRle8 || f.compression == kBiRle4) {
        RowConverter conv(block, f);
        auto put = [&](uint32_t x, uint32_t y, unsigned index) {
            conv.Index(outBits + static_cast<size_t>(y) * outStride + 3 * static_cast<size_t>(x), index);
        };
        if (!WalkRle(block + f.bitsOffset, f.bitsSize, f.compression == kBiRle4, f.width, f.height, put))
            return Image();
        return out;
    }
    if (!ForEachRow24(dib, [&](uint32_t y, const uint8_t* row) {
            std::memcpy(outBits + static_cast<size_t>(y) * outStride, row, 3 * static_cast<size_t>(f.width));
        }))
        return Image();
    return out;
}

bool ForEachRow24(const Image& dib, const std::function<void(uint32_t yFromBottom, const uint8_t* bgr)>& fn) {
    DibFormat f;
    if (!dib.IsValid() || !InspectDib(dib.Block().data(), dib.Block().size(), f, false)) return false;
    if (f.compression == kBiRle8 || f.compression == kBiRle4) {
        Image drawn = DrawTo24(dib);
        if (!drawn.IsValid()) return false;
        for (uint32_t y = 0; y < f.height; ++y) fn(y, drawn.Bits() + static_cast<size_t>(y) * drawn.Stride());
        return true;
    }
    const uint8_t* block = dib.Block().data();
    const size_t stride = Image::BytesPerRow(f.width, f.bitCount);
    RowConverter conv(block, f);
    std::vector<uint8_t> row(3 * static_cast<size_t>(f.width));
    for (uint32_t i = 0; i < f.height; ++i) {
        const uint32_t y = f.bTopDown ? f.height - 1 - i : i;
        conv.Convert(block + f.bitsOffset + static_cast<size_t>(i) * stride, row.data());
        fn(y, row.data());
    }
    return true;
}

}  // namespace mv
