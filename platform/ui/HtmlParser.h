#pragma once

#include <string_view>
#include <vector>

#include "platform/ui/Document.h"

namespace jv::ui {

// Builds document trees from HTML with Gumbo, the HTML5 parsing rules included: the fragments
// the pages insert (unquoted attributes, entities such as &nbsp;, unclosed elements, duplicate
// attributes) come out as a browser would build them.
class HtmlParser {
public:
    // Parses a whole page into the (empty) document.
    static void ParseDocument(Document& document, std::string_view html);
    // Parses html as the content of an element named contextTag; the nodes are outside the tree.
    static std::vector<NodePtr> ParseFragment(Document& document, std::string_view html, std::string_view contextTag);
    // The element of the first start tag in text, with its attributes; null when there is none.
    static ElementPtr ParseStartTag(Document& document, std::string_view startTag);
};

}  // namespace jv::ui
