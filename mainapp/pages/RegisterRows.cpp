#include "mainapp/pages/RegisterRows.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/pages/RegisterFields.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberFormat.h"
#include "platform/ui/Document.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"

namespace registerrows {

CJorvaneDoc* Doc() {
    return CJorvaneDoc::GetDoc();
}

std::string SelectedCar() {
    const CJorvaneView* view = CJorvaneView::GetView();
    return view != nullptr ? view->GetSelectedCar() : std::string("%");
}

bool AllCars() {
    return SelectedCar() == "%";
}

void LoadAllCars(CCarsDB& cars) {
    if (CJorvaneDoc* doc = Doc()) cars.getCars("%", doc->GetUserPreferences());
}

std::string Today() {
    return jv::CurrentClock().Now().Format("%m/%d/%y");
}

std::string DateText(const jv::DateTime& date) {
    return date.Format("%m/%d/%y");
}

void PublishToday(CJVPage& page) {
    Element* body = page.GetDocument() ? page.GetDocument()->body() : nullptr;
    if (body == nullptr) return;
    const jv::DateTime now = jv::CurrentClock().Now();
    body->setAttribute("data-today", now.Format("%Y-%m-%d"));
    // How far the program's clock is from this machine's, in seconds (0 but where a test installed
    // another): the script adds it to its own clock, so that a page left open past midnight checks
    // dates against the new day, as the program's save does.
    body->setAttribute("data-clock-shift", std::to_string(std::llround((now - jv::SystemClock().Now()) * 86400)));
}

std::optional<std::string> EntryDateForDatabase(const std::string& typed, const jv::DateTime* stored,
                                                const std::string& notSaved) {
    const auto date = registerfields::DateForDatabase(typed, jv::CurrentClock().Now(), stored);
    if (date.problem == registerfields::EntryDate::Problem::None) return date.text;
    ShowMessage("The date \"" + EscapeHtmlQuotes(typed) + "\" " + registerfields::DateRefusal(date.problem) + ".<p>" +
                notSaved);
    return std::nullopt;
}

std::string NumberText(double value, int digits, bool emptyWhenZero) {
    if (emptyWhenZero && !(value > 0)) return {};
    return jv::NumberFormat::User().Format(value, digits);
}

void PublishNumberFormat(CJVPage& page) {
    ElementPtr span;
    if (!page.GetElementById("NumberFormat", span)) return;
    const jv::NumberFormat& format = jv::NumberFormat::User();
    span->setAttribute("data-decimal", format.decimalSeparator);
    span->setAttribute("data-thousand", format.thousandSeparator);
    span->setAttribute("data-grouping", std::to_string(format.grouping));
    span->setAttribute("data-leading-zero", format.leadingZero ? "1" : "0");
    span->setAttribute("data-negative-order", std::to_string(format.negativeOrder));
}

Element* Append(CJVPage& page, Node* parent, const std::string& tag) {
    ElementPtr element;
    return page.AppendNewElement(parent, tag, element) ? element.get() : nullptr;
}

Element* AppendHtml(CJVPage& page, Node* parent, const std::string& tag, const std::string& html) {
    ElementPtr element;
    return page.AppendNewElementWithHTML(parent, tag, html, element) ? element.get() : nullptr;
}

Element* AppendText(CJVPage& page, Node* parent, const std::string& tag, const std::string& text) {
    Element* element = Append(page, parent, tag);
    if (element != nullptr) element->setTextContent(text);
    return element;
}

Element* AppendInput(CJVPage& page, Node* parent, const std::string& tag, const std::string& value) {
    Element* element = Append(page, parent, tag);
    if (element != nullptr) element->setAttribute("value", value);
    return element;
}

void AppendCarOptions(CJVPage& page, Element* select, const CCarsDB& cars, const std::string& selectedId) {
    if (select == nullptr) return;
    for (const CCar& car : cars.m_cars) {
        Element* option = Append(page, select, car.VehicleID == selectedId ? "<option selected>" : "<option>");
        if (option == nullptr) continue;
        option->setAttribute("value", car.VehicleID);
        option->setTextContent(car.Name);
    }
}

Element* AppendDateCells(CJVPage& page, Element* top, const jv::DateTime* stored, bool allCars,
                         const std::string* carName) {
    Element* cell = Append(page, top, "<td id=first>");
    const std::string date = stored != nullptr ? DateText(*stored) : Today();
    Element* input = AppendInput(page, cell, "<input class=registerValueBoxNoBorder name=date>", date);
    // The script reads a two-digit year typed over a stored date as the program does: near its year.
    if (input != nullptr && stored != nullptr && stored->IsValid())
        input->setAttribute("data-year", std::to_string(stored->GetYear()));
    if (!allCars) return nullptr;
    Element* carCell = Append(page, top, "td");
    if (carName != nullptr) AppendText(page, carCell, "span", *carName);
    return carCell;
}

void AppendCarField(CJVPage& page, Element* carCell, Element* cell, const std::string& vehicleId, const CCarsDB* cars) {
    Element* parent = carCell != nullptr ? carCell : cell;
    if (cars == nullptr) {
        AppendInput(page, parent, "<input type=hidden name=carname_select>", vehicleId);
        return;
    }
    Element* select = Append(page, parent,
                             std::string("<select class=registerValueBoxNoBorder style=\"") +
                                 (carCell != nullptr ? "" : "display: none;") + "\" name=carname_select>");
    AppendCarOptions(page, select, *cars, vehicleId);
}

void AppendVendorField(CJVPage& page, Element* cell, const std::string& rowId, const std::string& vendor) {
    const bool newEntry = rowId == "new";
    Append(page, cell, "<span id=vendorEnd_" + rowId + " style=\"display:none\">");
    AppendText(page, cell, "<span id=vendorWhole_" + rowId + " style=\"display:none\">", newEntry ? "" : vendor);
    if (newEntry) {
        Append(page, cell, "<input class=registerValueBoxTip name=Vendor value=Vendor autocomplete=off>");
    } else {
        AppendInput(page, cell, "<input class=registerValueBoxNoBorder name=Vendor autocomplete=off>", vendor);
    }
}

void AppendSubmitCell(CJVPage& page, Element* row, bool newEntry) {
    Element* cell = AppendHtml(page, row, "<td id=last>", "<img src=250 alt=\"\">");
    if (cell == nullptr) return;
    AppendHtml(page, cell,
               newEntry ? "<button class=registerButton name=Submit>"
                        : "<button class=registerButton name=Submit style=\"display:none;\">",
               "Submit");
}

void AppendFillerCell(CJVPage& page, Element* row, bool first) {
    AppendHtml(page, row, first ? "<td id=first>" : "td", "&nbsp;");
}

namespace {

void Missing(const std::string& method, const std::string& message, int callSite) {
    TraceLog(method, TRACE_ERROR, message);
    if (callSite != 0) CErrorReporting::Report(method, callSite, message);
}

}  // namespace

bool SetColumns(CJVPage& page, const std::vector<std::string>& columns, const std::string& method,
                const std::string& registerName, int callSite) {
    ElementPtr group;
    if (!page.GetElementById("RegisterColumns", group)) {
        Missing(method, "Couldn't find RegisterColumns in " + registerName + ".", callSite);
        return false;
    }
    // Cleared first, so that filling the page again does not add columns.
    page.RemoveAllChildren(group.get());
    for (const std::string& column : columns) Append(page, group.get(), column);
    return true;
}

bool SetHeading(CJVPage& page, const std::vector<Heading>& headings, const std::string& method,
                const std::string& registerName, int callSite) {
    ElementPtr row;
    if (!page.GetElementById("RegisterHeadingRow", row)) {
        Missing(method, "Couldn't find RegisterHeadingRow in " + registerName + ".", callSite);
        return false;
    }
    page.DeleteRowCells(row.get());
    for (const Heading& heading : headings) {
        std::string tag = "<td";
        if (!heading.id.empty()) tag += " id=" + heading.id;
        if (heading.number) tag += " align=right";
        tag += ">";
        AppendText(page, row.get(), tag, heading.text);
    }
    return true;
}

ElementPtr NewBody(CJVPage& page) {
    const auto& document = page.GetDocument();
    if (!document) return nullptr;
    ElementPtr body = document->createElement("tbody");
    if (body) body->setId("RegisterTBody");
    return body;
}

void ReplaceBody(CJVPage& page, Element* table, const ElementPtr& body) {
    if (table == nullptr || !body) return;
    ElementPtr old;
    if (page.GetElementById("RegisterTBody", old) && old->parentNode() == table)
        page.ReplaceChildNode(table, body, old.get());
    else
        page.AppendChildNode(table, body);
}

void FocusNewEntry(CJVPage& page) {
    if (Element* date = Field(FindTopRow(page, "new"), "date")) date->focus();
}

ElementPtr NewRow(CJVPage& page, const std::string& tag) {
    const auto& document = page.GetDocument();
    return document ? document->createElement(tag) : nullptr;
}

Element* FindTopRow(CJVPage& page, const std::string& rowId) {
    ElementPtr row;
    if (!page.GetElementById(rowId, row) || !row->is("tr")) return nullptr;
    return row.get();
}

Element* NextRow(Element* row) {
    if (row == nullptr || row->parentNode() == nullptr) return nullptr;
    const auto& siblings = row->parentNode()->childNodes();
    for (size_t i = static_cast<size_t>(row->indexInParent()) + 1; i < siblings.size(); ++i) {
        if (Element* element = siblings[i]->asElement(); element != nullptr && element->is("tr")) return element;
    }
    return nullptr;
}

Element* Field(Element* row, const std::string& name) {
    return row != nullptr ? row->item(name) : nullptr;
}

void SetField(Element* row, const std::string& name, const std::string& value) {
    if (Element* field = Field(row, name)) {
        field->setValue(value);
        // A field that showed its tip shows a value now.
        if (field->className() == "registerValueBoxTip") field->setClassName("registerValueBoxNoBorder");
    }
}

void SetChecked(Element* row, const std::string& name, bool checked) {
    if (Element* field = Field(row, name)) field->setChecked(checked);
}

namespace {

Element* EntryField(Element* top, const std::string& name) {
    Element* field = Field(top, name);
    return field != nullptr ? field : Field(NextRow(top), name);
}

}  // namespace

std::string EntryValue(Element* top, const std::string& name) {
    Element* field = EntryField(top, name);
    return field != nullptr ? field->value() : std::string();
}

std::string EntryValueAsLeft(Element* top, const std::string& name) {
    Element* field = EntryField(top, name);
    if (field == nullptr) return {};
    const auto digits = field->getAttribute("data-n");
    if (!digits) return field->value();
    return registerfields::NumberAsLeft(field->value(), std::atoi(digits->c_str()), jv::NumberFormat::User());
}

bool EntryFieldChanged(Element* top, const std::string& name) {
    Element* field = EntryField(top, name);
    return field != nullptr && field->value() != field->getAttribute("value").value_or("");
}

bool EntryChecked(Element* top, const std::string& name) {
    Element* field = Field(top, name);
    return field != nullptr && field->checked();
}

std::string PageValue(CJVPage& page, const std::string& id) {
    ElementPtr element;
    return page.GetElementById(id, element) ? element->value() : std::string();
}

bool EntrySaved(CJVPage& page) {
    ElementPtr span;
    return page.GetElementById("SaveResult", span) && span->textContent() == "saved";
}

void SetSaveResult(CJVPage& page, bool saved) {
    ElementPtr span;
    if (page.GetElementById("SaveResult", span)) span->setTextContent(saved ? "saved" : "refused");
}

void ShowMessage(const std::string& message, int width, int height) {
    CGenericDlg dialog;
    dialog.SetMessage(message);
    dialog.SetSize(width, height);
    dialog.DoModal();
}

bool RefuseWithoutCar(CJVPage& page, const std::string& vehicleId, const std::string& notSaved) {
    if (!vehicleId.empty()) return false;
    SetSaveResult(page, false);
    ShowMessage("There is no car to record this for. Add a car first.<p>" + notSaved);
    return true;
}

std::vector<Segment> Segments(size_t total, const std::vector<size_t>& built) {
    std::vector<Segment> segments;
    size_t next = 0;  // the first entry not yet in a segment
    for (size_t index : built) {
        if (index >= total || index < next) continue;
        if (index > next) segments.push_back({next, index - next, false});
        segments.push_back({index, 1, true});
        next = index + 1;
    }
    if (next < total) segments.push_back({next, total - next, false});
    return segments;
}

std::pair<size_t, size_t> Window(long first, long last, size_t margin, size_t most, size_t total) {
    if (total == 0 || most == 0) return {0, 0};
    if (last < first) std::swap(first, last);
    const long end = static_cast<long>(total) - 1;
    first = std::clamp(first, 0L, end);
    last = std::clamp(last, 0L, end);
    size_t from = static_cast<size_t>(first) > margin ? static_cast<size_t>(first) - margin : 0;
    size_t to = std::min(total, static_cast<size_t>(last) + 1 + margin);
    if (to - from > most) {
        // Around the middle of the view.
        const size_t middle = (static_cast<size_t>(first) + static_cast<size_t>(last)) / 2;
        from = middle > most / 2 ? middle - most / 2 : 0;
        to = std::min(total, from + most);
        from = to - std::min(to, most);
    }
    return {from, to};
}

ElementPtr NewGap(CJVPage& page, size_t columns, size_t count) {
    ElementPtr gap = NewRow(page, "<tr class=registergap>");
    if (!gap) return nullptr;
    Append(page, gap.get(), "<td colspan=" + std::to_string(std::max<size_t>(columns, 1)) + ">");
    SetGapCount(gap.get(), count);
    return gap;
}

void SetGapCount(Element* gap, size_t count) {
    const std::string text = std::to_string(count);
    if (gap == nullptr || gap->getAttribute("data-count") == text) return;
    gap->setAttribute("data-count", text);
    // As high as that many entries (the style sheet's entry height).
    gap->setAttribute("style", "--entries: " + text);
}

bool IsGap(const Element& row) {
    return row.is("tr") && row.className() == "registergap";
}

}  // namespace registerrows
