#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/xml/Document.h"

class CHttpConnector;
class CServerConnection;
class IInternetStatusDlg;

// One SOAP request/response exchange with the web service over the connection's connector.
// Every web-service operation builds one on the stack: BeginCall, one AddParameter per argument
// in wire order, MakeCall, then GetResponse only when MakeCall succeeded; the destructor closes
// the status window. The request and the answer belong to this object alone.
//
// UI thread only. While its status window is shown the helper keeps the user interface alive by
// pumping messages between its steps; without the window it pumps nothing.
class CJVSOAP {
public:
    // The service's namespace: the SOAP action prefix, the namespace of the method element and
    // of the prefix "jv" in answers.
    static const char kNamespaceURI[];
    // Message-loop steps per pump.
    static constexpr int kPumpSteps = 40;

    explicit CJVSOAP(CServerConnection* connection);
    ~CJVSOAP();
    CJVSOAP(const CJVSOAP&) = delete;
    CJVSOAP& operator=(const CJVSOAP&) = delete;

    // Starts the request envelope for the service method.
    void BeginCall(const std::string& method);
    // Writes one parameter element; values are always sent as text.
    void AddParameter(const std::string& name, const std::string& value);
    // Closes the envelope and sends it, showing the status window with `text` when asked. True
    // when an answer arrived. A failure to send marks the connection not connected.
    bool MakeCall(const std::string& text, bool showDialog);
    // Makes MakeCall hand the answer to `sink` as it arrives instead of keeping it (a download):
    // at most maxBytes, failing when nothing arrives for stallTimeoutMs. GetResponse then has
    // nothing to read.
    void SetAnswerSink(std::function<bool(const char*, size_t)> sink, size_t maxBytes, long stallTimeoutMs) {
        m_sink = std::move(sink);
        m_sinkMaxBytes = maxBytes;
        m_sinkStallMs = stallTimeoutMs;
    }
    // Reads the answer. On true `dom` holds the answer, ready for XPath with the prefix "jv"; on
    // false it is null (a load failure, a SOAP fault) and the status window is closed.
    bool GetResponse(std::unique_ptr<jv::xml::Document>& dom);

    void PumpMessages();
    void CloseStatusDialog();

    // How many calls are between their send and their end now. While one waits (and keeps the
    // window alive), a second is refused, and the window's close waits for it.
    static int CallsInProgress();

private:
    void TraceLoadFailure(long code, const std::string& meaning, const std::string& source,
                          const std::string& description);

    CServerConnection* m_pConnection;
    std::shared_ptr<CHttpConnector> m_pConnector;
    std::string m_method;
    std::string m_soapAction;
    std::string m_request;
    std::string m_answer;
    bool m_bAnswered = false;
    std::unique_ptr<IInternetStatusDlg> m_statusDlg;
    bool m_bShown = false;
    bool m_bCounted = false;
    std::function<bool(const char*, size_t)> m_sink;
    size_t m_sinkMaxBytes = 0;
    long m_sinkStallMs = 0;
};
