// Fuzzes the GIF decoder: any bytes give an invalid picture or a well-formed
// 24-bit one the size of the GIF's screen, with giflib's structures released.
#include <cstddef>
#include <cstdint>

#include "FuzzLimits.h"
#include "image/ByteSource.h"
#include "image/ImageGIF.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int width = 0, height = 0;
    mv::MemorySource src(data, size);
    const bool bSized = mv::ImageGIF::ReadSize(src, width, height, mv::fuzz::Limits());
    mv::ImageGIF img = mv::ImageGIF::FromMemory(data, size, mv::fuzz::Limits());
    if (!img.IsValid()) return 0;
    if (!bSized || img.Width() != width || img.Height() != height) __builtin_trap();
    mv::fuzz::CheckDecoded24(img);
    return 0;
}
