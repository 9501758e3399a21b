#include "platform/ui/Dialog.h"

#include "platform/ui/BrowserHost.h"
#include "platform/ui/Document.h"
#include "platform/ui/Loop.h"

#include <cstdio>

namespace jv::ui {

Dialog::Dialog(int resourceId) : resourceId_(resourceId), self_(std::make_shared<Dialog* const>(this)) {}

Dialog::~Dialog() {
    self_.reset();
    if (open_) {
        if (BrowserHost* host = InstalledHost()) host->CloseDialog(*this);
    }
}

Dialog* Dialog::Resolve(const WeakRef& ref) {
    const std::shared_ptr<Dialog* const> dialog = ref.lock();
    return dialog ? *dialog : nullptr;
}

int Dialog::DoModal() {
    BrowserHost* host = InstalledHost();
    Loop* loop = Loop::Current();
    if (host == nullptr || loop == nullptr || open_) return kNotShown;
    if (loop->depth() >= kMaxNesting) {
        std::fprintf(stderr, "Dialog: not shown, %d loops are running one within the other\n", loop->depth());
        return kNotShown;
    }
    ended_ = false;
    result_ = kNotShown;
    document_.reset();
    modal_ = true;
    OnInitDialog();
    if (!host->OpenDialog(*this)) {
        modal_ = false;
        return kNotShown;
    }
    open_ = true;
    // Ends with the dialog, or when the program quits under it (then as if never answered).
    loop->RunUntil([this] { return ended_; });
    if (InstalledHost() != nullptr) InstalledHost()->CloseDialog(*this);
    open_ = false;
    modal_ = false;
    return ended_ ? result_ : kNotShown;
}

void Dialog::EndDialog(int result) {
    if (ended_) return;
    result_ = result;
    ended_ = true;
    if (!modal_) DestroyWindow();
}

bool Dialog::Create() {
    BrowserHost* host = InstalledHost();
    if (host == nullptr || open_) return false;
    ended_ = false;
    result_ = kNotShown;
    document_.reset();
    modal_ = false;
    OnInitDialog();
    if (!host->OpenDialog(*this)) return false;
    open_ = true;
    return true;
}

void Dialog::DestroyWindow() {
    if (!open_ || modal_) return;
    open_ = false;
    if (BrowserHost* host = InstalledHost()) host->CloseDialog(*this);
}

void Dialog::SetBounds(const DialogBounds& bounds) {
    if (bounds.left) bounds_.left = bounds.left;
    if (bounds.top) bounds_.top = bounds.top;
    if (bounds.width) bounds_.width = bounds.width;
    if (bounds.height) bounds_.height = bounds.height;
    if (!open_) return;
    if (BrowserHost* host = InstalledHost()) host->SetDialogBounds(*this, bounds_);
}

void Dialog::HostDocumentComplete(std::shared_ptr<Document> document, const std::string& url) {
    if (!Accepts()) return;
    document_ = std::move(document);
    OnDocumentComplete(url);
}

void Dialog::HostClick(const std::string& elementId) {
    if (Accepts()) OnClick(elementId);
}

void Dialog::HostEnter() {
    if (Accepts()) OnOK();
}

void Dialog::HostEscape() {
    if (Accepts()) OnCancel();
}

void Dialog::HostClose() {
    if (Accepts()) OnCancel();
}

void Dialog::OnDocumentComplete(const std::string& /*url*/) {}

void Dialog::OnClick(const std::string& /*elementId*/) {}

void Dialog::OnOK() {
    EndDialog(kOK);
}

void Dialog::OnCancel() {
    EndDialog(kCancel);
}

}  // namespace jv::ui
