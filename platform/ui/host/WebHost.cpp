#include "platform/ui/host/WebHost.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <set>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include "platform/base/Spawn.h"

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"
#include "platform/ui/HtmlSerializer.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Mutation.h"
#include "platform/ui/Resources.h"
#include "platform/ui/host/HostResources.h"
#include "platform/ui/host/ScriptBridge.h"

namespace jv::ui::host {
namespace {

using nlohmann::json;

constexpr const char* kTopFrame = "jv-top";
constexpr const char* kShimPath = "/jv/shim.js";
constexpr const char* kExternalPath = "/jv/external.js";
constexpr const char* kDialogFramePrefix = "jv-dialog-";

// The frame name the program uses ("" for the whole window) for one the shell uses.
std::string ProgramFrame(const std::string& frame) {
    return frame == kTopFrame ? std::string() : frame;
}

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos && text.size() < 10;
}

std::string Text(const json& message, const char* name) {
    const auto found = message.find(name);
    return found != message.end() && found->is_string() ? found->get<std::string>() : std::string();
}

int64_t Number(const json& message, const char* name) {
    const auto found = message.find(name);
    if (found == message.end()) return 0;
    if (found->is_number_integer()) return found->get<int64_t>();
    if (found->is_number_float()) {
        const double value = found->get<double>();
        if (std::isfinite(value) && std::fabs(value) < 9e15) return static_cast<int64_t>(value);
    }
    return 0;
}

// The shim's messages hold arrays and objects a few levels deep. Anything deeper is refused before
// it is parsed: copying, printing or freeing a value nested a hundred thousand deep would take the
// whole stack.
constexpr int kMaxMessageDepth = 16;

// How deep arrays and objects nest in a JSON text, counted up to `limit` + 1 without parsing it.
int NestingDepth(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return depth;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return 0;
}

// The id of the call a message that cannot be read stands for, so that the call can still be
// answered: the shim writes a call as {"t":"call","id":<number>,... 0 when the text is none.
int64_t UnreadableCallId(std::string_view text) {
    constexpr std::string_view kStart = "{\"t\":\"call\",\"id\":";
    if (text.substr(0, kStart.size()) != kStart) return 0;
    int64_t id = 0;
    for (size_t i = kStart.size(); i < text.size() && i < kStart.size() + 15; ++i) {
        if (text[i] < '0' || text[i] > '9') break;
        id = id * 10 + (text[i] - '0');
    }
    return id;
}

// The fields of each kind of message the host reads, with the type the shim sends them as.
enum class Kind { Number, Text, Array };
struct Field {
    const char* type;
    const char* name;
    Kind kind;
    bool required;
};
constexpr Field kFields[] = {
    {"call", "id", Kind::Number, true},       {"call", "m", Kind::Text, true},
    {"call", "a", Kind::Array, false},        {"call", "doc", Kind::Number, false},
    {"loaded", "doc", Kind::Number, true},    {"loaded", "frame", Kind::Text, false},
    {"unloaded", "doc", Kind::Number, true},  {"navigate", "url", Kind::Text, true},
    {"navigate", "frame", Kind::Text, false}, {"navigate", "form", Kind::Array, false},
    {"dialogkey", "dlg", Kind::Number, true}, {"dialogkey", "key", Kind::Text, true},
    {"event", "dlg", Kind::Number, true},     {"event", "id", Kind::Text, false},
    {"command", "id", Kind::Number, true},    {"error", "message", Kind::Text, false},
    {"msgbox", "id", Kind::Number, true},     {"msgbox", "text", Kind::Text, false},
    {"msgbox", "title", Kind::Text, false},   {"msgbox", "cancel", Kind::Number, false},
    {"error", "url", Kind::Text, false},      {"error", "line", Kind::Number, false},
    {"formstate", "id", Kind::Number, true},
};

bool OfKind(const json& value, Kind kind) {
    switch (kind) {
        case Kind::Number:
            return value.is_number();
        case Kind::Text:
            return value.is_string();
        case Kind::Array:
            return value.is_array();
    }
    return false;
}

// What is wrong with the form state of a message ("" when nothing is): per document id an array
// of [key, state], the key digits (as text or a number), the state an object of known fields.
std::string FormsProblem(const json& forms) {
    if (!forms.is_object()) return "the form state is no object";
    for (const auto& [docId, fields] : forms.items()) {
        if (!fields.is_array()) return "the form state of a document is no array";
        for (const auto& field : fields) {
            if (!field.is_array() || field.size() != 2) return "a form field is no pair";
            const json& key = field[0];
            const bool digits = key.is_string() && !key.get_ref<const std::string&>().empty() &&
                                key.get_ref<const std::string&>().size() < 20 &&
                                key.get_ref<const std::string&>().find_first_not_of("0123456789") == std::string::npos;
            if (!digits && !key.is_number_unsigned()) return "a form field's key is no number";
            const json& state = field[1];
            if (!state.is_object()) return "a form field's state is no object";
            for (const auto& [name, value] : state.items()) {
                const bool text = name == "v" || name == "h";
                const bool flag = name == "c" || name == "s";
                if ((text && !value.is_string()) || (flag && !value.is_boolean()) ||
                    (name == "i" && !value.is_number_integer()))
                    return "a form field's state has a value of the wrong type";
            }
        }
    }
    return {};
}

// What is wrong with a message of the window ("" when nothing is).
std::string MessageProblem(const json& message) {
    if (!message.is_object()) return "it is no object";
    const auto type = message.find("t");
    if (type == message.end() || !type->is_string()) return "it has no type";
    for (const Field& field : kFields) {
        if (*type != field.type) continue;
        const auto value = message.find(field.name);
        if (value == message.end()) {
            if (field.required) return std::string("it has no \"") + field.name + "\"";
        } else if (!OfKind(*value, field.kind)) {
            return std::string("its \"") + field.name + "\" has the wrong type";
        }
    }
    if (const auto forms = message.find("f"); forms != message.end()) return FormsProblem(*forms);
    return {};
}

std::string Dump(const json& message) {
    return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

// A short mark of a text's content (FNV-1a), put in the addresses of the scripts every page
// loads: the browser keeps them, and a new content is a new address.
std::string Fingerprint(std::string_view text) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

// The address of a script with its fingerprint.
std::string VersionedPath(const char* path, std::string_view content) {
    return std::string(path) + "?v=" + Fingerprint(content);
}

}  // namespace

WebHost::WebHost(Loop& loop, ScriptBridge& bridge, std::string module, LogSink log)
    : loop_(loop),
      bridge_(bridge),
      module_(std::move(module)),
      log_(std::move(log)),
      server_([&loop](std::function<void()> work) { loop.Post(std::move(work)); }) {
    server_.SetLog(log_);
    server_.SetRequestHandler([this](const std::string& path, const std::string& query) { return Serve(path, query); });
    server_.SetMessageHandler([this](const std::string& text) { OnMessage(text); });
    server_.SetWindowOpenedHandler([this] { OnWindowOpened(); });
    server_.SetWindowClosedHandler([this] {
        if (graceTimer_ != 0) loop_.RemoveTimer(graceTimer_);
        graceTimer_ = loop_.AddTimer(grace_, [this] {
            loop_.RemoveTimer(graceTimer_);
            graceTimer_ = 0;
            if (!server_.WindowConnected()) OnWindowGone();
        });
    });
    server_.SetHandedOverHandler([this] { window_.ForgetLaunchPage(); });
}

WebHost::~WebHost() {
    if (graceTimer_ != 0) loop_.RemoveTimer(graceTimer_);
    if (settleTimer_ != 0) loop_.RemoveTimer(settleTimer_);
    server_.CloseWindow();
}

void WebHost::Start() {
    server_.Start();
}

bool WebHost::OpenWindow() {
    std::string error;
    const auto kind = window_.Open(
        server_.OpenUrl(),
        [this, alive = std::weak_ptr<bool>(alive_)] {
            loop_.Post([this, alive] {
                if (!alive.expired()) OnWindowGone();
            });
        },
        &error);
    if (kind == BrowserWindow::Kind::None) {
        Log("WebHost::OpenWindow", error);
        return false;
    }
    return true;
}

void WebHost::Log(const std::string& source, const std::string& message) const {
    if (log_) log_(source, 2, message);
}

bool WebHost::Send(const json& message) {
    return server_.Send(Dump(message));
}

// --- addresses ------------------------------------------------------------------------------

std::string WebHost::BrowserPath(const std::string& url) const {
    const std::string prefix = "res://" + module_ + "/";
    std::string rest;
    if (url.size() > prefix.size() && url.compare(0, prefix.size(), prefix) == 0) {
        rest = url.substr(prefix.size());
    } else if (!url.empty() && url.find(':') == std::string::npos && url.find('/') == std::string::npos) {
        rest = url;  // a bare resource id, as pages write them
    } else {
        return {};
    }
    const auto query = rest.find('?');
    if (!AllDigits(rest.substr(0, query))) return {};
    return "/" + rest;
}

std::string WebHost::PageUrl(const std::string& browserUrl) const {
    std::string path = browserUrl;
    const std::string origin = server_.Origin();
    if (path.compare(0, origin.size(), origin) == 0) path = path.substr(origin.size());
    if (path.empty() || path[0] != '/') return {};
    const auto hash = path.find('#');
    if (hash != std::string::npos) path = path.substr(0, hash);
    const auto query = path.find('?');
    if (!AllDigits(path.substr(1, query == std::string::npos ? std::string::npos : query - 1))) return {};
    return "res://" + module_ + path;
}

// --- serving --------------------------------------------------------------------------------

HostServer::Response WebHost::Serve(const std::string& path, const std::string& query) {
    HostServer::Response response;
    static const std::string shimPath = VersionedPath(kShimPath, FindHostFile(kShimPath)->body);
    if (path == "/") {
        // The shell loads the same shim as the pages, from the browser's cache after the first.
        const auto shell = FindHostFile(path);
        response.body = std::string(shell->body);
        const auto at = response.body.find(kShimPath);
        if (at != std::string::npos) response.body.replace(at, std::strlen(kShimPath), shimPath);
        return response;
    }
    if (auto file = FindHostFile(path)) {
        response.contentType = std::string(file->contentType);
        response.body = std::string(file->body);
        response.caching = HostServer::Caching::Static;
        return response;
    }
    const std::string external = bridge_.GenerateScript();
    const std::string externalPath = VersionedPath(kExternalPath, external);
    if (path == kExternalPath) {
        response.contentType = "text/javascript; charset=utf-8";
        response.body = external;
        // Only the address of this method table may be kept: another table has another one.
        if (kExternalPath + ("?" + query) == externalPath) response.caching = HostServer::Caching::Static;
        return response;
    }
    const std::string id = path.size() > 1 ? path.substr(1) : std::string();
    const Resource* resource = AllDigits(id) ? Resources::Find(std::stoi(id)) : nullptr;
    if (resource == nullptr) {
        response.status = 404;
        response.contentType = "text/plain; charset=utf-8";
        response.body = "Not found";
        return response;
    }
    const std::string mime = resource->mimeType ? resource->mimeType : "application/octet-stream";
    if (mime.rfind("text/html", 0) != 0) {
        // Style sheets, scripts and images are compiled in and the same for the whole run.
        response.contentType = mime;
        response.body = std::string(resource->text());
        response.caching = HostServer::Caching::Static;
        return response;
    }

    const std::string url = "res://" + module_ + path + (query.empty() ? "" : "?" + query);
    std::shared_ptr<Document> document = Resources::LoadDocument(resource->id, url);
    if (!document) {
        response.status = 500;
        response.contentType = "text/plain; charset=utf-8";
        response.body = "The page could not be read";
        return response;
    }
    document->TakeMutations();
    SerializeOptions options;
    options.keys = true;
    std::string html = document->Serialize(options);
    // The shim runs first in every page, before any script of the page, and removes itself.
    const std::string shim = "<script src=\"" + externalPath + "\"></script><script src=\"" + shimPath +
                             "\" data-doc=\"" + std::to_string(document->id()) + "\"></script>";
    const auto head = html.find("<head");
    const auto headEnd = head == std::string::npos ? std::string::npos : html.find('>', head);
    if (headEnd == std::string::npos) {
        html.insert(0, shim);
    } else {
        html.insert(headEnd + 1, shim);
    }
    documents_[document->id()] = Shown{document, std::string(), false, std::chrono::steady_clock::now()};
    DropUnshownDocuments();
    response.body = std::move(html);
    return response;
}

// --- messages from the window ----------------------------------------------------------------

// Every message is checked before any of it is used. One the host cannot use is logged once and,
// when it is a call, answered with an error, so that the script awaiting the call goes on; the
// program goes on in any case.
void WebHost::OnMessage(const std::string& text) {
    DropUnshownDocuments();
    std::string problem;
    json message;
    if (NestingDepth(text, kMaxMessageDepth) > kMaxMessageDepth) {
        problem = "it is nested too deeply";
    } else {
        message = json::parse(text, nullptr, false);
        problem = message.is_discarded() ? "it is no JSON text" : MessageProblem(message);
    }
    if (problem.empty()) {
        Handle(message, text.size(), [this, &message] { Dispatch(message); });
        return;
    }
    const bool answered = message.is_object() && (Text(message, "t") == "call" || Text(message, "t") == "msgbox");
    NotUsed(answered ? Number(message, "id") : UnreadableCallId(text), text.size(), problem);
}

void WebHost::Handle(const json& message, size_t size, const std::function<void()>& handle) {
    const std::string type = Text(message, "t");
    std::string problem;
    try {
        handle();
        return;  // a call has been answered
    } catch (const std::exception& e) {
        problem = std::string("handling it failed: ") + e.what();
    } catch (...) {
        problem = "handling it failed";
    }
    callingDocument_.reset();
    NotUsed(type == "call" || type == "msgbox" ? Number(message, "id") : 0, size != 0 ? size : message.dump().size(),
            problem);
}

void WebHost::NotUsed(int64_t call, size_t size, const std::string& problem) {
    Log("WebHost::OnMessage",
        "A message from the window (" + std::to_string(size) + " bytes) was not used: " + problem);
    if (call != 0) Send(json{{"t", "reply"}, {"id", call}, {"error", problem}});
}

void WebHost::Dispatch(const json& message) {
    const std::string type = Text(message, "t");
    // A reply goes to whoever waits for its id: a call or box that comes with the id of one still
    // being answered would take that one's answer, so it is left unanswered and not carried out.
    const bool answered = type == "call" || type == "msgbox";
    const int64_t id = answered ? Number(message, "id") : 0;
    if (answered && !answering_.insert(id).second) {
        Log("WebHost::OnMessage", "A " + type + " came with the id of one still being answered (" + std::to_string(id) +
                                      "): it was not used");
        return;
    }
    struct Answering {
        std::set<int64_t>* ids;
        int64_t id;
        ~Answering() {
            if (ids != nullptr) ids->erase(id);
        }
    } answering{answered ? &answering_ : nullptr, id};

    if (auto forms = message.find("f"); forms != message.end()) ApplyForms(*forms);

    if (type == "call") {
        OnCall(message);
    } else if (type == "loaded") {
        OnLoaded(message);
    } else if (type == "unloaded") {
        const auto found = documents_.find(static_cast<uint64_t>(Number(message, "doc")));
        if (found != documents_.end() && found->second.loaded) documents_.erase(found);
    } else if (type == "navigate") {
        OnNavigate(message);
    } else if (type == "history") {
        GoThroughHistory(Number(message, "delta") < 0 ? -1 : 1);
    } else if (type == "reload") {
        const auto found = documents_.find(static_cast<uint64_t>(Number(message, "doc")));
        if (found != documents_.end()) Reload(ProgramFrame(found->second.frame));
    } else if (type == "settled") {
        // The page has done what the answer to its box started (an entry put back, say), and what
        // it changed came with this message: what waited for the answer is asked about now.
        if (settleTimer_ != 0 && !BoxOpen()) {
            loop_.RemoveTimer(settleTimer_);
            settleTimer_ = 0;
            RunWaitingNavigations();
        }
    } else if (type == "leaving") {
        leftAfterAsking_ = true;
    } else if (type == "formstate") {
        // The answer to FetchFormState: its form state was taken in above.
        formStateAnswered_ = std::max(formStateAnswered_, Number(message, "id"));
    } else if (type == "dialogkey") {
        OnDialogKey(message);
    } else if (type == "msgbox") {
        OnMessageBox(message);
    } else if (type == "event") {
        OnDialogClick(message);
    } else if (type == "bounds") {
        OnBounds(message);
    } else if (type == "command") {
        if (onCommand_) onCommand_(static_cast<int>(Number(message, "id")));
    } else if (type == "error") {
        const std::string error = Text(message, "message");
        Log("WebHost::ScriptError",
            error + " (" + Text(message, "url") + ", line " + std::to_string(Number(message, "line")) + ")");
        if (onScriptError_) onScriptError_(error, Text(message, "url"), static_cast<int>(Number(message, "line")));
    }
}

void WebHost::ApplyForms(const json& forms) {
    if (!forms.is_object()) return;
    for (const auto& [docId, fields] : forms.items()) {
        const auto found = documents_.find(std::strtoull(docId.c_str(), nullptr, 10));
        if (found == documents_.end() || !fields.is_array()) continue;
        Document& document = *found->second.document;
        for (const auto& field : fields) {
            if (!field.is_array() || field.size() != 2 || !field[1].is_object()) continue;
            if (!field[0].is_string() && !field[0].is_number_unsigned()) continue;
            const uint64_t key = field[0].is_string() ? std::strtoull(field[0].get<std::string>().c_str(), nullptr, 10)
                                                      : field[0].get<uint64_t>();
            const json& state = field[1];
            if (auto html = state.find("h"); html != state.end() && html->is_string()) {
                document.ApplySyncedContent(key, html->get<std::string>());
                continue;
            }
            FormState formState;
            if (auto v = state.find("v"); v != state.end() && v->is_string()) formState.value = v->get<std::string>();
            if (auto c = state.find("c"); c != state.end() && c->is_boolean()) formState.checked = c->get<bool>();
            if (auto s = state.find("s"); s != state.end() && s->is_boolean()) formState.selected = s->get<bool>();
            if (auto i = state.find("i"); i != state.end() && i->is_number_integer())
                formState.selectedIndex = i->get<int>();
            document.ApplyFormState(key, formState);
        }
    }
}

void WebHost::OnCall(const json& message) {
    const std::string method = Text(message, "m");
    if (!bridge_.NewestOnly(method)) {
        RunCall(message);
        return;
    }
    // The call waits its turn behind what came before it; a newer call of the method from the same
    // page that comes meanwhile takes its place, and this one is answered without running.
    const auto key = std::make_pair(Number(message, "doc"), method);
    const auto [waiting, first] = waitingCalls_.try_emplace(key, message);
    if (!first) {
        Send(json{{"t", "reply"}, {"id", Number(waiting->second, "id")}});
        waiting->second = message;
        return;
    }
    loop_.Post([this, alive = std::weak_ptr<bool>(alive_), key] {
        if (alive.expired()) return;
        const auto found = waitingCalls_.find(key);
        if (found == waitingCalls_.end()) return;
        const json call = std::move(found->second);
        waitingCalls_.erase(found);
        Handle(call, 0, [this, &call] { RunCall(call); });
    });
}

void WebHost::RunCall(const json& message) {
    const auto found = documents_.find(static_cast<uint64_t>(Number(message, "doc")));
    callingDocument_ = found != documents_.end() ? found->second.document : nullptr;
    const auto args = message.find("a");
    const json answer = bridge_.Call(Text(message, "m"), args != message.end() ? *args : json::array());
    callingDocument_.reset();
    // The reply follows the call's changes, so the awaiting script sees them; it carries what the
    // method answered, the value the script's call resolves with.
    FlushPatches();
    json reply{{"t", "reply"}, {"id", Number(message, "id")}};
    if (!answer.is_null()) reply["v"] = answer;
    Send(reply);
}

// A page script's message box: the script awaits the answer, which follows what the program changed
// meanwhile.
// Each open box holds a nested loop on the stack, where the next box can come: a page that asks
// without waiting for its answers (alert() from a timer) is shown a few at once, and the rest are
// answered as cancelled at once.
void WebHost::OnMessageBox(const json& message) {
    bool ok = false;
    if (openBoxes_ >= kMaxOpenBoxes) {
        Log("WebHost::OnMessageBox", "A page asked for a message box while " + std::to_string(openBoxes_) +
                                         " were open: it was not shown (" + Text(message, "text").substr(0, 200) + ")");
    } else if (onMessageBox_) {
        struct Open {
            int& boxes;
            explicit Open(int& count) : boxes(count) { ++boxes; }
            ~Open() { --boxes; }
        } open(openBoxes_);
        ok = onMessageBox_(Text(message, "text"), Text(message, "title"), Number(message, "cancel") != 0);
    }
    FlushPatches();
    Send(json{{"t", "reply"}, {"id", Number(message, "id")}, {"v", ok}});
    if (!BoxOpen()) WaitForThePageToSettle();
}

void WebHost::WaitForThePageToSettle() {
    if (waiting_.empty() && !fromWindowWaiting_) return;
    // The page tells when it is done; a page that goes meanwhile tells nothing, so not for ever.
    if (settleTimer_ != 0) loop_.RemoveTimer(settleTimer_);
    settleTimer_ = loop_.AddTimer(std::chrono::seconds(2), [this] {
        loop_.RemoveTimer(settleTimer_);
        settleTimer_ = 0;
        RunWaitingNavigations();
    });
}

void WebHost::OnLoaded(const json& message) {
    const auto found = documents_.find(static_cast<uint64_t>(Number(message, "doc")));
    if (found == documents_.end()) return;
    const std::string frame = Text(message, "frame");
    found->second.frame = frame;
    found->second.loaded = true;
    std::shared_ptr<Document> document = found->second.document;
    // The frame's previous page has gone.
    for (auto it = documents_.begin(); it != documents_.end();) {
        if (it->first != document->id() && it->second.loaded && it->second.frame == frame) {
            it = documents_.erase(it);
        } else {
            ++it;
        }
    }

    if (frame.rfind(kDialogFramePrefix, 0) == 0) {
        const int number = std::atoi(frame.c_str() + std::string(kDialogFramePrefix).size());
        const auto dialog = dialogs_.find(number);
        if (dialog == dialogs_.end()) return;
        if (Dialog* target = Dialog::Resolve(dialog->second.dialog))
            target->HostDocumentComplete(document, document->URL());
        return;
    }

    const std::string programFrame = ProgramFrame(frame);
    if (programFrame.empty()) topUrl_ = document->URL();
    if (events_ == nullptr) return;
    // A frame that a page's markup loaded was not asked about beforehand; the program hears of
    // it now (it cannot be stopped any more).
    if (!announced_[programFrame]) {
        bool cancel = false;
        events_->OnBeforeNavigate(document->URL(), programFrame, cancel);
    }
    announced_[programFrame] = false;
    events_->OnDocumentComplete(document->URL(), programFrame, document);
}

void WebHost::OnNavigate(const json& message) {
    const std::string url = Text(message, "url");
    const std::string frame = Text(message, "frame");
    const std::string pageUrl = PageUrl(url);
    if (pageUrl.empty() || frame == "_blank") {
        OpenExternal(url);
        return;
    }
    const std::string programFrame = ProgramFrame(frame);
    if (Deciding()) return;
    if (Holding()) {
        WaitForTheBox([this, message] { OnNavigate(message); });
        return;
    }
    if (!MayNavigate(pageUrl, programFrame)) return;
    RememberStep(programFrame, pageUrl);
    Load(programFrame, BrowserPath(pageUrl));
}

void WebHost::OpenExternal(const std::string& url) {
    const auto colon = url.find(':');
    const std::string scheme = colon == std::string::npos ? "" : url.substr(0, colon);
    const std::string origin = server_.Origin();
    if (url.compare(0, origin.size(), origin) == 0) return;  // none of our pages: nothing to show
    if (scheme != "http" && scheme != "https" && scheme != "mailto") {
        Log("WebHost::OpenExternal", "Not opened: " + url);
        return;
    }
    std::string error;
    if (!process::Spawn({"xdg-open", url}, &error)) Log("WebHost::OpenExternal", url + ": " + error);
}

Dialog* WebHost::MessageDialog(const json& message) const {
    const auto found = dialogs_.find(static_cast<int>(Number(message, "dlg")));
    if (found == dialogs_.end()) return nullptr;
    Dialog* dialog = Dialog::Resolve(found->second.dialog);
    if (dialog == nullptr || !message.contains("doc")) return dialog;
    // What comes from a page answers only the dialog that page is.
    const std::shared_ptr<Document>& document = dialog->document();
    return document && static_cast<int64_t>(document->id()) == Number(message, "doc") ? dialog : nullptr;
}

void WebHost::OnDialogKey(const json& message) {
    Dialog* dialog = MessageDialog(message);
    if (dialog == nullptr) return;
    const std::string key = Text(message, "key");
    if (key == "Enter") {
        dialog->HostEnter();
    } else if (key == "Escape") {
        dialog->HostEscape();
    } else if (key == "Close") {
        dialog->HostClose();
    }
}

// A click comes from the dialog's own page, on an element the program has not disabled.
void WebHost::OnDialogClick(const json& message) {
    if (!message.contains("doc")) return;
    Dialog* dialog = MessageDialog(message);
    if (dialog == nullptr || !dialog->document()) return;
    const std::string id = Text(message, "id");
    const Element* element = dialog->document()->getElementById(id);
    if (element != nullptr && element->disabled()) return;
    dialog->HostClick(id);
}

void WebHost::OnWindowOpened() {
    if (graceTimer_ != 0) {
        loop_.RemoveTimer(graceTimer_);
        graceTimer_ = 0;
    }
    leftAfterAsking_ = false;
    if (!menus_.empty()) SetMenu(menus_, accelerators_);
    if (!unsavedId_.empty()) SetUnsavedWorkMark(unsavedId_, unsavedText_);
    if (!title_.empty()) Send(json{{"t", "title"}, {"text", title_}});
    for (const auto& [pane, message] : panes_) Send(message);
    // The window shows what the program navigated to before it was there, and a window that comes
    // back (the user reloaded it) shows again what it showed.
    if (!topUrl_.empty()) Load("", BrowserPath(topUrl_));
}

void WebHost::OnWindowGone() {
    if (events_ != nullptr) events_->OnWindowClosed();
}

// --- the program's requests ------------------------------------------------------------------

void WebHost::Load(const std::string& frame, const std::string& path) {
    if (path.empty()) return;
    announced_[frame] = true;
    Send(json{{"t", "load"}, {"frame", frame.empty() ? std::string(kTopFrame) : frame}, {"url", path}});
}

void WebHost::Navigate(const std::string& url, const std::string& frame) {
    loop_.Post([this, alive = std::weak_ptr<bool>(alive_), url, frame] {
        if (!alive.expired()) NavigateNow(url, frame);
    });
}

void WebHost::NavigateNow(const std::string& url, const std::string& frame) {
    const std::string path = BrowserPath(url);
    if (path.empty()) {
        OpenExternal(url);
        return;
    }
    if (Deciding() || Holding()) {
        waiting_.push_back({frame, url});
        return;
    }
    if (!MayNavigate(url, frame)) return;
    if (frame.empty()) topUrl_ = url;
    RememberStep(frame, url);
    Load(frame, path);
}

bool WebHost::MayNavigate(const std::string& url, const std::string& frame) {
    if (events_ == nullptr) return true;
    bool cancel = false;
    {
        // Reset however the program's answer ends.
        struct Question {
            bool& open;
            explicit Question(bool& flag) : open(flag) { open = true; }
            ~Question() { open = false; }
        } question(deciding_);
        events_->OnBeforeNavigate(url, frame, cancel);
    }
    if (!Holding()) RunWaitingNavigations();
    return !cancel;
}

void WebHost::WaitForTheBox(std::function<void()> navigation) {
    fromWindowWaiting_ = std::move(navigation);
}

void WebHost::RunWaitingNavigations() {
    // The program's own navigations that came meanwhile go now, each asked about in its turn, and
    // then the window's.
    std::vector<std::pair<std::string, std::string>> waiting;
    waiting.swap(waiting_);
    for (auto& [waitingFrame, waitingUrl] : waiting) {
        loop_.Post([this, alive = std::weak_ptr<bool>(alive_), frame = waitingFrame, url = waitingUrl] {
            if (!alive.expired()) NavigateNow(url, frame);
        });
    }
    if (std::function<void()> fromWindow = std::move(fromWindowWaiting_)) {
        fromWindowWaiting_ = nullptr;
        loop_.Post([alive = std::weak_ptr<bool>(alive_), fromWindow = std::move(fromWindow)] {
            if (!alive.expired()) fromWindow();
        });
    }
}

void WebHost::RememberStep(const std::string& frame, const std::string& url) {
    if (frame.empty()) {
        // A new window of frames: nothing to go back to.
        history_.clear();
        historyPosition_ = 0;
        return;
    }
    const std::string before = FrameUrl(frame);
    if (before.empty() || before == url || frame.rfind(kDialogFramePrefix, 0) == 0) return;
    history_.resize(std::min(historyPosition_, history_.size()));
    history_.push_back({frame, before, url});
    historyPosition_ = history_.size();
}

std::string WebHost::FrameUrl(const std::string& frame) const {
    for (const auto& [id, shown] : documents_) {
        if (shown.loaded && ProgramFrame(shown.frame) == frame) return shown.document->URL();
    }
    return {};
}

bool WebHost::GoThroughHistory(int delta) {
    // A second Back while the program still asks about the first one is the same wish: the first
    // one's answer decides.
    if (Deciding()) return false;
    if (Holding()) {
        WaitForTheBox([this, delta] { GoThroughHistory(delta); });
        return true;
    }
    const size_t from = historyPosition_;
    if (delta < 0 ? from == 0 || from > history_.size() : from >= history_.size()) return false;
    const size_t to = delta < 0 ? from - 1 : from + 1;
    const HistoryStep step = history_[delta < 0 ? to : from];
    const std::string& url = delta < 0 ? step.before : step.after;
    // Staying keeps the page and the place in the history.
    if (!MayNavigate(url, step.frame)) return true;
    historyPosition_ = to;
    Load(step.frame, BrowserPath(url));
    return true;
}

void WebHost::Reload(const std::string& frame) {
    // The frameset itself holds nothing to show again; a page in a frame does.
    const std::string url = frame.empty() ? std::string() : FrameUrl(frame);
    if (url.empty() || Deciding()) return;
    if (Holding()) {
        WaitForTheBox([this, frame] { Reload(frame); });
        return;
    }
    if (MayNavigate(url, frame)) Load(frame, BrowserPath(url));
}

bool WebHost::GoBack() {
    loop_.Post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired()) GoThroughHistory(-1);
    });
    return historyPosition_ > 0;
}

