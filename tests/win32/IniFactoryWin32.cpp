// The conformance suite's ini implementation in the Windows test program:
// the private-profile functions.
#include <windows.h>

#include "conformance/IniFactory.h"
#include "platform/win32/Win32Ini.h"

namespace {

// A folder under the temporary folder, emptied and removed at exit.
class WinTestFolder {
public:
    WinTestFolder() {
        char temp[MAX_PATH] = {};
        DWORD n = ::GetTempPathA(MAX_PATH, temp);
        std::string base(temp, n);
        if (!base.empty() && base.back() == '\\') base.pop_back();
        for (int i = 0; i < 1000 && m_sPath.empty(); ++i) {
            std::string s = base + "\\murivane-ini-" + std::to_string(::GetCurrentProcessId()) + "-" +
                            std::to_string(i);
            if (::CreateDirectoryA(s.c_str(), nullptr)) m_sPath = s;
        }
        if (m_sPath.empty()) m_sPath = base;
    }
    ~WinTestFolder() {
        // Have the profile functions write out and forget any file they hold.
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, nullptr);
        WIN32_FIND_DATAA fd;
        HANDLE h = ::FindFirstFileA((m_sPath + "\\*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    ::DeleteFileA((m_sPath + "\\" + fd.cFileName).c_str());
            } while (::FindNextFileA(h, &fd));
            ::FindClose(h);
        }
        ::RemoveDirectoryA(m_sPath.c_str());
    }
    const std::string& Path() const { return m_sPath; }

private:
    std::string m_sPath;
};

}  // namespace

std::unique_ptr<mv::IniFile> MakeIniUnderTest(const std::string& sPath) {
    return std::make_unique<mv::Win32Ini>(sPath);
}

std::string IniTestFolder() {
    static WinTestFolder folder;
    return folder.Path();
}

char IniPathSeparator() { return '\\'; }
