#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>

#include "config/Collection.h"
#include "image/Folder.h"
#include "image/PictureFile.h"
#include "platform/portable/PortableIni.h"
#include "platform/portable/PosixDirectoryLister.h"
#include "support/TempDir.h"
#include "ui/DriveSearchJob.h"

using namespace mv;
using Strings = std::vector<std::string>;

namespace {

// Folders given by Windows path, with the search paths asked for recorded.
struct FakeLister : DirectoryLister {
    std::map<std::string, std::vector<DirEntry>> folders;
    Strings searches;

    void AddFile(const std::string& sFolder, const std::string& sName) { folders[sFolder].push_back({sName}); }
    void AddDir(const std::string& sFolder, const std::string& sName, bool bHidden = false, bool bSystem = false) {
        folders[sFolder].push_back({sName, true, bHidden, bSystem});
    }

    bool Enumerate(const std::string& sSearchPath, const std::function<bool(const DirEntry&)>& onEntry) override {
        searches.push_back(sSearchPath);
        size_t slash = sSearchPath.rfind('\\');
        std::string sFolder = sSearchPath.substr(0, slash);
        if (sFolder.size() == 2 && sFolder[1] == ':') sFolder += '\\';  // drive roots are stored as "c:\"
        std::string sPattern = sSearchPath.substr(slash + 1);
        auto it = folders.find(sFolder);
        if (it == folders.end()) return false;
        bool bAny = false;
        for (const DirEntry& e : it->second) {
            if (!PosixDirectoryLister::Matches(sPattern, e.sName)) continue;
            bAny = true;
            if (!onEntry(e)) break;
        }
        return bAny;
    }
};

}  // namespace

TEST(SplitString, EmptyPiecesBetweenDelimitersButNotAtTheEnd) {
    EXPECT_EQ(SplitString("*.jpg *.jpeg *.bmp", ' '), (Strings{"*.jpg", "*.jpeg", "*.bmp"}));
    EXPECT_EQ(SplitString("a  b", ' '), (Strings{"a", "", "b"}));
    EXPECT_EQ(SplitString(" a", ' '), (Strings{"", "a"}));
    EXPECT_EQ(SplitString("a ", ' '), (Strings{"a"}));
    EXPECT_EQ(SplitString("a  ", ' '), (Strings{"a", ""}));
    EXPECT_TRUE(SplitString("", ' ').empty());
}

TEST(Folder, SearchPathsAndFileNames) {
    FakeLister lister;
    lister.AddFile("c:\\", "PIC.GIF");
    lister.AddFile("c:\\", "Beach.JPG");
    lister.AddFile("c:\\", "notes.txt");
    lister.AddFile("c:\\pics", "a.png");

    qvFolder root(lister, "c:\\");
    EXPECT_EQ(root.path(), "c:");
    EXPECT_EQ(root.FindFiles("*.jpg *.gif", nullptr, true), 2);
    EXPECT_EQ(lister.searches, (Strings{"c:\\*.jpg", "c:\\*.gif"}));
    EXPECT_EQ(root.files(), (Strings{"beach.jpg", "pic.gif"}));
    Strings paths;
    root.AppendFullPaths(paths);
    EXPECT_EQ(paths, (Strings{"c:\\beach.jpg", "c:\\pic.gif"}));  // one backslash after the drive

    // Without lower-casing; a second call appends and counts only its own.
    EXPECT_EQ(root.FindFiles("*.GIF"), 1);
    EXPECT_EQ(root.files().back(), "PIC.GIF");

    // One trailing backslash is removed; a path that still ends with one gets
    // no second one.
    qvFolder f(lister, "c:\\pics\\");
    EXPECT_EQ(f.path(), "c:\\pics");
    f.SetPath("c:\\\\");
    EXPECT_EQ(f.path(), "c:\\");
    lister.searches.clear();
    f.FindFiles("*.jpg");
    EXPECT_EQ(lister.searches, (Strings{"c:\\*.jpg"}));

    // A folder that does not exist finds nothing.
    qvFolder missing(lister, "z:\\gone");
    EXPECT_EQ(missing.FindFiles("*.jpg *.png", nullptr, true), 0);
    EXPECT_FALSE(missing.ContainsFiles("*.*"));
}

