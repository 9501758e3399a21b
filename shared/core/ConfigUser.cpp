#include "shared/core/ConfigUser.h"

#include "platform/base/Paths.h"
#include "shared/core/ConfigApp.h"
#include "shared/core/TraceLog.h"

namespace {

constexpr const char* kMethodInit = "CConfigUser::Initialize";

}  // namespace

std::string CConfigUser::FilePath() {
    const std::string local = jv::paths::LocalAppData();
    if (local.empty()) return {};
    return jv::paths::Join(local, "Jorvane/Jorvane/configUser.xml");
}

bool CConfigUser::Initialize() {
    if (m_pDoc) return true;
    const std::string local = jv::paths::LocalAppData();
    if (local.empty()) {
        TraceLog(kMethodInit, TRACE_ERROR, "SHGetFolderPath() call failed");
        return false;
    }
    const std::string folder = jv::paths::Join(local, "Jorvane/Jorvane");
    if (!jv::paths::MakeSureDirectoryPathExists(folder)) {
        TraceLog(kMethodInit, TRACE_ERROR, "MakeSureDirectoryPathExists() call failed");
        return false;
    }
    const std::string path = jv::paths::Join(folder, "configUser.xml");
    auto doc = std::make_unique<jv::xml::Document>();
    if (!doc->LoadFile(path)) {
        if (jv::paths::FileExists(path)) {
            // Keep what the user had, in case the path in it was edited by hand.
            TraceConfigLoadError(kMethodInit, doc->LastError());
            const std::string kept = path + ".bad";
            if (std::rename(path.c_str(), kept.c_str()) != 0) {
                TraceLog(kMethodInit, TRACE_ERROR, "Failed to create user config file");
                return false;
            }
            TraceLog(kMethodInit, TRACE_WARNING, "The unreadable user config file was kept as " + kept);
        }
        if (!WriteDefaultFile(path)) {
            TraceLog(kMethodInit, TRACE_ERROR, "Failed to create user config file");
            return false;
        }
        if (!doc->LoadFile(path)) {
            TraceConfigLoadError(kMethodInit, doc->LastError());
            return false;
        }
    }
    m_pDoc = std::move(doc);
    m_pDocElement = m_pDoc->Root();
    if (m_pDocElement.IsNull()) {
        TraceLog(kMethodInit, TRACE_ERROR, "get_documentElement failed");
        m_pDoc.reset();
        return false;
    }
    return true;
}

bool CConfigUser::WriteDefaultFile(const std::string& path) {
    jv::xml::Document doc;
    doc.CreateRoot("jorvaneUser");
    doc.AddProcessingInstruction("xml", "version='1.0' encoding='utf-8'");
    jv::xml::Node root = doc.Root();
    root.SetAttribute("version", "1.0");
    jv::xml::Node recent = root.AppendElement("mostRecentUserDB");
    recent.SetAttribute("path", "Jorvane\\user.data");
    recent.SetAttribute("prependMyDocs", "yes");
    return doc.SaveFile(path);
}

bool CConfigUser::GetMostRecentDBpath(std::string& path) {
    path.clear();
    if (!Initialize() || m_pDocElement.IsNull()) return false;
    const auto elements = m_pDocElement.SelectNodes(".//mostRecentUserDB");
    if (elements.size() != 1) return false;
    const auto file = elements.front().Attribute("path");
    if (!file) return false;
    const auto prepend = elements.front().Attribute("prependMyDocs");
    if (!prepend) return false;
    if (*prepend == "yes") {
        const std::string documents = jv::paths::Documents();
        if (documents.empty()) {
            TraceLog("CConfigUser::GetMostRecentDBpath", TRACE_ERROR, "SHGetFolderPath() call failed");
            return false;
        }
        path = jv::paths::Join(documents, *file);
        return true;
    }
    path = *file;
    return true;
}
