#include "platform/ui/HtmlSerializer.h"

#include <array>

namespace jv::ui {

namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsRawTextElement(std::string_view name) {
    static constexpr std::array<std::string_view, 8> kNames = {"style",   "script",   "xmp",       "iframe",
                                                               "noembed", "noframes", "plaintext", "noscript"};
    for (const auto n : kNames) {
        if (n == name) return true;
    }
    return false;
}

// Escapes text (or an attribute value) as the HTML serialization does.
void AppendEscaped(std::string_view text, bool attribute, std::string& out) {
    size_t plain = 0;  // start of the run not yet written
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* replacement = nullptr;
        size_t length = 1;
        if (c == '&') {
            replacement = "&amp;";
        } else if (c == kNoBreakSpace[0] && text.compare(i, kNoBreakSpace.size(), kNoBreakSpace) == 0) {
            replacement = "&nbsp;";
            length = kNoBreakSpace.size();
        } else if (attribute && c == '"') {
            replacement = "&quot;";
        } else if (!attribute && c == '<') {
            replacement = "&lt;";
        } else if (!attribute && c == '>') {
            replacement = "&gt;";
        }
        if (replacement == nullptr) continue;
        out.append(text, plain, i - plain);
        out += replacement;
        i += length - 1;
        plain = i + 1;
    }
    out.append(text, plain, std::string_view::npos);
}

}  // namespace

bool HtmlSerializer::IsVoidElement(std::string_view name) {
    static constexpr std::array<std::string_view, 18> kNames = {
        "area", "base",  "basefont", "bgsound", "br",   "col",   "embed",  "frame", "hr",
        "img",  "input", "keygen",   "link",    "meta", "param", "source", "track", "wbr"};
    for (const auto n : kNames) {
        if (n == name) return true;
    }
    return false;
}

std::string HtmlSerializer::Outer(const Node& node) const {
    std::string out;
    WriteNode(node, out);
    return out;
}

std::string HtmlSerializer::Inner(const Node& node) const {
    std::string out;
    WriteChildren(node, out);
    return out;
}

void HtmlSerializer::WriteChildren(const Node& node, std::string& out) const {
    for (const NodePtr& child : node.childNodes()) WriteNode(*child, out);
}

void HtmlSerializer::WriteNode(const Node& node, std::string& out) const {
    switch (node.nodeType()) {
        case Node::Type::Element:
            WriteElement(*node.asElement(), out);
            break;
        case Node::Type::Text: {
            const Element* parent = node.parentElement();
            if (parent != nullptr && IsRawTextElement(parent->localName())) {
                out += node.data();
            } else {
                AppendEscaped(node.data(), false, out);
            }
            break;
        }
        case Node::Type::Comment:
            out += "<!--";
            out += node.data();
            out += "-->";
            break;
        case Node::Type::DocumentType:
            out += "<!DOCTYPE ";
            out += node.data();
            out += ">";
            break;
        case Node::Type::Document:
        case Node::Type::DocumentFragment:
            WriteChildren(node, out);
            break;
    }
}

void HtmlSerializer::WriteAttribute(std::string_view name, std::string_view value, std::string& out) const {
    out += ' ';
    out += name;
    out += "=\"";
    AppendEscaped(value, true, out);
    out += '"';
}

void HtmlSerializer::WriteElement(const Element& element, std::string& out) const {
    const std::string& name = element.localName();
    out += '<';
    out += name;
    if (options_.keys) WriteAttribute("data-jv-key", std::to_string(element.key()), out);

    const bool live = options_.liveFormState;
    const bool isInput = element.is("input");
    const bool checkable = isInput && (element.type() == "checkbox" || element.type() == "radio");
    const bool liveValue = live && isInput && element.valueDirty_ && element.ValueMode() == "value";
    const bool isOption = element.is("option");
    bool valueWritten = false;
    for (const auto& [attributeName, attributeValue] : element.attributes()) {
        if (options_.keys && attributeName == "data-jv-key") continue;
        if (live && checkable && attributeName == "checked") continue;
        if (live && isOption && attributeName == "selected") continue;
        if (liveValue && attributeName == "value") {
            WriteAttribute("value", element.value_, out);
            valueWritten = true;
            continue;
        }
        WriteAttribute(attributeName, attributeValue, out);
    }
    if (liveValue && !valueWritten) WriteAttribute("value", element.value_, out);
    if (live && checkable && element.checked()) WriteAttribute("checked", "", out);
    if (live && isOption && element.selected()) WriteAttribute("selected", "", out);
    out += '>';

    if (IsVoidElement(name)) return;
    if (live && element.is("textarea")) {
        const std::string value = element.value();
        if (!value.empty() && value.front() == '\n') out += '\n';
        AppendEscaped(value, false, out);
    } else {
        if (name == "pre" || name == "textarea" || name == "listing") {
            const auto& children = element.childNodes();
            if (!children.empty() && children.front()->nodeType() == Node::Type::Text &&
                !children.front()->data().empty() && children.front()->data().front() == '\n') {
                out += '\n';
            }
        }
        WriteChildren(element, out);
    }
    out += "</";
    out += name;
    out += '>';
}

}  // namespace jv::ui
