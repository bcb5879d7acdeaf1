// Behaviour of the portable ini reader-writer beyond the shared conformance
// suite: the finer points of the private-profile functions it reproduces,
// and its own file handling.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/portable/PortableIni.h"
#include "platform/portable/PosixFileOps.h"
#include "support/TempDir.h"

using namespace mv;
using namespace std::string_literals;
using Strings = std::vector<std::string>;

namespace {
struct PortableIniFile : ::testing::Test {
    test::TempDir dir;
    PortableIni ini{dir.File("t.ini")};
    void WriteRaw(const std::string& s) { dir.WriteFile("t.ini", s); }
    std::string Raw() {
        auto b = dir.ReadFile("t.ini");
        return std::string(b.begin(), b.end());
    }
};
}  // namespace

TEST(PortableIniParseInt, PrefixesSignsAndWrapping) {
    EXPECT_EQ(PortableIni::ParseInt("0x1F"), 31u);
    EXPECT_EQ(PortableIni::ParseInt("0X1F"), 0u);  // only lower-case prefixes
    EXPECT_EQ(PortableIni::ParseInt("0o17"), 15u);
    EXPECT_EQ(PortableIni::ParseInt("0b101"), 5u);
    EXPECT_EQ(PortableIni::ParseInt("010"), 10u);  // no octal from a leading zero
    EXPECT_EQ(PortableIni::ParseInt("-0x10"), static_cast<uint32_t>(-16));
    EXPECT_EQ(PortableIni::ParseInt(" \t+7x"), 7u);
    EXPECT_EQ(PortableIni::ParseInt("-"), 0u);
    EXPECT_EQ(PortableIni::ParseInt("99999999999"), static_cast<uint32_t>(99999999999ull));
}

TEST_F(PortableIniFile, QuotesAndTheOneShortBuffer) {
    WriteRaw("[Q]\r\nA=\"abcd\"\r\nB='x'\r\nC=\"\r\nD=''\r\n");
    EXPECT_EQ(ini.GetString("Q", "A", "", 100), "abcd");
    EXPECT_EQ(ini.GetString("Q", "A", "", 6), "abcd");
    // One character short of the unquoted text (with its closing quote): the
    // copy lacks the quote and loses one more character, as Windows does.
    EXPECT_EQ(ini.GetString("Q", "A", "", 5), "abc");
    EXPECT_EQ(ini.GetString("Q", "A", "", 4), "abc");
    EXPECT_EQ(ini.GetString("Q", "B", "", 100), "x");
    EXPECT_EQ(ini.GetString("Q", "C", "", 100), "\"");
    EXPECT_EQ(ini.GetString("Q", "D", "", 100), "");
    EXPECT_EQ(ini.GetString("Q", "D", "", 1), "");
    EXPECT_EQ(ini.GetString("Q", "A", "", 0), "");
    // Defaults are unquoted too.
    EXPECT_EQ(ini.GetString("Q", "Missing", "'dflt'", 100), "dflt");
}

TEST_F(PortableIniFile, OddLinesOfAFileAsWindowsReadsThem) {
    // NUL ends a name or value; "[]" is a section nobody can list; runs of
    // lines with an empty name keep their first; ^Z counts as white space.
    // (All as Wine reads them.)
    WriteRaw("[S]\r\nab\0cd=1\r\nv=x\0y\r\n=first\r\n=second\r\n[]\r\nk=2\r\n[T]\x1a\r\nz=3\x1a"s);
    EXPECT_EQ(ini.GetString("S", "ab", "", 100), "1");
    EXPECT_EQ(ini.GetString("S", "v", "", 100), "x");
    EXPECT_EQ(ini.GetSectionNames(1000), (Strings{"S", "T"}));
    EXPECT_EQ(ini.GetString("T", "z", "", 100), "3");
    EXPECT_EQ(ini.GetKeyNames("S"), (Strings{"ab", "v", ""}));

    // Only ASCII letters fold, as under Wine (whose code page is 1252).
    WriteRaw("[\xC9t\xE9]\r\nK=1\r\n");
    EXPECT_EQ(ini.GetString("\xC9T\xE9", "k", "", 100), "1");
    EXPECT_EQ(ini.GetString("\xE9t\xE9", "k", "d", 100), "d");

    // An empty section name finds nothing, not even the keys before the
    // first header.
    WriteRaw("Orphan=1\r\n[  ]\r\nE=2\r\n");
    EXPECT_EQ(ini.GetString("", "Orphan", "d", 100), "d");
    EXPECT_EQ(ini.GetString(" ", "E", "d", 100), "d");
    EXPECT_TRUE(ini.GetSectionNames(100).empty());
}

