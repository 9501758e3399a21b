#pragma once

#include <string>

#include "platform/ui/Document.h"

namespace jv::ui {

// Writes nodes out as HTML following the HTML5 fragment serialization, so that parsing the text
// again gives the same tree; optionally with the keys of the elements and their live form state
// (see SerializeOptions).
class HtmlSerializer {
public:
    explicit HtmlSerializer(const SerializeOptions& options) : options_(options) {}

    std::string Outer(const Node& node) const;
    std::string Inner(const Node& node) const;

    static bool IsVoidElement(std::string_view localName);

private:
    void WriteNode(const Node& node, std::string& out) const;
    void WriteChildren(const Node& node, std::string& out) const;
    void WriteElement(const Element& element, std::string& out) const;
    void WriteAttribute(std::string_view name, std::string_view value, std::string& out) const;

    SerializeOptions options_;
};

}  // namespace jv::ui
