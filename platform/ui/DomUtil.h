#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "platform/ui/Element.h"

// Small helpers the DOM model shares between its classes.
namespace jv::ui::dom {

// ASCII only, whatever the locale says about other bytes.
inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = LowerAscii(c);
    return out;
}

// ASCII case-insensitive equality, as the browser compared ids, names and tag names.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

inline bool IsHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Text with leading and trailing white space removed and inner runs folded to one blank.
inline std::string CollapseWhitespace(std::string_view text) {
    std::string out;
    bool space = false;
    for (const char c : text) {
        if (IsHtmlSpace(c)) {
            space = !out.empty();
        } else {
            if (space) out += ' ';
            space = false;
            out += c;
        }
    }
    return out;
}

// Calls visit for every element below root (not root itself) in document order until visit
// returns true. Returns true when it was stopped.
template <class Visit>
bool ForEachElementBelow(const Node& root, Visit&& visit) {
    for (const NodePtr& child : root.childNodes()) {
        if (Element* element = child->asElement()) {
            if (visit(*element)) return true;
        }
        if (ForEachElementBelow(*child, visit)) return true;
    }
    return false;
}

// As ForEachElementBelow, root included when it is an element.
template <class Visit>
bool ForEachElement(Node& root, Visit&& visit) {
    if (Element* element = root.asElement()) {
        if (visit(*element)) return true;
    }
    return ForEachElementBelow(root, visit);
}

}  // namespace jv::ui::dom
