#include "app/SystemFacts.h"

namespace mv {

bool IsWin98OrLater(const VersionFacts& v) {
    return v.platformId == 1 && (v.major > 4 || (v.major == 4 && v.minor > 0));
}

bool IsWin2000(const VersionFacts& v) { return v.platformId == 2 && v.major == 5; }

bool CanTellScreenSaverRunning(const VersionFacts& v) { return IsWin98OrLater(v) || (v.platformId == 2 && v.major >= 5); }

bool IsInstalledFlag(const std::string& sValue) {
    if (sValue.size() != 4) return false;
    return sValue[0] != 0 || sValue[1] != 0 || sValue[2] != 0 || sValue[3] != 0;
}

std::string FormatProductVersion(const std::string& sRaw) {
    std::string s;
    for (char c : sRaw) {
        if (c == ' ') continue;
        s += c == ',' ? '.' : c;
    }
    return s;
}

std::string HelpPath(const std::string& sInstallFolder) { return sInstallFolder + "Murivane.htm"; }

std::string HelpMissingMessage(const std::string& sPath) {
    return "Sorry, could not find help file " + sPath + ". It may be installed in another folder.";
}

std::string HelpLaunchFailedMessage(const std::string& sPath) {
    return "Sorry, could not launch browser to view help file " + sPath;
}

std::string QuotedCommandLine(const std::string& sPath, const std::string& sArguments) {
    return "\"" + sPath + "\" " + sArguments;
}

}  // namespace mv
