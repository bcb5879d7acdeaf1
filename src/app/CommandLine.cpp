#include "app/CommandLine.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>

namespace mv {

bool IsTrayArgument(const std::string& sArg) {
    std::string s = sArg;
    if (!s.empty() && (s[0] == '-' || s[0] == '/')) s.erase(0, 1);
    if (s.size() != 4) return false;
    static const char kTray[] = "tray";
    for (size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != kTray[i]) return false;
    return true;
}

namespace {
// Leading decimal digits as atoi would read them (an optional sign; no digits: 0).
int32_t LeadingInteger(const std::string& s) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool bNegative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) bNegative = s[i++] == '-';
    int64_t value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > 0x80000000LL) value = 0x80000000LL;  // saturate, never overflow
    }
    if (bNegative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}
}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    if (!args.empty()) result.bTray = IsTrayArgument(args[0]);
    if (args.size() >= 2 && args[1].size() >= 2 && args[1][1] == 'r')
        result.seed = LeadingInteger(args[1].substr(2));
    return result;
}

std::vector<std::string> SplitCommandLine(const std::string& sLine) {
    std::vector<std::string> args;
    std::string current;
    bool bInQuotes = false, bHave = false;
    for (char c : sLine) {
        if (c == '"') {
            bInQuotes = !bInQuotes;
            bHave = true;
        } else if ((c == ' ' || c == '\t') && !bInQuotes) {
            if (bHave) args.push_back(current);
            current.clear();
            bHave = false;
        } else {
            current += c;
            bHave = true;
        }
    }
    if (bHave) args.push_back(current);
    return args;
}

}  // namespace mv
