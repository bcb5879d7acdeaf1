#include <gtest/gtest.h>

#include "app/SystemFacts.h"

using namespace mv;

TEST(SystemFacts, VersionFamilies) {
    EXPECT_TRUE(IsWin98OrLater({1, 4, 10}));
    EXPECT_FALSE(IsWin98OrLater({1, 4, 0}));  // Windows 95
    EXPECT_TRUE(IsWin98OrLater({1, 5, 0}));
    EXPECT_FALSE(IsWin98OrLater({2, 5, 0}));
    EXPECT_TRUE(IsWin2000({2, 5, 0}));
    EXPECT_TRUE(IsWin2000({2, 5, 1}));        // XP counts
    EXPECT_FALSE(IsWin2000({2, 6, 1}));       // later NT: neither, so the registry decides
    EXPECT_FALSE(IsWin98OrLater({2, 6, 1}));
    // The screen saver is asked about on 98, 2000, XP and every later Windows.
    for (VersionFacts v : {VersionFacts{1, 4, 10}, {2, 5, 0}, {2, 5, 1}, {2, 6, 1}, {2, 10, 0}})
        EXPECT_TRUE(CanTellScreenSaverRunning(v)) << v.major << "." << v.minor;
    EXPECT_FALSE(CanTellScreenSaverRunning({1, 4, 0}));
    EXPECT_FALSE(CanTellScreenSaverRunning({2, 4, 0}));
}

TEST(SystemFacts, ActiveDesktopInstalledFlag) {
    EXPECT_TRUE(IsInstalledFlag(std::string("\x01\x00\x00\x00", 4)));
    EXPECT_FALSE(IsInstalledFlag(std::string("\x00\x00\x00\x00", 4)));
    EXPECT_TRUE(IsInstalledFlag("1000"));  // a DWORD read as four digits
    EXPECT_FALSE(IsInstalledFlag("1"));
    EXPECT_FALSE(IsInstalledFlag(""));
    EXPECT_FALSE(IsInstalledFlag(std::string("\x01\x00\x00\x00\x00", 5)));
}

TEST(SystemFacts, ProductVersionAndHelpTexts) {
    EXPECT_EQ(FormatProductVersion("1, 3, 2, 2"), "1.3.2.2");
    EXPECT_EQ(FormatProductVersion("2,0"), "2.0");
    EXPECT_EQ(FormatProductVersion(""), "");
    EXPECT_EQ(HelpPath("C:\\Program Files\\Murivane\\"), "C:\\Program Files\\Murivane\\Murivane.htm");
    EXPECT_EQ(HelpPath("D:\\Apps"), "D:\\AppsMurivane.htm");  // no separator is inserted
    EXPECT_EQ(HelpMissingMessage("X"), "Sorry, could not find help file X. It may be installed in another folder.");
    EXPECT_EQ(HelpLaunchFailedMessage("X"), "Sorry, could not launch browser to view help file X");
    EXPECT_EQ(QuotedCommandLine("C:\\a b\\M.exe", "/tray"), "\"C:\\a b\\M.exe\" /tray");
}
