// Saving the collections file: two processes saving at the same moment
// neither tear the file for a reader nor lose each other's section; a file
// another program holds, or that cannot be read, is never written into; the
// save lock is let go however a save ends.
#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/Win32FileOps.h"
#include "platform/win32/Win32Ini.h"

namespace {

constexpr int kKeys = 40;
constexpr int kRounds = 60;

// The keys of one section as the private-profile functions read them.
std::vector<std::string> SectionValues(const std::string& sFile, const char* sSection) {
    std::vector<char> buffer(32768, '\0');
    const DWORD n = GetPrivateProfileSectionA(sSection, buffer.data(), static_cast<DWORD>(buffer.size()), sFile.c_str());
    std::vector<std::string> values;
    for (DWORD i = 0; i < n && buffer[i];) {
        const std::string line(&buffer[i]);
        values.push_back(line.substr(line.find('=') + 1));
        i += static_cast<DWORD>(line.size()) + 1;
    }
    return values;
}

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

std::string Bytes(const std::string& sFile) {
    HANDLE h = CreateFileA(sFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string s(GetFileSize(h, nullptr), '\0');
    DWORD got = 0;
    if (!s.empty()) ReadFile(h, &s[0], static_cast<DWORD>(s.size()), &got, nullptr);
    CloseHandle(h);
    s.resize(got);
    return s;
}

void PutBytes(const std::string& sFile, const std::string& sBytes) {
    HANDLE h = CreateFileA(sFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, sBytes.data(), static_cast<DWORD>(sBytes.size()), &put, nullptr);
    CloseHandle(h);
}

// The save's temporary files left in a folder.
int TemporaryFilesIn(const std::string& sFolder) {
    int n = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((sFolder + "mvs*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do ++n;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

}  // namespace

// Run by the test below in a process of its own: saves its section again and again.
TEST(IniSaves, DISABLED_Writer) {
    const char* sFile = std::getenv("MURIVANE_RACE_FILE");
    const char* sSection = std::getenv("MURIVANE_RACE_SECTION");
    ASSERT_TRUE(sFile && sSection);
    for (int round = 1; round <= kRounds; ++round) {
        mv::IniFile::KeyValues keys;
        for (int k = 0; k < kKeys; ++k) keys.emplace_back("Folder" + std::to_string(k), std::to_string(round));
        ASSERT_TRUE(mv::Win32Ini(sFile).ReplaceSection(sSection, keys)) << round;
    }
}

TEST(IniSaves, TwoProcessesSavingAtOnceNeitherTearTheFileNorLoseASection) {
    const std::string sFile = TempFolder() + "murivane-race.ini";
    DeleteFileA(sFile.c_str());
    // Both sections there before the writers start: from then on a read that
    // finds either of them empty, short or mixed has seen a torn file.
    for (const char* sSection : {"Alpha", "Beta"}) {
        mv::IniFile::KeyValues keys;
        for (int k = 0; k < kKeys; ++k) keys.emplace_back("Folder" + std::to_string(k), "0");
        ASSERT_TRUE(mv::Win32Ini(sFile).ReplaceSection(sSection, keys));
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA("MURIVANE_RACE_FILE", sFile.c_str());
    std::vector<PROCESS_INFORMATION> writers;
    for (const char* sSection : {"Alpha", "Beta"}) {
        SetEnvironmentVariableA("MURIVANE_RACE_SECTION", sSection);
        std::string cmd = std::string("\"") + self +
                          "\" --gtest_also_run_disabled_tests --gtest_filter=IniSaves.DISABLED_Writer";
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(CreateProcessA(self, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        writers.push_back(pi);
    }
    SetEnvironmentVariableA("MURIVANE_RACE_SECTION", nullptr);
    // While they run, every read finds each section whole: all its keys, one round's value.
    int reads = 0, torn = 0;
    auto running = [&] {
        for (const PROCESS_INFORMATION& pi : writers)
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) return true;
        return false;
    };
    for (DWORD start = GetTickCount(); running() && GetTickCount() - start < 120000; ++reads) {
        for (const char* sSection : {"Alpha", "Beta"}) {
            const std::vector<std::string> values = SectionValues(sFile, sSection);
            bool bWhole = values.size() == static_cast<size_t>(kKeys);
            for (const std::string& v : values) bWhole = bWhole && v == values[0];
            if (!bWhole) {
                ADD_FAILURE() << sSection << " read " << reads << " is torn: " << values.size() << " keys";
                ++torn;
            }
        }
    }
    EXPECT_EQ(torn, 0);
    // Enough reads to have met the file at every step of the saves.
    EXPECT_GE(reads, 200);
    for (PROCESS_INFORMATION& pi : writers) {
        EXPECT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    // Both last saves are there.
    for (const char* sSection : {"Alpha", "Beta"})
        EXPECT_EQ(SectionValues(sFile, sSection), std::vector<std::string>(kKeys, std::to_string(kRounds))) << sSection;
    std::printf("%d reads while the two processes saved %d times each\n", reads, kRounds);
    DeleteFileA(sFile.c_str());
}

// A file another program holds open without letting it be replaced is
// waited for a bounded time, never written into: after the wait the save
// fails and the file keeps every byte; held only for a moment, the save
// goes through once it is let go.
TEST(IniSaves, AHeldFileIsWaitedForAndNeverRewrittenInPlace) {
    const std::string sFolder = TempFolder();
    const std::string sFile = sFolder + "murivane-held.ini";
    const std::string sOld = "[Default]\r\nFolder0=c:\\old\r\n[Other]\r\nFolderCount=3\r\n";
    PutBytes(sFile, sOld);
    const int tempsBefore = TemporaryFilesIn(sFolder);
    HANDLE hHeld = CreateFileA(sFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(mv::Win32Ini(sFile).WriteString("Default", "NextToUse", "4"));
    CloseHandle(hHeld);
    EXPECT_EQ(Bytes(sFile), sOld);
    EXPECT_EQ(TemporaryFilesIn(sFolder), tempsBefore);

    hHeld = CreateFileA(sFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                        nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    std::thread letGo([hHeld] {
        Sleep(300);
        CloseHandle(hHeld);
    });
    const bool bSaved = mv::Win32Ini(sFile).WriteString("Default", "NextToUse", "4");
    letGo.join();
    EXPECT_TRUE(bSaved);
    EXPECT_EQ(GetPrivateProfileIntA("Default", "NextToUse", 0, sFile.c_str()), 4u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "FolderCount", 0, sFile.c_str()), 3u);
    EXPECT_EQ(TemporaryFilesIn(sFolder), tempsBefore);
    DeleteFileA(sFile.c_str());
}

// A collections file that is there but cannot be read (another program
// holds it open for writing, sharing nothing but its replacement) is not
// saved over as if it were empty.
TEST(IniSaves, AFileThatCannotBeReadIsNotSavedOver) {
    const std::string sFile = TempFolder() + "murivane-unreadable.ini";
    const std::string sOld = "[Default]\r\nFolder0=c:\\old\r\n[Other]\r\nFolderCount=3\r\n";
    PutBytes(sFile, sOld);
    HANDLE hHolder = CreateFileA(sFile.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hHolder, INVALID_HANDLE_VALUE);
    std::string sBytes;
    EXPECT_EQ(mv::Win32FileOps::Instance().ReadWhole(sFile, sBytes), mv::FileOps::ReadResult::Failed);
    EXPECT_FALSE(mv::Win32Ini(sFile).WriteString("Default", "NextToUse", "4"));
    EXPECT_FALSE(mv::Win32Ini(sFile).ReplaceSection("Default", {{"Folder0", "c:\\new"}}));
    CloseHandle(hHolder);
    EXPECT_EQ(Bytes(sFile), sOld);
    EXPECT_EQ(mv::Win32FileOps::Instance().ReadWhole(TempFolder() + "murivane-absent.ini", sBytes),
              mv::FileOps::ReadResult::Missing);
    DeleteFileA(sFile.c_str());
}

// The save lock is let go however a save ends, an exception included:
// another thread (as another process would) takes it at once.
TEST(IniSaves, TheSaveLockIsLetGoWhenASaveThrows) {
    const std::string sFile = TempFolder() + "murivane-lock.ini";
    EXPECT_THROW(mv::Win32FileOps::Instance().Locked(sFile, []() -> bool { throw std::runtime_error("save"); }),
                 std::runtime_error);
    bool bOther = false;
    std::thread other([&] { bOther = mv::Win32FileOps::Instance().Locked(sFile, [] { return true; }); });
    other.join();
    EXPECT_TRUE(bOther);
}
