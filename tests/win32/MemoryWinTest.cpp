// A 32-bit process runs out of address space long before a picture reaches
// the size limits; running out must give invalid pictures, not an abort.
#include <windows.h>

#include <vector>

#include <gtest/gtest.h>

#include "image/Image.h"

TEST(MemoryWin, HugePicturesFailCleanly) {
#ifdef _WIN64
    GTEST_SKIP() << "a 64-bit process does not run out of address space at 6.4 GB; the 32-bit program, "
                    "which does, cannot run on this machine";
#endif
    std::vector<mv::Image> held;
    bool bFailed = false;
    for (int i = 0; i < 8 && !bFailed; ++i) {
        mv::Image img = mv::Image::Create24(16384, 16384);  // 805 MB each
        if (!img.IsValid())
            bFailed = true;
        else
            held.push_back(std::move(img));
    }
    EXPECT_TRUE(bFailed);
    held.clear();
    EXPECT_TRUE(mv::Image::Create24(640, 480).IsValid());
}
