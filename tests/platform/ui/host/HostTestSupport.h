#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

typedef struct _SoupSession SoupSession;
typedef struct _SoupWebsocketConnection SoupWebsocketConnection;

namespace jv::ui {
class Loop;
}

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

}  // namespace jv::ui::host::test
