#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"

// The page object: one per loaded document, holding the document and the HTML resource id it
// was loaded from. Its one abstract operation, ProcessDocument, fills the document. All DOM access
// of the program goes through the helpers below, which find elements by id or name (without
// regard to case; an index picks among duplicates, counting from 0) and never log, report or
// throw: a missing element, an element of the wrong kind or a failed call gives false, "" or a
// null out-parameter, and the caller decides.
//
// Page objects are shared: their owner (the main view, the companion's view) holds them by
// std::shared_ptr, and whoever calls into a page from outside holds a reference for the length of
// the call (Invoke), so that a method that navigates away, and so makes its owner let go of the
// page while a dialog it shows runs the loop, finishes on a live object.
class CJVPage : public std::enable_shared_from_this<CJVPage> {
public:
    using Element = jv::ui::Element;
    using ElementPtr = jv::ui::ElementPtr;

    CJVPage(int resourceId, std::shared_ptr<jv::ui::Document> document);
    virtual ~CJVPage();
    CJVPage(const CJVPage&) = delete;
    CJVPage& operator=(const CJVPage&) = delete;

    // Fills the document; called once, right after the object is built, by whoever built it.
    virtual void ProcessDocument() = 0;

    // The HTML resource id of the page (141 for the home page, ...).
    int GetResourceID() const { return m_nResourceID; }
    const std::shared_ptr<jv::ui::Document>& GetDocument() const { return m_pDocument; }

    // Runs method on the page with the arguments, holding a reference to the page meanwhile.
    template <class Page, class Method, class... Args>
    static void Invoke(const std::shared_ptr<Page>& page, Method method, Args&&... args) {
        if (!page) return;
        const std::shared_ptr<Page> keep = page;
        ((*keep).*method)(std::forward<Args>(args)...);
    }

    // Lookup.
    bool GetDocumentItem(const std::string& name, ElementPtr& item, int index = 0) const;
    bool GetElementById(const std::string& id, ElementPtr& element, int index = 0) const;
    bool GetTableById(const std::string& id, ElementPtr& table) const;
    // Below container: by id (index among duplicates) or, with an empty id, the index-th element.
    bool GetChildElementById(Element* container, const std::string& id, ElementPtr& element, int index = 0) const;

    // Form fields.
    bool SetInputValue(const std::string& id, const std::string& value);
    std::string GetInputValue(const std::string& id) const;
    bool SetTextAreaValue(const std::string& id, const std::string& value);
    std::string GetTextAreaValue(const std::string& id) const;
    bool SetSelectValue(const std::string& id, const std::string& value);
    std::string GetSelectValue(const std::string& id, int index = 0) const;
    bool SetSelectedIndex(const std::string& id, int index);
    std::string GetSelectedOptionText(const std::string& id, int index = 0) const;
    // Adds an option before position `before` (-1 or past the end appends).
    bool AddSelectOption(Element* select, const std::string& caption, const std::string& value, bool selected,
                         bool defaultSelected, int before = -1);
    bool CheckById(const std::string& id, int index = 0);
    bool SetCheckedById(const std::string& id, bool checked);
    bool GetCheckedById(const std::string& id) const;
    std::string GetCheckedRadioValue(const std::string& name) const;

    // Visibility.
    bool HideElement(const std::string& id, int index = 0);
    bool ShowElement(const std::string& id, int index = 0);

    // Tables. InsertTableRow inserts into the table's first body when it has one.
    bool InsertTableRow(Element* table, ElementPtr& row, int index = -1);
    bool GetTableRow(Element* table, int index, ElementPtr& row) const;
    bool GetRowCell(Element* row, int index, ElementPtr& cell) const;
    // The new cell holds html (markup the program built; values in it must be escaped).
    bool InsertRowCell(Element* row, const std::string& html, ElementPtr& cell, int index = -1);
    bool DeleteRowCells(Element* row);
    bool CreateTableHead(Element* table, ElementPtr& head);

    // Element creation and tree changes. tag is a tag name ("td") or a start tag ("<td align=right>").
    bool AppendNewElement(jv::ui::Node* parent, const std::string& tag, ElementPtr& element);
    bool AppendNewElementWithHTML(jv::ui::Node* parent, const std::string& tag, const std::string& html,
                                  ElementPtr& element);
    bool AppendChildNode(jv::ui::Node* parent, const jv::ui::NodePtr& child);
    bool ReplaceChildNode(jv::ui::Node* parent, const jv::ui::NodePtr& newChild, jv::ui::Node* oldChild);
    bool RemoveAllChildren(Element* element);

protected:
    // The element with this id as the kind the caller needs (tag name), or null.
    Element* FindAs(const std::string& id, const char* tag, int index = 0) const;

    std::shared_ptr<jv::ui::Document> m_pDocument;
    int m_nResourceID;
};

// Text made safe to put into HTML the program builds: & < > " and ' become character references
// (double and single quotes as "&#34;" and "&#39;"). Every value from the user, the database or a
// server goes through it before it becomes part of markup.
std::string EscapeHtmlQuotes(const std::string& text);
