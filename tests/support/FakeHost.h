#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Document.h"

namespace jv::ui {

class Loop;

// A browser host for tests: no browser and no display. It loads pages from the installed
// resources, keeps a copy of every shown document as the browser would have it, applies the
// program's patches to that copy (and checks after each flush that the copy equals the
// program's document), and plays the user: it types into fields, ticks boxes, chooses options,
// clicks buttons and presses Enter or Escape in dialogs.
//
// A test says beforehand how each dialog is answered (AnswerDialog). A modal dialog that opens
// without an answer, or is still open when its answer is done, is a failure: the fake presses
// Escape (and ends the dialog if that does not) instead of leaving the test hanging.
//
// Building one installs it (InstallHost) and has the loop flush patches after each piece of work;
// destroying it undoes both.
class FakeHost : public BrowserHost {
public:
    // The user in front of one open dialog, handed to its answer. Each action waits until the
    // program has handled it, dialogs it opens included.
    class User {
    public:
        Document& document() const { return *document_; }
        Dialog* dialog() const { return Dialog::Resolve(dialog_); }
        bool IsOpen() const;

        bool Type(const std::string& id, const std::string& text, int index = 0);
        bool SetChecked(const std::string& id, bool checked, int index = 0);
        bool Choose(const std::string& id, const std::string& optionValue);
        // A click on something the page does not show, or on a disabled button, is a failure
        // and reaches no handler.
        void Click(const std::string& elementId);
        void PressEnter();
        void PressEscape();
        void CloseBox();

    private:
        friend class FakeHost;
        User(FakeHost& host, Dialog::WeakRef dialog, std::shared_ptr<Document> document)
            : host_(host), dialog_(std::move(dialog)), document_(std::move(document)) {}

        FakeHost& host_;
        Dialog::WeakRef dialog_;
        std::shared_ptr<Document> document_;
    };

    using Answer = std::function<void(User&)>;
    using FailureHandler = std::function<void(const std::string&)>;

    // module: the program name in page addresses ("res://<module>/<id>").
    explicit FakeHost(Loop& loop, std::string module = "Test.exe");
    ~FakeHost() override;
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    // Where failures go (by default they are kept and written to standard error).
    void SetFailureHandler(FailureHandler handler) { onFailure_ = std::move(handler); }
    const std::vector<std::string>& failures() const { return failures_; }
    // Whether each flush compares the browser's copy with the program's document (default on).
    void SetVerifyPatches(bool verify) { verifyPatches_ = verify; }

    // The answer to the next dialog with this page resource (answers for one id are used in order).
    void AnswerDialog(int resourceId, Answer answer);
    // The page resources of the dialogs opened so far, in order.
    const std::vector<int>& openedDialogs() const { return openedDialogs_; }
    // The caption the dialog shows (its document's title); empty when it is not shown.
    std::string Caption(const Dialog& dialog) const;
    DialogBounds BoundsOf(const Dialog& dialog) const;

    // The main window.
    std::shared_ptr<Document> FrameDocument(const std::string& frame) const;
    const std::vector<std::string>& navigations() const { return navigations_; }
    const std::string& title() const { return title_; }
    std::string statusText(int pane) const;
    // The documents printed so far, as HTML.
    const std::vector<std::string>& printed() const { return printed_; }

    // The user in any shown document, page or dialog. False (and a failure) when the element is
    // not there, is no such control (Type: a text field, not read-only; SetChecked: a check box
    // or radio button) or is disabled.
    bool Type(Document& document, const std::string& id, const std::string& text, int index = 0);
    bool SetChecked(Document& document, const std::string& id, bool checked, int index = 0);
    bool Choose(Document& document, const std::string& id, const std::string& optionValue);

    // The browser's copy of a shown document; null when it is not shown.
    std::shared_ptr<Document> BrowserCopy(const Document& document) const;
    // How many patch records have been applied to the browser's copies.
    size_t patchesApplied() const { return patchesApplied_; }

    std::string ResourceUrl(int resourceId) const;

    // BrowserHost
    void SetWindowEvents(WindowEvents* events) override { events_ = events; }
    void Navigate(const std::string& url, const std::string& frame) override;
    bool GoBack() override;
    bool GoForward() override;
    void SetTitle(const std::string& title) override { title_ = title; }
    void SetStatusText(int pane, const std::string& text) override { status_[pane] = text; }
    void Print(const Document& document) override;
    bool OpenDialog(Dialog& dialog) override;
    void CloseDialog(Dialog& dialog) override;
    void SetDialogBounds(Dialog& dialog, const DialogBounds& bounds) override;
    void FlushPatches() override;

private:
    struct Shown {
        std::shared_ptr<Document> document;
        std::shared_ptr<Document> browser;
    };
    struct OpenWindow {
        Dialog::WeakRef dialog;
        std::shared_ptr<Document> document;
        DialogBounds bounds;
    };

    void Fail(const std::string& message);
    void Show(const std::shared_ptr<Document>& document);
    void Hide(const Document* document);
    bool ApplyPatch(Document& browser, const Mutation& mutation);
    void Verify(const Shown& shown);
    // False (and a failure) when the user cannot click the element: it is not there or disabled.
    bool Clickable(Document& document, const std::string& id);
    // Queues work for the dialog and runs the loop until it has been handled.
    void Deliver(const Dialog::WeakRef& dialog, const std::function<void(Dialog&)>& event);
    void LoadInFrame(const std::string& url, const std::string& frame, std::function<void()> onLoaded);
    Element* BrowserElement(Document& document, const std::string& id, int index);

    Loop& loop_;
    std::string module_;
    WindowEvents* events_ = nullptr;
    FailureHandler onFailure_;
    std::vector<std::string> failures_;
    bool verifyPatches_ = true;
    size_t patchesApplied_ = 0;

    std::map<uint64_t, Shown> shown_;  // by document id
    std::map<std::string, std::shared_ptr<Document>> frames_;
    std::map<const Dialog*, OpenWindow> dialogs_;
    std::map<int, std::deque<Answer>> answers_;
    std::vector<int> openedDialogs_;

    std::vector<std::string> navigations_;
    std::vector<std::pair<std::string, std::string>> history_;  // url, frame
    size_t historyPosition_ = 0;
    std::string title_;
    std::map<int, std::string> status_;
    std::vector<std::string> printed_;
};

}  // namespace jv::ui