TEST(Folder, KeepGoingFlagStopsEarly) {
    FakeLister lister;
    lister.AddFile("c:\\p", "a.jpg");
    lister.AddFile("c:\\p", "b.png");
    lister.AddDir("c:\\p", "sub");
    std::atomic<bool> bKeepGoing{false};
    qvFolder f(lister, "c:\\p");
    EXPECT_EQ(f.FindFiles("*.jpg *.png", &bKeepGoing), 0);
    EXPECT_FALSE(f.ContainsFiles("*.jpg", &bKeepGoing));
    EXPECT_EQ(f.FindSubfolders(true, true, &bKeepGoing), 0);
    bKeepGoing = true;
    EXPECT_EQ(f.FindFiles("*.jpg *.png", &bKeepGoing), 2);
    EXPECT_EQ(f.FindSubfolders(true, true, &bKeepGoing), 1);

    // ContainsFiles stops at the first pattern that matches.
    lister.searches.clear();
    EXPECT_TRUE(f.ContainsFiles("*.bmp *.jpg *.png"));
    EXPECT_EQ(lister.searches, (Strings{"c:\\p\\*.bmp", "c:\\p\\*.jpg"}));
}

TEST(Folder, SubfoldersFollowTheSystemAndHiddenRules) {
    FakeLister lister;
    lister.AddDir("d:\\data", ".");
    lister.AddDir("d:\\data", "..");
    lister.AddDir("d:\\data", ".config");
    lister.AddDir("d:\\data", "Plain");
    lister.AddDir("d:\\data", "Hidden", true, false);
    lister.AddDir("d:\\data", "System", false, true);
    lister.AddDir("d:\\data", "Both", true, true);
    lister.AddFile("d:\\data", "file.jpg");

    auto subfolders = [&](bool bSystem, bool bHidden) {
        qvFolder f(lister, "d:\\data");
        f.FindSubfolders(bSystem, bHidden);
        return f.subfolders();
    };
    EXPECT_EQ(subfolders(false, false), (Strings{"Plain"}));
    EXPECT_EQ(subfolders(true, false), (Strings{"Plain", "System"}));
    EXPECT_EQ(subfolders(false, true), (Strings{"Plain", "Hidden"}));
    EXPECT_EQ(subfolders(true, true), (Strings{"Plain", "Hidden", "System", "Both"}));

    qvFolder f(lister, "d:\\data");
    lister.searches.clear();
    EXPECT_EQ(f.FindSubfolders(true, true), 4);
    EXPECT_EQ(lister.searches, (Strings{"d:\\data\\*.*"}));
    f.SortLists();
    EXPECT_EQ(f.NextSubfolder(), "d:\\data\\Both");
    EXPECT_EQ(f.NextSubfolder(), "d:\\data\\Hidden");
    EXPECT_EQ(f.NextSubfolder(), "d:\\data\\Plain");
    EXPECT_EQ(f.NextSubfolder(), "d:\\data\\System");
    EXPECT_EQ(f.NextSubfolder(), "");
    EXPECT_EQ(f.NextSubfolder(), "");
}

TEST(Folder, SortIsByteWise) {
    FakeLister lister;
    for (const char* name : {"b.jpg", "B.jpg", "ab.jpg", "a.jpg", "a.jpgx", "\xE9t\xE9.jpg", "_.jpg"})
        lister.AddFile("c:\\s", name);
    qvFolder f(lister, "c:\\s");
    f.FindFiles("*");
    f.SortLists();
    EXPECT_EQ(f.files(), (Strings{"B.jpg", "_.jpg", "a.jpg", "a.jpgx", "ab.jpg", "b.jpg", "\xE9t\xE9.jpg"}));
}

