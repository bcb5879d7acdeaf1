#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    std::vector<std::string> args = mv::SplitCommandLine(lpCmdLine ? lpCmdLine : "");
    int result = 0;
    try {
        if (mv::win::gApp.InitInstance(args)) result = mv::win::gApp.Run();
        mv::win::gApp.ExitInstance();
    } catch (...) {
        result = 1;
    }
    return result;
}
