#include "tests/platform/ui/host/HostTestSupport.h"

#include <arpa/inet.h>
#include <glib.h>
#include <libsoup/soup.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/ui/Loop.h"

namespace jv::ui::host::test {

void PostToMainContext(std::function<void()> work) {
    auto* heap = new std::function<void()>(std::move(work));
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        heap, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

namespace {
Loop* g_loop = nullptr;
}

void UseLoop(Loop* loop) {
    g_loop = loop;
}

bool RunUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (g_loop != nullptr)
            g_loop->RunPending();
        else
            g_main_context_iteration(nullptr, FALSE);
        if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

RawResponse Parse(const std::string& raw) {
    RawResponse response;
    const auto headEnd = raw.find("\r\n\r\n");
    const std::string head = raw.substr(0, headEnd);
    response.body = headEnd == std::string::npos ? "" : raw.substr(headEnd + 4);
    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    if (line.size() > 12) response.status = std::stoi(line.substr(9, 3));
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string name = Lower(line.substr(0, colon));
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        auto& slot = response.headers[name];
        slot = slot.empty() ? value : slot + "\n" + value;
    }
    return response;
}

std::string Exchange(int port, const std::string& request) {
    const int fd = ConnectLoopback(port);
    std::string raw;
    if (fd >= 0) {
        send(fd, request.data(), request.size(), 0);
        char buffer[8192];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) raw.append(buffer, static_cast<size_t>(got));
        close(fd);
    }
    return raw;
}

}  // namespace

int ConnectLoopback(int port, int seconds) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (seconds > 0) {
        const timeval patience{seconds, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

RawResponse SendRaw(int port, const std::string& head) {
    const std::string request = head + "Connection: close\r\n\r\n";
    auto future = std::async(std::launch::async, [port, request] { return Exchange(port, request); });
    RunUntil([&] { return future.wait_for(std::chrono::seconds(0)) == std::future_status::ready; });
    return Parse(future.get());
}

RawResponse Get(int port, const std::string& target, const std::string& extraHeaders) {
    return SendRaw(port,
                   "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + extraHeaders);
}

SocketClient::SocketClient() : session(soup_session_new()) {}

SocketClient::~SocketClient() {
    if (connection) g_object_unref(connection);
    g_object_unref(session);
}

void SocketClient::Connect(int port, const std::string& origin, const std::string& cookie) {
    SoupMessage* msg = soup_message_new("GET", ("http://127.0.0.1:" + std::to_string(port) + "/jv/ws").c_str());
    if (!cookie.empty()) soup_message_headers_replace(soup_message_get_request_headers(msg), "Cookie", cookie.c_str());
    soup_session_websocket_connect_async(
        session, msg, origin.empty() ? nullptr : origin.c_str(), nullptr, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* source, GAsyncResult* result, gpointer data) {
            auto* self = static_cast<SocketClient*>(data);
            GError* gerror = nullptr;
            self->connection = soup_session_websocket_connect_finish(SOUP_SESSION(source), result, &gerror);
            if (gerror) {
                self->error = gerror->message;
                g_error_free(gerror);
            }
            if (self->connection) {
                soup_websocket_connection_set_max_incoming_payload_size(self->connection, 64 * 1024 * 1024);
                g_signal_connect(self->connection, "message",
                                 G_CALLBACK(+[](SoupWebsocketConnection*, gint, GBytes* bytes, gpointer d) {
                                     gsize size = 0;
                                     auto* text = static_cast<const char*>(g_bytes_get_data(bytes, &size));
                                     static_cast<SocketClient*>(d)->received.emplace_back(text, size);
                                 }),
                                 self);
            }
            self->done = true;
        },
        this);
    g_object_unref(msg);
    RunUntil([this] { return done; });
}

void SocketClient::Send(const std::string& text) {
    if (connection) soup_websocket_connection_send_text(connection, text.c_str());
}

// --- a host with a window ---------------------------------------------------------------------

void HostWithWindow::SetUp() {
    UseLoop(&loop);
    bridge.Add("Settle", std::function<void()>([] {}));
    host = std::make_unique<WebHost>(
        loop, bridge, "Test.exe",
        [this](const std::string& source, int, const std::string& message) { log.push_back(source + ": " + message); });
    loop.SetAfterWork([this] { host->FlushPatches(); });
    host->Start();
    port = std::stoi(host->Origin().substr(host->Origin().rfind(':') + 1));
    const std::string url = host->OpenUrl();
    const auto opened = Get(port, url.substr(url.find("/jv/open")));
    ASSERT_EQ(opened.status, 200);
    const std::string setCookie = opened.headers.at("set-cookie");
    cookie = setCookie.substr(0, setCookie.find(';'));
    window.Connect(port, host->Origin(), cookie);
    ASSERT_NE(window.connection, nullptr) << window.error;
}

void HostWithWindow::TearDown() {
    host.reset();
    UseLoop(nullptr);
}

HostWithWindow::Fetched HostWithWindow::Fetch(const std::string& path) {
    const auto page = Get(port, path, "Cookie: " + cookie + "\r\n");
    std::smatch doc;
    std::smatch key;
    std::regex_search(page.body, doc, std::regex("data-doc=\"(\\d+)\""));
    std::regex_search(page.body, key, std::regex("<input data-jv-key=\"(\\d+)\""));
    return {doc.size() > 1 ? doc[1].str() : "", key.size() > 1 ? key[1].str() : ""};
}

void HostWithWindow::Loaded(const std::string& doc, const std::string& frame) {
    window.Send(R"({"t":"loaded","doc":)" + doc + R"(,"frame":")" + frame + R"("})");
    Settle();
}

std::vector<nlohmann::json> HostWithWindow::AllReceived(const std::string& type) const {
    std::vector<nlohmann::json> found;
    for (const std::string& text : window.received) {
        nlohmann::json message = nlohmann::json::parse(text, nullptr, false);
        if (message.is_object() && message.value("t", "") == type) found.push_back(std::move(message));
    }
    return found;
}

nlohmann::json HostWithWindow::Received(const std::string& type,
                                        const std::function<bool(const nlohmann::json&)>& match, double seconds) {
    nlohmann::json found;
    RunUntil(
        [&] {
            for (nlohmann::json& message : AllReceived(type)) {
                if (!match(message)) continue;
                found = std::move(message);
                return true;
            }
            return false;
        },
        seconds);
    return found;
}

nlohmann::json HostWithWindow::Reply(int64_t id, double seconds) {
    return Received(
        "reply", [id](const nlohmann::json& message) { return message.value("id", int64_t{0}) == id; }, seconds);
}

void HostWithWindow::Settle() {
    const int64_t id = nextSettle_++;
    window.Send(R"({"t":"call","id":)" + std::to_string(id) + R"(,"m":"Settle","a":[]})");
    ASSERT_TRUE(Reply(id).is_object()) << "the host did not answer";
}

size_t HostWithWindow::LoggedMessages() const {
    size_t count = 0;
    for (const std::string& line : log) count += line.rfind("WebHost::OnMessage", 0) == 0 ? 1 : 0;
    return count;
}

}  // namespace jv::ui::host::test
