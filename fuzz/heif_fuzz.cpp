// Fuzzes the HEIF decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, whether the file's boxes lead to libde265 and dav1d directly
// (single pictures and grids, turned or not) or to libheif, with nothing
// left allocated and no allocation beyond the limits.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <dav1d/dav1d.h>
#include <dlfcn.h>
#include <sanitizer/lsan_interface.h>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImageHEIF.h"

// libheif 1.15's dav1d plugin (its dav1d_push_data) keeps dav1d's reference
// to its input when dav1d refuses it (it frees the data only while its size
// is not zero): tens of bytes per broken AV1 stream that reaches libheif. The
// plugin's functions are hidden in the library and dav1d is built without
// frame pointers, so no suppression by name can reach that one leak without
// hiding every stack through dav1d, our own DecodeAv1's included. Instead
// the buffers libheif itself asks dav1d for are marked as no leak: this
// definition takes libheif's calls (the program's symbols come first), and
// every other allocation, ours included, stays checked.
extern "C" uint8_t* dav1d_data_create(Dav1dData* data, size_t size) {
    using Create = uint8_t* (*)(Dav1dData*, size_t);
    static const Create real = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "dav1d_data_create"));
    uint8_t* bytes = real(data, size);
    Dl_info caller;
    if (bytes && dladdr(__builtin_return_address(0), &caller) && caller.dli_fname &&
        std::strstr(caller.dli_fname, "libheif"))
        __lsan_ignore_object(bytes);
    return bytes;
}

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
