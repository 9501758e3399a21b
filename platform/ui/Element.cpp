#include "platform/ui/Element.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ui/Document.h"
#include "platform/ui/DomUtil.h"
#include "platform/ui/HtmlSerializer.h"

namespace jv::ui {

using dom::EqualsNoCase;
using dom::LowerCase;

namespace {

constexpr SerializeOptions kForReading{false, true};

bool IsBlockForText(std::string_view name) {
    static constexpr std::string_view kNames[] = {
        "address", "article", "aside", "blockquote", "center",  "dd",  "div",     "dl",      "dt",     "fieldset",
        "figure",  "footer",  "form",  "h1",         "h2",      "h3",  "h4",      "h5",      "h6",     "header",
        "hr",      "li",      "main",  "nav",        "ol",      "pre", "section", "table",   "ul",     "tr",
        "caption", "thead",   "tbody", "tfoot",      "listing", "xmp", "menu",    "details", "summary"};
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

bool IsHiddenForText(std::string_view name) {
    return name == "script" || name == "style" || name == "head" || name == "title" || name == "template" ||
           name == "noscript";
}

// Builds the text a user reads from a subtree, as the browser's innerText did.
class TextBuilder {
public:
    void Walk(const Node& node, bool preformatted) {
        for (const NodePtr& child : node.childNodes()) {
            if (child->nodeType() == Node::Type::Text) {
                Text(child->data(), preformatted);
                continue;
            }
            const Element* element = child->asElement();
            if (element == nullptr) continue;
            const std::string& name = element->localName();
            if (IsHiddenForText(name)) continue;
            if (name == "br") {
                HardBreak();
                continue;
            }
            if ((name == "td" || name == "th") && element->parentNode() != nullptr && element->indexInParent() > 0 &&
                HasCellBefore(*element)) {
                Flush();
                out_ += '\t';
                atLineStart_ = false;
                space_ = false;
            }
            const bool block = IsBlockForText(name) || name == "p";
            const int breaks = name == "p" ? 2 : 1;
            if (block) RequireBreaks(breaks);
            Walk(*element, preformatted || name == "pre" || name == "textarea" || name == "listing");
            if (block) RequireBreaks(breaks);
        }
    }

    std::string Take() { return std::move(out_); }

private:
    static bool HasCellBefore(const Element& cell) {
        const auto& siblings = cell.parentNode()->childNodes();
        for (const NodePtr& sibling : siblings) {
            if (sibling.get() == &cell) return false;
            const Element* element = sibling->asElement();
            if (element != nullptr && (element->is("td") || element->is("th"))) return true;
        }
        return false;
    }

    void Text(std::string_view text, bool preformatted) {
        for (const char c : text) {
            if (preformatted) {
                Flush();
                out_ += c;
                atLineStart_ = c == '\n';
            } else if (dom::IsHtmlSpace(c)) {
                space_ = !atLineStart_;
            } else {
                Flush();
                if (space_) out_ += ' ';
                space_ = false;
                out_ += c;
                atLineStart_ = false;
            }
        }
    }

    void HardBreak() {
        Flush();
        out_ += '\n';
        atLineStart_ = true;
        space_ = false;
    }

    void RequireBreaks(int count) {
        if (out_.empty()) return;
        breaks_ = std::max(breaks_, count);
        space_ = false;
    }

    void Flush() {
        if (breaks_ == 0) return;
        int present = 0;
        for (auto it = out_.rbegin(); it != out_.rend() && *it == '\n' && present < breaks_; ++it) ++present;
        out_.append(static_cast<size_t>(breaks_ - present), '\n');
        breaks_ = 0;
        atLineStart_ = true;
    }

    std::string out_;
    int breaks_ = 0;
    bool space_ = false;
    bool atLineStart_ = true;
};

std::vector<std::pair<std::string, std::string>> ParseStyle(std::string_view text) {
    std::vector<std::pair<std::string, std::string>> declarations;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = start;
        int depth = 0;
        char quote = 0;
        for (; end < text.size(); ++end) {
            const char c = text[end];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')') {
                depth = std::max(0, depth - 1);
            } else if (c == ';' && depth == 0) {
                break;
            }
        }
        const std::string_view declaration = text.substr(start, end - start);
        const size_t colon = declaration.find(':');
        if (colon != std::string_view::npos) {
            std::string property = LowerCase(dom::CollapseWhitespace(declaration.substr(0, colon)));
            std::string value = dom::CollapseWhitespace(declaration.substr(colon + 1));
            if (!property.empty()) declarations.emplace_back(std::move(property), std::move(value));
        }
        start = end + 1;
    }
    return declarations;
}

}  // namespace

