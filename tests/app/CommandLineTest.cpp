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
