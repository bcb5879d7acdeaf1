#include "image/Resample.h"

#include <new>

#include "image/RowResampler.h"

namespace mv {

Image Resample24(const Image& src, int width, int height) {
    if (!src.IsValid() || src.BitCount() != 24 || width <= 0 || height <= 0) return Image();
    const int sw = src.Width(), sh = src.Height();
    if (sw == width && sh == height) return src;
    try {
        RowResampler resampler(sw, sh, width, height);
        if (!resampler.Valid()) return Image();
        for (int y = 0; y < sh; ++y) resampler.PushRow(src.Row24(y));
        return resampler.TakeResult();
    } catch (const std::bad_alloc&) {
        return Image();  // not enough memory: an invalid picture
    }
}

}  // namespace mv