Element::Element(Passkey key, Document* document, std::string localName)
    : Node(key, Type::Element, document), localName_(std::move(localName)) {}

std::string Element::tagName() const {
    std::string name = localName_;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// --- attributes ---

Element::Attribute* Element::FindAttribute(std::string_view name) {
    for (Attribute& attribute : attributes_) {
        if (EqualsNoCase(attribute.first, name)) return &attribute;
    }
    return nullptr;
}

const Element::Attribute* Element::FindAttribute(std::string_view name) const {
    return const_cast<Element*>(this)->FindAttribute(name);
}

std::optional<std::string> Element::getAttribute(std::string_view name) const {
    const Attribute* attribute = FindAttribute(name);
    if (attribute == nullptr) return std::nullopt;
    return attribute->second;
}

bool Element::hasAttribute(std::string_view name) const {
    return FindAttribute(name) != nullptr;
}

void Element::SetAttributeSilently(std::string_view name, std::string_view value) {
    const std::string lower = LowerCase(name);
    // The look-ups by id and name follow a renamed element.
    const bool naming = (lower == "id" || lower == "name") && document_ != nullptr && document_->Registered(*this);
    if (naming) document_->Unindex(*this);
    if (Attribute* attribute = FindAttribute(lower)) {
        attribute->second = value;
    } else {
        attributes_.emplace_back(lower, value);
    }
    if (naming) document_->Index(*this);
    // A default that live state still follows.
    if (lower == "checked" && is("input") && !checkedDirty_) SetCheckedness(true);
    if (lower == "selected" && is("option") && !selectedDirty_) SetSelectedness(true);
}

void Element::RemoveAttributeSilently(std::string_view name) {
    const auto it = std::find_if(attributes_.begin(), attributes_.end(),
                                 [&](const Attribute& attribute) { return EqualsNoCase(attribute.first, name); });
    if (it == attributes_.end()) return;
    const std::string lower = it->first;
    const bool naming = (lower == "id" || lower == "name") && document_ != nullptr && document_->Registered(*this);
    if (naming) document_->Unindex(*this);
    attributes_.erase(it);
    if (naming) document_->Index(*this);
    if (lower == "checked" && is("input") && !checkedDirty_) SetCheckedness(false);
    if (lower == "selected" && is("option") && !selectedDirty_) {
        SetSelectedness(false);
        if (Element* select = ownerSelect(); select != nullptr && document_ != nullptr) {
            document_->AfterOptionsChanged(select, nullptr);
        }
    }
}

void Element::setAttribute(std::string_view name, std::string_view value) {
    SetAttributeSilently(name, value);
    if (document_ != nullptr && document_->Recording(*this)) {
        Mutation mutation;
        mutation.type = Mutation::Type::SetAttribute;
        mutation.node = key();
        mutation.name = LowerCase(name);
        mutation.value = std::string(value);
        document_->Record(std::move(mutation));
    }
}

void Element::removeAttribute(std::string_view name) {
    if (!hasAttribute(name)) return;
    RemoveAttributeSilently(name);
    if (document_ != nullptr && document_->Recording(*this)) {
        Mutation mutation;
        mutation.type = Mutation::Type::RemoveAttribute;
        mutation.node = key();
        mutation.name = LowerCase(name);
        document_->Record(std::move(mutation));
    }
}

std::string Element::id() const {
    return getAttribute("id").value_or("");
}

void Element::setId(std::string_view id) {
    setAttribute("id", id);
}

std::string Element::className() const {
    return getAttribute("class").value_or("");
}

void Element::setClassName(std::string_view className) {
    setAttribute("class", className);
}

std::string Element::name() const {
    return getAttribute("name").value_or("");
}

// --- content ---

std::string Element::innerHTML() const {
    return HtmlSerializer(kForReading).Inner(*this);
}

std::string Element::outerHTML() const {
    return HtmlSerializer(kForReading).Outer(*this);
}

void Element::setInnerHTML(std::string_view html) {
    if (document_ == nullptr) return;
    ReplaceChildren(document_->ParseFragment(html, localName_));
}

void Element::ReplaceChildren(std::vector<NodePtr> nodes) {
    Document* document = document_;
    const bool connected = isConnected();
    while (!children_.empty()) {
        NodePtr child = UnlinkChild(children_.size() - 1);
        if (connected) document->Unregister(*child);
    }
    for (NodePtr& node : nodes) {
        if (node->parent_ != nullptr) node->parent_->removeChild(node.get());
        if (node->document_ != document) document->Adopt(*node);
        LinkChild(node, children_.size());
    }
    Document::MergeTextNodes(*this);
    for (const NodePtr& child : children_) document->SettleFormControls(*child);
    if (Element* select = SelectOfOptionList()) document->AfterOptionsChanged(select, nullptr);
    if (connected) {
        for (const NodePtr& child : children_) document->Register(*child);
    }
    if (document->Recording(*this)) {
        Mutation mutation;
        mutation.type = Mutation::Type::ReplaceChildren;
        mutation.node = key();
        mutation.html = document->SerializeChildrenForPatch(*this);
        document->Record(std::move(mutation));
    }
}

std::string Element::innerText() const {
    TextBuilder builder;
    builder.Walk(*this, is("pre") || is("textarea") || is("listing"));
    return builder.Take();
}

void Element::setInnerText(std::string_view text) {
    if (document_ == nullptr) return;
    std::vector<NodePtr> nodes;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty()) nodes.push_back(document_->createTextNode(line));
        if (end == std::string_view::npos) break;
        nodes.push_back(document_->createElement("br"));
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
        start = end + 1;
    }
    ReplaceChildren(std::move(nodes));
}

