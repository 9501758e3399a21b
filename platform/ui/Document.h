#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/ui/Element.h"
#include "platform/ui/FormState.h"
#include "platform/ui/Mutation.h"
#include "platform/ui/Node.h"

namespace jv::ui {

// How a document is written out.
struct SerializeOptions {
    // Every element carries its key as the attribute "data-jv-key" (for the browser).
    bool keys = false;
    // Inputs, options and text areas show their live state rather than their attributes.
    bool liveFormState = true;
};

// Where the keys of a parsed document come from.
enum class ParseKeys {
    New,            // the document numbers its nodes itself
    FromAttribute,  // elements take the key in "data-jv-key" (the browser's copy of a document)
};

// One loaded page: the tree parsed with the HTML5 rules (Gumbo), owned by the program, which page
// objects read and write synchronously as they did the browser control's document. Every change
// to the tree is recorded in the mutation log (see Mutation.h), from which the browser host sends
// patches to the browser that shows the page.
//
// Lookups by id or name compare without regard to case, as the old browser control did.
// Everything runs on the UI thread.
class Document : public Node {
public:
    explicit Document(std::string url = {});
    ~Document() override;

    static std::shared_ptr<Document> Parse(std::string_view html, std::string url = {},
                                           ParseKeys keys = ParseKeys::New);

    // Unique within the process: the browser host tells documents apart by it.
    uint64_t id() const { return id_; }
    const std::string& URL() const { return url_; }

    Element* documentElement() const;
    Element* head() const;
    Element* body() const;
    std::string title() const;
    void setTitle(std::string_view title);

    // The first element with this id.
    Element* getElementById(std::string_view id) const;
    // The document's `all` collection: the index-th element (from 0) whose id or name is `name`.
    Element* item(std::string_view name, int index = 0) const;

    // Who is asked for an element that the tree does not hold when it is looked up by id
    // (getElementById, or item with index 0): a page that builds only part of what it shows puts
    // the element in place on demand and returns it (or returns null). Not asked again while it
    // answers; an empty function takes the resolver away.
    using MissingIdResolver = std::function<Element*(std::string_view id)>;
    void SetMissingIdResolver(MissingIdResolver resolver) { resolver_ = std::move(resolver); }

    // A new element outside the tree, from a tag name ("td") or a whole start tag with attributes
    // ("<td align=right>"; what follows the start tag is ignored). Null for text that holds no
    // tag name.
    ElementPtr createElement(std::string_view tagOrStartTag);
    NodePtr createTextNode(std::string_view text);
    NodePtr createDocumentFragment();
    // Nodes outside the tree parsed from html as the content of an element named contextTag.
    std::vector<NodePtr> ParseFragment(std::string_view html, std::string_view contextTag = "body");

    std::string Serialize(const SerializeOptions& options = {}) const;

    // The changes since the log was last taken, oldest first.
    const std::vector<Mutation>& mutations() const { return log_; }
    std::vector<Mutation> TakeMutations();

    // The live form state below root that its markup gives the browser only as defaults, as
    // SetProperty records: values and checked states the program set (which later attribute
    // changes leave alone), and a select left with nothing selected. The log holds them after
    // every InsertNode; a host that sends a node as it is now sends them after it.
    std::vector<Mutation> LiveFormState(const Node& root) const;

    // The element with this key, while it is in the tree.
    Element* FindByKey(uint64_t key) const;

    // What the document's look-ups hold: places in the table by key, and ids and names with the
    // entries under them. They follow the elements in the tree now, not every element it has held:
    // a page that builds and drops rows for as long as it is open stays as large as what it shows.
    struct LookupSizes {
        size_t keys = 0;
        size_t names = 0;
        size_t nameEntries = 0;
    };
    LookupSizes lookupSizes() const;

    // State the browser reports for the element with this key (what the user typed, ticked or
    // chose; see FormState). Applied without recording anything. False, and nothing applied, when
    // there is no such element, it is no form control, or the user cannot change it as the program
    // renders it now (a hidden input; read-only; disabled, or an option of a disabled select or
    // group; inside a disabled fieldset; a select's disabled option).
    bool ApplyFormState(uint64_t key, const FormState& state);
    // Content that page scripts wrote into an element marked "data-jv-sync": the element's
    // children are replaced by the nodes of html, without recording anything.
    bool ApplySyncedContent(uint64_t key, std::string_view html);

private:
    friend class Node;
    friend class Element;
    friend class HtmlParser;
    friend class TreeBuilder;

