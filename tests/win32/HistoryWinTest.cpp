// The history and the commands on the wallpaper showing, through the real
// tray instance: Previous renders a fractal again byte for byte, Keep This
// Fractal saves the wallpaper's pixels, Never Show takes a picture out of
// every later walk.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/ImageBMP.h"
#include "image/ImagePNG.h"
#include "resource.h"
#include "shell/History.h"
#include "win32/SheetDriver.h"

using namespace mv::test;

namespace {

BOOL CALLBACK CollectTipTexts(HWND h, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    if (std::string(cls) == "tooltips_class32") *reinterpret_cast<std::string*>(lp) += WindowText(h) + "\n";
    return TRUE;
}

struct HistoryTray : ::testing::Test {
    std::string sHistory = WindowsFile("Murivane History.ini");
    void SetUp() override {
        CloseAllTrays();
        ResetConfig();  // no change at start-up: the test makes each one
        for (const char* s : {"Murivane.ini", "Murivane.bmp", "Murivane History.ini"})
            DeleteFileA(WindowsFile(s).c_str());
    }
    void TearDown() override {
        CloseAllTrays();
        for (const char* s : {"Murivane.ini", "Murivane History.ini"}) DeleteFileA(WindowsFile(s).c_str());
    }
    mv::History Read() {
        mv::History h;
        const std::string text = FileBytes(sHistory);
        h.Parse(std::string(text.begin(), text.end()));
        return h;
    }
    // Three small pictures of distinct colours in a temporary folder, the
    // collection walked in order from the first, no fractals.
    std::vector<std::string> WriteCollection(const char* sSubfolder) {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        const std::string sFolder = std::string(temp) + sSubfolder;
        CreateDirectoryA(sFolder.c_str(), nullptr);
        std::vector<std::string> paths;
        for (int i = 0; i < 3; ++i) {
            mv::Image pic = mv::Image::Create24(40, 30);
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x) pic.SetPixel(x, y, mv::MakeRGB(60 * i, 90, 200 - 60 * i));
            paths.push_back(sFolder + "\\p" + std::to_string(i) + ".bmp");
            EXPECT_TRUE(pic.Save(paths.back()));
        }
        const std::string sIni = WindowsFile("Murivane.ini");
        WritePrivateProfileStringA("Default", "Folder0", sFolder.c_str(), sIni.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", "1", sIni.c_str());
        WritePrivateProfileStringA("Default", "Cycle", "1", sIni.c_str());
        WritePrivateProfileStringA("Default", "NextToUse", "0", sIni.c_str());
        WritePrivateProfileStringA("Default", "FractalProb", "0", sIni.c_str());
        WritePrivateProfileStringA("Default", "Comment", "kept", sIni.c_str());
        return paths;
    }
    // Waits until the history holds n entries and shows the last.
    bool WaitForEntries(size_t n, DWORD ms) {
        return WaitFor(
            [&] {
                mv::History h = Read();
                return h.entries().size() == n && h.position() == n - 1;
            },
            ms);
    }
};

}  // namespace