void Element::setTextContent(std::string_view text) {
    if (document_ == nullptr) return;
    std::vector<NodePtr> nodes;
    if (!text.empty()) nodes.push_back(document_->createTextNode(text));
    ReplaceChildren(std::move(nodes));
}

bool Element::insertAdjacentHTML(std::string_view where, std::string_view html) {
    if (document_ == nullptr) return false;
    Node* parent = nullptr;
    const Node* reference = nullptr;
    std::string context = localName_;
    if (EqualsNoCase(where, "beforeBegin") || EqualsNoCase(where, "afterEnd")) {
        parent = parent_;
        if (parent == nullptr || parent->nodeType() == Type::Document) return false;
        const Element* parentElement = parent->asElement();
        context = parentElement != nullptr ? parentElement->localName() : "body";
        if (EqualsNoCase(where, "beforeBegin")) {
            reference = this;
        } else {
            const int index = indexInParent();
            const auto& siblings = parent->childNodes();
            reference = static_cast<size_t>(index) + 1 < siblings.size() ? siblings[index + 1].get() : nullptr;
        }
    } else if (EqualsNoCase(where, "afterBegin")) {
        parent = this;
        reference = children_.empty() ? nullptr : children_.front().get();
    } else if (EqualsNoCase(where, "beforeEnd")) {
        parent = this;
    } else {
        return false;
    }
    for (const NodePtr& node : document_->ParseFragment(html, context)) {
        if (!parent->insertBefore(node, reference)) return false;
    }
    return true;
}

std::vector<Element*> Element::children() const {
    std::vector<Element*> elements;
    for (const NodePtr& child : children_) {
        if (Element* element = child->asElement()) elements.push_back(element);
    }
    return elements;
}

Element* Element::item(std::string_view name, int index) const {
    if (index < 0) return nullptr;
    Element* found = nullptr;
    int seen = 0;
    dom::ForEachElementBelow(*this, [&](Element& element) {
        const Attribute* id = element.FindAttribute("id");
        const Attribute* elementName = element.FindAttribute("name");
        if ((id != nullptr && EqualsNoCase(id->second, name)) ||
            (elementName != nullptr && EqualsNoCase(elementName->second, name))) {
            if (seen++ == index) {
                found = &element;
                return true;
            }
        }
        return false;
    });
    return found;
}

