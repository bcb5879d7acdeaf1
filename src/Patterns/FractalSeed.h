#pragma once
#include <cstdint>

#include "Patterns/Fractal.h"
#include "Patterns/FractalRender.h"
#include "Patterns/Palette.h"
#include "image/Image.h"

namespace mv {

class ColorChoiceTable;

// The fractal wallpaper one application seed makes, drawn as the tray
// instance draws it: the palette from a generator seeded with the
// application generator's first number, the pattern from one seeded with its
// second. For the developer tool, the benchmarks and the reference pictures.
struct SeedPicture {
    Image image;
    RenderResult result;
    Palette palette;
    PatternFractal::Parameters parameters;
};
SeedPicture RenderSeed(int32_t seed, int width, int height, int brightness, const ColorChoiceTable& table,
                       const RenderOptions& options = RenderOptions());

// 64-bit FNV-1a of the picture's pixels, row by row from the top, three bytes
// a pixel (blue, green, red), without the row padding.
uint64_t PictureHash(const Image& image);

}  // namespace mv
