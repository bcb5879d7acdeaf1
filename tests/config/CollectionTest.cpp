#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "config/Collection.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableIni.h"
#include "platform/portable/PosixDirectoryLister.h"
#include "platform/portable/PosixFileOps.h"
#include "support/TempDir.h"

using namespace mv;
using Strings = std::vector<std::string>;

namespace {

// One folder's files, listed for every pattern they match.
struct OneFolderLister : DirectoryLister {
    std::string sFolder;
    Strings names;
    bool Enumerate(const std::string& sSearchPath, const std::function<bool(const DirEntry&)>& onEntry) override {
        const size_t slash = sSearchPath.rfind('\\');
        if (sSearchPath.substr(0, slash) != sFolder) return false;
        bool bAny = false;
        for (const std::string& s : names) {
            if (!PosixDirectoryLister::Matches(sSearchPath.substr(slash + 1), s)) continue;
            bAny = true;
            if (!onEntry(DirEntry{s})) break;
        }
        return bAny;
    }
};

struct CollectionFile : ::testing::Test {
    test::TempDir dir;
    std::string sFile = dir.File("Murivane.ini");
    PortableIni ini{sFile};

    std::string Raw() {
        auto bytes = dir.ReadFile("Murivane.ini");
        return std::string(bytes.begin(), bytes.end());
    }
    void WriteRaw(const std::string& s) { dir.WriteFile("Murivane.ini", s); }
    RCollection Loaded(const std::string& sName, bool bLower = false) {
        RCollection c(sName);
        c.Load(ini, bLower);
        return c;
    }
};

}  // namespace

TEST_F(CollectionFile, WithoutAFileTheDefaultCollectionHasTheDefaults) {
    MemoryRegistry store;
    Profile profile(store, "Quorvale", "Murivane");
    EXPECT_EQ(GetCurrentCollection(profile), "Default");
    RCollection c = Loaded(GetCurrentCollection(profile));
    EXPECT_TRUE(c.folders().empty());
    EXPECT_FALSE(c.cycle());
    EXPECT_EQ(c.nextToUse(), 0);
    EXPECT_EQ(c.fractalProb(), 50);
    EXPECT_TRUE(ListCollectionNames(ini).empty());

    SetCurrentCollection(profile, RCollection("Summer"));
    EXPECT_EQ(GetCurrentCollection(profile), "Summer");
    EXPECT_EQ(profile.GetString("Config", "Current", ""), "Summer");
}

TEST_F(CollectionFile, SaveWritesItsOwnKeysInKeyOrderAndKeepsTheOthers) {
    // A collection not loaded from the file writes every value of its own;
    // the folder list takes the place of the old one, other keys stay.
    WriteRaw("[Other]\r\nFolderCount=0\r\n[Holiday]\r\nStale=1\r\nFolder5=x\r\n");
    RCollection c("Holiday");
    c.AddFolder("c:\\pictures\\beach");
    EXPECT_TRUE(c.Save(ini, false));
    EXPECT_EQ(Raw(),
              "[Other]\r\nFolderCount=0\r\n[Holiday]\r\nStale=1\r\nFolder0=c:\\pictures\\beach\r\nFolderCount=1\r\n"
              "Cycle=0\r\nNextToUse=0\r\nFractalProb=50\r\n");

    c.AddFolder("d:\\more");
    c.SetCycle(true);
    c.SetNextToUse(-2);
    c.SetFractalProb(100);
    c.Save(ini, false);
    RCollection back = Loaded("HOLIDAY");
    EXPECT_EQ(back.folders(), (Strings{"c:\\pictures\\beach", "d:\\more"}));
    EXPECT_TRUE(back.cycle());
    EXPECT_EQ(back.nextToUse(), -2);
    EXPECT_EQ(back.fractalProb(), 100);
    EXPECT_EQ(ListCollectionNames(ini), (Strings{"Other", "Holiday"}));

    back.DeleteSection(ini);
    EXPECT_EQ(ListCollectionNames(ini), (Strings{"Other"}));
}

