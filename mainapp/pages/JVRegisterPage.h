#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "mainapp/pages/RegisterRows.h"
#include "shared/data/RegisterQuery.h"
#include "shared/ui/JVPage.h"

class CCarsDB;
namespace registerrows {
class Printout;
}  // namespace registerrows

// The base of the registers (fuel, expenses, services, odometer readings): editable tables of past
// entries with a blank new entry at the bottom, whose Vendor field completes itself from every
// vendor the user has saved (the document's CAutocompleteList). The page script (resource 190)
// moves what the user does to the page's methods; the markup helpers are in RegisterRows. What
// the registers do alike is done here (showing the register, deleting and printing entries, the
// cells of a date, car, odometer, vendor and memo, reading typed numbers, the steps after a
// save); each page keeps its own columns, fields and checks.
//
// A register may hold tens of thousands of entries, of which the user sees a few dozen. The body
// of the table ("RegisterTBody") holds the entries built as rows (the latest ones when the page
// opens, those around what the user scrolls to, the selected one) and, for each run of entries
// not built, one gap row as high as those entries together (class "registergap", data-count the
// number of entries), so that the scroll bar stands for the whole register. The script names the
// entries it shows (ShowEntries); the page builds those and lets far ones go. A page object that
// looks up an entry not built (by its id, or "vendorEnd_<id>") gets it built in its place, for as
// long as the work that looked it up runs: then it is let go again, unless the script has shown
// it since.
//
// The page reads from the database only the entries it builds (and how many there are): the
// latest ones when it opens, those the script shows as the user scrolls, and after a save those
// that stay built, where they stand now. It lets go of the others. A printout reads the whole
// register.
class CJVRegisterPage : public CJVPage {
public:
    // `listing` is the register's, as its database object lists it.
    CJVRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document, const RegisterListing& listing);
    ~CJVRegisterPage() override;

    // Unit labels, columns, heading row, then BuildRows.
    void ProcessDocument() override = 0;
    // Fills other fields of the new entry from the last entry with this vendor (expenses only).
    virtual void GetLastValuesForVendor(const std::string& /*rowId*/, const std::string& /*vehicleId*/,
                                        const std::string& /*vendor*/) {}
    // Builds the printout of the register and hands it to the print preview.
    virtual void PrintPage() = 0;
    // Saves the entry rowId as the page shows it (with the details below the register), as its
    // Submit button does; the user asked for it on leaving the page. False when it was refused
    // (a message said why).
    virtual bool SaveEntry(const std::string& rowId) = 0;

    // Counts the entries in the database, reads the latest of them and builds those and the blank
    // new entry, whose date gets the focus.
    void BuildRows();
    // The Delete of an entry: the stored entry rowId goes, and its rows with it ("new": nothing).
    void DeleteEntry(const std::string& rowId);
    // The script shows the entries from `first` to `last` (counting from the oldest, 0): those and
    // a margin around them are built, with the selected entry (selectedId) and the new entry;
    // others built before become gaps again.
    void ShowEntries(int first, int last, const std::string& selectedId);

    // Completes the typed vendor text of the entry rowId: the rest of the first stored vendor that
    // begins with it goes into the span "vendorEnd_<row>", the whole vendor into "vendorWhole_<row>";
    // both are emptied when none does.
    void GetVendor(const std::string& rowId, const std::string& typed);

    // How many entries the register holds (as last counted).
    size_t EntryCount() const { return m_count; }
    // How many entries the page holds read from the database now.
    virtual size_t LoadedCount() const = 0;

