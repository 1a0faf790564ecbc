// Identifiers of the program's string table (ui/ChangeController.rc).
#pragma once

#define IDS_UPDATE_SUCCEEDED 1
#define IDS_APP_TITLE 2
#define IDS_RESTART_FAILED 3
#define IDS_SETTINGS_NOT_SAVED 4
#define IDS_SETTINGS_LEFT_CHANGED 5
#define IDS_NOT_SERVICE_FOLDER 6
#define IDS_COLUMN_NAME 32772
#define IDS_COLUMN_ADDRESS 32773
#define IDS_SEARCHING 32774
#define IDS_PLEASE_WAIT 32775
#define IDS_CONTROLLER_NOT_FOUND 32776
#define IDS_NOT_FOUND_CAPTION 32777
#define IDS_COULD_NOT_FIND 32778
#define IDS_MEMBER_CAPTION 32780
#define IDS_MEMBERS_NOT_DIRECT 32782
// Names a screen reader speaks for the two controls that show no text of their own.
#define IDS_NAME_CONTROLLER_LIST 32783
#define IDS_NAME_REFRESH_RATE_SPIN 32784
