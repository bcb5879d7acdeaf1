// Renders the fractal wallpaper of one seed to a BMP file, for developers and
// benchmarks. It makes the same draws as the tray instance: the palette from
// a generator seeded with the application generator's first number, the
// pattern from one seeded with its second.
//
//   fractal_tool SEED WIDTH HEIGHT BRIGHTNESS OUT.bmp [--info]
//   fractal_tool --compare A.bmp B.bmp
//   fractal_tool --hashes WIDTH HEIGHT FIRST LAST [WORKERS [scalar|sse2|avx2]]
//       prints "{seed, hash, average}," for each seed at brightness 50, the
//       lines of the reference table in tests/conformance
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Patterns/Fractal.h"
#include "Patterns/FractalRender.h"
#include "Patterns/FractalSeed.h"
#include "Patterns/Palette.h"
#include "app/Random.h"
#include "config/Settings.h"
#include "image/Image.h"

using namespace mv;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: fractal_tool SEED WIDTH HEIGHT BRIGHTNESS OUT.bmp [--info]\n"
                 "       fractal_tool --compare A.bmp B.bmp\n"
                 "       fractal_tool --hashes WIDTH HEIGHT FIRST LAST [WORKERS [scalar|sse2|avx2]]\n");
    return 2;
}

std::vector<unsigned char> ReadAll(const char* sPath) {
    std::ifstream in(sPath, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Counts the pixels of two 24-bit BMP files of the same size that differ.
int Compare(const char* sA, const char* sB) {
    std::vector<unsigned char> a = ReadAll(sA), b = ReadAll(sB);
    if (a.size() < 54 || a.size() != b.size() || std::memcmp(a.data(), b.data(), 54) != 0) {
        std::printf("files differ in size or header\n");
        return 1;
    }
    auto i32 = [&](size_t o) {
        return static_cast<int>(a[o] | (a[o + 1] << 8) | (a[o + 2] << 16) | (static_cast<unsigned>(a[o + 3]) << 24));
    };
    int offset = i32(10), width = i32(18), height = i32(22);
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    long long differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t o = static_cast<size_t>(offset) + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
            if (o + 3 > a.size()) break;
            if (std::memcmp(&a[o], &b[o], 3) != 0) ++differing;
        }
    std::printf("%lld of %lld pixels differ\n", differing, static_cast<long long>(width) * height);
    return differing == 0 ? 0 : 1;
}

int Hashes(int width, int height, int first, int last, int workers, const char* sSimd) {
    Settings settings;
    RenderOptions options;
    options.iWorkers = workers;
    using fractal_kernel::SimdLevel;
    if (std::strcmp(sSimd, "scalar") == 0) options.simd = SimdLevel::Scalar;
    if (std::strcmp(sSimd, "sse2") == 0) options.simd = SimdLevel::Sse2;
    if (std::strcmp(sSimd, "avx2") == 0) options.simd = SimdLevel::Avx2;
    for (int seed = first; seed <= last; ++seed) {
        SeedPicture s = RenderSeed(seed, width, height, 50, settings.ColorTable, options);
        if (!s.image.IsValid()) return Usage();
        std::printf("    {%d, 0x%016llxull, 0x%06x},\n", seed, static_cast<unsigned long long>(PictureHash(s.image)),
                    static_cast<unsigned>(s.result.average));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--compare") == 0) return Compare(argv[2], argv[3]);
    if (argc >= 6 && argc <= 8 && std::strcmp(argv[1], "--hashes") == 0)
        return Hashes(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]),
                      argc >= 7 ? std::atoi(argv[6]) : 0, argc == 8 ? argv[7] : "best");
    if (argc < 6) return Usage();
    int seed = std::atoi(argv[1]);
    int width = std::atoi(argv[2]);
    int height = std::atoi(argv[3]);
    int brightness = std::atoi(argv[4]);
    const char* sOut = argv[5];
    bool bInfo = argc > 6 && std::strcmp(argv[6], "--info") == 0;

    Settings settings;  // the default colour weights
    SeedPicture s = RenderSeed(seed, width, height, brightness, settings.ColorTable);
    const Image& image = s.image;
    const Palette& palette = s.palette;
    const RenderResult& result = s.result;
    if (!image.IsValid()) {
        std::fprintf(stderr, "bad size %d x %d\n", width, height);
        return 2;
    }
    if (!image.Save(NativePath(sOut))) {
        std::fprintf(stderr, "cannot write %s\n", sOut);
        return 1;
    }
    if (bInfo) {
        const Palette::Draws& d = palette.draws;
        const PatternFractal::Parameters& p = s.parameters;
        std::printf("palette dark=%d light=%d min=%d max=%d low=%d high=%d parity=%d exponent=%d groups=%d\n",
                    d.bDark, d.bLight, d.iMinLength, d.iMaxLength, d.iLow, d.iHigh, d.iParity, d.iExponent,
                    palette.groups);
        unsigned long hash = 5381;
        for (Color c : palette.colors) hash = (hash * 33) ^ c;
        std::printf("palette hash=%08lx\n", hash & 0xFFFFFFFFul);
        std::printf("fractal tries=%d angle=%d minnorm=%d minabsreal=%d adjz=%d applymods=%d bailout=%.9g\n",
                    p.iTries, p.bUseAngle, p.bUseMinNormZ, p.bUseMinAbsReal, p.iAdjZ, p.bApplyMods,
                    static_cast<double>(p.fBailout));
        std::printf("fractal c=(%a, %a) scale=(%a, %a) centre=(%a, %a)\n", static_cast<double>(p.c.real()),
                    static_cast<double>(p.c.imag()), static_cast<double>(p.fScaleX), static_cast<double>(p.fScaleY),
                    static_cast<double>(p.fCentreX), static_cast<double>(p.fCentreY));
        std::printf("average=%06x completed=%d\n", result.average, result.bCompleted);
    }
    return 0;
}