TEST(Folder, ListBoxTexts) {
    FakeLister lister;
    for (const char* name : {"a.jpg", "abc", "photo.jpeg", "A.png", "xy.bmp"}) lister.AddFile("c:\\l", name);
    qvFolder f(lister, "c:\\l");
    f.FindFiles("*");
    Strings box{"XY"};
    EXPECT_EQ(f.FillListBox(box, false, false), 5);
    EXPECT_EQ(box, (Strings{"XY", "a", "abc", "photo."}));  // "A" and "xy" equal entries ignoring case
    Strings all;
    f.FillListBox(all, true, true);
    EXPECT_EQ(all, (Strings{"a.jpg", "abc", "photo.jpeg", "A.png", "xy.bmp"}));
    Strings dups{"a"};
    f.FillListBox(dups, false, true);
    EXPECT_EQ(dups.size(), 6u);
}

TEST(ImageList, FoldersSortedByteWiseAndFilesLowerCasedPerFolder) {
    FakeLister lister;
    lister.AddFile("a:\\y", "one.jpg");
    lister.AddFile("B:\\x", "Zed.PNG");
    lister.AddFile("B:\\x", "alpha.bmp");
    lister.AddFile("B:\\x", "PIC.GIF");
    lister.AddFile("B:\\x", "readme.txt");
    lister.AddFile("B:\\x", "photo.jpe");
    lister.AddFile("c:\\", "root.jpeg");

    RCollection c("Images");
    c.AddFolder("c:\\");
    c.AddFolder("a:\\y");
    c.AddFolder("B:\\x");
    c.AddFolder("q:\\missing");
    c.BuildImageList(lister);
    EXPECT_EQ(c.folders(), (Strings{"B:\\x", "a:\\y", "c:\\", "q:\\missing"}));
    EXPECT_EQ(c.images(), (Strings{"B:\\x\\alpha.bmp", "B:\\x\\photo.jpe", "B:\\x\\pic.gif", "B:\\x\\zed.png",
                                   "a:\\y\\one.jpg", "c:\\root.jpeg"}));
    EXPECT_EQ(c.ImageCount(), 6);
    EXPECT_TRUE(c.HasImages());
    // The six patterns, one search each, in their order.
    Strings expected;
    for (const char* p : {"*.jpg", "*.jpe", "*.jpeg", "*.bmp", "*.png", "*.gif"})
        expected.push_back(std::string("B:\\x\\") + p);
    EXPECT_EQ(Strings(lister.searches.begin(), lister.searches.begin() + 6), expected);

    // A file found by two patterns (as "long.jpeg" is, through its short
    // name) is listed once; a folder listed twice still counts twice.
    struct DoubleMatch : FakeLister {
        // As Windows does through the short name LONG~1.JPE.
        bool Enumerate(const std::string& s, const std::function<bool(const DirEntry&)>& f) override {
            std::string sPattern = s.substr(s.rfind('\\') + 1);
            if (sPattern != "*.jpe" && sPattern != "*.jpeg") return false;
            f(DirEntry{"long.jpeg"});
            return true;
        }
    } twice;
    RCollection d("Dups");
    d.AddFolder("c:\\f");
    d.AddFolder("c:\\f");
    d.BuildImageList(twice);
    EXPECT_EQ(d.images(), (Strings(2, "c:\\f\\long.jpeg")));

    RCollection empty("Empty");
    empty.BuildImageList(lister);
    EXPECT_FALSE(empty.HasImages());
    test::TempDir dir;
    PortableIni ini(dir.File("m.ini"));
    Random rand(1);
    EXPECT_EQ(empty.NextImage(ini, rand), "");
}

