#pragma once

#include <memory>
#include <string>

#include "platform/xml/Document.h"

// The machine-wide settings "configApp.xml": the web-service server and the error-report
// server. The installation provides it; the programs only read it. Built on the stack for one
// operation; the file is loaded on first use.
class CConfigApp {
public:
    CConfigApp() = default;

    bool Initialize();
    // Host (and optional port and path) of the web service; false when not configured.
    bool GetWebURL(std::string& out);
    // Scheme of the web service, "http" unless the file says otherwise.
    bool GetWebProtocol(std::string& out);
    // Host of the error-report server; false when not configured.
    bool GetErrorsURL(std::string& out);
    // The program that installs a downloaded update (<update installer="/path/to/program"/>);
    // false when none is configured.
    bool GetInstallerCommand(std::string& out);

    // Where the file is read from.
    static std::string FilePath();

private:
    bool GetAttribute(const char* element, const char* attribute, std::string& out);

    std::unique_ptr<jv::xml::Document> m_pDoc;
    jv::xml::Node m_pDocElement;
};

// Logs why a configuration file did not load: the reason with its line and position, then the
// error number with the system's text for it. The parser's error numbers are its own, so a file
// that did not parse gets no system text.
void TraceConfigLoadError(const char* method, const jv::xml::ParseError& error);
