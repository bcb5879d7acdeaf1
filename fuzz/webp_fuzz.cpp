// Fuzzes the WebP decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, through libwebp's scaled decoding and its whole decode alike,
// stills and animations, with nothing left allocated.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImageWebP.h"

namespace {

// libwebp's decoder costs far more per pixel than the others under the
// sanitizers; its checks of sizes are the same at a sixteenth of the pixels (every seed fits).
mv::DecodeLimits WebPLimits() {
    mv::DecodeLimits limits = mv::fuzz::Limits();
    limits.maxPixels = 1u << 16;
    return limits;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        mv::MemorySource src(data, size);
        int w = 0, h = 0;
        if (mv::ImageWebP::ReadSize(src, w, h, WebPLimits()) && (w <= 0 || h <= 0)) __builtin_trap();
        // Decoded straight to a small size, as a picture stretched over the screen is.
        mv::Color average = 0;
        mv::Image small = mv::ImageWebP::DecodeResized(src, 37, 23, &average, WebPLimits());
        if (small.IsValid()) {
            if (small.Width() != 37 || small.Height() != 23) __builtin_trap();
            mv::fuzz::CheckDecoded24(small);
        }
    }
    mv::ImageWebP img = mv::ImageWebP::FromMemory(data, size, WebPLimits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    return 0;
}
