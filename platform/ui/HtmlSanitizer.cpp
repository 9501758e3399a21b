#include "platform/ui/HtmlSanitizer.h"

#include <algorithm>
#include <cctype>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"
#include "platform/ui/HtmlEscape.h"
#include "platform/ui/HtmlParser.h"

namespace jv::ui {
namespace {

bool IsAllowedTag(const std::string& name) {
    return name == "b" || name == "i" || name == "br" || name == "p" || name == "span" || name == "a";
}

// Whose content is not text for a reader and goes with the element.
bool IsDroppedWhole(const std::string& name) {
    return name == "script" || name == "style" || name == "template" || name == "iframe" || name == "object" ||
           name == "embed" || name == "noscript" || name == "svg" || name == "math" || name == "title";
}

bool IsWebAddress(std::string address) {
    address.erase(address.begin(),
                  std::find_if(address.begin(), address.end(), [](unsigned char c) { return !std::isspace(c); }));
    std::string scheme = address.substr(0, 8);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return std::tolower(c); });
    return scheme.rfind("http://", 0) == 0 || scheme.rfind("https://", 0) == 0;
}

void Write(const Node& node, std::string& out, int depth) {
    // Deeper than any real text nests: what lies below is kept as plain text.
    constexpr int kMaxDepth = 64;
    for (const NodePtr& child : node.childNodes()) {
        if (child->nodeType() == Node::Type::Text) {
            out += EscapeHtml(child->data());
            continue;
        }
        const Element* element = child->asElement();
        if (element == nullptr) continue;
        const std::string& name = element->localName();
        if (IsDroppedWhole(name)) continue;
        if (!IsAllowedTag(name) || depth >= kMaxDepth) {
            if (depth >= kMaxDepth)
                out += EscapeHtml(element->textContent());
            else
                Write(*element, out, depth + 1);
            continue;
        }
        if (name == "br") {
            out += "<br>";
            continue;
        }
        if (name == "a") {
            const auto href = element->getAttribute("href");
            if (!href || !IsWebAddress(*href)) {
                Write(*element, out, depth + 1);
                continue;
            }
            out += "<a href=\"" + EscapeHtml(*href) + "\" target=\"_blank\" rel=\"noopener noreferrer\">";
        } else {
            out += "<" + name + ">";
        }
        Write(*element, out, depth + 1);
        out += "</" + name + ">";
    }
}

}  // namespace

std::string SanitizeHtml(std::string_view html) {
    Document scratch;
    std::string out;
    for (const NodePtr& node : HtmlParser::ParseFragment(scratch, html, "div")) {
        // Each top-level node is written as the only child of a holder, so Write sees it as content.
        auto holder = scratch.createElement("div");
        holder->appendChild(node);
        Write(*holder, out, 0);
    }
    return out;
}

}  // namespace jv::ui
