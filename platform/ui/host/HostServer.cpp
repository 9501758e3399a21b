#include "platform/ui/host/HostServer.h"

#include <libsoup/soup.h>

#include <string_view>

#include "platform/base/BrowserVersion.h"
#include "platform/base/PlatformError.h"

namespace jv::ui::host {
namespace {

// Messages of the window may be large (the form state of a page of a thousand rows).
constexpr gint64 kMaxMessageSize = 64 * 1024 * 1024;

std::optional<std::string> Header(SoupServerMessage* msg, const char* name) {
    const char* value = soup_message_headers_get_one(soup_server_message_get_request_headers(msg), name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

bool IsWebSocketUpgrade(SoupServerMessage* msg) {
    SoupMessageHeaders* headers = soup_server_message_get_request_headers(msg);
    return soup_message_headers_header_contains(headers, "Upgrade", "websocket") != FALSE;
}

// A request that waits for the UI loop. `finished` turns true when the client went away first.
struct PendingRequest {
    SoupServerMessage* msg = nullptr;
    bool finished = false;
};

}  // namespace

HostServer::HostServer(Post post) : post_(std::move(post)) {}

HostServer::~HostServer() {
    DropWindow();
    if (server_ != nullptr) {
        soup_server_disconnect(server_);
        g_object_unref(server_);
    }
}

void HostServer::Start() {
    server_ = soup_server_new("server-header", "Jorvane", nullptr);
    soup_server_add_early_handler(server_, nullptr, &HostServer::OnEarly, this, nullptr);
    soup_server_add_early_handler(server_, kSocketPath, &HostServer::OnEarly, this, nullptr);
    soup_server_add_handler(server_, nullptr, &HostServer::OnRequest, this, nullptr);
    soup_server_add_websocket_handler(server_, kSocketPath, nullptr, nullptr, &HostServer::OnWebSocket, this, nullptr);

    GError* error = nullptr;
    if (!soup_server_listen_local(server_, 0, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
        std::string description = error ? error->message : "cannot listen";
        if (error) g_error_free(error);
        throw PlatformError("HostServer::Start", description);
    }
    GSList* uris = soup_server_get_uris(server_);
    int port = 0;
    for (GSList* item = uris; item != nullptr; item = item->next) {
        auto* uri = static_cast<GUri*>(item->data);
        if (std::string_view(g_uri_get_host(uri)) == "127.0.0.1") port = g_uri_get_port(uri);
    }
    g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    if (port <= 0) throw PlatformError("HostServer::Start", "not listening on 127.0.0.1");
    guard_.SetPort(port);
}

void HostServer::AddSecurityHeaders(SoupServerMessage* msg, Caching caching) const {
    SoupMessageHeaders* headers = soup_server_message_get_response_headers(msg);
    const std::string csp =
        "default-src 'self'; script-src 'self' 'unsafe-inline'; style-src 'self' 'unsafe-inline'; "
        "img-src 'self' data:; connect-src 'self' ws://127.0.0.1:" +
        std::to_string(guard_.port()) +
        "; frame-src 'self'; frame-ancestors 'self'; form-action 'self'; base-uri 'self'; object-src 'none'";
    soup_message_headers_replace(headers, "Content-Security-Policy", csp.c_str());
    soup_message_headers_replace(headers, "X-Content-Type-Options", "nosniff");
    soup_message_headers_replace(headers, "X-Frame-Options", "SAMEORIGIN");
    soup_message_headers_replace(headers, "Referrer-Policy", "no-referrer");
    if (caching == Caching::Static) {
        // Only this browser keeps it, and only while it sends this run's cookie: a later run on
        // the same port (the default browser keeps its cache) never gets a file of this one.
        soup_message_headers_replace(headers, "Cache-Control", "private, max-age=86400, immutable");
        soup_message_headers_replace(headers, "Vary", "Cookie");
    } else {
        soup_message_headers_replace(headers, "Cache-Control", "no-store");
    }
}

void HostServer::Refuse(SoupServerMessage* msg, int status) {
    AddSecurityHeaders(msg);
    soup_server_message_set_status(msg, static_cast<guint>(status), nullptr);
    const std::string body = status == 405 ? "Not allowed" : "Forbidden";
    soup_server_message_set_response(msg, "text/plain; charset=utf-8", SOUP_MEMORY_COPY, body.data(), body.size());
}

void HostServer::HandOver(SoupServerMessage* msg) {
    AddSecurityHeaders(msg);
    soup_message_headers_append(soup_server_message_get_response_headers(msg), "Set-Cookie",
                                guard_.SetCookieHeader().c_str());
    // The shell is opened by the page itself, so that the browser sends the strict cookie with it.
    static constexpr std::string_view kBody =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Jorvane</title>"
        "<meta http-equiv=\"refresh\" content=\"0;url=/\"></head>"
        "<body><script>location.replace(\"/\");</script></body></html>";
    soup_server_message_set_status(msg, 200, nullptr);
    soup_server_message_set_response(msg, "text/html; charset=utf-8", SOUP_MEMORY_STATIC, kBody.data(), kBody.size());
    PostGuarded([this] {
        if (handedOver_) handedOver_();
    });
}

void HostServer::OnEarly(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self) {
    auto* server = static_cast<HostServer*>(self);
    GUri* uri = soup_server_message_get_uri(msg);
    SessionGuard::Request request;
    request.method = soup_server_message_get_method(msg);
    request.path = path ? path : "/";
    request.query = g_uri_get_query(uri) ? g_uri_get_query(uri) : "";
    request.host = Header(msg, "Host");
    request.origin = Header(msg, "Origin");
    request.cookie = Header(msg, "Cookie");
    request.websocket = IsWebSocketUpgrade(msg);

    switch (server->guard_.Judge(request)) {
        case SessionGuard::Verdict::Allow:
            // The program's own browser says which it is with every request.
            if (const auto agent = Header(msg, "User-Agent")) BrowserVersion::Learn(*agent);
            // One window per session: a second one cannot take the first one's place.
            if (request.websocket && server->window_ != nullptr) server->Refuse(msg, 403);
            return;
        case SessionGuard::Verdict::HandOver:
            server->HandOver(msg);
            return;
        case SessionGuard::Verdict::Forbidden:
            server->Refuse(msg, 403);
            return;
        case SessionGuard::Verdict::NotAllowed:
            server->Refuse(msg, 405);
            return;
    }
}

void HostServer::OnRequest(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self) {
    auto* server = static_cast<HostServer*>(self);
    GUri* uri = soup_server_message_get_uri(msg);
    std::string requestPath = path ? path : "/";
    std::string query = g_uri_get_query(uri) ? g_uri_get_query(uri) : "";

    auto pending = std::make_shared<PendingRequest>();
    pending->msg = msg;
    g_object_ref(msg);
    g_signal_connect_data(
        msg, "finished", G_CALLBACK(+[](SoupServerMessage*, gpointer data) {
            (*static_cast<std::shared_ptr<PendingRequest>*>(data))->finished = true;
        }),
        new std::shared_ptr<PendingRequest>(pending),
        [](gpointer data, GClosure*) { delete static_cast<std::shared_ptr<PendingRequest>*>(data); },
        static_cast<GConnectFlags>(0));
    soup_server_message_pause(msg);

    std::weak_ptr<bool> alive = server->alive_;
    server->post_([server, alive, pending, requestPath, query] {
        SoupServerMessage* message = pending->msg;
        if (alive.lock() && !pending->finished) {
            Response response;
            if (server->requestHandler_) {
                response = server->requestHandler_(requestPath, query);
            } else {
                response.status = 404;
            }
            server->AddSecurityHeaders(message, response.status == 200 ? response.caching : Caching::None);
            soup_server_message_set_status(message, static_cast<guint>(response.status), nullptr);
            soup_server_message_set_response(message, response.contentType.c_str(), SOUP_MEMORY_COPY,
                                             response.body.data(), response.body.size());
            soup_server_message_unpause(message);
        }
        g_object_unref(message);
    });
}

void HostServer::OnWebSocket(SoupServer*, SoupServerMessage*, const char*, SoupWebsocketConnection* connection,
                             void* self) {
    auto* server = static_cast<HostServer*>(self);
    if (server->window_ != nullptr) {
        soup_websocket_connection_close(connection, SOUP_WEBSOCKET_CLOSE_POLICY_VIOLATION, "window already open");
        return;
    }
    server->window_ = SOUP_WEBSOCKET_CONNECTION(g_object_ref(connection));
    soup_websocket_connection_set_max_incoming_payload_size(connection, kMaxMessageSize);
    server->messageSignal_ = g_signal_connect(
        connection, "message", G_CALLBACK(+[](SoupWebsocketConnection*, gint type, GBytes* message, gpointer data) {
            auto* owner = static_cast<HostServer*>(data);
            if (type != SOUP_WEBSOCKET_DATA_TEXT) return;
            gsize size = 0;
            const auto* bytes = static_cast<const char*>(g_bytes_get_data(message, &size));
            std::string text(bytes ? bytes : "", size);
            owner->PostGuarded([owner, text = std::move(text)] {
                if (owner->messageHandler_) owner->messageHandler_(text);
            });
        }),
        server);
    server->closedSignal_ =
        g_signal_connect(connection, "closed", G_CALLBACK(+[](SoupWebsocketConnection*, gpointer data) {
                             auto* owner = static_cast<HostServer*>(data);
                             owner->DropWindow();
                             owner->PostGuarded([owner] {
                                 if (owner->windowClosed_) owner->windowClosed_();
                             });
                         }),
                         server);
    server->PostGuarded([server] {
        if (server->windowOpened_) server->windowOpened_();
    });
}

void HostServer::PostGuarded(std::function<void()> work) {
    std::weak_ptr<bool> alive = alive_;
    post_([alive, work = std::move(work)] {
        if (alive.lock()) work();
    });
}

bool HostServer::Send(const std::string& text) {
    if (window_ == nullptr || soup_websocket_connection_get_state(window_) != SOUP_WEBSOCKET_STATE_OPEN) return false;
    soup_websocket_connection_send_text(window_, text.c_str());
    return true;
}

void HostServer::CloseWindow() {
    if (window_ != nullptr && soup_websocket_connection_get_state(window_) == SOUP_WEBSOCKET_STATE_OPEN)
        soup_websocket_connection_close(window_, SOUP_WEBSOCKET_CLOSE_GOING_AWAY, nullptr);
}

void HostServer::DropWindow() {
    if (window_ == nullptr) return;
    g_signal_handler_disconnect(window_, messageSignal_);
    g_signal_handler_disconnect(window_, closedSignal_);
    if (soup_websocket_connection_get_state(window_) == SOUP_WEBSOCKET_STATE_OPEN)
        soup_websocket_connection_close(window_, SOUP_WEBSOCKET_CLOSE_GOING_AWAY, nullptr);
    g_object_unref(window_);
    window_ = nullptr;
}

}  // namespace jv::ui::host
