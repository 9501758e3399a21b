#include "shared/ui/JVPage.h"

#include "platform/ui/HtmlEscape.h"

using jv::ui::Node;
using jv::ui::NodePtr;

CJVPage::CJVPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : m_pDocument(std::move(document)), m_nResourceID(resourceId) {}

CJVPage::~CJVPage() = default;

std::string EscapeHtmlQuotes(const std::string& text) {
    return jv::ui::EscapeHtml(text);
}

// --- lookup ---

bool CJVPage::GetDocumentItem(const std::string& name, ElementPtr& item, int index) const {
    item.reset();
    if (!m_pDocument) return false;
    Element* found = m_pDocument->item(name, index);
    if (found == nullptr) return false;
    item = found->selfElement();
    return true;
}

bool CJVPage::GetElementById(const std::string& id, ElementPtr& element, int index) const {
    return GetDocumentItem(id, element, index);
}

bool CJVPage::GetTableById(const std::string& id, ElementPtr& table) const {
    if (!GetDocumentItem(id, table, 0)) return false;
    if (table->is("table")) return true;
    table.reset();
    return false;
}

bool CJVPage::GetChildElementById(Element* container, const std::string& id, ElementPtr& element, int index) const {
    element.reset();
    if (container == nullptr || !m_pDocument) return false;
    Element* found = id.empty() ? container->itemAt(index) : container->item(id, index);
    if (found == nullptr) return false;
    element = found->selfElement();
    return true;
}

CJVPage::Element* CJVPage::FindAs(const std::string& id, const char* tag, int index) const {
    ElementPtr element;
    if (!GetElementById(id, element, index) || !element->is(tag)) return nullptr;
    return element.get();  // the document keeps it
}

// --- form fields ---

bool CJVPage::SetInputValue(const std::string& id, const std::string& value) {
    Element* input = FindAs(id, "input");
    return input != nullptr && input->setValue(value);
}

std::string CJVPage::GetInputValue(const std::string& id) const {
    const Element* input = FindAs(id, "input");
    return input != nullptr ? input->value() : std::string();
}

bool CJVPage::SetTextAreaValue(const std::string& id, const std::string& value) {
    Element* textArea = FindAs(id, "textarea");
    return textArea != nullptr && textArea->setValue(value);
}

std::string CJVPage::GetTextAreaValue(const std::string& id) const {
    const Element* textArea = FindAs(id, "textarea");
    return textArea != nullptr ? textArea->value() : std::string();
}

bool CJVPage::SetSelectValue(const std::string& id, const std::string& value) {
    Element* select = FindAs(id, "select");
    return select != nullptr && select->setValue(value);
}

std::string CJVPage::GetSelectValue(const std::string& id, int index) const {
    const Element* select = FindAs(id, "select", index);
    return select != nullptr ? select->value() : std::string();
}

bool CJVPage::SetSelectedIndex(const std::string& id, int index) {
    Element* select = FindAs(id, "select");
    return select != nullptr && select->setSelectedIndex(index);
}

std::string CJVPage::GetSelectedOptionText(const std::string& id, int index) const {
    Element* select = FindAs(id, "select", index);
    if (select == nullptr) return {};
    const int selected = select->selectedIndex();
    if (selected < 0) return {};
    ElementPtr option;
    if (!GetChildElementById(select, "", option, selected)) return {};
    return option->innerText();
}

bool CJVPage::AddSelectOption(Element* select, const std::string& caption, const std::string& value, bool selected,
                              bool defaultSelected, int before) {
    if (select == nullptr || !select->is("select") || !m_pDocument) return false;
    ElementPtr option = m_pDocument->createElement("option");
    option->setText(caption);
    option->setValue(value);
    option->setSelected(selected);
    option->setDefaultSelected(defaultSelected);
    return select->add(option, before);
}

bool CJVPage::CheckById(const std::string& id, int index) {
    Element* input = FindAs(id, "input", index);
    return input != nullptr && input->setChecked(true);
}

bool CJVPage::SetCheckedById(const std::string& id, bool checked) {
    Element* input = FindAs(id, "input");
    return input != nullptr && input->setChecked(checked);
}

