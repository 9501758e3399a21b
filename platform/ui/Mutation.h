#pragma once

#include <cstdint>
#include <string>

namespace jv::ui {

// One change the program made to a document that the browser shows. The document records every
// change to its connected tree in order (Document::mutations); the browser host turns the records
// into patches and replays them, in order, on the browser's copy of the document.
//
// Addressing. Every node has a key, unique within its document and never reused. The browser
// learns the keys of elements from the attribute "data-jv-key" that the serialization for the
// browser carries (Document::Serialize with SerializeOptions::keys, and the html of every record
// below). Text and comment nodes carry no attribute: they are addressed by their parent's key and
// their index among the parent's child nodes, which is why every record that adds or removes a
// child names the parent and the index as well as the child's own key.
//
// Record types and their fields (fields not named are empty or zero):
//
//   InsertNode       parent, index, node, html (and value for a text node)
//       The node now stands at child index `index` of `parent` (counting every child node,
//       text included, after the insertion). `html` is its outer HTML with keys and live form
//       state (for a text node: its escaped text). A text node also has its text, not escaped,
//       in `value`: an empty text node has an empty `html`, which parses into no node at all, so
//       a consumer that meets an empty `html` makes a text node of `value`. A node moved within
//       the document gives a RemoveNode and then an InsertNode with the same key. The markup
//       gives the node's controls their state as defaults only; SetProperty records for the
//       controls below it whose state the program set (or whose select has nothing selected)
//       follow the InsertNode.
//   RemoveNode       parent, index, node
//       The child node at `index` of `parent` (before the removal), with key `node`, is gone
//       with everything below it.
//   ReplaceChildren  node, html
//       Every child of `node` is replaced by the nodes of `html` (keys and live form state).
//       Setting innerHTML, innerText, an option's text or the document title gives this.
//   SetAttribute     node, name, value
//   RemoveAttribute  node, name
//       Attribute names are in lower case. Styles change through the "style" attribute,
//       disabling through "disabled".
//   SetProperty      node, name, value
//       Live form state, which the attributes do not carry:
//         "value"          input or textarea: the value shown (value)
//         "checked"        input: "true" or "false" (a checked radio button unchecks the others of
//                          its group in the browser as it did here; they are not recorded)
//         "selected"       option: "true" or "false"
//         "selectedIndex"  select: the index of the selected option as a decimal, "-1" for none
//   Focus            node, name
//       The element gets the input focus; with the name "select", a text field's text is
//       selected as well.
//
// The html of a record is parsed as the content of a <template> element (in a browser: assign it
// to a template's innerHTML and insert the template's content), so that rows, cells and options
// come out as they are, without the parents a parse in another context would add. Text nodes
// within it are never empty and never stand next to each other, so the parse gives back exactly
// the nodes the program has.
//
// Changes to nodes outside the document's tree (a row being built before it is inserted) are not
// recorded: they travel in the html of the record that inserts them. Form state that the browser
// reports (Document::ApplyFormState, Document::ApplySyncedContent) is not recorded either.
struct Mutation {
    enum class Type { InsertNode, RemoveNode, ReplaceChildren, SetAttribute, RemoveAttribute, SetProperty, Focus };

    Type type = Type::InsertNode;
    uint64_t node = 0;
    uint64_t parent = 0;
    int index = -1;
    std::string name;
    std::string value;  // attribute or property value
    std::string html;
};

const char* MutationTypeName(Mutation::Type type);

}  // namespace jv::ui
