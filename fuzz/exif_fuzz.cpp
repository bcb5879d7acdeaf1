// Fuzzes the EXIF orientation reader: any bytes give an orientation of 1 to
// 8, without reading past the data or looping.
#include <cstddef>
#include <cstdint>

#include "image/ByteSource.h"
#include "image/Orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mv::MemorySource src(data, size);
    const int orientation = mv::ReadJpegOrientation(src);
    if (orientation < 1 || orientation > 8) __builtin_trap();
    return 0;
}