    // While one lives, changes are applied without being recorded.
    class Unrecorded {
    public:
        explicit Unrecorded(Document& document) : document_(document) { ++document_.unrecorded_; }
        ~Unrecorded() { --document_.unrecorded_; }
        Unrecorded(const Unrecorded&) = delete;
        Unrecorded& operator=(const Unrecorded&) = delete;

    private:
        Document& document_;
    };

    uint64_t NextKey() { return nextKey_++; }
    bool Recording(const Node& node) const { return unrecorded_ == 0 && node.isConnected(); }
    void Record(Mutation mutation);
    std::string SerializeForPatch(const Node& node) const;
    std::string SerializeChildrenForPatch(const Node& node) const;

    // Building parsed trees: no recording and no rules until the tree is complete.
    void SetParsedAttribute(Element& element, std::string_view name, std::string_view value);
    void LinkParsed(Node& parent, const NodePtr& child);
    NodePtr NewComment(std::string_view text);
    NodePtr NewDocumentType(std::string_view name);

    void Adopt(Node& node);
    void AfterInsert(Node& parent, Node& child, int index);
    void AfterRemove(Node& parent, Node& child, int index);
    // Joins neighbouring text nodes below root and drops empty ones, so that the HTML of the
    // subtree parses back into the same nodes.
    static void MergeTextNodes(Node& root);
    // Every element of the subtree joins (leaves) the look-ups by key, id and name.
    void Register(Node& node);
    void Unregister(Node& node);
    // One element joins (leaves) the look-ups by id and name under its id and name now; an
    // element whose id or name changes leaves before and joins after the change.
    void Index(Element& element);
    void Unindex(Element& element);
    bool Registered(const Element& element) const { return FindByKey(element.key()) == &element; }
    // The form rules a browser applies to a new subtree: radio groups, select defaults.
    void SettleFormControls(Node& root);
    void AfterOptionsChanged(Element* select, Node* inserted);

    // The element the resolver puts in place for an id nothing has, or null.
    Element* Resolve(std::string_view id) const;

    uint64_t id_;
    std::string url_;
    MissingIdResolver resolver_;
    mutable bool resolving_ = false;
    uint64_t nextKey_ = 1;
    int unrecorded_ = 0;
    ParseKeys keys_ = ParseKeys::New;
    std::vector<Mutation> log_;
    // The elements in the tree by key: those the parsed page came with (keys below denseKeys_) in
    // the vector, the others, made later and often let go again, in the map. Keys are never used
    // again, so a vector over them all would grow with every element the page ever made.
    void SetByKey(uint64_t key, Element* element);
    uint64_t denseKeys_ = 0;
    std::vector<Element*> denseByKey_;
    std::unordered_map<uint64_t, Element*> byKey_;

    // The elements in the tree under one id or name (in lower case): their keys with the count of
    // the element's indexing they came from, so that an entry of an element that left or was
    // renamed since is known as stale without touching the element, which may be gone. Stale
    // entries are dropped, and entries put in document order, when the name is looked up.
    struct Named {
        std::vector<std::pair<uint64_t, uint32_t>> entries;
        size_t stale = 0;
        bool ordered = true;
    };
    // Drops the stale entries and puts the others in document order.
    void Settle(Named& named) const;
    // Drops the stale entries.
    void DropStale(Named& named) const;
    // The entries of a name, current and in document order; null when there are none.
    const Named* Settled(std::unordered_map<std::string, Named>& index, std::string_view name) const;
    void Add(std::unordered_map<std::string, Named>& index, std::string name, Element& element);
    Element* Current(const std::pair<uint64_t, uint32_t>& entry) const;
    mutable bool namesIndexed_ = false;                      // the two below are kept (from the first look-up on)
    mutable std::unordered_map<std::string, Named> byId_;    // by id
    mutable std::unordered_map<std::string, Named> byName_;  // by a name that is not also the element's id
};

}  // namespace jv::ui
