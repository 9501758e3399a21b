#include "platform/ui/host/HostServer.h"

#include <gio/gnetworking.h>
#include <libsoup/soup.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

// Connections allowed in all when no limit is set: a quarter of the descriptors the process may
// open, so that the program's files, the database and the browser's pipes keep theirs.
size_t DefaultConnectionLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 512;
    return std::clamp<size_t>(static_cast<size_t>(limit.rlim_cur) / 4, 16, 512);
}

// How long accepting pauses after it failed (no descriptor was free).
constexpr guint kAcceptRetryMs = 100;
// Connections accepted at most at one wake-up, so that a flood cannot keep the loop here.
constexpr int kAcceptBurst = 64;
// The backlog of connections the system keeps for the server until it accepts them.
constexpr int kListenBacklog = 256;

std::string AddressText(GSocketAddress* address, int* port) {
    if (address == nullptr || !G_IS_INET_SOCKET_ADDRESS(address)) return {};
    auto* inet = G_INET_SOCKET_ADDRESS(address);
    if (port != nullptr) *port = g_inet_socket_address_get_port(inet);
    gchar* text = g_inet_address_to_string(g_inet_socket_address_get_address(inet));
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

// Follows the frames a window sends and counts the size of each message over all its fragments.
// libsoup caps each frame and would otherwise put any number of fragments together.
class MessageSizeCount {
public:
    explicit MessageSizeCount(uint64_t cap) : cap_(cap) {}

    // Takes the next bytes from the window; false once a message has grown past the cap.
    bool Take(const uint8_t* data, size_t size) {
        while (size > 0 && !over_) {
            if (payloadLeft_ > 0) {
                const size_t skipped = static_cast<size_t>(std::min<uint64_t>(payloadLeft_, size));
                payloadLeft_ -= skipped;
                data += skipped;
                size -= skipped;
                continue;
            }
            head_[headSize_++] = *data++;
            --size;
            if (headSize_ < 2 || headSize_ < HeadLength()) continue;
            const uint64_t length = PayloadLength();
            const int opcode = head_[0] & 0x0f;
            // Control frames (8 and up) may come between the fragments; they count for nothing.
            if (opcode < 8) {
                const uint64_t before = opcode == 0 ? message_ : 0;
                if (length > cap_ || before > cap_ - length) over_ = true;
                message_ = before + length;
            }
            payloadLeft_ = length;
            headSize_ = 0;
        }
        return !over_;
    }

private:
    size_t HeadLength() const {
        const int length = head_[1] & 0x7f;
        return 2 + (length == 126 ? 2 : length == 127 ? 8 : 0) + ((head_[1] & 0x80) ? 4 : 0);
    }
    uint64_t PayloadLength() const {
        const int length = head_[1] & 0x7f;
        if (length < 126) return static_cast<uint64_t>(length);
        uint64_t value = 0;
        for (size_t i = 0; i < (length == 126 ? 2u : 8u); ++i) value = (value << 8) | head_[2 + i];
        return value;
    }

    uint64_t cap_;
    uint8_t head_[14] = {};
    size_t headSize_ = 0;
    uint64_t payloadLeft_ = 0;
    uint64_t message_ = 0;
    bool over_ = false;
};

}  // namespace
}  // namespace jv::ui::host

// The count as a stream converter that passes every byte on unchanged, so that it sits between the
// socket and libsoup's reading of it, and fails the reading once a message is too large.
struct JvMessageCap {
    GObject parent;
    jv::ui::host::MessageSizeCount* count;
};
struct JvMessageCapClass {
    GObjectClass parent;
};

static void jv_message_cap_converter_init(GConverterIface* iface);
G_DEFINE_TYPE_WITH_CODE(JvMessageCap, jv_message_cap, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(G_TYPE_CONVERTER, jv_message_cap_converter_init))

static void jv_message_cap_finalize(GObject* object) {
    delete reinterpret_cast<JvMessageCap*>(object)->count;
    G_OBJECT_CLASS(jv_message_cap_parent_class)->finalize(object);
}

static void jv_message_cap_class_init(JvMessageCapClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = jv_message_cap_finalize;
}

static void jv_message_cap_init(JvMessageCap* self) {
    self->count = nullptr;
}

