#include <gtest/gtest.h>

#include <filesystem>

#include "app/OutputFolder.h"
#include "platform/portable/PortableEnvironment.h"
#include "support/TempDir.h"

namespace mv {
namespace {

// The Windows folder's writability on demand, and how often it was asked.
struct Env : PortableEnvironment {
    using PortableEnvironment::PortableEnvironment;
    bool bWindowsWritable = true;
    int asked = 0;
    bool IsFolderWritable(const std::string&) override {
        ++asked;
        return bWindowsWritable;
    }
};

TEST(OutputFolder, DecidedOnceAndKeepsCollectionsWhereTheyAre) {
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("win"));
    std::filesystem::create_directories(dir.File("appdata/Murivane"));
    Env env(dir.Path() + "\\win", dir.Path() + "\\appdata");
    EXPECT_EQ(OutputFolder(env), dir.Path() + "\\win");
    env.bWindowsWritable = false;  // the answer does not change during the run
    EXPECT_EQ(OutputFile(env, kIniFileName), dir.Path() + "\\win\\Murivane.ini");
    EXPECT_EQ(env.asked, 1);

    // Collections already kept per user stay per user, though the Windows
    // folder can be written.
    dir.WriteFile("appdata/Murivane/Murivane.ini", "[Default]\r\n");
    Env again(dir.Path() + "\\win", dir.Path() + "\\appdata");
    EXPECT_EQ(OutputFolder(again), dir.Path() + "\\appdata\\Murivane");
    // ... unless the Windows folder holds a collections file too.
    dir.WriteFile("win/Murivane.ini", "[Default]\r\n");
    Env third(dir.Path() + "\\win", dir.Path() + "\\appdata");
    EXPECT_EQ(OutputFolder(third), dir.Path() + "\\win");

    Env locked(dir.Path() + "\\win", dir.Path() + "\\appdata");
    locked.bWindowsWritable = false;
    EXPECT_EQ(OutputFolder(locked), dir.Path() + "\\appdata\\Murivane");
}

}  // namespace
}  // namespace mv
