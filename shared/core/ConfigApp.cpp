#include "shared/core/ConfigApp.h"

#include <cstdio>

#include "platform/base/Paths.h"
#include "shared/core/TraceLog.h"

void TraceConfigLoadError(const char* method, const jv::xml::ParseError& error) {
    char position[64];
    std::snprintf(position, sizeof position, "  Line: %d, Linepos: %d", error.line, error.linePos);
    const std::string message = error.reason + position;
    if (error.systemError != 0) {
        TraceLogError(method, TRACE_ERROR, message, static_cast<uint32_t>(error.systemError));
        return;
    }
    char number[64];
    std::snprintf(number, sizeof number, "\n\tError number 0x%x\n\t", static_cast<unsigned>(error.code));
    TraceLog(method, TRACE_ERROR, message + number);
}

std::string CConfigApp::FilePath() {
    const std::string common = jv::paths::CommonAppData();
    if (common.empty()) return {};
    return jv::paths::Join(common, "Jorvane/Jorvane/configApp.xml");
}

bool CConfigApp::Initialize() {
    if (m_pDoc) return true;
    const std::string path = FilePath();
    if (path.empty()) {
        TraceLog("CConfigApp::Initialize", TRACE_ERROR, "SHGetFolderPath() call failed");
        return false;
    }
    auto doc = std::make_unique<jv::xml::Document>();
    if (!doc->LoadFile(path)) {
        TraceConfigLoadError("CConfigApp::Initialize", doc->LastError());
        return false;
    }
    m_pDoc = std::move(doc);
    m_pDocElement = m_pDoc->Root();
    return true;
}

bool CConfigApp::GetAttribute(const char* element, const char* attribute, std::string& out) {
    if (!Initialize() || m_pDocElement.IsNull()) return false;
    // Exactly one such element anywhere below the root.
    const auto elements = m_pDocElement.SelectNodes(std::string(".//") + element);
    if (elements.size() != 1) return false;
    if (auto value = elements.front().Attribute(attribute)) out = *value;
    return true;
}

bool CConfigApp::GetWebURL(std::string& out) {
    out.clear();
    // A server without a host is no server.
    return GetAttribute("web", "url", out) && !out.empty();
}

bool CConfigApp::GetWebProtocol(std::string& out) {
    out = "http";
    return GetAttribute("web", "protocol", out);
}

bool CConfigApp::GetErrorsURL(std::string& out) {
    out.clear();
    return GetAttribute("errors", "url", out) && !out.empty();
}

bool CConfigApp::GetInstallerCommand(std::string& out) {
    out.clear();
    return GetAttribute("update", "installer", out) && !out.empty();
}
