#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "platform/ui/host/HostLog.h"
#include "platform/ui/host/SessionGuard.h"

typedef struct _GObject GObject;
typedef struct _GSocket GSocket;
typedef struct _GSocketConnection GSocketConnection;
typedef struct _GSource GSource;
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
//
// The server accepts connections itself and hands them to libsoup, so that running out of file
// descriptors never stops it for good: it frees a descriptor, waits a moment and accepts again.
// Any local process can connect, so connections are capped per client and in all; a connection
// that has not shown this session's cookie (or ticket) is the first to make room for a new one,
// and is closed after a while in any case.
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

    struct Limits {
        // Open connections in all, and from one client address; 0: a share of the process's
        // descriptor limit.
        size_t connections = 0;
        size_t perClient = 0;
        // How long a connection that has not shown the session's cookie or ticket may stay open
        // without a request.
        std::chrono::milliseconds unauthenticatedLifetime{10000};
    };

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
    // Where the server writes what goes wrong with its connections.
    void SetLog(LogSink log) { log_ = std::move(log); }
    // Set before Start.
    void SetLimitsForTesting(const Limits& limits) { limits_ = limits; }
    // Connections open now (each the server has accepted and not yet seen closed).
    size_t OpenConnections() const { return connections_.size(); }

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
    static void ConnectionGone(void* self, GObject* gone);

    struct Connection {
        GSocketConnection* stream = nullptr;                // libsoup's: watched, not held
        std::string client;                                 // the peer's address
        int port = 0;                                       // the peer's port
        std::chrono::steady_clock::time_point lastRequest;  // or when it was accepted
        bool authenticated = false;                         // a request on it showed the cookie or the ticket
        bool closing = false;                               // shut down to make room; gone once libsoup lets go of it
    };

    void KeepConnectionsAlive();
    void Listen();
    void AcceptPending();
    void Admit(GSocket* socket);
    void PauseAccepting();
    // Shuts the oldest connection down that has not authenticated (of `client` only, unless "");
    // false when there is none.
    bool MakeRoom(const std::string& client);
    void CloseIdle();
    // Notes a request on the message's connection, and whether it showed the cookie or ticket.
    void NoteRequest(SoupServerMessage* msg, bool authenticated);
    size_t Counted(const std::string& client) const;
    void Warn(const std::string& message) const;
    static void OnEarly(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self);
    static void OnRequest(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self);
    static void OnSocketRequest(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self);
    static void OnWebSocket(SoupWebsocketConnection* connection, void* self);
    void Refuse(SoupServerMessage* msg, int status);
    void HandOver(SoupServerMessage* msg);
    void AddSecurityHeaders(SoupServerMessage* msg, Caching caching = Caching::None) const;
    void DropWindow();
    // Hands work to the UI loop; it is dropped when the server is gone by then.
    void PostGuarded(std::function<void()> work);

    Post post_;
    SessionGuard guard_;
    SoupServer* server_ = nullptr;
    GSocket* listener_ = nullptr;
    GSource* listenSource_ = nullptr;
    int silentEnd_ = -1;  // see KeepConnectionsAlive
    unsigned retryTimer_ = 0;
    unsigned idleTimer_ = 0;
    bool exhausted_ = false;  // accepting failed; logged once until it succeeds again
    Limits limits_;
    std::list<Connection> connections_;  // oldest first
    LogSink log_;
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
