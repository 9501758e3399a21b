#include "tests/support/FakeHost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"

namespace jv::ui {

namespace {

constexpr SerializeOptions kAsSent{true, true};
// How long the fake user waits for the program to handle one action.
constexpr std::chrono::seconds kActionTimeout{30};

Node* FindNode(Document& document, uint64_t key) {
    if (key == document.key()) return &document;
    return document.FindByKey(key);
}

// Fields the user can type into: text areas and the inputs that show their text.
bool IsTextField(const Element& element) {
    if (element.is("textarea")) return true;
    static constexpr std::string_view kNotTyped[] = {"hidden", "checkbox", "radio", "submit",
                                                     "reset",  "button",   "image", "file"};
    const std::string type = element.type();
    return element.is("input") && std::find(std::begin(kNotTyped), std::end(kNotTyped), type) == std::end(kNotTyped);
}

// Where two serializations part, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const size_t from = at > 60 ? at - 60 : 0;
    return "program: ..." + expected.substr(from, 160) + "\n browser: ..." + actual.substr(from, 160);
}

}  // namespace

// --- the user in a dialog ---

bool FakeHost::User::IsOpen() const {
    const Dialog* shown = dialog();
    return shown != nullptr && shown->IsOpen() && !shown->IsEnded();
}

bool FakeHost::User::Type(const std::string& id, const std::string& text, int index) {
    return host_.Type(*document_, id, text, index);
}

bool FakeHost::User::SetChecked(const std::string& id, bool checked, int index) {
    return host_.SetChecked(*document_, id, checked, index);
}

bool FakeHost::User::Choose(const std::string& id, const std::string& optionValue) {
    return host_.Choose(*document_, id, optionValue);
}

void FakeHost::User::Click(const std::string& elementId) {
    // Only what the page shows can be clicked, and a disabled button takes no click.
    if (!host_.Clickable(*document_, elementId)) return;
    host_.Deliver(dialog_, [elementId](Dialog& dialog) { dialog.HostClick(elementId); });
}

void FakeHost::User::PressEnter() {
    host_.Deliver(dialog_, [](Dialog& dialog) { dialog.HostEnter(); });
}

void FakeHost::User::PressEscape() {
    host_.Deliver(dialog_, [](Dialog& dialog) { dialog.HostEscape(); });
}

void FakeHost::User::CloseBox() {
    host_.Deliver(dialog_, [](Dialog& dialog) { dialog.HostClose(); });
}

// --- the host ---

FakeHost::FakeHost(Loop& loop, std::string module) : loop_(loop), module_(std::move(module)) {
    InstallHost(this);
    loop_.SetAfterWork([this] { FlushPatches(); });
}

FakeHost::~FakeHost() {
    for (const auto& [resourceId, answers] : answers_) {
        if (!answers.empty()) Fail("The answer for dialog " + std::to_string(resourceId) + " was never used.");
    }
    loop_.SetAfterWork(nullptr);
    if (InstalledHost() == this) InstallHost(nullptr);
}

void FakeHost::Fail(const std::string& message) {
    failures_.push_back(message);
    if (onFailure_) {
        onFailure_(message);
    } else {
        std::fprintf(stderr, "FakeHost: %s\n", message.c_str());
    }
}

std::string FakeHost::ResourceUrl(int resourceId) const {
    return "res://" + module_ + "/" + std::to_string(resourceId);
}

// --- documents as the browser has them ---

void FakeHost::Show(const std::shared_ptr<Document>& document) {
    // What the browser loads: the program's tree with keys; what was logged up to now is in it.
    document->TakeMutations();
    Shown shown{document, Document::Parse(document->Serialize(kAsSent), document->URL(), ParseKeys::FromAttribute)};
    if (verifyPatches_) Verify(shown);
    shown_[document->id()] = std::move(shown);
}

void FakeHost::Hide(const Document* document) {
    if (document == nullptr) return;
    const auto it = shown_.find(document->id());
    if (it == shown_.end()) return;
    // The browser gets what was changed up to the moment the window goes.
    FlushPatches();
    shown_.erase(document->id());
}

