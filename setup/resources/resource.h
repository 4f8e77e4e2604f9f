// Resource and control identifiers, shared by the resource script and the
// code. One numbering serves every page: buttons 1-5 mean the same wherever
// they appear, so one page procedure handles all four pages.
#pragma once

#define IDI_SETUP 101
#define IDD_FRAME 103
#define IDD_LICENSE 104
#define IDD_COMPONENTS 105
#define IDD_FOLDER 106
#define IDD_PROGRESS 107

#define IDC_FORWARD 1  // "I &Agree", "&Next >", "&Install", "&Close"
#define IDC_CANCEL 2
#define IDC_BACK 3
#define IDC_BROWSE 4
#define IDC_SHOW_DETAILS 5

#define IDC_LICENSE_HEADING 1000
#define IDC_COMPONENTS_HEADING 1001
#define IDC_FOLDER_HEADING 1002
#define IDC_STATUS 1003
#define IDC_LICENSE_TEXT 1004
#define IDC_FOLDER_EDIT 1005
#define IDC_COMPONENT_FIRST 1006                       // component k is this + k, k = 0..7
#define IDC_COMPONENT_SPARE (IDC_COMPONENT_FIRST + 8)  // the hidden ninth cell of the grid
#define IDC_FOLDER_GROUP 1015
#define IDC_SPACE_AVAILABLE 1016
#define IDC_SPACE_REQUIRED 1017
#define IDC_DETAILS_LIST 1018
#define IDC_PROGRESS_BAR 1019
