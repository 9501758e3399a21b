#pragma once

#include <cstdlib>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/base/DateTime.h"
#include "shared/core/TraceLog.h"
#include "shared/ui/JVPage.h"

class CCarsDB;
class CJorvaneDoc;

// The markup and row mechanics the register pages (fuel, expenses, services, odometer readings)
// share. Every entry of a register is two rows of the table "Register": a top row whose id is
// the record's id ("new" for the blank entry at the bottom) and the bottom row after it. Rows are
// built off the live document into a new body that replaces the old one in one step, so a
// register of thousands of entries costs one change on the page.
//
// Cells and fields are made from start tags the pages list (CJVPage::AppendNewElement); every text
// from the user or the database goes in as text or as an attribute value, never as markup.
namespace registerrows {

using jv::ui::Element;
using jv::ui::ElementPtr;
using jv::ui::Node;

// The document and its user preferences; null before the program has opened its database.
CJorvaneDoc* Doc();
// Whether the register shows all cars (the main view's selected car is "%"), and that car.
std::string SelectedCar();
bool AllCars();
// Every car ("%"), sold ones as the preferences say, for the car names and car selects.
void LoadAllCars(CCarsDB& cars);

// Today ("%m/%d/%y"), and a stored date as the register shows it.
std::string Today();
std::string DateText(const jv::DateTime& date);
// A stored number in the user's format; empty when emptyWhenZero and it is not above 0.
std::string NumberText(double value, int digits, bool emptyWhenZero = false);

// Puts the user's number format on the page (the span "NumberFormat"), so that the register script
// shows and reads numbers as the program does without asking it for each one.
void PublishNumberFormat(CJVPage& page);

// A new element made from a start tag, appended to parent; null when it cannot be made.
Element* Append(CJVPage& page, Node* parent, const std::string& tag);
// The same with inner HTML the program wrote ("&nbsp;", "Submit").
Element* AppendHtml(CJVPage& page, Node* parent, const std::string& tag, const std::string& html);
// The same with text content (a car's name, a vendor).
Element* AppendText(CJVPage& page, Node* parent, const std::string& tag, const std::string& text);
// A new element from a start tag whose value is set afterwards (the value is a property, so no
// escaping is involved).
Element* AppendInput(CJVPage& page, Node* parent, const std::string& tag, const std::string& value);

// One option per car (value VehicleID, text the car's name), selected where it is selectedId.
void AppendCarOptions(CJVPage& page, Element* select, const CCarsDB& cars, const std::string& selectedId);
// The hidden completion spans and the Vendor input of an entry.
void AppendVendorField(CJVPage& page, Element* cell, const std::string& rowId, const std::string& vendor);
// The last cell of a bottom row: the row icon and the Submit button (shown on the new entry).
void AppendSubmitCell(CJVPage& page, Element* row, bool newEntry);
// A filler cell ("&nbsp;"), with the id "first" when first.
void AppendFillerCell(CJVPage& page, Element* row, bool first);

// The page's column group and heading row. Missing: logged at level 2 under method ("Couldn't
// find RegisterColumns in <register>."), reported when callSite is not 0; false.
bool SetColumns(CJVPage& page, const std::vector<std::string>& columns, const std::string& method,
                const std::string& registerName, int callSite);
struct Heading {
    Heading(std::string text_, std::string id_ = {}, bool number_ = false)
        : text(std::move(text_)), id(std::move(id_)), number(number_) {}
    std::string text;
    std::string id;       // "first", "last" or empty
    bool number = false;  // over a column of numbers: right-aligned as they are
};
bool SetHeading(CJVPage& page, const std::vector<Heading>& headings, const std::string& method,
                const std::string& registerName, int callSite);

// A new, empty body for the register ("RegisterTBody"), outside the document.
ElementPtr NewBody(CJVPage& page);
// Puts body in place of the register's body (appends it when there is none).
void ReplaceBody(CJVPage& page, Element* table, const ElementPtr& body);
// Appends an empty row to the register's body; null when there is no body.
Element* AppendRow(CJVPage& page, Element* table);
// Focuses the "date" input of the new entry (the last entry of the register).
void FocusNewEntry(Element* table);
// Removes the two rows of the new entry (the last two rows of the register).
void RemoveNewEntry(Element* table);

// Puts an entry's two rows (built outside the document) before the entry nextId ("new" for the
// blank entry): adding one entry changes one place of the page, however long the register. False
// when there is no such entry.
bool InsertEntry(CJVPage& page, const std::string& nextId, const ElementPtr& top, const ElementPtr& bottom);
// New rows for an entry, outside the document.
ElementPtr NewRow(CJVPage& page, const std::string& tag);

// The one entry a reload of the register added to the ids shown before, and the id of the entry
// it goes before ("new" when it is the last); -1 when the reload brought anything else than that
// one new entry (the page is then built again whole).
struct AddedEntry {
    long index = -1;
    std::string nextId = "new";
};
template <class Entry, class IdOf>
AddedEntry FindAddedEntry(const std::unordered_set<int>& shown, const std::vector<Entry>& entries, IdOf idOf) {
    AddedEntry added;
    size_t unseen = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (shown.count(idOf(entries[i])) != 0) continue;
        ++unseen;
        added.index = static_cast<long>(i);
        added.nextId = i + 1 < entries.size() ? std::to_string(idOf(entries[i + 1])) : "new";
    }
    if (unseen != 1 || entries.size() != shown.size() + 1) return AddedEntry{};
    return added;
}

