// Fuzzes the PNG decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, with libpng's structures released either way.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImagePNG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        // Decoded straight to a small size, as a picture stretched over the screen is.
        mv::MemorySource src(data, size);
        mv::Color average = 0;
        mv::Image small = mv::ImagePNG::DecodeResized(src, 37, 23, &average, mv::fuzz::Limits());
        if (small.IsValid()) {
            if (small.Width() != 37 || small.Height() != 23) __builtin_trap();
            mv::fuzz::CheckDecoded24(small);
        }
    }
    mv::ImagePNG img = mv::ImagePNG::FromMemory(data, size, mv::fuzz::Limits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    return 0;
}
