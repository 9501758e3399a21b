#include "tests/mainapp/net/NetTest.h"

#include <filesystem>

#include "shared/core/ConfigApp.h"
#include "shared/core/TraceLog.h"

namespace jv::test {
namespace {

class FakeStatusDlg : public IInternetStatusDlg {
public:
    FakeStatusDlg(StatusDlgLog& log, bool createSucceeds) : log_(log), createSucceeds_(createSucceeds) {}
    void SetMessage(const std::string& text) override { log_.message = text; }
    bool Create() override {
        ++log_.created;
        return createSucceeds_;
    }
    void ShowWindow() override { ++log_.shown; }
    void DestroyWindow() override { ++log_.destroyed; }

private:
    StatusDlgLog& log_;
    bool createSucceeds_;
};

}  // namespace

net::HttpResponse QuickHttpClient::Send(const net::HttpRequest& request) {
    net::HttpRequest quick = request;
    quick.connectTimeoutMs = 2000;
    quick.totalTimeoutMs = totalTimeoutMs;
    return HttpClient::Send(quick);
}

std::unique_ptr<IInternetStatusDlg> FakeShell::NewStatusDlg() {
    dialogs.emplace_back();
    return std::make_unique<FakeStatusDlg>(dialogs.back(), createSucceeds);
}

void FakeShell::PumpMessage() {
    ++pumps;
    if (onPump) onPump();
}

CServerConnection* FakeDocument::GetConnection(const std::string& reason, bool /*allowAsk*/) {
    reasons.push_back(reason);
    if (refuse) return nullptr;
    if (connection.IsConnected()) return &connection;
    return connection.Connect() ? &connection : nullptr;
}

NetTest::NetTest() {
    std::filesystem::create_directories(TempFolder());
    OpenTraceLog(home.dir().File("JVtrace.log").c_str(), kTraceLogSizeKB);
    PointAtServer();
    IConnectionSource::Install(&document);
    ISoapShell::Install(&shell);
}

NetTest::~NetTest() {
    ISoapShell::Install(nullptr);
    IConnectionSource::Install(nullptr);
    CloseTraceLog();
}

void NetTest::WriteWebConfig(const std::string& attributes) {
    WriteFile(CConfigApp::FilePath(),
              "<?xml version=\"1.0\"?>\n<configuration>\n  <web " + attributes + "/>\n</configuration>\n");
}

std::string NetTest::Trace() const {
    return ReadFile(home.dir().File("JVtrace.log"));
}

}  // namespace jv::test