TEST_F(CollectionFile, MissingFolderEntriesAreSkippedAndRenumbered) {
    WriteRaw("[C]\r\nFolderCount=3\r\nFolder0=c:\\zero\r\nFolder2=c:\\two\r\nCycle=7\r\n");
    RCollection c = Loaded("C");
    EXPECT_EQ(c.folders(), (Strings{"c:\\zero", "c:\\two"}));
    EXPECT_TRUE(c.cycle());
    // Unchanged, nothing is written, not even the renumbering.
    EXPECT_TRUE(c.Save(ini, false));
    EXPECT_EQ(Raw(), "[C]\r\nFolderCount=3\r\nFolder0=c:\\zero\r\nFolder2=c:\\two\r\nCycle=7\r\n");
    // A folder added renumbers the list: Folder0 is as it was, Folder1 is new
    // (at the end of the section), Folder2 and the count change in place;
    // Cycle keeps its spelling.
    c.AddFolder("c:\\three");
    EXPECT_TRUE(c.Save(ini, false));
    EXPECT_EQ(Raw(), "[C]\r\nFolderCount=3\r\nFolder0=c:\\zero\r\nFolder2=c:\\three\r\nCycle=7\r\n"
                     "Folder1=c:\\two\r\n");
    EXPECT_EQ(Loaded("C").folders(), (Strings{"c:\\zero", "c:\\two", "c:\\three"}));
}

// Two copies of the program hold the same collection: the settings sheet
// loaded it, then the tray excluded pictures. Each save writes only what its
// copy changed, into the section as the file has it then.
TEST_F(CollectionFile, SavesOfTwoCopiesKeepEachOthersChanges) {
    WriteRaw("[Default]\r\nFolder0=C:\\A\r\nFolderCount=1\r\nCycle = 0\r\nOdd=\"  spaced  \"\r\n"
             "Quoted=\"'q'\"\r\nPeerKey=x\r\n");
    RCollection sheet = Loaded("Default");
    RCollection tray1 = Loaded("Default"), tray2 = Loaded("Default", true);

    // Nothing changed: the file is not touched.
    EXPECT_TRUE(sheet.Save(ini, false));
    EXPECT_EQ(Raw(), "[Default]\r\nFolder0=C:\\A\r\nFolderCount=1\r\nCycle = 0\r\nOdd=\"  spaced  \"\r\n"
                     "Quoted=\"'q'\"\r\nPeerKey=x\r\n");

    // Two trays exclude a picture each from their own older copies: both stay.
    ASSERT_TRUE(tray1.AddExclude("c:\\a\\1.jpg"));
    EXPECT_TRUE(tray1.Save(ini, false));
    ASSERT_TRUE(tray2.AddExclude("c:\\a\\2.jpg"));
    ASSERT_TRUE(tray2.AddExclude("C:\\A\\1.JPG"));  // tray1's too, in another case: listed once
    EXPECT_TRUE(tray2.Save(ini, false));
    EXPECT_EQ(Loaded("Default").excludes(), (Strings{"c:\\a\\1.jpg", "c:\\a\\2.jpg"}));
    EXPECT_EQ(ini.GetString("Default", "Folder0", "", 100), "C:\\A");  // tray2's lower-cased copy wrote no folder

    // The sheet's OK from its copy, older than both exclusions, with more
    // changes than are written key by key: the exclusions, the unknown keys
    // and their quotes stay.
    sheet.AddFolder("c:\\b");
    sheet.SetCycle(true);
    sheet.SetFractalProb(20);
    EXPECT_TRUE(sheet.Save(ini, false));
    RCollection back = Loaded("Default");
    EXPECT_EQ(back.excludes(), (Strings{"c:\\a\\1.jpg", "c:\\a\\2.jpg"}));
    EXPECT_EQ(back.folders(), (Strings{"C:\\A", "c:\\b"}));
    EXPECT_TRUE(back.cycle());
    EXPECT_EQ(back.fractalProb(), 20);
    EXPECT_EQ(ini.GetString("Default", "Odd", "", 100), "  spaced  ");
    EXPECT_EQ(ini.GetString("Default", "Quoted", "", 100), "'q'");
    EXPECT_EQ(ini.GetString("Default", "PeerKey", "", 100), "x");
    EXPECT_EQ(ini.GetKeyNames("Default"), (Strings{"Folder0", "Folder1", "FolderCount", "Cycle", "Odd", "Quoted",
                                                   "PeerKey", "Exclude0", "ExcludeCount", "Exclude1", "FractalProb"}));

    // Emptied by "Show excluded pictures again", the Exclude keys go; a copy
    // that only changed other values does not bring them back.
    back.ClearExcludes();
    EXPECT_TRUE(back.Save(ini, false));
    sheet.SetFractalProb(30);
    EXPECT_TRUE(sheet.Save(ini, false));
    EXPECT_EQ(ini.GetKeyNames("Default"),
              (Strings{"Folder0", "Folder1", "FolderCount", "Cycle", "Odd", "Quoted", "PeerKey", "FractalProb"}));
    EXPECT_EQ(ini.GetInt("Default", "FractalProb", 0), 30u);
}

