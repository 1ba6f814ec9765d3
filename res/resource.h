// Resource identifiers of the program; ids only.
#pragma once

#define IDD_GRIDMOOR_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_SEASON 1000
#define IDC_CHAMPIONSHIP 1001
#define IDC_HOMEPAGE 1002
#define IDC_REPLAY 1003
#define IDC_CREDIT 1004
#define IDC_README 1005
#define IDC_SCREENSHOT_FRAME 1006
#define IDC_PROGRESS 1007
#define IDC_GAME_FOLDER 1096
#define IDC_BROWSE 1097

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
