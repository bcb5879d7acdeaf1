#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "shell/AppliedPicture.h"

using namespace mv;

namespace {

using Bytes = std::vector<uint8_t>;

// The record of "C:\p\a.jpg", centred by force (bits 1 | 2: forced, tiled),
// for every monitor, written out by hand.
Bytes HandRecord() {
    Bytes b = {'P', 'A', 'V', 'M',   // the tag 0x4D564150, lowest byte first
               1,   0,   0,   0,     // version 1
               3,   0,   0,   0,     // forced position and tiling
               0xFF, 0xFF, 0xFF, 0xFF,  // monitor -1
               11,  0,   0,   0};    // "C:\p\a.jpg" and its NUL
    for (char c : std::string("C:\\p\\a.jpg")) b.push_back(static_cast<uint8_t>(c));
    b.push_back(0);
    return b;
}

// Decodes from a heap block of exactly the record's size, so a read past it
// is caught by the address sanitizer.
std::optional<AppliedPicture> DecodeExact(const Bytes& b) {
    std::unique_ptr<uint8_t[]> block(new uint8_t[b.empty() ? 1 : b.size()]);
    if (!b.empty()) std::memcpy(block.get(), b.data(), b.size());
    return DecodeAppliedPicture(block.get(), b.size());
}

}  // namespace

TEST(AppliedPicture, RecordFromAnotherProcessIsCheckedWhole) {
    AppliedPicture a;
    a.sPath = "C:\\p\\a.jpg";
    a.forced = ForcedLayout{true, true, false, false};
    EXPECT_EQ(EncodeAppliedPicture(a), HandRecord());
    const std::optional<AppliedPicture> back = DecodeExact(HandRecord());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->sPath, "C:\\p\\a.jpg");
    EXPECT_TRUE(back->forced.bForcePosition && back->forced.bDoTiling);
    EXPECT_FALSE(back->forced.bDoStretching || back->forced.bDoTileSeamless);
    EXPECT_EQ(back->monitor, -1);

    // Every cut-off record, and one byte too many, is refused.
    const Bytes whole = HandRecord();
    for (size_t n = 0; n < whole.size(); ++n)
        EXPECT_FALSE(DecodeExact(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)))) << n;
    Bytes longer = whole;
    longer.push_back(0);
    EXPECT_FALSE(DecodeExact(longer));
    EXPECT_FALSE(DecodeAppliedPicture(nullptr, whole.size()));

    // Damaged fields: tag, version, unknown layout bits, monitors out of
    // range, lengths that do not fit, a path without its NUL or with one,
    // a tab, a line break or a quote (which would end the shell's
    // "/select," argument) inside, a path that is not whole ("Cx\p\a.jpg").
    struct Damage {
        size_t at;
        uint8_t value;
    };
    const Damage damages[] = {{0, 'Q'},  {4, 2},    {7, 1},          {8, 16},   {12, 0xFE}, {12, 0},
                              {13, 1},   {16, 12},  {16, 10},        {16, 1},   {19, 0x80}, {30, 'x'},
                              {23, 0},   {23, '\t'}, {23, '\n'}, {23, '"'},  {21, 'x'}};
    for (const Damage& d : damages) {
        Bytes b = whole;
        b[d.at] = d.value;
        if (d.at == 12 && d.value == 0) b[13] = b[14] = b[15] = 1;  // monitor 0x01010100
        EXPECT_FALSE(DecodeExact(b)) << "byte " << d.at << " = " << int(d.value);
    }
    // Monitor 2 is a whole record, and so is a share's path; a path of one
    // letter (relative) is not.
    Bytes b = whole;
    b[12] = 2, b[13] = b[14] = b[15] = 0;
    ASSERT_TRUE(DecodeExact(b));
    EXPECT_EQ(DecodeExact(b)->monitor, 2);
    Bytes share = b;
    share[20] = share[21] = '\\';
    share[22] = 's';
    ASSERT_TRUE(DecodeExact(share));
    EXPECT_EQ(DecodeExact(share)->sPath, "\\\\sp\\a.jpg");
    Bytes one(whole.begin(), whole.begin() + 20);
    one[16] = 2;
    one.push_back('c');
    one.push_back(0);
    EXPECT_FALSE(DecodeExact(one));

    // What cannot be told is not encoded.
    for (const char* bad : {"", "c:\\a\tb", "c:\\a\nb", "c:\\a\"b", "a.jpg"}) {
        a.sPath = bad;
        EXPECT_TRUE(EncodeAppliedPicture(a).empty()) << bad;
    }
    a.sPath = "x";
    a.monitor = 256;
    EXPECT_TRUE(EncodeAppliedPicture(a).empty());
}
