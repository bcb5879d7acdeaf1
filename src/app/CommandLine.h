#pragma once
#include <optional>
#include <string>
#include <vector>

#include "shell/TrayCommand.h"

namespace mv {

// What the command line asks for. Arguments exclude the program name.
// A first argument that is a command word ("/next", "-Previous", ...) is a
// command for the tray instance; "/?" or "/help" asks for the list of them;
// any other word after '/' or '-' (a letter first) is a mistake. Everything
// else (no argument, "/tray", "/settings", "/r...", a path) keeps its meaning.
struct CommandLine {
    bool bTray = false;                 // first argument "tray", one leading '-' or '/' allowed, any case
    std::optional<int32_t> seed;        // second argument whose second character is 'r'
    std::optional<TrayCommandRecord> command;  // Next's monitor: from 1, kMonitorAtPointer or kAllMonitors
    bool bHelp = false;
    bool bMistake = false;  // the exit status is then 2, and no settings sheet opens
    std::string sMistake;   // the argument that is wrong
};

bool IsTrayArgument(const std::string& sArg);
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Splits a Windows command-line tail into arguments the way the C runtime does
// for the common cases (blanks separate, double quotes group).
std::vector<std::string> SplitCommandLine(const std::string& sLine);

}  // namespace mv