static GConverterResult jv_message_cap_convert(GConverter* converter, const void* in, gsize inSize, void* out,
                                               gsize outSize, GConverterFlags flags, gsize* read, gsize* written,
                                               GError** error) {
    auto* self = reinterpret_cast<JvMessageCap*>(converter);
    const gsize size = std::min(inSize, outSize);
    if (size == 0 && inSize > 0) {
        g_set_error_literal(error, G_IO_ERROR, G_IO_ERROR_NO_SPACE, "no room");
        return G_CONVERTER_ERROR;
    }
    if (!self->count->Take(static_cast<const uint8_t*>(in), size)) {
        g_set_error(error, G_IO_ERROR, G_IO_ERROR_MESSAGE_TOO_LARGE, "a message of the window is larger than %d MiB",
                    static_cast<int>(jv::ui::host::kMaxMessageSize >> 20));
        return G_CONVERTER_ERROR;
    }
    if (size > 0) std::memcpy(out, in, size);
    *read = size;
    *written = size;
    if (size == inSize && (flags & G_CONVERTER_INPUT_AT_END)) return G_CONVERTER_FINISHED;
    if (size == inSize && (flags & G_CONVERTER_FLUSH)) return G_CONVERTER_FLUSHED;
    return G_CONVERTER_CONVERTED;
}

static void jv_message_cap_reset(GConverter*) {}

static void jv_message_cap_converter_init(GConverterIface* iface) {
    iface->convert = jv_message_cap_convert;
    iface->reset = jv_message_cap_reset;
}

namespace jv::ui::host {
namespace {

// The window's side of the connection with the cap applied to what it reads. The socket's own
// stream is closed when libsoup closes this one.
GIOStream* CappedStream(GIOStream* base) {
    auto* cap = static_cast<JvMessageCap*>(g_object_new(jv_message_cap_get_type(), nullptr));
    cap->count = new MessageSizeCount(static_cast<uint64_t>(kMaxMessageSize));
    GInputStream* input = g_converter_input_stream_new(g_io_stream_get_input_stream(base), G_CONVERTER(cap));
    GIOStream* capped = g_simple_io_stream_new(input, g_io_stream_get_output_stream(base));
    g_object_unref(input);
    g_object_unref(cap);
    g_object_set_data_full(G_OBJECT(capped), "jv-socket", g_object_ref(base), g_object_unref);
    return capped;
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
    if (listenSource_ != nullptr) {
        g_source_destroy(listenSource_);
        g_source_unref(listenSource_);
    }
    if (retryTimer_ != 0) g_source_remove(retryTimer_);
    if (idleTimer_ != 0) g_source_remove(idleTimer_);
    // The streams may outlive the server (libsoup lets go of them later): they must not call back.
    for (Connection& connection : connections_)
        g_object_weak_unref(G_OBJECT(connection.stream), &HostServer::ConnectionGone, this);
    connections_.clear();
    if (server_ != nullptr) {
        soup_server_disconnect(server_);
        g_object_unref(server_);
    }
    if (listener_ != nullptr) {
        g_socket_close(listener_, nullptr);
        g_object_unref(listener_);
    }
    if (silentEnd_ >= 0) close(silentEnd_);
}

void HostServer::Start() {
    server_ = soup_server_new("server-header", "Jorvane", nullptr);
    soup_server_add_early_handler(server_, nullptr, &HostServer::OnEarly, this, nullptr);
    soup_server_add_early_handler(server_, kSocketPath, &HostServer::OnEarly, this, nullptr);
    soup_server_add_handler(server_, nullptr, &HostServer::OnRequest, this, nullptr);
    soup_server_add_handler(server_, kSocketPath, &HostServer::OnSocketRequest, this, nullptr);
    if (limits_.connections == 0) limits_.connections = DefaultConnectionLimit();
    if (limits_.perClient == 0) limits_.perClient = std::max<size_t>(limits_.connections / 2, 1);

    GError* error = nullptr;
    listener_ = g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, &error);
    bool listening = listener_ != nullptr;
    if (listening) {
        GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
        GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
        g_socket_set_blocking(listener_, FALSE);
        g_socket_set_listen_backlog(listener_, kListenBacklog);
        listening = g_socket_bind(listener_, address, TRUE, &error) && g_socket_listen(listener_, &error);
        g_object_unref(address);
        g_object_unref(loopback);
    }
    int port = 0;
    if (listening) {
        GSocketAddress* local = g_socket_get_local_address(listener_, &error);
        AddressText(local, &port);
        if (local) g_object_unref(local);
    }
    if (!listening || port <= 0) {
        std::string description = error ? error->message : "not listening on 127.0.0.1";
        if (error) g_error_free(error);
        throw PlatformError("HostServer::Start", description);
    }
    guard_.SetPort(port);
    KeepConnectionsAlive();
    Listen();
    const auto check =
        std::max<std::chrono::milliseconds>(limits_.unauthenticatedLifetime / 4, std::chrono::milliseconds(50));
    idleTimer_ = g_timeout_add(
        static_cast<guint>(check.count()),
        [](gpointer self) -> gboolean {
            static_cast<HostServer*>(self)->CloseIdle();
            return G_SOURCE_CONTINUE;
        },
        this);
}

void HostServer::KeepConnectionsAlive() {
    // libsoup keeps a connection open for the next request only while the server has a listener of
    // its own. The connections are accepted here, so it is given one that never hears of any: one
    // end of a socket pair whose other end stays silent.
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) {
        Warn("No connection is kept open between requests: no socket pair");
        return;
    }
    GError* error = nullptr;
    GSocket* quiet = g_socket_new_from_fd(pair[0], &error);
    if (quiet == nullptr ||
        !soup_server_listen_socket(server_, quiet, static_cast<SoupServerListenOptions>(0), &error)) {
        Warn(std::string("No connection is kept open between requests: ") + (error ? error->message : "no socket"));
        if (error) g_error_free(error);
        if (quiet == nullptr) close(pair[0]);
        close(pair[1]);
    } else {
        silentEnd_ = pair[1];
    }
    if (quiet != nullptr) g_object_unref(quiet);
}

