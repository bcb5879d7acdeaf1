#include "image/ImageBMP.h"

#include <cstring>
#include <vector>

#include "image/ByteSource.h"
#include "image/DibDraw.h"

namespace mv {

namespace {
uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr uint32_t kCoreHeaderSize = 12;

bool KnownInfoHeaderSize(uint32_t size) {
    // BITMAPINFOHEADER, the two Adobe extensions, BITMAPV4HEADER, BITMAPV5HEADER.
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}
}  // namespace

ImageBMP::ImageBMP(const std::string& sPath, const DecodeLimits& limits) {
    FileSource file(sPath);
    if (file.IsOpen()) Decode(file, limits);
}

bool ImageBMP::ReadSize(ByteSource& src, int& width, int& height, const DecodeLimits& limits) {
    // The file header, then the width and height of a core (16-bit) or a
    // Windows (32-bit, the height signed for top-down rows) header.
    uint8_t h[26] = {};
    if (!src.ReadAt(0, h, sizeof h) || h[0] != 'B' || h[1] != 'M') return false;
    auto get32 = [&](int at) { return uint32_t(h[at]) | uint32_t(h[at + 1]) << 8 | uint32_t(h[at + 2]) << 16 | uint32_t(h[at + 3]) << 24; };
    int64_t w, hgt;
    if (get32(14) == kCoreHeaderSize) {
        w = h[18] | h[19] << 8;
        hgt = h[20] | h[21] << 8;
    } else {
        w = static_cast<int32_t>(get32(18));
        hgt = static_cast<int32_t>(get32(22));
        if (hgt < 0) hgt = -hgt;
    }
    if (w <= 0 || hgt <= 0 || w > limits.maxSide || hgt > limits.maxSide) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(hgt);
    return true;
}

ImageBMP ImageBMP::FromSource(ByteSource& src, const DecodeLimits& limits) {
    ImageBMP img;
    img.Decode(src, limits);
    return img;
}

ImageBMP ImageBMP::FromMemory(const uint8_t* data, size_t size, const DecodeLimits& limits) {
    ImageBMP img;
    MemorySource src(data, size);
    img.Decode(src, limits);
    return img;
}

void ImageBMP::Decode(ByteSource& src, const DecodeLimits& limits) {
    Invalidate();
    const uint64_t fileSize = src.Size();

    // The 14-byte file header, when the file starts with "BM"; otherwise a bare DIB.
    uint8_t fh[14];
    uint64_t headerAt = 0;
    uint32_t bitsOffset = 0;
    if (src.ReadAt(0, fh, 2) && fh[0] == 'B' && fh[1] == 'M') {
        if (!src.ReadAt(0, fh, sizeof fh)) return;
        bitsOffset = Get32(fh + 10);
        headerAt = sizeof fh;
    }

    uint8_t raw[124];
    if (!src.ReadAt(headerAt, raw, 4)) return;
    const uint32_t headerSize = Get32(raw);
    const bool bCore = headerSize == kCoreHeaderSize;
    if (!bCore && !KnownInfoHeaderSize(headerSize)) return;
    if (!src.ReadAt(headerAt, raw, headerSize)) return;

    DibHeader h;
    if (bCore) {
        h.biWidth = Get16(raw + 4);
        h.biHeight = Get16(raw + 6);
        h.biPlanes = Get16(raw + 8);
        h.biBitCount = Get16(raw + 10);
        h.biCompression = kBiRgb;
        if (h.biBitCount != 1 && h.biBitCount != 4 && h.biBitCount != 8 && h.biBitCount != 24) return;
    } else {
        h = ReadHeader(raw);
    }
    h.biSize = static_cast<uint32_t>(kDibHeaderSize);

    // Cheap checks first, so nothing is allocated for a picture that cannot be drawn.
    if (h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0) return;
    const bool bRle = h.biCompression == kBiRle8 || h.biCompression == kBiRle4;
    const bool bBitfields = h.biCompression == kBiBitfields;
    if (!(h.biCompression == kBiRgb || bRle || bBitfields)) return;
    const uint64_t width = static_cast<uint32_t>(h.biWidth);
    const uint64_t height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
    if (width > limits.maxSide || height > limits.maxSide || width > kMaxImageSide || height > kMaxImageSide)
        return;
    if (width * height > limits.maxPixels || width * height > kMaxImagePixels) return;

    // Masks: behind a 40-byte header, inside the longer ones.
    uint8_t masks[12] = {};
    uint64_t tableAt = headerAt + headerSize;
    if (bBitfields) {
        if (headerSize == kDibHeaderSize) {
            if (!src.ReadAt(tableAt, masks, sizeof masks)) return;
            tableAt += sizeof masks;
        } else {
            std::memcpy(masks, raw + kDibHeaderSize, sizeof masks);
        }
    }

    // Colour table: 2^depth entries unless the header names fewer, never more.
    const uint32_t entrySize = bCore ? 3 : 4;
    uint64_t colours = 0;
    uint64_t fileEntries = 0;  // entries stored in the file before the bits
    if (h.biBitCount <= 8) {
        const uint32_t most = 1u << h.biBitCount;
        colours = h.biClrUsed ? h.biClrUsed : most;
        if (colours > most) return;
        fileEntries = colours;
    } else {
        fileEntries = h.biClrUsed;  // an optional table, not needed for drawing
    }
    const uint64_t tableEnd = tableAt + entrySize * fileEntries;
    if (tableEnd > fileSize) return;

    // The bits: where the file header says, else right behind the table.
    uint64_t bitsAt = tableEnd;
    if (bitsOffset != 0) {
        if (bitsOffset < tableAt) return;
        bitsAt = bitsOffset;
    }
    if (bitsAt > fileSize) return;
    const uint64_t available = fileSize - bitsAt;
    uint64_t dataSize;
    if (bRle) {
        dataSize = h.biSizeImage ? h.biSizeImage : available;
        if (dataSize > available) return;
        // No honest stream is longer than two bytes per pixel plus the line
        // ends; anything past that is never reached.
        const uint64_t longest = 2 * width * height + 4 * height + 64;
        if (dataSize > longest) dataSize = longest;
    } else {
        dataSize = static_cast<uint64_t>(BytesPerRow(static_cast<uint32_t>(width), h.biBitCount)) * height;
        if (dataSize > available) return;
    }

    h.biSizeImage = static_cast<uint32_t>(dataSize);
    h.biClrUsed = static_cast<uint32_t>(colours);
    if (h.biClrImportant > colours) h.biClrImportant = 0;

    const size_t maskBytes = bBitfields ? sizeof masks : 0;
    const size_t tableOffset = kDibHeaderSize + maskBytes;
    std::vector<uint8_t> block(tableOffset + 4 * colours + dataSize, 0);
    WriteHeader(block.data(), h);
    std::memcpy(block.data() + kDibHeaderSize, masks, maskBytes);
    if (colours) {
        uint8_t* table = block.data() + tableOffset;
        if (!src.ReadAt(tableAt, table, static_cast<size_t>(entrySize * colours))) return;
        if (bCore) {  // widen blue-green-red triples to 4-byte entries, last first
            for (uint64_t i = colours; i-- > 0;) {
                uint8_t b = table[3 * i], g = table[3 * i + 1], r = table[3 * i + 2];
                table[4 * i] = b;
                table[4 * i + 1] = g;
                table[4 * i + 2] = r;
                table[4 * i + 3] = 0;
            }
        }
    }
    if (!src.ReadAt(bitsAt, block.data() + tableOffset + 4 * colours, static_cast<size_t>(dataSize))) return;

    DibFormat format;
    if (!InspectDib(block.data(), block.size(), format, true, limits.maxPixels)) return;
    Adopt(std::move(block));
}

}  // namespace mv