Element* Element::itemAt(int index) const {
    if (index < 0) return nullptr;
    Element* found = nullptr;
    int seen = 0;
    dom::ForEachElementBelow(*this, [&](Element& element) {
        if (seen++ != index) return false;
        found = &element;
        return true;
    });
    return found;
}

// --- style and focus ---

std::string Element::style(std::string_view property) const {
    const Attribute* attribute = FindAttribute("style");
    if (attribute == nullptr) return {};
    for (const auto& [name, value] : ParseStyle(attribute->second)) {
        if (EqualsNoCase(name, property)) return value;
    }
    return {};
}

void Element::setStyle(std::string_view property, std::string_view value) {
    const Attribute* attribute = FindAttribute("style");
    auto declarations = ParseStyle(attribute != nullptr ? attribute->second : std::string());
    const std::string name = LowerCase(property);
    auto it = std::find_if(declarations.begin(), declarations.end(),
                           [&](const auto& declaration) { return declaration.first == name; });
    if (value.empty()) {
        if (it == declarations.end()) return;
        declarations.erase(it);
    } else if (it != declarations.end()) {
        it->second = value;
    } else {
        declarations.emplace_back(name, value);
    }
    std::string text;
    for (const auto& [declarationName, declarationValue] : declarations) {
        if (!text.empty()) text += "; ";
        text += declarationName + ": " + declarationValue;
    }
    if (text.empty()) {
        removeAttribute("style");
    } else {
        setAttribute("style", text);
    }
}

void Element::focus() {
    if (document_ != nullptr && document_->Recording(*this)) {
        Mutation mutation;
        mutation.type = Mutation::Type::Focus;
        mutation.node = key();
        document_->Record(std::move(mutation));
    }
}

void Element::select() {
    if (document_ != nullptr && document_->Recording(*this)) {
        Mutation mutation;
        mutation.type = Mutation::Type::Focus;
        mutation.node = key();
        mutation.name = "select";
        document_->Record(std::move(mutation));
    }
}

// --- form controls ---

void Element::RecordProperty(const char* name, const std::string& value) {
    if (document_ == nullptr || !document_->Recording(*this)) return;
    Mutation mutation;
    mutation.type = Mutation::Type::SetProperty;
    mutation.node = key();
    mutation.name = name;
    mutation.value = value;
    document_->Record(std::move(mutation));
}

bool Element::isFormControl() const {
    return is("input") || is("textarea") || is("select") || is("option") || is("button");
}

std::string Element::type() const {
    if (!is("input")) return {};
    const std::string type = LowerCase(getAttribute("type").value_or(""));
    return type.empty() ? "text" : type;
}

// How an input keeps its value, as HTML defines it: "value" (typed text, apart from the
// attribute), "default" (the attribute itself), "default/on" (the attribute, "on" without one).
std::string Element::ValueMode() const {
    const std::string inputType = type();
    if (inputType == "hidden" || inputType == "submit" || inputType == "image" || inputType == "reset" ||
        inputType == "button") {
        return "default";
    }
    if (inputType == "checkbox" || inputType == "radio") return "default/on";
    return "value";
}

std::string Element::value() const {
    if (is("input")) {
        const std::string mode = ValueMode();
        if (mode == "value") return valueDirty_ ? value_ : getAttribute("value").value_or("");
        return getAttribute("value").value_or(mode == "default/on" ? "on" : "");
    }
    if (is("textarea")) return valueDirty_ ? value_ : textContent();
    if (is("select")) {
        for (const Element* option : options()) {
            if (option->selected_) return option->value();
        }
        return {};
    }
    if (is("option")) {
        const Attribute* attribute = FindAttribute("value");
        return attribute != nullptr ? attribute->second : text();
    }
    if (is("button")) return getAttribute("value").value_or("");
    return {};
}

