// The tray program on three monitors (run with the monitor tests, see
// MonitorHeads.h): a change from the tray in each mode, on Windows 7 (the
// bitmap tiled from the primary) and Windows 10 (the span style), checked
// monitor by monitor in the written bitmap and the desktop's values.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MonitorHeads.h"
#include "WineVersion.h"
#include "image/ImageBMP.h"
#include "image/TestPictures.h"
#include "resource.h"
#include "win32/ProcessHelpers.h"
#include "win32/SheetDriver.h"

using namespace mv;
using namespace mv::test;

namespace {

bool Near(Color a, Color b) {
    auto d = [](int x, int y) { return x > y ? x - y : y - x; };
    return d(RedOf(a), RedOf(b)) <= 8 && d(GreenOf(a), GreenOf(b)) <= 8 && d(BlueOf(a), BlueOf(b)) <= 8;
}

// Photographs as large as a phone's, two landscape and one portrait, each
// made of four flat blocks: its quarters, top-left, top-right, bottom-left,
// bottom-right. Every colour is its own, so what a monitor shows tells which
// picture it is and how it lies.
struct Photo {
    const char* name;
    int w, h;
    Color quarters[4];
};
const Photo kPhotos[] = {{"a-wide.jpg", 6000, 4000, {0x000000D0, 0x0000D0D0, 0x00D000D0, 0x00808080}},
                         {"b-wide.jpg", 6000, 4000, {0x0000C000, 0x00D0D000, 0x00004080, 0x00F0F0F0}},
                         {"c-tall.jpg", 4000, 6000, {0x00D00000, 0x00303030, 0x000080F0, 0x0080C040}}};

// The block of a picture at a point of the area it is stretched over: the
// quarters meet at the area's middle.
Color QuarterAt(const Photo& p, const Rect& area, int vx, int vy) {
    const int col = (vx - area.left) * 2 >= area.Width() ? 1 : 0;
    const int row = (vy - area.top) * 2 >= area.Height() ? 1 : 0;
    return p.quarters[row * 2 + col];
}

// Within a few pixels of where two blocks meet, resampling and the JPEG
// blocks blend them.
bool NearASeam(const Rect& area, int vx, int vy) {
    const int mx = area.left + area.Width() / 2, my = area.top + area.Height() / 2;
    return std::abs(vx - mx) <= 6 || std::abs(vy - my) <= 6;
}

struct MonitorsTray : ::testing::Test {
    std::string folder;
    MonitorLayout layout;
    void SetUp() override {
        CloseAllTrays();
        ResetConfig();
        // These check a picture stretched over each area, whatever its shape.
        WriteConfigDword("PictureFit", 0);
        layout.monitors.clear();
        for (const Rect& r : XineramaHeads()) {
            Monitor m;
            m.rect = r;
            m.bPrimary = r.left == 0 && r.top == 0;
            layout.monitors.push_back(m);
        }
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "murivane-monitors";
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const Photo& p : kPhotos) {
            Pixels px;
            px.width = p.w, px.height = p.h;
            px.data.resize(static_cast<size_t>(p.w) * p.h * 3);
            const Rect whole{0, 0, p.w, p.h};
            for (int y = 0; y < p.h; ++y)
                for (int x = 0; x < p.w; ++x) {
                    const Color c = QuarterAt(p, whole, x, y);
                    uint8_t* o = &px.data[(static_cast<size_t>(y) * p.w + x) * 3];
                    o[0] = static_cast<uint8_t>(RedOf(c)), o[1] = static_cast<uint8_t>(GreenOf(c)),
                    o[2] = static_cast<uint8_t>(BlueOf(c));
                }
            ASSERT_TRUE(WriteBytes(folder + "\\" + p.name, EncodeJpeg(px, 90)));
        }
        const std::string ini = WindowsFile("Murivane.ini");
        DeleteFileA(ini.c_str());
        WritePrivateProfileStringA("Default", "Folder0", folder.c_str(), ini.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
        WritePrivateProfileStringA("Default", "Cycle", "1", ini.c_str());
        WritePrivateProfileStringA("Default", "FractalProb", "0", ini.c_str());
    }
    void TearDown() override {
        CloseAllTrays();
        for (const Photo& p : kPhotos) DeleteFileA((folder + "\\" + p.name).c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
        ResetConfig();
    }

    // One change from the tray's menu; the bitmap it wrote, and the tray's
    // peak working set.
    Image ChangeFromTheTray(SIZE_T& peak) {
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
        WritePrivateProfileStringA("Default", "NextToUse", "0", WindowsFile("Murivane.ini").c_str());
        WriteConfigDword("ChangeOnStartup", 0);
        Process tray("/tray");
        HWND hTray = WaitForWindow(kTray, 15000);
        if (!hTray) return Image();
        PostMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        const Rect b = layout.Bounds();
        for (DWORD waited = 0; waited < 60000; waited += 100) {
            ImageBMP bmp(WindowsFile("Murivane.bmp"));
            if (bmp.IsValid() && bmp.Width() == b.Width() && bmp.Height() == b.Height()) {
                PROCESS_MEMORY_COUNTERS pmc = {};
                pmc.cb = sizeof(pmc);
                peak = GetProcessMemoryInfo(tray.pi.hProcess, &pmc, sizeof(pmc)) ? pmc.PeakWorkingSetSize : 0;
                return bmp;
            }
            Sleep(100);
        }
        return Image();
    }
    // The colour Windows shows at a virtual-screen point, from the shell's
    // documented layouts: the bitmap is the monitors' bounding rectangle.
    // Spanned it covers that rectangle unscaled (the bitmap's pixel at the
    // point's offset from the rectangle's top-left); tiled, its top-left lies
    // on the primary's top-left (0, 0) and it repeats, so points left of or
    // above 0 show its right or bottom end.
    Color Shown(const Image& bmp, int vx, int vy, WallpaperArrangement arrangement) {
        const Rect b = layout.Bounds();
        if (arrangement == WallpaperArrangement::Span) return bmp.Pixel(vx - b.left, vy - b.top);
        return bmp.Pixel(vx < 0 ? vx + bmp.Width() : vx, vy < 0 ? vy + bmp.Height() : vy);
    }
    // Checks a monitor's whole region against a picture stretched over the
    // area (the monitor, or every monitor's bounds): each pixel away from the
    // seams, a fixed point in each quarter, and the mean colour.
    void ExpectShows(const Image& bmp, const Monitor& m, const Photo& p, const Rect& area,
                     WallpaperArrangement arrangement) {
        const Rect& r = m.rect;
        int wrong = 0;
        double sum[3] = {}, want[3] = {};
        for (int vy = r.top; vy < r.bottom; ++vy)
            for (int vx = r.left; vx < r.right; ++vx) {
                const Color c = Shown(bmp, vx, vy, arrangement), e = QuarterAt(p, area, vx, vy);
                sum[0] += RedOf(c), sum[1] += GreenOf(c), sum[2] += BlueOf(c);
                want[0] += RedOf(e), want[1] += GreenOf(e), want[2] += BlueOf(e);
                if (!NearASeam(area, vx, vy) && !Near(c, e)) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << p.name << " on the monitor at " << r.left << "," << r.top;
        const double n = double(r.Width()) * r.Height();
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(sum[k] / n, want[k] / n, 4.0) << p.name << " channel " << k << " at " << r.left;
        for (int fy : {1, 3})
            for (int fx : {1, 3}) {
                const int vx = r.left + r.Width() * fx / 4, vy = r.top + r.Height() * fy / 4;
                EXPECT_TRUE(Near(Shown(bmp, vx, vy, arrangement), QuarterAt(p, area, vx, vy)))
                    << p.name << " at " << vx << "," << vy;
            }
    }
    // The photograph a monitor shows, told by the colour a quarter in from
    // its top-left corner; null when none.
    const Photo* PhotoOn(const Image& bmp, const Monitor& m, WallpaperArrangement arrangement) {
        const Color c = Shown(bmp, m.rect.left + m.rect.Width() / 4, m.rect.top + m.rect.Height() / 4, arrangement);
        for (const Photo& p : kPhotos)
            if (Near(c, p.quarters[0])) return &p;
        return nullptr;
    }
};

}  // namespace

TEST_F(MonitorsTray, EachModeGivesEveryMonitorItsPartOnWindows7And10) {
    ASSERT_EQ(layout.monitors.size(), 3u) << "run through scripts/wine-run.sh --monitors";
    struct Run {
        const char* version;
        DWORD mode;
    } runs[] = {{"win10", 1}, {"win7", 1}, {"win10", 0}, {"win7", 2}};
    for (const Run& run : runs) {
        SCOPED_TRACE(std::string(run.version) + " mode " + std::to_string(run.mode));
        ScopedWineVersion version(run.version);
        ASSERT_TRUE(version.ok);
        const bool bWin10 = std::string(run.version) == "win10";
        const WallpaperArrangement arrangement =
            bWin10 ? WallpaperArrangement::Span : WallpaperArrangement::TiledFromPrimary;
        if (&run == &runs[0]) {
            // As a user would: a picture for each monitor chosen on the Advanced page, then OK.
            WriteConfigDword("MultipleMonitors", kSamePictureEverywhere);
            Process settings("");
            Sheet sheet;
            ASSERT_TRUE(sheet.Open());
            HWND hPage = sheet.Select(TabIndex(kAdvancedTab));
            ClickNow(hPage, IDC_ADV_PER_MONITOR);
            EXPECT_TRUE(Checked(hPage, IDC_ADV_MATCH_SHAPE));
            sheet.Ok();
            ASSERT_TRUE(settings.WaitExit(15000));
            CloseAllTrays();  // the one the settings started on OK
            ASSERT_EQ(ReadConfigDword("MultipleMonitors", 99), run.mode);
        } else {
            WriteConfigDword("MultipleMonitors", run.mode);
        }
        SIZE_T peak = 0;
        const Image bmp = ChangeFromTheTray(peak);
        ASSERT_TRUE(bmp.IsValid());
        // For looking at: MURIVANE_SHOTS=folder keeps each written bitmap.
        if (const char* shots = std::getenv("MURIVANE_SHOTS"))
            CopyFileA(WindowsFile("Murivane.bmp").c_str(),
                      (std::string(shots) + "\\monitors-" + run.version + "-mode" + std::to_string(run.mode) + ".bmp")
                          .c_str(),
                      FALSE);
        EXPECT_EQ(DesktopValue("Wallpaper"), WindowsFile("Murivane.bmp"));
        EXPECT_EQ(DesktopValue("WallpaperStyle"), bWin10 ? "22" : "0");
        EXPECT_EQ(DesktopValue("TileWallpaper"), bWin10 ? "0" : "1");
        std::vector<const Photo*> shown;
        for (const Monitor& m : layout.monitors) shown.push_back(PhotoOn(bmp, m, arrangement));
        if (run.mode == 1) {
            // A portrait picture on the portrait monitor, the two landscape
            // ones on the others, each monitor its own, each stretched over
            // its monitor.
            for (size_t i = 0; i < layout.monitors.size(); ++i) {
                const Monitor& m = layout.monitors[i];
                ASSERT_NE(shown[i], nullptr) << i;
                EXPECT_EQ(shown[i] == &kPhotos[2], m.IsPortrait()) << i;
                ExpectShows(bmp, m, *shown[i], m.rect, arrangement);
            }
            EXPECT_NE(shown[0], shown[2]);
            // Three 6000 x 4000 photographs, never held whole.
            EXPECT_LT(peak, SIZE_T(150) << 20) << peak;
            std::printf("three monitors, a 6000x4000 photograph each: peak working set %lu bytes\n",
                        static_cast<unsigned long>(peak));
        } else if (run.mode == 0) {
            // The first picture stretched over every monitor.
            for (const Monitor& m : layout.monitors) ExpectShows(bmp, m, kPhotos[0], m.rect, arrangement);
        } else {
            // The first picture stretched over the bounding rectangle: its
            // quarters meet at the rectangle's middle, and it fills the
            // corners no monitor shows as well.
            const Rect b = layout.Bounds();
            for (const Monitor& m : layout.monitors) ExpectShows(bmp, m, kPhotos[0], b, arrangement);
            EXPECT_TRUE(Near(Shown(bmp, b.left + b.Width() / 2 + 20, b.bottom - 1, arrangement), kPhotos[0].quarters[3]));
        }
        CloseAllTrays();
    }
}

// "/next 2" on the command line changes monitor 2 alone, numbered in the
// system's order of its monitors: the others' regions of the wallpaper stay
// the same to the pixel.
TEST_F(MonitorsTray, NextOnTheCommandLineChangesOneMonitorOnly) {
    ASSERT_EQ(layout.monitors.size(), 3u) << "run through scripts/wine-run.sh --monitors";
    ScopedWineVersion version("win10");
    ASSERT_TRUE(version.ok);
    WriteConfigDword("MultipleMonitors", 1);
    WriteConfigDword("MatchMonitorShape", 0);  // the walk in order, whatever the shapes
    // Monitor 2 as the system numbers them.
    std::vector<RECT> system;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT r, LPARAM lp) {
            reinterpret_cast<std::vector<RECT>*>(lp)->push_back(*r);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&system));
    ASSERT_EQ(system.size(), 3u);
    WritePrivateProfileStringA("Default", "NextToUse", "0", WindowsFile("Murivane.ini").c_str());
    DeleteFileA(WindowsFile("Murivane.bmp").c_str());
    Process tray("/tray");
    HWND hTray = WaitForWindow(kTray, 15000);
    ASSERT_NE(hTray, nullptr);
    const Rect b = layout.Bounds();
    auto written = [&] {
        ImageBMP bmp(WindowsFile("Murivane.bmp"));
        return bmp.IsValid() && bmp.Width() == b.Width() && bmp.Height() == b.Height();
    };
    SendMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    ASSERT_TRUE(WaitFor(written, 60000));
    const Image before = ImageBMP(WindowsFile("Murivane.bmp"));
    {
        Process next("/next 2");
        EXPECT_EQ(next.ExitStatus(60000), 0);
    }
    const std::string sAfter = FileBytes(WindowsFile("Murivane.bmp"));
    const Image after = ImageBMP(WindowsFile("Murivane.bmp"));
    ASSERT_TRUE(after.IsValid());
    for (size_t i = 0; i < system.size(); ++i) {
        const RECT& r = system[i];
        int differ = 0;
        for (int vy = r.top; vy < r.bottom; vy += 3)
            for (int vx = r.left; vx < r.right; vx += 3)
                differ += Shown(before, vx, vy, WallpaperArrangement::Span) != Shown(after, vx, vy, WallpaperArrangement::Span);
        if (i == 1)
            EXPECT_GT(differ, 0) << "monitor 2 kept its picture";
        else
            EXPECT_EQ(differ, 0) << "monitor " << i + 1 << " changed";
    }
    // A monitor the desktop does not have: refused, nothing changes.
    {
        Process next("/next 4");
        EXPECT_EQ(next.ExitStatus(60000), 1);
    }
    EXPECT_TRUE(FileBytes(WindowsFile("Murivane.bmp")) == sAfter);
    CloseAllTrays();
}

