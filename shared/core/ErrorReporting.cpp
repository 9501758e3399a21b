#include "shared/core/ErrorReporting.h"

#include <sqlite3.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

#include "platform/base/BrowserVersion.h"
#include "platform/base/Spawn.h"
#include "platform/base/StopSignals.h"
#include "platform/net/HttpClient.h"
#include "shared/core/ConfigApp.h"
#include "shared/core/FileVersion.h"
#include "shared/core/TraceLog.h"

namespace {

constexpr const char* kMethod = "CErrorReporting::Report";
// The report server files every report under this user.
constexpr const char* kScoutUserName = "Jorvane+Field+Reports";
constexpr const char* kThankYou =
    "Thank you for submitting your problem report.  Your information will help us make Jorvane a better product.";
constexpr const char* kSubmitPage = "fogbugz/scoutsubmit.asp";

IErrorReportDialog* g_dialog = nullptr;
// True while a report's dialog is shown. Its dialog runs the program's loop, where more problems
// can come (a page script that fails every moment): those are kept in the log rather than shown
// over it, so that reports never stack.
bool g_showing = false;
// When the last reports shown were closed. A problem that comes again and again, a different one
// each time (a page script failing every moment), would bring report after report, each closed
// bringing the next: past a few within a while, problems are kept in the log only.
constexpr size_t kReportsInAWhile = 5;
constexpr std::chrono::seconds kAWhile{60};
std::deque<std::chrono::steady_clock::time_point> g_closed;

bool ManyReportsLately() {
    const auto now = std::chrono::steady_clock::now();
    while (!g_closed.empty() && now - g_closed.front() > kAWhile) g_closed.pop_front();
    return g_closed.size() >= kReportsInAWhile;
}

// The running program's file name without its folder.
std::string ProgramFileName() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    const std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Encoded(const std::string& text) {
    std::string out;
    return UrlEncode(out, text);
}

// The address of the submit page on the configured server ("host" or "host:port").
std::string SubmitUrl(std::string server) {
    while (!server.empty() && server.back() == '/') server.pop_back();
    if (server.find("://") == std::string::npos) server = "http://" + server;
    return server + "/" + kSubmitPage;
}

// A pressed "ButtonSend" (or Enter) and the Escape key or the close box send; "ButtonDontSend"
// does not, and neither does a dialog that could not be shown.
bool UserLetsItGo(int result) {
    return result == 1 || result == 2;
}

// The browser's name and version from its "--version" answer ("Chromium 156.0.8078.129 built on
// ..."), or empty.
std::string AskBrowserVersion(const std::string& program) {
    std::string output;
    // A browser wrapper that hangs must not hang the problem report: give it a few seconds.
    const std::string timeout = jv::process::FindProgram("timeout");
    const std::vector<std::string> argv = timeout.empty()
                                              ? std::vector<std::string>{program, "--version"}
                                              : std::vector<std::string>{timeout, "5", program, "--version"};
    if (jv::process::Run(argv, &output) != 0) return {};
    const std::string firstLine = output.substr(0, output.find('\n'));
    size_t start = 0;
    while ((start = firstLine.find_first_not_of(' ', start)) != std::string::npos) {
        size_t end = firstLine.find(' ', start);
        if (end == std::string::npos) end = firstLine.size();
        if (std::isdigit(static_cast<unsigned char>(firstLine[start])) && firstLine.find('.', start) < end) {
            return firstLine.substr(0, end);
        }
        start = end;
    }
    return {};
}

void Post(const std::string& form) {
    CConfigApp configApp;
    std::string server;
    if (!configApp.GetErrorsURL(server)) {
        TraceLog(kMethod, TRACE_ERROR, "Couldn't find domain in configApp.xml file.");
        return;
    }
    jv::net::HttpRequest request;
    request.method = "POST";
    request.url = SubmitUrl(server);
    request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
    request.body = form;
    request.connectTimeoutMs = 15000;
    request.totalTimeoutMs = 30000;
    request.maxResponseBytes = 1024 * 1024;
    try {
        jv::net::HttpClient client;
        const jv::net::HttpResponse response = client.Send(request);
        if (response.status < 200 || response.status > 299) {
            TraceLog(
                kMethod, TRACE_ERROR,
                "ScoutSubmit.asp answered the error report with HTTP status " + std::to_string(response.status) + ".");
        }
    } catch (const jv::PlatformError& error) {
        if (jv::net::IsRequestNotMade(error)) {
            TraceLog(kMethod, TRACE_ERROR, "Couldn't make connection to ScoutSubmit.asp for error report.");
        } else {
            TraceLog(kMethod, TRACE_ERROR,
                     "Caught exception talking to ScoutSubmit.asp for error report.  Message is " +
                         error.description().substr(0, 1024));
        }
    }
}

}  // namespace