bool Element::setValue(std::string_view value) {
    if ((is("input") && ValueMode() == "value") || is("textarea")) {
        value_ = value;
        valueDirty_ = true;
        RecordProperty("value", value_);
        return true;
    }
    if (is("input") || is("option") || is("button")) {
        setAttribute("value", value);
        return true;
    }
    if (is("select")) {
        const std::vector<Element*> list = options();
        int index = -1;
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i]->value() == value) {
                index = static_cast<int>(i);
                break;
            }
        }
        return setSelectedIndex(index);
    }
    return false;
}

bool Element::checked() const {
    return is("input") && checked_;
}

Element* Element::FormOwner() const {
    for (Node* node = parent_; node != nullptr; node = node->parentNode()) {
        Element* element = node->asElement();
        if (element != nullptr && element->is("form")) return element;
    }
    return nullptr;
}

std::vector<Element*> Element::RadioGroup() const {
    std::vector<Element*> group;
    const std::string groupName = name();
    if (groupName.empty()) return group;
    Element* form = FormOwner();
    Node* root = form;
    if (root == nullptr) {
        root = const_cast<Element*>(this);
        while (root->parentNode() != nullptr) root = root->parentNode();
    }
    dom::ForEachElement(*root, [&](Element& element) {
        if (element.is("input") && element.type() == "radio" && element.name() == groupName &&
            element.FormOwner() == form) {
            group.push_back(&element);
        }
        return false;
    });
    return group;
}

void Element::SetCheckedness(bool checked) {
    checked_ = checked;
    if (!checked || type() != "radio") return;
    for (Element* other : RadioGroup()) {
        if (other != this) other->checked_ = false;
    }
}

bool Element::setChecked(bool checked) {
    if (!is("input")) return false;
    checkedDirty_ = true;
    SetCheckedness(checked);
    RecordProperty("checked", checked ? "true" : "false");
    return true;
}

void Element::ToggleAttribute(std::string_view name, bool present) {
    if (present) {
        setAttribute(name, "");
    } else {
        removeAttribute(name);
    }
}

void Element::setDisabled(bool disabled) {
    ToggleAttribute("disabled", disabled);
}

// --- select and option ---

std::vector<Element*> Element::options() const {
    std::vector<Element*> list;
    if (!is("select")) return list;
    for (Element* child : children()) {
        if (child->is("option")) {
            list.push_back(child);
        } else if (child->is("optgroup")) {
            for (Element* grandchild : child->children()) {
                if (grandchild->is("option")) list.push_back(grandchild);
            }
        }
    }
    return list;
}

int Element::selectedIndex() const {
    const std::vector<Element*> list = options();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i]->selected_) return static_cast<int>(i);
    }
    return -1;
}

bool Element::setSelectedIndex(int index) {
    if (!is("select")) return false;
    const std::vector<Element*> list = options();
    if (index < 0 || static_cast<size_t>(index) >= list.size()) index = -1;
    for (size_t i = 0; i < list.size(); ++i) list[i]->selected_ = false;
    if (index >= 0) {
        list[static_cast<size_t>(index)]->selected_ = true;
        list[static_cast<size_t>(index)]->selectedDirty_ = true;
    }
    RecordProperty("selectedIndex", std::to_string(index));
    return true;
}

bool Element::add(const ElementPtr& option, int before) {
    if (!is("select") || !option || !(option->is("option") || option->is("optgroup"))) return false;
    const std::vector<Element*> list = options();
    if (before >= 0 && static_cast<size_t>(before) < list.size()) {
        Element* reference = list[static_cast<size_t>(before)];
        return reference->parentNode()->insertBefore(option, reference);
    }
    return appendChild(option);
}

bool Element::remove(int index) {
    const std::vector<Element*> list = options();
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return false;
    return list[static_cast<size_t>(index)]->removeNode();
}

std::string Element::text() const {
    // The option's text without script content, white space folded.
    std::string raw;
    const auto collect = [&raw](const Node& node, const auto& self) -> void {
        for (const NodePtr& child : node.childNodes()) {
            if (child->nodeType() == Type::Text) {
                raw += child->data();
            } else if (const Element* element = child->asElement(); element != nullptr && !element->is("script")) {
                self(*element, self);
            }
        }
    };
    collect(*this, collect);
    return dom::CollapseWhitespace(raw);
}