bool WebHost::GoForward() {
    loop_.Post([this, alive = std::weak_ptr<bool>(alive_)] {
        if (!alive.expired()) GoThroughHistory(1);
    });
    return historyPosition_ < history_.size();
}

void WebHost::SetTitle(const std::string& title) {
    title_ = title;
    Send(json{{"t", "title"}, {"text", title}});
}

void WebHost::SetStatusText(int pane, const std::string& text) {
    SetStatusPane(pane, text, "", "");
}

void WebHost::SetStatusPane(int pane, const std::string& text, const std::string& tooltip, const std::string& icon) {
    json message{{"t", "status"}, {"pane", pane}, {"text", text}, {"tip", tooltip}, {"icon", icon}};
    panes_[pane] = message;
    Send(message);
}

void WebHost::RaiseWindow() {
    Send(json{{"t", "raise"}});
}

void WebHost::OnBounds(const json& message) {
    // Numbers past what an int holds are taken as the nearest it holds.
    const auto whole = [&message](const char* name) {
        return static_cast<int>(std::clamp<int64_t>(Number(message, name), std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max()));
    };
    WindowBounds bounds;
    bounds.left = whole("x");
    bounds.top = whole("y");
    bounds.width = whole("w");
    bounds.height = whole("h");
    const auto flag = [&message](const char* key) {
        const auto found = message.find(key);
        return found != message.end() && found->is_boolean() && found->get<bool>();
    };
    bounds.maximized = flag("max");
    bounds.minimized = flag("min");
    bounds.known = bounds.width > 0 && bounds.height > 0;
    if (!bounds.known) return;
    const bool resized = bounds.width != bounds_.width || bounds.height != bounds_.height;
    bounds_ = bounds;
    // A window placed where it was closed, on a screen smaller than that one (or placed otherwise),
    // comes into the screen once as it opens; where the user puts it later is the user's choice.
    const ScreenArea screen{whole("sx"), whole("sy"), whole("sw"), whole("sh")};
    if (!placeChecked_ && screen.width > 0 && screen.height > 0) {
        placeChecked_ = true;
        // Whether it is maximised is what it was opened as: a window over the whole screen looks so too.
        const WindowGeometry shown{window_.geometry().maximized || bounds.minimized, bounds.left, bounds.top,
                                   bounds.width, bounds.height};
        const WindowGeometry fitted = FitInside(shown, screen);
        if (fitted.left != shown.left || fitted.top != shown.top || fitted.width != shown.width ||
            fitted.height != shown.height) {
            Send(
                json{{"t", "place"}, {"x", fitted.left}, {"y", fitted.top}, {"w", fitted.width}, {"h", fitted.height}});
            bounds_.left = fitted.left;
            bounds_.top = fitted.top;
            bounds_.width = fitted.width;
            bounds_.height = fitted.height;
        }
    }
    if (resized && events_ != nullptr) {
        events_->OnWindowResized(static_cast<int>(Number(message, "iw")), static_cast<int>(Number(message, "ih")));
    }
}

