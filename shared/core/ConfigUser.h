#pragma once

#include <memory>
#include <string>

#include "platform/xml/Document.h"

// The per-user settings "configUser.xml": which user database to open. Written with its default
// content when missing; a file that does not parse is kept as "configUser.xml.bad" before the
// default replaces it, so a hand-edited path is never silently lost.
class CConfigUser {
public:
    CConfigUser() = default;

    bool Initialize();
    bool WriteDefaultFile(const std::string& path);
    bool GetMostRecentDBpath(std::string& path);

    // Where the file is read from.
    static std::string FilePath();

private:
    std::unique_ptr<jv::xml::Document> m_pDoc;
    jv::xml::Node m_pDocElement;
};
