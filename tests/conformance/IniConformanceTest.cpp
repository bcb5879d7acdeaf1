// What the collections file relies on from the ini functions, checked against
// whichever implementation the test program was built with: our portable
// reader-writer natively, the private-profile functions under Windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "config/Collection.h"
#include "conformance/IniFactory.h"
#include "image/Image.h"

using namespace mv;

namespace {

struct IniConformance : ::testing::Test {
    std::string sPath;
    std::unique_ptr<IniFile> ini;

    void SetUp() override {
        static int counter = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        sPath = IniTestFolder() + IniPathSeparator() + info->name() + "-" + std::to_string(++counter) + ".ini";
        std::remove(NativePath(sPath).c_str());
        ini = MakeIniUnderTest(sPath);
    }

    void WriteRaw(const std::string& sBytes) {
        std::ofstream out(NativePath(sPath), std::ios::binary | std::ios::trunc);
        out.write(sBytes.data(), static_cast<std::streamsize>(sBytes.size()));
    }
    bool Exists() {
        std::ifstream in(NativePath(sPath), std::ios::binary);
        return in.good();
    }
    std::string ReadRaw() {
        std::ifstream in(NativePath(sPath), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The file's non-empty lines, without their line ends.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        std::string cur;
        for (char c : ReadRaw()) {
            if (c == '\r' || c == '\n') {
                if (!cur.empty()) lines.push_back(cur);
                cur.clear();
            } else {
                cur += c;
            }
        }
        if (!cur.empty()) lines.push_back(cur);
        return lines;
    }
    std::string Get(const std::string& sSection, const std::string& sKey, const std::string& sDef = "<none>",
                    size_t cch = 1024) {
        return ini->GetString(sSection, sKey, sDef, cch);
    }
    std::vector<std::string> Names() { return ini->GetSectionNames(16384); }
};

using Strings = std::vector<std::string>;

}  // namespace

TEST_F(IniConformance, AbsentFileSectionAndKeyReadAsDefaults) {
    EXPECT_EQ(Get("Default", "FolderCount", "dflt"), "dflt");
    EXPECT_EQ(ini->GetInt("Default", "FractalProb", 50), 50u);
    EXPECT_EQ(ini->GetInt("Default", "NextToUse", -3), static_cast<uint32_t>(-3));
    EXPECT_TRUE(Names().empty());
    EXPECT_TRUE(ini->GetKeyNames("Default").empty());
    // Deleting what is not there does not create the file.
    EXPECT_TRUE(ini->DeleteSection("Default"));
    EXPECT_TRUE(ini->DeleteKey("Default", "Cycle"));
    EXPECT_FALSE(Exists());

    ASSERT_TRUE(ini->WriteString("Present", "Key", "v"));
    EXPECT_EQ(Get("Present", "Other", "d"), "d");
    EXPECT_EQ(Get("Absent", "Key", "d"), "d");
    // Defaults lose trailing blanks.
    EXPECT_EQ(Get("Absent", "Key", "d  "), "d");
    EXPECT_EQ(Get("Absent", "Key", ""), "");
}

TEST_F(IniConformance, NamesCompareWithoutCase) {
    ASSERT_TRUE(ini->WriteString("My Pictures", "Folder0", "c:\\one"));
    EXPECT_EQ(Get("MY PICTURES", "folder0"), "c:\\one");
    EXPECT_EQ(Get("my pictures", "FOLDER0"), "c:\\one");
    EXPECT_EQ(Get("  My Pictures ", " Folder0  "), "c:\\one");  // caller's blanks ignored

    // Writing under another case replaces the value in place; the stored
    // spelling of section and key stays.
    ASSERT_TRUE(ini->WriteString("MY pictures", "FOLDER0", "c:\\two"));
    EXPECT_EQ(Lines(), (Strings{"[My Pictures]", "Folder0=c:\\two"}));
    EXPECT_EQ(Names(), (Strings{"My Pictures"}));
    EXPECT_EQ(ini->GetKeyNames("my PICTURES"), (Strings{"Folder0"}));
}

TEST_F(IniConformance, KeysAreWrittenInOrderAndSectionsAppended) {
    ASSERT_TRUE(ini->WriteString("First", "Cycle", "1"));
    ASSERT_TRUE(ini->DeleteSection("Coll"));
    const std::pair<const char*, const char*> keys[] = {{"Folder0", "c:\\pics"}, {"Folder1", "c:\\pics"},
                                                        {"FolderCount", "0"},      {"Cycle", "0"},
                                                        {"NextToUse", "0"},        {"FractalProb", "0"}};
    for (const auto& kv : keys) ASSERT_TRUE(ini->WriteString("Coll", kv.first, kv.second));
    ASSERT_TRUE(ini->WriteString("First", "Extra", "x"));
    EXPECT_EQ(Lines(), (Strings{"[First]", "Cycle=1", "Extra=x", "[Coll]", "Folder0=c:\\pics",
                                "Folder1=c:\\pics", "FolderCount=0", "Cycle=0", "NextToUse=0", "FractalProb=0"}));
    EXPECT_EQ(ini->GetKeyNames("coll"),
              (Strings{"Folder0", "Folder1", "FolderCount", "Cycle", "NextToUse", "FractalProb"}));

    // Rewriting one key keeps its place; rewriting a whole section moves it
    // to the end of the file.
    ASSERT_TRUE(ini->WriteString("Coll", "FolderCount", "2"));
    EXPECT_EQ(ini->GetKeyNames("Coll")[2], "FolderCount");
    ASSERT_TRUE(ini->DeleteSection("FIRST"));
    ASSERT_TRUE(ini->WriteString("First", "Cycle", "0"));
    EXPECT_EQ(Names(), (Strings{"Coll", "First"}));
}

TEST_F(IniConformance, DeletingSectionsAndKeys) {
    WriteRaw("[A]\r\nk1=1\r\nk2=2\r\n[B]\r\nk1=b1\r\n[C]\r\nk1=c1\r\n");
    ASSERT_TRUE(ini->DeleteSection("b"));
    EXPECT_EQ(Names(), (Strings{"A", "C"}));
    EXPECT_EQ(Get("B", "k1", "gone"), "gone");
    EXPECT_EQ(Get("C", "k1"), "c1");
    EXPECT_EQ(Lines(), (Strings{"[A]", "k1=1", "k2=2", "[C]", "k1=c1"}));

    ASSERT_TRUE(ini->DeleteKey("a", "K1"));
    EXPECT_EQ(Get("A", "k1", "gone"), "gone");
    EXPECT_EQ(Get("A", "k2"), "2");
    // A section whose keys are all deleted is still listed.
    ASSERT_TRUE(ini->DeleteKey("A", "k2"));
    EXPECT_EQ(Names(), (Strings{"A", "C"}));
    // Deleting the last section leaves an empty file behind.
    ASSERT_TRUE(ini->DeleteSection("A"));
    ASSERT_TRUE(ini->DeleteSection("C"));
    EXPECT_TRUE(Names().empty());
    EXPECT_TRUE(Exists());
    EXPECT_TRUE(Lines().empty());
}

TEST_F(IniConformance, SectionNamesInFileOrderAndCutToTheBuffer) {
    WriteRaw("Orphan=1\r\n[Zeta]\r\nk=1\r\n[alpha]\r\n[Mid Name]\r\nk=2\r\n");
    EXPECT_EQ(Names(), (Strings{"Zeta", "alpha", "Mid Name"}));
    EXPECT_EQ(Get("Zeta", "Orphan", "d"), "d");  // keys before any header belong to no section

    bool bFull = false;
    EXPECT_EQ(ini->GetSectionNames(16384, &bFull), (Strings{"Zeta", "alpha", "Mid Name"}));
    EXPECT_FALSE(bFull);
    // "Zeta\0" takes 5 of the 10 usable characters, "alpha\0" would need 6.
    EXPECT_EQ(ini->GetSectionNames(11, &bFull), (Strings{"Zeta", "alph"}));
    EXPECT_TRUE(bFull);
    // A name that fits only without the list's final NUL is listed whole.
    EXPECT_EQ(ini->GetSectionNames(12, &bFull), (Strings{"Zeta", "alpha"}));
    EXPECT_TRUE(bFull);
}

TEST_F(IniConformance, ValuesWithBlanksEqualsSignsAndQuotes) {
    const std::string sSpaces = "c:\\My Documents\\My Pictures\\Summer 2001";
    ASSERT_TRUE(ini->WriteString("Coll", "Folder0", sSpaces));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder1", "d:\\a=b\\x==y"));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder2", "   e:\\leading and trailing   "));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder3", "f:\\it's \"here\""));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder4", "\"g:\\quoted path\""));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder5", "'h:\\single'"));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder6", "\"i:\\unbalanced'"));
    ASSERT_TRUE(ini->WriteString("Coll", "Folder7", ""));
    EXPECT_EQ(Get("Coll", "Folder0"), sSpaces);
    EXPECT_EQ(Get("Coll", "Folder1"), "d:\\a=b\\x==y");
    EXPECT_EQ(Get("Coll", "Folder2"), "e:\\leading and trailing");
    EXPECT_EQ(Get("Coll", "Folder3"), "f:\\it's \"here\"");
    EXPECT_EQ(Get("Coll", "Folder4"), "g:\\quoted path");  // one pair of surrounding quotes is dropped
    EXPECT_EQ(Get("Coll", "Folder5"), "h:\\single");
    EXPECT_EQ(Get("Coll", "Folder6"), "\"i:\\unbalanced'");
    EXPECT_EQ(Get("Coll", "Folder7", "dflt"), "");  // present but empty: not the default
    EXPECT_EQ(ini->GetInt("Coll", "Folder7", 50), 50u);

    // Blanks around the "=" and the line do not count.
    WriteRaw("  [Raw]  \r\n  Key   =   some value  \r\n\tTabbed\t=\tv\t\r\n");
    EXPECT_EQ(Get("Raw", "key"), "some value");
    EXPECT_EQ(Get("Raw", "Tabbed"), "v");
}

