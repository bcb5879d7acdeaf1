// Makes one picture the wallpaper the way the tray program does, through the
// program's own change code, onto a screen of the given size, and prints the
// process's peak resident memory (for scripts/bench.sh).
//   change_once PICTURE WIDTH HEIGHT [--date]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

#include "config/Registry.h"
#include "config/Settings.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"

namespace {

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PICTURE WIDTH HEIGHT [--date]\n", argv[0]);
        return 2;
    }
    const std::string sPicture = argv[1];
    char folder[] = "/tmp/murivane_change_XXXXXX";
    if (!mkdtemp(folder)) return 1;
    mv::MemoryRegistry registry;
    mv::Profile profile(registry, "Quorvale", "Murivane");
    mv::MemoryDesktop desktop;
    desktop.screen = {std::atoi(argv[2]), std::atoi(argv[3])};
    mv::PortableEnvironment env(folder);
    mv::Settings settings;
    settings.ShowDate = argc > 4 && std::strcmp(argv[4], "--date") == 0;
    mv::DefaultChangeSteps steps(settings, registry, desktop, env, nullptr, [] { return false; }, nullptr, nullptr);
    mv::BackgroundChanger changer(
        mv::ChangeContext{settings, profile, desktop, env, steps, [] { return false; }, nullptr});
    const size_t dot = sPicture.rfind('.');
    changer.ChangeBackground(sPicture, dot == std::string::npos ? "" : sPicture.substr(dot + 1), 0, false, false,
                             false, false);
    const std::string sOut = std::string(folder) + "\\Murivane.bmp";
    const bool bWritten = env.FileExists(sOut);
    std::printf("peak %ld KB, wallpaper %s\n", PeakKilobytes(), bWritten ? "written" : "NOT written");
    env.RemoveFile(sOut);
    rmdir(folder);
    return bWritten ? 0 : 1;
}