std::shared_ptr<Document> FakeHost::BrowserCopy(const Document& document) const {
    const auto it = shown_.find(document.id());
    return it != shown_.end() ? it->second.browser : nullptr;
}

void FakeHost::FlushPatches() {
    for (auto& [id, shown] : shown_) {
        std::vector<Mutation> patches = shown.document->TakeMutations();
        if (patches.empty()) continue;
        for (const Mutation& patch : patches) {
            if (!ApplyPatch(*shown.browser, patch)) {
                Fail(std::string("A ") + MutationTypeName(patch.type) + " patch for node " +
                     std::to_string(patch.node) + " does not fit the browser's document " + shown.document->URL());
                shown.browser = Document::Parse(shown.document->Serialize(kAsSent), shown.document->URL(),
                                                ParseKeys::FromAttribute);
                break;
            }
            ++patchesApplied_;
        }
        shown.browser->TakeMutations();
        if (verifyPatches_) Verify(shown);
    }
}

void FakeHost::Verify(const Shown& shown) {
    const std::string expected = shown.document->Serialize(kAsSent);
    const std::string actual = shown.browser->Serialize(kAsSent);
    if (expected != actual) {
        Fail("The browser's copy of " + shown.document->URL() + " differs from the program's document:\n " +
             FirstDifference(expected, actual));
    }
}

// Replays one record on the browser's copy as the browser's script does.
bool FakeHost::ApplyPatch(Document& browser, const Mutation& patch) {
    switch (patch.type) {
        case Mutation::Type::InsertNode: {
            Node* parent = FindNode(browser, patch.parent);
            if (parent == nullptr || patch.index < 0 ||
                static_cast<size_t>(patch.index) > parent->childNodes().size()) {
                return false;
            }
            std::vector<NodePtr> nodes;
            if (patch.html.empty()) {
                nodes.push_back(browser.createTextNode(patch.value));
            } else {
                nodes = browser.ParseFragment(patch.html, "template");
            }
            const auto& children = parent->childNodes();
            const Node* reference =
                static_cast<size_t>(patch.index) < children.size() ? children[patch.index].get() : nullptr;
            for (const NodePtr& node : nodes) {
                if (!parent->insertBefore(node, reference)) return false;
            }
            return nodes.size() == 1 && (!nodes.front()->isElement() || nodes.front()->key() == patch.node);
        }
        case Mutation::Type::RemoveNode: {
            Node* parent = FindNode(browser, patch.parent);
            if (parent == nullptr || patch.index < 0 ||
                static_cast<size_t>(patch.index) >= parent->childNodes().size()) {
                return false;
            }
            const NodePtr child = parent->childNodes()[patch.index];
            if (child->isElement() && child->key() != patch.node) return false;
            return parent->removeChild(child.get());
        }
        case Mutation::Type::ReplaceChildren: {
            Node* node = FindNode(browser, patch.node);
            if (node == nullptr) return false;
            while (!node->childNodes().empty()) node->removeChild(node->childNodes().back().get());
            for (const NodePtr& child : browser.ParseFragment(patch.html, "template")) {
                if (!node->appendChild(child)) return false;
            }
            return true;
        }
        case Mutation::Type::SetAttribute:
        case Mutation::Type::RemoveAttribute: {
            Element* element = browser.FindByKey(patch.node);
            if (element == nullptr) return false;
            if (patch.type == Mutation::Type::SetAttribute) {
                element->setAttribute(patch.name, patch.value);
            } else {
                element->removeAttribute(patch.name);
            }
            return true;
        }
        case Mutation::Type::SetProperty: {
            Element* element = browser.FindByKey(patch.node);
            if (element == nullptr) return false;
            if (patch.name == "value") return element->setValue(patch.value);
            if (patch.name == "checked") return element->setChecked(patch.value == "true");
            if (patch.name == "selected") return element->setSelected(patch.value == "true");
            if (patch.name == "selectedIndex") {
                return element->setSelectedIndex(static_cast<int>(std::strtol(patch.value.c_str(), nullptr, 10)));
            }
            return false;
        }
        case Mutation::Type::Focus:
            return browser.FindByKey(patch.node) != nullptr;
    }
    return false;
}

