// The picture pipeline on large files, from the file on disk to the
// wallpaper BMP on a 1920 x 1080 screen.
//   BM_ChangeJpegStretch[Dated]  6000 x 4000 JPEG through the program's own
//                                change code (default settings; with the date on)
//   BM_ChangePngStretch          4000 x 3000 PNG through the change code
//   BM_ChangeWebpStretch         4000 x 3000 lossy WebP through the change code
//   BM_ChangeHeicStretch         4032 x 3024 HEIC (one HEVC picture) through the change code
//   BM_HugeHeicGridStretch       8064 x 6048 HEIC, a grid of 512 x 512 HEVC tiles as phones
//                                write them (48 megapixels), through the change code
//   BM_HugeWebpStretch           12000 x 9000 lossy WebP through the change code
//                                (the WebP and HEIF files are made the first time a
//                                benchmark needs them; the huge ones take a minute each)
//   BM_BareJpegDecode            the same JPEG decoded at full size and
//                                thrown away: the floor for any full decode
//   BM_PipelineJpegStretch/Png   the whole-picture route: full decode, 24-bit
//                                working copy, two-pass resample, write
//   BM_PipelineSeamlessTile      seamless tile of a 2048 x 2048 BMP
//   BM_ChangeThreeMonitors       a picture for each of three monitors (1920 x 1080
//                                primary, 1080 x 1920 on its right, 2560 x 1440 on its
//                                left), each its own 6000 x 4000 JPEG, through the change code
//   BM_BareScaledDecodes         those three JPEGs decoded by libjpeg-turbo alone at the
//                                DCT scale each monitor needs: the floor for that change
//   BM_ChangePhoneJpeg/0, /6, /1 a 4032 x 3024 phone photograph through the change code:
//                                without an orientation tag, the same file tagged 6 (shown
//                                as 3024 x 4032), and that upright picture stored upright
//   BM_ChangeJpegFit/M           the 6000 x 4000 JPEG through the change code with
//                                PictureFit M (0 stretch, 1 fill, 3 fit over a blurred
//                                copy, 4 automatic, here a fill)
//   BM_ChangePortraitFit/M       the upright 3024 x 4032 phone JPEG with PictureFit 0 and 3
// The "Stretch" and monitor benchmarks stretch (PictureFit 0), as they always have.
// The input files are written once before the first timing, into the folder
// named by MURIVANE_BENCH_DIR (kept there, so scripts/bench.sh can hand the
// same files to another tool) or into a fresh folder under /tmp (removed when
// the run ends). Content is smooth gradients with waves and grain, so the
// compressed sizes are like a photograph's, not a flat colour's.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <webp/encode.h>

#include "config/Registry.h"
#include "config/Settings.h"
#include "image/DibDraw.h"
#include "image/Image.h"
#include "image/ImageBMP.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "image/HeifFiles.h"
#include "image/TestPictures.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"
#include "wallpaper/Apply.h"
#include "wallpaper/Compose.h"
#include "wallpaper/Layout.h"

namespace {

constexpr mv::Size kScreen{1920, 1080};

// Rows top first, red-green-blue bytes.
std::vector<uint8_t> PhotoLike(int w, int h, uint32_t seed) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    uint32_t s = seed | 1u;
    auto grain = [&s]() {  // xorshift32, -12..+12
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return static_cast<int>(s % 25u) - 12;
    };
    auto clamp = [](double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    std::vector<double> waveX(static_cast<size_t>(w)), waveY(static_cast<size_t>(h));
    for (int x = 0; x < w; ++x) waveX[x] = 40.0 * std::sin(x * 0.0125) + 15.0 * std::sin(x * 0.071);
    for (int y = 0; y < h; ++y) waveY[y] = 35.0 * std::cos(y * 0.0093) + 12.0 * std::sin(y * 0.053);
    for (int y = 0; y < h; ++y) {
        const double fy = static_cast<double>(y) / h;
        uint8_t* row = &px[static_cast<size_t>(y) * w * 3];
        for (int x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w;
            const double wave = waveX[x] + waveY[y];
            row[3 * x + 0] = clamp(60 + 150 * fx + 0.8 * wave + grain());
            row[3 * x + 1] = clamp(40 + 120 * fy + 0.5 * wave + grain());
            row[3 * x + 2] = clamp(200 - 130 * fx * fy - 0.6 * wave + grain());
        }
    }
    return px;
}

mv::test::Pixels Picture(int w, int h, uint32_t seed) {
    mv::test::Pixels px;
    px.width = w;
    px.height = h;
    px.channels = 3;
    px.data = PhotoLike(w, h, seed);
    return px;
}

bool WriteJpeg(const std::string& sPath, int w, int h) {
    return mv::test::WriteBytes(sPath, mv::test::EncodeJpeg(Picture(w, h, 0x6A09E667u), 90));
}

bool WritePng(const std::string& sPath, int w, int h) {
    return mv::test::WriteBytes(sPath, mv::test::EncodePng(Picture(w, h, 0xBB67AE85u), 2));
}

bool WriteBmp(const std::string& sPath, int w, int h) {
    std::vector<uint8_t> px = PhotoLike(w, h, 0x3C6EF372u);
    mv::Image img = mv::Image::Create24(w, h);
    if (!img.IsValid()) return false;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = &px[static_cast<size_t>(y) * w * 3];
        uint8_t* dst = img.Row24(y);
        for (int x = 0; x < w; ++x) {
            dst[3 * x + 0] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x + 0];
        }
    }
    return img.Save(sPath);
}

