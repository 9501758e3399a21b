#pragma once

#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
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
// Puts today's date on the page (the body's data-today, year-month-day) and how far the program's
// clock is from this machine's (data-clock-shift, seconds), so that the register script reads typed
// dates against the program's today when it checks them, as the save does.
void PublishToday(CJVPage& page);
// The date the page sent for an entry, as the database takes it (registerfields::DateForDatabase
// with today and the stored entry's date, null for the new entry); nothing when it is refused, and
// the user is told why.
std::optional<std::string> EntryDateForDatabase(const std::string& typed, const jv::DateTime* stored,
                                                const std::string& notSaved = "The entry was not saved.");
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
// The first cells of an entry's top row: the date (a stored entry's, with its year in the input's
// data-year, or today's for the new entry, stored null) and, when the register shows all cars, the
// Car column (a stored entry's car name in it, given as carName; the new entry's list of cars goes
// in later). Gives the car cell, null when there is none.
Element* AppendDateCells(CJVPage& page, Element* top, const jv::DateTime* stored, bool allCars,
                         const std::string* carName);
// The field that names an entry's car ("carname_select"), in the car cell or, without one, in
// `cell`: a stored entry's car as a hidden field (its name shows in the Car column), the new entry's
// list of cars (cars) with vehicleId chosen, shown only in the Car column.
void AppendCarField(CJVPage& page, Element* carCell, Element* cell, const std::string& vehicleId, const CCarsDB* cars);
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
// Focuses the "date" input of the new entry.
void FocusNewEntry(CJVPage& page);
// New rows for an entry, outside the document.
ElementPtr NewRow(CJVPage& page, const std::string& tag);

// The top row of the entry with this id ("12", "new") and the row after it.
Element* FindTopRow(CJVPage& page, const std::string& rowId);
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
// A field's value as the page shows it once the user leaves it (the field the cursor is still in
// may not have been left): a number field the page shows again in the user's format (marked
// data-n, its decimals) with that many decimals; any other field as it is.
std::string EntryValueAsLeft(Element* top, const std::string& name);
// Whether an entry's field holds something else than the page built it with (typed over, or
// emptied): the page works out what follows from a field only once the user changed it.
bool EntryFieldChanged(Element* top, const std::string& name);
// Whether the last save reported in "SaveResult" stored the entry.
bool EntrySaved(CJVPage& page);

// Tells the page script whether the entry it sent was saved ("saved") or not ("refused"), in the
// hidden span "SaveResult": an entry that was not saved stays changed, so leaving it asks again.
void SetSaveResult(CJVPage& page, bool saved);

// A message to the user (the program's message box): why an entry was not saved.
void ShowMessage(const std::string& message, int width = 300, int height = 200);

// An entry with no car to go to (the register shows no car: none in the garage, or only sold ones
// while they are hidden): the user is told that it was not saved (`notSaved`), and nothing is
// stored. True when the entry is refused so.
bool RefuseWithoutCar(CJVPage& page, const std::string& vehicleId,
                      const std::string& notSaved = "The entry was not saved.");

// --- the entries built as rows and the gaps between them ---------------------------------------

// A run of entries in the register's body: one entry built as rows, or a gap standing for
// `count` entries from `first` on.
struct Segment {
    size_t first = 0;
    size_t count = 0;
    bool built = false;
    bool operator==(const Segment&) const = default;
};
// The body of a register of `total` entries whose entries `built` (sorted indices; duplicates and
// indices past the end are left out) are rows: a segment for each of those, a gap for each run
// between them.
std::vector<Segment> Segments(size_t total, const std::vector<size_t>& built);

// The entries to build when the entries first..last of `total` are in view: `margin` more on
// either side, no more than `most` in all (those nearest the view first), as [from, to). Empty for
// an empty register; a view past either end is taken as the nearest entries.
std::pair<size_t, size_t> Window(long first, long last, size_t margin, size_t most, size_t total);

// A gap row spanning `columns` columns, standing for `count` entries; how many it stands for.
ElementPtr NewGap(CJVPage& page, size_t columns, size_t count);
void SetGapCount(Element* gap, size_t count);
bool IsGap(const Element& row);

}  // namespace registerrows
