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
// The larger picture sets: a picture's id plus its set's offset.
#define IDB_SET_125 1000
#define IDB_SET_150 2000
#define IDB_SET_200 3000

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
#define IDD_SEARCH 201
#define IDD_CHOOSE 202
#define IDD_CONFLICTS 203
#define IDD_EXCHANGE 204
#define IDD_PROGRESS 205

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
#define IDC_AUTOBACKUP 1049
#define IDC_DATADIR 1079
#define IDC_DATADIR_CHANGE 1080
#define IDC_CAPTURE_HOTKEY 1089
#define IDC_CAPTURE_STATE 1090

// Controls of the import and export dialog.
#define IDC_EXCHANGE_WHAT 1081
#define IDC_EXCHANGE_FORMAT 1082
#define IDC_EXCHANGE_SCOPE_LABEL 1083
#define IDC_EXCHANGE_SCOPE 1084
#define IDC_EXCHANGE_PATH 1085
#define IDC_EXCHANGE_BROWSE 1086
#define IDC_PROGRESS_TEXT 1087
#define IDC_PROGRESS_BAR 1088

// Menu commands.
#define ID_NOTES 133
#define ID_DATUM 134
#define ID_EXIT 135
#define ID_SHOWHIDE 138
#define ID_SETTINGS 183
#define ID_CONTACTS 186
#define ID_QUICKLAUNCH 187
#define ID_TOOLBOX 189
#define ID_IMPORT 190
#define ID_EXPORT 195
#define ID_ABOUT 191
#define ID_HELP 192
#define ID_BACKUP 193
#define ID_RESTORE 194
#define ID_SEARCH_DATUM 196
#define ID_SEARCH_TEXT 197
#define ID_SEARCH_PEOPLE 198

// Controls of the search window.
#define IDC_SEARCH_QUERY 1050
#define IDC_SEARCH_SCOPE 1051
#define IDC_SEARCH_LIST 1052
#define IDC_SEARCH_STATUS 1053

// Controls of the contacts panel.
#define IDC_COMU_AWOKE 1000
#define IDC_COMU_PREVIOUS 1001
#define IDC_COMU_NAME 1002
#define IDC_COMU_NEXT 1003
#define IDC_COMU_SEARCH 1004
#define IDC_COMU_NEW 1010
#define IDC_COMU_DELETE 1011
#define IDC_COMU_FOLD 1012
#define IDC_COMU_SAVE 1013
#define IDC_COMU_YEAR 1016
#define IDC_COMU_TEL_OFFICE 1019
#define IDC_COMU_TEL_HOME 1020
#define IDC_COMU_CLASS 1026
#define IDC_COMU_DAY 1027
#define IDC_COMU_HANDSET 1030
#define IDC_COMU_MALE 1033
#define IDC_COMU_FEMALE 1034
#define IDC_COMU_MONTH 1035
#define IDC_COMU_BP 1037
#define IDC_COMU_EMAIL 1038
#define IDC_COMU_EMAIL2 1039
#define IDC_COMU_OICQ 1040
#define IDC_COMU_ICQ 1041
#define IDC_COMU_COMPANYWEB 1042
#define IDC_COMU_HOMEPAGE 1043
#define IDC_COMU_ADDRESS 1044
#define IDC_COMU_POSTNUMBER 1045
#define IDC_COMU_NOTE 1046
#define IDC_COMU_ID 1047

// Controls of the notes panel.
#define IDC_NOTE_PREV 1001
#define IDC_NOTE_TEXT 1002
#define IDC_NOTE_NEXT 1003
#define IDC_NOTE_NEW 1010
#define IDC_NOTE_DELETE 1011
#define IDC_NOTE_FOLD 1012
#define IDC_NOTE_SAVE 1013
#define IDC_NOTE_CATEGORY 1026
#define IDC_NOTE_ID 1048

// Controls of the datum panel.
#define IDC_DATUMDLG_PASTE 1000
#define IDC_DATUMDLG_FOLD 1001
#define IDC_DATUMDLG_TITLE 1002
#define IDC_DATUMDLG_CLEAR 1003
#define IDC_DATUMDLG_COPY 1004
#define IDC_DATUMDLG_PREV 1005
#define IDC_DATUMDLG_NEXT 1006
#define IDC_DATUMDLG_BOOKMARK 1007
#define IDC_DATUMDLG_BROWSER 1008
#define IDC_DATUMDLG_INDEX 1009
#define IDC_DATUMDLG_SEARCH 1010
#define IDC_DATUMDLG_TRIM 1011
#define IDC_DATUMDLG_TEXT 1016
#define IDC_DATUMDLG_CLASS 1026
#define IDC_DATUMDLG_SOURCE 1091

