#pragma once
#include <optional>
#include <string>
#include <vector>

namespace mv {

// What the command line asks for. Arguments exclude the program name.
struct CommandLine {
    bool bTray = false;                 // first argument "tray", one leading '-' or '/' allowed, any case
    std::optional<int32_t> seed;        // second argument whose second character is 'r'
};

bool IsTrayArgument(const std::string& sArg);
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Splits a Windows command-line tail into arguments the way the C runtime does
// for the common cases (blanks separate, double quotes group).
std::vector<std::string> SplitCommandLine(const std::string& sLine);

}  // namespace mv