TEST_F(HistoryTray, PreviousRendersTheFractalsAgainAndKeepThisFractalSavesTheWallpaper) {
    // No collection at all: every change is a fractal.
    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    const std::string sWallpaper = WindowsFile("Murivane.bmp");
    std::vector<std::string> shown;
    for (size_t i = 1; i <= 3; ++i) {
        PostMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        ASSERT_TRUE(WaitForEntries(i, 120000)) << i;
        shown.push_back(FileBytes(sWallpaper));
        ASSERT_GT(shown.back().size(), 54u);
    }
    ASSERT_TRUE(shown[0] != shown[1]);
    ASSERT_TRUE(shown[1] != shown[2]);

    // Back twice: each fractal rendered again from its entry, the same file
    // to the byte.
    for (int back = 1; back >= 0; --back) {
        PostMessageA(h, WM_COMMAND, ID_PREVIOUS_WALLPAPER, 0);
        auto which = [&] {
            const std::string now = FileBytes(sWallpaper);
            for (size_t i = 0; i < shown.size(); ++i)
                if (now == shown[i]) return std::to_string(i);
            return "none, " + std::to_string(now.size()) + " bytes";
        };
        EXPECT_TRUE(WaitFor([&] { return FileBytes(sWallpaper) == shown[static_cast<size_t>(back)]; }, 120000))
            << "back to " << back << ", showing " << which();
        EXPECT_EQ(Read().position(), static_cast<size_t>(back));
    }
    EXPECT_EQ(Read().entries().size(), 3u);  // stepping back records nothing

    // Keep This Fractal: a PNG named after both seeds, with the wallpaper's
    // pixels; a file of the user's under that name stays as it is, and the
    // fractal goes beside it.
    char pictures[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES | CSIDL_FLAG_CREATE, nullptr, 0, pictures)));
    const mv::History history = Read();
    ASSERT_EQ(history.entries()[0].fractals.size(), 1u);
    const std::string sName = std::string(pictures) + "\\Murivane Fractals\\Fractal " +
                              std::to_string(history.entries()[0].fractals[0].paletteSeed) + "-" +
                              std::to_string(history.entries()[0].fractals[0].fractalSeed);
    const std::string sUsers = sName + ".png", sKept = sName + " (2).png";
    DeleteFileA(sKept.c_str());
    CreateDirectoryA((std::string(pictures) + "\\Murivane Fractals").c_str(), nullptr);
    HANDLE hUsers = CreateFileA(sUsers.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hUsers, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(hUsers, "mine", 4, &written, nullptr);
    CloseHandle(hUsers);
    PostMessageA(h, WM_COMMAND, ID_KEEP_FRACTAL, 0);
    ASSERT_TRUE(WaitFor([&] { return GetFileAttributesA(sKept.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000));
    EXPECT_EQ(FileBytes(sUsers), "mine");
    DeleteFileA(sUsers.c_str());
    mv::ImagePNG png(sKept);
    mv::ImageBMP bmp(sWallpaper);
    ASSERT_TRUE(png.IsValid());
    ASSERT_TRUE(bmp.IsValid());
    ASSERT_EQ(png.Width(), bmp.Width());
    ASSERT_EQ(png.Height(), bmp.Height());
    int differ = 0;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) differ += png.Pixel(x, y) != bmp.Pixel(x, y);
    EXPECT_EQ(differ, 0);
    // ... and the balloon from the tray icon says where.
    std::string tips;
    EXPECT_TRUE(WaitFor(
        [&] {
            tips.clear();
            EnumWindows(CollectTipTexts, reinterpret_cast<LPARAM>(&tips));
            return tips.find("Saved as " + sKept) != std::string::npos;
        },
        10000))
        << tips;
    DeleteFileA(sKept.c_str());
    RemoveDirectoryA((std::string(pictures) + "\\Murivane Fractals").c_str());
    EXPECT_TRUE(tray.Running());
}

TEST_F(HistoryTray, NeverShowTakesThePictureOutOfEveryLaterWalk) {
    const std::vector<std::string> paths = WriteCollection("murivane-history-pictures");
    const std::string sFolder = paths[0].substr(0, paths[0].find_last_of('\\'));
    const std::string sIni = WindowsFile("Murivane.ini");

    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    auto last = [] { return AsciiLower(ReadConfigString("LastImageShown")); };
    SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    ASSERT_EQ(last(), AsciiLower(paths[1]));
    // Never show p1: it goes into the collection, and the wallpaper changes at once.
    SendMessageA(h, WM_COMMAND, ID_NEVER_SHOW_PICTURE, 0);
    EXPECT_EQ(last(), AsciiLower(paths[2]));
    char value[1024] = {};
    GetPrivateProfileStringA("Default", "ExcludeCount", "", value, sizeof value, sIni.c_str());
    EXPECT_STREQ(value, "1");
    GetPrivateProfileStringA("Default", "Exclude0", "", value, sizeof value, sIni.c_str());
    EXPECT_EQ(AsciiLower(value), AsciiLower(paths[1]));
    GetPrivateProfileStringA("Default", "Comment", "", value, sizeof value, sIni.c_str());
    EXPECT_STREQ(value, "kept");

    // Previous passes over it too, and so does every later walk.
    SendMessageA(h, WM_COMMAND, ID_PREVIOUS_WALLPAPER, 0);
    EXPECT_EQ(last(), AsciiLower(paths[0]));
    std::vector<std::string> walk;
    for (int i = 0; i < 6; ++i) {
        SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        walk.push_back(last());
    }
    const std::string p0 = AsciiLower(paths[0]), p2 = AsciiLower(paths[2]);
    EXPECT_EQ(walk, (std::vector<std::string>{p2, p0, p2, p0, p2, p0})) << "forward to p2, then the walk";
    EXPECT_TRUE(tray.Running());

    // Another process holds the lock every save takes, past the wait: the
    // exclusion of p0 cannot be written. The tray keeps it (p0 is passed
    // over) and writes it with its next save, the walk's position.
    std::string sLock = "Local\\Murivane save ";
    for (char c : sIni) sLock += c == '\\' ? '/' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    HANDLE hLock = CreateMutexA(nullptr, TRUE, sLock.c_str());
    ASSERT_NE(hLock, nullptr);
    SendMessageA(h, WM_COMMAND, ID_NEVER_SHOW_PICTURE, 0);
    GetPrivateProfileStringA("Default", "ExcludeCount", "", value, sizeof value, sIni.c_str());
    ReleaseMutex(hLock);
    CloseHandle(hLock);
    EXPECT_STREQ(value, "1");
    EXPECT_EQ(last(), p2);
    SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    EXPECT_EQ(last(), p2);  // p0 and p1 passed over
    GetPrivateProfileStringA("Default", "ExcludeCount", "", value, sizeof value, sIni.c_str());
    EXPECT_STREQ(value, "2");

    // With the settings sheet open (its copy of the collection read before),
    // the tray excludes p2 too; the sheet's OK after an edit on its
    // collections page keeps every exclusion.
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
        ASSERT_NE(hPage, nullptr);
        SendDlgItemMessageA(hPage, IDC_COLL_CYCLE, BM_SETCHECK, BST_UNCHECKED, 0);
        SendDlgItemMessageA(hPage, IDC_COLL_RANDOM, BM_SETCHECK, BST_CHECKED, 0);
        SendMessageA(h, WM_COMMAND, ID_NEVER_SHOW_PICTURE, 0);
        GetPrivateProfileStringA("Default", "ExcludeCount", "", value, sizeof value, sIni.c_str());
        EXPECT_STREQ(value, "3");
        sheet.Ok();
        ASSERT_TRUE(settings.WaitExit(15000));
    }
    GetPrivateProfileStringA("Default", "Cycle", "", value, sizeof value, sIni.c_str());
    EXPECT_STREQ(value, "0");  // the sheet's edit
    GetPrivateProfileStringA("Default", "ExcludeCount", "", value, sizeof value, sIni.c_str());
    EXPECT_STREQ(value, "3");
    std::vector<std::string> excluded;
    for (const char* key : {"Exclude0", "Exclude1", "Exclude2"}) {
        GetPrivateProfileStringA("Default", key, "", value, sizeof value, sIni.c_str());
        excluded.push_back(AsciiLower(value));
    }
    EXPECT_EQ(excluded, (std::vector<std::string>{AsciiLower(paths[1]), p0, p2}));
    GetPrivateProfileStringA("Default", "Comment", "", value, sizeof value, sIni.c_str());
    EXPECT_STREQ(value, "kept");

    CloseAllTrays();
    for (const std::string& s : paths) DeleteFileA(s.c_str());
    RemoveDirectoryA(sFolder.c_str());
}

