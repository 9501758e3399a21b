#pragma once

#include <memory>
#include <string>

namespace jv::ui {

class Dialog;
class Document;
struct DialogBounds;

// Where the main window is on the screen and how it is shown, as the window last said.
struct WindowBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool maximized = false;
    bool minimized = false;
    bool known = false;  // false until the window has said
};

// What the main window tells the program (the main view implements it). Called on the UI thread
// from work the loop runs, never from inside a transport callback.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // A frame ("" for the whole window) is about to show url; setting cancel keeps the current page.
    virtual void OnBeforeNavigate(const std::string& url, const std::string& frame, bool& cancel) = 0;
    // The document of url has loaded in the frame ("" for the whole window).
    virtual void OnDocumentComplete(const std::string& url, const std::string& frame,
                                    const std::shared_ptr<Document>& document) = 0;
    // The user closed the main window.
    virtual void OnWindowClosed() = 0;
    // The main window has a new size (its page area, in pixels).
    virtual void OnWindowResized(int /*width*/, int /*height*/) {}
};

// The browser that shows the program's pages: the main window with its frames, and the dialogs.
// The real host serves the documents to a browser and keeps it in step through patches; the fake
// host (FakeHost) keeps them in memory for tests. The program installs one at start-up.
//
// Documents: the host loads a page resource by id (Resources::LoadDocument), gives the document to
// the program, and from then on shows the program's tree: it serves the serialization with keys
// (Document::Serialize with SerializeOptions::keys), drops the log up to then (TakeMutations),
// sends the later records as patches (FlushPatches) and applies the form state the browser reports
// (Document::ApplyFormState) before it runs the work that came with it.
//
// Every call comes on the UI thread. Events for the program (page loads, clicks, keys) are queued
// on the Loop, never run inside the host's own callbacks.
class BrowserHost {
public:
    virtual ~BrowserHost() = default;

    // The receiver of the main window's events (null: none).
    virtual void SetWindowEvents(WindowEvents* events) = 0;

    // Shows url in the named frame of the main window ("" for the whole window). Returns at once;
    // WindowEvents::OnBeforeNavigate and OnDocumentComplete follow from the loop.
    virtual void Navigate(const std::string& url, const std::string& frame) = 0;
    // The main window's history; false when there is nothing to go to.
    virtual bool GoBack() = 0;
    virtual bool GoForward() = 0;
    // The main window's caption.
    virtual void SetTitle(const std::string& title) = 0;
    // A pane of the main window's status bar (0 is the message pane).
    virtual void SetStatusText(int pane, const std::string& text) = 0;
    // A pane with its tooltip and an icon (a name the window's style sheet knows, "" for none).
    virtual void SetStatusPane(int pane, const std::string& text, const std::string& /*tooltip*/,
                               const std::string& /*icon*/) {
        SetStatusText(pane, text);
    }
    // Prints a document that is shown (the browser's print command on it).
    virtual void Print(const Document& document) = 0;

    // Shows a dialog: its page resource (Dialog::resourceId), modal over everything else when
    // Dialog::IsModal, else beside it. Returns false when no dialog can be shown at all. Then
    // queues, in order: Dialog::HostDocumentComplete with the loaded document (null when the page
    // cannot be loaded), and the user's clicks, Enter, Escape and close box as they come. The
    // dialog's caption is its document's title.
    virtual bool OpenDialog(Dialog& dialog) = 0;
    // Takes a dialog off the screen; no event reaches it afterwards.
    virtual void CloseDialog(Dialog& dialog) = 0;
    // Moves or sizes a shown dialog.
    virtual void SetDialogBounds(Dialog& dialog, const DialogBounds& bounds) = 0;

    // Sends every change recorded in the shown documents since the last call to the browser. The
    // loop calls it after each piece of work it runs (see Loop::SetAfterWork).
    virtual void FlushPatches() = 0;

    // While a script call runs: the document whose script made it (else null). A host that runs
    // no scripts has none.
    virtual std::shared_ptr<Document> CallingDocument() const { return nullptr; }
};

// The host the program's dialogs and views use (null: none; dialogs then cannot be shown).
void InstallHost(BrowserHost* host);
BrowserHost* InstalledHost();

}  // namespace jv::ui
