#include "Patterns/FractalSeed.h"

#include <atomic>

#include "app/Random.h"

namespace mv {

SeedPicture RenderSeed(int32_t seed, int width, int height, int brightness, const ColorChoiceTable& table,
                       const RenderOptions& options) {
    SeedPicture out;
    Random app(seed);
    Random local(app.next());
    out.palette = BuildPalette(local, brightness, table);
    Random fractalRandom(app.next());
    PatternFractal fractal(&fractalRandom);
    PatternContext context;
    context.iPaletteSize = Palette::kSize;
    context.iGroups = out.palette.groups;
    fractal.SetUp(2, 1, true, 2, context);
    out.parameters = fractal.GetParameters();
    out.image = Image::Create24(width, height);
    if (!out.image.IsValid()) return out;
    std::atomic<bool> running(true);
    out.result = RenderFractal(out.image, fractal, out.palette, running, nullptr, nullptr, options);
    return out;
}

uint64_t PictureHash(const Image& image) {
    uint64_t h = 14695981039346656037ull;
    if (!image.IsValid() || image.BitCount() != 24) return h;
    for (int y = 0; y < image.Height(); ++y) {
        const uint8_t* p = image.Row24(y);
        for (int k = 0; k < image.Width() * 3; ++k) {
            h ^= p[k];
            h *= 1099511628211ull;
        }
    }
    return h;
}

}  // namespace mv
