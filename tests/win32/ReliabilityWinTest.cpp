// Failure paths under Windows: a hung shell, and the tray instance forced
// through many changes.
#include <windows.h>

#include <psapi.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <jpeglib.h>
#include <png.h>

#include "image/ImageBMP.h"
#include "image/TestPictures.h"
#include "shell/ChangeCycle.h"
#include "shell/win32/TrayIcon.h"
#include "resource.h"
#include "win32/ProcessHelpers.h"
#include "win32/Screenshot.h"
#include "win32/SheetDriver.h"

using namespace mv;
using namespace mv::win;
using mv::test::AsciiLower;
using mv::test::WaitFor;
using mv::test::WindowsFile;

// A shell that hangs while the worker sets the tool tip does not stall the
// user-interface thread reading it.
TEST(TrayIconWin, AHungShellDoesNotHoldTheToolTipLock) {
    HANDLE hRelease = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> bInShell{false};
    CTrayIcon icon(kTrayWaiting, [&](DWORD message, NOTIFYICONDATAA*) {
        if (message == NIM_MODIFY) {
            bInShell = true;
            WaitForSingleObject(hRelease, 5000);
        }
        return TRUE;
    });
    icon.SetState(kTrayWaiting);  // added
    std::thread worker([&] { icon.SetToolTip("Creating fractal, 5% done"); });
    for (int i = 0; i < 500 && !bInShell; ++i) Sleep(10);
    ASSERT_TRUE(bInShell);
    DWORD start = GetTickCount();
    std::string tip = icon.GetToolTip();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(tip, "Creating fractal, 5% done");
    SetEvent(hRelease);
    worker.join();
    CloseHandle(hRelease);
}

namespace {

// A folder of solid-colour pictures named in several scripts, made one
// collection (in order, no fractals unless asked).
struct PictureFolder {
    std::string sFolder;
    struct Picture {
        std::string sName;
        mv::Color colour;
    };
    std::vector<Picture> pictures = {
        {"café crème.bmp", 0x000000C0},
        {"d05_日本_фото.jpg", 0x0000C000},
        {"Ωμέγα.png", 0x00C00000},
    };

    PictureFolder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        sFolder = std::string(temp) + "Фото 写真";
        CreateDirectoryA(sFolder.c_str(), nullptr);
        // Whatever a run that was stopped half way left in it goes first.
        WIN32_FIND_DATAA found;
        HANDLE hFind = FindFirstFileA((sFolder + "\\*").c_str(), &found);
        if (hFind != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA(Path(found.cFileName).c_str());
            } while (FindNextFileA(hFind, &found));
            FindClose(hFind);
        }
        for (const Picture& p : pictures) {
            mv::test::Pixels px;
            px.width = 320;
            px.height = 240;
            px.data.resize(320 * 240 * 3);
            for (size_t i = 0; i < px.data.size(); i += 3) {
                px.data[i] = static_cast<uint8_t>(mv::RedOf(p.colour));
                px.data[i + 1] = static_cast<uint8_t>(mv::GreenOf(p.colour));
                px.data[i + 2] = static_cast<uint8_t>(mv::BlueOf(p.colour));
            }
            std::string ext = p.sName.substr(p.sName.rfind('.') + 1);
            std::vector<uint8_t> bytes;
            if (ext == "bmp") {
                mv::test::BmpLayout l;
                l.width = px.width;
                l.height = px.height;
                l.bits = mv::test::BmpRows24(px);
                bytes = mv::test::MakeBmp(l);
            } else if (ext == "jpg") {
                bytes = mv::test::EncodeJpeg(px, 95);
            } else {
                bytes = mv::test::EncodePng(px, 2);
            }
            mv::test::WriteBytes(Path(p.sName), bytes);
        }
    }
    ~PictureFolder() {
        for (const std::string& s : extra) DeleteFileA(Path(s).c_str());
        for (const Picture& p : pictures) DeleteFileA(Path(p.sName).c_str());
        RemoveDirectoryA(sFolder.c_str());
    }
    std::string Path(const std::string& sName) const { return sFolder + "\\" + sName; }
    void AddFile(const std::string& sName, const std::vector<uint8_t>& bytes) {
        mv::test::WriteBytes(Path(sName), bytes);
        extra.push_back(sName);
    }
    void MakeCollection(bool bCycle, int fractalProb) const {
        std::string ini = WindowsFile("Murivane.ini");
        DeleteFileA(ini.c_str());
        WritePrivateProfileStringA("Default", "Folder0", sFolder.c_str(), ini.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
        WritePrivateProfileStringA("Default", "Cycle", bCycle ? "1" : "0", ini.c_str());
        WritePrivateProfileStringA("Default", "NextToUse", "0", ini.c_str());
        WritePrivateProfileStringA("Default", "FractalProb", std::to_string(fractalProb).c_str(), ini.c_str());
    }
    std::vector<std::string> extra;
};