void WebHost::SetMenu(const std::vector<Menu>& menus, const std::vector<Accelerator>& accelerators) {
    menus_ = menus;
    accelerators_ = accelerators;
    json list = json::array();
    for (const auto& menu : menus) {
        json items = json::array();
        for (const auto& item : menu.items) {
            items.push_back({{"label", item.label},
                             {"id", item.command},
                             {"enabled", item.enabled},
                             {"separator", item.separator},
                             {"action", item.action}});
        }
        list.push_back({{"label", menu.label}, {"items", items}});
    }
    json keys = json::array();
    for (const auto& accelerator : accelerators)
        keys.push_back({{"key", accelerator.key}, {"id", accelerator.command}, {"action", accelerator.action}});
    Send(json{{"t", "menu"}, {"menus", list}, {"accelerators", keys}});
}

bool WebHost::FetchFormState(std::chrono::milliseconds wait) {
    if (!server_.WindowConnected()) return false;
    const int64_t asked = ++formStateAsked_;
    if (!Send(json{{"t", "formstate"}, {"id", asked}})) return false;
    // What the window sent before its answer is taken in first, in order.
    loop_.RunUntil([this, asked] { return formStateAnswered_ >= asked || !server_.WindowConnected(); }, wait);
    return formStateAnswered_ >= asked;
}

