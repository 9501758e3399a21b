#include "tests/support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <strings.h>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace jv::test {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
}

int BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

int ListenOnLoopback() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    const sockaddr_in address = Loopback(0);
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
        close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    return fd;
}

bool SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    }
    return {};
}

LoopbackHttpServer::LoopbackHttpServer()
    : LoopbackHttpServer([](const RecordedRequest&) { return CannedResponse{}; }) {}

LoopbackHttpServer::LoopbackHttpServer(Handler handler) : handler_(std::move(handler)) {
    listenFd_ = ListenOnLoopback();
    port_ = BoundPort(listenFd_);
    if (pipe2(wakeFds_, O_CLOEXEC) != 0) {
        close(listenFd_);
        throw std::runtime_error("pipe failed");
    }
    thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stopping_ = true;
    const char wake = 'x';
    (void)!write(wakeFds_[1], &wake, 1);
    thread_.join();
    close(listenFd_);
    close(wakeFds_[0]);
    close(wakeFds_[1]);
}

std::string LoopbackHttpServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
    return "http://" + HostAndPort() + path;
}

std::vector<RecordedRequest> LoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

int LoopbackHttpServer::UnusedPort() {
    const int fd = ListenOnLoopback();
    const int port = BoundPort(fd);
    close(fd);
    return port;
}

// True when the server is stopping or the client has closed its end within the time.
bool LoopbackHttpServer::WaitForStopOrHangUp(int fd, int milliseconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left)) <= 0) continue;
        if (fds[1].revents != 0) return true;
        char buffer[512];
        if (recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) <= 0) return true;
    }
}

void LoopbackHttpServer::Serve() {
    while (!stopping_) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) continue;
        if (fds[1].revents != 0) break;
        if ((fds[0].revents & POLLIN) == 0) continue;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        HandleConnection(fd);
        close(fd);
    }
}

void LoopbackHttpServer::HandleConnection(int fd) {
    std::string data;
    char buffer[8192];
    size_t headerEnd = std::string::npos;
    size_t bodyLength = 0;
    RecordedRequest request;
    while (true) {
        if (headerEnd == std::string::npos) {
            headerEnd = data.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                const std::string head = data.substr(0, headerEnd);
                size_t lineEnd = head.find("\r\n");
                const std::string requestLine = head.substr(0, lineEnd);
                const size_t firstBlank = requestLine.find(' ');
                const size_t secondBlank = requestLine.find(' ', firstBlank + 1);
                request.method = requestLine.substr(0, firstBlank);
                request.target = requestLine.substr(firstBlank + 1, secondBlank - firstBlank - 1);
                while (lineEnd != std::string::npos) {
                    const size_t start = lineEnd + 2;
                    lineEnd = head.find("\r\n", start);
                    const std::string line =
                        head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
                    const size_t colon = line.find(':');
                    if (colon == std::string::npos) continue;
                    const size_t valueStart = line.find_first_not_of(' ', colon + 1);
                    request.headers.emplace_back(line.substr(0, colon),
                                                 valueStart == std::string::npos ? "" : line.substr(valueStart));
                }
                const std::string length = request.Header("Content-Length");
                bodyLength = length.empty() ? 0 : std::strtoul(length.c_str(), nullptr, 10);
            }
        }
        if (headerEnd != std::string::npos && data.size() >= headerEnd + 4 + bodyLength) break;
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        if (poll(fds, 2, 10000) <= 0 || fds[1].revents != 0) return;
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return;
        data.append(buffer, static_cast<size_t>(n));
    }
    request.body = data.substr(headerEnd + 4, bodyLength);
    request.raw = data.substr(0, headerEnd + 4 + bodyLength);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request);
    }
    const CannedResponse response = handler_(request);
    if (response.delayMs > 0 && WaitForStopOrHangUp(fd, response.delayMs)) return;

    std::string answer = "HTTP/1.1 " + std::to_string(response.status) + " " + ReasonPhrase(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers) answer += name + ": " + value + "\r\n";
    if (response.sendLength) answer += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    answer += "Connection: close\r\n\r\n";
    if (response.dripMs > 0) {
        if (!SendAll(fd, answer)) return;
        for (const char c : response.body) {
            if (WaitForStopOrHangUp(fd, response.dripMs) || !SendAll(fd, std::string(1, c))) return;
        }
    } else {
        answer += response.body;
        SendAll(fd, answer);
    }
    shutdown(fd, SHUT_WR);
}

}  // namespace jv::test
