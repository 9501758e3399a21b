#pragma once

#include <memory>
#include <optional>
#include <string>

namespace jv::ui {

class Document;

// Where and how large a dialog is shown; what is not set stays the host's choice.
struct DialogBounds {
    std::optional<int> left;
    std::optional<int> top;
    std::optional<int> width;
    std::optional<int> height;
};

// A dialog window whose content is a page resource, shown by the installed browser host.
//
// Modal: DoModal opens it and runs a nested loop (Loop::RunUntil) until EndDialog, then takes it
// off the screen and returns the value given to EndDialog. Events reach the dialog as work of
// that nested loop; a handler may open another dialog, which nests once more.
// Modeless: Create opens it and returns; DestroyWindow takes it away.
//
// The object lives on its caller's stack (or as a member); the host refers to it only while it
// is open, and events queued for a dialog that is gone are dropped (see weakRef).
class Dialog {
public:
    // The results of Enter and of Escape or the close box, as the old dialogs had them.
    static constexpr int kOK = 1;
    static constexpr int kCancel = 2;
    // What DoModal gives when no page could be shown.
    static constexpr int kNotShown = -1;
    // How many loops may run one within the other (the program's own and a modal dialog's each):
    // a dialog that would go deeper is not shown, and DoModal gives kNotShown.
    static constexpr int kMaxNesting = 32;

    explicit Dialog(int resourceId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int resourceId() const { return resourceId_; }
    void setResourceId(int resourceId) { resourceId_ = resourceId; }

    // Shows the dialog modally; kNotShown when there is no host or loop, or the host cannot show it.
    int DoModal();
    // Ends the dialog with result: a modal loop returns it, a modeless window goes away.
    void EndDialog(int result);

    bool Create();
    void DestroyWindow();

    bool IsOpen() const { return open_; }
    bool IsModal() const { return modal_; }
    bool IsEnded() const { return ended_; }
    int result() const { return result_; }
    // The dialog's document; null until it has loaded.
    const std::shared_ptr<Document>& document() const { return document_; }

    void SetBounds(const DialogBounds& bounds);
    const DialogBounds& bounds() const { return bounds_; }

    // A reference that events queued for later can hold: Resolve gives null once the dialog is gone.
    using WeakRef = std::weak_ptr<Dialog* const>;
    WeakRef weakRef() const { return self_; }
    static Dialog* Resolve(const WeakRef& ref);

    // Events from the host. Each is dropped when the dialog is not open or has ended.
    void HostDocumentComplete(std::shared_ptr<Document> document, const std::string& url);
    void HostClick(const std::string& elementId);
    void HostEnter();
    void HostEscape();
    void HostClose();

protected:
    // Before the window opens (DoModal, Create).
    virtual void OnInitDialog() {}
    // The page has loaded; document() is set (null when the page could not be loaded).
    virtual void OnDocumentComplete(const std::string& url);
    // A click on the element with this id.
    virtual void OnClick(const std::string& elementId);
    // Enter: ends the dialog with kOK.
    virtual void OnOK();
    // Escape or the close box: ends the dialog with kCancel.
    virtual void OnCancel();

private:
    bool Accepts() const { return open_ && !ended_; }

    int resourceId_;
    bool open_ = false;
    bool modal_ = false;
    bool ended_ = false;
    int result_ = kNotShown;
    std::shared_ptr<Document> document_;
    DialogBounds bounds_;
    std::shared_ptr<Dialog* const> self_;
};

}  // namespace jv::ui