void WebHost::SetUnsavedWorkMark(const std::string& id, const std::string& text) {
    unsavedId_ = id;
    unsavedText_ = text;
    Send(json{{"t", "unsavedmark"}, {"id", id}, {"text", text}});
}

void WebHost::Print(const Document& document) {
    FlushPatches();
    Send(json{{"t", "print"}, {"doc", document.id()}});
}

std::shared_ptr<Document> WebHost::FrameDocument(const std::string& frame) const {
    const std::string shellFrame = frame.empty() ? std::string(kTopFrame) : frame;
    for (const auto& [id, shown] : documents_)
        if (shown.loaded && shown.frame == shellFrame) return shown.document;
    return nullptr;
}

int WebHost::DialogNumber(const Dialog& dialog) const {
    for (const auto& [number, open] : dialogs_)
        if (Dialog::Resolve(open.dialog) == &dialog) return number;
    return 0;
}

bool WebHost::OpenDialog(Dialog& dialog) {
    if (!server_.WindowConnected()) return false;
    // What the program changed before the dialog shows is on the page beneath it.
    FlushPatches();
    const int number = nextDialog_++;
    const std::string url = "res://" + module_ + "/" + std::to_string(dialog.resourceId());
    dialogs_[number] = OpenDialogWindow{dialog.weakRef(), url};
    const Resource* resource = Resources::Find(dialog.resourceId());
    if (resource == nullptr) {
        Log("WebHost::OpenDialog", "No page resource " + std::to_string(dialog.resourceId()));
        Dialog::WeakRef ref = dialog.weakRef();
        loop_.Post([ref, url] {
            if (Dialog* target = Dialog::Resolve(ref)) target->HostDocumentComplete(nullptr, url);
        });
        return true;
    }
    json message{{"t", "dialog"}, {"dlg", number}, {"url", BrowserPath(url)}, {"modal", dialog.IsModal()}};
    const DialogBounds& bounds = dialog.bounds();
    if (bounds.width) message["w"] = *bounds.width;
    if (bounds.height) message["h"] = *bounds.height;
    if (bounds.left) message["x"] = *bounds.left;
    if (bounds.top) message["y"] = *bounds.top;
    return Send(message);
}

