#include <gtest/gtest.h>

#include <vector>

#include "shell/TrayCommand.h"

using namespace mv;

// The record's bytes, written out by hand: "MVCM" least significant byte
// first, version 1, the command, the monitor.
TEST(TrayCommand, RecordsAreTheBytesWrittenOutByHand) {
    const std::vector<uint8_t> next2 = {0x4D, 0x43, 0x56, 0x4D, 1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(EncodeTrayCommand({TrayCommand::Next, 2}), next2);
    std::optional<TrayCommandRecord> r = DecodeTrayCommand(next2.data(), next2.size());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->command, TrayCommand::Next);
    EXPECT_EQ(r->monitor, 2);
    const std::vector<uint8_t> pointer = {0x4D, 0x43, 0x56, 0x4D, 1, 0, 0, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(EncodeTrayCommand({TrayCommand::Next, kMonitorAtPointer}), pointer);
    const std::vector<uint8_t> exitAll = {0x4D, 0x43, 0x56, 0x4D, 1, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(EncodeTrayCommand({TrayCommand::Exit, kAllMonitors}), exitAll);
    r = DecodeTrayCommand(exitAll.data(), exitAll.size());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->command, TrayCommand::Exit);
}

// Whatever another process sends is refused unless it is a whole record of
// this version with a known command and a monitor in range.
TEST(TrayCommand, AnythingElseIsRefused) {
    const std::vector<uint8_t> good = {0x4D, 0x43, 0x56, 0x4D, 1, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_FALSE(DecodeTrayCommand(nullptr, 16).has_value());
    std::vector<uint8_t> longer(good);
    longer.resize(40, 0);
    for (size_t n = 0; n <= 32; ++n)
        if (n != 16) EXPECT_FALSE(DecodeTrayCommand(longer.data(), n).has_value()) << n;
    auto with = [&](size_t at, uint8_t v) {
        std::vector<uint8_t> b(good);
        b[at] = v;
        return DecodeTrayCommand(b.data(), b.size()).has_value();
    };
    EXPECT_FALSE(with(0, 0x4E));  // another tag
    EXPECT_FALSE(with(4, 2));     // another version
    EXPECT_FALSE(with(7, 1));     // version 0x01000001
    EXPECT_FALSE(with(8, 0));     // no command
    EXPECT_FALSE(with(8, 9));     // after Exit
    EXPECT_FALSE(with(11, 0x80)); // a command's high byte
    EXPECT_TRUE(with(12, 64));
    EXPECT_FALSE(with(12, 65));   // beyond the last monitor
    EXPECT_FALSE(with(12, 0xFE)); // 254
    EXPECT_FALSE(with(15, 0x80)); // a large negative monitor
    // Only Next names a monitor.
    std::vector<uint8_t> keep2 = {0x4D, 0x43, 0x56, 0x4D, 1, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_FALSE(DecodeTrayCommand(keep2.data(), keep2.size()).has_value());
    EXPECT_TRUE(EncodeTrayCommand({TrayCommand::Keep, 2}).empty());
    EXPECT_TRUE(EncodeTrayCommand({TrayCommand::Next, 65}).empty());
    EXPECT_TRUE(EncodeTrayCommand({static_cast<TrayCommand>(9), 0}).empty());
}
