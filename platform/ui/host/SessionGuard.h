#pragma once

#include <optional>
#include <string>

namespace jv::ui::host {

// The secrets of one run of the program's window server and the rules every request must pass.
//
// The browser is given a one-time ticket (through a private launch file, never a command line);
// the first request that presents it receives the session secret as an HttpOnly, SameSite=Strict
// cookie, and the ticket is spent. From then on every request and the WebSocket must carry that
// cookie, name the server by its loopback address in Host and, where the browser says where a
// request comes from (Origin), come from the server's own pages.
class SessionGuard {
public:
    // What a request is judged on, taken from its headers.
    struct Request {
        std::string method;               // "GET", ...
        std::string path;                 // without the query
        std::string query;                // the text after "?", undecoded
        std::optional<std::string> host;  // the Host header
        std::optional<std::string> origin;
        std::optional<std::string> cookie;  // the Cookie header as sent
        bool websocket = false;             // an upgrade to a WebSocket
    };

    enum class Verdict {
        Allow,       // serve it
        HandOver,    // the ticket: serve the cookie (SetCookieHeader) and spend the ticket
        Forbidden,   // 403
        NotAllowed,  // 405: a method the server does not serve
    };

    static constexpr const char* kOpenPath = "/jv/open";
    static constexpr const char* kCookieName = "jvsession";

    // Draws a new ticket and session secret from the system's random source.
    // Throws jv::PlatformError when no random bytes can be had.
    SessionGuard();

    // Sets the port the server listens on; Host and Origin are checked against it.
    void SetPort(int port);
    int port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string Origin() const;
    // The one-time address that hands the session over to the browser.
    std::string OpenUrl() const;

    // Judges a request. HandOver also spends the ticket, so that it works exactly once.
    Verdict Judge(const Request& request);
    bool TicketSpent() const { return ticketSpent_; }

    // The Set-Cookie value that carries the session secret.
    std::string SetCookieHeader() const;

    // Whether a Cookie header carries the session secret.
    bool HasSessionCookie(const std::string& cookieHeader) const;

private:
    bool HostIsOurs(const std::optional<std::string>& host) const;
    bool OriginIsOurs(const std::string& origin) const;

    std::string ticket_;
    std::string secret_;
    bool ticketSpent_ = false;
    int port_ = 0;
};

// Compares two texts in a time that depends only on their lengths.
bool ConstantTimeEquals(const std::string& a, const std::string& b);

// A text of `bytes` random bytes from the system's random source, as lower-case hex.
// Throws jv::PlatformError when none can be had.
std::string RandomHex(size_t bytes);

}  // namespace jv::ui::host
