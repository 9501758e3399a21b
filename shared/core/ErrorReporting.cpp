#include "shared/core/ErrorReporting.h"

#include "shared/core/TraceLog.h"

namespace {
IErrorReportDialog* g_dialog = nullptr;
}

void CErrorReporting::InstallDialog(IErrorReportDialog* dialog) { g_dialog = dialog; }
IErrorReportDialog* CErrorReporting::InstalledDialog() { return g_dialog; }

void CErrorReporting::Report(const std::string& method, int line, const std::string& message) {
    // Until the report dialog and the form post exist, a report goes to the trace log only.
    TraceLog("CErrorReporting::Report", TRACE_ERROR,
             "Problem report from " + method + " (" + std::to_string(line) + "): " + message);
}
