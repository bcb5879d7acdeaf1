// The Colors and Date pages driven through their controls in a settings
// instance and in the tray's own sheet, with the registry, the pages' tool
// tips and sample read back, and the date seen on the screen after a change.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "resource.h"
#include "win32/Screenshot.h"
#include "win32/SheetDriver.h"

using namespace mv::test;

namespace {

int SliderPos(HWND hPage, int id) { return static_cast<int>(SendDlgItemMessageA(hPage, id, TBM_GETPOS, 0, 0)); }

std::wstring WideText(HWND h) {
    wchar_t text[256] = {};
    SendMessageW(h, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring LongDate(LCID lcid) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t text[128] = {};
    GetDateFormatW(lcid, DATE_LONGDATE, &st, nullptr, text, 128);
    return text;
}

// The box of dark-enough or bright-enough pixels.
struct Ink {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
template <class F>
Ink FindInk(const mv::Image& img, RECT r, F isInk) {
    Ink b;
    for (int y = std::max<int>(r.top, 0); y < std::min<int>(r.bottom, img.Height()); ++y)
        for (int x = std::max<int>(r.left, 0); x < std::min<int>(r.right, img.Width()); ++x)
            if (isInk(img.Pixel(x, y))) {
                b.left = std::min(b.left, x), b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1), b.bottom = std::max(b.bottom, y + 1);
            }
    return b;
}
bool Dark(mv::Color c) { return mv::RedOf(c) + mv::GreenOf(c) + mv::BlueOf(c) < 200; }

// A text drawn here in black on white in the given font: what the program should show.
mv::Image Rendered(const std::wstring& text, int height, bool bBold, const char* sFace) {
    HDC hdc = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = 900;
    bmi.bmiHeader.biHeight = -120;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP hBmp = CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBmp = SelectObject(hdc, hBmp);
    RECT all = {0, 0, 900, 120};
    FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HFONT hFont = CreateFontA(height, 0, 0, 0, bBold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                              OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, 0, sFace);
    HGDIOBJ oldFont = SelectObject(hdc, hFont);
    TextOutW(hdc, 10, 10, text.c_str(), static_cast<int>(text.size()));
    GdiFlush();
    mv::Image img = mv::Image::Create24(900, 120);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 900; ++x) img.SetPixel(x, y, GetPixel(hdc, x, y) & 0xFFFFFF);
    SelectObject(hdc, oldFont);
    SelectObject(hdc, oldBmp);
    DeleteObject(hFont);
    DeleteObject(hBmp);
    DeleteDC(hdc);
    return img;
}
Ink RenderedInk(const std::wstring& text, int height, bool bBold, const char* sFace) {
    return FindInk(Rendered(text, height, bBold, sFace), RECT{0, 0, 900, 120}, Dark);
}

// Pixels whose ink differs between the screen's text and a rendered text,
// their boxes laid on each other at the top left.
template <class F>
int Mismatch(const mv::Image& shot, const Ink& box, F isInk, const mv::Image& text) {
    Ink ref = FindInk(text, RECT{0, 0, text.Width(), text.Height()}, Dark);
    int count = 0;
    for (int y = 0; y < std::max(box.Height(), ref.Height()); ++y)
        for (int x = 0; x < std::max(box.Width(), ref.Width()); ++x) {
            bool a = x < box.Width() && y < box.Height() && isInk(shot.Pixel(box.left + x, box.top + y));
            bool b = x < ref.Width() && y < ref.Height() && Dark(text.Pixel(ref.left + x, ref.top + y));
            count += a != b ? 1 : 0;
        }
    return count;
}

Ink SampleInk(HWND hPage) {
    RECT r;
    GetWindowRect(GetDlgItem(hPage, IDC_DATE_SAMPLE), &r);
    InflateRect(&r, -3, -3);  // inside the sunken edge
    return FindInk(TakeScreenshot(), r, Dark);
}

struct ColorsDatePage : ::testing::Test {
    void SetUp() override {
        CloseAllTrays();
        ResetConfig();
    }
    void TearDown() override { CloseAllTrays(); }
};

}  // namespace