// Controls of the trimming dialog.
#define IDC_TRIM_SAVE 1000
#define IDC_TRIM_PREVIOUS 1001
#define IDC_TRIM_NEXT 1003
#define IDC_TRIM_TITLE 1016
#define IDC_TRIM_KEYWORD 1019
#define IDC_TRIM_DATE 1020
#define IDC_TRIM_CLASS 1026
#define IDC_TRIM_SOURCE 1027
#define IDC_TRIM_BOOKMARK 1028
#define IDC_TRIM_INDEX 1029
#define IDC_TRIM_TEXT 1030
#define IDC_TRIM_STATUS 1031

// Controls of the datum browser.
#define IDC_TREE_WIDEN 3
#define IDC_TREE_NARROW 2  // the Cancel command, so Escape narrows the tree
#define IDC_TREE_HEADER_BUTTON 5
#define IDC_TREE_COPY 1000
#define IDC_TREE_CONTENT 1002
#define IDC_TREE_PREVIOUS 1005
#define IDC_TREE_NEXT 1006
#define IDC_TREE_HEADER 1016
#define IDC_TREE_TREE 1032

// The quick-launch panel: tab pictures (selected, normal), filler, close, context menu.
#define IDB_TAB_COLL_SEL 157
#define IDB_TAB_COLL 158
#define IDB_TAB_FUN_SEL 159
#define IDB_TAB_FUN 160
#define IDB_TAB_NET_SEL 161
#define IDB_TAB_NET 162
#define IDB_TAB_STUDY_SEL 163
#define IDB_TAB_STUDY 164
#define IDB_RUN_FILLER 165
#define IDB_RUN_CLOSE 166
#define IDR_RUNMENU 168
#define ID_RUN_ADD 169
#define ID_RUN_VIEW_LIST 171
#define ID_RUN_VIEW_LARGE 172
#define ID_RUN_VIEW_SMALL 173
#define ID_RUN_VIEW_REPORT 176
#define ID_RUN_PROPERTIES 178
#define ID_RUN_DELETE 179
#define IDC_RUN_TAB0 1011
#define IDC_RUN_TAB1 1012
#define IDC_RUN_TAB2 1013
#define IDC_RUN_TAB3 1014
#define IDC_RUN_LIST 1015
#define IDC_RUN_CLOSE 1018
#define IDC_RUN_FILLER1 1019
#define IDC_RUN_FILLER2 1020

// Controls of the program properties (the hotkey control is IDC_HOTKEY).
#define IDC_RUNINFO_CHANGEICON 1000
#define IDC_RUNINFO_BROWSE 1001
#define IDC_RUNINFO_NAME 1002
#define IDC_RUNINFO_PATH 1016
#define IDC_RUNINFO_APPLY 1018
#define IDC_RUNINFO_WORKDIR 1019
#define IDC_RUNINFO_INFO 1020
#define IDC_RUNINFO_ICON 1021

// Controls of the icon picker (its browse button is IDC_BROWSE).
#define IDC_ICONSEL_FILE 1002
#define IDC_ICONSEL_LIST 1015

// Controls of the question with buttons of its own words: the text and up to three buttons,
// the first the default.
#define IDC_CHOOSE_TEXT 1060
#define IDC_CHOOSE_FIRST 1061

// Controls of the records changed on two computers: the pairs, both versions and the choices.
#define IDC_CONFLICT_TEXT 1070
#define IDC_CONFLICT_LIST 1071
#define IDC_CONFLICT_MINE_LABEL 1072
#define IDC_CONFLICT_MINE 1073
#define IDC_CONFLICT_OTHER_LABEL 1074
#define IDC_CONFLICT_OTHER 1075
#define IDC_CONFLICT_BOTH 1076
#define IDC_CONFLICT_USE_MINE 1077
#define IDC_CONFLICT_USE_OTHER 1078
