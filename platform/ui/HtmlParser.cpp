#include "platform/ui/HtmlParser.h"

#include <gumbo.h>

#include <cctype>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ui/DomUtil.h"

namespace jv::ui {

namespace {

struct OutputDeleter {
    const GumboOptions* options;
    void operator()(GumboOutput* output) const { gumbo_destroy_output(options, output); }
};
using OutputPtr = std::unique_ptr<GumboOutput, OutputDeleter>;

std::string TagName(const GumboElement& element) {
    if (element.tag != GUMBO_TAG_UNKNOWN) return gumbo_normalized_tagname(element.tag);
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    return dom::LowerCase(std::string_view(piece.data, piece.length));
}

GumboOptions Options() {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // nobody reads the parse errors: do not collect them
    return options;
}

const GumboVector& ChildrenOf(const GumboNode& node) {
    return node.type == GUMBO_NODE_DOCUMENT ? node.v.document.children : node.v.element.children;
}

}  // namespace

// Turns Gumbo's read-only tree into ours.
class TreeBuilder {
public:
    explicit TreeBuilder(Document& document) : document_(document) {}

    NodePtr Build(const GumboNode& node) {
        switch (node.type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE: {
                ElementPtr element = document_.createElement(TagName(node.v.element));
                if (!element) return nullptr;
                const GumboVector& attributes = node.v.element.attributes;
                for (unsigned i = 0; i < attributes.length; ++i) {
                    const auto* attribute = static_cast<const GumboAttribute*>(attributes.data[i]);
                    document_.SetParsedAttribute(*element, attribute->name, attribute->value);
                }
                AddChildren(node, *element);
                return element;
            }
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                return document_.createTextNode(node.v.text.text);
            case GUMBO_NODE_COMMENT:
                return document_.NewComment(node.v.text.text);
            case GUMBO_NODE_DOCUMENT:
                return nullptr;
        }
        return nullptr;
    }

    void AddChildren(const GumboNode& from, Node& to) {
        const GumboVector& children = ChildrenOf(from);
        for (unsigned i = 0; i < children.length; ++i) {
            NodePtr child = Build(*static_cast<const GumboNode*>(children.data[i]));
            if (child) document_.LinkParsed(to, child);
        }
    }

private:
    Document& document_;
};

void HtmlParser::ParseDocument(Document& document, std::string_view html) {
    GumboOptions options = Options();
    OutputPtr output(gumbo_parse_with_options(&options, html.data(), html.size()), OutputDeleter{&options});
    if (!output) return;
    const GumboDocument& parsed = output->document->v.document;
    if (parsed.has_doctype) document.LinkParsed(document, document.NewDocumentType(parsed.name));
    TreeBuilder(document).AddChildren(*output->document, document);
}

std::vector<NodePtr> HtmlParser::ParseFragment(Document& document, std::string_view html, std::string_view contextTag) {
    GumboOptions options = Options();
    const std::string tag(contextTag);
    GumboTag context = gumbo_tag_enum(tag.c_str());
    if (context == GUMBO_TAG_UNKNOWN || context == GUMBO_TAG_LAST) context = GUMBO_TAG_DIV;
    options.fragment_context = context;
    options.fragment_namespace = GUMBO_NAMESPACE_HTML;
    OutputPtr output(gumbo_parse_with_options(&options, html.data(), html.size()), OutputDeleter{&options});
    std::vector<NodePtr> nodes;
    if (!output || output->root == nullptr) return nodes;
    TreeBuilder builder(document);
    const GumboVector& children = output->root->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
        NodePtr node = builder.Build(*static_cast<const GumboNode*>(children.data[i]));
        if (node) nodes.push_back(std::move(node));
    }
    return nodes;
}

ElementPtr HtmlParser::ParseStartTag(Document& document, std::string_view startTag) {
    // Take the tag name ourselves and let the parser read the attributes of a neutral span in its
    // place: the attribute rules (quotes or none, entities, the first of duplicates winning) are
    // the same for every tag, while the tag itself might not be allowed where a parse starts.
    size_t position = startTag.find('<');
    if (position == std::string_view::npos) return nullptr;
    ++position;
    size_t end = position;
    while (end < startTag.size() && (std::isalnum(static_cast<unsigned char>(startTag[end])) || startTag[end] == '-'))
        ++end;
    if (end == position || !std::isalpha(static_cast<unsigned char>(startTag[position]))) return nullptr;
    const std::string name = dom::LowerCase(startTag.substr(position, end - position));
    // Whatever follows the start tag parses as content of the span and is not looked at.
    std::string span = "<span";
    span += startTag.substr(end);
    if (startTag.find('>', end) == std::string_view::npos) span += '>';

    // Pages build their rows from a few start tags, each many times over: each one's attributes
    // are parsed once (a parse has a cost of its own, however short the text).
    thread_local std::unordered_map<std::string, std::vector<Element::Attribute>> parsedTags;
    auto found = parsedTags.find(span);
    if (found == parsedTags.end()) {
        std::vector<Element::Attribute> attributes;
        for (const NodePtr& node : ParseFragment(document, span, "div")) {
            if (const Element* parsed = node->asElement()) {
                attributes = parsed->attributes();
                break;
            }
        }
        // A bound on what odd callers could make it keep.
        if (parsedTags.size() >= 1024) parsedTags.clear();
        found = parsedTags.emplace(span, std::move(attributes)).first;
    }
    ElementPtr element = document.createElement(name);
    for (const auto& [attributeName, attributeValue] : found->second) {
        document.SetParsedAttribute(*element, attributeName, attributeValue);
    }
    return element;
}

}  // namespace jv::ui