// The input files and the folder the wallpaper is written to.
struct Inputs {
    std::string sFolder;
    std::string sJpeg, sPng, sBmp;
    bool bOk = false;
    bool bRemove = false;

    Inputs() {
        if (const char* dir = std::getenv("MURIVANE_BENCH_DIR"); dir && *dir) {
            sFolder = dir;
            ::mkdir(sFolder.c_str(), 0755);
        } else {
            char tmpl[] = "/tmp/murivane_bench_XXXXXX";
            if (::mkdtemp(tmpl)) sFolder = tmpl;
            bRemove = true;
        }
        if (sFolder.empty()) return;
        sJpeg = sFolder + "/pipeline_6000x4000.jpg";
        sPng = sFolder + "/pipeline_4000x3000.png";
        sBmp = sFolder + "/pipeline_2048x2048.bmp";
        bOk = WriteJpeg(sJpeg, 6000, 4000) && WritePng(sPng, 4000, 3000) && WriteBmp(sBmp, 2048, 2048);
    }
    ~Inputs() {
        if (!bRemove || sFolder.empty()) return;
        for (const std::string& s : {sJpeg, sPng, sBmp, Output()}) std::remove(s.c_str());
        ::rmdir(sFolder.c_str());
    }
    std::string Output() const { return sFolder + "/Murivane Wallpaper.bmp"; }
};

const Inputs& Files() {
    static const Inputs inputs;
    return inputs;
}

// Decode, draw to the working picture, compose the way the change does for a
// picture that is not tiled, write the file. The layout comes from the
// program's default percentages.
bool DecodeComposeWrite(mv::Environment& env, const std::unique_ptr<mv::Image>& picture, const std::string& sOut) {
    if (!picture || !picture->IsValid()) return false;
    const mv::Settings defaults;
    const uint64_t pictureArea = static_cast<uint64_t>(picture->Width()) * picture->Height();
    const uint64_t screenArea = static_cast<uint64_t>(kScreen.cx) * kScreen.cy;
    const mv::LayoutDecision layout = mv::DecideLayout(mv::ForcedLayout{}, false, pictureArea, screenArea,
                                                       defaults.TilePercentage, defaults.StretchPercentage);
    mv::Image working = mv::DrawTo24(*picture);  // the copy the program made before
    const mv::Image screen = mv::ComposeCentredOrStretched(working, layout.bStretch, kScreen, defaults.BackgroundColor);
    return mv::WriteWallpaperFile(env, screen, sOut);
}

template <class Decoder>
void RunStretch(benchmark::State& state, const std::string& sIn) {
    const Inputs& in = Files();
    if (!in.bOk) {
        state.SkipWithError("could not write the input files");
        return;
    }
    mv::PortableEnvironment env(in.sFolder);
    for (auto _ : state) {
        std::unique_ptr<mv::Image> picture = std::make_unique<Decoder>(sIn);
        if (!DecodeComposeWrite(env, picture, in.Output())) {
            state.SkipWithError("pipeline failed");
            return;
        }
    }
}

