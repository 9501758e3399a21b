// A small program for the end-to-end tests: the browser host serving test pages from a folder,
// with a few script methods. It prints the address that opens its window on a line
// "JV-OPEN <url>" and runs until the window has gone.
#include <glib-unix.h>
#include <glib.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "platform/ui/host/HostResources.h"
#include "platform/ui/host/HostServer.h"
#include "platform/ui/host/ScriptBridge.h"

using jv::ui::host::HostServer;
using jv::ui::host::ScriptBridge;
using nlohmann::json;

namespace {

GMainLoop* g_loop = nullptr;

void Post(std::function<void()> work) {
    g_idle_add_full(
        G_PRIORITY_DEFAULT,
        [](gpointer data) {
            (*static_cast<std::function<void()>*>(data))();
            return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(work)),
        [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

struct App {
    std::string pages;
    HostServer server{Post};
    ScriptBridge bridge{[](const std::string& source, int level, const std::string& message) {
        std::cerr << "LOG " << level << " " << source << ": " << message << std::endl;
    }};
    int nextDoc = 1;
    int callDoc = 0;
    json ops = json::array();

    HostServer::Response Serve(const std::string& path, const std::string&) {
        HostServer::Response response;
        if (auto file = jv::ui::host::FindHostFile(path)) {
            response.contentType = std::string(file->contentType);
            response.body = std::string(file->body);
            return response;
        }
        if (path == "/jv/external.js") {
            response.contentType = "text/javascript; charset=utf-8";
            response.body = bridge.GenerateScript();
            return response;
        }
        const std::string name = path.substr(1);
        if (name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789-") == std::string::npos && !name.empty()) {
            std::ifstream in(pages + "/" + name + ".html");
            if (in) {
                std::stringstream text;
                text << in.rdbuf();
                std::string html = text.str();
                const auto head = html.find("<head>");
                const std::string inject =
                    "<script src=\"/jv/external.js\"></script><script src=\"/jv/shim.js\" data-doc=\"" +
                    std::to_string(nextDoc++) + "\"></script>";
                if (head != std::string::npos) html.insert(head + 6, inject);
                response.body = html;
                return response;
            }
        }
        response.status = 404;
        response.contentType = "text/plain";
        response.body = "Not found";
        return response;
    }

    void OnMessage(const std::string& text) {
        const json message = json::parse(text, nullptr, false);
        if (message.is_discarded()) return;
        const std::string type = message.value("t", "");
        if (type == "call") {
            callDoc = message.value("doc", 0);
            ops = json::array();
            bridge.Call(message.value("m", ""), message.value("a", json::array()));
            if (!ops.empty()) server.Send(json{{"t", "patch"}, {"doc", callDoc}, {"ops", ops}}.dump());
            server.Send(json{{"t", "reply"}, {"id", message.value("id", 0)}}.dump());
        } else if (type == "navigate") {
            server.Send(
                json{{"t", "load"}, {"frame", message.value("frame", "")}, {"url", message.value("url", "")}}.dump());
        } else if (type == "error") {
            std::cerr << "SCRIPT-ERROR " << message.value("message", "") << std::endl;
        }
    }

    void Setup() {
        bridge.Add(
            "Echo", std::function<void(const std::string&, int32_t)>([this](const std::string& text, int32_t number) {
                ops.push_back({{"o", "children"}, {"k", "1"}, {"h", Escape(text + "|" + std::to_string(number + 1))}});
            }));
        server.SetRequestHandler(
            [this](const std::string& path, const std::string& query) { return Serve(path, query); });
        server.SetMessageHandler([this](const std::string& text) { OnMessage(text); });
        server.SetWindowOpenedHandler([this] {
            server.Send(json{{"t", "load"}, {"frame", ""}, {"url", "/echo"}}.dump());
        });
    }
};

}  // namespace

int main(int argc, char** argv) {
    App app;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--pages") app.pages = argv[i + 1];
    app.Setup();
    app.server.Start();
    g_loop = g_main_loop_new(nullptr, FALSE);
    g_unix_signal_add(
        SIGTERM,
        [](gpointer) {
            g_main_loop_quit(g_loop);
            return G_SOURCE_REMOVE;
        },
        nullptr);
    std::cout << "JV-OPEN " << app.server.OpenUrl() << std::endl;
    g_main_loop_run(g_loop);
    g_main_loop_unref(g_loop);
    return 0;
}