TEST_F(PortableIniFile, ByteOrderMarksAreReadAndKept) {
    WriteRaw("\xEF\xBB\xBF[U]\r\nK=1\r\n");
    EXPECT_EQ(ini.GetString("U", "K", "", 10), "1");
    ASSERT_TRUE(ini.WriteString("U", "L", "2"));
    EXPECT_EQ(Raw(), "\xEF\xBB\xBF[U]\r\nK=1\r\nL=2\r\n");

    // Our writer keeps a plain file from starting with a byte-order mark's
    // bytes once a leading line is dropped (Wine's writer does not, and then
    // reads the file back as UTF-16).
    WriteRaw("\r\n\xFE\xFFkey=1\r\n");
    ASSERT_TRUE(ini.WriteString("Z", "k", "1"));
    EXPECT_EQ(Raw(), "\r\n\xFE\xFFkey=1\r\n[Z]\r\nk=1\r\n");
    EXPECT_EQ(ini.GetString("Z", "k", "", 100), "1");

    // UTF-16 reads as the program's code page, UTF-8, and every character
    // survives a save of another key: é, Ф, 写, and 😀 (a surrogate pair).
    const std::string sFolderUtf8 = "c:\\\xC3\xA9\xD0\xA4\xE5\x86\x99\xF0\x9F\x98\x80";
    auto wide = [](const std::string& ascii) {
        std::string w;
        for (char c : ascii) w += std::string(1, c) + std::string(1, '\0');
        return w;
    };
    WriteRaw("\xFF\xFE"s + wide("[W]\r\nF=c:\\") + "\xE9\0\x24\x04\x99\x51\x3D\xD8\x00\xDE"s + wide("\r\nK=1\r\n"));
    EXPECT_EQ(ini.GetString("W", "F", "", 100), sFolderUtf8);
    ASSERT_TRUE(ini.WriteString("W", "K", "v"));
    EXPECT_EQ(Raw(), "\xFF\xFE"s + wide("[W]\r\nF=c:\\") + "\xE9\0\x24\x04\x99\x51\x3D\xD8\x00\xDE"s +
                         wide("\r\nK=v\r\n"));
    // A value written in UTF-8 is written as its characters; a lone unit
    // reads as U+FFFD.
    ASSERT_TRUE(ini.WriteString("W", "G", "\xD0\xA4"));
    EXPECT_NE(Raw().find("G\0=\0\x24\x04"s), std::string::npos);
    WriteRaw("\xFE\xFF\0[\0W\0]\0\n\0K\0=\xD8\x3D"s);
    EXPECT_EQ(ini.GetString("W", "K", "", 10), "\xEF\xBF\xBD");
}