protected:
    // The register's listing for the car shown (all cars: "%"); empty without a document.
    std::optional<CRegisterQuery> Query() const;

    // What each register keeps of the entries read (see CJVRegisterPageOf): the entry at a
    // position (counting from the oldest, 0) with its id and car, read from its row.
    virtual void KeepEntry(size_t position, int id, std::string car, const jv::db::Recordset& row) = 0;
    // Lets go of the entries read, but those at the positions given (sorted).
    virtual void KeepOnly(const std::vector<size_t>& positions) = 0;
    // The positions of the entries read, in order; the position of an entry read, or -1.
    virtual std::vector<size_t> LoadedIndices() const = 0;
    virtual long LoadedIndexOf(int id) const = 0;
    // The id and the car of an entry read.
    virtual int EntryId(size_t index) const = 0;
    virtual std::string EntryCar(size_t index) const = 0;
    // The cells and fields of an entry's two rows (an entry read).
    virtual void FillEntryRows(Element* top, Element* bottom, size_t index, const CCarsDB& cars, bool allCars) = 0;
    virtual void FillNewEntryRows(Element* top, Element* bottom, const CCarsDB& cars, bool allCars) = 0;

    // After an entry was stored: the entries built are read again where they stand now, and the
    // saved entry's rows are built anew where the register now orders it ("new": the entry just
    // added, then a fresh blank entry with the focus). Every other row stays as it is, in the
    // program and in the browser.
    void ShowSaved(const std::string& rowId);
    // After an entry was deleted: its rows go, the others stay.
    void ShowDeleted(const std::string& rowId);
    // Puts an entry back as stored, its rows built again ("new": a fresh blank entry).
    void RestoreEntry(const std::string& rowId);
    // The index of the entry with this id ("12"), or -1; an entry not read yet is read.
    long IndexOf(const std::string& rowId);

    // After an entry with a vendor was stored: it shows as stored (ShowSaved), its vendor joins the
    // completion list and the save is reported done.
    void ShowSavedWithVendor(const std::string& rowId, const std::string& vendor);

    // After the save of a stored entry failed, or before one that would not notice: when the file no
    // longer holds the entry (another program deleted it), the user is told that it was not saved
    // (`notSaved`), and the entry stays on the page as typed. True then.
    bool RefuseGoneEntry(const std::string& rowId, const std::string& notSaved = "The entry was not saved.");

    // Deletes a stored entry from the register (its id checked there).
    virtual void DeleteStored(const jv::db::Connection& connection, const std::string& rowId) = 0;

    // Prints the whole register as "<what> History for <car>": a column for the date, one for the
    // car when all cars are shown, then `headings`; `rows` adds a row for each entry.
    void PrintRegister(const std::string& what, const std::vector<std::string>& headings,
                       const std::function<void(registerrows::Printout&, const CCarsDB& cars, bool allCars)>& rows);

    // Shows the register: the number format and today's date for its script, the columns (the
    // date's, the car's `carColumn` when all cars are shown, then `columns`), the heading ("Date",
    // "Car" likewise, then `headings`), then the entries (BuildRows). False when the register's
    // table is not on the page or its columns or heading could not be set (logged at the call
    // sites given).
    bool ShowRegister(const char* method, const char* registerName, const char* carColumn,
                      const std::vector<std::string>& columns, const std::vector<registerrows::Heading>& headings,
                      int columnsCallSite, int headingCallSite);

    // What the rows of an expense and of a service hold alike. A stored entry's values; the new
    // entry has none (its fields show their tips).
    struct OdometerEntry {
        int id;
        const jv::DateTime& date;
        float odometer;
        const std::string& vendor;
        const std::string& memo;
    };
    // The top row's first cells: the date (and the car, for all cars), the odometer, the vendor
    // with the field of the car `vehicleId`.
    void AppendOdometerAndVendor(Element* top, const OdometerEntry* stored, const std::string& vehicleId,
                                 const CCarsDB& cars, bool allCars);
    // The bottom row: empty cells below those, the memo, `gap` more empty cells, the Submit cell.
    void AppendMemoRow(Element* bottom, const OdometerEntry* stored, bool allCars, size_t gap);

    // A number field of the entry being saved, as typed: its name in the message, its text, its tip.
    struct TypedNumber {
        const char* label;
        const std::string& typed;
        const char* tip;
    };
    // The numbers as the database takes them (empty: not given), those after the first (the
    // odometer) as an update of a stored entry takes amounts. Nothing when one is not a number:
    // the user was told so, and the entry is not to be saved.
    static std::optional<std::vector<std::string>> NumbersForDatabase(const std::string& rowId,
                                                                      std::initializer_list<TypedNumber> numbers);

