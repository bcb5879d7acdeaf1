// A picture of the X screen the Wine desktop is drawn on, taken with
// ImageMagick's import (Wine starts Unix programs too).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "image/DibDraw.h"
#include "image/ImageBMP.h"

namespace mv::test {

inline Image TakeScreenshot() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string winPath = std::string(temp) + "murivane-screen.bmp";
    DeleteFileA(winPath.c_str());
    // The Unix side needs a Unix path; Wine maps Z: to /.
    char unixPath[MAX_PATH * 2] = {};
    typedef char*(CDECL * GetUnixFileName)(LPCWSTR);
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, winPath.c_str(), -1, wide, MAX_PATH);
    auto toUnix = reinterpret_cast<GetUnixFileName>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix) return Image();
    char* p = toUnix(wide);
    if (!p) return Image();
    lstrcpynA(unixPath, p, sizeof(unixPath));
    HeapFree(GetProcessHeap(), 0, p);

    std::string cmd = std::string("/usr/bin/import -window root BMP3:") + unixPath;
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return Image();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // The Unix child's end cannot be waited for through its handle: wait for the file.
    for (int i = 0; i < 100; ++i) {
        Sleep(100);
        WIN32_FILE_ATTRIBUTE_DATA a = {};
        if (GetFileAttributesExA(winPath.c_str(), GetFileExInfoStandard, &a) && a.nFileSizeLow > 54) {
            Sleep(300);  // let the writer finish
            ImageBMP shot(winPath);
            if (shot.IsValid()) {
                Image img = DrawTo24(shot);
                DeleteFileA(winPath.c_str());
                return img;
            }
        }
    }
    return Image();
}

// Saves the X screen as a PNG at a Unix path (for looking at the program).
inline bool SaveScreenPng(const std::string& sUnixPath) {
    std::string cmd = "/usr/bin/import -window root png:" + sUnixPath;
    std::vector<char> buf(cmd.begin(), cmd.end());
    buf.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::string winPath = "Z:" + sUnixPath;
    for (int i = 0; i < 100; ++i) {
        Sleep(100);
        WIN32_FILE_ATTRIBUTE_DATA a = {};
        if (GetFileAttributesExA(winPath.c_str(), GetFileExInfoStandard, &a) && a.nFileSizeLow > 100) {
            Sleep(300);
            return true;
        }
    }
    return false;
}

inline bool Near(Color a, Color b, int tolerance) {
    return std::abs(RedOf(a) - RedOf(b)) <= tolerance && std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
           std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

}  // namespace mv::test
