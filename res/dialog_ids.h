#pragma once
// Ids of the secondary dialogs (106 to 115) and their controls.
// Control ids are unique across all dialogs except where two dialogs share a role.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Dialog templates
#define IDD_EDIT_SUB            106
#define IDD_OVERLAPS            107
#define IDD_SAVING              108
#define IDD_ABOUT               109
#define IDD_PREFERENCES         110
#define IDD_MERGE               111
#define IDD_TUTORIAL            112
#define IDD_FIND                113
#define IDD_SHIFT_TIMES         114
#define IDD_FRAME_RATE          115

// Overlaps dialog (107); the list has the same id as the main window's list
#define IDC_OVERLAPS_LIST       1001
// Edit subtitle dialog (106)
#define IDC_EDIT_NUMBER         1002
#define IDC_EDIT_START          1003
#define IDC_EDIT_END            1004
#define IDC_EDIT_DURATION       1005
#define IDC_EDIT_TEXT           1006
#define IDC_EDIT_ITALICS        1007
// Overlaps dialog (107)
#define IDC_OVERLAPS_QUESTION   1008
#define IDC_OVERLAPS_FIX        1009
#define IDC_OVERLAPS_SELECT     1010
// Saving progress dialog (108)
#define IDC_SAVING_PROGRESS     1011
#define IDC_SAVING_PATH         1012
// About dialog (109)
#define IDC_ABOUT_LINE1         1013
#define IDC_ABOUT_LINE2         1014
// Preferences dialog (110)
#define IDC_PREFS_SEEK          1015
#define IDC_PREFS_NEW_SUB       1016
#define IDC_PREFS_VMR7          1017
#define IDC_PREFS_VMR9          1018
// Merge dialog (111)
#define IDC_MERGE_FILE          1019
#define IDC_MERGE_BROWSE        1020
#define IDC_MERGE_COUNT         1021
// Tutorial dialog (112)
#define IDC_TUTORIAL_LINK       1022
// Edit subtitle dialog (106): the character count
#define IDC_EDIT_COUNT          1023
// Find dialog (113)
#define IDC_FIND_COUNT          1024
#define IDC_FIND_QUERY          1025
#define IDC_FIND_LIST           1026
// Replace dialog (116)
#define IDD_REPLACE             116
#define IDC_REPLACE_FIND        1121
#define IDC_REPLACE_WITH        1122
#define IDC_REPLACE_MATCH_CASE  1123
#define IDC_REPLACE_WHOLE_WORDS 1124
#define IDC_REPLACE_EXPRESSION  1125
#define IDC_REPLACE_SELECTED    1126
#define IDC_REPLACE_FIND_NEXT   1127
#define IDC_REPLACE_ONE         1128
#define IDC_REPLACE_ALL         1129
#define IDC_REPLACE_COUNT       1130
// Shift times dialog (114)
#define IDC_SHIFT_AMOUNT        1101
#define IDC_SHIFT_ALL           1102
#define IDC_SHIFT_SELECTED      1103
#define IDC_SHIFT_LATER         1104
#define IDC_SHIFT_FROM_VIDEO    1105
// Change frame rate dialog (115)
#define IDC_RATE_FROM           1111
#define IDC_RATE_TO             1112
// Sync to speech dialog
#define IDD_SYNC_SPEECH         117
#define IDC_SYNC_SPEECH_TEXT    1141
#define IDC_SYNC_SPEECH_PROGRESS 1142
#define IDC_SYNC_SPEECH_SELECTED 1143
