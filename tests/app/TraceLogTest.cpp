#include <gtest/gtest.h>

#include <thread>

#include "app/TraceLog.h"
#include "platform/portable/PortableEnvironment.h"
#include "support/TempDir.h"

using namespace mv;

namespace {
struct TraceFixture : ::testing::Test {
    test::TempDir dir;
    PortableEnvironment env{dir.Path()};
    uint64_t now = 5000;
    TraceLog log{env, [this] { return now; }};
    TraceFixture() {
        env.UnsetVariable("QUORTEMP");
        env.SetVariable("TEMP", dir.Path());
    }
    std::string Read(const char* name) {
        auto bytes = dir.ReadFile(name);
        return std::string(bytes.begin(), bytes.end());
    }
};
}  // namespace

TEST_F(TraceFixture, LinesCarryTheElapsedMillisecondsAndStayLiteral) {
    log.TraceLine("first %d %s");
    now += 1500;
    log.TraceLine("second");
    log.TraceLine(std::string(1024, 'x'));
    log.TraceLine(std::string(1023, 'y'));
    std::string text = Read("trace.txt");
    EXPECT_EQ(text.substr(0, 25), "         0: first %d %s\r\n");
    EXPECT_NE(text.find("      1500: second\r\n"), std::string::npos);
    EXPECT_NE(text.find("         0: Trace string too long\r\n"), std::string::npos);
    EXPECT_NE(text.find(std::string(1023, 'y') + "\r\n"), std::string::npos);
}

TEST_F(TraceFixture, FolderFromQuortempThenTemp) {
    EXPECT_EQ(log.Folder(), dir.Path());
    env.SetVariable("QUORTEMP", "Q:\\logs");
    EXPECT_EQ(log.FilePath(), "Q:\\logs\\trace.txt");
    env.UnsetVariable("QUORTEMP");
    env.UnsetVariable("TEMP");
    EXPECT_EQ(log.FilePath(), "\\trace.txt");
}

TEST_F(TraceFixture, RotationTakesTheSmallestFreeNumber) {
    log.StartNewTraceFile();  // nothing to rotate
    EXPECT_FALSE(env.FileExists(dir.Path() + "\\trace0.txt"));
    dir.WriteFile("trace.txt", "current");
    dir.WriteFile("trace0.txt", "a");
    dir.WriteFile("trace1.txt", "b");
    log.StartNewTraceFile();
    EXPECT_EQ(Read("trace2.txt"), "current");
    EXPECT_FALSE(env.FileExists(dir.Path() + "\\trace.txt"));
}

TEST_F(TraceFixture, TwoThreadsNeverMixWithinALine) {
    auto writer = [this](char c) {
        for (int i = 0; i < 200; ++i) log.TraceLine(std::string(300, c));
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    std::string text = Read("trace.txt");
    size_t lines = 0, pos = 0;
    while ((pos = text.find("\r\n", pos)) != std::string::npos) {
        std::string line = text.substr(pos - 300, 300);
        ASSERT_TRUE(line == std::string(300, 'a') || line == std::string(300, 'b'));
        ++lines;
        pos += 2;
    }
    EXPECT_EQ(lines, 400u);
}

TEST(TraceSwitch, CollectionNames) {
    EXPECT_TRUE(IsTraceCollection("trace"));
    EXPECT_TRUE(IsTraceCollection("Trace"));
    EXPECT_TRUE(IsTraceCollection("TRACE"));
    EXPECT_FALSE(IsTraceCollection("traces"));
    EXPECT_FALSE(IsTraceCollection("Default"));
}

TEST(qvTimer, ExpiresStrictlyAfterThePeriod) {
    uint64_t now = 0;
    qvTimer t(300, [&] { return now; });
    now = 300;
    EXPECT_FALSE(t.Expired());
    now = 301;
    EXPECT_TRUE(t.Expired());
    now = 400;
    EXPECT_FALSE(t.Expired());
    EXPECT_EQ(t.ElapsedAndRestart(), 99u);
}
