// The drive search on a fake drive (attributes, order, the cost in listings,
// stopping) and on a real generated tree through the portable lister.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <map>
#include <sys/stat.h>

#include "image/Drive.h"
#include "platform/portable/PosixDirectoryLister.h"
#include "support/TempDir.h"

using namespace mv;
using Strings = std::vector<std::string>;

namespace {

struct FakeDrive : DirectoryLister {
    std::map<std::string, std::vector<DirEntry>> folders;  // by path, roots as "c:\"
    Strings searches;
    std::function<void()> onList, onListed;  // as a listing starts, and after it ends

    void File(const std::string& sFolder, const std::string& sName) { folders[sFolder].push_back({sName}); }
    void Dir(const std::string& sFolder, const std::string& sName, bool bHidden = false, bool bSystem = false) {
        folders[sFolder].push_back({sName, true, bHidden, bSystem});
        folders[sFolder.back() == '\\' ? sFolder + sName : sFolder + "\\" + sName];
    }
    bool Enumerate(const std::string& sSearchPath, const std::function<bool(const DirEntry&)>& onEntry) override {
        searches.push_back(sSearchPath);
        if (onList) onList();
        size_t slash = sSearchPath.rfind('\\');
        std::string sFolder = sSearchPath.substr(0, slash);
        if (sFolder.size() == 2) sFolder += '\\';
        auto it = folders.find(sFolder);
        if (it == folders.end()) return false;
        bool bAny = false;
        for (const DirEntry& e : it->second) {
            if (!PosixDirectoryLister::Matches(sSearchPath.substr(slash + 1), e.sName)) continue;
            bAny = true;
            if (!onEntry(e)) break;
        }
        if (onListed) onListed();
        return bAny;
    }
};

const char kPatterns[] = "*.jpg *.jpeg *.bmp *.png";

}  // namespace

TEST(Drive, FindsFoldersDepthFirstWithTheirRules) {
    FakeDrive d;
    d.File("c:\\", "root.JPG");
    d.Dir("c:\\", "zeta");
    d.Dir("c:\\", "alpha");
    d.Dir("c:\\", "Hidden", true);
    d.Dir("c:\\", "Windows", false, true);
    d.Dir("c:\\", ".cache");
    d.File("c:\\zeta", "z.png");
    d.Dir("c:\\zeta", "deep");
    d.File("c:\\zeta\\deep", "d.bmp");
    d.File("c:\\alpha", "only.jpe");  // "*.jpe" is not searched for
    d.File("c:\\alpha", "anim.gif");
    d.File("c:\\Hidden", "h.jpg");
    d.Dir("c:\\Hidden", "inside");
    d.File("c:\\Hidden\\inside", "i.jpg");
    d.File("c:\\Windows", "w.jpeg");
    d.File("c:\\.cache", "c.jpg");

    qvDrive drive(d, "c:");
    EXPECT_EQ(drive.root(), "c:\\");
    Strings found, entered;
    drive.Search(kPatterns, found, false, true, false, [&](const std::string& s) { entered.push_back(s); }, nullptr);
    // Platform order, each folder before its subfolders; the root keeps its backslash.
    EXPECT_EQ(found, (Strings{"c:\\", "c:\\zeta", "c:\\zeta\\deep", "c:\\Windows"}));
    EXPECT_EQ(entered, (Strings{"c:\\", "c:\\zeta", "c:\\zeta\\deep", "c:\\alpha", "c:\\Windows"}));
    // One listing of each folder entered; the patterns are matched in memory.
    EXPECT_EQ(d.searches, (Strings{"c:\\*.*", "c:\\zeta\\*.*", "c:\\zeta\\deep\\*.*", "c:\\alpha\\*.*",
                                   "c:\\Windows\\*.*"}));

    // A name the patterns miss is found by its short name, as a wildcard listing finds it.
    FakeDrive shortNames;
    shortNames.Dir("e:\\", "a");
    shortNames.folders["e:\\a"].push_back({"holiday.jpg2", false, false, false, "HOLIDA~1.JPG"});
    shortNames.Dir("e:\\", "b");
    shortNames.File("e:\\b", "holiday.jpg2");
    found.clear();
    qvDrive(shortNames, "e:\\").Search(kPatterns, found, false, true, false, nullptr, nullptr);
    EXPECT_EQ(found, (Strings{"e:\\a"}));

    // GIF folders only with the pattern; hidden ones when asked for.
    found.clear();
    qvDrive(d, "c:\\").Search(std::string(kPatterns) + " *.gif", found, false, false, true, nullptr, nullptr);
    EXPECT_EQ(found, (Strings{"c:\\", "c:\\zeta", "c:\\zeta\\deep", "c:\\alpha", "c:\\Hidden", "c:\\Hidden\\inside"}));
}

TEST(Drive, StopsAsSoonAsTheFlagIsCleared) {
    FakeDrive d;
    for (int i = 0; i < 50; ++i) {
        d.Dir("d:\\", "f" + std::to_string(i));
        d.File("d:\\f" + std::to_string(i), "a.jpg");
    }
    std::atomic<bool> bKeepGoing{false};
    Strings found;
    qvDrive(d, "d:\\").Search(kPatterns, found, false, true, false, nullptr, &bKeepGoing);
    EXPECT_TRUE(found.empty());
    EXPECT_TRUE(d.searches.empty());

    bKeepGoing = true;
    int lists = 0;
    d.onList = [&] {
        if (++lists == 20) bKeepGoing = false;
    };
    EXPECT_FALSE(qvDrive(d, "d:\\").Search(kPatterns, found, false, true, false, nullptr, &bKeepGoing));
    EXPECT_EQ(d.searches.size(), 20u);  // nothing more is listed once the flag is down
    EXPECT_EQ(found.size(), 18u);       // the folder whose listing saw the flag go down is not reported

    // The flag goes down just after the last listing ended: the drive was
    // searched whole, and says so.
    bKeepGoing = true;
    found.clear();
    d.searches.clear();
    d.onList = nullptr;
    d.onListed = [&] {
        if (d.searches.size() == 51) bKeepGoing = false;
    };
    EXPECT_TRUE(qvDrive(d, "d:\\").Search(kPatterns, found, false, true, false, nullptr, &bKeepGoing));
    EXPECT_EQ(found.size(), 50u);
}

TEST(Drive, FixedDriveRootsFromTheMask) {
    auto roots = qvDrive::FixedDriveRoots((1u << 0) | (1u << 2) | (1u << 3) | (1u << 25),
                                          [](const std::string& s) { return s != "a:\\"; });
    EXPECT_EQ(roots, (Strings{"c:\\", "d:\\", "z:\\"}));
}

TEST(Drive, RealTreeThroughThePortableLister) {
    mv::test::TempDir dir;
    const std::string root = dir.Path();
    auto mk = [&](const std::string& rel) { ::mkdir((root + "/" + rel).c_str(), 0755); };
    auto touch = [&](const std::string& rel) { std::ofstream(root + "/" + rel) << "x"; };
    mk("a");
    mk("a/b");
    mk(".hidden");
    mk("gifs");
    touch("a/b/Photo.JPEG");
    touch(".hidden/x.jpg");
    touch("gifs/x.gif");
    touch("a/readme.txt");
    PosixDirectoryLister lister;
    Strings found;
    qvDrive(lister, root).Search(kPatterns, found, false, true, false, nullptr, nullptr);
    EXPECT_EQ(found, (Strings{root + "\\a\\b"}));
}