bool CJVPage::GetCheckedById(const std::string& id) const {
    const Element* input = FindAs(id, "input");
    return input != nullptr && input->checked();
}

std::string CJVPage::GetCheckedRadioValue(const std::string& name) const {
    ElementPtr item;
    for (int index = 0; GetDocumentItem(name, item, index); ++index) {
        if (item->is("input") && item->checked()) return item->value();
    }
    return {};
}

// --- visibility ---

bool CJVPage::HideElement(const std::string& id, int index) {
    ElementPtr element;
    if (!GetElementById(id, element, index)) return false;
    element->setStyle("display", "none");
    return true;
}

bool CJVPage::ShowElement(const std::string& id, int index) {
    ElementPtr element;
    if (!GetElementById(id, element, index)) return false;
    element->setStyle("display", "");
    return true;
}

// --- tables ---

bool CJVPage::InsertTableRow(Element* table, ElementPtr& row, int index) {
    row.reset();
    if (table == nullptr || !table->is("table") || !m_pDocument) return false;
    const auto bodies = table->tBodies();
    row = bodies.empty() ? table->insertRow(index) : bodies.front()->insertRow(index);
    return row != nullptr;
}

bool CJVPage::GetTableRow(Element* table, int index, ElementPtr& row) const {
    row.reset();
    if (table == nullptr || !table->is("table") || !m_pDocument) return false;
    const auto rows = table->rows();
    if (index < 0 || static_cast<size_t>(index) >= rows.size()) return false;
    row = rows[static_cast<size_t>(index)]->selfElement();
    return true;
}

bool CJVPage::GetRowCell(Element* row, int index, ElementPtr& cell) const {
    cell.reset();
    if (row == nullptr || !row->is("tr") || !m_pDocument) return false;
    const auto cells = row->cells();
    if (index < 0 || static_cast<size_t>(index) >= cells.size()) return false;
    cell = cells[static_cast<size_t>(index)]->selfElement();
    return true;
}

bool CJVPage::InsertRowCell(Element* row, const std::string& html, ElementPtr& cell, int index) {
    cell.reset();
    if (row == nullptr || !row->is("tr") || !m_pDocument) return false;
    cell = row->insertCell(index);
    if (!cell) return false;
    cell->setInnerHTML(html);
    return true;
}

bool CJVPage::DeleteRowCells(Element* row) {
    if (row == nullptr || !row->is("tr") || !m_pDocument) return false;
    for (int index = static_cast<int>(row->cells().size()) - 1; index >= 0; --index) row->deleteCell(index);
    return true;
}

bool CJVPage::CreateTableHead(Element* table, ElementPtr& head) {
    head.reset();
    if (table == nullptr || !m_pDocument) return false;
    head = table->createTHead();
    return head != nullptr;
}

// --- element creation and tree changes ---

bool CJVPage::AppendNewElement(Node* parent, const std::string& tag, ElementPtr& element) {
    element.reset();
    if (parent == nullptr || !m_pDocument) return false;
    ElementPtr created = m_pDocument->createElement(tag);
    if (!created || !parent->appendChild(created)) return false;
    element = std::move(created);
    return true;
}

bool CJVPage::AppendNewElementWithHTML(Node* parent, const std::string& tag, const std::string& html,
                                       ElementPtr& element) {
    element.reset();
    if (parent == nullptr || !m_pDocument) return false;
    ElementPtr created = m_pDocument->createElement(tag);
    if (!created || !created->insertAdjacentHTML("beforeEnd", html) || !parent->appendChild(created)) return false;
    element = std::move(created);
    return true;
}

bool CJVPage::AppendChildNode(Node* parent, const NodePtr& child) {
    return parent != nullptr && m_pDocument && parent->appendChild(child);
}

bool CJVPage::ReplaceChildNode(Node* parent, const NodePtr& newChild, Node* oldChild) {
    return parent != nullptr && m_pDocument && parent->replaceChild(newChild, oldChild);
}

bool CJVPage::RemoveAllChildren(Element* element) {
    if (element == nullptr || !m_pDocument) return false;
    const auto children = element->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) (*it)->removeNode();
    return true;
}