// The top row of the entry with this id ("12", "new") and the row after it.
Element* FindTopRow(CJVPage& page, const std::string& rowId);

// The stored entry that restoring rowId names, and its top row on the page (`top`); null, with a
// log line under `method` naming the entry as `what` ("expense"), when either is missing.
template <class Entry, class IdOf>
const Entry* FindEntryToRestore(CJVPage& page, const std::vector<Entry>& entries, const std::string& rowId, IdOf idOf,
                                const char* method, const std::string& what, Element*& top) {
    const int id = std::atoi(rowId.c_str());
    const Entry* entry = nullptr;
    for (const Entry& candidate : entries)
        if (idOf(candidate) == id) entry = &candidate;
    if (entry == nullptr) {
        TraceLog(method, TRACE_ERROR, "Couldn't find " + what + " " + std::to_string(id));
        return nullptr;
    }
    top = FindTopRow(page, std::to_string(id));
    if (top == nullptr) {
        TraceLog(method, TRACE_ERROR, "Couldn't find top row for " + what + " " + std::to_string(id));
        return nullptr;
    }
    return entry;
}
Element* NextRow(Element* row);
// A field of a row, by name.
Element* Field(Element* row, const std::string& name);
void SetField(Element* row, const std::string& name, const std::string& value);
void SetChecked(Element* row, const std::string& name, bool checked);

// What the page script sends of an entry, read from the page: a field's value in the entry's top
// row or the row below it (tips included: the save functions read them as empty), whether a box is
// checked, and a value outside the register (the details below it) by id.
std::string EntryValue(Element* top, const std::string& name);
bool EntryChecked(Element* top, const std::string& name);
std::string PageValue(CJVPage& page, const std::string& id);
// Whether the last save reported in "SaveResult" stored the entry.
bool EntrySaved(CJVPage& page);

// Tells the page script whether the entry it sent was saved ("saved") or not ("refused"), in the
// hidden span "SaveResult": an entry that was not saved stays changed, so leaving it asks again.
void SetSaveResult(CJVPage& page, bool saved);

// A message to the user (the program's message box): why an entry was not saved.
void ShowMessage(const std::string& message, int width = 300, int height = 200);

// Empties the print table of the page ("PrintTable" in "PrintScratch") and gives it a head with
// the headings; null when the page has none.
Element* StartPrintTable(CJVPage& page, const std::vector<std::string>& headings);
// Prints the printout (heading and the print table's HTML).
void ShowPrintPreview(const std::string& html);

}  // namespace registerrows