TEST(ImageList, OrderedWalkWritesNextToUseAtOnce) {
    FakeLister lister;
    for (const char* name : {"1.jpg", "2.jpg", "3.gif"}) lister.AddFile("c:\\w", name);
    test::TempDir dir;
    PortableIni ini(dir.File("Murivane.ini"));
    dir.WriteFile("Murivane.ini", "[Walk]\r\nFolderCount=1\r\nFolder0=c:\\w\r\nCycle=1\r\nNextToUse=7\r\nExtra=kept\r\n");

    RCollection c("Walk");
    c.Load(ini, true);
    c.BuildImageList(lister);
    Random rand(5);
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\2.jpg");  // 7 mod 3
    EXPECT_EQ(c.nextToUse(), 2);
    EXPECT_EQ(ini.GetInt("Walk", "NextToUse", 0), 2u);
    EXPECT_EQ(ini.GetString("Walk", "Extra", "", 100), "kept");  // only that key written
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\3.gif");           // a GIF advances the walk too
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\1.jpg");
    EXPECT_EQ(ini.GetInt("Walk", "NextToUse", 0), 1u);

    // A negative position acts as a large unsigned one: 4294967295 mod 3 = 0,
    // and 4294967295 + 1 wraps to 0.
    c.SetNextToUse(-1);
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\1.jpg");
    EXPECT_EQ(c.nextToUse(), 0);
    c.SetNextToUse(-2);  // 4294967294 mod 3 = 2
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\3.gif");
    EXPECT_EQ(ini.GetString("Walk", "NextToUse", "", 100), "0");  // 4294967295 mod 3

    // The uninstall guard of Save does not hold back the single-key write.
    dir.WriteFile("Murivane.ini", "");
    c.Save(ini, true);
    c.NextImage(ini, rand);
    EXPECT_EQ(ini.GetKeyNames("Walk"), (Strings{"NextToUse"}));
}

// Pictures never to show again: the walk passes over them (NextToUse moves
// on as if they were shown), random picks never return them, and saving the
// collection keeps them and every key it does not know.
TEST(ImageList, ExcludedPicturesAreNeverPickedAndSavingKeepsEveryKey) {
    FakeLister lister;
    for (const char* name : {"1.jpg", "2.jpg", "3.png", "4.jpg"}) lister.AddFile("c:\\w", name);
    test::TempDir dir;
    PortableIni ini(dir.File("Murivane.ini"));
    dir.WriteFile("Murivane.ini",
                  "[Walk]\r\nFolderCount=1\r\nFolder0=C:\\W\r\nCycle=1\r\nNextToUse=1\r\nPeerKey=kept\r\n"
                  "ExcludeCount=2\r\nExclude0=C:\\W\\2.JPG\r\nExclude1=c:\\w\\4.jpg\r\nExclude9=ignored\r\n");
    RCollection c("Walk");
    c.Load(ini, true);
    c.BuildImageList(lister);
    EXPECT_EQ(c.excludes(), (Strings{"C:\\W\\2.JPG", "c:\\w\\4.jpg"}));
    Random rand(5);
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\3.png");  // 2.jpg passed over
    EXPECT_EQ(c.nextToUse(), 3);
    EXPECT_EQ(c.NextImage(ini, rand), "c:\\w\\1.jpg");  // 4.jpg passed over, wrapping
    EXPECT_EQ(ini.GetInt("Walk", "NextToUse", 0), 1u);
    c.SetCycle(false);
    for (int i = 0; i < 40; ++i) {
        const std::string sPick = c.NextImage(ini, rand);
        EXPECT_TRUE(sPick == "c:\\w\\1.jpg" || sPick == "c:\\w\\3.png") << sPick;
    }
    EXPECT_FALSE(c.AddExclude("c:\\w\\2.jpg"));  // already there, in another case
    EXPECT_TRUE(c.AddExclude("c:\\w\\1.jpg"));
    EXPECT_FALSE(c.AllExcluded());  // 3.png is still there to show
    EXPECT_TRUE(c.AddExclude("c:\\w\\3.png"));
    EXPECT_TRUE(c.AllExcluded());
    EXPECT_EQ(c.NextImage(ini, rand), "");  // every picture excluded

    c.Save(ini, false);
    RCollection back("Walk");
    back.Load(ini, false);
    EXPECT_EQ(back.excludes().size(), 4u);
    EXPECT_EQ(ini.GetString("Walk", "PeerKey", "", 100), "kept");
    EXPECT_EQ(ini.GetString("Walk", "Exclude9", "", 100), "");  // beyond its count: not a key of ours to keep
    back.ClearExcludes();
    back.Save(ini, false);
    // Only the Exclude keys went: the rest is as the file had it.
    EXPECT_EQ(ini.GetKeyNames("Walk"), (Strings{"FolderCount", "Folder0", "Cycle", "NextToUse", "PeerKey"}));
}