TEST_F(IniConformance, LongValuesAreCutToTheBuffer) {
    std::string s1023 = "c:";
    while (s1023.size() < 1023) s1023 += "\\folder with a long name";
    s1023.resize(1023);
    s1023.back() = 'Z';  // a trailing blank would be dropped by the file
    const std::string s1024 = s1023 + "X";
    const std::string s3000 = s1024 + std::string(1976, 'y');
    ASSERT_TRUE(ini->WriteString("Long", "Folder0", s1023));
    ASSERT_TRUE(ini->WriteString("Long", "Folder1", s1024));
    ASSERT_TRUE(ini->WriteString("Long", "Folder2", s3000));
    EXPECT_EQ(Get("Long", "Folder0", "", 1024), s1023);
    EXPECT_EQ(Get("Long", "Folder1", "", 1024), s1023);
    EXPECT_EQ(Get("Long", "Folder2", "", 1024), s1023);
    EXPECT_EQ(Get("Long", "Folder2", "", 4096), s3000);
    EXPECT_EQ(Get("Long", "Folder0", "", 5), "c:\\f");
}

TEST_F(IniConformance, IntegersReadTheLeadingNumber) {
    WriteRaw(
        "[N]\r\nSeven=7\r\nMinus=-1\r\nPlus=+12\r\nJunk=12abc\r\nText=abc\r\nEmpty=\r\nNoEquals\r\n"
        "Quoted=\"5\"\r\nBig=4294967297\r\nSpaced=  42  \r\n");
    EXPECT_EQ(ini->GetInt("N", "Seven", 0), 7u);
    EXPECT_EQ(ini->GetInt("N", "Minus", 0), 0xFFFFFFFFu);
    EXPECT_EQ(ini->GetInt("N", "Plus", 0), 12u);
    EXPECT_EQ(ini->GetInt("N", "Junk", 0), 12u);
    EXPECT_EQ(ini->GetInt("N", "Text", 50), 0u);  // present but not a number: 0, not the default
    EXPECT_EQ(ini->GetInt("N", "Empty", 50), 50u);
    EXPECT_EQ(ini->GetInt("N", "NoEquals", 50), 50u);
    EXPECT_EQ(ini->GetInt("N", "Quoted", 0), 5u);
    EXPECT_EQ(ini->GetInt("N", "Big", 0), 1u);  // wraps at 2^32
    EXPECT_EQ(ini->GetInt("N", "Spaced", 0), 42u);
    EXPECT_EQ(ini->GetInt("N", "Missing", 50), 50u);
    EXPECT_EQ(Get("N", "NoEquals", "d"), "d");  // a line without "=" has no value
    EXPECT_EQ(ini->GetKeyNames("N"),
              (Strings{"Seven", "Minus", "Plus", "Junk", "Text", "Empty", "Quoted", "Big", "Spaced"}));
}

