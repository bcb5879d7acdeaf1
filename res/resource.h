// Resource, control and command ids of Murivane.
#pragma once

// The application title string.
#define IDR_MAINFRAME_TITLE 57344
// The tool tip while every picture of the collection is excluded.
#define IDS_ALL_PICTURES_EXCLUDED 57345
// The settings sheet's OK could not save the collections file.
#define IDS_SAVE_FAILED 57346
// The tool tip when a save from the tray could not be written.
#define IDS_TRAY_SAVE_FAILED 57347
// The Advanced page's fit choice: its tool tip, then its five items in the
// order of the PictureFit values' list (automatic first, stretch last).
#define IDS_FIT_TIP 57348
#define IDS_FIT_AUTOMATIC 57349
#define IDS_FIT_FILL 57350
#define IDS_FIT_FIT 57351
#define IDS_FIT_BLURRED 57352
#define IDS_FIT_STRETCH 57353
#define IDS_COMMAND_HELP 57400
#define IDS_COMMAND_MISTAKE 57401
#define IDS_COMMAND_NO_TRAY 57402
#define IDS_COMMAND_REFUSED 57403
#define IDS_HOTKEY_TIP 57404
#define IDS_HOTKEY_TAKEN 57405
#define IDS_HOTKEY_TAKEN_TIP 57406
#define IDS_KEY_CTRL 57407
#define IDS_KEY_ALT 57408
#define IDS_KEY_SHIFT 57409

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
// Commands on the wallpaper showing.
#define ID_PREVIOUS_WALLPAPER 32790
#define ID_KEEP_FRACTAL 32791
#define ID_SHOW_PICTURE_IN_FOLDER 32792
#define ID_NEVER_SHOW_PICTURE 32793

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
#define IDD_ADVANCED 149
#define IDD_HOTKEYS 150

// Shared by the pages.
#define IDC_HELP_BUTTON 1099
#define IDC_STATIC (-1)

// Collections page and its dialogs.
#define IDC_COLL_COMBO 1003
#define IDC_COLL_NEW 1060
#define IDC_COLL_DELETE 1061
#define IDC_COLL_FOLDERS 1080
#define IDC_COLL_ADD 1105
#define IDC_COLL_REMOVE 1106
#define IDC_COLL_REMOVE_ALL 1073
#define IDC_COLL_SEARCH 1107
#define IDC_COLL_PREVIEW 1085
#define IDC_COLL_CYCLE 1091
#define IDC_COLL_RANDOM 1092
#define IDC_COLL_FRACTAL 1119
#define IDC_COLL_STATUS 1030
#define IDC_NEW_NAME 1075
#define IDC_SEARCH_LABEL 1074
#define IDC_SEARCH_DRIVES 1108

// Options page (edit fields, with their up-down controls).
#define IDC_OPT_HOURS 1110
#define IDC_OPT_HOURS_SPIN 1103
#define IDC_OPT_MINUTES 1111
#define IDC_OPT_MINUTES_SPIN 1086
#define IDC_OPT_TILE 1112
#define IDC_OPT_TILE_SPIN 1087
#define IDC_OPT_STRETCH 1113
#define IDC_OPT_STRETCH_SPIN 1090
#define IDC_OPT_BG_SWATCH 1117
#define IDC_OPT_BG_CHANGE 1114
#define IDC_OPT_TEXT_SWATCH 1118
#define IDC_OPT_TEXT_CHANGE 1115
#define IDC_OPT_TRANSPARENT 1092
#define IDC_OPT_AUTO_COLOR 1093
#define IDC_OPT_CHANGE_ON_START 1089
#define IDC_OPT_SEAMLESS 1097
#define IDC_OPT_SCREENSAVER 1091
#define IDC_OPT_AUTOSTART 1088
#define IDC_OPT_EXIT_AFTER 1094
#define IDC_OPT_DONT_CHANGE 1096
#define IDC_OPT_HOURS_FROM 1125
#define IDC_OPT_HOURS_FROM_SPIN 1120
#define IDC_OPT_MINUTES_FROM 1126
#define IDC_OPT_MINUTES_FROM_SPIN 1121
#define IDC_OPT_AMPM_FROM 1004
#define IDC_OPT_HOURS_TO 1001
#define IDC_OPT_HOURS_TO_SPIN 1122
#define IDC_OPT_MINUTES_TO 1127
#define IDC_OPT_MINUTES_TO_SPIN 1123
#define IDC_OPT_AMPM_TO 1003
#define IDC_OPT_SMART_NEVER 1149
#define IDC_OPT_SMART_ALWAYS 1150
#define IDC_OPT_SMART_MINIMIZE 1151
#define IDC_OPT_TOOLTIPS 1095

