#include "platform/ui/host/HostServer.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "tests/platform/ui/host/HostTestSupport.h"

namespace jv::ui::host {
namespace {

using test::Get;
using test::RunUntil;

class HostServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = std::make_unique<HostServer>(test::PostToMainContext);
        server->SetRequestHandler([this](const std::string& path, const std::string& query) {
            requests.push_back(path + "?" + query);
            HostServer::Response response;
            response.body = "<p>page " + path + "</p>";
            if (path.rfind("/static", 0) == 0) response.caching = HostServer::Caching::Static;
            if (path == "/static/missing") response.status = 404;
            return response;
        });
        server->SetMessageHandler([this](const std::string& text) { messages.push_back(text); });
        server->SetWindowOpenedHandler([this] { ++opened; });
        server->SetWindowClosedHandler([this] { ++closed; });
        server->Start();
        port = server->port();
    }

    // Opens the session the way the window does and returns the cookie line it was given.
    std::string OpenSession() {
        const std::string url = server->OpenUrl();
        auto response = Get(port, url.substr(url.find("/jv/open")));
        EXPECT_EQ(response.status, 200);
        const std::string setCookie = response.headers["set-cookie"];
        return "Cookie: " + setCookie.substr(0, setCookie.find(';')) + "\r\n";
    }

    std::unique_ptr<HostServer> server;
    int port = 0;
    std::vector<std::string> requests;
    std::vector<std::string> messages;
    int opened = 0;
    int closed = 0;
};

TEST_F(HostServerTest, ListensOnLoopbackOnly) {
    EXPECT_GT(port, 0);
    EXPECT_EQ(server->Origin(), "http://127.0.0.1:" + std::to_string(port));
    EXPECT_EQ(server->OpenUrl().rfind(server->Origin() + "/jv/open?t=", 0), 0u);
}

TEST_F(HostServerTest, HandsTheCookieOverOnceAndServesOnlyWithIt) {
    const std::string url = server->OpenUrl();
    auto first = Get(port, url.substr(url.find("/jv/open")));
    ASSERT_EQ(first.status, 200);
    const std::string setCookie = first.headers["set-cookie"];
    EXPECT_NE(setCookie.find("HttpOnly"), std::string::npos);
    EXPECT_NE(setCookie.find("SameSite=Strict"), std::string::npos);
    EXPECT_NE(first.body.find("location.replace(\"/\")"), std::string::npos);
    EXPECT_EQ(Get(port, url.substr(url.find("/jv/open"))).status, 403);

    const std::string cookie = "Cookie: " + setCookie.substr(0, setCookie.find(';')) + "\r\n";
    auto page = Get(port, "/141?abc", cookie);
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.body, "<p>page /141</p>");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "/141?abc");
    EXPECT_NE(page.headers["content-security-policy"].find("default-src 'self'"), std::string::npos);
    EXPECT_EQ(page.headers["x-content-type-options"], "nosniff");
    for (const auto& [name, value] : page.headers)
        EXPECT_EQ(name.rfind("access-control-", 0), std::string::npos) << name;
}

TEST_F(HostServerTest, RefusesRequestsThatDoNotComeFromTheWindow) {
    const std::string cookie = OpenSession();
    const std::string ours = "Host: 127.0.0.1:" + std::to_string(port) + "\r\n";
    struct Case {
        const char* what;
        std::string request;
        int status;
    };
    const Case cases[] = {
        {"no cookie", "GET /141 HTTP/1.1\r\n" + ours, 403},
        {"another host", "GET /141 HTTP/1.1\r\nHost: attacker.example:" + std::to_string(port) + "\r\n" + cookie, 403},
        {"localhost", "GET /141 HTTP/1.1\r\nHost: localhost:" + std::to_string(port) + "\r\n" + cookie, 403},
        {"another origin", "GET /141 HTTP/1.1\r\n" + ours + cookie + "Origin: http://attacker.example\r\n", 403},
        {"a post",
         "POST /141 HTTP/1.1\r\n" + ours + cookie + "Origin: " + server->Origin() + "\r\nContent-Length: 0\r\n", 405},
        {"the shell without cookie", "GET / HTTP/1.1\r\n" + ours, 403},
    };
    for (const auto& c : cases) {
        auto response = test::SendRaw(port, c.request);
        EXPECT_EQ(response.status, c.status) << c.what;
        EXPECT_EQ(response.body.find("page"), std::string::npos) << c.what;
    }
    EXPECT_TRUE(requests.empty());
}

TEST_F(HostServerTest, LetsTheBrowserKeepOnlyStaticFilesAndOnlyForTheSession) {
    const std::string cookie = OpenSession();
    struct Case {
        const char* target;
        const char* cacheControl;
        const char* vary;
    };
    const Case cases[] = {
        {"/141", "no-store", ""},
        {"/static/shim.js?v=1", "private, max-age=86400, immutable", "Cookie"},
        {"/static/missing", "no-store", ""},
    };
    for (const auto& c : cases) {
        auto response = Get(port, c.target, cookie);
        EXPECT_EQ(response.headers["cache-control"], c.cacheControl) << c.target;
        EXPECT_EQ(response.headers["vary"], c.vary) << c.target;
    }
    // A refusal is never kept, whatever it was asked for.
    EXPECT_EQ(Get(port, "/static/shim.js?v=1").headers["cache-control"], "no-store");
}

using test::SocketClient;

