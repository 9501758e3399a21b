#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mainapp/net/IConnectionSource.h"
#include "mainapp/net/ISoapShell.h"
#include "mainapp/net/ServerConnection.h"
#include "platform/net/HttpClient.h"
#include "tests/mainapp/net/SoapTestServer.h"
#include "tests/support/TestSupport.h"

namespace jv::test {

// The real HTTP client with shorter waits, so that a stalled or slow server ends a test soon.
class QuickHttpClient : public net::HttpClient {
public:
    long totalTimeoutMs = 5000;
    net::HttpResponse Send(const net::HttpRequest& request) override;
};

// What one status window went through.
struct StatusDlgLog {
    std::string message;
    int created = 0;
    int shown = 0;
    int destroyed = 0;
};

// The shell as the SOAP helper sees it: counts the message-loop steps and records the status
// windows. `onPump` runs at every step.
class FakeShell : public ISoapShell {
public:
    int pumps = 0;
    bool createSucceeds = true;
    std::deque<StatusDlgLog> dialogs;
    std::function<void()> onPump;

    std::unique_ptr<IInternetStatusDlg> NewStatusDlg() override;
    void PumpMessage() override;
};

// The document: one connection, connected on first use unless the user refuses.
class FakeDocument : public IConnectionSource {
public:
    explicit FakeDocument(std::shared_ptr<net::HttpClient> http) : connection(std::move(http)) {}

    CServerConnection connection;
    bool refuse = false;
    std::vector<std::string> reasons;

    CServerConnection* GetConnection(const std::string& reason, bool allowAsk) override;
};

// Every web-service test: folders in a temporary home, the configuration pointing at a SOAP
// test server, the trace log open, a document and a shell installed, proxies bypassed.
class NetTest : public ::testing::Test {
protected:
    NetTest();
    ~NetTest() override;

    // Writes configApp.xml with the given attributes of its web element.
    void WriteWebConfig(const std::string& attributes);
    void PointAtServer() { WriteWebConfig("url=\"" + server.Host() + "\" protocol=\"http\""); }
    std::string Trace() const;
    std::string TempFolder() const { return home.dir().File("tmp"); }

    IsolatedHome home;
    ScopedEnv noProxy{"no_proxy", "127.0.0.1,localhost"};
    ScopedEnv noProxyUpper{"NO_PROXY", "127.0.0.1,localhost"};
    ScopedEnv tmpDir{"TMPDIR", home.dir().File("tmp")};
    SoapTestServer server;
    std::shared_ptr<QuickHttpClient> http = std::make_shared<QuickHttpClient>();
    FakeDocument document{http};
    FakeShell shell;
};

}  // namespace jv::test