TEST_F(IniConformance, MalformedLinesReadAsTheDefaultsTheyImply) {
    // A header without "]" is no header: its keys land in the section before.
    WriteRaw("[Before]\r\n[Broken\r\nKey=1\r\n[Fine]\r\nKey=2\r\n");
    EXPECT_EQ(Names(), (Strings{"Before", "Fine"}));
    EXPECT_EQ(Get("Broken", "Key", "d"), "d");
    EXPECT_EQ(Get("Before", "Key"), "1");
    EXPECT_EQ(Get("Fine", "Key"), "2");

    // The name runs to the last "]"; text after it is ignored.
    WriteRaw("[a]b]\r\nk=1\r\n[c] ; note\r\nk=2\r\n");
    EXPECT_EQ(Names(), (Strings{"a]b", "c"}));
    EXPECT_EQ(Get("a]b", "k"), "1");
    EXPECT_EQ(Get("C", "k"), "2");

    // A file without a final line break, with LF-only and CR-only line ends.
    WriteRaw("[S]\nA=1\rB=2\r\n\r\n\nC=last");
    EXPECT_EQ(Get("S", "A"), "1");
    EXPECT_EQ(Get("S", "B"), "2");
    EXPECT_EQ(Get("S", "C"), "last");

    // Comment lines are keys nobody asks for.
    WriteRaw("[S]\r\n;FolderCount=9\r\nFolderCount=1\r\n");
    EXPECT_EQ(ini->GetInt("S", "FolderCount", 0), 1u);
    EXPECT_EQ(ini->GetKeyNames("S"), (Strings{"FolderCount"}));

    // An empty file.
    WriteRaw("");
    EXPECT_TRUE(Names().empty());
    EXPECT_EQ(ini->GetInt("S", "FolderCount", 0), 0u);
}

