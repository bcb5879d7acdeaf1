#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    std::vector<std::string> args = mv::SplitCommandLine(lpCmdLine ? lpCmdLine : "");
    int result = 0;
    try {
        mv::win::CApp app;
        if (app.InitInstance(args)) result = app.Run();
    } catch (...) {
        result = 1;
    }
    return result;
}
