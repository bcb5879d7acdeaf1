; Murivane's setup program and uninstaller. Built by scripts/package.sh,
; which defines VERSION (the product version of res/Murivane.rc), STAGE (the
; folder holding the files to install and the welcome picture) and OUTFILE.

Unicode true
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WinMessages.nsh"

!ifndef VERSION
  !error "Build the setup program with scripts/package.sh"
!endif

!define APP "Murivane"
!define PUBLISHER "Quorvale"
!define PRODUCT_KEY "Software\Quorvale\Murivane"
!define CONFIG_KEY "${PRODUCT_KEY}\Config"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Murivane"

Name "${APP}"
OutFile "${OUTFILE}"
; A 32-bit program: the 32-bit Program Files folder.
InstallDir "$PROGRAMFILES\${APP}"
InstallDirRegKey HKCU "${CONFIG_KEY}" "InstallFolder"
RequestExecutionLevel admin
ManifestDPIAware true
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${APP}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${APP} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "..\res\icons\Murivane.ico"
!define MUI_UNICON "..\res\icons\Murivane.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEFINISHPAGE_BITMAP "${STAGE}\welcome.bmp"
!define MUI_WELCOMEPAGE_TEXT "Setup will install ${APP} ${VERSION}, the wallpaper changer, on your computer.$\r$\n$\r$\nIf ${APP} is running, Setup closes it and starts it again when it has finished. Your settings and collections are kept.$\r$\n$\r$\nClick Next to continue."
!define MUI_FINISHPAGE_RUN "$INSTDIR\Murivane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "License.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Closes a running Murivane the way the program itself does: WM_CLOSE to the
; window titled "Murivane", then waits for its process to end so that its
; files can be replaced. An open settings sheet has that title too, and is
; cancelled. Sets $R9 to 1 when a tray instance was running.
!macro CloseMurivane
  StrCpy $R9 0
  StrCpy $R8 0
  ${Do}
    FindWindow $0 "" "${APP}"
    ${If} $0 = 0
    ${OrIf} $R8 >= 5
      ${ExitDo}
    ${EndIf}
    IntOp $R8 $R8 + 1
    System::Call "user32::GetClassName(p r0, t .r3, i 64)"
    ${IfThen} $3 == "MurivaneFrame" ${|} StrCpy $R9 1 ${|}
    System::Call "user32::GetWindowThreadProcessId(p r0, *i .r1)"
    System::Call "kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2" ; SYNCHRONIZE
    System::Call "user32::PostMessage(p r0, i ${WM_CLOSE}, p 0, p 0)"
    ${If} $2 P<> 0
      System::Call "kernel32::WaitForSingleObject(p r2, i 10000)"
      System::Call "kernel32::CloseHandle(p r2)"
    ${Else}
      Sleep 1000
    ${EndIf}
  ${Loop}
!macroend

Section "${APP}" SecProgram
  SectionIn RO
  !insertmacro CloseMurivane

  SetOutPath "$INSTDIR"
  File "${STAGE}\Murivane.exe"
  File "${STAGE}\Murivane.htm"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; The program finds its help document through this value.
  WriteRegStr HKCU "${CONFIG_KEY}" "InstallFolder" "$INSTDIR\"

  ; The Start-menu shortcut opens the settings sheet.
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\Murivane.exe" "" "$INSTDIR\Murivane.exe" 0

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Murivane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; A tray instance closed for the update comes back.
  ${If} $R9 = 1
    Exec '"$INSTDIR\Murivane.exe" /tray'
  ${EndIf}
SectionEnd

Section "Uninstall"
  !insertmacro CloseMurivane

  ; What the program's own uninstall removes: the start-up shortcut, the
  ; settings, the collections file and, beside it, the list of the last
  ; wallpapers shown and the monitors' fractals (in the Windows folder, or in the per-user folder where
  ; the Windows folder is not writable). Fractals the user kept are in the
  ; user's Pictures folder and stay.
  SetShellVarContext current
  Delete "$SMSTARTUP\${APP}.lnk"
  DeleteRegKey HKCU "${CONFIG_KEY}"
  DeleteRegKey /ifempty HKCU "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKCU "Software\${PUBLISHER}"
  Delete "$WINDIR\Murivane.ini"
  Delete "$WINDIR\Murivane History.ini"
  Delete "$APPDATA\${APP}\Murivane.ini"
  Delete "$APPDATA\${APP}\Murivane History.ini"
  ; The monitors' fractals the wallpaper is composed from (Murivane1.bmp,
  ; Murivane2.bmp, ...), by name: a wildcard would take the wallpaper too.
  StrCpy $0 1
  fractal_files:
    Delete "$WINDIR\Murivane$0.bmp"
    Delete "$APPDATA\${APP}\Murivane$0.bmp"
    IntOp $0 $0 + 1
    IntCmp $0 33 0 fractal_files 0
  RMDir "$APPDATA\${APP}"

  ; What the setup program installed. Files the user put in the folder stay.
  SetShellVarContext all
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$INSTDIR\Murivane.exe"
  Delete "$INSTDIR\Murivane.htm"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
