#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/host/BrowserWindow.h"
#include "platform/ui/host/HostLog.h"
#include "platform/ui/host/HostServer.h"

namespace jv::ui {
class Loop;
struct Mutation;
}  // namespace jv::ui

namespace jv::ui::host {

class ScriptBridge;

// The browser host the programs run with: the pages are served from the program's documents by
// the loopback server to a browser window, which one WebSocket keeps in step with them.
//
// Page addresses are the program's own ("res://<module>/<id>?query"); the browser sees them as
// "/<id>?query" on the server. Every request for a page resource makes a new document of it
// (Resources::LoadDocument), which the browser is given with the keys of its elements; from then
// on the host sends the document's recorded changes as patches after each piece of work, and
// applies the form state the browser sends with each message before the work that came with it.
//
// Script calls through `window.external` run through the ScriptBridge; the reply to a call follows
// the patches of the call, so a page script that awaits the call sees what the call wrote.
// Everything runs on the loop's thread; the server's callbacks only post work to the loop.
class WebHost : public BrowserHost {
public:
    // label: "&" before the access key ("&&" for "&" itself), a tab before the shortcut shown.
    struct MenuItem {
        std::string label;
        int command = 0;
        bool enabled = true;
        bool separator = false;
        // Done by the window itself instead of sending the command: "undo", "cut", "copy",
        // "paste" (the browser's editing in the page that had the focus). Empty: the command.
        std::string action = {};
    };
    // A shortcut key of the window ("Ctrl+P", "Shift+Delete", "F6"): it sends its command, or does
    // its action ("undo", "nextpane", "prevpane"), or, with the action "native", is left to the
    // browser (its own editing keys).
    struct Accelerator {
        std::string key;
        int command = 0;
        std::string action;
    };
    struct Menu {
        std::string label;
        std::vector<MenuItem> items;
    };
    using WindowBounds = jv::ui::WindowBounds;
    using ScriptErrorHandler = std::function<void(const std::string& message, const std::string& url, int line)>;
    using CommandHandler = std::function<void(int command)>;
    // Shows the program's message box for a page script (text as plain text, "" for the
    // program's own title, cancel: an OK and a Cancel button) and gives true for OK.
    using MessageBoxHandler = std::function<bool(const std::string& text, const std::string& title, bool cancel)>;

    // How many of the pages' message boxes may be open at once, one over the other. Each open box
    // runs a nested loop on the program's stack; a box asked for while as many are open is not
    // shown: it is logged and answered as cancelled, so that the script asking goes on.
    static constexpr int kMaxOpenBoxes = 4;

    // module: the program's name in page addresses ("Jorvane.exe").
    WebHost(Loop& loop, ScriptBridge& bridge, std::string module, LogSink log = {});
    ~WebHost() override;
    WebHost(const WebHost&) = delete;
    WebHost& operator=(const WebHost&) = delete;

    // Starts the server. Throws jv::PlatformError when it cannot listen.
    void Start();
    // Opens the program's window in Chromium (or the default browser). False when no browser could
    // be started.
    bool OpenWindow();
    // Where and how large the window opens; call before OpenWindow.
    void SetWindowGeometry(const BrowserWindow::Geometry& geometry) { window_.SetGeometry(geometry); }
    // Asks the window to come to the front.
    void RaiseWindow();
    // The window's place on the screen as it last reported it.
    const WindowBounds& LastWindowBounds() const { return bounds_; }
    // The one-time address that opens the window (for a browser started by someone else).
    std::string OpenUrl() const { return server_.OpenUrl(); }
    std::string Origin() const { return server_.Origin(); }

    // How long the window may be gone (a reload) before the program is told it was closed.
    void SetReconnectGrace(std::chrono::milliseconds grace) { grace_ = grace; }
    // Script errors that no page handler dealt with.
    void SetScriptErrorHandler(ScriptErrorHandler handler) { onScriptError_ = std::move(handler); }
    // The menu bar of the main window, and who hears its commands.
    void SetMenu(const std::vector<Menu>& menus, const std::vector<Accelerator>& accelerators = {});
    void SetCommandHandler(CommandHandler handler) { onCommand_ = std::move(handler); }
    // The mark a page of the program shows while it holds unsaved work: an element of this id whose
    // text is `text`. While one is shown, closing or reloading the window makes the browser ask
    // first (its own question: the window's close box is the browser's).
    void SetUnsavedWorkMark(const std::string& id, const std::string& text);
    // True when the window went after that question, the user choosing to leave; false when it went
    // without it (the browser ended, or there was nothing to ask about).
    bool WindowLeftAfterAsking() const { return leftAfterAsking_; }
    // Asks the window for what its fields hold now (typed since its last message: a field not left,
    // the last keys) and takes it in as the form state of a message, while the loop runs on for at
    // most `wait`. True when the window answered; false when there is no window or no answer came
    // in time.
    bool FetchFormState(std::chrono::milliseconds wait);
    // Who shows the message boxes page scripts ask for; without one they are answered Cancel.
    void SetMessageBoxHandler(MessageBoxHandler handler) { onMessageBox_ = std::move(handler); }

