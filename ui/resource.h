// Fixed resource numbers of the tool.
#pragma once

// Dialogs
#define IDD_CHANGECONTROLLER_DIALOG 102
#define IDD_PLEASE_WAIT 129

// Icons and the hourglass clip
#define IDR_MAINFRAME 128
#define IDI_CONTROLLER 133
#define IDR_HOURGLASS_AVI 519

// Controls of the main dialog
#define IDC_PROGRESS_SCAN 1006
#define IDC_LIST_CONTROLLERS 1007
#define IDC_REFRESH_LIST 1008
#define IDC_ADDRESS 1011
#define IDC_UPDATE 1016
#define IDC_REFRESH_RATE 1017
#define IDC_SPIN_REFRESH_RATE 1018
#define IDC_CLOSE 1020

// Controls of the please-wait window
#define IDC_ANIMATION 1004
#define IDC_WAIT_MESSAGE 1019

// Strings
#include "apply/StringIds.h"
#include "framework/FrameworkIds.h"