// --- the user ---

Element* FakeHost::BrowserElement(Document& document, const std::string& id, int index) {
    FlushPatches();
    const std::shared_ptr<Document> browser = BrowserCopy(document);
    if (!browser) {
        Fail("The user cannot reach " + document.URL() + ": it is not shown.");
        return nullptr;
    }
    Element* element = browser->item(id, index);
    if (element == nullptr) Fail("The user finds no element \"" + id + "\" in " + document.URL() + ".");
    return element;
}

bool FakeHost::Type(Document& document, const std::string& id, const std::string& text, int index) {
    Element* element = BrowserElement(document, id, index);
    if (element == nullptr) return false;
    if (!IsTextField(*element) || element->disabled() || element->hasAttribute("readonly")) {
        Fail("The user cannot type into \"" + id + "\".");
        return false;
    }
    element->setValue(text);
    FormState state;
    state.value = text;
    return document.ApplyFormState(element->key(), state);
}

bool FakeHost::SetChecked(Document& document, const std::string& id, bool checked, int index) {
    Element* element = BrowserElement(document, id, index);
    if (element == nullptr) return false;
    if (!(element->type() == "checkbox" || element->type() == "radio") || element->disabled()) {
        Fail("The user cannot tick \"" + id + "\".");
        return false;
    }
    element->setChecked(checked);
    FormState state;
    state.checked = checked;
    return document.ApplyFormState(element->key(), state);
}

bool FakeHost::Choose(Document& document, const std::string& id, const std::string& optionValue) {
    Element* element = BrowserElement(document, id, 0);
    if (element == nullptr) return false;
    if (!element->is("select") || element->disabled()) {
        Fail("The user cannot choose in \"" + id + "\".");
        return false;
    }
    element->setValue(optionValue);
    if (element->selectedIndex() < 0) {
        Fail("\"" + id + "\" has no option \"" + optionValue + "\".");
        return false;
    }
    FormState state;
    state.selectedIndex = element->selectedIndex();
    return document.ApplyFormState(element->key(), state);
}

bool FakeHost::Clickable(Document& document, const std::string& id) {
    const Element* element = BrowserElement(document, id, 0);
    if (element == nullptr) return false;
    for (const Element* around = element; around != nullptr; around = around->parentElement()) {
        if (around->isFormControl() && around->disabled()) {
            Fail("The user cannot click \"" + id + "\": it is disabled.");
            return false;
        }
    }
    return true;
}

void FakeHost::Deliver(const Dialog::WeakRef& dialog, const std::function<void(Dialog&)>& event) {
    FlushPatches();
    auto handled = std::make_shared<bool>(false);
    loop_.Post([dialog, event, handled] {
        if (Dialog* target = Dialog::Resolve(dialog)) event(*target);
        *handled = true;
    });
    if (!loop_.RunUntil([handled] { return *handled; }, kActionTimeout)) {
        Fail("The program did not handle the user's action in time.");
    }
}

// --- dialogs ---

void FakeHost::AnswerDialog(int resourceId, Answer answer) {
    answers_[resourceId].push_back(std::move(answer));
}

