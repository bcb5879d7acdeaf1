// What the image list and the folder search rely on from the directory
// listing, checked against readdir natively and FindFirstFile under Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

#include "config/Collection.h"
#include "conformance/DirectoryListerFactory.h"
#include "conformance/IniFactory.h"
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