namespace {
// The wide desktop of the memory test: its own CTest entry sets these heads.
struct MonitorsWide : MonitorsTray {};
}  // namespace

// Three 3840x2160 monitors side by side: the tray holds one bitmap of the
// whole desktop (74,649,600 bytes of pixels) and not much besides, whether
// one picture goes across them all or each monitor has its own.
TEST_F(MonitorsWide, ThePeakWorkingSetIsTheBitmapAndAtMost80MBMore) {
    const std::vector<Rect> wide = {{0, 0, 3840, 2160}, {3840, 0, 7680, 2160}, {7680, 0, 11520, 2160}};
    if (XineramaHeads() != wide)
        GTEST_SKIP() << "needs MURIVANE_XINERAMA_HEADS=3840x2160+0+0,3840x2160+3840+0,3840x2160+7680+0 "
                        "(the win32_monitors_wide CTest entry)";
    const SIZE_T kBitmap = SIZE_T(11520) * 2160 * 3;  // rows of 34,560 bytes, a multiple of 4 already
    for (DWORD mode : {2u, 1u}) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        WriteConfigDword("MultipleMonitors", mode);
        SIZE_T peak = 0;
        const Image bmp = ChangeFromTheTray(peak);
        ASSERT_TRUE(bmp.IsValid());
        EXPECT_EQ(bmp.ImageSize(), kBitmap);
        // One photo stretched over the whole desktop (mode 2) or over each
        // monitor (mode 1): the middle of each quarter of that area shows the
        // photo's block there. The primary is the leftmost monitor, so the
        // bitmap's pixels are the desktop's.
        const std::vector<Rect> areas = mode == 2 ? std::vector<Rect>{{0, 0, 11520, 2160}} : wide;
        for (const Rect& r : areas) {
            bool bSome = false;
            for (const Photo& photo : kPhotos) {
                bool bAll = true;
                for (int q = 0; q < 4; ++q) {
                    const int vx = r.left + r.Width() / 4 + (q % 2) * r.Width() / 2;
                    const int vy = r.top + r.Height() / 4 + (q / 2) * r.Height() / 2;
                    bAll = bAll && Near(bmp.Pixel(vx, vy), QuarterAt(photo, r, vx, vy));
                }
                bSome = bSome || bAll;
            }
            EXPECT_TRUE(bSome) << "area from x " << r.left << " shows none of the photos whole";
        }
        ASSERT_GT(peak, kBitmap) << "the tray's peak working set could not be read";
        EXPECT_LE(peak, kBitmap + (SIZE_T(80) << 20)) << peak;
        std::printf("three 3840x2160 monitors, mode %lu: peak working set %lu bytes\n", static_cast<unsigned long>(mode),
                    static_cast<unsigned long>(peak));
        CloseAllTrays();
    }
    // A picture fitted across the desktop over its blurred copy stays within
    // the same bound: the backdrop is made from a small copy.
    WriteConfigDword("MultipleMonitors", 2);
    WriteConfigDword("PictureFit", 3);
    SIZE_T peak = 0;
    const Image bmp = ChangeFromTheTray(peak);
    ASSERT_TRUE(bmp.IsValid());
    EXPECT_EQ(bmp.ImageSize(), kBitmap);
    // Fitted, not stretched: a 6000 x 4000 photo fits 3240 x 2160 in the middle
    // (x 4140 to 7380); at x 100 a stretch would show its first quarter's block.
    for (const Photo& photo : kPhotos)
        EXPECT_FALSE(Near(bmp.Pixel(100, 540), QuarterAt(photo, Rect{0, 0, 11520, 2160}, 100, 540))) << photo.name;
    ASSERT_GT(peak, kBitmap) << "the tray's peak working set could not be read";
    EXPECT_LE(peak, kBitmap + (SIZE_T(80) << 20)) << peak;
    std::printf("three 3840x2160 monitors, across, fitted over a blurred copy: peak working set %lu bytes\n",
                static_cast<unsigned long>(peak));
    CloseAllTrays();
}