// A save that cannot reach the file says so and keeps the change for the
// next save: the lock not had in time, as when another process holds it.
TEST_F(CollectionFile, AFailedSaveSaysSoAndTheNextSaveWritesTheChange) {
    struct LockOps : PosixFileOps {
        bool bLockFails = false;
        bool Locked(const std::string& sPath, const std::function<bool()>& fn) override {
            return bLockFails ? false : PosixFileOps::Locked(sPath, fn);
        }
    } ops;
    PortableIni locked(sFile, &ops);
    WriteRaw("[W]\r\nFolder0=c:\\w\r\nFolderCount=1\r\nCycle=1\r\n");
    const std::string sBefore = Raw();
    RCollection c("W");
    c.Load(locked, false);
    OneFolderLister lister;
    lister.sFolder = "c:\\w";
    lister.names = {"1.jpg", "2.jpg", "3.jpg"};
    c.BuildImageList(lister);
    Random rand(1);

    ops.bLockFails = true;
    c.SetFractalProb(10);
    EXPECT_FALSE(c.Save(locked, false));
    bool bSaved = true;
    EXPECT_EQ(c.NextImage(locked, rand, &bSaved), "c:\\w\\1.jpg");
    EXPECT_FALSE(bSaved);
    EXPECT_TRUE(c.AddExclude("c:\\w\\3.jpg"));
    EXPECT_FALSE(c.Save(locked, false));
    EXPECT_EQ(Raw(), sBefore);

    // The lock is had again: the next save writes all that was kept.
    ops.bLockFails = false;
    EXPECT_TRUE(c.Save(locked, false));
    RCollection back = Loaded("W");
    EXPECT_EQ(back.fractalProb(), 10);
    EXPECT_EQ(back.nextToUse(), 1);
    EXPECT_EQ(back.excludes(), (Strings{"c:\\w\\3.jpg"}));
    EXPECT_EQ(c.NextImage(locked, rand, &bSaved), "c:\\w\\2.jpg");
    EXPECT_TRUE(bSaved);
    EXPECT_EQ(Loaded("W").nextToUse(), 2);
}

TEST_F(CollectionFile, FolderEntriesAsTheIndexedReadFindsThem) {
    std::string sLong(1500, 'p');
    WriteRaw("[C]\r\nFolder3=c:\\three\r\nFOLDER1=C:\\One\\Upper\r\nFolder07=c:\\not seven\r\nFolder4=\r\n"
             "Folder2=c:\\two\r\nFolder0=" + sLong + "\r\nFolder5=c:\\beyond the count\r\nFolder-1=c:\\neg\r\n"
             "FolderCount=5\r\n");
    RCollection kept = Loaded("c");
    // In index order, whatever the file order; empty and out-of-range entries
    // skipped; a path is cut to 1023 characters.
    EXPECT_EQ(kept.folders(), (Strings{sLong.substr(0, 1023), "C:\\One\\Upper", "c:\\two", "c:\\three"}));
    RCollection lowered = Loaded("c", true);
    EXPECT_EQ(lowered.folders()[1], "c:\\one\\upper");

    // Load appends to what the object holds.
    kept.Load(ini, false);
    EXPECT_EQ(kept.folders().size(), 8u);
}

