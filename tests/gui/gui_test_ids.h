#pragma once
// Templates of the test dialogs (not shipped).

#define IDD_TEST_MODAL          901
#define IDD_TEST_RESIZE         902

#define IDC_TEST_EDIT           1101
#define IDC_TEST_LIST           1102

#define IDC_TEST_STRETCH_X      1201
#define IDC_TEST_MOVE_BOTH      1202
#define IDC_TEST_STRETCH_BOTH   1203
#define IDC_TEST_STAY_MOVE_Y    1204
