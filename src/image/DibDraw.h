#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

#include "image/Image.h"

namespace mv {

// What the header of a packed DIB block says, once it has been checked.
struct DibFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    bool bTopDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = kBiRgb;
    uint32_t masks[3] = {0, 0, 0};  // red, green, blue, for 16- and 32-bit pixels
    size_t tableOffset = 0;         // first colour-table entry
    uint32_t tableEntries = 0;
    size_t bitsOffset = 0;
    size_t bitsSize = 0;            // bytes of pixel data available (RLE: the stream)
};

// Checks a packed DIB block (40-byte header, BI_BITFIELDS masks, colour
// table, pixels) the way a drawing must rely on it: a depth and compression
// Windows draws, sizes within the limits, a colour table of at most 2^depth
// entries, and all the pixel data inside the block. With bWalkRle an RLE
// stream is also run through once, so that drawing it cannot fail later.
bool InspectDib(const uint8_t* block, size_t size, DibFormat& format, bool bWalkRle,
                uint64_t maxPixels = kMaxImagePixels);

// Draws any drawable DIB into a new bottom-up 24-bit picture of the same size:
// palettes, RLE4/RLE8, 16-bit 5-5-5 and bit fields, 24-bit, 32-bit, top-down
// rows. Pixels an RLE stream skips stay black. An invalid picture comes back
// for anything that cannot be drawn.
Image DrawTo24(const Image& dib);

// Hands every row of an uncompressed DIB to fn as blue-green-red bytes,
// bottom row first (y counted from the bottom); RLE pictures go through
// DrawTo24. False when the picture cannot be drawn.
bool ForEachRow24(const Image& dib, const std::function<void(uint32_t yFromBottom, const uint8_t* bgr)>& fn);

}  // namespace mv
