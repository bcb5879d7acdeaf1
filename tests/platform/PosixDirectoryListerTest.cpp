#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/portable/PosixDirectoryLister.h"
#include "support/TempDir.h"

using namespace mv;
using Strings = std::vector<std::string>;

TEST(PosixDirectoryLister, WildcardsIgnoreCase) {
    auto m = &PosixDirectoryLister::Matches;
    EXPECT_TRUE(m("*.jpg", "PIC.JPG"));
    EXPECT_TRUE(m("*.JPG", "pic.jpg"));
    EXPECT_FALSE(m("*.jpg", "pic.jpeg"));
    EXPECT_FALSE(m("*.jpe", "pic.jpeg"));
    EXPECT_TRUE(m("*.*", "README"));  // every name, with or without a dot
    EXPECT_TRUE(m("*", ".hidden"));
    EXPECT_TRUE(m("?.png", "a.png"));
    EXPECT_FALSE(m("?.png", "ab.png"));
    EXPECT_TRUE(m("a*b*c", "aXXbYYc"));
    EXPECT_FALSE(m("a*b*c", "aXXbYY"));
    EXPECT_FALSE(m("", "a"));
    // Back-tracking stays linear: no blow-up on many stars.
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m("*a*a*a*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(PosixDirectoryLister, EntriesWithAttributes) {
    test::TempDir dir;
    ASSERT_EQ(std::system(("cd '" + dir.Path() + "' && mkdir Sub .cache && touch B.JPG a.jpg .dot.jpg x.txt && " +
                           "ln -s Sub LinkToSub && ln -s nowhere Broken.jpg").c_str()),
              0);
    PosixDirectoryLister lister;
    std::vector<DirEntry> all;
    EXPECT_TRUE(lister.Enumerate(dir.Path() + "\\*.*", [&](const DirEntry& e) {
        all.push_back(e);
        return true;
    }));
    Strings names;
    for (const DirEntry& e : all) names.push_back(e.sName);
    EXPECT_EQ(names, (Strings{".", "..", ".cache", ".dot.jpg", "B.JPG", "Broken.jpg", "LinkToSub", "Sub",
                              "a.jpg", "x.txt"}));
    auto find = [&](const std::string& n) {
        for (const DirEntry& e : all)
            if (e.sName == n) return e;
        return DirEntry{};
    };
    EXPECT_TRUE(find("Sub").bDirectory);
    EXPECT_FALSE(find("LinkToSub").bDirectory);  // a link to a folder is not one to enter
    EXPECT_FALSE(find("Broken.jpg").bDirectory);
    EXPECT_TRUE(find(".cache").bHidden);
    EXPECT_TRUE(find(".dot.jpg").bHidden);
    EXPECT_FALSE(find(".").bHidden);
    EXPECT_TRUE(find("..").bDirectory);
    EXPECT_FALSE(find("a.jpg").bHidden || find("a.jpg").bSystem || find("a.jpg").bDirectory);

    Strings jpgs;
    lister.Enumerate(dir.Path() + "\\*.jpg", [&](const DirEntry& e) {
        jpgs.push_back(e.sName);
        return jpgs.size() < 3;  // stops when asked
    });
    EXPECT_EQ(jpgs, (Strings{".dot.jpg", "B.JPG", "Broken.jpg"}));

    EXPECT_FALSE(lister.Enumerate(dir.Path() + "\\*.png", [](const DirEntry&) { return true; }));
    EXPECT_FALSE(lister.Enumerate(dir.Path() + "\\missing\\*.*", [](const DirEntry&) { return true; }));
}

TEST(PosixDirectoryLister, ShortNamesAsWindowsFormsThem) {
    EXPECT_EQ(PosixDirectoryLister::ShortName("photo.jpeg"), "PHOTO~1.JPE");
    EXPECT_EQ(PosixDirectoryLister::ShortName("long name here.jpeg"), "LONGNA~1.JPE");
    EXPECT_EQ(PosixDirectoryLister::ShortName("x.jpgx"), "X~1.JPG");
    EXPECT_EQ(PosixDirectoryLister::ShortName(".dot.jpg"), "DOT~1.JPG");
    EXPECT_EQ(PosixDirectoryLister::ShortName("archive.tar.gz"), "ARCHIV~1.GZ");
    EXPECT_EQ(PosixDirectoryLister::ShortName("verylongname"), "VERYLO~1");
    // Names already in 8.3 form have none.
    EXPECT_EQ(PosixDirectoryLister::ShortName("a.jpg"), "");
    EXPECT_EQ(PosixDirectoryLister::ShortName("PICTURE1.BMP"), "");
    EXPECT_EQ(PosixDirectoryLister::ShortName("README"), "");
    EXPECT_EQ(PosixDirectoryLister::ShortName(".."), "");

    EXPECT_FALSE(PosixDirectoryLister::Matches("*.jpe", "photo.jpeg"));
    EXPECT_TRUE(PosixDirectoryLister::MatchesEntry("*.jpe", "photo.jpeg"));
    EXPECT_TRUE(PosixDirectoryLister::MatchesEntry("*.jpg", "x.jpgx"));
    EXPECT_FALSE(PosixDirectoryLister::MatchesEntry("*.jpeg", "a.jpe"));
    EXPECT_FALSE(PosixDirectoryLister::MatchesEntry("*.gif", "photo.jpeg"));
}