TEST(ImageList, RandomPickDrawsBelowTheCount) {
    FakeLister lister;
    for (int i = 0; i < 5; ++i) lister.AddFile("c:\\r", std::to_string(i) + ".jpg");
    test::TempDir dir;
    PortableIni ini(dir.File("Murivane.ini"));
    RCollection c("Random");
    c.AddFolder("c:\\r");
    c.BuildImageList(lister);
    Random rand(1234), same(1234);
    for (int i = 0; i < 50; ++i) {
        int expected = same.below(5);
        EXPECT_EQ(c.NextImage(ini, rand), "c:\\r\\" + std::to_string(expected) + ".jpg");
    }
    EXPECT_FALSE(std::ifstream(dir.File("Murivane.ini")).good());  // random picks write nothing
}

TEST(ImageList, RealFoldersThroughThePortableLister) {
    test::TempDir dir;
    std::string sDir = dir.Path() + "/pics";
    ASSERT_EQ(std::system(("mkdir -p '" + sDir + "/Sub' && touch '" + sDir + "/B.JPG' '" + sDir + "/a.Png' '" +
                           sDir + "/c.txt' '" + sDir + "/Sub/d.jpg'").c_str()),
              0);
    PosixDirectoryLister lister;
    RCollection c("Real");
    c.AddFolder(sDir + "\\");
    c.BuildImageList(lister);
    EXPECT_EQ(c.images(), (Strings{sDir + "\\a.png", sDir + "\\b.jpg"}));
}

// Every extension of a picture the program reads is listed, whatever the
// letter case of the name on disk (as Windows matches the patterns), and the
// decoders take each of them; other files are not listed.
TEST(ImageList, EveryPictureExtensionIsListedInAnyCase) {
    const char* const kExtensions[] = {"jpg", "jpe", "jpeg", "bmp", "png", "gif", "webp", "heic", "heif", "avif"};
    test::TempDir dir;
    const std::string sDir = dir.Path() + "/all";
    ASSERT_EQ(std::system(("mkdir -p '" + sDir + "'").c_str()), 0);
    Strings expected;
    for (const char* sExt : kExtensions) {
        const std::string lower = sExt;
        std::string upper = lower, mixed = lower;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        mixed[0] = upper[0];
        for (const std::string& name : {"l_" + lower + "." + lower, "u_" + lower + "." + upper, "m_" + lower + "." + mixed}) {
            dir.WriteFile("all/" + name, "x");
            std::string listed = name;
            for (char& c : listed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            expected.push_back(sDir + "\\" + listed);
            EXPECT_NE(FormatForExtension(name), PictureFormat::Unknown) << name;
        }
        EXPECT_NE((DriveSearchJob::Patterns() + " ").find("*." + lower + " "), std::string::npos)
            << sExt << " in the drive search's patterns";
    }
    for (const char* name : {"x.tif", "y.txt", "v.avi", "s.jp"}) dir.WriteFile(std::string("all/") + name, "x");
    for (const char* name : {"x.tif", "z.jpgx", "w.pngs", "README", "heic\\file", "v.avi"})
        EXPECT_EQ(FormatForExtension(name), PictureFormat::Unknown) << name;
    std::sort(expected.begin(), expected.end());
    PosixDirectoryLister lister;
    RCollection c("All");
    c.AddFolder(sDir + "\\");
    c.BuildImageList(lister);
    EXPECT_EQ(c.images(), expected);
}
