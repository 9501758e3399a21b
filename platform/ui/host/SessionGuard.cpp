#include "platform/ui/host/SessionGuard.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/base/PlatformError.h"

namespace jv::ui::host {
namespace {

constexpr const char* kLoopback = "127.0.0.1";

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos) return {};
    const auto end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

// The value of one parameter of a query text, if present.
std::optional<std::string> QueryValue(const std::string& query, const std::string& name) {
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        const auto eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == name) return pair.substr(eq + 1);
        start = end + 1;
    }
    return std::nullopt;
}

}  // namespace

bool ConstantTimeEquals(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

std::string RandomHex(size_t bytes) {
    std::vector<unsigned char> buffer(bytes);
    size_t filled = 0;
    while (filled < bytes) {
        const ssize_t got = getrandom(buffer.data() + filled, bytes - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw PlatformError("SessionGuard", std::string("no random bytes: ") + std::strerror(errno), errno);
        }
        filled += static_cast<size_t>(got);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes * 2);
    for (unsigned char b : buffer) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xf];
    }
    return text;
}

SessionGuard::SessionGuard() : ticket_(RandomHex(32)), secret_(RandomHex(32)) {}

void SessionGuard::SetPort(int port) {
    port_ = port;
}

std::string SessionGuard::Origin() const {
    return std::string("http://") + kLoopback + ":" + std::to_string(port_);
}

std::string SessionGuard::OpenUrl() const {
    return Origin() + kOpenPath + "?t=" + ticket_;
}

std::string SessionGuard::SetCookieHeader() const {
    return std::string(kCookieName) + "=" + secret_ + "; Path=/; HttpOnly; SameSite=Strict";
}

bool SessionGuard::HasSessionCookie(const std::string& cookieHeader) const {
    bool found = false;
    size_t start = 0;
    while (start <= cookieHeader.size()) {
        size_t end = cookieHeader.find(';', start);
        if (end == std::string::npos) end = cookieHeader.size();
        const std::string pair = Trim(cookieHeader.substr(start, end - start));
        const auto eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == kCookieName)
            found = ConstantTimeEquals(pair.substr(eq + 1), secret_) || found;
        start = end + 1;
    }
    return found;
}

bool SessionGuard::HostIsOurs(const std::optional<std::string>& host) const {
    return host && Lower(*host) == std::string(kLoopback) + ":" + std::to_string(port_);
}

bool SessionGuard::OriginIsOurs(const std::string& origin) const {
    return Lower(origin) == Origin();
}

SessionGuard::Verdict SessionGuard::Judge(const Request& request) {
    if (port_ == 0 || !HostIsOurs(request.host)) return Verdict::Forbidden;
    if (request.origin && !OriginIsOurs(*request.origin)) return Verdict::Forbidden;
    // A page of another site may open a WebSocket to any address; only our own pages may open ours.
    if (request.websocket && !request.origin) return Verdict::Forbidden;
    if (request.method != "GET" && request.method != "HEAD") return Verdict::NotAllowed;

    if (request.path == kOpenPath && !request.websocket) {
        const auto ticket = QueryValue(request.query, "t");
        if (ticketSpent_ || !ticket || !ConstantTimeEquals(*ticket, ticket_)) return Verdict::Forbidden;
        ticketSpent_ = true;
        return Verdict::HandOver;
    }
    if (!request.cookie || !HasSessionCookie(*request.cookie)) return Verdict::Forbidden;
    return Verdict::Allow;
}

}  // namespace jv::ui::host
