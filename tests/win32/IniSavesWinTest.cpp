// Two processes saving the collections file at the same moment: neither
// tears the file for a reader, and neither loses the other's section.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string sFile = std::string(temp) + "murivane-race.ini";
    DeleteFileA(sFile.c_str());
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
    int reads = 0;
    auto running = [&] {
        for (const PROCESS_INFORMATION& pi : writers)
            if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) return true;
        return false;
    };
    for (DWORD start = GetTickCount(); running() && GetTickCount() - start < 120000; ++reads) {
        for (const char* sSection : {"Alpha", "Beta"}) {
            const std::vector<std::string> values = SectionValues(sFile, sSection);
            if (values.empty()) continue;  // not saved yet
            ASSERT_EQ(values.size(), static_cast<size_t>(kKeys)) << sSection << " read " << reads;
            for (const std::string& v : values) ASSERT_EQ(v, values[0]) << sSection << " read " << reads;
        }
    }
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
