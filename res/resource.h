// Numeric identifiers of the program's resources, commands and controls.
#pragma once

// Icon, menus, pictures.
#define IDI_PIMBREL 128
#define IDR_MAINMENU 132
#define IDR_TRAYMENU 136
#define IDB_BAR 139
#define IDB_MENU 141
#define IDB_MENU_DOWN 142
#define IDB_DATUM_DOWN 143
#define IDB_DATUM 144
#define IDB_NOTE_DOWN 145
#define IDB_NOTE 146
#define IDB_COMU_DOWN 147
#define IDB_COMU 148
#define IDB_RUN_DOWN 149
#define IDB_RUN 150
#define IDB_TOOLBOX_DOWN 151
#define IDB_TOOLBOX 152
#define IDB_TRI_DOWN 153
#define IDB_TRI_LEFT 154
#define IDB_PLACEHOLDER 174
#define IDB_ABOUT 200

// Dialog templates.
#define IDD_MAINBAR 102
#define IDD_SYSSET 107
#define IDD_RUNWND 156
#define IDD_RUNINFO 177
#define IDD_ICONSEL 181
#define IDD_DATUM 182
#define IDD_DATUMTRIM 184
#define IDD_DATUMTREE 185
#define IDD_COMU 187
#define IDD_NOTE 188
#define IDD_TOOLBOX 189
#define IDD_ABOUT 199

// Controls of the bar.
#define IDC_BTN_MENU 1003
#define IDC_BTN_NOTE 1004
#define IDC_BTN_COMU 1005
#define IDC_BTN_DATUM 1006
#define IDC_BTN_RUN 1007
#define IDC_BTN_TOOLBOX 1008
#define IDC_BTN_TOGGLE 1009
#define IDC_BTN_MORE 1010

// Controls of the settings page.
#define IDC_BROWSE 1000
#define IDC_TMPDIR 1002
#define IDC_HOTKEY 1017
#define IDC_AUTORUN 1023
#define IDC_NOTICE 1024
#define IDC_SHOWTIP 1025

// Menu commands.
#define ID_NOTES 133
#define ID_DATUM 134
#define ID_EXIT 135
#define ID_SHOWHIDE 138
#define ID_SETTINGS 183
#define ID_CONTACTS 186
#define ID_QUICKLAUNCH 187
#define ID_TOOLBOX 189
#define ID_TOOL_EMPTY 190
#define ID_ABOUT 191
#define ID_HELP 192
#define ID_BACKUP 193
#define ID_RESTORE 194
#define ID_SEARCH_DATUM 196
#define ID_SEARCH_TEXT 197
#define ID_SEARCH_PEOPLE 198
