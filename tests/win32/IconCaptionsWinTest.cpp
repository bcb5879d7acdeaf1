// The desktop icon captions against a window tree of our own with the
// shell's classes: a "ProgMan" top-level window, a view child and a real
// "SysListView32" under it (Wine's desktop has no such list view).
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include <gtest/gtest.h>

#include "config/Settings.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/win32/Win32Desktop.h"
#include "wallpaper/win32/Win32IconCaptions.h"

using namespace mv;

namespace {

// The list-view messages the captions step sends, in order.
std::vector<UINT> g_messages;
std::vector<LPARAM> g_redrawLast;
WNDPROC g_listProc = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= LVM_FIRST && msg < LVM_FIRST + 0x100) {
        g_messages.push_back(msg);
        if (msg == LVM_REDRAWITEMS) g_redrawLast.push_back(lParam);
    }
    return CallWindowProcA(g_listProc, hwnd, msg, wParam, lParam);
}

void RegisterPlainClass(const char* sName) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = sName;
    RegisterClassA(&wc);  // a second registration fails harmlessly
}

// ProgMan -> view -> leaf, the leaf a real list view unless told otherwise.
struct DesktopTree {
    HWND hProgMan = nullptr;
    HWND hView = nullptr;
    HWND hList = nullptr;
    explicit DesktopTree(const char* sLeafClass = WC_LISTVIEWA) {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterPlainClass("ProgMan");
        RegisterPlainClass("SHELLDLL_DefView");
        HINSTANCE hInst = GetModuleHandleA(nullptr);
        hProgMan = CreateWindowExA(0, "ProgMan", "Program Manager", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr,
                                   hInst, nullptr);
        hView = CreateWindowExA(0, "SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, hProgMan, nullptr,
                                hInst, nullptr);
        hList = CreateWindowExA(0, sLeafClass, "FolderView", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 400, 300, hView,
                                nullptr, hInst, nullptr);
    }
    ~DesktopTree() {
        if (hProgMan) DestroyWindow(hProgMan);  // children go with it
    }
    void AddItems(int n) {
        for (int i = 0; i < n; ++i) {
            char text[16];
            wsprintfA(text, "Item %d", i);
            LVITEMA item = {};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = text;
            SendMessageA(hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
    }
    void Record() {
        g_messages.clear();
        g_redrawLast.clear();
        g_listProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc)));
    }
    COLORREF Text() const { return static_cast<COLORREF>(SendMessageA(hList, LVM_GETTEXTCOLOR, 0, 0)); }
    COLORREF TextBk() const { return static_cast<COLORREF>(SendMessageA(hList, LVM_GETTEXTBKCOLOR, 0, 0)); }
};

}  // namespace

TEST(IconCaptions, FindsTheListViewInTheShellsWindowTree) {
    {
        DesktopTree tree;
        ASSERT_TRUE(tree.hList);
        EXPECT_EQ(FindDesktopListView(), tree.hList);
    }
    // A tree whose grandchild is not a list view is not the desktop.
    {
        DesktopTree tree("Static");
        ASSERT_TRUE(tree.hList);
        EXPECT_EQ(FindDesktopListView(), nullptr);
    }
    // Once our windows are gone there is nothing to find, and nothing to set.
    EXPECT_EQ(FindDesktopListView(), nullptr);
    Settings settings;
    Win32IconCaptions captions(settings, [] { return false; });
    captions.ApplyIconTextColor(kBlack);  // no list view: silently nothing
}

TEST(IconCaptions, ColoursReachTheListView) {
    DesktopTree tree;
    tree.AddItems(3);
    SendMessageA(tree.hList, LVM_SETTEXTCOLOR, 0, MakeRGB(255, 0, 0));
    Settings settings;
    settings.UseTransparentIcons = true;
    settings.BackgroundColor = MakeRGB(0x20, 0x40, 0x80);
    Win32IconCaptions captions(settings, [] { return false; });

    // Transparent captions: white text, no box.
    captions.ApplyIconTextColor(kWhite);
    EXPECT_EQ(tree.Text(), kWhite);
    EXPECT_EQ(tree.TextBk(), CLR_NONE);

    // A box in the desktop colour.
    settings.UseTransparentIcons = false;
    captions.ApplyIconTextColor(kBlack);
    EXPECT_EQ(tree.Text(), kBlack);
    EXPECT_EQ(tree.TextBk(), MakeRGB(0x20, 0x40, 0x80));

    // And back to no box.
    settings.UseTransparentIcons = true;
    captions.ApplyIconTextColor(kBlack);
    EXPECT_EQ(tree.TextBk(), CLR_NONE);
}

TEST(IconCaptions, MessagesSentToTheListView) {
    DesktopTree tree;
    tree.AddItems(5);
    SendMessageA(tree.hList, LVM_SETTEXTCOLOR, 0, MakeRGB(1, 2, 3));
    Settings settings;
    bool bActive = true;
    Win32IconCaptions captions(settings, [&] { return bActive; });
    tree.Record();

    // A new colour: read, set, then the background, then every item redrawn.
    captions.ApplyIconTextColor(kWhite);
    EXPECT_EQ(g_messages, (std::vector<UINT>{LVM_GETTEXTCOLOR, LVM_SETTEXTCOLOR, LVM_GETTEXTBKCOLOR,
                                             LVM_SETTEXTBKCOLOR, LVM_GETITEMCOUNT, LVM_REDRAWITEMS}));
    ASSERT_EQ(g_redrawLast.size(), 1u);
    EXPECT_EQ(g_redrawLast[0], 4);

    // The same colour again: the text colour is left alone, the rest happens.
    g_messages.clear();
    g_redrawLast.clear();
    bActive = false;
    captions.ApplyIconTextColor(kWhite);
    EXPECT_EQ(g_messages, (std::vector<UINT>{LVM_GETTEXTCOLOR, LVM_GETTEXTBKCOLOR, LVM_SETTEXTBKCOLOR,
                                             LVM_GETITEMCOUNT, LVM_REDRAWITEMS}));
    EXPECT_EQ(tree.Text(), kWhite);
    SetWindowLongPtrA(tree.hList, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listProc));
}

TEST(IconCaptions, DefaultCaptionColourComesFromTheListView) {
    MemoryRegistry store;
    Profile profile(store, "Quorvale", "MurivaneCaptionTest");
    Win32Desktop desktop;
    {
        DesktopTree tree;
        SendMessageA(tree.hList, LVM_SETTEXTCOLOR, 0, MakeRGB(0x12, 0x34, 0x56));
        Color c = 0;
        ASSERT_TRUE(desktop.GetIconTextColor(c));
        EXPECT_EQ(c, MakeRGB(0x12, 0x34, 0x56));
        Settings settings;
        settings.Load(profile, desktop);
        EXPECT_EQ(settings.IconTextColor, MakeRGB(0x12, 0x34, 0x56));
    }
    // Without the list view: white.
    Color c = 0;
    EXPECT_FALSE(desktop.GetIconTextColor(c));
    Settings settings;
    settings.IconTextColor = kBlack;
    settings.Load(profile, desktop);
    EXPECT_EQ(settings.IconTextColor, kWhite);
}
