#include <gtest/gtest.h>

#include "ui/PageRules.h"

using namespace mv;

// The Options page's copy of AutoStart is taken when the sheet is built; the
// uninstall step, taken later, wins over it when the page stores its values.
TEST(PageRules, OptionsStoredAfterTheUninstallStepLeaveAutoStartOff) {
    Settings s;
    OptionsValues v = OptionsFromSettings(s);
    ASSERT_TRUE(v.AutoStart);
    s.UseTray = false;  // the uninstall step
    s.AutoStart = false;
    v.Hours = 2;
    v.ShowToolTips = false;
    StoreOptions(v, s, true);
    EXPECT_FALSE(s.AutoStart);
    EXPECT_FALSE(s.UseTray);
    EXPECT_EQ(s.Hours, 2u);  // the page's other values are stored as ever
    EXPECT_FALSE(s.ShowToolTips);

    Settings t;
    t.AutoStart = false;
    StoreOptions(v, t, false);
    EXPECT_TRUE(t.AutoStart);
}