private:
    struct BodyRows;
    struct Rebuild {
        int entryId = 0;        // an entry whose rows are built anew (0: none)
        bool newEntry = false;  // the blank new entry is built anew
        bool whole = false;     // nothing built before is kept
    };
    BodyRows ScanBody();
    // The indices of the entries built in rows.
    std::vector<size_t> BuiltIndices(const BodyRows& rows) const;
    // Makes the body hold the entries `wanted` (sorted indices) as rows, gaps for the others and
    // the new entry at the end, keeping the rows that stay.
    void LayOut(const std::vector<size_t>& wanted, const Rebuild& rebuild);
    // Counts the entries again, reads those built before and changedId (and the entry added last,
    // for a new entry) where they stand now, and lays the body out anew with them.
    void Reload(int changedId, bool newEntry);
    // Counts the entries (and notes the file's content as counted).
    size_t CountEntries(CRegisterQuery& query);
    // Whether the file changed since the entries were counted (another program may have added or
    // deleted entries, which moves the positions of those after them).
    bool ChangedSinceCounted();
    // Reads the entries built again where they stand now (Reload) and gives how far the entry
    // built nearest to `position` moved.
    long RefreshPositions(long position);
    // Reads the entries of a part and keeps them.
    void LoadPart(const RegisterPart& part);
    // Reads the entries at these positions (sorted) that are not read yet.
    void LoadMissing(const std::vector<size_t>& positions);
    // Builds the entry an id that is not on the page names ("12", "vendorEnd_12") and gives the
    // element; null when the id names no entry.
    Element* BuildNamedEntry(std::string_view id);
    // Lets go of the entries built only because they were looked up.
    void LetLookedUpEntriesGo();

    // The ids of the entries built only because they were looked up, and whether letting them go
    // is already due.
    std::unordered_set<int> m_lookedUp;
    bool m_letGoDue = false;
    const RegisterListing& m_listing;
    size_t m_count = 0;
    // The file's content version when the entries were counted; none when unknown.
    std::optional<std::uint64_t> m_countedVersion;
};

// A register page whose entries are of type Entry, read from their rows by Database::ReadEntry
// and deleted by Database's `Delete`.
template <class Database, class Entry, bool (Database::*Delete)(const std::string&)>
class CJVRegisterPageOf : public CJVRegisterPage {
public:
    using CJVRegisterPage::CJVRegisterPage;

    size_t LoadedCount() const override { return m_loaded.size(); }

protected:
    // An entry read (see LoadedIndices).
    const Entry& At(size_t index) const { return m_loaded.at(index).entry; }
    // The stored entry rowId ("12"), read if it was not; null for "new" or an entry not there.
    const Entry* StoredEntry(const std::string& rowId) {
        const long index = IndexOf(rowId);
        return index >= 0 ? &At(static_cast<size_t>(index)) : nullptr;
    }
    // Every entry of the register, the oldest first, read for this once (a printout).
    std::vector<Entry> AllEntries() const {
        std::vector<Entry> entries;
        if (auto query = Query())
            query->ReadAll([&](const jv::db::Recordset& row) { entries.push_back(Database::ReadEntry(row)); });
        return entries;
    }

    void KeepEntry(size_t position, int id, std::string car, const jv::db::Recordset& row) override {
        m_loaded.insert_or_assign(position, Loaded{id, std::move(car), Database::ReadEntry(row)});
    }
    void KeepOnly(const std::vector<size_t>& positions) override {
        std::map<size_t, Loaded> kept;
        for (size_t position : positions) {
            if (auto found = m_loaded.find(position); found != m_loaded.end())
                kept.emplace_hint(kept.end(), position, std::move(found->second));
        }
        m_loaded = std::move(kept);
    }
    std::vector<size_t> LoadedIndices() const override {
        std::vector<size_t> positions;
        positions.reserve(m_loaded.size());
        for (const auto& entry : m_loaded) positions.push_back(entry.first);
        return positions;
    }
    long LoadedIndexOf(int id) const override {
        for (const auto& [position, entry] : m_loaded)
            if (entry.id == id) return static_cast<long>(position);
        return -1;
    }
    int EntryId(size_t index) const override { return m_loaded.at(index).id; }
    std::string EntryCar(size_t index) const override { return m_loaded.at(index).car; }
    void DeleteStored(const jv::db::Connection& connection, const std::string& rowId) override {
        (Database(connection).*Delete)(rowId);
    }

private:
    struct Loaded {
        int id;
        std::string car;
        Entry entry;
    };
    std::map<size_t, Loaded> m_loaded;
};
