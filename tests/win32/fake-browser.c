/* A stand-in for the user's web browser in the tests: it writes the command
   line it was started with, in UTF-8 and ending with a newline, to
   %TEMP%\murivane-browser.txt, and ends. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrev, LPSTR lpCmd, int nShow) {
    (void)hInstance; (void)hPrev; (void)lpCmd; (void)nShow;
    const wchar_t* cmd = GetCommandLineW();
    char text[8192];
    int n = WideCharToMultiByte(CP_UTF8, 0, cmd, -1, text, sizeof(text) - 2, NULL, NULL);
    if (n <= 0) return 1;
    text[n - 1] = '\n';
    char temp[MAX_PATH], part[MAX_PATH + 32], done[MAX_PATH + 32];
    DWORD len = GetTempPathA(MAX_PATH, temp);
    if (len == 0 || len >= MAX_PATH) return 1;
    wsprintfA(part, "%smurivane-browser.part", temp);
    wsprintfA(done, "%smurivane-browser.txt", temp);
    HANDLE h = CreateFileA(part, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(h, text, (DWORD)n, &written, NULL);
    CloseHandle(h);
    return MoveFileExA(part, done, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
