#include "platform/net/HttpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>

namespace jv::net {
namespace {

constexpr const char* kSource = "HttpClient::Send";

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// What the transfer callbacks fill in while the answer arrives.
struct Transfer {
    HttpResponse response;
    size_t maxBytes = 0;
    size_t received = 0;
    bool tooLarge = false;
    bool refused = false;
    const std::function<bool(const char*, size_t)>* sink = nullptr;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (transfer->received + n > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    transfer->received += n;
    if (transfer->sink != nullptr && *transfer->sink) {
        if (!(*transfer->sink)(data, n)) {
            transfer->refused = true;
            return 0;
        }
        return n;
    }
    transfer->response.body.append(data, n);
    return n;
}

std::string Trim(std::string text) {
    const auto notBlank = [](unsigned char c) { return !std::isspace(c); };
    text.erase(text.begin(), std::find_if(text.begin(), text.end(), notBlank));
    text.erase(std::find_if(text.rbegin(), text.rend(), notBlank).base(), text.end());
    return text;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t n = size * count;
    const std::string line(data, n);
    if (line.rfind("HTTP/", 0) == 0) {
        // A new status line (after "100 Continue"): only the final answer's headers count.
        transfer->response.headers.clear();
        return n;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return n;
    std::string name = Trim(line.substr(0, colon));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    transfer->response.headers[name] = Trim(line.substr(colon + 1));
    return n;
}

void Check(CURLcode code, const char* what) {
    if (code != CURLE_OK) throw jv::PlatformError(kSource, std::string(what) + ": " + curl_easy_strerror(code), code);
}

}  // namespace

bool IsRequestNotMade(const jv::PlatformError& error) {
    switch (error.code()) {
        case CURLE_FAILED_INIT:
        case CURLE_URL_MALFORMAT:
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_OUT_OF_MEMORY:
        case CURLE_BAD_FUNCTION_ARGUMENT:
            return true;
        default:
            return false;
    }
}

HttpResponse HttpClient::Send(const HttpRequest& request) {
    GlobalInit();
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) throw jv::PlatformError(kSource, "could not create an HTTP session", CURLE_FAILED_INIT);
    CURL* const handle = curl.get();

    Transfer transfer;
    transfer.maxBytes = request.maxResponseBytes;
    transfer.sink = &request.onBody;
    char errorText[CURL_ERROR_SIZE] = "";

    // The proxy comes from the environment (http_proxy, https_proxy, no_proxy), libcurl's default.
    Check(curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str()), "URL");
#if LIBCURL_VERSION_NUM >= 0x075500
    Check(curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https"), "protocols");
#else
    Check(curl_easy_setopt(handle, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS)),
          "protocols");
#endif
    Check(curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText), "error buffer");
    Check(curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L), "signals");
    Check(curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs), "connect timeout");
    Check(curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, request.totalTimeoutMs), "timeout");
    if (request.stallTimeoutMs > 0) {
        Check(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L), "stall limit");
        Check(curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, std::max(1L, (request.stallTimeoutMs + 999) / 1000)),
              "stall limit");
    }
    Check(curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxResponseBytes)),
          "size cap");
    Check(curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, OnBody), "body callback");
    Check(curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer), "body callback");
    Check(curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, OnHeader), "header callback");
    Check(curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer), "header callback");

    if (request.method == "GET") {
        Check(curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L), "method");
    } else {
        if (request.method != "POST") {
            Check(curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, request.method.c_str()), "method");
        }
        Check(curl_easy_setopt(handle, CURLOPT_POST, 1L), "method");
        Check(curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size())),
              "body");
        Check(curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data()), "body");
    }

    if (!request.user.empty()) {
        Check(curl_easy_setopt(handle, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)), "authentication");
        Check(curl_easy_setopt(handle, CURLOPT_USERNAME, request.user.c_str()), "user name");
        Check(curl_easy_setopt(handle, CURLOPT_PASSWORD, request.password.c_str()), "password");
    }

    std::unique_ptr<curl_slist, ListDeleter> headers;
    const auto addHeader = [&headers](const std::string& line) {
        if (line.find_first_of("\r\n") != std::string::npos) {
            throw jv::PlatformError(kSource, "a header holds a line break", CURLE_BAD_FUNCTION_ARGUMENT);
        }
        curl_slist* list = curl_slist_append(headers.get(), line.c_str());
        if (list == nullptr) throw jv::PlatformError(kSource, "out of memory", CURLE_OUT_OF_MEMORY);
        (void)headers.release();
        headers.reset(list);
    };
    for (const auto& [name, value] : request.headers) addHeader(name + ": " + value);
    // Servers that never answer "100 Continue" would otherwise delay every larger post.
    addHeader("Expect:");
    Check(curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()), "headers");

    const CURLcode result = curl_easy_perform(handle);
    if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        throw jv::PlatformError(
            kSource,
            "the answer from " + request.url + " is larger than " + std::to_string(request.maxResponseBytes) + " bytes",
            CURLE_FILESIZE_EXCEEDED);
    }
    if (transfer.refused)
        throw jv::PlatformError(kSource, "the receiver of the answer from " + request.url + " stopped it",
                                CURLE_WRITE_ERROR);
    if (result != CURLE_OK) {
        const std::string detail = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
        throw jv::PlatformError(kSource, detail, result);
    }
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &transfer.response.status);
    return std::move(transfer.response);
}

}  // namespace jv::net
