// Identifiers of the resources and commands of tallyfold.exe. The values are part of the
// program's interface: menus, templates and the tests that read them back rely on them.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_TALLYFOLD_DIALOG 102
#define IDD_FIND 103
#define IDD_OTHER_DEVICE 104
#define IDI_TALLYFOLD 128
#define IDM_MAIN_MENU 129
#define IDR_ACCELERATORS 130
#define IDM_LIST_MENU 131

#define IDC_REPORT_LIST 1000
#define IDC_STATUS_BAR 1001
#define IDC_FIND_TEXT 1002
#define IDC_PART_FILTER 1003
#define IDC_PART_LIST 1004

#define IDM_ABOUTBOX 0x0010
#define IDM_FILE_EXIT 32772
#define IDM_DEVICE_18F4680 32773
#define IDM_DEVICE_18F458 32774
#define IDM_HELP_ABOUT 32775
#define IDM_FILE_RELOAD 32776
#define IDM_EDIT_COPY 32777
#define IDM_DEVICE_FROM_MAP 32778
#define IDM_VIEW_LISTED_SECTIONS 32779
#define IDM_VIEW_ALL_SECTIONS 32780
#define IDM_VIEW_OBJECT_FILES 32781
#define IDM_VIEW_SOURCE_FILES 32782
#define IDM_VIEW_SYMBOLS 32783
#define IDM_EDIT_COPY_TABLE 32784
#define IDM_EDIT_FIND 32785
#define IDM_EDIT_FIND_NEXT 32786
#define IDM_DEVICE_OTHER 32787
#define IDM_FILE_SAVE_REPORT_AS 32788
#define IDM_FILE_COMPARE_WITH 32789
#define IDM_FILE_OPEN_PICTURE 32790
#define IDM_VIEW_REGIONS 32791
// The recent files of the File menu: the first, and the three after it.
#define IDM_FILE_RECENT_FIRST 32800
#define IDM_FILE_OPEN 57601
#define IDM_HELP 57670

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
