#pragma once
#include <windows.h>

#include <optional>
#include <string>

#include "app/SystemFacts.h"
#include "config/Registry.h"

namespace mv::win {

VersionFacts GetVersionFacts();
bool IsActiveDesktopInstalled(Registry& registry);
// Asks the shell only when Active Desktop is installed.
bool IsUsingActiveDesktop(bool bInstalled);
std::optional<std::string> FindStartupFolder();
std::string StartupShortcutPath(const std::string& sFolder, const std::string& sTitle);
// Saved only under its whole name; false when it was not saved.
bool CreateStartupShortcut(const std::string& sTitle);
void RemoveStartupShortcut(const std::string& sTitle);
// Starts "path" arguments and waits up to 5 s for it to become idle.
bool RunProgram(const std::string& sPath, const std::string& sArguments, DWORD dwCreationFlags,
                HANDLE* phProcess = nullptr, DWORD* pdwProcessId = nullptr);
std::string GetProductVersion();
std::string ExecutablePath();
void ShowHelp(const std::string& sInstallFolder);

}  // namespace mv::win