void HostServer::Listen() {
    listenSource_ = g_socket_create_source(listener_, G_IO_IN, nullptr);
    GSocketSourceFunc ready = [](GSocket*, GIOCondition, gpointer self) -> gboolean {
        static_cast<HostServer*>(self)->AcceptPending();
        return G_SOURCE_CONTINUE;
    };
    g_source_set_callback(listenSource_, G_SOURCE_FUNC(ready), this, nullptr);
    g_source_attach(listenSource_, g_main_context_get_thread_default());
}

void HostServer::AcceptPending() {
    for (int round = 0; round < kAcceptBurst; ++round) {
        GError* error = nullptr;
        GSocket* socket = g_socket_accept(listener_, nullptr, &error);
        if (socket == nullptr) {
            const bool drained = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_WOULD_BLOCK);
            const std::string reason = error ? error->message : "unknown error";
            if (error) g_error_free(error);
            if (drained) return;
            // Most likely no descriptor is free. The oldest connection that has not shown the
            // cookie gives its own up; the server accepts again in a moment, whatever happens.
            if (!exhausted_) Warn("Cannot accept a connection (" + reason + "); trying again shortly");
            exhausted_ = true;
            MakeRoom("");
            PauseAccepting();
            return;
        }
        exhausted_ = false;
        Admit(socket);
    }
}

void HostServer::PauseAccepting() {
    if (listenSource_ != nullptr) {
        g_source_destroy(listenSource_);
        g_source_unref(listenSource_);
        listenSource_ = nullptr;
    }
    if (retryTimer_ != 0) return;
    retryTimer_ = g_timeout_add(
        kAcceptRetryMs,
        [](gpointer self) -> gboolean {
            auto* server = static_cast<HostServer*>(self);
            server->retryTimer_ = 0;
            server->Listen();
            return G_SOURCE_REMOVE;
        },
        this);
}

void HostServer::Admit(GSocket* socket) {
    GSocketAddress* remote = g_socket_get_remote_address(socket, nullptr);
    GSocketAddress* local = g_socket_get_local_address(socket, nullptr);
    int port = 0;
    const std::string client = AddressText(remote, &port);
    const bool room = remote != nullptr && local != nullptr &&
                      (Counted(client) < limits_.perClient || MakeRoom(client)) &&
                      (Counted("") < limits_.connections || MakeRoom(""));
    if (!room) {
        g_socket_close(socket, nullptr);
        g_object_unref(socket);
        if (remote) g_object_unref(remote);
        if (local) g_object_unref(local);
        return;
    }
    g_socket_set_option(socket, IPPROTO_TCP, TCP_NODELAY, TRUE, nullptr);
    GSocketConnection* stream = g_socket_connection_factory_create_connection(socket);
    g_object_unref(socket);
    connections_.push_back(Connection{stream, client, port, std::chrono::steady_clock::now(), false, false});
    g_object_weak_ref(G_OBJECT(stream), &HostServer::ConnectionGone, this);
    GError* error = nullptr;
    if (!soup_server_accept_iostream(server_, G_IO_STREAM(stream), local, remote, &error)) {
        Warn(std::string("Cannot serve a connection: ") + (error ? error->message : "unknown error"));
        if (error) g_error_free(error);
    }
    g_object_unref(stream);  // libsoup holds it from here on
    g_object_unref(remote);
    g_object_unref(local);
}