void CErrorReporting::InstallDialog(IErrorReportDialog* dialog) {
    g_dialog = dialog;
    g_closed.clear();
}

void CErrorReporting::Report(const std::string& method, int line, const std::string& message) {
    try {
        const std::string fileName = ProgramFileName();
        std::string version;
        GetJVShortVersion(version);
        const std::string description =
            "Error in " + fileName + " (" + method + ":" + std::to_string(line) + ") V" + version;

        // A program asked to stop asks the user nothing more (its waits for the other program
        // end in failures on the way out): the report stays in the log.
        IErrorReportDialog* dialog = jv::stop::Requested() ? nullptr : g_dialog;
        if (dialog == nullptr || g_showing || ManyReportsLately()) {
            TraceLog(kMethod, TRACE_ERROR, description + ": " + message);
            return;
        }

        std::string text;
        std::string details = fileName + " version: " + version;
        details += "\r\nWindows version: " + GetWindowsVersionText(text);
        details += "\r\nIE version: " + GetIEVersion(text);
        details += "\r\nMDAC version: " + GetMDACVersion(text);
        details += "\r\nMethod: " + method;
        details += "\r\nLine number: " + std::to_string(line);
        details += "\r\nMessage: " + message;

        ErrorReportDialogResult answer;
        g_showing = true;
        try {
            answer = dialog->Show(details);
        } catch (const std::exception& error) {
            TraceLog(kMethod, TRACE_ERROR, std::string("The problem-report dialog failed: ") + error.what());
            answer.result = -1;
        }
        g_showing = false;
        if (answer.result != -1) g_closed.push_back(std::chrono::steady_clock::now());
        if (!UserLetsItGo(answer.result)) {
            if (answer.result != 0) {
                // Not shown: the report is not sent, so keep it in the log.
                TraceLog(kMethod, TRACE_ERROR, description + ": " + message);
            }
            return;
        }

        details += "\r\nUser message: " + answer.userNotes;
        std::string form = "ScoutUserName=";
        form += kScoutUserName;
        form += "&ScoutProject=Jorvane";
        form += "&ScoutArea=Error+in+Field";
        form += "&Description=" + Encoded(description);
        form += "&Extra=" + Encoded(details);
        form += "&Email=" + Encoded(answer.emailAddress);
        form += "&ForceNewBug=0";
        form += "&ScoutDefaultMessage=" + Encoded(kThankYou);
        form += "&FriendlyResponse=1";
        Post(form);
    } catch (const std::exception& error) {
        // Reporting a failure must never become one for the caller.
        TraceLog(kMethod, TRACE_ERROR, std::string("Error report failed: ") + error.what());
    }
}

std::string& UrlEncode(std::string& out, const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // Plain ASCII letters and digits only, whatever the locale says about other bytes.
        if (byte < 0x80 && std::isalnum(byte)) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    out = std::move(encoded);
    return out;
}

std::string& GetIEVersion(std::string& out) {
    // The version the program's browser gave with its requests; only a report made before it
    // made any asks an installed browser.
    if (const char* known = jv::BrowserVersion::Known()) {
        out = known;
        return out;
    }
    // Asking a browser takes a moment; each installed browser is asked once per run.
    // Never destroyed: the crash handler fills this from a thread of its own that may still be
    // asking when the program exits.
    static std::mutex& mutex = *new std::mutex;
    static auto& versions = *new std::map<std::string, std::string>;  // by the browser's path, empty: no version
    for (const char* name : {"chromium", "chromium-browser", "google-chrome", "google-chrome-stable"}) {
        const std::string program = jv::process::FindProgram(name);
        if (program.empty()) continue;
        std::lock_guard<std::mutex> lock(mutex);
        auto known = versions.find(program);
        if (known == versions.end()) known = versions.emplace(program, AskBrowserVersion(program)).first;
        if (!known->second.empty()) {
            out = known->second;
            return out;
        }
    }
    out = "Could not determine IE version";
    return out;
}

std::string& GetMDACVersion(std::string& out) {
    const char* version = sqlite3_libversion();
    out =
        version != nullptr && *version != '\0' ? std::string("SQLite ") + version : "Could not determine MDAC version";
    return out;
}

std::string& GetWindowsVersionText(std::string& out) {
    utsname name{};
    if (uname(&name) != 0) {
        out = "Could not determine OS version";
        return out;
    }
    out = std::string(name.sysname) + " " + name.release + " " + name.machine;
    return out;
}
