// Every kind of picture a user is likely to have becomes the wallpaper
// through the real tray program, upright, matching another decoder's
// (ImageMagick's) picture to at least 35 dB. The pictures and references are
// made before the suite by tests/win32/make-format-pictures.sh.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <webp/encode.h>

#include "image/HeifFiles.h"
#include "image/ImageBMP.h"
#include "image/TestPictures.h"
#include "resource.h"
#include "win32/ProcessHelpers.h"
#include "win32/SheetDriver.h"

using namespace mv;
using namespace mv::test;

namespace {

// Peak signal to noise ratio over the three channels; 0 when the sizes differ.
double Psnr(const Image& a, const Image& b) {
    if (!a.IsValid() || !b.IsValid() || a.Width() != b.Width() || a.Height() != b.Height()) return 0;
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const Color p = a.Pixel(x, y), q = b.Pixel(x, y);
            const double dr = RedOf(p) - RedOf(q), dg = GreenOf(p) - GreenOf(q), db = BlueOf(p) - BlueOf(q);
            sum += dr * dr + dg * dg + db * db;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Where make-format-pictures.sh put its files, as a Windows path; empty
// when the suite runs without them.
std::string MadeFolder() {
    const char* sUnix = std::getenv("MURIVANE_FORMAT_PICTURES");
    if (!sUnix) return std::string();
    std::string made = std::string("Z:") + sUnix;
    for (char& c : made)
        if (c == '/') c = '\\';
    return made;
}

std::string TempFolder(const char* sName) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + sName;
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

// A collection of that one folder, shown in order, pictures only.
void UseFolder(const std::string& folder) {
    const std::string ini = WindowsFile("Murivane.ini");
    DeleteFileA(ini.c_str());
    WritePrivateProfileStringA("Default", "Folder0", folder.c_str(), ini.c_str());
    WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
    WritePrivateProfileStringA("Default", "Cycle", "1", ini.c_str());
    WritePrivateProfileStringA("Default", "FractalProb", "0", ini.c_str());
}

std::vector<uint8_t> ReadBytes(const std::string& sPath) {
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(sPath.c_str(), "rb")) {
        uint8_t buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof(buffer), f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return bytes;
}

// A phone's 48-megapixel photograph: a grid of 16 x 12 HEVC tiles of
// 512 x 512 (each a copy of one coded tile), cut to 8064 x 6048.
bool WriteHeicGrid(const std::string& sTile, const std::string& sPath) {
    HeifLayout grid;
    grid.bGrid = true;
    grid.columns = 16;
    grid.rows = 12;
    grid.width = 8064;
    grid.height = 6048;
    CodedPicture tile;
    if (!SplitHeif(ReadBytes(sTile), tile) || tile.width != 512 || tile.height != 512) return false;
    grid.tiles.assign(static_cast<size_t>(grid.columns * grid.rows), tile);
    return WriteBytes(sPath, WriteHeif(grid));
}

// A lossy w x h WebP of smooth bands, encoded from its YUV planes (no RGB
// copy of that size in this process) at the fastest method.
bool WriteHugeWebp(const std::string& sPath, int w, int h) {
    WebPConfig config;
    WebPPicture pic;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&pic)) return false;
    config.method = 0;
    config.quality = 80;
    pic.width = w;
    pic.height = h;
    if (!WebPPictureAlloc(&pic)) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pic.y[static_cast<size_t>(y) * pic.y_stride + x] = static_cast<uint8_t>(40 + (x / 7 + y / 11) % 170);
    for (int y = 0; y < (h + 1) / 2; ++y) {
        std::memset(pic.u + static_cast<size_t>(y) * pic.uv_stride, 96 + (y / 64) % 64, static_cast<size_t>(pic.uv_stride));
        std::memset(pic.v + static_cast<size_t>(y) * pic.uv_stride, 160 - (y / 48) % 64, static_cast<size_t>(pic.uv_stride));
    }
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    pic.writer = WebPMemoryWrite;
    pic.custom_ptr = &writer;
    const bool bEncoded = WebPEncode(&config, &pic) != 0;
    WebPPictureFree(&pic);
    const bool bOk = bEncoded && WriteBytes(sPath, std::vector<uint8_t>(writer.mem, writer.mem + writer.size));
    WebPMemoryWriterClear(&writer);
    return bOk;
}

