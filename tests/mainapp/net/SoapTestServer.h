#pragma once

#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/LoopbackHttpServer.h"

namespace jv::test {

// One request as the test server read it, and what did not match what the web service expects.
struct SoapCall {
    RecordedRequest request;
    std::string soapMethod;                                       // local name of the body's method element
    std::vector<std::pair<std::string, std::string>> parameters;  // in wire order
    std::vector<std::string> problems;
};

// How the test server answers one request.
struct SoapReply {
    CannedResponse response;

    // A SOAP answer whose body holds `content` (XML) as written.
    static SoapReply Envelope(const std::string& content);
    // The answer of a service method: <methodResponse><methodResult>result</...></...> in the
    // service's namespace, the way the service writes its typed results.
    static SoapReply Result(const std::string& method, const std::string& result);
    // Like Result, with `data` in no namespace, the way the car-data lists come.
    static SoapReply PlainResult(const std::string& method, const std::string& data);
    static SoapReply Fault(const std::string& code, const std::string& text);
    static SoapReply Status(int status, const std::string& body, const std::string& contentType = "text/plain");
    // Reads the request and never answers.
    static SoapReply Stall();
    // Starts a SOAP answer holding `content` and sends it a byte at a time, slowly.
    static SoapReply Drip(const std::string& content);
};

// A SOAP server on 127.0.0.1 (ephemeral port) for the web-service client's tests. Each request
// is checked as the real service would check it (POST to the service's path, the service's Basic
// credentials, an XML body holding one method element in the service's namespace, a SOAPAction
// naming that method, parameters in the service's namespace) and answered from the scripted
// replies in order. A request that fails a check gets status 400; one without a scripted reply a
// SOAP fault (and counts as a problem).
class SoapTestServer {
public:
    SoapTestServer();

    // "127.0.0.1:<port>", as configured for the web service.
    std::string Host() const { return http_.HostAndPort(); }

    void Enqueue(SoapReply reply);
    std::vector<SoapCall> Calls() const;
    // Every check that failed, over all requests so far.
    std::vector<std::string> Problems() const;

private:
    CannedResponse Answer(const RecordedRequest& request);

    mutable std::mutex mutex_;
    std::deque<SoapReply> replies_;
    std::vector<SoapCall> calls_;
    LoopbackHttpServer http_;  // last: its thread stops before the rest goes
};

}  // namespace jv::test
