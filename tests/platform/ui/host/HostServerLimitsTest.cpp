// Server limits: idle connections from any local process, more than the program has descriptors
// for, neither stop the server for good nor keep the window from being served.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui/host/HostServer.h"
#include "tests/platform/ui/host/HostTestSupport.h"
#include "tests/support/TestSupport.h"

namespace jv::ui::host {
namespace {

// A connection to 127.0.0.1:port that never says anything; -1 when none could be made.
int IdleConnection(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);  // goes on in the background
    return fd;
}

// One request and its whole answer, giving up after `seconds` (then "").
std::string Exchange(int port, const std::string& request, int seconds) {
    const int fd = test::ConnectLoopback(port, seconds);
    if (fd < 0) return {};
    std::string raw;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[8192];
        ssize_t got;
        while ((got = recv(fd, buffer, sizeof buffer, 0)) > 0) raw.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    return raw;
}

std::string Get(int port, const std::string& target, const std::string& cookie, int seconds = 20) {
    return Exchange(port,
                    "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" +
                        (cookie.empty() ? "" : "Cookie: " + cookie + "\r\n") + "Connection: close\r\n\r\n",
                    seconds);
}

// The test program, started with at most `descriptors` open files.
class LimitedProgram {
public:
    explicit LimitedProgram(rlim_t descriptors) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            const rlimit limit{descriptors, descriptors};
            setrlimit(RLIMIT_NOFILE, &limit);
            dup2(out[1], STDOUT_FILENO);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            execl(JV_E2E_APP, JV_E2E_APP, "--pages", JV_E2E_PAGES, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // "JV-OPEN <address>" once the server listens.
        std::string line;
        pollfd ready{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && poll(&ready, 1, 10000) == 1) {
            char buffer[512];
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got <= 0) break;
            line.append(buffer, static_cast<size_t>(got));
        }
        close(out[0]);
        const auto at = line.find("JV-OPEN ");
        if (at == std::string::npos) return;
        openUrl_ = line.substr(at + 8, line.find('\n', at) - at - 8);
        port_ = std::stoi(openUrl_.substr(openUrl_.rfind(':') + 1));
    }
    ~LimitedProgram() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    LimitedProgram(const LimitedProgram&) = delete;
    LimitedProgram& operator=(const LimitedProgram&) = delete;

    int port() const { return port_; }
    const std::string& openUrl() const { return openUrl_; }
    bool Running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    pid_t pid_ = -1;
    std::string openUrl_;
    int port_ = 0;
};

bool Answered(const std::string& raw) {
    return raw.rfind("HTTP/1.1 200", 0) == 0 && raw.find("jv-top") != std::string::npos;
}

TEST(HostServerLimits, TheWindowIsServedAfterMoreIdleConnectionsThanTheProgramHasDescriptors) {
    // The test opens 2,000 connections of its own.
    rlimit own{};
    getrlimit(RLIMIT_NOFILE, &own);
    if (own.rlim_max != RLIM_INFINITY && own.rlim_max < 4096) GTEST_SKIP() << "too few descriptors for the test";
    const rlimit raised{own.rlim_max == RLIM_INFINITY ? 8192 : std::min<rlim_t>(own.rlim_max, 8192), own.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &raised), 0);

    jv::test::IsolatedHome home;
    LimitedProgram program(1024);
    ASSERT_GT(program.port(), 0) << "the program did not start";
    const int port = program.port();
    const std::string opened = Get(port, program.openUrl().substr(program.openUrl().find("/jv/open")), "");
    const auto cookieAt = opened.find("Set-Cookie: ");
    ASSERT_NE(cookieAt, std::string::npos) << opened;
    const std::string cookie = opened.substr(cookieAt + 12, opened.find(';', cookieAt) - cookieAt - 12);

    // One after the other, each taken in by the server (accepted, or closed to make room) before
    // the next, as a process holding connections open would: a server that stops accepting
    // leaves the next one waiting.
    std::vector<int> idle;
    bool stalled = false;
    while (idle.size() < 2000 && !stalled) {
        const int fd = IdleConnection(port);
        ASSERT_GE(fd, 0);
        idle.push_back(fd);
        pollfd connected{fd, POLLOUT, 0};
        stalled = poll(&connected, 1, 2000) != 1;
    }
    EXPECT_FALSE(stalled) << "the server stopped taking connections after " << idle.size();

    // While they are open, and after they have gone.
    EXPECT_TRUE(Answered(Get(port, "/", cookie))) << "no answer while 2,000 connections are open";
    for (const int fd : idle) close(fd);
    EXPECT_TRUE(Answered(Get(port, "/", cookie))) << "no answer once they closed";
    EXPECT_TRUE(program.Running());
}

TEST(HostServerLimits, ConnectionsAreCappedAndThoseThatNeverShowTheCookieClosed) {
    test::UseLoop(nullptr);
    HostServer server(test::PostToMainContext);
    HostServer::Limits limits;
    limits.connections = 8;
    limits.perClient = 8;
    limits.unauthenticatedLifetime = std::chrono::milliseconds(300);
    server.SetLimitsForTesting(limits);
    server.SetRequestHandler([](const std::string&, const std::string&) {
        HostServer::Response response;
        response.body = "page";
        return response;
    });
    server.Start();
    const std::string url = server.OpenUrl();
    const auto opened = test::Get(server.port(), url.substr(url.find("/jv/open")));
    const std::string cookie = opened.headers.at("set-cookie").substr(0, opened.headers.at("set-cookie").find(';'));

    std::vector<int> idle;
    for (int i = 0; i < 20; ++i) idle.push_back(IdleConnection(server.port()));
    test::RunUntil([] { return false; }, 0.2);
    EXPECT_LE(server.OpenConnections(), 8u);
    // A newcomer that shows the cookie is served all the same.
    EXPECT_EQ(test::Get(server.port(), "/141", "Cookie: " + cookie + "\r\n").body, "page");

    // Connections that never showed the cookie are closed after their time.
    EXPECT_TRUE(test::RunUntil([&] { return server.OpenConnections() == 0; }, 5)) << server.OpenConnections();
    size_t closedByServer = 0;
    for (const int fd : idle) {
        char byte;
        closedByServer += recv(fd, &byte, 1, MSG_DONTWAIT) == 0 ? 1 : 0;
        close(fd);
    }
    EXPECT_EQ(closedByServer, idle.size());
}

}  // namespace
}  // namespace jv::ui::host