TEST_F(HostServerTest, CarriesMessagesBetweenTheProgramAndOneWindow) {
    const std::string cookieLine = OpenSession();
    const std::string cookie = cookieLine.substr(8, cookieLine.size() - 10);

    SocketClient window;
    window.Connect(port, server->Origin(), cookie);
    ASSERT_NE(window.connection, nullptr) << window.error;
    ASSERT_TRUE(RunUntil([this] { return opened == 1; }));
    EXPECT_TRUE(server->WindowConnected());

    soup_websocket_connection_send_text(window.connection, "{\"t\":\"call\"}");
    ASSERT_TRUE(RunUntil([this] { return messages.size() == 1; }));
    EXPECT_EQ(messages[0], "{\"t\":\"call\"}");
    EXPECT_TRUE(server->Send("{\"t\":\"reply\"}"));
    ASSERT_TRUE(RunUntil([&] { return window.received.size() == 1; }));
    EXPECT_EQ(window.received[0], "{\"t\":\"reply\"}");

    // A second window cannot take the session over, nor can a page of another site.
    SocketClient second;
    second.Connect(port, server->Origin(), cookie);
    EXPECT_EQ(second.connection, nullptr);
    SocketClient foreign;
    foreign.Connect(port, "http://attacker.example", cookie);
    EXPECT_EQ(foreign.connection, nullptr);
    SocketClient noCookie;
    noCookie.Connect(port, server->Origin(), "");
    EXPECT_EQ(noCookie.connection, nullptr);
    EXPECT_EQ(opened, 1);

    soup_websocket_connection_close(window.connection, SOUP_WEBSOCKET_CLOSE_NORMAL, nullptr);
    ASSERT_TRUE(RunUntil([this] { return closed == 1; }));
    EXPECT_FALSE(server->WindowConnected());
    EXPECT_FALSE(server->Send("late"));

    // Once the window is gone (a reload), the same browser may connect again.
    SocketClient again;
    again.Connect(port, server->Origin(), cookie);
    EXPECT_NE(again.connection, nullptr) << again.error;
}

// A window of the test's own on a plain socket, speaking the WebSocket protocol itself so that it
// can send a message in fragments. Blocking: use it from a thread of its own.
class FragmentingWindow {
public:
    FragmentingWindow(int port, const std::string& origin, const std::string& cookieLine) {
        // A program that stops reading without closing must not hold the test up for ever.
        fd_ = test::ConnectLoopback(port, 10);
        if (fd_ < 0) return;
        const std::string request = "GET /jv/ws HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                    "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n"
                                    "Origin: " +
                                    origin + "\r\n" + cookieLine + "\r\n";
        if (!Write(request.data(), request.size())) return;
        std::string answer;
        char c = 0;
        while (answer.find("\r\n\r\n") == std::string::npos && read(fd_, &c, 1) == 1) answer += c;
        upgraded_ = answer.rfind("HTTP/1.1 101", 0) == 0;
    }
    ~FragmentingWindow() {
        if (fd_ >= 0) close(fd_);
    }
    FragmentingWindow(const FragmentingWindow&) = delete;
    FragmentingWindow& operator=(const FragmentingWindow&) = delete;

    bool upgraded() const { return upgraded_; }

    // One frame, masked as a browser's are (with a mask of zeros, the payload stays as it is).
    bool Frame(int opcode, bool last, const std::string& payload) {
        std::string head(1, static_cast<char>((last ? 0x80 : 0) | opcode));
        if (payload.size() < 126) {
            head += static_cast<char>(0x80 | payload.size());
        } else {
            head += static_cast<char>(0x80 | 127);
            for (int shift = 56; shift >= 0; shift -= 8) head += static_cast<char>((payload.size() >> shift) & 0xff);
        }
        head += std::string(4, '\0');
        return Write(head.data(), head.size()) && Write(payload.data(), payload.size());
    }

private:
    bool Write(const char* data, size_t size) {
        while (size > 0) {
            const ssize_t written = send(fd_, data, size, MSG_NOSIGNAL);
            if (written <= 0) return false;
            data += written;
            size -= static_cast<size_t>(written);
        }
        return true;
    }

    int fd_ = -1;
    bool upgraded_ = false;
};

TEST_F(HostServerTest, TheCapOnAMessageOfTheWindowCountsAllOfItsFragments) {
    const std::string cookieLine = OpenSession();
    constexpr size_t kMiB = 1024 * 1024;
    struct Case {
        const char* what;
        size_t fragments;
        size_t fragmentSize;
        bool taken;
    };
    const Case cases[] = {
        {"a message in three fragments, a ping among them", 3, 5, true},
        {"65 MiB in fragments of 1 MiB", 65, kMiB, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        messages.clear();
        const int closedBefore = closed;
        std::atomic<bool> sent = false;
        std::atomic<bool> heard = false;
        bool upgraded = false;
        std::thread sender([&] {
            FragmentingWindow window(port, server->Origin(), cookieLine);
            upgraded = window.upgraded();
            const std::string fragment(c.fragmentSize, 'a');
            for (size_t i = 0; upgraded && i < c.fragments; ++i) {
                if (!window.Frame(i == 0 ? 1 : 0, i + 1 == c.fragments, fragment)) break;
                if (i == 0 && !window.Frame(9, true, "ping")) break;
            }
            sent = true;
            // The window stays until the program has heard all of it (or closed it).
            while (!heard) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        const bool over = RunUntil([&] { return sent && (closed > closedBefore || !messages.empty()); }, 30);
        heard = true;
        sender.join();
        ASSERT_TRUE(over);
        ASSERT_TRUE(upgraded);
        if (c.taken) {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0], std::string(c.fragments * c.fragmentSize, 'a'));
        } else {
            EXPECT_TRUE(messages.empty()) << messages.front().size() << " bytes taken";
            EXPECT_FALSE(server->WindowConnected());
        }
        // The window goes, and another may come.
        ASSERT_TRUE(RunUntil([&] { return closed > closedBefore; }));
    }
}

}  // namespace
}  // namespace jv::ui::host
