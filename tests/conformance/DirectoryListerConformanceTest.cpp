// What the image list and the folder search rely on from the directory
// listing, checked against readdir natively and FindFirstFile under Windows,
// and the drive search over real trees through the same lister.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "config/Collection.h"
#include "conformance/DirectoryListerFactory.h"
#include "conformance/IniFactory.h"
#include "image/Drive.h"
#include "image/Folder.h"
#include "image/Image.h"

using namespace mv;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

struct ListerConformance : ::testing::Test {
    std::string sFolder;  // in the platform's path syntax
    std::unique_ptr<DirectoryLister> lister = MakeDirectoryListerUnderTest();

    void SetUp() override {
        static int counter = 0;
        sFolder = IniTestFolder() + IniPathSeparator() + "lister-" + std::to_string(++counter);
        fs::remove_all(NativePath(sFolder));
        fs::create_directories(NativePath(sFolder));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(NativePath(sFolder), ec);
    }
    std::string In(const std::string& sName) const { return sFolder + IniPathSeparator() + sName; }
    void File(const std::string& sName) { std::ofstream(NativePath(In(sName))) << "x"; }
    void Dir(const std::string& sName) { fs::create_directories(NativePath(In(sName))); }

    // Entries by name, for a search path in Windows form (folder\pattern).
    std::map<std::string, DirEntry> List(const std::string& sPattern) {
        std::map<std::string, DirEntry> entries;
        lister->Enumerate(sFolder + "\\" + sPattern, [&](const DirEntry& e) {
            entries[e.sName] = e;
            return true;
        });
        return entries;
    }
    Strings Names(const std::string& sPattern) {
        Strings names;
        for (const auto& kv : List(sPattern)) names.push_back(kv.first);
        return names;
    }
};

}  // namespace

TEST_F(ListerConformance, PatternsIgnoreCaseAndAttributesAreReported) {
    for (const char* name : {"a.jpg", "B.JPG", "c.Png", "README", ".dot.jpg"}) File(name);
    Dir("Sub");
    Dir(".cache");

    EXPECT_EQ(Names("*.jpg"), (Strings{".dot.jpg", "B.JPG", "a.jpg"}));
    EXPECT_EQ(Names("*.JPG"), Names("*.jpg"));
    EXPECT_EQ(Names("*.png"), (Strings{"c.Png"}));
    EXPECT_EQ(Names("?.jpg"), (Strings{"B.JPG", "a.jpg"}));

    auto all = List("*.*");
    EXPECT_EQ(Names("*.*"), (Strings{".", "..", ".cache", ".dot.jpg", "B.JPG", "README", "Sub", "a.jpg", "c.Png"}));
    EXPECT_TRUE(all["Sub"].bDirectory);
    EXPECT_TRUE(all[".."].bDirectory);
    EXPECT_FALSE(all["a.jpg"].bDirectory || all["a.jpg"].bHidden || all["a.jpg"].bSystem);
    EXPECT_TRUE(all[".dot.jpg"].bHidden);  // dot-names are hidden (Wine's rule too)
    EXPECT_TRUE(all[".cache"].bHidden && all[".cache"].bDirectory);
    EXPECT_FALSE(all["Sub"].bHidden);

    // The caller can stop the listing; a missing folder or no match says false.
    int seen = 0;
    EXPECT_TRUE(lister->Enumerate(sFolder + "\\*.*", [&](const DirEntry&) { return ++seen < 2; }));
    EXPECT_EQ(seen, 2);
    EXPECT_FALSE(lister->Enumerate(sFolder + "\\*.tif", [](const DirEntry&) { return true; }));
    EXPECT_FALSE(lister->Enumerate(sFolder + "\\missing\\*.*", [](const DirEntry&) { return true; }));
}

TEST_F(ListerConformance, ShortNamesMatchToo) {
    for (const char* name : {"photo.jpeg", "x.jpgx", "a.jpe", "plain.jpg", "long name here.jpeg"}) File(name);
    EXPECT_EQ(Names("*.jpe"), (Strings{"a.jpe", "long name here.jpeg", "photo.jpeg"}));
    EXPECT_EQ(Names("*.jpeg"), (Strings{"long name here.jpeg", "photo.jpeg"}));
    EXPECT_EQ(Names("*.jpg"), (Strings{"plain.jpg", "x.jpgx"}));
}

