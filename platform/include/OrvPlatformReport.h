#pragma once

// Where the platform library reports a problem that the call it imitates cannot return (a
// shader program the GL device could not build, the reason a device creation failed). By
// default each report is one line on standard error; a host that keeps its own log, or
// shows problems in its window, redirects them here.
#include "wintypes.h"

// Receives one report: the text, without a line break, and the host's pointer.
typedef void (*ORV_REPORT_HANDLER)(const char* szText, void* pUser);

// Sends the reports from now on to pfnHandler, with pUser; a null handler puts back the
// default (standard error). Safe from any thread: it waits for a report in progress, so the
// handler replaced is not called after it returns. Reports are made one at a time.
extern "C" ORVPLATFORM_API void OrvSetReportHandler(ORV_REPORT_HANDLER pfnHandler, void* pUser);

// Reports one problem through the current handler.
extern "C" ORVPLATFORM_API void OrvReport(const char* szText);