// Commands on the command line: handed to the tray and waited for, with an
// exit status a script can test; without a tray, /next makes one change and
// ends; a mistake is said on the output and opens no settings sheet.
TEST_F(HistoryTray, CommandsFromTheCommandLineDriveTheTray) {
    const std::vector<std::string> paths = WriteCollection("murivane-command-pictures");
    const std::string sOut = WindowsFile("murivane-command-output.txt");
    auto last = [] { return AsciiLower(ReadConfigString("LastImageShown")); };
    // The exit status, or -1 when the command has not ended within ms.
    auto run = [&](const char* sArgs, DWORD ms = 60000) {
        Process p(sArgs, sOut);
        return p.ExitStatus(ms);
    };

    // No tray: /next changes once and leaves nothing running; the others need one.
    EXPECT_EQ(run("/next"), 0);
    EXPECT_EQ(last(), AsciiLower(paths[0]));
    EXPECT_TRUE(Windows(kTray).empty());
    EXPECT_EQ(run("-PREVIOUS"), 3);
    EXPECT_NE(FileBytes(sOut).find("/tray"), std::string::npos) << FileBytes(sOut);
    // A mistake: status 2, said on the output, and no settings sheet.
    EXPECT_EQ(run("/bogus"), 2);
    EXPECT_NE(FileBytes(sOut).find("\"/bogus\""), std::string::npos) << FileBytes(sOut);
    EXPECT_EQ(run("/next 0"), 2);
    EXPECT_TRUE(Windows(kSheet).empty());
    EXPECT_EQ(run("/?"), 0);
    EXPECT_NE(FileBytes(sOut).find("/next pointer"), std::string::npos) << FileBytes(sOut);

    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    // Each is carried out before the command returns, a change within 10 s.
    EXPECT_EQ(run("/next", 10000), 0);
    EXPECT_EQ(last(), AsciiLower(paths[1]));
    EXPECT_EQ(run("-Next", 10000), 0);
    EXPECT_EQ(last(), AsciiLower(paths[2]));
    EXPECT_EQ(run("/previous"), 0);
    EXPECT_EQ(last(), AsciiLower(paths[1]));
    EXPECT_EQ(run("/keep"), 1);  // a picture shows, not a fractal
    // With one screen, a monitor's number is the whole wallpaper.
    if (GetSystemMetrics(SM_CMONITORS) == 1) {
        EXPECT_EQ(run("/next 1"), 0);
        EXPECT_EQ(last(), AsciiLower(paths[2]));
    }
    EXPECT_EQ(run("/exit"), 0);
    EXPECT_TRUE(Windows(kTray).empty());
    EXPECT_TRUE(tray.WaitExit(5000));

    DeleteFileA(sOut.c_str());
    for (const std::string& s : paths) DeleteFileA(s.c_str());
    RemoveDirectoryA(paths[0].substr(0, paths[0].find_last_of('\\')).c_str());
}
