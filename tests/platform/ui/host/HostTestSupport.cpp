#include "tests/platform/ui/host/HostTestSupport.h"

#include <arpa/inet.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <sstream>
#include <thread>

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

bool RunUntil(const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
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
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string raw;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        send(fd, request.data(), request.size(), 0);
        char buffer[8192];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) raw.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return raw;
}

}  // namespace

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

}  // namespace jv::ui::host::test