// A phone's 12-megapixel photograph as it stores it: the grid of 8 x 6
// tiles (512 x 512, coded on their own) cut to 4032 x 3024, shown turned a
// quarter anticlockwise (irot 1).
bool WriteTurnedGrid(const std::string& sMade, const std::string& sPath) {
    HeifLayout grid;
    grid.bGrid = true;
    grid.columns = 8;
    grid.rows = 6;
    grid.width = 4032;
    grid.height = 3024;
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.columns; ++c) {
            CodedPicture tile;
            const std::string sTile = sMade + "\\grid\\r" + std::to_string(r) + "-c" + std::to_string(c) + ".heic";
            if (!SplitHeif(ReadBytes(sTile), tile) || tile.width != 512 || tile.height != 512) return false;
            grid.tiles.push_back(std::move(tile));
        }
    grid.transforms.push_back(IrotBox(1));
    return WriteBytes(sPath, WriteHeif(grid));
}

// The 2048 x 1536 AVIF with a clean aperture of 1600 x 1200 whose top left
// corner is at (200, 100): its centre lies (-24, -68) from the picture's.
bool WriteCroppedAvif(const std::string& sMade, const std::string& sPath) {
    HeifLayout one;
    CodedPicture picture;
    if (!SplitHeif(ReadBytes(sMade + "\\clapsrc.avif"), picture) || picture.width != 2048 || picture.height != 1536)
        return false;
    one.width = picture.width;
    one.height = picture.height;
    one.tiles.push_back(std::move(picture));
    std::vector<uint8_t> clap;
    for (const uint32_t v : {40u, 0x636C6170u /* clap */, 1600u, 1u, 1200u, 1u, static_cast<uint32_t>(-24), 1u,
                             static_cast<uint32_t>(-68), 1u})
        for (int shift = 24; shift >= 0; shift -= 8) clap.push_back(static_cast<uint8_t>(v >> shift));
    one.transforms.push_back(clap);
    return WriteBytes(sPath, WriteHeif(one));
}

}  // namespace

