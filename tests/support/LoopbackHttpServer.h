#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace jv::test {

// One request as the server received it.
struct RecordedRequest {
    std::string method;
    std::string target;  // as on the request line: a path, or an absolute URL when sent to a proxy
    std::vector<std::pair<std::string, std::string>> headers;  // in order, names as sent
    std::string body;
    std::string raw;  // the request's bytes as received

    // The value of the first header with that name (compared without case), or empty.
    std::string Header(const std::string& name) const;
};

// What the server answers.
struct CannedResponse {
    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body = "OK\r\n";
    bool sendLength = true;  // false: the answer ends when the connection closes
    int delayMs = 0;         // wait this long before answering (ends early when the server stops)
    int dripMs = 0;          // send the body a byte at a time, this long apart
};

// A small HTTP/1.1 server on 127.0.0.1 with an ephemeral port, for tests. It records every
// request and answers each one from the handler, one connection at a time, closing the connection
// after every answer. Waiting (a delay, a slow body) ends early when the server stops or the client
// goes away.
class LoopbackHttpServer {
public:
    using Handler = std::function<CannedResponse(const RecordedRequest&)>;

    LoopbackHttpServer();
    explicit LoopbackHttpServer(Handler handler);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string HostAndPort() const;
    // "http://127.0.0.1:<port>" followed by the path.
    std::string Url(const std::string& path = "/") const;

    std::vector<RecordedRequest> Requests() const;

    // A port on 127.0.0.1 that nothing listens on (bound once and released).
    static int UnusedPort();

private:
    void Serve();
    void HandleConnection(int fd);
    bool WaitForStopOrHangUp(int fd, int milliseconds) const;

    Handler handler_;
    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

}  // namespace jv::test