void WebHost::CloseDialog(Dialog& dialog) {
    const int number = DialogNumber(dialog);
    if (number == 0) return;
    FlushPatches();
    dialogs_.erase(number);
    Send(json{{"t", "closedialog"}, {"dlg", number}});
}

void WebHost::SetDialogBounds(Dialog& dialog, const DialogBounds& bounds) {
    const int number = DialogNumber(dialog);
    if (number == 0) return;
    json message{{"t", "dialogbounds"}, {"dlg", number}};
    if (bounds.width) message["w"] = *bounds.width;
    if (bounds.height) message["h"] = *bounds.height;
    if (bounds.left) message["x"] = *bounds.left;
    if (bounds.top) message["y"] = *bounds.top;
    Send(message);
}

json WebHost::PatchOperation(const Mutation& mutation) {
    const std::string node = std::to_string(mutation.node);
    switch (mutation.type) {
        case Mutation::Type::InsertNode:
            // An empty text node has no html to parse: its text comes along.
            if (mutation.html.empty())
                return {{"o", "insert"},
                        {"k", std::to_string(mutation.parent)},
                        {"i", mutation.index},
                        {"h", ""},
                        {"v", mutation.value}};
            return {
                {"o", "insert"}, {"k", std::to_string(mutation.parent)}, {"i", mutation.index}, {"h", mutation.html}};
        case Mutation::Type::RemoveNode:
            return {{"o", "remove"}, {"k", std::to_string(mutation.parent)}, {"i", mutation.index}};
        case Mutation::Type::ReplaceChildren:
            return {{"o", "children"}, {"k", node}, {"h", mutation.html}};
        case Mutation::Type::SetAttribute:
            return {{"o", "attr"}, {"k", node}, {"n", mutation.name}, {"v", mutation.value}};
        case Mutation::Type::RemoveAttribute:
            return {{"o", "attr"}, {"k", node}, {"n", mutation.name}, {"v", nullptr}};
        case Mutation::Type::SetProperty:
            if (mutation.name == "checked" || mutation.name == "selected")
                return {{"o", mutation.name}, {"k", node}, {"v", mutation.value == "true"}};
            if (mutation.name == "selectedIndex")
                return {{"o", "selectedIndex"}, {"k", node}, {"v", std::atoi(mutation.value.c_str())}};
            return {{"o", "value"}, {"k", node}, {"v", mutation.value}};
        case Mutation::Type::Focus:
            if (mutation.name == "select") return {{"o", "focus"}, {"k", node}, {"s", true}};
            return {{"o", "focus"}, {"k", node}};
    }
    return {};
}