void HostServer::ConnectionGone(void* self, GObject* gone) {
    // `gone` is being finalised: compare addresses only, never look into it.
    auto& connections = static_cast<HostServer*>(self)->connections_;
    connections.remove_if([gone](const Connection& c) { return static_cast<void*>(c.stream) == gone; });
}

size_t HostServer::Counted(const std::string& client) const {
    size_t count = 0;
    for (const Connection& connection : connections_)
        if (!connection.closing && (client.empty() || connection.client == client)) ++count;
    return count;
}

bool HostServer::MakeRoom(const std::string& client) {
    for (Connection& connection : connections_) {
        if (connection.authenticated || connection.closing) continue;
        if (!client.empty() && connection.client != client) continue;
        connection.closing = true;
        g_socket_shutdown(g_socket_connection_get_socket(connection.stream), TRUE, TRUE, nullptr);
        return true;
    }
    return false;
}

void HostServer::CloseIdle() {
    const auto oldest = std::chrono::steady_clock::now() - limits_.unauthenticatedLifetime;
    for (Connection& connection : connections_) {
        if (connection.authenticated || connection.closing || connection.lastRequest > oldest) continue;
        connection.closing = true;
        g_socket_shutdown(g_socket_connection_get_socket(connection.stream), TRUE, TRUE, nullptr);
    }
}

void HostServer::NoteRequest(SoupServerMessage* msg, bool authenticated) {
    int port = 0;
    const std::string client = AddressText(soup_server_message_get_remote_address(msg), &port);
    for (Connection& connection : connections_) {
        if (connection.port != port || connection.client != client) continue;
        connection.lastRequest = std::chrono::steady_clock::now();
        if (authenticated) connection.authenticated = true;
    }
}

void HostServer::Warn(const std::string& message) const {
    if (log_) log_("HostServer", 1, message);
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

    const SessionGuard::Verdict verdict = server->guard_.Judge(request);
    server->NoteRequest(msg, verdict == SessionGuard::Verdict::Allow || verdict == SessionGuard::Verdict::HandOver);
    switch (verdict) {
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

void HostServer::OnSocketRequest(SoupServer*, SoupServerMessage* msg, const char*, GHashTable*, void* self) {
    // The upgrade is made here rather than by libsoup's own WebSocket handler, so that what the
    // window sends passes the count of CappedStream (and comes uncompressed, which that count needs).
    GList* extensions = nullptr;
    if (!soup_websocket_server_process_handshake(msg, nullptr, nullptr, nullptr, &extensions)) return;
    g_list_free_full(extensions, g_object_unref);
    g_signal_connect(msg, "wrote-informational", G_CALLBACK(+[](SoupServerMessage* upgraded, gpointer data) {
                         g_object_ref(upgraded);
                         GIOStream* socket = soup_server_message_steal_connection(upgraded);
                         GIOStream* capped = CappedStream(socket);
                         const char* origin =
                             soup_message_headers_get_one(soup_server_message_get_request_headers(upgraded), "Origin");
                         SoupWebsocketConnection* connection =
                             soup_websocket_connection_new(capped, soup_server_message_get_uri(upgraded),
                                                           SOUP_WEBSOCKET_CONNECTION_SERVER, origin, nullptr, nullptr);
                         // The socket ends with the connection (not only once the last reference goes).
                         g_signal_connect_object(connection, "closed",
                                                 G_CALLBACK(+[](SoupWebsocketConnection*, gpointer s) {
                                                     g_io_stream_close(G_IO_STREAM(s), nullptr, nullptr);
                                                 }),
                                                 socket, static_cast<GConnectFlags>(0));
                         OnWebSocket(connection, data);
                         g_object_unref(connection);
                         g_object_unref(capped);
                         g_object_unref(socket);
                         g_object_unref(upgraded);
                     }),
                     self);
}

void HostServer::OnWebSocket(SoupWebsocketConnection* connection, void* self) {
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
