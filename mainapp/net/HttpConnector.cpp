#include "mainapp/net/HttpConnector.h"

#include <algorithm>
#include <cctype>

#include "platform/base/PlatformError.h"
#include "platform/xml/Document.h"

namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// An http or https address whose host part is there and holds no blanks or control characters.
bool IsUsableEndpoint(const std::string& url) {
    std::string rest;
    if (StartsWithNoCase(url, "http://")) {
        rest = url.substr(7);
    } else if (StartsWithNoCase(url, "https://")) {
        rest = url.substr(8);
    } else {
        return false;
    }
    if (rest.empty() || rest.front() == '/') return false;
    return std::none_of(rest.begin(), rest.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u <= 0x20 || u == 0x7f;
    });
}

}  // namespace

CHttpConnector::CHttpConnector(std::shared_ptr<jv::net::HttpClient> http) : http_(std::move(http)) {}

bool CHttpConnector::Connect() {
    connected_ = http_ != nullptr && IsUsableEndpoint(endPointURL_);
    return connected_;
}

size_t CHttpConnector::MaxAnswerBytes() {
    return jv::xml::Document::kMaxSize;
}

jv::net::HttpResponse CHttpConnector::Send(const std::string& soapAction, const std::string& envelope) const {
    return Send(soapAction, envelope, nullptr, MaxAnswerBytes(), 0);
}

jv::net::HttpResponse CHttpConnector::Send(const std::string& soapAction, const std::string& envelope,
                                           const std::function<bool(const char*, size_t)>& sink, size_t maxBytes,
                                           long stallTimeoutMs) const {
    if (!connected_) throw jv::PlatformError("CHttpConnector::Send", "the connector is not connected");
    jv::net::HttpRequest request;
    request.method = "POST";
    request.url = endPointURL_;
    request.headers = {{"Content-Type", "text/xml; charset=\"UTF-8\""}, {"SOAPAction", "\"" + soapAction + "\""}};
    request.body = envelope;
    request.user = authUser_;
    request.password = authPassword_;
    request.maxResponseBytes = maxBytes;
    if (sink) {
        request.onBody = sink;
        request.stallTimeoutMs = stallTimeoutMs;
        request.totalTimeoutMs = 0;
    }
    jv::net::HttpResponse response = http_->Send(request);
    if (response.status != 200 && response.status != 500) {
        throw jv::PlatformError("CHttpConnector::Send",
                                "the server answered with HTTP status " + std::to_string(response.status),
                                response.status);
    }
    return response;
}
