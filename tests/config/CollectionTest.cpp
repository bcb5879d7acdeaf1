#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "config/Collection.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableIni.h"
#include "support/TempDir.h"

using namespace mv;
using Strings = std::vector<std::string>;

namespace {

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

TEST_F(CollectionFile, SaveRewritesTheSectionInKeyOrder) {
    WriteRaw("[Other]\r\nFolderCount=0\r\n[Holiday]\r\nStale=1\r\nFolder5=x\r\n");
    RCollection c("Holiday");
    c.AddFolder("c:\\pictures\\beach");
    c.Save(ini, false);
    EXPECT_EQ(Raw(),
              "[Other]\r\nFolderCount=0\r\n[Holiday]\r\nFolder0=c:\\pictures\\beach\r\nFolderCount=1\r\n"
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
    c.Save(ini, false);
    EXPECT_EQ(Raw(), "[C]\r\nFolder0=c:\\zero\r\nFolder1=c:\\two\r\nFolderCount=2\r\nCycle=1\r\nNextToUse=0\r\n"
                     "FractalProb=50\r\n");
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
