// Keeping a picture's shape on a 1920 x 1080 screen, against stretching it.
//   BM_FitFromDecoder/<mode>    a decoded 6000 x 4000 picture brought to the size the
//                               mode asks the decoder for (DecodeSizeForFit; the
//                               resampling a decoder does as its rows come), then
//                               composed; mode 0 is today's stretch
//   BM_FitPortrait/<mode>       the same for a 3024 x 4032 portrait, modes 0 and 3
//   BM_FitComposeOnly/<mode>    the composing step alone, from the 6000 x 4000
//                               picture already at its decode size
// Compare each mode with /0 of the same benchmark: the targets are at most
// 1.1 x (modes 1, 3, 4, landscape) and 1.15 x (mode 3, portrait) for the
// whole change, decoding included; these are the composing part.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "image/Image.h"
#include "image/Resample.h"
#include "wallpaper/PictureFit.h"

namespace {

constexpr mv::Size kScreen{1920, 1080};

// Smooth waves with grain, as a photograph's content, plus a brighter,
// detailed patch off the middle for the crop to find.
mv::Image PhotoLike(int w, int h) {
    mv::Image img = mv::Image::Create24(w, h);
    uint32_t s = 0x6A09E667u;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = img.Row24(y);
        const double wy = 35.0 * std::cos(y * 0.0093);
        for (int x = 0; x < w; ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            const int grain = static_cast<int>(s % 25u) - 12;
            const double wave = 40.0 * std::sin(x * 0.0125) + wy;
            const bool bPatch = x > w * 3 / 4 && x < w * 7 / 8 && y > h / 3 && y < h / 2 && ((x / 16 + y / 16) & 1);
            auto clamp = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            row[3 * x + 0] = clamp(bPatch ? 240 : 120 + 0.6 * wave + grain);
            row[3 * x + 1] = clamp(bPatch ? 220 : 100 + 0.5 * wave + grain);
            row[3 * x + 2] = clamp(bPatch ? 40 : 90 - 0.4 * wave + grain);
        }
    }
    return img;
}

const mv::Image& Landscape() {
    static const mv::Image img = PhotoLike(6000, 4000);
    return img;
}
const mv::Image& Portrait() {
    static const mv::Image img = PhotoLike(3024, 4032);
    return img;
}

void FromDecoder(benchmark::State& state, const mv::Image& picture) {
    const mv::PictureFit mode = mv::PictureFitFromValue(static_cast<uint32_t>(state.range(0)));
    const mv::Size original{picture.Width(), picture.Height()};
    const mv::Size dec = mv::DecodeSizeForFit(original, kScreen, mode);
    for (auto _ : state) {
        const mv::Image decoded = mv::Resample24(picture, dec.cx, dec.cy);
        mv::Image out = mv::ComposeFittedDecoded(decoded, original, kScreen, mode, 0);
        if (!out.IsValid()) {
            state.SkipWithError("composition failed");
            return;
        }
        benchmark::DoNotOptimize(out.Bits());
    }
}

void BM_FitFromDecoder(benchmark::State& state) { FromDecoder(state, Landscape()); }
void BM_FitPortrait(benchmark::State& state) { FromDecoder(state, Portrait()); }

void BM_FitComposeOnly(benchmark::State& state) {
    const mv::PictureFit mode = mv::PictureFitFromValue(static_cast<uint32_t>(state.range(0)));
    const mv::Size original{Landscape().Width(), Landscape().Height()};
    const mv::Size dec = mv::DecodeSizeForFit(original, kScreen, mode);
    const mv::Image decoded = mv::Resample24(Landscape(), dec.cx, dec.cy);
    for (auto _ : state) {
        mv::Image out = mv::ComposeFittedDecoded(decoded, original, kScreen, mode, 0);
        benchmark::DoNotOptimize(out.Bits());
    }
}

}  // namespace

BENCHMARK(BM_FitFromDecoder)->Arg(0)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FitPortrait)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FitComposeOnly)->Arg(0)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
