// String-table identifiers the framework loads; the program's resource script defines
// their texts. Plain macros, so that the resource compiler reads them too.
#pragma once

// Shown when an exception escapes a message handler.
#define AFX_IDS_UNHANDLED_EXCEPTION 61700