TEST_F(PortableIniFile, ChangesOnDiskAreSeenAndUnchangedValuesNotRewritten) {
    WriteRaw("[A]\r\nK=1\r\n");
    EXPECT_EQ(ini.GetString("A", "K", "", 10), "1");
    WriteRaw("[A]\r\nK=22\r\n");
    EXPECT_EQ(ini.GetString("A", "K", "", 10), "22");

    // Writing the value a key already has leaves the file alone.
    WriteRaw("[A]\r\n  K =  22\r\n");
    ASSERT_TRUE(ini.WriteString("a", "k", "22"));
    EXPECT_EQ(Raw(), "[A]\r\n  K =  22\r\n");
    ASSERT_TRUE(ini.WriteString("a", "k", "23"));
    EXPECT_EQ(Raw(), "[A]\r\nK=23\r\n");

    // A value with a line break comes back as the file gives it.
    ASSERT_TRUE(ini.WriteString("A", "K", "x\r\n[B]\r\ny=1"));
    EXPECT_EQ(ini.GetString("A", "K", "", 100), "x");
    EXPECT_EQ(ini.GetString("B", "y", "", 100), "1");

    // A key deleted from a later section of the same name.
    WriteRaw("[A]\r\nX=1\r\n[a]\r\nK=2\r\n");
    ASSERT_TRUE(ini.DeleteKey("A", "K"));
    EXPECT_EQ(Raw(), "[A]\r\nX=1\r\n[a]\r\n");
}

TEST(PortableIniWrite, AFileThatCannotBeWrittenReportsFailureAndKeepsNothing) {
    test::TempDir dir;
    PortableIni ini(dir.File("no/such/folder/t.ini"));
    EXPECT_FALSE(ini.WriteString("S", "K", "v"));
    EXPECT_EQ(ini.GetString("S", "K", "d", 10), "d");
    EXPECT_FALSE(ini.Write(nullptr, "K", "v"));
}

// A save that fails, or a process that dies, at any step of writing the
// file leaves the old file or the new one, byte for byte; what the next
// start reads is one of the two whole, and a failure leaves no stray file.
TEST(PortableIniWrite, AFailureOrACrashAtAnyStepLeavesTheOldFileOrTheNew) {
    struct Crash {};
    struct FaultyOps : FileOps {
        int failAt = -1, step = 0;
        bool bCrash = false;
        bool Next() {
            if (step++ != failAt) return true;
            if (bCrash) throw Crash();
            return false;
        }
        PosixFileOps& real = PosixFileOps::Instance();
        std::vector<Handle> open;  // what a crash leaves open, closed by the test
        Handle CreateTemp(const std::string& p, std::string& t) override {
            Handle h = Next() ? real.CreateTemp(p, t) : nullptr;
            if (h) open.push_back(h);
            return h;
        }
        bool Write(Handle h, const char* d, size_t n) override { return Next() && real.Write(h, d, n); }
        bool Sync(Handle h) override { return Next() && real.Sync(h); }
        bool Close(Handle h) override {
            open.erase(std::find(open.begin(), open.end(), h));
            return real.Close(h) && Next();
        }
        bool Replace(const std::string& t, const std::string& p) override { return Next() && real.Replace(t, p); }
        bool ReplaceNothing(const std::string& t, const std::string& p) override {
            return Next() && real.ReplaceNothing(t, p);
        }
        void Remove(const std::string& p) override { real.Remove(p); }
        bool Locked(const std::string& p, const std::function<bool()>& fn) override { return real.Locked(p, fn); }
    };
    const std::string sOld = "[Default]\r\nFolder0=c:\\old\r\nFolderCount=1\r\n[Other]\r\nFolderCount=0\r\n";
    // Large enough to be written in several pieces.
    IniFile::KeyValues keys;
    for (int i = 0; i < 3000; ++i) keys.emplace_back("Folder" + std::to_string(i), "c:\\pictures\\folder " + std::to_string(i));
    keys.emplace_back("FolderCount", "3000");
    int steps = 0;
    for (bool bCrash : {false, true}) {
        for (int failAt = 0;; ++failAt) {
            SCOPED_TRACE(testing::Message() << (bCrash ? "crash" : "failure") << " at step " << failAt);
            test::TempDir dir;
            dir.WriteFile("Murivane.ini", sOld);
            FaultyOps ops;
            ops.failAt = failAt;
            ops.bCrash = bCrash;
            bool bSaved = false;
            try {
                bSaved = PortableIni(dir.File("Murivane.ini"), &ops).ReplaceSection("Default", keys);
            } catch (const Crash&) {
                for (FileOps::Handle h : ops.open) ops.real.Close(h);
            }
            const std::vector<uint8_t> raw = dir.ReadFile("Murivane.ini");
            PortableIni next(dir.File("Murivane.ini"));
            if (std::string(raw.begin(), raw.end()) == sOld) {
                EXPECT_FALSE(bSaved);
                EXPECT_EQ(next.GetString("Default", "Folder0", "", 100), "c:\\old");
            } else {
                EXPECT_EQ(next.GetInt("Default", "FolderCount", 0), 3000u);
                EXPECT_EQ(next.GetString("Default", "Folder2999", "", 100), "c:\\pictures\\folder 2999");
            }
            EXPECT_EQ(next.GetInt("Other", "FolderCount", 9), 0u);
            if (!bCrash) {
                // Nothing but the file (and its lock) is left behind.
                size_t files = 0;
                for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
                    files += entry.path().filename() != "Murivane.ini.lock";
                EXPECT_EQ(files, 1u);
            }
            if (ops.step <= failAt) {  // every step went through: the save is done
                EXPECT_TRUE(bSaved);
                steps = failAt;
                break;
            }
        }
    }
    EXPECT_GE(steps, 6);  // create, several pieces, sync, close, replace
}