TEST_F(IniConformance, DuplicateSectionsOnlyTheFirstCounts) {
    WriteRaw("[Dup]\r\nA=1\r\n[Other]\r\nX=9\r\n[DUP]\r\nA=2\r\nB=3\r\n");
    EXPECT_EQ(Names(), (Strings{"Dup", "Other", "DUP"}));
    EXPECT_EQ(Get("dup", "A"), "1");
    EXPECT_EQ(Get("dup", "B", "d"), "d");  // the second section is not searched
    EXPECT_EQ(ini->GetKeyNames("Dup"), (Strings{"A"}));
    // Deleting removes the first; the second then comes to light.
    ASSERT_TRUE(ini->DeleteSection("Dup"));
    EXPECT_EQ(Names(), (Strings{"Other", "DUP"}));
    EXPECT_EQ(Get("Dup", "A"), "2");
    EXPECT_EQ(Get("Dup", "B"), "3");
}

TEST_F(IniConformance, BinaryJunkNeverHidesAGoodSection) {
    std::string junk;
    for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 37 + 11) & 0xFF));
    junk[0] = 'x';  // not a byte-order mark
    WriteRaw(junk);
    EXPECT_EQ(Get("Default", "FolderCount", "d"), "d");
    EXPECT_EQ(ini->GetInt("Default", "FractalProb", 50), 50u);

    WriteRaw(junk + "\r\n[Good]\r\nFolderCount=1\r\nFolder0=c:\\pics\r\n" + junk);
    Strings names = Names();
    EXPECT_NE(std::find(names.begin(), names.end(), "Good"), names.end());
    EXPECT_EQ(ini->GetInt("Good", "FolderCount", 0), 1u);
    EXPECT_EQ(Get("Good", "Folder0"), "c:\\pics");

    // Writing into such a file keeps the good section readable.
    ASSERT_TRUE(ini->WriteString("New", "Cycle", "1"));
    EXPECT_EQ(Get("Good", "Folder0"), "c:\\pics");
    EXPECT_EQ(ini->GetInt("New", "Cycle", 0), 1u);
}