void Element::setText(std::string_view text) {
    setTextContent(text);
}

Element* Element::SelectOfOptionList() {
    if (is("select")) return this;
    Element* parent = parentElement();
    return is("optgroup") && parent != nullptr && parent->is("select") ? parent : nullptr;
}

Element* Element::ownerSelect() const {
    Element* parent = parentElement();
    if (parent == nullptr) return nullptr;
    if (parent->is("select")) return parent;
    if (parent->is("optgroup")) {
        Element* grandparent = parent->parentElement();
        if (grandparent != nullptr && grandparent->is("select")) return grandparent;
    }
    return nullptr;
}

bool Element::selected() const {
    return is("option") && selected_;
}

void Element::SetSelectedness(bool selected) {
    selected_ = selected;
    if (!selected) return;
    Element* select = ownerSelect();
    if (select == nullptr || select->multiple()) return;
    for (Element* other : select->options()) {
        if (other != this) other->selected_ = false;
    }
}

bool Element::setSelected(bool selected) {
    if (!is("option")) return false;
    selectedDirty_ = true;
    SetSelectedness(selected);
    if (Element* select = ownerSelect(); select != nullptr && document_ != nullptr) {
        document_->AfterOptionsChanged(select, nullptr);
    }
    RecordProperty("selected", selected ? "true" : "false");
    return true;
}

void Element::setDefaultSelected(bool selected) {
    ToggleAttribute("selected", selected);
}

int Element::index() const {
    const Element* select = ownerSelect();
    if (select == nullptr) return 0;
    const std::vector<Element*> list = select->options();
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? 0 : static_cast<int>(it - list.begin());
}

// --- tables ---

bool Element::IsSection() const {
    return localName_ == "tbody" || localName_ == "thead" || localName_ == "tfoot";
}

Element* Element::OwnerTable() const {
    Element* parent = parentElement();
    if (parent == nullptr) return nullptr;
    if (parent->IsTable()) return parent;
    if (parent->IsSection()) {
        Element* grandparent = parent->parentElement();
        if (grandparent != nullptr && grandparent->IsTable()) return grandparent;
    }
    return nullptr;
}

std::vector<Element*> Element::rows() const {
    std::vector<Element*> list;
    if (IsSection()) {
        for (Element* child : children()) {
            if (child->IsRow()) list.push_back(child);
        }
        return list;
    }
    if (!IsTable()) return list;
    const std::vector<Element*> parts = children();
    const auto appendRowsOf = [&](const char* sectionName) {
        for (Element* part : parts) {
            if (part->is(sectionName)) {
                const std::vector<Element*> sectionRows = part->rows();
                list.insert(list.end(), sectionRows.begin(), sectionRows.end());
            }
        }
    };
    appendRowsOf("thead");
    for (Element* part : parts) {
        if (part->IsRow()) {
            list.push_back(part);
        } else if (part->is("tbody")) {
            const std::vector<Element*> sectionRows = part->rows();
            list.insert(list.end(), sectionRows.begin(), sectionRows.end());
        }
    }
    appendRowsOf("tfoot");
    return list;
}

std::vector<Element*> Element::tBodies() const {
    std::vector<Element*> list;
    if (!IsTable()) return list;
    for (Element* child : children()) {
        if (child->is("tbody")) list.push_back(child);
    }
    return list;
}

Element* Element::tHead() const {
    if (!IsTable()) return nullptr;
    for (Element* child : children()) {
        if (child->is("thead")) return child;
    }
    return nullptr;
}

// The last of rows(), found from the end without listing them: where insertRow(-1) appends.
Element* Element::LastRow() const {
    const auto lastRowOf = [](const Node& part) -> Element* {
        const auto& nodes = part.childNodes();
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
            Element* element = (*it)->asElement();
            if (element != nullptr && element->IsRow()) return element;
        }
        return nullptr;
    };
    if (IsSection()) return lastRowOf(*this);
    if (!IsTable()) return nullptr;
    const auto& parts = childNodes();
    const auto lastInSections = [&](const char* sectionName) -> Element* {
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            const Element* part = (*it)->asElement();
            if (part == nullptr || !part->is(sectionName)) continue;
            if (Element* row = lastRowOf(*part)) return row;
        }
        return nullptr;
    };
    if (Element* row = lastInSections("tfoot")) return row;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        Element* part = (*it)->asElement();
        if (part == nullptr) continue;
        if (part->IsRow()) return part;
        if (part->is("tbody")) {
            if (Element* row = lastRowOf(*part)) return row;
        }
    }
    return lastInSections("thead");
}

