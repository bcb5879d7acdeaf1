// Fuzzes the HEIF decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, whether the file's boxes lead to libde265 and dav1d directly
// (single pictures and grids, turned or not) or to libheif, with nothing
// left allocated and no allocation beyond the limits.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImageHEIF.h"

// libheif 1.15's dav1d plugin keeps dav1d's reference to its input when
// dav1d refuses it (it frees the data only while its size is not zero):
// tens of bytes per broken AV1 stream that reaches libheif. dav1d is built
// without frame pointers, so such a leak's stack ends inside libdav1d; our
// own use of dav1d releases everything through one guard (DecodeAv1).
extern "C" const char* __lsan_default_suppressions() { return "leak:libdav1d.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        mv::MemorySource src(data, size);
        int w = 0, h = 0;
        if (mv::ImageHEIF::ReadSize(src, w, h, mv::fuzz::Limits()) && (w <= 0 || h <= 0)) __builtin_trap();
        // Decoded straight to a small size, as a picture stretched over the screen is.
        mv::Color average = 0;
        mv::Image small = mv::ImageHEIF::DecodeResized(src, 37, 23, &average, mv::fuzz::Limits());
        if (small.IsValid()) {
            if (small.Width() != 37 || small.Height() != 23) __builtin_trap();
            mv::fuzz::CheckDecoded24(small);
        }
    }
    mv::ImageHEIF img = mv::ImageHEIF::FromMemory(data, size, mv::fuzz::Limits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    return 0;
}