TEST_F(IniConformance, TenMegabyteFile) {
    std::string big = "[Big]\r\n";
    big.reserve(10u << 20);
    for (int i = 0; big.size() < (10u << 20); ++i)
        big += "Folder" + std::to_string(i) + "=c:\\some\\folder\\number\\" + std::to_string(i) + "\r\n";
    big += "[Small]\r\nFolderCount=3\r\n";
    WriteRaw(big);
    EXPECT_EQ(ini->GetInt("Small", "FolderCount", 0), 3u);
    EXPECT_EQ(Get("Big", "Folder0"), "c:\\some\\folder\\number\\0");
    EXPECT_EQ(Get("Big", "Folder200000"), "c:\\some\\folder\\number\\200000");
    EXPECT_EQ(Names(), (Strings{"Big", "Small"}));
    EXPECT_GT(ini->GetKeyNames("Big").size(), 200000u);
}

TEST_F(IniConformance, HandEditedFiles) {
    // Blanks inside the brackets and around the lines do not count.
    WriteRaw("  [ \tMy Default\t ]  \r\nFolderCount = 1\r\n");
    EXPECT_EQ(Names(), (Strings{"My Default"}));
    EXPECT_EQ(ini->GetInt("my default", "FolderCount", 0), 1u);

    // Saved by an editor as UTF-8 with a byte-order mark: read, and kept on writing.
    WriteRaw("\xEF\xBB\xBF[Default]\r\nFolder0=c:\\pics\r\n");
    EXPECT_EQ(Get("Default", "Folder0"), "c:\\pics");
    EXPECT_EQ(Names(), (Strings{"Default"}));
    ASSERT_TRUE(ini->WriteString("Default", "FolderCount", "1"));
    EXPECT_EQ(ReadRaw(), "\xEF\xBB\xBF[Default]\r\nFolder0=c:\\pics\r\nFolderCount=1\r\n");

    // Saved as UTF-16 (little-endian, with its mark): read, and kept on writing.
    auto wide = [](const std::string& s) {
        std::string w("\xFF\xFE", 2);
        for (char c : s) {
            w += c;
            w += '\0';
        }
        return w;
    };
    WriteRaw(wide("[Default]\r\nFolder0=d:\\photos\r\n"));
    EXPECT_EQ(Get("Default", "Folder0"), "d:\\photos");
    ASSERT_TRUE(ini->WriteString("Default", "Cycle", "1"));
    EXPECT_EQ(ReadRaw(), wide("[Default]\r\nFolder0=d:\\photos\r\nCycle=1\r\n"));
}

TEST_F(IniConformance, WritesLeaveTheRestAlone) {
    // Writing the value a key already has does not touch the file.
    const std::string sOdd = "[A]\r\n  Key =  22\r\n\r\n; note\r\n";
    WriteRaw(sOdd);
    ASSERT_TRUE(ini->WriteString("a", "KEY", "22"));
    EXPECT_EQ(ReadRaw(), sOdd);
    // A real change rewrites the file: lines tidied, comments kept.
    ASSERT_TRUE(ini->WriteString("a", "KEY", "23"));
    EXPECT_EQ(Lines(), (Strings{"[A]", "Key=23", "; note"}));

    // Deleting a key looks through every section of that name.
    WriteRaw("[A]\r\nX=1\r\n[a]\r\nK=2\r\n");
    ASSERT_TRUE(ini->DeleteKey("A", "K"));
    EXPECT_EQ(Lines(), (Strings{"[A]", "X=1", "[a]"}));
}