// Colors page: hue sliders 1068 + i, i = 0..11.
#define IDC_COLORS_HEADING 1067
#define IDC_COLORS_SLIDER0 1068
#define IDC_COLORS_BRIGHTNESS 1081
#define IDC_COLORS_RESET 1043
#define IDC_COLORS_HELP 1061
#define IDC_COLORS_NOTE 1082
// The colour samples: hue i is 1200 + i, then black and white.
#define IDC_COLORS_SAMPLE0 1200
#define IDC_COLORS_BLACK 1212
#define IDC_COLORS_WHITE 1213

// Date page.
#define IDC_DATE_SHOW 1137
#define IDC_DATE_TOP_LEFT 1138
#define IDC_DATE_TOP_RIGHT 1139
#define IDC_DATE_BOTTOM_LEFT 1140
#define IDC_DATE_BOTTOM_RIGHT 1141
#define IDC_DATE_CENTERED 1134
#define IDC_DATE_FONT 1128
#define IDC_DATE_BOLD 1146
#define IDC_DATE_ITALICS 1147
#define IDC_DATE_SIZE 1148
#define IDC_DATE_SIZE_SPIN 1103
#define IDC_DATE_SAMPLE 1145

// Preview dialog.
#define IDC_PREVIEW_LIST 1129
#define IDC_PREVIEW_STATUS 1135
#define IDC_PREVIEW_CENTERED 1134
#define IDC_PREVIEW_TILED 1132
#define IDC_PREVIEW_SEAMLESS 1136
#define IDC_PREVIEW_STRETCHED 1133
#define IDC_PREVIEW_MAKE 1130
#define IDC_PREVIEW_CLOSE 8

// Advanced page: the multiple-monitors group (its later groups take the
// ids after these).
#define IDC_ADV_MONITORS_GROUP 1300
#define IDC_ADV_SAME 1301
#define IDC_ADV_PER_MONITOR 1302
#define IDC_ADV_ACROSS 1303
#define IDC_ADV_MATCH_SHAPE 1304
#define IDC_ADV_LAYOUT 1305
// The pauses group and the history group.
#define IDC_ADV_PAUSES_GROUP 1306
#define IDC_ADV_PAUSE_FULLSCREEN 1307
#define IDC_ADV_PAUSE_BATTERY 1308
#define IDC_ADV_PAUSE_LOCKED 1309
#define IDC_ADV_HISTORY_GROUP 1310
#define IDC_ADV_HISTORY_SIZE 1311
#define IDC_ADV_HISTORY_SPIN 1312
#define IDC_ADV_SHOW_EXCLUDED 1313
#define IDC_ADV_HISTORY_LABEL 1314
#define IDC_ADV_HISTORY_UNIT 1315
// How pictures are fitted to the screen.
#define IDC_ADV_FIT_GROUP 1316
#define IDC_ADV_FIT_LABEL 1317
#define IDC_ADV_FIT 1318
#define IDC_HOTKEYS_GROUP 1330
#define IDC_HOTKEY_NEXT_LABEL 1331
#define IDC_HOTKEY_NEXT 1332
#define IDC_HOTKEY_PREVIOUS_LABEL 1333
#define IDC_HOTKEY_PREVIOUS 1334
#define IDC_HOTKEY_NEXT_HERE_LABEL 1335
#define IDC_HOTKEY_NEXT_HERE 1336

// Information and Uninstall pages.
#define IDC_INFO_TEXT 1000
#define IDC_INFO_HEADING 1057
#define IDC_UNINSTALL_STEP1 1100
#define IDC_LINK_WEB 1102
#define IDC_LINK_FAQ 1103
#define IDC_LINK_HOME 1104
