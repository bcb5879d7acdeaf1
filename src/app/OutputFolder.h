#pragma once
#include <string>
#include <vector>

#include "platform/Environment.h"

namespace mv {

constexpr const char* kIniFileName = "Murivane.ini";
constexpr const char* kWallpaperFileName = "Murivane.bmp";
// The wallpapers shown last, beside the collections file.
constexpr const char* kHistoryFileName = "Murivane History.ini";
// The fractal of monitor i (from 0) in a change over several monitors,
// kept beside the wallpaper: "Murivane1.bmp", "Murivane2.bmp", ...
std::string MonitorFractalFileName(int i);

// The folder for the collections file and the wallpaper: the Windows folder
// when it can be written to, otherwise %APPDATA%\Murivane (made on demand);
// %APPDATA%\Murivane too when it already holds the collections file and the
// Windows folder does not. Decided on the first call and kept in env.
std::string OutputFolder(Environment& env);
// Folder + "\" + name.
std::string OutputFile(Environment& env, const std::string& sName);
// Every place a file of ours may live, for the uninstall.
std::vector<std::string> CandidateFiles(Environment& env, const std::string& sName);

}  // namespace mv