ElementPtr Element::insertRow(int index) {
    if ((!IsTable() && !IsSection()) || document_ == nullptr) return nullptr;
    // Appending needs only the last row: listing every row each time would make filling a
    // table row by row quadratic.
    std::vector<Element*> list;
    Element* last = nullptr;
    if (index == -1) {
        last = LastRow();
    } else {
        list = rows();
        if (index < -1 || index > static_cast<int>(list.size())) return nullptr;
        if (index == static_cast<int>(list.size())) index = -1;
        if (!list.empty()) last = list.back();
    }
    ElementPtr row = document_->createElement("tr");
    bool inserted = false;
    if (IsSection()) {
        inserted = index == -1 ? appendChild(row) : insertBefore(row, list[index]);
    } else if (last == nullptr) {
        const std::vector<Element*> bodies = tBodies();
        if (bodies.empty()) {
            ElementPtr body = document_->createElement("tbody");
            body->appendChild(row);
            inserted = appendChild(body);
        } else {
            inserted = bodies.back()->appendChild(row);
        }
    } else if (index == -1) {
        inserted = last->parentNode()->appendChild(row);
    } else {
        inserted = list[index]->parentNode()->insertBefore(row, list[index]);
    }
    return inserted ? row : nullptr;
}

bool Element::deleteRow(int index) {
    if (!IsTable() && !IsSection()) return false;
    const std::vector<Element*> list = rows();
    if (index == -1) {
        if (list.empty()) return true;
        index = static_cast<int>(list.size()) - 1;
    }
    if (index < 0 || index >= static_cast<int>(list.size())) return false;
    return list[index]->removeNode();
}

ElementPtr Element::createTHead() {
    if (!IsTable() || document_ == nullptr) return nullptr;
    if (Element* head = tHead()) return head->selfElement();
    ElementPtr head = document_->createElement("thead");
    const Node* reference = nullptr;
    for (Element* child : children()) {
        if (!child->is("caption") && !child->is("colgroup")) {
            reference = child;
            break;
        }
    }
    return insertBefore(head, reference) ? head : nullptr;
}

bool Element::deleteTHead() {
    if (!IsTable()) return false;
    if (Element* head = tHead()) head->removeNode();
    return true;
}

std::vector<Element*> Element::cells() const {
    std::vector<Element*> list;
    if (!IsRow()) return list;
    for (Element* child : children()) {
        if (child->IsCell()) list.push_back(child);
    }
    return list;
}

int Element::rowIndex() const {
    const Element* table = IsRow() ? OwnerTable() : nullptr;
    if (table == nullptr) return -1;
    const std::vector<Element*> list = table->rows();
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

int Element::sectionRowIndex() const {
    const Element* parent = IsRow() ? parentElement() : nullptr;
    if (parent == nullptr) return -1;
    const std::vector<Element*> list = parent->rows();
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

ElementPtr Element::insertCell(int index) {
    if (!IsRow() || document_ == nullptr) return nullptr;
    const std::vector<Element*> list = cells();
    if (index < -1 || index > static_cast<int>(list.size())) return nullptr;
    ElementPtr cell = document_->createElement("td");
    const bool inserted =
        (index == -1 || index == static_cast<int>(list.size())) ? appendChild(cell) : insertBefore(cell, list[index]);
    return inserted ? cell : nullptr;
}

bool Element::deleteCell(int index) {
    if (!IsRow()) return false;
    const std::vector<Element*> list = cells();
    if (index == -1) {
        if (list.empty()) return true;
        index = static_cast<int>(list.size()) - 1;
    }
    if (index < 0 || index >= static_cast<int>(list.size())) return false;
    return list[index]->removeNode();
}

}  // namespace jv::ui