    // While a script call runs: the document whose script made it (else null).
    std::shared_ptr<Document> CallingDocument() const override { return callingDocument_; }
    // The document shown in a frame of the main window ("" for the whole window), or null.
    std::shared_ptr<Document> FrameDocument(const std::string& frame) const;
    bool WindowConnected() const { return server_.WindowConnected(); }

    // Documents served that the browser has not (yet) said it shows. A page fetched but never shown
    // (a frame that went away, a request by another program) is dropped once more than `count`
    // such documents are kept, oldest first, or once it is older than `age`.
    void SetUnshownDocumentLimitsForTesting(size_t count, std::chrono::milliseconds age) {
        maxUnshown_ = count;
        unshownAge_ = age;
    }
    // How many documents the host keeps: those shown and those served but not yet shown.
    size_t KeptDocuments() const { return documents_.size(); }

    // The address the browser uses for a page address of this program ("" when it is none).
    std::string BrowserPath(const std::string& url) const;
    // The page address for an address of the browser ("" when it names no resource of ours).
    std::string PageUrl(const std::string& browserUrl) const;

    // BrowserHost
    void SetWindowEvents(WindowEvents* events) override { events_ = events; }
    void Navigate(const std::string& url, const std::string& frame) override;
    bool GoBack() override;
    bool GoForward() override;
    void SetTitle(const std::string& title) override;
    void SetStatusText(int pane, const std::string& text) override;
    void SetStatusPane(int pane, const std::string& text, const std::string& tooltip, const std::string& icon) override;
    void Print(const Document& document) override;
    bool OpenDialog(Dialog& dialog) override;
    void CloseDialog(Dialog& dialog) override;
    void SetDialogBounds(Dialog& dialog, const DialogBounds& bounds) override;
    void FlushPatches() override;

    // One recorded change as the patch operation the window's shim applies.
    static nlohmann::json PatchOperation(const Mutation& mutation);
    // A batch of a document's recorded changes as patch operations, shortened (see the source).
    static nlohmann::json PatchOperations(const Document& document, const std::vector<Mutation>& mutations);

private:
    struct Shown {
        std::shared_ptr<Document> document;
        std::string frame;
        bool loaded = false;
        std::chrono::steady_clock::time_point served;
    };
    struct OpenDialogWindow {
        Dialog::WeakRef dialog;
        std::string url;
    };

