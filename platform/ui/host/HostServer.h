#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/host/SessionGuard.h"

typedef struct _SoupServer SoupServer;
typedef struct _SoupServerMessage SoupServerMessage;
typedef struct _SoupWebsocketConnection SoupWebsocketConnection;
typedef struct _GHashTable GHashTable;

namespace jv::ui::host {

// The program's window server: HTTP on 127.0.0.1 (an ephemeral port) for documents and resources,
// and one WebSocket for the window that shows them.
//
// Runs on the thread's default GLib main context. Transport callbacks do no work of the program:
// every request that passes the session checks and every message from the window is handed to
// the UI loop through `post`, and answered from there (a request waits, paused, meanwhile).
class HostServer {
public:
    // Whether the browser may keep an answer (only a 200 one).
    enum class Caching {
        None,  // never stored: documents and everything else made for this moment
        // Kept without asking again, by this browser and only while it sends this run's
        // cookie: compiled-in files that hold nothing secret and never change during a run.
        Static,
    };
    struct Response {
        int status = 200;
        std::string contentType = "text/html; charset=utf-8";
        std::string body;
        Caching caching = Caching::None;
    };
    using Post = std::function<void(std::function<void()>)>;
    using RequestHandler = std::function<Response(const std::string& path, const std::string& query)>;
    using MessageHandler = std::function<void(const std::string& text)>;
    using Notify = std::function<void()>;

    static constexpr const char* kSocketPath = "/jv/ws";

    explicit HostServer(Post post);
    ~HostServer();
    HostServer(const HostServer&) = delete;
    HostServer& operator=(const HostServer&) = delete;

    // Handlers, all run on the UI loop.
    void SetRequestHandler(RequestHandler handler) { requestHandler_ = std::move(handler); }
    void SetMessageHandler(MessageHandler handler) { messageHandler_ = std::move(handler); }
    void SetWindowOpenedHandler(Notify handler) { windowOpened_ = std::move(handler); }
    void SetWindowClosedHandler(Notify handler) { windowClosed_ = std::move(handler); }
    void SetHandedOverHandler(Notify handler) { handedOver_ = std::move(handler); }

    // Starts listening. Throws jv::PlatformError when no port can be had.
    void Start();
    int port() const { return guard_.port(); }
    std::string Origin() const { return guard_.Origin(); }
    // The one-time address the window is opened with.
    std::string OpenUrl() const { return guard_.OpenUrl(); }

    bool WindowConnected() const { return window_ != nullptr; }
    // Sends one text message to the window. False when no window is connected.
    bool Send(const std::string& text);
    // Closes the window's WebSocket (the program is ending).
    void CloseWindow();

private:
    static void OnEarly(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self);
    static void OnRequest(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self);
    static void OnWebSocket(SoupServer*, SoupServerMessage*, const char*, SoupWebsocketConnection* connection,
                            void* self);
    void Refuse(SoupServerMessage* msg, int status);
    void HandOver(SoupServerMessage* msg);
    void AddSecurityHeaders(SoupServerMessage* msg, Caching caching = Caching::None) const;
    void DropWindow();
    // Hands work to the UI loop; it is dropped when the server is gone by then.
    void PostGuarded(std::function<void()> work);

    Post post_;
    SessionGuard guard_;
    SoupServer* server_ = nullptr;
    SoupWebsocketConnection* window_ = nullptr;
    unsigned long messageSignal_ = 0;
    unsigned long closedSignal_ = 0;
    // Watched by the work handed to the UI loop, so that none runs after the server is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    RequestHandler requestHandler_;
    MessageHandler messageHandler_;
    Notify windowOpened_;
    Notify windowClosed_;
    Notify handedOver_;
};

}  // namespace jv::ui::host
