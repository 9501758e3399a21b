#include "platform/ui/Node.h"

#include <algorithm>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"

namespace jv::ui {

Node::Node(Type type, Document* document) : type_(type), document_(document) {
    if (document_ != nullptr) key_ = document_->NextKey();
}

Node::~Node() {
    // Children that someone still holds become roots of their own.
    for (const NodePtr& child : children_) child->parent_ = nullptr;
}

Element* Node::parentElement() const {
    return parent_ != nullptr ? parent_->asElement() : nullptr;
}

Element* Node::asElement() {
    return type_ == Type::Element ? static_cast<Element*>(this) : nullptr;
}

const Element* Node::asElement() const {
    return type_ == Type::Element ? static_cast<const Element*>(this) : nullptr;
}

int Node::indexInParent() const {
    return parent_ != nullptr ? static_cast<int>(index_) : -1;
}

bool Node::isConnected() const {
    const Node* node = this;
    while (node->parent_ != nullptr) node = node->parent_;
    return node->type_ == Type::Document && node == document_;
}

bool Node::contains(const Node* other) const {
    for (const Node* node = other; node != nullptr; node = node->parent_) {
        if (node == this) return true;
    }
    return false;
}

std::string Node::textContent() const {
    if (type_ == Type::Text || type_ == Type::Comment) return data_;
    std::string text;
    for (const NodePtr& child : children_) {
        if (child->type_ == Type::Text) {
            text += child->data_;
        } else if (child->type_ == Type::Element || child->type_ == Type::DocumentFragment) {
            text += child->textContent();
        }
    }
    return text;
}

bool Node::CanTakeChild(const Node& child) const {
    switch (type_) {
        case Type::Text:
        case Type::Comment:
        case Type::DocumentType:
            return false;
        default:
            break;
    }
    if (child.type_ == Type::Document) return false;
    if (child.type_ == Type::DocumentType && type_ != Type::Document) return false;
    return !child.contains(this);
}

void Node::LinkChild(const NodePtr& child, size_t position) {
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(position), child);
    child->parent_ = this;
    Renumber(position);
}

NodePtr Node::UnlinkChild(size_t position) {
    NodePtr child = children_[position];
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(position));
    child->parent_ = nullptr;
    Renumber(position);
    return child;
}

void Node::Renumber(size_t from) {
    for (size_t i = from; i < children_.size(); ++i) children_[i]->index_ = i;
}

bool Node::appendChild(const NodePtr& child) {
    return insertBefore(child, nullptr);
}

bool Node::insertBefore(const NodePtr& node, const Node* reference) {
    // A copy: the caller's pointer may live in the vector the node is taken out of.
    const NodePtr child = node;
    if (!child || !CanTakeChild(*child)) return false;
    if (reference != nullptr && reference->parent_ != this) return false;
    if (child->type_ == Type::DocumentFragment) {
        if (reference != nullptr && reference->parent_ == child.get()) return false;
        while (!child->children_.empty()) {
            const NodePtr next = child->children_.front();
            if (!insertBefore(next, reference)) return false;
        }
        return true;
    }
    if (child.get() == reference) return true;  // already where it should go
    if (child->parent_ != nullptr) child->parent_->removeChild(child.get());
    if (document_ != nullptr && child->document_ != document_) document_->Adopt(*child);

    const size_t position = reference != nullptr ? static_cast<size_t>(reference->indexInParent()) : children_.size();
    LinkChild(child, position);
    if (document_ != nullptr) document_->AfterInsert(*this, *child, static_cast<int>(position));
    return true;
}

bool Node::removeChild(const Node* child) {
    if (child == nullptr || child->parent_ != this) return false;
    const int position = child->indexInParent();
    NodePtr keep = UnlinkChild(static_cast<size_t>(position));
    if (document_ != nullptr) document_->AfterRemove(*this, *keep, position);
    return true;
}

bool Node::replaceChild(const NodePtr& newChild, const Node* oldChild) {
    if (!newChild || oldChild == nullptr || oldChild->parent_ != this || !CanTakeChild(*newChild)) return false;
    if (newChild.get() == oldChild) return true;
    // Keep the old child's place: insert the new one before it, then take the old one out.
    NodePtr keepOld = const_cast<Node*>(oldChild)->shared_from_this();
    if (!insertBefore(newChild, oldChild)) return false;
    return removeChild(oldChild);
}

bool Node::removeNode() {
    return parent_ != nullptr && parent_->removeChild(this);
}

}  // namespace jv::ui
