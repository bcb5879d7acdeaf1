#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "app/Random.h"
#include "config/Registry.h"
#include "config/Settings.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "shell/TrayCommand.h"

namespace mv {
struct AppliedPicture;
struct CommandLine;
class ActiveDesktop;
class BackgroundChanger;
class TraceSink;
}  // namespace mv

namespace mv::win {

class CMainAppWnd;
class CConfigProp;

// kRunOnce: a command for the tray, with none running to take it: one
// change made as the tray would make it, and the process ends.
enum RunMode { kRunUndecided = 0, kRunSettings = 2, kRunTray = 3, kRunOnce = 4 };

// The one application object: the settings record, the random source, the
// run mode and the flags every part of the program reaches through gApp.
class CApp {
public:
    CApp();
    ~CApp();

    // Decides the run mode from the command-line arguments (without the
    // program name); true keeps the process running (tray instance).
    bool InitInstance(const std::vector<std::string>& args);
    int Run();  // the message loop of a tray instance
    // Destroys the main window (and its tray icon) before the process ends.
    void ExitInstance();

    CMainAppWnd* pSceneWnd() const { return m_pMainWnd.get(); }
    bool IsUsingActiveDesktop() const;
    bool IsActiveDesktopInstalled() const { return m_bActiveDesktopInstalled; }
    bool ShowSettings(HWND hOwner);

    Settings& GetSettings() { return m_settings; }
    Profile& GetProfile() { return m_profile; }
    Win32Registry& RegistryStore() { return m_registry; }
    Win32Environment& Env() { return m_env; }
    Win32Desktop& DesktopSeam() { return m_desktop; }
    const std::string& Title() const { return m_sTitle; }
    int RunModeValue() const { return m_iRunMode; }
    bool TraceOn() const { return m_bTrace; }
    void SetTrace(bool b) { m_bTrace = b; }
    bool UninstallRequested() const { return m_bUninstall; }
    void SetUninstallRequested(bool b) { m_bUninstall = b; }
    CConfigProp* OpenSheet() const { return m_pOpenSheet; }

    // One change of the wallpaper through the real steps (decoders, date,
    // icon captions, the shell), with this process's settings: calls change
    // with the pipeline. Running out of memory half way leaves the desktop
    // as it was. Returns why the change failed (for the tool tip), or nothing.
    std::string RunChange(ActiveDesktop* pActiveDesktop, TraceSink* pTrace,
                          const std::function<void(BackgroundChanger&)>& change);
    // How one bitmap over several monitors is shown on this Windows version.
    WallpaperArrangement Arrangement() const;
    // The tray instance's window (by its own window class: another program's
    // window may bear the title too), or null when none runs.
    HWND FindTrayWindow() const;
    // Tells the tray instance, if one runs, that this copy put a picture on
    // the desktop; true when it took it.
    bool TellTrayPictureApplied(const AppliedPicture& applied, HWND hFrom) const;

    // The process's exit status: what a command given on the command line came to.
    int ExitCode() const { return m_iExitCode; }
    // kRunOnce: the command to carry out, and how it ended (with why a
    // change failed, said on the console when there is one).
    const TrayCommandRecord& OnceCommand() const { return m_onceCommand; }
    void SetOnceOutcome(CommandStatus status, const std::string& sFailure);

    Random rand;

private:
    // A command line with a command, help or a mistake: carried out here or
    // handed to the tray instance; the exit status is set.
    void RunCommandLine(const CommandLine& cmd);
    // Hands a command to the tray instance and waits for it to be carried out.
    CommandStatus SendToTray(HWND hTray, const TrayCommandRecord& record);
    int m_iExitCode = 0;
    TrayCommandRecord m_onceCommand;
    Win32Registry m_registry;
    Win32Environment m_env;
    Win32Desktop m_desktop;
    Profile m_profile;
    Settings m_settings;
    std::unique_ptr<CMainAppWnd> m_pMainWnd;
    int m_iRunMode = kRunUndecided;
    std::atomic<bool> m_bTrace{false};
    bool m_bActiveDesktopInstalled = false;
    bool m_bUninstall = false;
    CConfigProp* m_pOpenSheet = nullptr;
    HANDLE m_hMutex = nullptr;
    std::string m_sTitle = "Murivane";
};

// The one application object of the process.
extern CApp gApp;

}  // namespace mv::win
