#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/net/HttpClient.h"

// The transport of the web-service calls: the endpoint and credentials that the server
// connection configures, and one SOAP 1.1 POST per call. Holds no state of a call, so calls
// that overlap (one started while another pumps messages) never see each other's answers.
class CHttpConnector {
public:
    explicit CHttpConnector(std::shared_ptr<jv::net::HttpClient> http);

    void SetEndPointURL(const std::string& url) { endPointURL_ = url; }
    void SetAuthUser(const std::string& user) { authUser_ = user; }
    void SetAuthPassword(const std::string& password) { authPassword_ = password; }
    const std::string& EndPointURL() const { return endPointURL_; }

    // Checks the configuration: an http or https endpoint with a host. Nothing is sent.
    bool Connect();
    bool IsConnected() const { return connected_; }

    // Posts the envelope with its SOAPAction and returns the server's answer (a SOAP answer
    // comes with status 200, a SOAP fault with 500). Throws jv::PlatformError when no answer
    // arrives in time, the answer is too large, the server answers with any other status, or
    // the connector is not connected.
    jv::net::HttpResponse Send(const std::string& soapAction, const std::string& envelope) const;
    // As Send, with the answer's body handed to `sink` as it arrives (a download too large to hold):
    // at most maxBytes in all, and failing when nothing arrives for stallTimeoutMs, however long the
    // whole takes.
    jv::net::HttpResponse Send(const std::string& soapAction, const std::string& envelope,
                               const std::function<bool(const char*, size_t)>& sink, size_t maxBytes,
                               long stallTimeoutMs) const;

    // The largest answer accepted: what the XML reader will parse.
    static size_t MaxAnswerBytes();

private:
    std::shared_ptr<jv::net::HttpClient> http_;
    std::string endPointURL_;
    std::string authUser_;
    std::string authPassword_;
    bool connected_ = false;
};
