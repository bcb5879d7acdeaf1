// Fuzzes the JPEG decoder: any bytes give an invalid picture or a well-formed
// 24-bit one, with libjpeg's structures released either way.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ImageJPEG.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mv::ImageJPEG img = mv::ImageJPEG::FromMemory(data, size, mv::fuzz::Limits());
    if (!img.IsValid()) return 0;
    mv::fuzz::CheckDecoded24(img);
    if (img.RowPadding() != img.Width() % 4) __builtin_trap();
    return 0;
}