TEST_F(ColorsDatePage, WeightsShowTruncatedAndAreStoredOnlyOnOk) {
    WriteConfigDword("Color1", 37);
    WriteConfigDword("Brightness", 70);
    for (bool bOk : {false, true}) {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kColorsTab));
        EXPECT_EQ(SliderPos(hPage, IDC_COLORS_SLIDER0 + 1), 37);
        EXPECT_EQ(SliderPos(hPage, IDC_COLORS_SLIDER0), 60);
        EXPECT_EQ(SliderPos(hPage, IDC_COLORS_BRIGHTNESS), 70);
        // On 256 colours or fewer the note and each colour's own tip; else
        // one tip for every hue. (The suite's display is true colour; the
        // test passes on an 8-bit X display as well.)
        HDC hdc = GetDC(nullptr);
        const bool b256 = GetDeviceCaps(hdc, BITSPIXEL) * GetDeviceCaps(hdc, PLANES) <= 8;
        ReleaseDC(nullptr, hdc);
        EXPECT_EQ(IsWindowVisible(GetDlgItem(hPage, IDC_COLORS_NOTE)) != FALSE, b256);
        EXPECT_EQ(TipOf(sheet.hWnd, GetDlgItem(hPage, IDC_COLORS_SLIDER0 + 1)),
                  b256 ? "Actually orange" : "Slide to the right to use more of this color");
        EXPECT_EQ(TipOf(sheet.hWnd, GetDlgItem(hPage, IDC_COLORS_SLIDER0)),
                  "Slide to the right to use more of this color");
        EXPECT_EQ(TipOf(sheet.hWnd, GetDlgItem(hPage, IDC_COLORS_BRIGHTNESS)),
                  "Slide to the left to make the fractals darker, or to the right to make them brighter");
        if (bOk) {
            sheet.Select(TabIndex(kInfoTab));  // leaving the page stores nothing by itself
            sheet.Ok();
        } else {
            ClickNow(hPage, IDC_COLORS_RESET);
            EXPECT_EQ(SliderPos(hPage, IDC_COLORS_SLIDER0 + 1), 25);
            EXPECT_EQ(SliderPos(hPage, IDC_COLORS_BRIGHTNESS), 50);
            sheet.Cancel();
        }
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("Color1", 999), 37u);
        EXPECT_EQ(ReadConfigDword("Brightness", 999), 70u);
        EXPECT_EQ(ReadConfigDword("Color0", 999), bOk ? 60u : 999u);
    }
}

