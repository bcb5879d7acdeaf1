#include "image/Orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "image/ByteSource.h"

namespace mv {

int NormalOrientation(int iOrientation) { return iOrientation >= 1 && iOrientation <= 8 ? iOrientation : 1; }

bool OrientationSwapsSides(int iOrientation) { return NormalOrientation(iOrientation) >= 5; }

Image Orient24(const Image& stored, int iOrientation) {
    if (!stored.IsValid() || stored.BitCount() != 24) return Image();
    const int o = NormalOrientation(iOrientation);
    const int W = stored.Width(), H = stored.Height();
    const bool bSwap = OrientationSwapsSides(o);
    Image out = Image::Create24(bSwap ? H : W, bSwap ? W : H);
    if (!out.IsValid()) return out;
    const int OW = out.Width(), OH = out.Height();
    if (!bSwap) {
        for (int y = 0; y < OH; ++y) {
            // Whole rows: the source row, read forwards or backwards.
            uint8_t* dst = out.Row24(y);
            const int sy = (o == 3 || o == 4) ? H - 1 - y : y;
            const uint8_t* src = stored.Row24(sy);
            if (o == 1 || o == 4) {
                std::memcpy(dst, src, static_cast<size_t>(W) * 3);
            } else {
                for (int x = 0; x < OW; ++x) std::memcpy(dst + 3 * x, src + 3 * (W - 1 - x), 3);
            }
        }
        return out;
    }
    // An output row is a source column: sx fixed by y, sy running with x.
    // Done in square blocks, so the source rows a block reads stay in cache.
    // Rows are evenly spaced (a bottom-up DIB's step is negative).
    const uint8_t* const row0 = stored.Row24(0);
    const std::ptrdiff_t step = H > 1 ? stored.Row24(1) - row0 : 0;
    constexpr int kBlock = 32;
    for (int by = 0; by < OH; by += kBlock)
        for (int bx = 0; bx < OW; bx += kBlock) {
            const int yEnd = std::min(OH, by + kBlock), xEnd = std::min(OW, bx + kBlock);
            for (int y = by; y < yEnd; ++y) {
                uint8_t* dst = out.Row24(y);
                const int sx = (o == 5 || o == 6) ? y : W - 1 - y;
                for (int x = bx; x < xEnd; ++x) {
                    const int sy = (o == 5 || o == 8) ? x : H - 1 - x;
                    std::memcpy(dst + 3 * x, row0 + sy * step + 3 * sx, 3);
                }
            }
        }
    return out;
}

UprightWriter::UprightWriter(int storedWidth, int storedHeight, int iOrientation)
    : m_w(storedWidth), m_h(storedHeight), m_o(NormalOrientation(iOrientation)) {
    const bool bSwap = OrientationSwapsSides(m_o);
    m_upright = Image::Create24(bSwap ? m_h : m_w, bSwap ? m_w : m_h);
}

void UprightWriter::Put(int sy, const uint8_t* bgr) {
    if (!Valid() || sy < 0 || sy >= m_h) return;
    const int o = m_o;
    if (!OrientationSwapsSides(o)) {
        // The row stays a row, read forwards or backwards.
        uint8_t* dst = m_upright.Row24((o == 3 || o == 4) ? m_h - 1 - sy : sy);
        if (o == 1 || o == 4) {
            std::memcpy(dst, bgr, static_cast<size_t>(m_w) * 3);
        } else {
            for (int sx = 0; sx < m_w; ++sx) std::memcpy(dst + 3 * (m_w - 1 - sx), bgr + 3 * sx, 3);
        }
        return;
    }
    // The row becomes a column: upright x from the row, upright y from each pixel.
    const int x = (o == 5 || o == 8) ? sy : m_h - 1 - sy;
    uint8_t* const row0 = m_upright.Row24(0);
    const std::ptrdiff_t step = m_w > 1 ? m_upright.Row24(1) - row0 : 0;
    for (int sx = 0; sx < m_w; ++sx) {
        const int y = (o == 5 || o == 6) ? sx : m_w - 1 - sx;
        std::memcpy(row0 + y * step + 3 * x, bgr + 3 * sx, 3);
    }
}

namespace {

constexpr int kMaxSegments = 64;       // markers looked at before giving up
constexpr uint32_t kOrientationTag = 0x0112;

uint16_t Get16(const uint8_t* p, bool bBig) { return bBig ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]); }
uint32_t Get32(const uint8_t* p, bool bBig) {
    return bBig ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// The orientation in an APP1 segment's body ("Exif\0\0" and a TIFF block).
int OrientationInExif(const std::vector<uint8_t>& body) {
    if (body.size() < 6 + 8 || std::memcmp(body.data(), "Exif\0\0", 6) != 0) return 1;
    const uint8_t* tiff = body.data() + 6;
    const size_t n = body.size() - 6;
    bool bBig;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bBig = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bBig = true;
    else
        return 1;
    if (Get16(tiff + 2, bBig) != 42) return 1;
    const uint32_t ifd = Get32(tiff + 4, bBig);
    if (ifd < 8 || ifd > n || n - ifd < 2) return 1;
    const uint32_t count = Get16(tiff + ifd, bBig);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t entry = static_cast<uint64_t>(ifd) + 2 + 12ull * i;
        if (entry + 12 > n) return 1;
        const uint8_t* e = tiff + entry;
        if (Get16(e, bBig) != kOrientationTag) continue;
        // A SHORT (type 3) with one value, held in the entry itself.
        if (Get16(e + 2, bBig) != 3 || Get32(e + 4, bBig) < 1) return 1;
        return NormalOrientation(Get16(e + 8, bBig));
    }
    return 1;
}

}  // namespace

int ReadJpegOrientation(ByteSource& src) {
    uint8_t b[4];
    if (!src.ReadAt(0, b, 2) || b[0] != 0xFF || b[1] != 0xD8) return 1;
    uint64_t pos = 2;
    for (int k = 0; k < kMaxSegments; ++k) {
        if (!src.ReadAt(pos, b, 2) || b[0] != 0xFF) return 1;
        const uint8_t marker = b[1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return 1;  // the pixels begin: no EXIF block before them
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (!src.ReadAt(pos + 2, b, 2)) return 1;
        const uint32_t length = uint32_t(b[0]) << 8 | b[1];
        if (length < 2) return 1;
        if (marker == 0xE1) {
            std::vector<uint8_t> body(length - 2);
            if (!src.ReadAt(pos + 4, body.data(), body.size())) return 1;
            if (body.size() >= 6 && std::memcmp(body.data(), "Exif\0\0", 6) == 0) return OrientationInExif(body);
        }
        pos += 2 + static_cast<uint64_t>(length);
    }
    return 1;
}

}  // namespace mv
