#include "OrvPlatformReport.h"

#include <cstdio>
#include <mutex>

namespace
{
// Reports and handler changes take turns, so that once OrvSetReportHandler has returned the
// old handler (and whatever its user pointer points to) is never called again. Recursive:
// a handler may itself set another one.
std::recursive_mutex g_reportMutex;
ORV_REPORT_HANDLER g_pfnReportHandler = nullptr;
void* g_pReportUser = nullptr;

void WriteToStandardError(const char* szText, void*)
{
    std::fprintf(stderr, "%s\n", szText);
}
} // namespace

extern "C" ORVPLATFORM_API void OrvSetReportHandler(ORV_REPORT_HANDLER pfnHandler, void* pUser)
{
    std::lock_guard<std::recursive_mutex> lock(g_reportMutex);
    g_pfnReportHandler = pfnHandler;
    g_pReportUser = pUser;
}

extern "C" ORVPLATFORM_API void OrvReport(const char* szText)
{
    std::lock_guard<std::recursive_mutex> lock(g_reportMutex);
    ORV_REPORT_HANDLER pfnHandler = g_pfnReportHandler ? g_pfnReportHandler : WriteToStandardError;
    pfnHandler(szText ? szText : "", g_pReportUser);
}