// The patch for one batch of a document's changes. A node inserted in the batch that is still in
// the tree travels once, as it is now, in its insertion; the batch's changes below it are left out,
// but for the focus, which the markup cannot carry. Nodes inserted one after another into the same
// parent travel in one insertion.
json WebHost::PatchOperations(const Document& document, const std::vector<Mutation>& mutations) {
    std::unordered_set<uint64_t> fresh;
    std::unordered_map<uint64_t, int> insertions;
    for (const auto& mutation : mutations) {
        if (mutation.type == Mutation::Type::InsertNode) ++insertions[mutation.node];
        if (mutation.type == Mutation::Type::RemoveNode) insertions[mutation.node] += 2;
    }
    for (const auto& [key, count] : insertions)
        if (count == 1 && document.FindByKey(key) != nullptr) fresh.insert(key);
    // Whether the element with this key is a fresh node or lies below one.
    auto insideFresh = [&](uint64_t key) {
        for (const Node* node = document.FindByKey(key); node != nullptr; node = node->parentNode()) {
            if (node->isElement() && fresh.count(node->key()) != 0) return true;
        }
        return false;
    };

    SerializeOptions options;
    options.keys = true;
    const HtmlSerializer serializer(options);
    json ops = json::array();
    int merged = 0;  // nodes in the last operation, when it is an insertion that may grow
    for (const auto& mutation : mutations) {
        const bool structural =
            mutation.type == Mutation::Type::InsertNode || mutation.type == Mutation::Type::RemoveNode;
        if (mutation.type != Mutation::Type::Focus && insideFresh(structural ? mutation.parent : mutation.node))
            continue;
        json op = PatchOperation(mutation);
        if (mutation.type == Mutation::Type::InsertNode && fresh.count(mutation.node) != 0) {
            op["h"] = serializer.Outer(*document.FindByKey(mutation.node));
        }
        const bool element = mutation.type == Mutation::Type::InsertNode &&
                             !op["h"].get_ref<const std::string&>().empty() &&
                             op["h"].get_ref<const std::string&>()[0] == '<';
        if (element && merged > 0) {
            json& last = ops.back();
            if (last["k"] == op["k"] && last["i"].get<int>() + merged == op["i"].get<int>()) {
                last["h"].get_ref<std::string&>() += op["h"].get_ref<const std::string&>();
                ++merged;
                continue;
            }
        }
        merged = element ? 1 : 0;
        ops.push_back(std::move(op));
        // Changes below a fresh node are left out: the state its markup cannot carry follows it.
        if (mutation.type == Mutation::Type::InsertNode && fresh.count(mutation.node) != 0) {
            for (const Mutation& property : document.LiveFormState(*document.FindByKey(mutation.node))) {
                ops.push_back(PatchOperation(property));
                merged = 0;
            }
        }
    }
    return ops;
}

void WebHost::DropUnshownDocuments() {
    const auto oldest = std::chrono::steady_clock::now() - unshownAge_;
    size_t unshown = 0;
    for (const auto& [id, shown] : documents_)
        if (!shown.loaded) ++unshown;
    // Ids grow with every document: the map runs from the oldest to the newest.
    for (auto it = documents_.begin(); it != documents_.end() && unshown != 0;) {
        if (!it->second.loaded && (unshown > maxUnshown_ || it->second.served < oldest)) {
            it = documents_.erase(it);
            --unshown;
        } else {
            ++it;
        }
    }
}

void WebHost::FlushPatches() {
    for (auto& [id, shown] : documents_) {
        std::vector<Mutation> mutations = shown.document->TakeMutations();
        if (mutations.empty()) continue;
        Send(json{{"t", "patch"}, {"doc", id}, {"ops", PatchOperations(*shown.document, mutations)}});
    }
}

}  // namespace jv::ui::host
