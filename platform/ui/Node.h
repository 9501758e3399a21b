#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace jv::ui {

class Document;
class Element;
class Node;

using NodePtr = std::shared_ptr<Node>;

// A node of a page's document tree, owned by the program. The tree follows the browser's DOM
// (names as in the DOM) with the semantics the pages were written for. Parents own their
// children; whoever holds a NodePtr keeps that node (and what is below it) alive after it leaves
// the tree, as a counted reference to a browser node did.
//
// A node belongs to the document that made it and may be used only while that document lives.
// Everything runs on the UI thread.
class Node : public std::enable_shared_from_this<Node> {
public:
    enum class Type { Document, DocumentType, DocumentFragment, Element, Text, Comment };

    // Only a document makes nodes (Document::createElement, createTextNode, ...).
    class Passkey {
        friend class Document;
        Passkey() = default;
    };
    Node(Passkey, Type type, Document* document) : Node(type, document) {}

    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    Type nodeType() const { return type_; }
    // Unique within the document and never reused; patches address nodes by it.
    uint64_t key() const { return key_; }
    Document* ownerDocument() const { return document_; }

    Node* parentNode() const { return parent_; }
    Element* parentElement() const;
    const std::vector<NodePtr>& childNodes() const { return children_; }
    // The position among the parent's child nodes, or -1 without a parent.
    int indexInParent() const;

    bool isElement() const { return type_ == Type::Element; }
    Element* asElement();
    const Element* asElement() const;

    // True while the node is part of its document's tree.
    bool isConnected() const;
    // True when other is this node or below it.
    bool contains(const Node* other) const;

    // The text of a text or comment node, the name of a document type.
    const std::string& data() const { return data_; }
    // The text of every text node below, in order.
    std::string textContent() const;

    // Tree changes. Each gives false and changes nothing when the change would break the tree:
    // a null node, a node put below itself, a reference or old child that is not a child of
    // this node, children for a node that takes none. A node that has a parent is first removed
    // from there; a document fragment passes on its children.
    bool appendChild(const NodePtr& child);
    bool insertBefore(const NodePtr& child, const Node* reference);
    bool removeChild(const Node* child);
    bool replaceChild(const NodePtr& newChild, const Node* oldChild);
    // Takes this node, with everything below it, out of its parent.
    bool removeNode();

    NodePtr self() { return shared_from_this(); }

protected:
    Node(Type type, Document* document);

private:
    friend class Document;
    friend class Element;
    friend class HtmlParser;

    bool CanTakeChild(const Node& child) const;
    // Links a child without recording or applying any rule (used while building parsed trees).
    void LinkChild(const NodePtr& child, size_t position);
    NodePtr UnlinkChild(size_t position);
    // Gives the children from `from` on their place again (after one came or went there).
    void Renumber(size_t from);

    Type type_;
    uint64_t key_ = 0;
    Document* document_ = nullptr;
    Node* parent_ = nullptr;
    size_t index_ = 0;  // the place among the parent's children
    std::vector<NodePtr> children_;
    std::string data_;
};

}  // namespace jv::ui
