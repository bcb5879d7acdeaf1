// Fuzzes the JPEG decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, with libjpeg's structures released either way.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImageJPEG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        // Decoded straight to a small size, as a picture stretched over the screen is.
        mv::MemorySource src(data, size);
        mv::Color average = 0;
        mv::Image small = mv::ImageJPEG::DecodeResized(src, 37, 23, &average, mv::fuzz::SmallLimits());
        if (small.IsValid()) {
            if (small.Width() != 37 || small.Height() != 23) __builtin_trap();
            mv::fuzz::CheckDecoded24(small);
        }
    }
    mv::ImageJPEG img = mv::ImageJPEG::FromMemory(data, size, mv::fuzz::SmallLimits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    if (img.RowPadding() != img.Width() % 4) __builtin_trap();
    return 0;
}
