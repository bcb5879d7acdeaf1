#pragma once
// Bounds the picture harnesses decode with: smaller than the program's own,
// so that one input never costs more than a few milliseconds and megabytes.
#include "image/Image.h"

namespace mv::fuzz {

inline DecodeLimits Limits() {
    DecodeLimits limits;
    limits.maxSide = 4096;
    limits.maxPixels = 1u << 20;
    limits.maxLibraryMemory = 64u << 20;
    return limits;
}

// A sixteenth of those pixels, for the decoders that cost most per pixel under
// the sanitizers (libwebp's, libjpeg's progressive and arithmetic decoding):
// their checks of sizes and markers are the same, and every seed fits.
inline DecodeLimits SmallLimits() {
    DecodeLimits limits = Limits();
    limits.maxPixels = 1u << 16;
    return limits;
}

// Checks that hold for every valid 24-bit picture a decoder returns.
inline void CheckDecoded24(const Image& img) {
    const DibHeader h = img.Header();
    if (h.biSize != 40 || h.biBitCount != 24 || h.biCompression != 0 || h.biWidth != img.Width() ||
        h.biHeight != img.Height() || img.Width() <= 0 || img.Height() <= 0 ||
        img.Block().size() != 40 + static_cast<size_t>(img.Stride()) * img.Height() ||
        h.biSizeImage != img.Stride() * static_cast<uint32_t>(img.Height()))
        __builtin_trap();
    // Every pixel is read once; the sanitizers watch the bounds.
    (void)img.AverageColor();
}

}  // namespace mv::fuzz
