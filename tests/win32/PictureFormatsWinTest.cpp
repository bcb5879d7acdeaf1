// Every kind of picture a user is likely to have becomes the wallpaper
// through the real tray program, upright, matching another decoder's
// (ImageMagick's) picture to at least 35 dB. The pictures and references are
// made before the suite by tests/win32/make-format-pictures.sh.
#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "image/ImageBMP.h"
#include "resource.h"
#include "win32/ProcessHelpers.h"
#include "win32/SheetDriver.h"

using namespace mv;
using namespace mv::test;

namespace {

// The tray lists its folders lower-cased.
std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

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

}  // namespace

TEST(PictureFormats, EveryKindBecomesTheWallpaperUpright) {
    const char* sUnix = std::getenv("MURIVANE_FORMAT_PICTURES");
    if (!sUnix) GTEST_SKIP() << "made by tests/win32/make-format-pictures.sh (CTest does it)";
    std::string made = std::string("Z:") + sUnix;
    for (char& c : made)
        if (c == '/') c = '\\';
    // The kinds this build reads, in the collection's order (by name).
    const char* kFiles[] = {"cmyk.jpg",    "orient1.jpg", "orient2.jpg", "orient3.jpg", "orient4.jpg", "orient5.jpg",
                            "orient6.jpg", "orient7.jpg", "orient8.jpg", "palette.png", "photo.avif",
                            "photo.gif",   "photo.heic",  "photo.webp"};
    // A folder of its own holding just those files.
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "murivane-formats";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* sName : kFiles)
        ASSERT_TRUE(CopyFileA((made + "\\" + sName).c_str(), (folder + "\\" + sName).c_str(), FALSE)) << sName;
    CloseAllTrays();
    ResetConfig();
    const std::string ini = WindowsFile("Murivane.ini");
    DeleteFileA(ini.c_str());
    WritePrivateProfileStringA("Default", "Folder0", folder.c_str(), ini.c_str());
    WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
    WritePrivateProfileStringA("Default", "Cycle", "1", ini.c_str());
    WritePrivateProfileStringA("Default", "FractalProb", "0", ini.c_str());
    WriteConfigDword("ChangeOnStartup", 0);

    Process tray("/tray");
    HWND hTray = WaitForWindow(kTray, 15000);
    ASSERT_NE(hTray, nullptr);
    for (const char* sName : kFiles) {
        SCOPED_TRACE(sName);
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
        PostMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        Image shown;
        for (DWORD waited = 0; waited < 20000 && !shown.IsValid(); waited += 100) {
            Sleep(100);
            if (Lower(ReadConfigString("LastImageShown")) != Lower(folder + "\\" + sName)) continue;
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
    DeleteFileA(ini.c_str());
    ResetConfig();
}