TEST_F(CollectionFile, DamagedCountsNeitherHangNorInvent) {
    WriteRaw("[Huge]\r\nFolderCount=2000000000\r\nFolder0=c:\\a\r\nFolder1999999999=c:\\far\r\n"
             "[Negative]\r\nFolderCount=-4\r\nFolder0=c:\\a\r\n"
             "[Words]\r\nFolderCount=many\r\nFolder0=c:\\a\r\nCycle=yes\r\nNextToUse=x\r\nFractalProb=\r\n");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Loaded("Huge").folders(), (Strings{"c:\\a", "c:\\far"}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(Loaded("Negative").folders().empty());
    RCollection words = Loaded("Words");
    EXPECT_TRUE(words.folders().empty());
    EXPECT_FALSE(words.cycle());      // a present non-number reads as 0
    EXPECT_EQ(words.nextToUse(), 0);
    EXPECT_EQ(words.fractalProb(), 50);  // empty reads as absent
}

TEST_F(CollectionFile, SavingAfterTheUninstallTouchesNothing) {
    RCollection c("Default");
    c.AddFolder("c:\\pics");
    c.Save(ini, true);
    EXPECT_FALSE(std::ifstream(sFile).good());  // not recreated

    WriteRaw("[Default]\r\nFolderCount=0\r\n");
    c.Save(ini, true);
    EXPECT_EQ(Raw(), "[Default]\r\nFolderCount=0\r\n");
    c.DeleteSection(ini);
    EXPECT_EQ(Raw(), "");
}

TEST_F(CollectionFile, RemovingFolders) {
    RCollection c("x");
    c.AddFolder("c:\\a");
    c.AddFolder("c:\\A");
    c.AddFolder("c:\\a");
    c.AddFolder("c:\\b");
    c.RemoveFolder("c:\\a");
    EXPECT_EQ(c.folders(), (Strings{"c:\\A", "c:\\b"}));
    c.RemoveFolder("c:\\nowhere");
    EXPECT_EQ(c.folders().size(), 2u);
    c.RemoveAllFolders();
    EXPECT_TRUE(c.folders().empty());
}

TEST_F(CollectionFile, CollectionNamesInFileOrderWithinTheRequest) {
    WriteRaw("[Zoo]\r\n[default]\r\n[A b c]\r\n");
    EXPECT_EQ(ListCollectionNames(ini), (Strings{"Zoo", "default", "A b c"}));
    // "Default" and "default" are one collection.
    EXPECT_EQ(Loaded("Default").fractalProb(), 50);

    // Names of 15 characters take 16 each of the 16383 usable characters:
    // 1023 fit, the next one is cut short and left out.
    std::string s;
    for (int i = 0; i < 1030; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Collection%05d", i);
        s += std::string("[") + name + "]\r\n";
    }
    WriteRaw(s);
    Strings names = ListCollectionNames(ini);
    ASSERT_EQ(names.size(), 1023u);
    EXPECT_EQ(names.front(), "Collection00000");
    EXPECT_EQ(names.back(), "Collection01022");
}

TEST(CollectionRules, ListSelectionNamingAndDeletion) {
    EXPECT_EQ(OfferedCollectionNames({}), (Strings{"Default"}));
    EXPECT_EQ(OfferedCollectionNames({"a", "b"}), (Strings{"a", "b"}));

    const Strings names{"Summer", "default", "Winter"};
    EXPECT_EQ(SelectedCollectionIndex(names, "WINTER"), 2);
    EXPECT_EQ(SelectedCollectionIndex(names, "Default"), 1);
    EXPECT_EQ(SelectedCollectionIndex(names, "Gone"), 0);
    EXPECT_EQ(SelectedCollectionIndex({}, "Gone"), -1);

    EXPECT_FALSE(IsNewCollectionNameFree(names, ""));
    EXPECT_FALSE(IsNewCollectionNameFree(names, "summer"));
    EXPECT_TRUE(IsNewCollectionNameFree(names, "Autumn"));

    // Only "Default" itself is protected; "default" may go.
    EXPECT_FALSE(IsDeletableCollection("Default"));
    EXPECT_TRUE(IsDeletableCollection("default"));
    EXPECT_TRUE(IsDeletableCollection("DEFAULT"));

    EXPECT_EQ(SelectionAfterDelete(0, 2), 0);
    EXPECT_EQ(SelectionAfterDelete(1, 2), 1);
    EXPECT_EQ(SelectionAfterDelete(2, 2), 1);  // the deleted one was last
    EXPECT_EQ(SelectionAfterDelete(0, 0), -1);
}
