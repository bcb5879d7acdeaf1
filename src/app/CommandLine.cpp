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

namespace {

std::string LowerAscii(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The word after one leading '/' or '-', lower case; empty when there is none.
std::string SwitchWord(const std::string& sArg) {
    if (sArg.size() < 2 || (sArg[0] != '/' && sArg[0] != '-')) return std::string();
    return LowerAscii(sArg.substr(1));
}

bool IsSeedArgument(const std::string& sArg) { return sArg.size() >= 2 && sArg[1] == 'r'; }

// A monitor's number as typed: digits only, 1 to kMaxCommandMonitor.
std::optional<int32_t> MonitorNumber(const std::string& s) {
    if (s.empty() || s.size() > 3) return std::nullopt;
    int32_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n < 1 || n > kMaxCommandMonitor) return std::nullopt;
    return n;
}

struct CommandWord {
    const char* word;
    TrayCommand command;
};
constexpr CommandWord kCommandWords[] = {
    {"next", TrayCommand::Next},       {"previous", TrayCommand::Previous}, {"keep", TrayCommand::Keep},
    {"never", TrayCommand::Never},     {"disable", TrayCommand::Disable},   {"enable", TrayCommand::Enable},
    {"refresh", TrayCommand::Refresh}, {"exit", TrayCommand::Exit},
};

// Words that keep the meaning they always had: the tray, and the settings.
bool IsKnownWord(const std::string& sWord) { return sWord == "tray" || sWord == "settings"; }

bool StartsWithALetter(const std::string& s) { return !s.empty() && std::isalpha(static_cast<unsigned char>(s[0])); }

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    if (!args.empty()) result.bTray = IsTrayArgument(args[0]);
    if (args.size() >= 2 && IsSeedArgument(args[1])) result.seed = LeadingInteger(args[1].substr(2));
    if (args.empty()) return result;

    const std::string sWord = SwitchWord(args[0]);
    if (sWord == "?" || sWord == "help") {
        result.bHelp = true;
        return result;
    }
    for (const CommandWord& w : kCommandWords) {
        if (sWord != w.word) continue;
        TrayCommandRecord record{w.command, kAllMonitors};
        size_t next = 1;
        // Next may name its monitor before the seed.
        if (w.command == TrayCommand::Next && args.size() > 1 && !IsSeedArgument(args[1])) {
            const std::optional<int32_t> n = MonitorNumber(args[1]);
            if (LowerAscii(args[1]) == "pointer") {
                record.monitor = kMonitorAtPointer;
            } else if (n) {
                record.monitor = *n;
            } else {
                result.bMistake = true;
                result.sMistake = args[1];
                return result;
            }
            next = 2;
            if (args.size() > 2 && IsSeedArgument(args[2])) result.seed = LeadingInteger(args[2].substr(2));
        }
        if (next < args.size() && IsSeedArgument(args[next])) ++next;
        if (next < args.size()) {
            result.bMistake = true;
            result.sMistake = args[next];
            return result;
        }
        result.command = record;
        return result;
    }
    // A word after '/' or '-' that names nothing the program knows (one in
    // the seed's form, "/r...", keeps its old meaning).
    if (!IsKnownWord(sWord) && StartsWithALetter(sWord) && !IsSeedArgument(args[0])) {
        result.bMistake = true;
        result.sMistake = args[0];
    }
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