bool FakeHost::OpenDialog(Dialog& dialog) {
    const int resourceId = dialog.resourceId();
    openedDialogs_.push_back(resourceId);
    const std::string url = ResourceUrl(resourceId);
    std::shared_ptr<Document> document = Resources::LoadDocument(resourceId, url);
    if (document) Show(document);
    dialogs_[&dialog] = OpenWindow{dialog.weakRef(), document, dialog.bounds()};

    Answer answer;
    auto queued = answers_.find(resourceId);
    if (dialog.IsModal() && queued != answers_.end() && !queued->second.empty()) {
        answer = std::move(queued->second.front());
        queued->second.pop_front();
    }
    const Dialog::WeakRef ref = dialog.weakRef();
    loop_.Post([this, ref, document, url, answer, resourceId] {
        Dialog* target = Dialog::Resolve(ref);
        if (target == nullptr) return;
        target->HostDocumentComplete(document, url);
        const auto stillOpen = [&ref] {
            const Dialog* open = Dialog::Resolve(ref);
            return open != nullptr && open->IsOpen() && !open->IsEnded();
        };
        if (!target->IsModal() || !stillOpen()) return;
        if (answer && !document) {
            Fail("Dialog " + std::to_string(resourceId) + " has no page for the user to answer.");
        } else if (answer) {
            FlushPatches();  // the user sees the page as its dialog has filled it
            User user(*this, ref, document);
            answer(user);
            if (!stillOpen()) return;
            Fail("Dialog " + std::to_string(resourceId) + " is still open after its answer.");
        } else {
            Fail("Nobody answers dialog " + std::to_string(resourceId) + ".");
        }
        // Rather than hang: Escape, and if the dialog ignores that, end it.
        Dialog::Resolve(ref)->HostEscape();
        if (stillOpen()) Dialog::Resolve(ref)->EndDialog(Dialog::kNotShown);
    });
    return true;
}

void FakeHost::CloseDialog(Dialog& dialog) {
    const auto it = dialogs_.find(&dialog);
    if (it == dialogs_.end()) return;
    Hide(it->second.document.get());
    dialogs_.erase(it);
}

void FakeHost::SetDialogBounds(Dialog& dialog, const DialogBounds& bounds) {
    const auto it = dialogs_.find(&dialog);
    if (it != dialogs_.end()) it->second.bounds = bounds;
}

std::string FakeHost::Caption(const Dialog& dialog) const {
    const auto it = dialogs_.find(&dialog);
    if (it == dialogs_.end() || !it->second.document) return {};
    return it->second.document->title();
}

DialogBounds FakeHost::BoundsOf(const Dialog& dialog) const {
    const auto it = dialogs_.find(&dialog);
    return it != dialogs_.end() ? it->second.bounds : DialogBounds{};
}

// --- the main window ---

void FakeHost::Navigate(const std::string& url, const std::string& frame) {
    LoadInFrame(url, frame, [this, url, frame] {
        history_.resize(historyPosition_);
        history_.emplace_back(url, frame);
        historyPosition_ = history_.size();
    });
}

bool FakeHost::GoBack() {
    if (historyPosition_ < 2) return false;
    const auto& [url, frame] = history_[historyPosition_ - 2];
    LoadInFrame(url, frame, [this] { --historyPosition_; });
    return true;
}

bool FakeHost::GoForward() {
    if (historyPosition_ >= history_.size()) return false;
    const auto& [url, frame] = history_[historyPosition_];
    LoadInFrame(url, frame, [this] { ++historyPosition_; });
    return true;
}

void FakeHost::LoadInFrame(const std::string& url, const std::string& frame, std::function<void()> onLoaded) {
    navigations_.push_back(frame.empty() ? url : frame + ": " + url);
    loop_.Post([this, url, frame, onLoaded] {
        bool cancel = false;
        if (events_ != nullptr) events_->OnBeforeNavigate(url, frame, cancel);
        if (cancel) return;
        std::shared_ptr<Document> document = Resources::LoadDocument(Resources::IdFromUrl(url), url);
        if (!document) {
            Fail("There is no page for " + url + ".");
            return;
        }
        if (frame.empty()) {
            for (const auto& [name, shown] : frames_) Hide(shown.get());
            frames_.clear();
        } else if (const auto old = frames_.find(frame); old != frames_.end()) {
            Hide(old->second.get());
        }
        frames_[frame] = document;
        Show(document);
        onLoaded();
        if (events_ != nullptr) events_->OnDocumentComplete(url, frame, document);
    });
}

std::shared_ptr<Document> FakeHost::FrameDocument(const std::string& frame) const {
    const auto it = frames_.find(frame);
    return it != frames_.end() ? it->second : nullptr;
}

std::string FakeHost::statusText(int pane) const {
    const auto it = status_.find(pane);
    return it != status_.end() ? it->second : std::string();
}

void FakeHost::Print(const Document& document) {
    printed_.push_back(document.Serialize());
}

}  // namespace jv::ui
