#include "platform/ui/host/HostServer.h"

#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <memory>
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

}  // namespace
}  // namespace jv::ui::host
