// Fuzzes the PNG decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, with libpng's structures released either way.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ImagePNG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mv::ImagePNG img = mv::ImagePNG::FromMemory(data, size, mv::fuzz::Limits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    return 0;
}
