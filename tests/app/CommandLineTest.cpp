#include <gtest/gtest.h>

#include "app/CommandLine.h"

using mv::ParseCommandLine;
using mv::SplitCommandLine;

TEST(CommandLine, TrayArgumentForms) {
    for (const char* s : {"/tray", "-tray", "TRAY", "tray", "/TrAy", "-TRAY"})
        EXPECT_TRUE(ParseCommandLine({s}).bTray) << s;
    for (const char* s : {"/trays", "", "//tray", "--tray", "tra", "\\tray", "/ tray"})
        EXPECT_FALSE(ParseCommandLine({s}).bTray) << s;
    EXPECT_FALSE(ParseCommandLine({}).bTray);
    EXPECT_FALSE(ParseCommandLine({"/settings", "tray"}).bTray);
}

TEST(CommandLine, SecondArgumentSeeds) {
    EXPECT_EQ(ParseCommandLine({"/tray", "/r7"}).seed, 7);
    EXPECT_EQ(ParseCommandLine({"/tray", "xr7"}).seed, 7);
    EXPECT_EQ(ParseCommandLine({"/tray", "-r1234"}).seed, 1234);
    EXPECT_FALSE(ParseCommandLine({"/tray", "/R7"}).seed.has_value());
    EXPECT_FALSE(ParseCommandLine({"/r7"}).seed.has_value());
    EXPECT_EQ(ParseCommandLine({"/tray", "/r"}).seed, 0);
    EXPECT_EQ(ParseCommandLine({"/tray", "/rabc"}).seed, 0);
    EXPECT_EQ(ParseCommandLine({"/tray", "/r12x5"}).seed, 12);
    EXPECT_EQ(ParseCommandLine({"/tray", "/r-5"}).seed, -5);
    // Absurdly long digit runs saturate instead of overflowing.
    EXPECT_EQ(ParseCommandLine({"x", "/r99999999999999999999"}).seed, 2147483647);
    EXPECT_EQ(ParseCommandLine({"x", "/r-99999999999999999999"}).seed, -2147483647 - 1);
    // The seed argument works for a settings instance too.
    EXPECT_EQ(ParseCommandLine({"x", "/r3"}).seed, 3);
}

TEST(CommandLine, SplitsLikeTheRuntime) {
    EXPECT_EQ(SplitCommandLine("/tray /r12"), (std::vector<std::string>{"/tray", "/r12"}));
    EXPECT_EQ(SplitCommandLine("  \"a b\"  c "), (std::vector<std::string>{"a b", "c"}));
    EXPECT_EQ(SplitCommandLine(""), std::vector<std::string>{});
    EXPECT_EQ(SplitCommandLine("\"\""), std::vector<std::string>{""});
}

// Commands for the tray: every word in its spellings, Next's monitor, and
// the seed after them.
TEST(CommandLine, CommandsForTheTray) {
    using mv::TrayCommand;
    const struct {
        const char* arg;
        TrayCommand command;
    } words[] = {{"/next", TrayCommand::Next},       {"-NEXT", TrayCommand::Next},       {"/Previous", TrayCommand::Previous},
                 {"-keep", TrayCommand::Keep},       {"/NEVER", TrayCommand::Never},     {"/disable", TrayCommand::Disable},
                 {"-Enable", TrayCommand::Enable},   {"/refresh", TrayCommand::Refresh}, {"/exit", TrayCommand::Exit}};
    for (const auto& w : words) {
        const mv::CommandLine c = ParseCommandLine({w.arg});
        ASSERT_TRUE(c.command.has_value()) << w.arg;
        EXPECT_EQ(c.command->command, w.command) << w.arg;
        EXPECT_EQ(c.command->monitor, mv::kAllMonitors) << w.arg;
        EXPECT_FALSE(c.bMistake || c.bHelp || c.bTray) << w.arg;
    }
    EXPECT_EQ(ParseCommandLine({"/next", "1"}).command->monitor, 1);
    EXPECT_EQ(ParseCommandLine({"/next", "64"}).command->monitor, 64);
    EXPECT_EQ(ParseCommandLine({"-next", "POINTER"}).command->monitor, mv::kMonitorAtPointer);
    EXPECT_EQ(ParseCommandLine({"/next", "pointer"}).command->monitor, -1);
    // The seed still comes second, or after Next's monitor.
    mv::CommandLine c = ParseCommandLine({"/next", "/r5"});
    EXPECT_EQ(c.seed, 5);
    EXPECT_EQ(c.command->monitor, 0);
    c = ParseCommandLine({"/next", "2", "-r9"});
    EXPECT_EQ(c.seed, 9);
    EXPECT_EQ(c.command->monitor, 2);
    EXPECT_EQ(ParseCommandLine({"/keep", "/r3"}).seed, 3);
    for (const char* s : {"/?", "-?", "/help", "-HELP"}) EXPECT_TRUE(ParseCommandLine({s, "whatever"}).bHelp) << s;
}

// Mistakes name the argument that is wrong; what never was a command keeps
// its meaning (the settings sheet, or the tray).
TEST(CommandLine, MistakesAndWhatKeepsItsMeaning) {
    const struct {
        std::vector<std::string> args;
        const char* wrong;
    } mistakes[] = {{{"/next", "0"}, "0"},          {{"/next", "65"}, "65"},       {{"/next", "-1"}, "-1"},
                    {{"/next", "2x"}, "2x"},        {{"/next", "2", "3"}, "3"},    {{"/next", ""}, ""},
                    {{"/keep", "2"}, "2"},          {{"/exit", "/r1", "x"}, "x"},  {{"/bogus"}, "/bogus"},
                    {{"-nextt"}, "-nextt"},         {{"/Next2"}, "/Next2"}};
    for (const auto& m : mistakes) {
        const mv::CommandLine c = ParseCommandLine(m.args);
        EXPECT_TRUE(c.bMistake) << m.args[0] << " " << (m.args.size() > 1 ? m.args[1] : "");
        EXPECT_EQ(c.sMistake, m.wrong);
        EXPECT_FALSE(c.command.has_value());
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{}, {"/settings"}, {"C:\\pictures\\a.jpg"}, {"/r5"}, {"/3"}, {"x"}, {"/tray", "/r2"}}) {
        const mv::CommandLine c = ParseCommandLine(args);
        EXPECT_FALSE(c.bMistake || c.bHelp || c.command.has_value()) << (args.empty() ? "(none)" : args[0]);
    }
    EXPECT_TRUE(ParseCommandLine({"-TRAY"}).bTray);
}
