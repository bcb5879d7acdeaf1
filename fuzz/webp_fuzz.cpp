// Fuzzes the WebP decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, through libwebp's scaled decoding and its whole decode alike,
// stills and animations, with nothing left allocated.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImageWebP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        mv::MemorySource src(data, size);
        int w = 0, h = 0;
        if (mv::ImageWebP::ReadSize(src, w, h, mv::fuzz::SmallLimits()) && (w <= 0 || h <= 0)) __builtin_trap();
        // Decoded straight to a small size, as a picture stretched over the screen is.
        mv::Color average = 0;
        mv::Image small = mv::ImageWebP::DecodeResized(src, 37, 23, &average, mv::fuzz::SmallLimits());
        if (small.IsValid()) {
            if (small.Width() != 37 || small.Height() != 23) __builtin_trap();
            mv::fuzz::CheckDecoded24(small);
        }
    }
    mv::ImageWebP img = mv::ImageWebP::FromMemory(data, size, mv::fuzz::SmallLimits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    return 0;
}
