#include "platform/ui/Document.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "platform/ui/DomUtil.h"
#include "platform/ui/HtmlParser.h"
#include "platform/ui/HtmlSerializer.h"

namespace jv::ui {

using dom::EqualsNoCase;
using dom::LowerCase;

namespace {

std::atomic<uint64_t> g_nextDocumentId{1};

constexpr SerializeOptions kForPatches{true, true};

bool IsTagName(std::string_view name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name.front()))) return false;
    for (const char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && dom::IsHtmlSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && dom::IsHtmlSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

const char* MutationTypeName(Mutation::Type type) {
    switch (type) {
        case Mutation::Type::InsertNode:
            return "InsertNode";
        case Mutation::Type::RemoveNode:
            return "RemoveNode";
        case Mutation::Type::ReplaceChildren:
            return "ReplaceChildren";
        case Mutation::Type::SetAttribute:
            return "SetAttribute";
        case Mutation::Type::RemoveAttribute:
            return "RemoveAttribute";
        case Mutation::Type::SetProperty:
            return "SetProperty";
        case Mutation::Type::Focus:
            return "Focus";
    }
    return "";
}

Document::Document(std::string url) : Node(Type::Document, nullptr), id_(g_nextDocumentId++), url_(std::move(url)) {
    document_ = this;
    key_ = NextKey();
}

Document::~Document() = default;

std::shared_ptr<Document> Document::Parse(std::string_view html, std::string url, ParseKeys keys) {
    auto document = std::make_shared<Document>(std::move(url));
    document->keys_ = keys;
    HtmlParser::ParseDocument(*document, html);
    // Keys from the attribute may lie anywhere: they go in the map.
    if (keys == ParseKeys::New) document->denseKeys_ = document->nextKey_;
    document->SettleFormControls(*document);
    document->Register(*document);
    return document;
}

// --- building ---

void Document::SetParsedAttribute(Element& element, std::string_view name, std::string_view value) {
    if (keys_ == ParseKeys::FromAttribute && name == "data-jv-key") {
        element.key_ = std::strtoull(std::string(value).c_str(), nullptr, 10);
        return;
    }
    element.SetAttributeSilently(name, value);
}

void Document::LinkParsed(Node& parent, const NodePtr& child) {
    parent.LinkChild(child, parent.children_.size());
}

NodePtr Document::NewComment(std::string_view text) {
    NodePtr node = std::make_shared<Node>(Passkey(), Type::Comment, this);
    node->data_ = text;
    return node;
}

NodePtr Document::NewDocumentType(std::string_view name) {
    NodePtr node = std::make_shared<Node>(Passkey(), Type::DocumentType, this);
    node->data_ = name;
    return node;
}

ElementPtr Document::createElement(std::string_view tagOrStartTag) {
    const std::string_view text = Trim(tagOrStartTag);
    if (!text.empty() && text.front() == '<') return HtmlParser::ParseStartTag(*this, text);
    if (!IsTagName(text)) return nullptr;
    return std::make_shared<Element>(Passkey(), this, dom::LowerCase(text));
}

NodePtr Document::createTextNode(std::string_view text) {
    NodePtr node = std::make_shared<Node>(Passkey(), Type::Text, this);
    node->data_ = text;
    return node;
}

NodePtr Document::createDocumentFragment() {
    return std::make_shared<Node>(Passkey(), Type::DocumentFragment, this);
}

std::vector<NodePtr> Document::ParseFragment(std::string_view html, std::string_view contextTag) {
    std::vector<NodePtr> nodes = HtmlParser::ParseFragment(*this, html, contextTag);
    for (const NodePtr& node : nodes) SettleFormControls(*node);
    return nodes;
}

// --- reading ---

Element* Document::documentElement() const {
    for (const NodePtr& child : children_) {
        if (Element* element = child->asElement()) return element;
    }
    return nullptr;
}

Element* Document::head() const {
    Element* html = documentElement();
    if (html == nullptr) return nullptr;
    for (Element* child : html->children()) {
        if (child->is("head")) return child;
    }
    return nullptr;
}

Element* Document::body() const {
    Element* html = documentElement();
    if (html == nullptr) return nullptr;
    for (Element* child : html->children()) {
        if (child->is("body") || child->is("frameset")) return child;
    }
    return nullptr;
}

std::string Document::title() const {
    Element* title = nullptr;
    dom::ForEachElementBelow(*this, [&](Element& element) {
        if (!element.is("title")) return false;
        title = &element;
        return true;
    });
    return title != nullptr ? dom::CollapseWhitespace(title->textContent()) : std::string();
}

void Document::setTitle(std::string_view text) {
    Element* title = nullptr;
    dom::ForEachElementBelow(*this, [&](Element& element) {
        if (!element.is("title")) return false;
        title = &element;
        return true;
    });
    if (title == nullptr) {
        Node* parent = head();
        if (parent == nullptr) parent = documentElement();
        if (parent == nullptr) return;
        ElementPtr created = createElement("title");
        created->setTextContent(text);
        parent->appendChild(created);
        return;
    }
    title->setTextContent(text);
}

namespace {

int Depth(const Node* node) {
    int depth = 0;
    while ((node = node->parentNode()) != nullptr) ++depth;
    return depth;
}

// Whether a comes before b in document order (both in one tree): at the first place where their
// ancestors part, the earlier child; an ancestor comes before what is below it.
bool Precedes(const Node& a, const Node& b) {
    if (&a == &b) return false;
    const Node* x = &a;
    const Node* y = &b;
    const int depthA = Depth(x);
    const int depthB = Depth(y);
    for (int depth = depthA; depth > depthB; --depth) x = x->parentNode();
    for (int depth = depthB; depth > depthA; --depth) y = y->parentNode();
    if (x == y) return depthA < depthB;
    while (x->parentNode() != y->parentNode()) {
        x = x->parentNode();
        y = y->parentNode();
    }
    return x->indexInParent() < y->indexInParent();
}

}  // namespace

Element* Document::getElementById(std::string_view id) const {
    const Named* named = Settled(byId_, id);
    Element* found = named != nullptr && !named->entries.empty() ? Current(named->entries.front()) : nullptr;
    return found != nullptr ? found : Resolve(id);
}

Element* Document::Resolve(std::string_view id) const {
    if (!resolver_ || resolving_ || id.empty()) return nullptr;
    resolving_ = true;
    Element* element = nullptr;
    try {
        element = resolver_(id);
    } catch (...) {
        resolving_ = false;
        throw;
    }
    resolving_ = false;
    // Only an element of this tree answers a look-up.
    return element != nullptr && element->ownerDocument() == this && element->isConnected() ? element : nullptr;
}

Element* Document::item(std::string_view name, int index) const {
    if (index < 0) return nullptr;
    const Named* ids = Settled(byId_, name);
    const Named* names = Settled(byName_, name);
    const auto at = [this](const Named* named, size_t place) -> Element* {
        return named != nullptr && place < named->entries.size() ? Current(named->entries[place]) : nullptr;
    };
    if (ids == nullptr && names == nullptr) return index == 0 ? Resolve(name) : nullptr;
    if (ids == nullptr || names == nullptr) return at(ids != nullptr ? ids : names, static_cast<size_t>(index));
    // Elements named so by their id and others by their name: the two lists merged in document order.
    size_t i = 0, j = 0;
    for (;;) {
        Element* byId = at(ids, i);
        Element* byName = at(names, j);
        if (byId == nullptr && byName == nullptr) return nullptr;
        const bool idFirst = byName == nullptr || (byId != nullptr && Precedes(*byId, *byName));
        if (index-- == 0) return idFirst ? byId : byName;
        (idFirst ? i : j)++;
    }
}

std::string Document::Serialize(const SerializeOptions& options) const {
    return HtmlSerializer(options).Inner(*this);
}

// --- the mutation log ---

void Document::Record(Mutation mutation) {
    log_.push_back(std::move(mutation));
}

std::vector<Mutation> Document::TakeMutations() {
    std::vector<Mutation> taken;
    taken.swap(log_);
    return taken;
}

std::string Document::SerializeForPatch(const Node& node) const {
    return HtmlSerializer(kForPatches).Outer(node);
}

std::string Document::SerializeChildrenForPatch(const Node& node) const {
    return HtmlSerializer(kForPatches).Inner(node);
}

// --- tree changes ---

void Document::Adopt(Node& node) {
    node.document_ = this;
    node.key_ = NextKey();
    for (const NodePtr& child : node.children_) Adopt(*child);
}

void Document::Register(Node& node) {
    dom::ForEachElement(node, [&](Element& element) {
        SetByKey(element.key(), &element);
        Index(element);
        return false;
    });
}

void Document::Unregister(Node& node) {
    dom::ForEachElement(node, [&](Element& element) {
        Unindex(element);
        SetByKey(element.key(), nullptr);
        return false;
    });
}

Element* Document::Current(const std::pair<uint64_t, uint32_t>& entry) const {
    Element* element = FindByKey(entry.first);
    return element != nullptr && element->indexings_ == entry.second ? element : nullptr;
}

void Document::Add(std::unordered_map<std::string, Named>& index, std::string name, Element& element) {
    Named& named = index.try_emplace(std::move(name)).first->second;
    if (named.ordered && !named.entries.empty()) {
        // Pages mostly add at the end: the entries stay in order when the new one comes last.
        const Element* last = Current(named.entries.back());
        named.ordered = last != nullptr && Precedes(*last, element);
    }
    named.entries.emplace_back(element.key(), element.indexings_);
    if (named.stale > 16 && named.stale * 2 > named.entries.size()) DropStale(named);
}

void Document::Index(Element& element) {
    if (!namesIndexed_) return;
    ++element.indexings_;
    const Element::Attribute* id = element.FindAttribute("id");
    const Element::Attribute* name = element.FindAttribute("name");
    const std::string lowerId = id != nullptr ? LowerCase(id->second) : std::string();
    if (id != nullptr) {
        Add(byId_, lowerId, element);
    }
    if (name != nullptr) {
        const std::string lowerName = LowerCase(name->second);
        if (id == nullptr || lowerName != lowerId) Add(byName_, lowerName, element);
    }
}

void Document::Unindex(Element& element) {
    if (!namesIndexed_) return;
    // The element's entries are stale from here on.
    ++element.indexings_;
    const auto stale = [this](std::unordered_map<std::string, Named>& index, const Element::Attribute* attribute) {
        if (attribute == nullptr) return;
        const auto it = index.find(LowerCase(attribute->second));
        if (it == index.end()) return;
        // A name goes with its last element (ids mostly name one element each), and the entries
        // of a name many elements share are dropped once most of them are stale, so that neither
        // grows with the elements that come and go.
        Named& named = it->second;
        if (++named.stale >= named.entries.size() || (named.stale > 16 && named.stale * 2 > named.entries.size())) {
            DropStale(named);
            if (named.entries.empty()) index.erase(it);
        }
    };
    const Element::Attribute* id = element.FindAttribute("id");
    const Element::Attribute* name = element.FindAttribute("name");
    stale(byId_, id);
    if (name != nullptr && (id == nullptr || !EqualsNoCase(id->second, name->second))) stale(byName_, name);
}

void Document::DropStale(Named& named) const {
    auto& entries = named.entries;
    entries.erase(
        std::remove_if(entries.begin(), entries.end(), [this](const auto& entry) { return Current(entry) == nullptr; }),
        entries.end());
    named.stale = 0;
    if (entries.capacity() > 2 * entries.size() + 8) entries.shrink_to_fit();
}

void Document::Settle(Named& named) const {
    if (named.stale > 0 || !named.ordered) DropStale(named);
    if (!named.ordered) {
        std::stable_sort(named.entries.begin(), named.entries.end(),
                         [this](const auto& a, const auto& b) { return Precedes(*Current(a), *Current(b)); });
        named.ordered = true;
    }
}

const Document::Named* Document::Settled(std::unordered_map<std::string, Named>& index, std::string_view name) const {
    if (!namesIndexed_) {
        // Built at the first look-up, in document order: a page that never looks up by name
        // never pays for it.
        namesIndexed_ = true;
        auto* self = const_cast<Document*>(this);
        dom::ForEachElementBelow(*this, [self](Element& element) {
            self->Index(element);
            return false;
        });
    }
    const auto it = index.find(LowerCase(name));
    if (it == index.end()) return nullptr;
    Named& named = it->second;
    Settle(named);
    if (named.entries.empty()) {
        index.erase(it);
        return nullptr;
    }
    return &named;
}

void Document::SettleFormControls(Node& root) {
    std::vector<Element*> checkedRadios;
    dom::ForEachElement(root, [&](Element& element) {
        if (element.is("select")) {
            AfterOptionsChanged(&element, nullptr);
        } else if (element.is("input") && element.checked_ && element.type() == "radio") {
            checkedRadios.push_back(&element);
        }
        return false;
    });
    // In document order, so that the last checked button of a group wins.
    for (Element* radio : checkedRadios) radio->SetCheckedness(true);
}

// The browser's rules for the options of a select that changed: an option that comes in
// selected is the selection of a single select; a single select that shows one line always has
// one option selected, the first that is not disabled unless another is.
void Document::AfterOptionsChanged(Element* select, Node* inserted) {
    if (select == nullptr || select->multiple()) return;
    const std::vector<Element*> options = select->options();
    if (inserted != nullptr) {
        Element* chosen = nullptr;
        dom::ForEachElement(*inserted, [&](Element& element) {
            if (element.is("option") && element.selected_) chosen = &element;
            return false;
        });
        if (chosen != nullptr) {
            for (Element* option : options) option->selected_ = option == chosen;
        }
    }
    const long size = std::strtol(select->getAttribute("size").value_or("1").c_str(), nullptr, 10);
    if (size > 1) return;
    Element* last = nullptr;
    for (Element* option : options) {
        if (option->selected_) {
            if (last != nullptr) last->selected_ = false;
            last = option;
        }
    }
    if (last != nullptr) return;
    for (Element* option : options) {
        const Element* group = option->parentElement();
        if (!option->disabled() && !(group != nullptr && group->is("optgroup") && group->disabled())) {
            option->selected_ = true;
            return;
        }
    }
}

void Document::AfterInsert(Node& parent, Node& child, int index) {
    std::vector<Element*> checkedRadios;
    dom::ForEachElement(child, [&](Element& element) {
        if (element.is("input") && element.checked_ && element.type() == "radio") checkedRadios.push_back(&element);
        return false;
    });
    for (Element* radio : checkedRadios) radio->SetCheckedness(true);
    if (Element* parentElement = parent.asElement()) AfterOptionsChanged(parentElement->SelectOfOptionList(), &child);
    if (!parent.isConnected()) return;
    MergeTextNodes(child);
    Register(child);
    if (unrecorded_ > 0) return;
    Mutation mutation;
    mutation.type = Mutation::Type::InsertNode;
    mutation.parent = parent.key();
    mutation.index = index;
    mutation.node = child.key();
    if (child.nodeType() == Type::Text) mutation.value = child.data();
    mutation.html = SerializeForPatch(child);
    Record(std::move(mutation));
    for (Mutation& property : LiveFormState(child)) Record(std::move(property));
}

std::vector<Mutation> Document::LiveFormState(const Node& root) const {
    std::vector<Mutation> records;
    const auto property = [&records](const Element& element, const char* name, std::string value) {
        Mutation mutation;
        mutation.type = Mutation::Type::SetProperty;
        mutation.node = element.key();
        mutation.name = name;
        mutation.value = std::move(value);
        records.push_back(std::move(mutation));
    };
    dom::ForEachElement(const_cast<Node&>(root), [&](Element& element) {
        if (element.is("input") || element.is("textarea")) {
            if (element.valueDirty_ && (element.is("textarea") || element.ValueMode() == "value")) {
                property(element, "value", element.value_);
            }
            if (element.checkedDirty_ && element.is("input")) {
                property(element, "checked", element.checked_ ? "true" : "false");
            }
        } else if (element.is("select")) {
            const std::vector<Element*> options = element.options();
            const auto dirty = [](const Element* option) { return option->selectedDirty_; };
            if (element.multiple()) {
                for (const Element* option : options) {
                    if (dirty(option)) property(*option, "selected", option->selected_ ? "true" : "false");
                }
            } else if (!options.empty() &&
                       (element.selectedIndex() < 0 || std::any_of(options.begin(), options.end(), dirty))) {
                property(element, "selectedIndex", std::to_string(element.selectedIndex()));
            }
        }
        return false;
    });
    return records;
}

void Document::MergeTextNodes(Node& root) {
    auto& children = root.children_;
    for (size_t i = 0; i < children.size();) {
        Node& child = *children[i];
        if (child.type_ != Type::Text) {
            MergeTextNodes(child);
            ++i;
        } else if (child.data_.empty()) {
            root.UnlinkChild(i);
        } else if (i > 0 && children[i - 1]->type_ == Type::Text) {
            children[i - 1]->data_ += child.data_;
            root.UnlinkChild(i);
        } else {
            ++i;
        }
    }
}

void Document::AfterRemove(Node& parent, Node& child, int index) {
    if (parent.isConnected()) {
        Unregister(child);
        if (unrecorded_ == 0) {
            Mutation mutation;
            mutation.type = Mutation::Type::RemoveNode;
            mutation.parent = parent.key();
            mutation.index = index;
            mutation.node = child.key();
            Record(std::move(mutation));
        }
    }
    if (Element* parentElement = parent.asElement()) AfterOptionsChanged(parentElement->SelectOfOptionList(), nullptr);
}

// --- state from the browser ---

void Document::SetByKey(uint64_t key, Element* element) {
    if (key < denseKeys_) {
        if (key >= denseByKey_.size()) denseByKey_.resize(denseKeys_, nullptr);
        denseByKey_[key] = element;
        return;
    }
    if (element != nullptr) {
        byKey_[key] = element;
        return;
    }
    byKey_.erase(key);
    // The map gives back its buckets once most of them stand empty.
    if (byKey_.bucket_count() > 64 && byKey_.size() * 8 < byKey_.bucket_count()) byKey_.rehash(0);
}

Element* Document::FindByKey(uint64_t key) const {
    if (key < denseKeys_) return key < denseByKey_.size() ? denseByKey_[key] : nullptr;
    const auto it = byKey_.find(key);
    return it != byKey_.end() ? it->second : nullptr;
}

Document::LookupSizes Document::lookupSizes() const {
    LookupSizes sizes;
    sizes.keys = denseByKey_.size() + byKey_.size();
    for (const auto* index : {&byId_, &byName_}) {
        sizes.names += index->size();
        for (const auto& [name, named] : *index) sizes.nameEntries += named.entries.size();
    }
    return sizes;
}

namespace {

// Whether the user can change the control as the program renders it now: no hidden input, nothing
// read-only, nothing disabled by itself, by a fieldset around it or, for an option, by its group or
// its select. A page script can still write into the others in the browser, but what they hold
// stays the program's (a stored entry's car, say).
bool UserEditable(const Element& control) {
    if (control.hasAttribute("readonly") || (control.is("input") && control.type() == "hidden")) return false;
    for (const Element* element = &control; element != nullptr; element = element->parentElement()) {
        const bool disables = element == &control || element->is("fieldset") ||
                              (control.is("option") && element->is("optgroup")) ||
                              (control.is("option") && element->is("select"));
        if (disables && element->disabled()) return false;
    }
    return true;
}

}  // namespace

bool Document::ApplyFormState(uint64_t key, const FormState& state) {
    Element* element = FindByKey(key);
    if (element == nullptr || !element->isFormControl() || !UserEditable(*element)) return false;
    if (state.selectedIndex && *state.selectedIndex >= 0) {
        const std::vector<Element*> options = element->options();
        const auto index = static_cast<size_t>(*state.selectedIndex);
        if (index < options.size() && !UserEditable(*options[index])) return false;
    }
    Unrecorded quiet(*this);
    if (state.value) element->setValue(*state.value);
    if (state.checked) element->setChecked(*state.checked);
    if (state.selected) element->setSelected(*state.selected);
    if (state.selectedIndex) element->setSelectedIndex(*state.selectedIndex);
    return true;
}

bool Document::ApplySyncedContent(uint64_t key, std::string_view html) {
    Element* element = FindByKey(key);
    if (element == nullptr || !element->hasAttribute("data-jv-sync")) return false;
    Unrecorded quiet(*this);
    element->setInnerHTML(html);
    return true;
}

}  // namespace jv::ui
