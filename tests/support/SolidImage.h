#pragma once
#include "image/Image.h"

namespace mv {

// A 24-bit picture of one colour.
inline Image Solid(int w, int h, Color c) {
    Image img = Image::Create24(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.SetPixel(x, y, c);
    return img;
}

}  // namespace mv
