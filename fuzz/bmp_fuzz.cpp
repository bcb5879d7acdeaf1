// Fuzzes the BMP reader and DrawTo24: any bytes as a BMP file (or bare DIB)
// give an invalid picture or one that draws; a valid picture saved as a BMP
// file reads back as the same block.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzLimits.h"
#include "image/DibDraw.h"
#include "image/ImageBMP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const mv::DecodeLimits limits = mv::fuzz::Limits();
    mv::ImageBMP img = mv::ImageBMP::FromMemory(data, size, limits);
    if (!img.IsValid()) return 0;

    mv::Image drawn = mv::DrawTo24(img);
    if (!drawn.IsValid() || drawn.Width() != img.Width() || drawn.Height() != img.Height()) __builtin_trap();
    mv::fuzz::CheckDecoded24(drawn);
    (void)img.AverageColor();

    const std::vector<uint8_t> file = img.ToBmpFile();
    mv::ImageBMP again = mv::ImageBMP::FromMemory(file.data(), file.size(), limits);
    if (!again.IsValid() || again.Block() != img.Block()) __builtin_trap();
    return 0;
}