// The program is linked large-address-aware, so that on 64-bit Windows it
// has 4 GB of address space: bit 0x0020 (IMAGE_FILE_LARGE_ADDRESS_AWARE) of
// the COFF header's Characteristics, which follows the "PE\0\0" signature
// whose offset the DOS header holds at 0x3C.
TEST(MonitorsProgram, IsLargeAddressAware) {
#ifdef _WIN64
    GTEST_SKIP() << "the 64-bit test build has the whole address space; the bit matters to the 32-bit program, "
                    "which this machine cannot run";
#endif
    const std::string exe = ExeBeside("Murivane.exe");
    std::FILE* f = std::fopen(exe.c_str(), "rb");
    ASSERT_NE(f, nullptr) << exe;
    std::vector<uint8_t> head(4096);
    head.resize(std::fread(head.data(), 1, head.size(), f));
    std::fclose(f);
    ASSERT_GE(head.size(), 0x40u);
    ASSERT_EQ(head[0], 'M');
    ASSERT_EQ(head[1], 'Z');
    const size_t pe = head[0x3C] | head[0x3D] << 8 | head[0x3E] << 16 | static_cast<size_t>(head[0x3F]) << 24;
    ASSERT_LE(pe + 24, head.size());
    ASSERT_EQ(std::string(reinterpret_cast<const char*>(&head[pe]), 4), std::string("PE\0\0", 4));
    const unsigned machine = head[pe + 4] | head[pe + 5] << 8;
    EXPECT_EQ(machine, 0x014Cu);  // IMAGE_FILE_MACHINE_I386
    const unsigned characteristics = head[pe + 22] | head[pe + 23] << 8;
    EXPECT_EQ(characteristics & 0x0020u, 0x0020u) << std::hex << characteristics;
}
