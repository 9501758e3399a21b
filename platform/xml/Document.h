#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

namespace jv::xml {

class Document;

// A node of a loaded document: an element, attribute or text. Valid only while its document
// lives. A default-constructed node is null.
class Node {
public:
    Node() = default;

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }

    // The local name (without a namespace prefix).
    std::string Name() const;
    // The text content of the node and everything below it.
    std::string Text() const;
    // An attribute's value, if the element has it.
    std::optional<std::string> Attribute(const std::string& name) const;
    // Child elements in order.
    std::vector<Node> Children() const;

    // XPath relative to this node, with the document's registered namespace prefixes.
    Node SelectSingleNode(const std::string& xpath) const;
    std::vector<Node> SelectNodes(const std::string& xpath) const;

    // Building.
    Node AppendElement(const std::string& name);
    void SetAttribute(const std::string& name, const std::string& value);

private:
    friend class Document;
    Node(const Document* document, _xmlNode* node) : document_(document), node_(node) {}

    const Document* document_ = nullptr;
    _xmlNode* node_ = nullptr;
};

// Why a document did not load: the parser's reason, line and position, and its error code.
struct ParseError {
    std::string reason;
    int line = 0;
    int linePos = 0;
    int code = 0;
    int systemError = 0;  // errno when the file could not be read; 0 when its text did not parse
};

// An XML document read with no network access, no DTD loading and no entity expansion, and a cap
// on its size. A document that declares an entity is refused: nested internal entities would
// expand without limit. Used for the configuration files and the web service's answers.
class Document {
public:
    static constexpr size_t kMaxSize = 16 * 1024 * 1024;

    Document();
    ~Document();
    Document(Document&&) noexcept;
    Document& operator=(Document&&) noexcept;
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    bool LoadFile(const std::string& path);
    bool LoadXml(const std::string& text);
    const ParseError& LastError() const { return error_; }

    // A new document holding only the root element.
    void CreateRoot(const std::string& name);
    // A processing instruction before the root element (<?name data?>).
    void AddProcessingInstruction(const std::string& name, const std::string& data);
    bool SaveFile(const std::string& path) const;
    std::string ToString() const;

    Node Root() const;

    // Prefixes that XPath expressions may use.
    void RegisterNamespace(const std::string& prefix, const std::string& uri);

    Node SelectSingleNode(const std::string& xpath) const;
    std::vector<Node> SelectNodes(const std::string& xpath) const;

private:
    friend class Node;
    std::vector<Node> Evaluate(_xmlNode* context, const std::string& xpath) const;
    void Reset();

    _xmlDoc* doc_ = nullptr;
    ParseError error_;
    std::map<std::string, std::string> namespaces_;
};

}  // namespace jv::xml