TEST_F(IniConformance, CollectionSectionsThroughThisImplementation) {
    WriteRaw("[Other]\r\nFolderCount=0\r\n[Holiday]\r\nFolderCount=3\r\nFolder0=c:\\zero\r\nFolder2=c:\\two\r\n"
             "Cycle=7\r\n[Broken]\r\nFolderCount=2000000000\r\nFolder5=c:\\five\r\n");
    RCollection c("HOLIDAY");
    c.Load(*ini, false);
    EXPECT_EQ(c.folders(), (Strings{"c:\\zero", "c:\\two"}));
    EXPECT_TRUE(c.cycle());
    // Unchanged, the collection writes nothing.
    const std::string sUnchanged = ReadRaw();
    ASSERT_TRUE(c.Save(*ini, false));
    EXPECT_EQ(ReadRaw(), sUnchanged);
    // Two folders more: the section is written anew in one write, under the
    // name that saves it, the list renumbered and Cycle as the file spells it.
    c.AddFolder("c:\\three");
    c.AddFolder("c:\\four");
    ASSERT_TRUE(c.Save(*ini, false));
    EXPECT_EQ(Lines(), (Strings{"[Other]", "FolderCount=0", "[Broken]", "FolderCount=2000000000", "Folder5=c:\\five",
                                "[HOLIDAY]", "Folder0=c:\\zero", "Folder1=c:\\two", "Folder2=c:\\three",
                                "Folder3=c:\\four", "FolderCount=4", "Cycle=7"}));
    RCollection broken("Broken");
    broken.Load(*ini, false);
    EXPECT_EQ(broken.folders(), (Strings{"c:\\five"}));

    // Enough folders that their key names take over 4 kilobytes.
    RCollection many("Many");
    for (int i = 0; i < 1000; ++i) many.AddFolder("d:\\pictures\\folder number " + std::to_string(i));
    many.Save(*ini, false);
    RCollection back("many");
    back.Load(*ini, true);
    ASSERT_EQ(back.folders().size(), 1000u);
    EXPECT_EQ(back.folders()[999], "d:\\pictures\\folder number 999");
    EXPECT_EQ(ListCollectionNames(*ini), (Strings{"Other", "Broken", "HOLIDAY", "Many"}));

    // After the uninstall nothing is saved.
    const std::string sBefore = ReadRaw();
    many.Save(*ini, true);
    EXPECT_EQ(ReadRaw(), sBefore);
}

TEST_F(IniConformance, WholeSectionReplacedInOneWrite) {
    WriteRaw("[Coll]\r\nFolder0=c:\\old\r\nStray=1\r\n[Other]\r\nX=9\r\n[COLL]\r\nA=2\r\nB=3\r\n");
    // The first section goes, the second of that name is emptied and takes
    // the keys in their order; values lose their leading blanks only.
    ASSERT_TRUE(ini->ReplaceSection("coll", {{"Folder0", "  c:\\a=b  c"}, {"FolderCount", "1"}, {"Cycle", "0"}}));
    EXPECT_EQ(Lines(), (Strings{"[Other]", "X=9", "[COLL]", "Folder0=c:\\a=b  c", "FolderCount=1", "Cycle=0"}));
    EXPECT_EQ(Get("Coll", "Folder0"), "c:\\a=b  c");
    EXPECT_EQ(Get("Coll", "Stray", "gone"), "gone");
    // A section not in the file goes at its end; no keys makes no section.
    ASSERT_TRUE(ini->ReplaceSection("New One", {{"FolderCount", "0"}}));
    ASSERT_TRUE(ini->ReplaceSection("Other", {}));
    EXPECT_EQ(Names(), (Strings{"COLL", "New One"}));

    // A list longer than the 64-kilobyte limit of the section write on
    // Windows still arrives whole and in order.
    RCollection big("Big");
    for (int i = 0; i < 1500; ++i) big.AddFolder("e:\\a rather long folder name to fill the list\\number " + std::to_string(i));
    big.SetCycle(true);
    big.Save(*ini, false);
    RCollection back("BIG");
    back.Load(*ini, false);
    ASSERT_EQ(back.folders().size(), 1500u);
    EXPECT_EQ(back.folders()[1499], big.folders()[1499]);
    EXPECT_TRUE(back.cycle());
    std::vector<std::string> keys = ini->GetKeyNames("Big");
    ASSERT_EQ(keys.size(), 1504u);
    EXPECT_EQ(keys[1500], "FolderCount");
    EXPECT_EQ(keys[1503], "FractalProb");
}