namespace {
// The system's steps, with faults a test chooses: the read of the file
// failing, or the disk filling up at the n-th write.
struct FaultyDisk : FileOps {
    PosixFileOps& real = PosixFileOps::Instance();
    bool bReadFails = false;
    int fullAtWrite = -1, writes = 0;
    Handle CreateTemp(const std::string& p, std::string& t) override { return real.CreateTemp(p, t); }
    bool Write(Handle h, const char* d, size_t n) override {
        if (writes++ == fullAtWrite) {
            errno = ENOSPC;
            return false;
        }
        return real.Write(h, d, n);
    }
    bool Sync(Handle h) override { return real.Sync(h); }
    bool Close(Handle h) override { return real.Close(h); }
    bool Replace(const std::string& t, const std::string& p) override { return real.Replace(t, p); }
    bool ReplaceNothing(const std::string& t, const std::string& p) override { return real.ReplaceNothing(t, p); }
    void Remove(const std::string& p) override { real.Remove(p); }
    ReadResult ReadWhole(const std::string& p, std::string& b) override {
        if (bReadFails) {
            errno = EIO;
            return ReadResult::Failed;
        }
        return real.ReadWhole(p, b);
    }
    bool Locked(const std::string& p, const std::function<bool()>& fn) override { return real.Locked(p, fn); }
};

size_t FilesBesideTheLock(const std::string& sFolder) {
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sFolder))
        files += entry.path().extension() != ".lock";
    return files;
}
}  // namespace

// A file that is there but cannot be read is not taken for an empty one: a
// save changes nothing and says so, however it writes.
TEST(PortableIniWrite, AFileThatCannotBeReadIsNeverSavedOver) {
    test::TempDir dir;
    const std::string sOld = "[Default]\r\nFolder0=c:\\old\r\n[Other]\r\nFolderCount=3\r\n";
    dir.WriteFile("Murivane.ini", sOld);
    FaultyDisk disk;
    disk.bReadFails = true;
    PortableIni ini(dir.File("Murivane.ini"), &disk);
    EXPECT_FALSE(ini.WriteString("Default", "NextToUse", "4"));
    EXPECT_FALSE(ini.ReplaceSection("Default", {{"Folder0", "c:\\new"}}));
    EXPECT_FALSE(ini.DeleteKey("Other", "FolderCount"));
    EXPECT_FALSE(ini.DeleteSection("Other"));
    const std::vector<uint8_t> raw = dir.ReadFile("Murivane.ini");
    EXPECT_EQ(std::string(raw.begin(), raw.end()), sOld);
    EXPECT_EQ(FilesBesideTheLock(dir.Path()), 1u);
    // Readable again: the next save is made on the whole file.
    disk.bReadFails = false;
    EXPECT_TRUE(ini.WriteString("Default", "NextToUse", "4"));
    PortableIni next(dir.File("Murivane.ini"));
    EXPECT_EQ(next.GetInt("Other", "FolderCount", 0), 3u);
    EXPECT_EQ(next.GetInt("Default", "NextToUse", 0), 4u);
    // A file that is not there is no failure: the save makes it.
    EXPECT_TRUE(PortableIni(dir.File("New.ini"), &disk).WriteString("A", "B", "1"));
}

