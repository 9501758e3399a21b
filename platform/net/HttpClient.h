#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/base/PlatformError.h"

namespace jv::net {

struct HttpRequest {
    std::string method = "POST";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;  // in order
    std::string body;
    std::string user;  // Basic authentication when not empty
    std::string password;
    long connectTimeoutMs = 15000;
    long totalTimeoutMs = 60000;
    size_t maxResponseBytes = 8 * 1024 * 1024;  // a larger answer fails the call
    // When set, the answer's body goes here piece by piece as it arrives instead of into
    // HttpResponse::body; returning false ends the transfer (Send throws). maxResponseBytes still
    // bounds the whole body.
    std::function<bool(const char* data, size_t size)> onBody;
    // When above 0, a transfer that receives less than a byte a second for this long fails, however
    // long the whole takes; a totalTimeoutMs of 0 then sets no limit on the whole.
    long stallTimeoutMs = 0;
};

struct HttpResponse {
    long status = 0;                             // 0 when no answer arrived
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// A blocking HTTP client with explicit timeouts, following the system's proxy settings
// (http_proxy, https_proxy, no_proxy). A transport failure (no connection, timeout, answer too
// large) throws jv::PlatformError; an HTTP error status is a normal response.
class HttpClient {
public:
    virtual ~HttpClient() = default;
    virtual HttpResponse Send(const HttpRequest& request);
};

// The code of the jv::PlatformError thrown by Send is libcurl's error number. True when the
// request could not even be made (an unusable URL or scheme, no session), as opposed to a
// failure while talking to the server.
bool IsRequestNotMade(const jv::PlatformError& error);

}  // namespace jv::net