// With the pictures larger than the 1024 x 768 screen too (big*, clap.avif,
// grid.heic): stretched over it, they are decoded straight to its size,
// turned on the way, and their references are ImageMagick's upright pictures
// resized to the screen.
TEST(PictureFormats, EveryKindBecomesTheWallpaperUpright) {
    const std::string made = MadeFolder();
    if (made.empty()) GTEST_SKIP() << "made by tests/win32/make-format-pictures.sh (CTest does it)";
    // The kinds this build reads, in the collection's order (by name).
    const char* kFiles[] = {"big.webp",    "big6.jpg",    "big8.jpg",    "clap.avif",   "cmyk.jpg",    "grid.heic",
                            "orient1.jpg", "orient2.jpg", "orient3.jpg", "orient4.jpg", "orient5.jpg", "orient6.jpg",
                            "orient7.jpg", "orient8.jpg", "palette.png", "photo.avif",  "photo.gif",   "photo.heic",
                            "photo.webp"};
    // A folder of its own holding just those files.
    const std::string folder = TempFolder("murivane-formats");
    for (const char* sName : kFiles) {
        const std::string sTo = folder + "\\" + sName;
        if (std::strcmp(sName, "grid.heic") == 0)
            ASSERT_TRUE(WriteTurnedGrid(made, sTo));
        else if (std::strcmp(sName, "clap.avif") == 0)
            ASSERT_TRUE(WriteCroppedAvif(made, sTo));
        else
            ASSERT_TRUE(CopyFileA((made + "\\" + sName).c_str(), sTo.c_str(), FALSE)) << sName;
    }
    CloseAllTrays();
    ResetConfig();
    WriteConfigDword("PictureFit", 0);  // stretched as the references are, whatever the shape
    UseFolder(folder);
    WriteConfigDword("ChangeOnStartup", 0);

    Process tray("/tray");
    HWND hTray = WaitForWindow(kTray, 15000);
    ASSERT_NE(hTray, nullptr);
    for (const char* sName : kFiles) {
        SCOPED_TRACE(sName);
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
        PostMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        Image shown;
        for (DWORD waited = 0; waited < 60000 && !shown.IsValid(); waited += 100) {
            Sleep(100);
            if (AsciiLower(ReadConfigString("LastImageShown")) != AsciiLower(folder + "\\" + sName)) continue;
            shown = ImageBMP(WindowsFile("Murivane.bmp"));
        }
        ASSERT_TRUE(shown.IsValid()) << "last shown: " << ReadConfigString("LastImageShown");
        const ImageBMP reference(made + "\\refs\\" + sName + ".bmp");
        ASSERT_TRUE(reference.IsValid());
        const double psnr = Psnr(shown, reference);
        EXPECT_GE(psnr, 35.0) << shown.Width() << "x" << shown.Height();
        std::printf("%s: %.1f dB\n", sName, psnr);
    }
    CloseAllTrays();
    for (const char* sName : kFiles) DeleteFileA((folder + "\\" + sName).c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(WindowsFile("Murivane.ini").c_str());
    ResetConfig();
}

// A phone's 48-megapixel HEIC and a 12000 x 9000 WebP become the wallpaper
// in the 32-bit program without ever being held whole.
TEST(PictureFormats, HugeHeicAndWebpBecomeTheWallpaperInLittleMemory) {
    const std::string made = MadeFolder();
    if (made.empty()) GTEST_SKIP() << "made by tests/win32/make-format-pictures.sh (CTest does it)";
    // Each picture alone in the collection's folder.
    const std::string folder = TempFolder("murivane-huge-formats");
    struct Huge {
        const char* sName;
        SIZE_T limit;
    } pictures[] = {{"phone48mp.heic", SIZE_T(250) << 20}, {"huge.webp", SIZE_T(150) << 20}};
    for (const Huge& p : pictures) DeleteFileA((folder + "\\" + p.sName).c_str());
    for (const Huge& p : pictures) {
        SCOPED_TRACE(p.sName);
        CloseAllTrays();
        ResetConfig();
        const std::string sPath = folder + "\\" + p.sName;
        ASSERT_TRUE(p.sName[0] == 'p' ? WriteHeicGrid(made + "\\tile.heic", sPath)
                                      : WriteHugeWebp(sPath, 12000, 9000));
        UseFolder(folder);
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
        WriteConfigDword("ChangeOnStartup", 0);
        Process tray("/tray");
        HWND hTray = WaitForWindow(kTray, 15000);
        ASSERT_NE(hTray, nullptr);
        PostMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        Image shown;
        for (DWORD waited = 0; waited < 60000 && !shown.IsValid(); waited += 100) {
            Sleep(100);
            if (AsciiLower(ReadConfigString("LastImageShown")) != AsciiLower(sPath)) continue;
            shown = ImageBMP(WindowsFile("Murivane.bmp"));
        }
        ASSERT_TRUE(shown.IsValid()) << "last shown: " << ReadConfigString("LastImageShown");
        EXPECT_EQ(shown.Width(), GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(shown.Height(), GetSystemMetrics(SM_CYSCREEN));
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof(pmc);
        ASSERT_TRUE(GetProcessMemoryInfo(tray.pi.hProcess, &pmc, sizeof(pmc)));
        EXPECT_LT(pmc.PeakWorkingSetSize, p.limit);
        std::printf("%s: peak working set %.1f MB\n", p.sName, pmc.PeakWorkingSetSize / 1048576.0);
        CloseAllTrays();
        DeleteFileA(sPath.c_str());
    }
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(WindowsFile("Murivane.ini").c_str());
    ResetConfig();
}

namespace {

// The wallpaper the tray makes of the one picture of a folder with the given
// PictureFit, on a black background; invalid when none came.
Image WallpaperOf(const std::string& folder, const std::string& sPath, DWORD fit) {
    CloseAllTrays();
    ResetConfig();
    UseFolder(folder);
    WriteConfigDword("PictureFit", fit);
    WriteConfigDword("BackgroundColor", 0);
    DeleteFileA(WindowsFile("Murivane.bmp").c_str());
    Process tray("/tray");
    HWND hTray = WaitForWindow(kTray, 15000);
    if (!hTray) return Image();
    PostMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    Image shown;
    WaitFor(
        [&] {
            if (AsciiLower(ReadConfigString("LastImageShown")) != AsciiLower(sPath)) return false;
            shown = ImageBMP(WindowsFile("Murivane.bmp"));
            return shown.IsValid();
        },
        60000);
    CloseAllTrays();
    return shown;
}

bool IsRed(Color c) { return RedOf(c) > 220 && GreenOf(c) < 60 && BlueOf(c) < 60; }
bool IsGrey(Color c) {
    return std::abs(int(RedOf(c)) - 128) <= 6 && std::abs(int(GreenOf(c)) - 128) <= 6 && std::abs(int(BlueOf(c)) - 128) <= 6;
}
bool IsYellow(Color c) { return RedOf(c) > 200 && GreenOf(c) > 200 && BlueOf(c) < 80; }

// The box of the pure red pixels between columns x0 and x1.
RECT RedBox(const Image& img, int x0, int x1) {
    RECT box = {INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < img.Height(); ++y)
        for (int x = x0; x < x1; ++x)
            if (IsRed(img.Pixel(x, y)))
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
    return box;
}

}  // namespace

// Pictures of another shape than the 1024 x 768 screen's keep it. By hand:
// the 600 x 900 portrait fitted whole is 512 x 768 (600 x 768 / 900) at
// columns 256..767, its circle 341 pixels across (400 x 768 / 900), its
// 12-pixel yellow frame 10 pixels wide. Filled over a blurred copy, the sides
// are smooth (the picture's checks are 43 pixels on the screen with edges of
// 48 levels and more) and not the black background. Stretched, it is today's
// stretch: ImageMagick's resize to exactly 1024 x 768, to the format tests' 35 dB. The 1280 x 800
// picture filled keeps 83 % of itself and covers the screen with no border,
// its circle (172 pixels across: 180 x 768 / 800) near the left edge kept
// whole although a middle cut would lose part of it.
TEST(PictureFormats, PicturesOfAnotherShapeKeepIt) {
    const std::string made = MadeFolder();
    if (made.empty()) GTEST_SKIP() << "made by tests/win32/make-format-pictures.sh (CTest does it)";
    const std::string folder = TempFolder("murivane-shapes");
    const std::string sCircle = folder + "\\circle.png";
    DeleteFileA((folder + "\\wide.png").c_str());
    ASSERT_TRUE(CopyFileA((made + "\\circle.png").c_str(), sCircle.c_str(), FALSE));

    {
        SCOPED_TRACE("stretch");
        const Image shown = WallpaperOf(folder, sCircle, 0);
        ASSERT_TRUE(shown.IsValid());
        const ImageBMP reference(made + "\\refs\\circle.png.bmp");
        const double psnr = Psnr(shown, reference);
        EXPECT_GE(psnr, 35.0) << shown.Width() << "x" << shown.Height();
        std::printf("circle.png stretched: %.1f dB\n", psnr);
    }
    for (DWORD fit : {2u, 3u, 4u}) {
        SCOPED_TRACE(fit);
        const Image shown = WallpaperOf(folder, sCircle, fit);
        ASSERT_TRUE(shown.IsValid());
        ASSERT_EQ(shown.Width(), 1024);
        ASSERT_EQ(shown.Height(), 768);
        EXPECT_EQ(DesktopValue("WallpaperStyle"), "0");
        const RECT circle = RedBox(shown, 256, 768);
        const int w = circle.right - circle.left, h = circle.bottom - circle.top;
        EXPECT_NEAR(w, 341, 341 * 0.02);
        EXPECT_NEAR(h, 341, 341 * 0.02);
        EXPECT_NEAR(w, h, h * 0.02);
        EXPECT_NEAR((circle.left + circle.right) / 2.0, 512, 3);
        EXPECT_NEAR((circle.top + circle.bottom) / 2.0, 384, 3);
        // The frame all round, just inside columns 256 and 767; nothing of it outside.
        for (const POINT p : {POINT{261, 384}, POINT{762, 384}, POINT{512, 4}, POINT{512, 763}, POINT{261, 4}})
            EXPECT_TRUE(IsYellow(shown.Pixel(p.x, p.y))) << p.x << "," << p.y;
        for (int x : {250, 773}) EXPECT_FALSE(IsYellow(shown.Pixel(x, 384))) << x;
        // The sides: the background colour when fitted, else smooth and lit.
        int steepest = 0, darkest = 255;
        for (int y = 0; y < 767; ++y)
            for (int x : {0, 60, 120, 180, 240, 780, 840, 900, 960, 1022}) {
                const Color c = shown.Pixel(x, y), right = shown.Pixel(x + 1, y), below = shown.Pixel(x, y + 1);
                darkest = std::min<int>(darkest, std::max({RedOf(c), GreenOf(c), BlueOf(c)}));
                for (int k = 0; k < 2; ++k) {
                    const Color n = k ? below : right;
                    steepest = std::max({steepest, std::abs(int(RedOf(c)) - int(RedOf(n))),
                                         std::abs(int(GreenOf(c)) - int(GreenOf(n))),
                                         std::abs(int(BlueOf(c)) - int(BlueOf(n)))});
                }
            }
        if (fit == 2) {
            EXPECT_EQ(darkest, 0);
            EXPECT_EQ(shown.Pixel(100, 100), 0u);
        } else {
            EXPECT_GT(darkest, 40);
            EXPECT_LE(steepest, 8);
        }
    }

    DeleteFileA(sCircle.c_str());
    const std::string sWide = folder + "\\wide.png";
    ASSERT_TRUE(CopyFileA((made + "\\wide.png").c_str(), sWide.c_str(), FALSE));
    {
        SCOPED_TRACE("fill");
        const Image shown = WallpaperOf(folder, sWide, 4);
        ASSERT_TRUE(shown.IsValid());
        ASSERT_EQ(shown.Width(), 1024);
        ASSERT_EQ(shown.Height(), 768);
        for (const POINT p : {POINT{0, 0}, POINT{1023, 0}, POINT{0, 767}, POINT{1023, 767}, POINT{512, 0}})
            EXPECT_TRUE(IsGrey(shown.Pixel(p.x, p.y))) << p.x << "," << p.y;
        const RECT circle = RedBox(shown, 0, 1024);
        const int w = circle.right - circle.left, h = circle.bottom - circle.top;
        EXPECT_GT(circle.left, 0);
        EXPECT_NEAR(w, 173, 173 * 0.03);
        EXPECT_NEAR(h, 173, 173 * 0.03);
        EXPECT_NEAR(w, h, h * 0.02);
    }
    DeleteFileA(sWide.c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(WindowsFile("Murivane.ini").c_str());
    ResetConfig();
}
