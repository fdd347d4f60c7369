#pragma once
// Resource, control, command and timer ids of the main window.

// Resources
#define IDI_CUEMILL             101
#define IDR_MAIN_MENU           102
#define IDR_CONTEXT_MENU        103
#define IDR_ACCELERATORS        104
#define IDD_MAIN                105

// Controls of the main window
#define IDC_SUBS_LIST           1001
#define IDC_VIDEO               666
#define IDC_TIMELINE            667

// File menu
#define IDM_OPEN_SUB            40001
#define IDM_SAVE_SUB            40002
#define IDM_SAVE_SUB_AS         40003
#define IDM_MERGE_SUB           40004
#define IDM_RECENT_SUBS         40005   // placeholder, replaced by the recent subs submenu
#define IDM_CLOSE_SUB           40006
#define IDM_OPEN_VIDEO          40007
#define IDM_RECENT_VIDEOS       40008   // placeholder, replaced by the recent videos submenu
#define IDM_CLOSE_VIDEO         40009
#define IDM_EXIT                40010
// Playback menu
#define IDM_SEEK_BACK           40011
#define IDM_SEEK_FORWARD        40012
#define IDM_PLAY_PAUSE          40013
#define IDM_TOGGLE_SUBS         40014
#define IDM_PREFERENCES         40015
// Help menu
#define IDM_SHORTCUTS           40016
#define IDM_README              40017
#define IDM_TUTORIAL            40018
#define IDM_ABOUT               40019
// List context menu
#define IDM_INSERT_SUB          40020
#define IDM_EDIT_SUB            40021
#define IDM_REMOVE_SUBS         40022
#define IDM_LOCATE_SUB          40023
#define IDM_CHECK_OVERLAPS      40024
#define IDM_FIND_TEXT           40025

// Edit menu
#define IDM_UNDO                40026
#define IDM_REDO                40027
#define IDM_REPLACE             40070
#define IDM_SPLIT_SUB           40071
#define IDM_JOIN_SUBS           40072
// Timing menu
#define IDM_SHIFT_TIMES         40028
#define IDM_SET_SYNC_POINT      40029
#define IDM_APPLY_SYNC_POINTS   40030
#define IDM_CLEAR_SYNC_POINTS   40031
#define IDM_CHANGE_FRAME_RATE   40032
#define IDM_SYNC_SPEECH         40050
#define IDM_SET_START           40033
#define IDM_SET_END             40034
#define IDM_SET_END_NEXT        40035
#define IDM_PREVIOUS_FRAME      40042
#define IDM_NEXT_FRAME          40043
// Playback speed submenu, slowest first
#define IDM_SPEED_50            40036
#define IDM_SPEED_75            40037
#define IDM_SPEED_100           40038
#define IDM_SPEED_125           40039
#define IDM_SPEED_150           40040
#define IDM_SPEED_200           40041
// File > Reopen with encoding: the placeholder, then one item per readable encoding.
#define IDM_REOPEN_ENCODING     40080
#define IDM_ENCODING_FIRST      40081
#define IDM_ENCODING_LAST       40099

// Playback menu, the audio's waveform
#define IDM_SHOW_WAVEFORM       40060

// Timers of the main window
#define IDT_LIST_REFRESH        1638
#define IDT_SELECTION_COUNT     1639
#define IDT_RECOVERY_COPY       1640

#include "dialog_ids.h"
