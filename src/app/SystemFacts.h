#pragma once
#include <string>

namespace mv {

struct VersionFacts {
    unsigned platformId = 2;  // 1: the 9x family, 2: the NT family
    unsigned major = 0;
    unsigned minor = 0;
};

bool IsWin98OrLater(const VersionFacts& v);
bool IsWin2000(const VersionFacts& v);
// Whether the system can tell that its screen saver runs: Windows 98 and
// every NT from 2000 on (SPI_GETSCREENSAVERRUNNING).
bool CanTellScreenSaverRunning(const VersionFacts& v);

// The Active Setup "IsInstalled" text counts only when it is exactly four
// bytes whose little-endian value is not zero.
bool IsInstalledFlag(const std::string& sValue);

// "1, 3, 2, 2" -> "1.3.2.2": spaces dropped, commas to full stops.
std::string FormatProductVersion(const std::string& sRaw);

// The help document beside the program: install folder + "Murivane.htm"
// (no separator is added).
std::string HelpPath(const std::string& sInstallFolder);
std::string HelpMissingMessage(const std::string& sPath);
std::string HelpLaunchFailedMessage(const std::string& sPath);

// The command line that starts a program: "path" arguments.
std::string QuotedCommandLine(const std::string& sPath, const std::string& sArguments);

constexpr const char* kActiveDesktopKey =
    "Software\\Microsoft\\Active Setup\\Installed Components\\{89820200-ECBD-11cf-8B85-00AA005B4395}";
constexpr const char* kShellFoldersNT = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Explorer\\Shell Folders";
constexpr const char* kShellFolders9x = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace mv
