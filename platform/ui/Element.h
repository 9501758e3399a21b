#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ui/Node.h"

namespace jv::ui {

class Element;
using ElementPtr = std::shared_ptr<Element>;

// An HTML element with the operations the pages use: attributes, content as HTML or text, styles,
// and the form-control, select, option and table operations of the old browser control.
//
// Form controls keep live state apart from their attributes, as a browser does: an input's value
// once typed or set, the checked state of check boxes and radio buttons, the selected options of a
// select. Setting that state changes no attribute; outerHTML and innerHTML show the live state.
//
// Operations that name an index take the browser's: counting from 0, -1 meaning "at the end"
// where the browser accepted it; an index out of range gives a failure result and changes nothing.
class Element : public Node {
public:
    using Attribute = std::pair<std::string, std::string>;

    Element(Passkey, Document* document, std::string localName);

    ElementPtr selfElement() { return std::static_pointer_cast<Element>(shared_from_this()); }

    // The tag name in lower case ("td"); tagName() gives it in upper case as the browser did.
    const std::string& localName() const { return localName_; }
    std::string tagName() const;
    bool is(std::string_view localName) const { return localName_ == localName; }

    // Attributes. Names are compared without regard to case and kept in lower case.
    const std::vector<Attribute>& attributes() const { return attributes_; }
    std::optional<std::string> getAttribute(std::string_view name) const;
    bool hasAttribute(std::string_view name) const;
    void setAttribute(std::string_view name, std::string_view value);
    void removeAttribute(std::string_view name);
    std::string id() const;
    void setId(std::string_view id);
    std::string className() const;
    void setClassName(std::string_view className);
    std::string name() const;

    // Content.
    std::string innerHTML() const;
    // Replaces the children by the nodes parsed from html in this element's context (HTML5
    // rules: a fragment need not be well-formed).
    void setInnerHTML(std::string_view html);
    std::string outerHTML() const;
    // The text as the user reads it: line breaks for <br> and between blocks, tabs between
    // cells, runs of white space folded outside <pre> and <textarea>.
    std::string innerText() const;
    // Replaces the children by the text, each line break becoming a <br>.
    void setInnerText(std::string_view text);
    // Replaces the children by one text node.
    void setTextContent(std::string_view text);
    // where: "beforeBegin", "afterBegin", "beforeEnd" or "afterEnd" (any case).
    bool insertAdjacentHTML(std::string_view where, std::string_view html);

    // Child elements, and the elements below this one (the element's `all` collection): by id
    // or name without regard to case, the index picking among duplicates, or by position.
    std::vector<Element*> children() const;
    Element* item(std::string_view name, int index = 0) const;
    Element* itemAt(int index) const;

    // Inline style properties (the "style" attribute); an empty value removes the property.
    std::string style(std::string_view property) const;
    void setStyle(std::string_view property, std::string_view value);

    void focus();
    // A text field: gives it the focus with all its text selected, so that typing replaces it.
    void select();

    // Form controls: input, textarea, select, option, button.
    bool isFormControl() const;
    std::string type() const;  // an input's type in lower case ("text" when not given)
    std::string value() const;
    bool setValue(std::string_view value);
    bool checked() const;
    bool setChecked(bool checked);
    bool disabled() const { return hasAttribute("disabled"); }
    void setDisabled(bool disabled);

    // Select.
    std::vector<Element*> options() const;
    int length() const { return static_cast<int>(options().size()); }
    int selectedIndex() const;
    bool setSelectedIndex(int index);
    bool multiple() const { return hasAttribute("multiple"); }
    // Adds an option before the option at `before` (-1 or past the end appends).
    bool add(const ElementPtr& option, int before = -1);
    bool remove(int index);

    // Option.
    std::string text() const;
    void setText(std::string_view text);
    bool selected() const;
    bool setSelected(bool selected);
    bool defaultSelected() const { return hasAttribute("selected"); }
    void setDefaultSelected(bool selected);
    int index() const;
    Element* ownerSelect() const;

    // Table: every row, head and foot included, in the browser's order (head, bodies, foot).
    // Body, head and foot sections: their own rows.
    std::vector<Element*> rows() const;
    std::vector<Element*> tBodies() const;
    Element* tHead() const;
    ElementPtr insertRow(int index = -1);
    bool deleteRow(int index);
    ElementPtr createTHead();
    bool deleteTHead();

    // Table row.
    std::vector<Element*> cells() const;
    int rowIndex() const;
    int sectionRowIndex() const;
    ElementPtr insertCell(int index = -1);
    bool deleteCell(int index);

private:
    friend class Document;
    friend class HtmlParser;
    friend class HtmlSerializer;

    Attribute* FindAttribute(std::string_view name);
    const Attribute* FindAttribute(std::string_view name) const;
    void SetAttributeSilently(std::string_view name, std::string_view value);
    void RemoveAttributeSilently(std::string_view name);
    void ReplaceChildren(std::vector<NodePtr> nodes);
    void RecordProperty(const char* name, const std::string& value);
    void ToggleAttribute(std::string_view name, bool present);
    // The select whose options are this element's children: itself, or the select of an optgroup.
    Element* SelectOfOptionList();

    bool IsTable() const { return localName_ == "table"; }
    bool IsSection() const;
    bool IsRow() const { return localName_ == "tr"; }
    Element* LastRow() const;
    bool IsCell() const { return localName_ == "td" || localName_ == "th"; }
    Element* OwnerTable() const;
    std::string ValueMode() const;

    // Live form state (see the class comment). "Dirty" state has been set by the program or the
    // user and no longer follows the attribute.
    void SetCheckedness(bool checked);  // applies the radio-group rule, records nothing
    void SetSelectedness(bool selected);
    Element* FormOwner() const;
    std::vector<Element*> RadioGroup() const;

    std::string localName_;
    std::vector<Attribute> attributes_;
    std::string value_;
    bool valueDirty_ = false;
    bool checked_ = false;
    bool checkedDirty_ = false;
    uint32_t indexings_ = 0;  // how often the document indexed this element by id and name
    bool selected_ = false;
    bool selectedDirty_ = false;
};

}  // namespace jv::ui