void BM_PipelineJpegStretch(benchmark::State& state) { RunStretch<mv::ImageJPEG>(state, Files().sJpeg); }
BENCHMARK(BM_PipelineJpegStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PipelinePngStretch(benchmark::State& state) { RunStretch<mv::ImagePNG>(state, Files().sPng); }
BENCHMARK(BM_PipelinePngStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

// One change through BackgroundChanger and the real steps, as the tray
// program makes it (no desktop to tell, no date painter off Windows: the
// dated case composes the screen as it would for the date).
void RunChange(benchmark::State& state, const std::string& sIn, bool bDate, uint32_t pictureFit = 0) {
    const Inputs& in = Files();
    if (!in.bOk) {
        state.SkipWithError("could not write the input files");
        return;
    }
    mv::MemoryRegistry registry;
    mv::Profile profile(registry, "Quorvale", "Murivane");
    mv::MemoryDesktop desktop;
    desktop.screen = kScreen;
    mv::PortableEnvironment env(in.sFolder);
    mv::Settings settings;
    settings.ShowDate = bDate;
    settings.PictureFit = pictureFit;
    mv::DefaultChangeSteps steps(settings, registry, desktop, env, nullptr, [] { return false; });
    const std::string sExt = sIn.substr(sIn.rfind('.') + 1);
    for (auto _ : state) {
        mv::BackgroundChanger changer(
            mv::ChangeContext{settings, profile, desktop, env, steps, [] { return false; }, nullptr});
        changer.ChangeBackground(sIn, sExt, 0, false, false, false, false);
    }
    if (!env.FileExists(in.sFolder + "\\Murivane.bmp")) state.SkipWithError("no wallpaper written");
}

void BM_ChangeJpegStretch(benchmark::State& state) { RunChange(state, Files().sJpeg, false); }
BENCHMARK(BM_ChangeJpegStretch)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_ChangeJpegStretchDated(benchmark::State& state) { RunChange(state, Files().sJpeg, true); }
BENCHMARK(BM_ChangeJpegStretchDated)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_ChangePngStretch(benchmark::State& state) { RunChange(state, Files().sPng, false); }
BENCHMARK(BM_ChangePngStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- WebP and HEIF ----------------------------------------------------------

bool WriteWebp(const std::string& sPath, int w, int h, uint32_t seed) {
    const mv::test::Pixels px = Picture(w, h, seed);
    uint8_t* out = nullptr;
    const size_t n = WebPEncodeRGB(px.data.data(), w, h, w * 3, 90, &out);
    const bool bOk = n > 0 && mv::test::WriteBytes(sPath, std::vector<uint8_t>(out, out + n));
    WebPFree(out);
    return bOk;
}

// A phone's 48-megapixel photograph: 16 x 12 tiles of 512 x 512, each its
// own HEVC picture, cut to 8064 x 6048.
bool WriteHeicGrid(const std::string& sPath) {
    const mv::test::Pixels px = Picture(8192, 6144, 0x1F83D9ABu);
    mv::test::HeifLayout grid;
    grid.bGrid = true;
    grid.columns = 16;
    grid.rows = 12;
    grid.width = 8064;
    grid.height = 6048;
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.columns; ++c) {
            grid.tiles.emplace_back();
            if (!mv::test::EncodeHeif(mv::test::Crop(px, c * 512, r * 512, 512, 512), false, 85, grid.tiles.back()))
                return false;
        }
    return mv::test::WriteBytes(sPath, mv::test::WriteHeif(grid));
}

// The later formats' files, each made the first time a benchmark needs it
// (encoding the large ones takes a while), in the inputs' folder.
struct LaterInputs {
    std::map<std::string, bool> made;
    ~LaterInputs() {
        if (!Files().bRemove) return;
        for (const auto& [sPath, bMade] : made) std::remove(sPath.c_str());
    }
    const std::string* Get(const std::string& sName, const std::function<bool(const std::string&)>& write) {
        const std::string sPath = Files().sFolder + "/" + sName;
        auto it = made.find(sPath);
        if (it == made.end()) it = made.emplace(sPath, write(sPath)).first;
        return it->second ? &it->first : nullptr;
    }
};

const std::string* LaterFile(const std::string& sName, const std::function<bool(const std::string&)>& write) {
    static LaterInputs inputs;
    return Files().bOk ? inputs.Get(sName, write) : nullptr;
}

void RunLaterChange(benchmark::State& state, const std::string* pPath) {
    if (!pPath) {
        state.SkipWithError("could not write the input file");
        return;
    }
    RunChange(state, *pPath, false);
}

void BM_ChangeWebpStretch(benchmark::State& state) {
    RunLaterChange(state, LaterFile("pipeline_4000x3000.webp", [](const std::string& s) {
        return WriteWebp(s, 4000, 3000, 0x510E527Fu);
    }));
}
BENCHMARK(BM_ChangeWebpStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChangeHeicStretch(benchmark::State& state) {
    RunLaterChange(state, LaterFile("pipeline_4032x3024.heic", [](const std::string& s) {
        return mv::test::WriteBytes(s, mv::test::EncodeHeifFile(Picture(4032, 3024, 0x9B05688Cu), false, 85));
    }));
}
BENCHMARK(BM_ChangeHeicStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HugeHeicGridStretch(benchmark::State& state) {
    RunLaterChange(state, LaterFile("pipeline_8064x6048_grid.heic", WriteHeicGrid));
}
BENCHMARK(BM_HugeHeicGridStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HugeWebpStretch(benchmark::State& state) {
    RunLaterChange(state, LaterFile("pipeline_12000x9000.webp", [](const std::string& s) {
        return WriteWebp(s, 12000, 9000, 0x5BE0CD19u);
    }));
}
BENCHMARK(BM_HugeWebpStretch)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg-turbo alone, every scanline into one row buffer: at full size, or
// with a smallest size at the smallest DCT scale (n/8) still that large.
bool BareDecode(const std::string& sPath, int minWidth = 0, int minHeight = 0) {
    std::FILE* f = std::fopen(sPath.c_str(), "rb");
    if (!f) return false;
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    if (minWidth > 0) {
        c.scale_denom = 8;
        for (c.scale_num = 1; c.scale_num < 8; ++c.scale_num) {
            jpeg_calc_output_dimensions(&c);
            if (static_cast<int>(c.output_width) >= minWidth && static_cast<int>(c.output_height) >= minHeight)
                break;
        }
    }
    jpeg_start_decompress(&c);
    std::vector<uint8_t> row(static_cast<size_t>(c.output_width) * c.output_components);
    while (c.output_scanline < c.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&c, &r, 1);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    std::fclose(f);
    benchmark::DoNotOptimize(row.data());
    return true;
}

void BM_BareJpegDecode(benchmark::State& state) {
    const Inputs& in = Files();
    for (auto _ : state) {
        if (!BareDecode(in.sJpeg)) {
            state.SkipWithError("no input");
            return;
        }
    }
}
BENCHMARK(BM_BareJpegDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PipelineSeamlessTile(benchmark::State& state) {
    const Inputs& in = Files();
    if (!in.bOk) {
        state.SkipWithError("could not write the input files");
        return;
    }
    mv::PortableEnvironment env(in.sFolder);
    for (auto _ : state) {
        mv::ImageBMP picture(in.sBmp);
        mv::Image working = mv::DrawTo24(picture);
        const mv::Image tile = mv::MakeSeamlessTile(working);
        if (!mv::WriteWallpaperFile(env, tile, in.Output())) {
            state.SkipWithError("pipeline failed");
            return;
        }
    }
}
BENCHMARK(BM_PipelineSeamlessTile)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Three monitors ----------------------------------------------------------

mv::Monitor MonitorAt(int left, int top, int w, int h, bool bPrimary) {
    mv::Monitor m;
    m.rect = m.work = {left, top, left + w, top + h};
    m.bPrimary = bPrimary;
    return m;
}

mv::MonitorLayout ThreeMonitors() {
    mv::MonitorLayout layout;
    layout.monitors = {MonitorAt(0, 0, 1920, 1080, true), MonitorAt(1920, 0, 1080, 1920, false),
                       MonitorAt(-2560, 0, 2560, 1440, false)};
    return layout;
}

// Three different 6000 x 4000 photographs, one per monitor.
const std::vector<std::string>& MonitorJpegs() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> out;
        const Inputs& in = Files();
        if (!in.bOk) return out;
        out.push_back(in.sJpeg);
        for (uint32_t seed : {0x510E527Fu, 0x9B05688Cu}) {
            std::string sPath = in.sFolder + "/monitor_" + std::to_string(out.size()) + "_6000x4000.jpg";
            if (!mv::test::WriteBytes(sPath, mv::test::EncodeJpeg(Picture(6000, 4000, seed), 90))) return out;
            out.push_back(sPath);
        }
        return out;
    }();
    return files;
}

void BM_ChangeThreeMonitors(benchmark::State& state) {
    const std::vector<std::string>& files = MonitorJpegs();
    if (files.size() != 3) {
        state.SkipWithError("could not write the input files");
        return;
    }
    const Inputs& in = Files();
    mv::MemoryRegistry registry;
    mv::Profile profile(registry, "Quorvale", "Murivane");
    mv::MemoryDesktop desktop;
    desktop.screen = kScreen;
    desktop.monitors = ThreeMonitors();
    mv::PortableEnvironment env(in.sFolder);
    mv::Settings settings;
    settings.PictureFit = 0;
    mv::DefaultChangeSteps steps(settings, registry, desktop, env, nullptr, [] { return false; });
    std::vector<mv::MonitorPicture> pictures;
    for (const std::string& s : files) pictures.push_back({s, "jpg", 0});
    for (auto _ : state) {
        mv::BackgroundChanger changer(
            mv::ChangeContext{settings, profile, desktop, env, steps, [] { return false; }, nullptr});
        changer.ChangeBackgroundMonitors(desktop.monitors, false, pictures, mv::WallpaperArrangement::Span);
    }
    if (!env.FileExists(in.sFolder + "\\Murivane.bmp")) state.SkipWithError("no wallpaper written");
}
BENCHMARK(BM_ChangeThreeMonitors)->Unit(benchmark::kMillisecond)->UseRealTime();

// The three JPEGs decoded by libjpeg-turbo alone at the scale each monitor needs.
void BM_BareScaledDecodes(benchmark::State& state) {
    const std::vector<std::string>& files = MonitorJpegs();
    if (files.size() != 3) {
        state.SkipWithError("could not write the input files");
        return;
    }
    const mv::MonitorLayout layout = ThreeMonitors();
    for (auto _ : state) {
        for (size_t i = 0; i < files.size(); ++i) {
            const mv::Rect& r = layout.monitors[i].rect;
            if (!BareDecode(files[i], r.Width(), r.Height())) {
                state.SkipWithError("no input");
                return;
            }
        }
    }
}
BENCHMARK(BM_BareScaledDecodes)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- A phone photograph, upright and sideways ---------------------------------

// The same 4032 x 3024 photograph without an orientation tag (0), with tag
// 6 (stored sideways, shown as 3024 x 4032), and turned and stored upright
// as 3024 x 4032 without a tag (1).
const std::string& PhoneJpeg(int kind) {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> out;
        const Inputs& in = Files();
        if (!in.bOk) return out;
        const mv::test::Pixels stored = Picture(4032, 3024, 0x1F83D9ABu);
        mv::test::Pixels upright;  // turned a quarter clockwise
        upright.width = 3024, upright.height = 4032, upright.channels = 3;
        upright.data.resize(stored.data.size());
        for (int y = 0; y < 4032; ++y)
            for (int x = 0; x < 3024; ++x)
                std::memcpy(&upright.data[(static_cast<size_t>(y) * 3024 + x) * 3],
                            &stored.data[(static_cast<size_t>(3023 - x) * 4032 + y) * 3], 3);
        const std::vector<uint8_t> plain = mv::test::EncodeJpeg(stored, 90);
        out = {in.sFolder + "/phone_plain.jpg", in.sFolder + "/phone_tagged.jpg", in.sFolder + "/phone_upright.jpg"};
        if (!mv::test::WriteBytes(out[0], plain) ||
            !mv::test::WriteBytes(out[1], mv::test::WithExifOrientation(plain, 6)) ||
            !mv::test::WriteBytes(out[2], mv::test::EncodeJpeg(upright, 90)))
            out.clear();
        return out;
    }();
    static const std::string none;
    if (files.size() != 3) return none;
    return files[kind == 6 ? 1 : kind == 1 ? 2 : 0];
}

void BM_ChangePhoneJpeg(benchmark::State& state) {
    const std::string& sPath = PhoneJpeg(static_cast<int>(state.range(0)));
    if (sPath.empty()) {
        state.SkipWithError("could not write the input files");
        return;
    }
    RunChange(state, sPath, false);
}
BENCHMARK(BM_ChangePhoneJpeg)->Arg(0)->Arg(6)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// --- Pictures that keep their shape -------------------------------------------

void BM_ChangeJpegFit(benchmark::State& state) {
    RunChange(state, Files().sJpeg, false, static_cast<uint32_t>(state.range(0)));
}
BENCHMARK(BM_ChangeJpegFit)->Arg(0)->Arg(1)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ChangePortraitFit(benchmark::State& state) {
    const std::string& sPath = PhoneJpeg(1);
    if (sPath.empty()) {
        state.SkipWithError("could not write the input files");
        return;
    }
    RunChange(state, sPath, false, static_cast<uint32_t>(state.range(0)));
}
BENCHMARK(BM_ChangePortraitFit)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
