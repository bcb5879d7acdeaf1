// Failure paths under Windows: a hung shell, and the tray instance forced
// through many changes.
#include <windows.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "shell/ChangeCycle.h"
#include "shell/win32/TrayIcon.h"

using namespace mv;
using namespace mv::win;

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
