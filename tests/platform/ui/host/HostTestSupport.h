#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Loop.h"
#include "platform/ui/host/ScriptBridge.h"
#include "platform/ui/host/WebHost.h"

typedef struct _SoupSession SoupSession;
typedef struct _SoupWebsocketConnection SoupWebsocketConnection;

namespace jv::ui::host::test {

// Hands work to the GLib main context, standing in for the program's UI loop.
void PostToMainContext(std::function<void()> work);

// Iterates the default main context until `done` holds or `seconds` have passed; false on timeout.
// With a loop in use (UseLoop), the loop's queue runs as well.
bool RunUntil(const std::function<bool()>& done, double seconds = 10);
// The program's UI loop that RunUntil runs besides GLib (null: none).
void UseLoop(Loop* loop);

struct RawResponse {
    int status = 0;
    std::map<std::string, std::string> headers;  // lower-case names; repeated ones joined by "\n"
    std::string body;
};

// A blocking socket connected to 127.0.0.1:port whose reads and writes give up after `seconds`
// (0: never); -1 when no connection could be made.
int ConnectLoopback(int port, int seconds = 0);

// Sends one request exactly as written (`head` without the final blank line) to 127.0.0.1:port,
// from another thread while the main context runs, and reads the answer.
RawResponse SendRaw(int port, const std::string& head);

// A GET of `target` with the Host header of 127.0.0.1:port and the given extra header lines.
RawResponse Get(int port, const std::string& target, const std::string& extraHeaders = "");

// A WebSocket client of the test's own, standing in for the window.
struct SocketClient {
    SoupSession* session;
    SoupWebsocketConnection* connection = nullptr;
    bool done = false;
    std::string error;
    std::vector<std::string> received;

    SocketClient();
    ~SocketClient();
    SocketClient(const SocketClient&) = delete;
    SocketClient& operator=(const SocketClient&) = delete;

    // Connects to the host's socket with the given Origin and Cookie value ("" for none).
    void Connect(int port, const std::string& origin, const std::string& cookie);
    void Send(const std::string& text);
};

// A WebHost on the program's loop with a window of the test's connected to it. The test installs
// the page resources it serves.
class HostWithWindow : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Fetches a page as the browser does; gives its document id and the key of its first input.
    struct Fetched {
        std::string doc;
        std::string key;
    };
    Fetched Fetch(const std::string& path);
    // Tells the host that the browser shows the document in the frame, and waits until it has heard.
    void Loaded(const std::string& doc, const std::string& frame);
    // The first message of this type from the host that satisfies `match`, once it has come (null
    // on a timeout).
    nlohmann::json Received(const std::string& type, const std::function<bool(const nlohmann::json&)>& match,
                            double seconds = 10);
    // The reply to a call, once it has come (null on a timeout).
    nlohmann::json Reply(int64_t id, double seconds = 10);
    // The messages of this type the host has sent so far.
    std::vector<nlohmann::json> AllReceived(const std::string& type) const;
    // Sends a call that does nothing (the bridge's "Settle") and waits for its reply: everything
    // the window sent before it has been dealt with then.
    void Settle();
    size_t LoggedMessages() const;

    Loop loop;
    ScriptBridge bridge;
    std::unique_ptr<WebHost> host;
    int port = 0;
    std::string cookie;
    SocketClient window;
    std::vector<std::string> log;
    int64_t nextSettle_ = 1000000;
};

}  // namespace jv::ui::host::test
