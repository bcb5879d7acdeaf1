// The copy of the test program that VersionOfNewProcess() starts: it ends at
// once with the version the program reads, platform << 16 | major << 8 | minor.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/win32/Shell.h"

TEST(WineVersion, DISABLED_ExitsWithTheVersion) {
    mv::VersionFacts v = mv::win::GetVersionFacts();
    ExitProcess(v.platformId << 16 | v.major << 8 | v.minor);
}