TEST_F(ColorsDatePage, DatePageSampleFontAndStore) {
    WriteConfigString("FontName", "dejavu serif");
    WriteConfigDword("Position", 4);
    WriteConfigDword("Bold", 0);
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kDateTab));
    SetWindowPos(sheet.hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // all of it on the screen
    EXPECT_TRUE(Checked(hPage, IDC_DATE_CENTERED));
    EXPECT_FALSE(Checked(hPage, IDC_DATE_BOTTOM_RIGHT));
    EXPECT_EQ(GetText(hPage, IDC_DATE_FONT), "DejaVu Serif");
    EXPECT_EQ(TipOf(sheet.hWnd, GetDlgItem(hPage, IDC_DATE_SIZE)),
              "Font size for the background (not used for the sample below)");

    // The sample: today's long date of the user's locale, 19 pixels high at
    // 96 dpi whatever the size field says.
    std::wstring sample = WideText(GetDlgItem(hPage, IDC_DATE_SAMPLE));
    EXPECT_EQ(sample, LongDate(LOCALE_USER_DEFAULT) + L" ");
    Ink expected = RenderedInk(sample, -19, false, "DejaVu Serif");
    Ink shown = SampleInk(hPage);
    EXPECT_NEAR(shown.Height(), expected.Height(), 1);
    EXPECT_NEAR(shown.Width(), expected.Width(), 2);
    SetText(hPage, IDC_DATE_SIZE, "40");
    ClickNow(hPage, IDC_DATE_BOLD);
    Ink bold = SampleInk(hPage);
    EXPECT_NEAR(bold.Height(), expected.Height(), 1);
    EXPECT_NEAR(bold.Width(), RenderedInk(sample, -19, true, "DejaVu Serif").Width(), 2);
    EXPECT_GT(bold.Width(), shown.Width());

    // A size of 7 is refused and the page stays.
    SetText(hPage, IDC_DATE_SIZE, "7");
    sheet.Select(TabIndex(kColorsTab));
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
    ASSERT_NE(hBox, nullptr);
    EXPECT_NE(BoxText(hBox).find("Please enter an integer between 8 and 72."), std::string::npos) << BoxText(hBox);
    DismissBox(hBox);
    EXPECT_EQ(sheet.CurrentIndex(), TabIndex(kDateTab));

    SetText(hPage, IDC_DATE_SIZE, "20");
    ClickNow(hPage, IDC_DATE_TOP_LEFT);
    ClickNow(hPage, IDC_DATE_SHOW);
    sheet.Ok();
    ASSERT_TRUE(settings.WaitExit(15000));
    EXPECT_EQ(ReadConfigDword("Position", 99), 0u);
    EXPECT_EQ(ReadConfigDword("Bold", 99), 1u);
    EXPECT_EQ(ReadConfigDword("ShowDate", 99), 1u);
    EXPECT_EQ(ReadConfigDword("FontSize", 99), 20u);
    EXPECT_EQ(ReadConfigString("FontName"), "DejaVu Serif");
}