    HostServer::Response Serve(const std::string& path, const std::string& query);
    void OnMessage(const std::string& text);
    void Dispatch(const nlohmann::json& message);
    void DropUnshownDocuments();
    void ApplyForms(const nlohmann::json& forms);
    // Runs handle, the work of one message (of `size` bytes, 0 when not known); a failure is logged
    // and answers a call with the error.
    void Handle(const nlohmann::json& message, size_t size, const std::function<void()>& handle);
    // Logs a message (of `size` bytes) that was not used, and answers the call it made, if any.
    void NotUsed(int64_t call, size_t size, const std::string& problem);
    void OnCall(const nlohmann::json& message);
    void RunCall(const nlohmann::json& message);
    void OnLoaded(const nlohmann::json& message);
    void OnNavigate(const nlohmann::json& message);
    void OnDialogKey(const nlohmann::json& message);
    void OnMessageBox(const nlohmann::json& message);
    void OnDialogClick(const nlohmann::json& message);
    // The open dialog a message names by number; null when there is none, or when the message
    // comes from a document that is not that dialog's.
    Dialog* MessageDialog(const nlohmann::json& message) const;
    void OnWindowOpened();
    void OnWindowGone();
    void Load(const std::string& frame, const std::string& url);
    // A frame's page changed by the program's or a page's choice: a step of the window's history.
    void RememberStep(const std::string& frame, const std::string& url);
    // The program's page in a frame now ("" when none is loaded there).
    std::string FrameUrl(const std::string& frame) const;
    // Goes `delta` steps back (-1) or forward (1) through the history, asking the program first.
    bool GoThroughHistory(int delta);
    // The program's navigation, run from the loop.
    void NavigateNow(const std::string& url, const std::string& frame);
    // Asks the program whether the frame may show url (WindowEvents::OnBeforeNavigate).
    bool MayNavigate(const std::string& url, const std::string& frame);
    // Whether the program is being asked about a navigation now. The question may be a modal one
    // (unsaved work on the page) that lets the window's messages in while it is open: what comes
    // meanwhile from the window (a second click on a link, Back, a key) and Back or Forward asked
    // by the program are dropped, as the answer to the open question decides; a page the program
    // navigates to waits for that answer. So the history never moves under a question.
    bool Deciding() const { return deciding_; }
    // Whether a page's message box is open now (the page's own question about its unsaved entry,
    // say). What would take the page away meanwhile waits for the answer and is then asked about
    // in its turn: the program's navigations in order, of the window's (a link, Back, Forward, a
    // reload) the latest only. So no question about leaving is asked under the page's own.
    bool BoxOpen() const { return openBoxes_ > 0; }
    // Whether a box is open, or was answered and the page has not yet done what the answer started.
    bool Holding() const { return BoxOpen() || settleTimer_ != 0; }
    void WaitForThePageToSettle();
    void WaitForTheBox(std::function<void()> navigation);
    // Runs what waited for the answer to a question or a box.
    void RunWaitingNavigations();
    // Loads a frame's page again, asking the program first.
    void Reload(const std::string& frame);
    void OpenExternal(const std::string& url);
    bool Send(const nlohmann::json& message);
    int DialogNumber(const Dialog& dialog) const;
    void Log(const std::string& source, const std::string& message) const;

    Loop& loop_;
    ScriptBridge& bridge_;
    std::string module_;
    LogSink log_;
    HostServer server_;
    BrowserWindow window_;
    WindowEvents* events_ = nullptr;
    ScriptErrorHandler onScriptError_;
    CommandHandler onCommand_;
    MessageBoxHandler onMessageBox_;

    std::map<uint64_t, Shown> documents_;    // by Document::id, from serving until the browser drops it
    std::map<std::string, bool> announced_;  // frames whose next document the program has approved
    std::map<int, OpenDialogWindow> dialogs_;
    std::set<int64_t> answering_;  // the ids of the calls and boxes being answered
    int openBoxes_ = 0;            // the pages' message boxes open now, one over the other
    int nextDialog_ = 1;
    std::shared_ptr<Document> callingDocument_;
    // Calls of methods that run only for the newest call (ScriptBridge::SetNewestOnly) waiting for
    // their turn, by document id and method.
    std::map<std::pair<int64_t, std::string>, nlohmann::json> waitingCalls_;
    size_t maxUnshown_ = 64;
    std::chrono::milliseconds unshownAge_{60000};

    void OnBounds(const nlohmann::json& message);

    std::string topUrl_;  // what the whole window shows, shown again after a reload
    // The window's history, kept here so that Back and Forward are navigations the program is
    // asked about before they happen; the browser's own history stays empty (every load replaces
    // the frame's page). Each step is a frame's page before and after; steps before position_ lie
    // behind.
    struct HistoryStep {
        std::string frame;
        std::string before;
        std::string after;
    };
    std::vector<HistoryStep> history_;
    size_t historyPosition_ = 0;
    std::string unsavedId_;  // the mark of unsaved work (SetUnsavedWorkMark)
    std::string unsavedText_;
    bool leftAfterAsking_ = false;
    int64_t formStateAsked_ = 0;     // the last FetchFormState's question
    int64_t formStateAnswered_ = 0;  // the last question the window answered
    bool deciding_ = false;
    std::vector<std::pair<std::string, std::string>> waiting_;  // frame, url: the program's, held for the answer
    std::function<void()> fromWindowWaiting_;  // the window's latest navigation, held for a box's answer
    std::string title_;  // the caption and the status panes, sent again to a window that comes back
    std::map<int, nlohmann::json> panes_;
    WindowBounds bounds_;
    bool placeChecked_ = false;  // the window's first place was fitted inside its screen
    std::vector<Menu> menus_;
    std::vector<Accelerator> accelerators_;
    std::chrono::milliseconds grace_{3000};
    unsigned graceTimer_ = 0;
    unsigned settleTimer_ = 0;  // what waited for a box's answer waits for the page to be done with it
    // Watched by the work this host posts to the loop, so that none of it runs once the host has
    // gone (a program may close its window and drop the host while such work is queued).
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace jv::ui::host
