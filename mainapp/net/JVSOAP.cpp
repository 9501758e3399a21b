#include "mainapp/net/JVSOAP.h"

#include <cstdio>
#include <exception>

#include "mainapp/net/HttpConnector.h"
#include "mainapp/net/IInternetStatusDlg.h"
#include "mainapp/net/ISoapShell.h"
#include "mainapp/net/ServerConnection.h"
#include "platform/base/PlatformError.h"
#include "shared/core/TraceLog.h"

const char CJVSOAP::kNamespaceURI[] = "http://jorvane.com/webservices/jvs/";

namespace {

const char kEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";

// Text as XML character data. Control characters that XML cannot carry are left out; a carriage
// return is kept as a reference so that the parser does not fold it into a line feed.
std::string EscapeText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\r':
                out += "&#13;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') break;
                out += c;
        }
    }
    return out;
}

}  // namespace

CJVSOAP::CJVSOAP(CServerConnection* connection)
    : m_pConnection(connection), m_pConnector(connection ? connection->GetConnector() : nullptr) {}

namespace {
int g_callsInProgress = 0;
}

CJVSOAP::~CJVSOAP() {
    CloseStatusDialog();
    if (m_bCounted) --g_callsInProgress;
}

int CJVSOAP::CallsInProgress() {
    return g_callsInProgress;
}

void CJVSOAP::BeginCall(const std::string& method) {
    m_method = method;
    m_soapAction = kNamespaceURI + method;
    m_request = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n";
    m_request += std::string("<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"") + kEnvelopeNamespace + "\">";
    m_request += "<SOAP-ENV:Body>";
    m_request += "<jv:" + method + " xmlns:jv=\"" + kNamespaceURI + "\">";
}

void CJVSOAP::AddParameter(const std::string& name, const std::string& value) {
    m_request += "<jv:" + name + ">" + EscapeText(value) + "</jv:" + name + ">";
}

bool CJVSOAP::MakeCall(const std::string& text, bool showDialog) {
    m_request += "</jv:" + m_method + "></SOAP-ENV:Body>";
    if (!m_bCounted) {
        // A page's script may ask for another call while this one keeps the window alive: the
        // service is asked one thing at a time.
        if (g_callsInProgress > 0) {
            TraceLog("CJVSOAP::MakeCall", TRACE_WARNING,
                     "another web-service call is in progress; " + m_method + " was not sent");
            return false;
        }
        m_bCounted = true;
        ++g_callsInProgress;
    }

    if (showDialog) {
        if (ISoapShell* shell = ISoapShell::Installed()) m_statusDlg = shell->NewStatusDlg();
        if (m_statusDlg) {
            m_statusDlg->SetMessage(text);
            if (m_statusDlg->Create()) m_statusDlg->ShowWindow();
        }
        m_bShown = true;
        PumpMessages();
    }

    m_request += "</SOAP-ENV:Envelope>";
    PumpMessages();

    try {
        if (!m_pConnector) throw jv::PlatformError("CJVSOAP::MakeCall", "there is no connection to the server");
        // The connector may be replaced while this call pumps messages; the call keeps its own.
        jv::net::HttpResponse response =
            m_sink ? m_pConnector->Send(m_soapAction, m_request, m_sink, m_sinkMaxBytes, m_sinkStallMs)
                   : m_pConnector->Send(m_soapAction, m_request);
        m_answer = std::move(response.body);
        m_bAnswered = true;
    } catch (const jv::PlatformError& error) {
        TraceLog("CJVSOAP::MakeCall", TRACE_ERROR, "SOAP call EndMessage() failed - " + error.description());
        if (m_pConnection) m_pConnection->Disconnect();
        return false;
    } catch (const std::exception&) {
        return false;
    }

    PumpMessages();
    return true;
}

void CJVSOAP::TraceLoadFailure(long code, const std::string& meaning, const std::string& source,
                               const std::string& description) {
    // The code stands in a zero-padded field 81 digits wide, as it always has in the log.
    char prefix[128];
    std::snprintf(prefix, sizeof prefix, "SOAP call Load() failed - Code = %081lx", static_cast<unsigned long>(code));
    TraceLog("CJVSOAP::GetResponse", TRACE_ERROR,
             std::string(prefix) + ", Code meaning = " + meaning + ", Source = " + source +
                 ", Description = " + description);
}

bool CJVSOAP::GetResponse(std::unique_ptr<jv::xml::Document>& dom) {
    dom.reset();
    PumpMessages();

    auto answer = std::make_unique<jv::xml::Document>();
    try {
        if (!m_bAnswered) {
            TraceLoadFailure(0, "no answer", "CJVSOAP", "the request was not sent");
            CloseStatusDialog();
            return false;
        }
        if (!answer->LoadXml(m_answer)) {
            const jv::xml::ParseError& error = answer->LastError();
            TraceLoadFailure(error.code, error.reason, "XML parser",
                             "Line: " + std::to_string(error.line) + ", Linepos: " + std::to_string(error.linePos));
            CloseStatusDialog();
            return false;
        }
        answer->RegisterNamespace("SOAP-ENV", kEnvelopeNamespace);
        // Well-formed XML that is no SOAP answer (an error page, say) fails like unreadable text.
        if (answer->SelectSingleNode("/SOAP-ENV:Envelope/SOAP-ENV:Body").IsNull()) {
            TraceLoadFailure(0, "not a SOAP envelope", "CJVSOAP", "the answer has no SOAP envelope and body");
            CloseStatusDialog();
            return false;
        }
    } catch (const std::exception&) {
        CloseStatusDialog();
        return false;
    }
    PumpMessages();

    const jv::xml::Node fault = answer->SelectSingleNode("/SOAP-ENV:Envelope/SOAP-ENV:Body/SOAP-ENV:Fault");
    if (!fault.IsNull()) {
        TraceLog("CJVSOAP::GetResponse", TRACE_ERROR, "Fault returned with SOAP Response - " + fault.Text());
        CloseStatusDialog();
        return false;
    }

    PumpMessages();
    answer->RegisterNamespace("jv", kNamespaceURI);
    dom = std::move(answer);
    return true;
}

void CJVSOAP::PumpMessages() {
    if (!m_bShown) return;
    ISoapShell* shell = ISoapShell::Installed();
    if (!shell) return;
    for (int i = 0; i < kPumpSteps; ++i) shell->PumpMessage();
}

void CJVSOAP::CloseStatusDialog() {
    PumpMessages();
    if (m_bShown) {
        if (m_statusDlg) m_statusDlg->DestroyWindow();
        m_statusDlg.reset();
        m_bShown = false;
    }
}