// The disk full at each write in turn: the old file stays whole and the save
// says it failed; nothing is left beside it.
TEST(PortableIniWrite, ADiskFullAtAnyWriteKeepsTheOldFile) {
    IniFile::KeyValues keys;
    for (int i = 0; i < 4000; ++i) keys.emplace_back("Folder" + std::to_string(i), "c:\\pictures\\folder " + std::to_string(i));
    const std::string sOld = "[Default]\r\nFolder0=c:\\old\r\n[Other]\r\nFolderCount=3\r\n";
    int fullAt = 0;
    for (;; ++fullAt) {
        SCOPED_TRACE(testing::Message() << "disk full at write " << fullAt);
        test::TempDir dir;
        dir.WriteFile("Murivane.ini", sOld);
        FaultyDisk disk;
        disk.fullAtWrite = fullAt;
        const bool bSaved = PortableIni(dir.File("Murivane.ini"), &disk).ReplaceSection("Default", keys);
        EXPECT_EQ(FilesBesideTheLock(dir.Path()), 1u);
        if (disk.writes <= fullAt) {  // every write went through
            EXPECT_TRUE(bSaved);
            break;
        }
        EXPECT_FALSE(bSaved);
        const std::vector<uint8_t> raw = dir.ReadFile("Murivane.ini");
        ASSERT_EQ(std::string(raw.begin(), raw.end()), sOld);
    }
    EXPECT_GE(fullAt, 2);  // the section is written in several pieces
}

// The lock is let go however the change under it ends: a change that throws
// leaves the file free for the next one at once.
TEST(PosixFileOpsLock, LetGoWhenTheChangeThrows) {
    test::TempDir dir;
    PosixFileOps& ops = PosixFileOps::Instance();
    const std::string sPath = dir.File("Murivane.ini");
    struct Thrown {};
    EXPECT_THROW(ops.Locked(sPath, []() -> bool { throw Thrown(); }), Thrown);
    // Another holder (another open of the lock file, as another process
    // makes) gets it without waiting.
    const int fd = ::open((sPath + ".lock").c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0) << "the lock is still held";
    ::close(fd);
    bool bRan = false;
    EXPECT_TRUE(ops.Locked(sPath, [&] { return bRan = true; }));
    EXPECT_TRUE(bRan);
}

TEST(LeftTemporaryNames, OnlyTheProgramsOwn) {
    for (const char* name : {"mvs1.tmp", "mvsA3F0.tmp", "MVS00ff.TMP", "mvw12.tmp", "Murivane.bmp.0123456789abcdef-1.tmp",
                             "Murivane.ini.FEDCBA9876543210-42.tmp", "Fractal 1-2.png.00000000ffffffff-7.tmp"})
        EXPECT_TRUE(IsLeftTemporaryName(name)) << name;
    for (const char* name : {"mvs.tmp", "mvs12345.tmp", "mvsnote.tmp", "mvs12.txt", "notes.tmp", "mvx1.tmp",
                             "Murivane.bmp.0123456789abcde-1.tmp", "Murivane.bmp.0123456789abcdefg-1.tmp",
                             "Murivane.bmp.0123456789abcdef-.tmp", "Murivane.bmp.0123456789abcdef-1x.tmp",
                             ".0123456789abcdef-1.tmp", "Murivane.bmp", "Murivane.ini"})
        EXPECT_FALSE(IsLeftTemporaryName(name)) << name;
}