TEST_F(ListerConformance, ImageListAndSubfoldersThroughTheLister) {
    for (const char* name : {"Photo.JPEG", "b.bmp", "PIC.GIF", "notes.txt"}) File(name);
    Dir("Holiday");
    Dir(".thumbs");
    File("Holiday\\z.png");

    RCollection c("Conformance");
    c.AddFolder(sFolder + "\\Holiday");
    c.AddFolder(sFolder + "\\");
    c.BuildImageList(*lister);
    // A JPEG with a long extension is found by "*.jpe" (its short name) and
    // "*.jpeg", and listed once.
    const std::string s = sFolder + "\\";
    EXPECT_EQ(c.images(), (Strings{s + "b.bmp", s + "photo.jpeg", s + "pic.gif", s + "Holiday\\z.png"}));

    qvFolder folder(*lister, sFolder);
    EXPECT_EQ(folder.FindSubfolders(false, false), 1);
    EXPECT_EQ(folder.NextSubfolder(), s + "Holiday");
    EXPECT_EQ(folder.FindSubfolders(true, true), 1);  // dot-names never count
    EXPECT_TRUE(folder.ContainsFiles("*.tif *.gif"));
    EXPECT_FALSE(folder.ContainsFiles("*.tif *.tga"));
}

// A reference listing: a fixed tree and, worked out by hand from the search's
// rules, the folders it reports and the folders it enters, in order. A folder
// is reported when a wildcard listing of one of the patterns finds any entry
// in it (a folder named "old.png" counts, and so does a long name whose short
// name matches), before its subfolders, which are taken in listing order
// (names here are lower-case letters and digits, so the platforms agree);
// names beginning with "." are never entered.
TEST_F(ListerConformance, DriveSearchMatchesTheReferenceListing) {
    for (const char* d : {"albums", "albums\\2019", "albums\\2020", "albums\\2020\\raw", "albums\\2020\\gifs", "docs",
                          "docs\\old.png", "docs\\scans", "zz", ".cache"})
        Dir(d);
    for (const char* f : {"cover.jpg", "albums\\2019\\beach.png", "albums\\2020\\snow.jpeg", "albums\\2020\\raw\\shot.jpe",
                          "albums\\2020\\gifs\\anim.gif", "docs\\notes.txt", "docs\\scans\\page.bmp",
                          "zz\\scan.jpgx", ".cache\\c.jpg"})
        File(f);

    const std::string r = sFolder + "\\";
    Strings found, entered;
    EXPECT_TRUE(qvDrive(*lister, sFolder)
                    .Search("*.jpg *.jpeg *.bmp *.png", found, false, true, false,
                            [&](const std::string& s) { entered.push_back(s); }, nullptr));
    EXPECT_EQ(found, (Strings{r, r + "albums\\2019", r + "albums\\2020", r + "docs", r + "docs\\scans", r + "zz"}));
    EXPECT_EQ(entered, (Strings{r, r + "albums", r + "albums\\2019", r + "albums\\2020", r + "albums\\2020\\gifs",
                                r + "albums\\2020\\raw", r + "docs", r + "docs\\old.png", r + "docs\\scans",
                                r + "zz"}));

    // With the GIF pattern the GIF-only folder joins, in its place.
    found.clear();
    qvDrive(*lister, sFolder).Search("*.jpg *.jpeg *.bmp *.png *.gif", found, false, true, false, nullptr, nullptr);
    EXPECT_EQ(found, (Strings{r, r + "albums\\2019", r + "albums\\2020", r + "albums\\2020\\gifs", r + "docs",
                              r + "docs\\scans", r + "zz"}));
}

// A link back to an ancestor under a searched folder is not followed: the
// search ends and reports each folder once, under its own path.
TEST_F(ListerConformance, DriveSearchDoesNotFollowLinks) {
    Dir("top");
    Dir("top\\inner");
    File("top\\a.jpg");
    File("top\\inner\\b.png");
    std::string sWhy;
    if (!MakeFolderLinkUnderTest(NativePath(In("top\\inner\\back")), NativePath(sFolder), &sWhy))
        GTEST_SKIP() << "no link to search through: " << sWhy;
    const std::string r = sFolder + "\\";
    Strings found, entered;
    EXPECT_TRUE(qvDrive(*lister, sFolder)
                    .Search("*.jpg *.png", found, false, true, true,
                            [&](const std::string& s) { entered.push_back(s); }, nullptr));
    EXPECT_EQ(found, (Strings{r + "top", r + "top\\inner"}));
    EXPECT_EQ(entered, (Strings{r, r + "top", r + "top\\inner"}));
}
