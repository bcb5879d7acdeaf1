// Resource, control and command ids of Murivane.
#pragma once

// The application title string.
#define IDR_MAINFRAME_TITLE 57344

// Tray states: one icon, one menu and (for the waiting state) one tool tip each.
#define IDR_TRAY_WAITING 128
#define IDR_TRAY_DISABLED 129
#define IDR_TRAY_CHANGING 130
#define IDR_TRAY_FRACTAL 131

// The program's own icon.
#define IDI_MURIVANE 1

// Tray menu commands.
#define ID_DISABLE 32772
#define ID_SETTINGS 32773
#define ID_DISPLAY_PROPERTIES 32774
#define ID_EXIT 32775
#define ID_ENABLE 32776
#define ID_CHANGE_WALLPAPER 32779
#define ID_STOP_FRACTAL 32780
#define ID_REFRESH_IMAGES 32781
#define ID_CHANGING 32782

// Dialog templates.
#define IDD_COLLECTIONS 140
#define IDD_OPTIONS 141
#define IDD_DATE 142
#define IDD_COLORS 143
#define IDD_INFO 144
#define IDD_UNINSTALL 145
#define IDD_PREVIEW 146
#define IDD_NEW_COLLECTION 147
#define IDD_SEARCH 148

// Information page.
#define IDC_INFO_TEXT 1000
#define IDC_INFO_HEADING 1057
#define IDC_HELP_BUTTON 1099
#define IDC_UNINSTALL_STEP1 1100
#define IDC_LINK_WEB 1102
#define IDC_LINK_FAQ 1103
#define IDC_LINK_HOME 1104