namespace {

// Murivane.exe started by Wine with the given Unix locale: Wine takes the
// user's locale from LC_ALL when the process starts.
struct LocalizedProcess {
    PROCESS_INFORMATION pi = {};
    LocalizedProcess(const char* sLocale, const std::string& sArgs) {
        std::string cmd = std::string("/usr/bin/env LC_ALL=") + sLocale + " wine \"" + ExeBeside("Murivane.exe") +
                          "\" " + sArgs;
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    }
    ~LocalizedProcess() {
        if (pi.hProcess) CloseHandle(pi.hProcess);
        if (pi.hThread) CloseHandle(pi.hThread);
    }
};

HWND OpenTraySheet(HWND hTray, Sheet& sheet) {
    PostMessageA(hTray, WM_COMMAND, ID_SETTINGS, 0);
    if (!sheet.Open()) return nullptr;
    return sheet.Select(TabIndex(kDateTab));
}

void ChooseFont(HWND hPage, const char* sFace) {
    HWND hList = GetDlgItem(hPage, IDC_DATE_FONT);
    LRESULT i = SendMessageA(hList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(sFace));
    SendMessageA(hList, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    SendMessageA(hPage, WM_COMMAND, MAKEWPARAM(IDC_DATE_FONT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
}

}  // namespace

TEST_F(ColorsDatePage, GermanDateTopLeftInBoldAfterAChangeFromTheTray) {
    const LCID kGerman = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "murivane-date-pictures";
    CreateDirectoryA(folder.c_str(), nullptr);
    mv::Image pic = mv::Image::Create24(1024, 768);
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x) pic.SetPixel(x, y, mv::MakeRGB(30, 40, 110));
    ASSERT_TRUE(pic.Save(folder + "\\blue.bmp"));
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    std::string ini = std::string(dir) + "\\Murivane.ini";
    WritePrivateProfileStringA("Default", "Folder0", folder.c_str(), ini.c_str());
    WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
    WritePrivateProfileStringA("Default", "FractalProb", "0", ini.c_str());
    WriteConfigString("FontName", "DejaVu Serif");
    WriteConfigDword("ChooseIconColor", 0);
    WriteConfigDword("IconTextColor", mv::MakeRGB(255, 255, 0));
    WriteConfigDword("UseTransparentIcons", 1);

    LocalizedProcess tray("de_DE.UTF-8", "/tray");
    HWND hTray = WaitForWindow(kTray, 15000);
    ASSERT_NE(hTray, nullptr);

    // A font chosen and cancelled stays in the tray's record, not in the registry.
    Sheet sheet;
    HWND hPage = OpenTraySheet(hTray, sheet);
    ASSERT_NE(hPage, nullptr);
    EXPECT_EQ(WideText(GetDlgItem(hPage, IDC_DATE_SAMPLE)), LongDate(kGerman) + L" ");
    ChooseFont(hPage, "DejaVu Sans Mono");
    sheet.Cancel();
    ASSERT_TRUE(WaitUntilNone(kSheet, 10000));
    EXPECT_EQ(ReadConfigString("FontName"), "DejaVu Serif");
    hPage = OpenTraySheet(hTray, sheet);
    ASSERT_NE(hPage, nullptr);
    EXPECT_EQ(GetText(hPage, IDC_DATE_FONT), "DejaVu Sans Mono");

    // Top left in bold, then a change from the tray.
    ChooseFont(hPage, "DejaVu Serif");
    ClickNow(hPage, IDC_DATE_SHOW);
    ClickNow(hPage, IDC_DATE_TOP_LEFT);
    ClickNow(hPage, IDC_DATE_BOLD);
    sheet.Ok();
    ASSERT_TRUE(WaitUntilNone(kSheet, 10000));
    EXPECT_EQ(ReadConfigDword("Position", 99), 0u);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kConfigKey, "LastImageShown");
    SendMessageA(hTray, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
    ASSERT_TRUE(WaitFor([] { return ReadConfigString("LastImageShown") != "<none>"; }, 10000));

    // The yellow date is in the top left corner, as wide as the German long
    // date in bold and not as the English one.
    // LastImageShown is recorded before the picture is drawn: look until the
    // desktop shows the stamp.
    auto yellow = [](mv::Color c) { return mv::RedOf(c) > 200 && mv::GreenOf(c) > 200 && mv::BlueOf(c) < 80; };
    mv::Image shot;
    Ink text;
    for (int i = 0; i < 40 && text.Width() <= 0; ++i) {
        if (i > 0) Sleep(250);
        // A slow desktop gets one nudge to repaint from the values already set.
        if (i == 16) RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        shot = TakeScreenshot();
        if (shot.IsValid()) text = FindInk(shot, RECT{0, 0, shot.Width(), shot.Height() / 2}, yellow);
    }
    ASSERT_TRUE(shot.IsValid());
    ASSERT_GT(text.Width(), 0);
    EXPECT_LT(text.left, 20);
    EXPECT_LT(text.bottom, 60);
    mv::Image german = Rendered(LongDate(kGerman), -19, true, "DejaVu Serif");
    mv::Image english =
        Rendered(LongDate(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)), -19, true, "DejaVu Serif");
    // The stamp's ink and the black-on-white reference are cut at slightly
    // different edge coverages, so a match still leaves edge pixels over;
    // some dates are about as long in both languages, so the width alone
    // may not tell them apart either.
    const Ink germanInk = FindInk(german, RECT{0, 0, german.Width(), german.Height()}, Dark);
    const Ink englishInk = FindInk(english, RECT{0, 0, english.Width(), english.Height()}, Dark);
    int fromGerman = Mismatch(shot, text, yellow, german), fromEnglish = Mismatch(shot, text, yellow, english);
    EXPECT_LT(fromGerman * 2, fromEnglish) << fromGerman << " " << fromEnglish;
    EXPECT_NEAR(text.Width(), germanInk.Width(), 3) << "English ink is " << englishInk.Width() << " wide";

    CloseAllTrays();
    DeleteFileA((folder + "\\blue.bmp").c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(ini.c_str());
}
