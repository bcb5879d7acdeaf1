#include <windows.h>

#include "app/CommandLine.h"
#include "app/win32/App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) {
    std::vector<std::string> args = mv::SplitCommandLine(lpCmdLine ? lpCmdLine : "");
    int result = 0;
    try {
        if (mv::win::gApp.InitInstance(args)) result = mv::win::gApp.Run();
        mv::win::gApp.ExitInstance();
        // A command given on the command line ends with its own status.
        if (mv::win::gApp.RunModeValue() != mv::win::kRunTray) result = mv::win::gApp.ExitCode();
    } catch (...) {
        result = 1;
    }
    return result;
}