// The wallpaper file: valid, and its middle pixel.
bool WallpaperColour(mv::Color& c) {
    mv::ImageBMP bmp(WindowsFile("Murivane.bmp"));
    if (!bmp.IsValid() || bmp.Header().biBitCount != 24) return false;
    c = bmp.Pixel(bmp.Width() / 2, bmp.Height() / 2);
    return true;
}

struct TrayRun : ::testing::Test {
    void SetUp() override {
        mv::test::CloseAllTrays();
        mv::test::ResetConfig();
        mv::test::WriteConfigDword("ChangeOnStartup", 1);
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
    }
    void TearDown() override {
        mv::test::CloseAllTrays();
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
    }
};

}  // namespace

// Pictures named outside any one code page become the wallpaper, and their
// names come back unchanged from the collections file and LastImageShown.
TEST_F(TrayRun, PicturesNamedInAnyLanguage) {
    ASSERT_EQ(GetACP(), 65001u);  // the program's manifest asks for UTF-8
    PictureFolder folder;
    folder.MakeCollection(true, 0);
    mv::test::Process tray("/tray");
    HWND h = mv::test::WaitForWindow(mv::test::kTray, 10000);
    ASSERT_NE(h, nullptr);
    // In order: the names sort byte-wise, lower-cased in ASCII only.
    for (size_t i = 0; i < folder.pictures.size(); ++i) {
        const auto& p = folder.pictures[i];
        const std::string expected = AsciiLower(folder.Path(p.sName));
        if (i > 0) SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        EXPECT_TRUE(WaitFor([&] { return AsciiLower(mv::test::ReadConfigString("LastImageShown")) == expected; },
                              10000))
            << mv::test::ReadConfigString("LastImageShown");
        mv::Color c = 0;
        ASSERT_TRUE(WaitFor([&] { return WallpaperColour(c) && mv::test::Near(c, p.colour, 8); }, 5000))
            << p.sName << " " << std::hex << c;
    }
    char folder0[1024] = {};
    GetPrivateProfileStringA("Default", "Folder0", "", folder0, sizeof folder0, WindowsFile("Murivane.ini").c_str());
    EXPECT_EQ(std::string(folder0), folder.sFolder);
}

// The wallpaper file's bytes (empty when it cannot be read).
std::string WallpaperBytes() {
    std::string bytes;
    HANDLE f = CreateFileA(WindowsFile("Murivane.bmp").c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
    CloseHandle(f);
    return bytes;
}

// A thousand forced changes (MURIVANE_SOAK_CHANGES sets another count):
// pictures in order, broken files and fractals, now and then one stopped half
// way by the next change. The process stays alive; every change that shows a
// picture or a fractal leaves a valid wallpaper whose bytes differ from the
// one before (the pictures differ from each other, and so do any two
// fractals), a broken file leaves a valid one; and after a warm-up neither
// the private bytes nor the GDI and USER objects and handles grow.
TEST_F(TrayRun, SoakOfAThousandChanges) {
    PictureFolder folder;
    folder.AddFile("broken.jpg", std::vector<uint8_t>(3000, 0x5A));
    std::vector<uint8_t> png = mv::test::EncodePng(mv::test::Pixels::Pattern(300, 200), 2);
    png.resize(png.size() / 2);
    folder.AddFile("cut short.png", png);
    folder.AddFile("empty.bmp", {});
    // The later kinds, lying about themselves.
    const std::string webp("RIFF\xF0\xFF\xFF\x0FWEBPVP8 \x10\x00\x00\x00\x30\x01\x00\x9D\x01\x2A\xFF\x3F\xFF\x3F", 30);
    folder.AddFile("lying.webp", std::vector<uint8_t>(webp.begin(), webp.end()));
    const std::string gif("GIF89a\xFF\xFF\xFF\xFF\xF7\x00\x00", 13);
    folder.AddFile("lying.gif", std::vector<uint8_t>(gif.begin(), gif.end()));
    const std::string heic("\x00\x00\x00\x18" "ftypheic\x00\x00\x00\x00mif1heic\x00\x00\x10\x00meta", 32);
    folder.AddFile("cut short.heic", std::vector<uint8_t>(heic.begin(), heic.end()));
    auto isBroken = [&](const std::string& sShown) {
        for (const std::string& s : folder.extra)
            if (AsciiLower(sShown) == AsciiLower(folder.Path(s))) return true;
        return false;
    };
    // In order, so two changes in a row never show the same picture; few
    // fractals, as each is waited for (seconds under a loaded Wine).
    folder.MakeCollection(true, 5);
    mv::test::Process tray("/tray");
    HWND h = mv::test::WaitForWindow(mv::test::kTray, 10000);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(WaitFor([] { return mv::test::ReadConfigString("LastImageShown") != "<none>"; }, 10000));
    // The first changes may all pick a broken file: change until a wallpaper exists.
    mv::Color c0 = 0;
    bool bHaveWallpaper = WaitFor([&] { return WallpaperColour(c0); }, 3000);
    for (int i = 0; i < 30 && !bHaveWallpaper; ++i) {
        SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        bHaveWallpaper = WaitFor([&] { return WallpaperColour(c0); }, 20000);
    }
    ASSERT_TRUE(bHaveWallpaper);

    struct Sample {
        DWORD gdi = 0, user = 0, handles = 0;
        SIZE_T privateBytes = 0;
    };
    auto sample = [&] {
        Sample s;
        s.gdi = GetGuiResources(tray.pi.hProcess, GR_GDIOBJECTS);
        s.user = GetGuiResources(tray.pi.hProcess, GR_USEROBJECTS);
        GetProcessHandleCount(tray.pi.hProcess, &s.handles);
        PROCESS_MEMORY_COUNTERS_EX pmc = {};
        pmc.cb = sizeof(pmc);
        GetProcessMemoryInfo(tray.pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
        // PrivateUsage is the process's commit charge; Microsoft documents
        // PagefileUsage as the same value, and Wine fills only that one.
        s.privateBytes = pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage;
        return s;
    };
    const char* sChanges = std::getenv("MURIVANE_SOAK_CHANGES");
    // A thousand take about two minutes under Wine; MURIVANE_SOAK_CHANGES
    // sets another count (above 100, so the warm-up stays a small part).
    const int changes = sChanges && std::atoi(sChanges) > 100 ? std::atoi(sChanges) : 1000;
    const int warmUp = 50;
    Sample first;
    std::string previous = WallpaperBytes();
    int changed = 0, failedPictures = 0, hurried = 0;
    for (int i = 1; i <= changes; ++i) {
        if (i == warmUp) {
            Sleep(200);
            first = sample();
        }
        if (i % 25 == 0) {
            // A change at once before this one: a fractal it starts is stopped half way.
            SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
            previous = WallpaperBytes();
            ++hurried;
        }
        // A picture is shown (or fails) before the message returns, and
        // named as the last image; a fractal is shown, and named, once the
        // worker is done.
        mv::test::WriteConfigString("LastImageShown", "");
        SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        ASSERT_TRUE(tray.Running()) << "change " << i;
        const std::string sShown = mv::test::ReadConfigString("LastImageShown");
        std::string now;
        mv::Color c = 0;
        if (isBroken(sShown)) {
            ++failedPictures;
            EXPECT_TRUE(WallpaperColour(c)) << "change " << i << " (" << sShown << ") left no valid wallpaper";
            now = WallpaperBytes();
        } else {
            // The file is read once the change is done: reading it while the
            // program replaces it could make the replacement fail.
            if (sShown.empty())
                EXPECT_TRUE(WaitFor(
                    [] { return mv::test::ReadConfigString("LastImageShown") == WindowsFile("Murivane.bmp"); }, 60000))
                    << "change " << i << ": the fractal was never shown";
            now = WallpaperBytes();
            const bool bChanged = !now.empty() && now != previous && WallpaperColour(c);
            EXPECT_TRUE(bChanged) << "change " << i << " did not change the wallpaper (" << now.size()
                                  << " bytes, shown " << sShown << ", last image "
                                  << mv::test::ReadConfigString("LastImageShown") << ")";
            if (!bChanged) break;
            ++changed;
        }
        previous = now;
    }
    Sleep(200);
    const Sample last = sample();
    // Wine counts neither GDI and USER objects nor handles (it reports 0);
    // Windows does, and then they must not grow either.
    EXPECT_LE(last.gdi, first.gdi + 10);
    EXPECT_LE(last.user, first.user + 10);
    EXPECT_LE(last.handles, first.handles + 20);
    EXPECT_GT(first.privateBytes, 0u);
    EXPECT_LE(last.privateBytes, first.privateBytes + (1u << 20)) << first.privateBytes << " -> " << last.privateBytes;
    EXPECT_GT(changed, changes / 5);  // three pictures of nine files, and the fractals
    RecordProperty("GdiObjects", std::to_string(first.gdi) + " -> " + std::to_string(last.gdi));
    RecordProperty("Handles", std::to_string(first.handles) + " -> " + std::to_string(last.handles));
    RecordProperty("PrivateBytes", std::to_string(first.privateBytes) + " -> " + std::to_string(last.privateBytes));
    std::printf("soak: %d changes (%d changed the wallpaper, %d broken files, %d hurried), GDI %lu->%lu, USER %lu->%lu, "
                "handles %lu->%lu, private bytes %lu->%lu\n",
                changes, changed, failedPictures, hurried, first.gdi, last.gdi, first.user, last.user, first.handles,
                last.handles, static_cast<unsigned long>(first.privateBytes),
                static_cast<unsigned long>(last.privateBytes));
}

namespace {

// A gradient row, made afresh for each row so the huge test pictures never
// exist whole in this process either.
void GradientRow(std::vector<uint8_t>& row, int width, int y) {
    for (int x = 0; x < width; ++x) {
        row[3 * x] = static_cast<uint8_t>(x * 255 / width);
        row[3 * x + 1] = static_cast<uint8_t>((x + y) & 0xFF);
        row[3 * x + 2] = static_cast<uint8_t>(y % 251);
    }
}

bool WriteHugeJpeg(const std::string& sPath, int width, int height) {
    FILE* f = fopen(sPath.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 75, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        GradientRow(row, width, y);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return fclose(f) == 0;
}

bool WriteHugePng(const std::string& sPath, int width, int height) {
    FILE* f = fopen(sPath.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 1);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
    for (int y = 0; y < height; ++y) {
        GradientRow(row, width, y);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return fclose(f) == 0;
}

}  // namespace

// Pictures far larger than the screen become the wallpaper in a 32-bit
// process without ever being held whole: the peak working set stays small,
// and the wallpaper file has the screen's size.
TEST_F(TrayRun, HugePicturesBecomeTheWallpaperInLittleMemory) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string sFolder = std::string(temp) + "murivane-huge";
    CreateDirectoryA(sFolder.c_str(), nullptr);
    struct Huge {
        const char* name;
        bool (*write)(const std::string&, int, int);
        int w, h;
    } pictures[] = {{"huge.jpg", WriteHugeJpeg, 12000, 9000}, {"huge.png", WriteHugePng, 8000, 6000}};
    for (const Huge& p : pictures) {
        SCOPED_TRACE(p.name);
        const std::string sPath = sFolder + "\\" + p.name;
        ASSERT_TRUE(p.write(sPath, p.w, p.h));
        std::string ini = WindowsFile("Murivane.ini");
        DeleteFileA(ini.c_str());
        WritePrivateProfileStringA("Default", "Folder0", sFolder.c_str(), ini.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
        WritePrivateProfileStringA("Default", "FractalProb", "0", ini.c_str());
        RegDeleteKeyValueA(HKEY_CURRENT_USER, mv::test::kConfigKey, "LastImageShown");
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());

        mv::test::Process tray("/tray");
        ASSERT_NE(mv::test::WaitForWindow(mv::test::kTray, 10000), nullptr);
        mv::Size written;
        ASSERT_TRUE(WaitFor(
            [&] {
                mv::ImageBMP bmp(WindowsFile("Murivane.bmp"));
                if (!bmp.IsValid()) return false;
                written = {bmp.Width(), bmp.Height()};
                return true;
            },
            60000));
        EXPECT_EQ(AsciiLower(mv::test::ReadConfigString("LastImageShown")), AsciiLower(sPath));
        EXPECT_EQ(written.cx, GetSystemMetrics(SM_CXSCREEN));
        EXPECT_EQ(written.cy, GetSystemMetrics(SM_CYSCREEN));
        PROCESS_MEMORY_COUNTERS pmc = {};
        pmc.cb = sizeof(pmc);
        ASSERT_TRUE(GetProcessMemoryInfo(tray.pi.hProcess, &pmc, sizeof(pmc)));
        EXPECT_LT(pmc.PeakWorkingSetSize, 100u << 20) << pmc.PeakWorkingSetSize;
        std::printf("%s: peak working set %lu bytes\n", p.name, static_cast<unsigned long>(pmc.PeakWorkingSetSize));
        mv::test::CloseAllTrays();
        DeleteFileA(sPath.c_str());
    }
    RemoveDirectoryA(sFolder.c_str());
}

// A finished fractal is applied as soon as its file is ready, not at the
// next poll of the fractal timer (every 5 s).
TEST_F(TrayRun, AFinishedFractalIsAppliedAtOnce) {
    mv::test::WriteConfigDword("ChangeOnStartup", 0);
    DeleteFileA(WindowsFile("Murivane.ini").c_str());  // no pictures: every change is a fractal
    mv::test::Process tray("/tray");
    HWND h = mv::test::WaitForWindow(mv::test::kTray, 10000);
    ASSERT_NE(h, nullptr);
    const DWORD start = GetTickCount();
    SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    ASSERT_TRUE(WaitFor([] { return mv::test::ReadConfigString("LastImageShown") == WindowsFile("Murivane.bmp"); },
                          30000));
    const DWORD elapsed = GetTickCount() - start;
    std::printf("fractal: command to wallpaper in %lu ms\n", static_cast<unsigned long>(elapsed));
    EXPECT_LT(elapsed, 4500u);
}
