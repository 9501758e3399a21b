#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "shared/ui/JVPage.h"

class CCarsDB;

// The base of the registers (fuel, expenses, services, odometer readings): editable tables of past
// entries with a blank new entry at the bottom, whose Vendor field completes itself from every
// vendor the user has saved (the document's CAutocompleteList). The page script (resource 190)
// moves what the user does to the page's methods; the markup helpers are in RegisterRows.
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
class CJVRegisterPage : public CJVPage {
public:
    CJVRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);
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

    // Loads the entries from the database and builds the latest of them and the blank new entry,
    // whose date gets the focus.
    void BuildRows();
    // The script shows the entries from `first` to `last` (counting from the oldest, 0): those and
    // a margin around them are built, with the selected entry (selectedId) and the new entry;
    // others built before become gaps again.
    void ShowEntries(int first, int last, const std::string& selectedId);

    // Completes the typed vendor text of the entry rowId: the rest of the first stored vendor that
    // begins with it goes into the span "vendorEnd_<row>", the whole vendor into "vendorWhole_<row>";
    // both are emptied when none does.
    void GetVendor(const std::string& rowId, const std::string& typed);

    // How many entries the register holds.
    virtual size_t EntryCount() const = 0;

protected:
    // What each register supplies: its entries loaded from the database in the order shown (the
    // oldest first), their ids, and the cells and fields of an entry's two rows.
    virtual void LoadEntries() = 0;
    virtual int EntryId(size_t index) const = 0;
    virtual std::string EntryCar(size_t index) const = 0;
    // Loads again only the entries of one car, in place of those the register holds for it.
    virtual void LoadEntriesOf(const std::string& vehicleId) = 0;
    virtual void FillEntryRows(Element* top, Element* bottom, size_t index, const CCarsDB& cars, bool allCars) = 0;
    virtual void FillNewEntryRows(Element* top, Element* bottom, const CCarsDB& cars, bool allCars) = 0;

    // After an entry of the car vehicleId was stored: the entries are loaded again (those of that
    // car, when the register shows all cars) and the saved entry's rows are built anew where the
    // register now orders it ("new": the entry just added, then a fresh blank entry with the focus).
    // Every other row stays as it is, in the program and in the browser.
    void ShowSaved(const std::string& rowId, const std::string& vehicleId);
    // After an entry was deleted: its rows go, the others stay.
    void ShowDeleted(const std::string& rowId);
    // Puts an entry back as stored, its rows built again ("new": a fresh blank entry).
    void RestoreEntry(const std::string& rowId);
    // The index of the entry with this id ("12"), or -1.
    long IndexOf(const std::string& rowId) const;

    // A vendor that was saved joins the completion list.
    static void RememberVendor(const std::string& vendor);

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
    // Loads the entries again (only those of the cars named, when the register shows all cars), and
    // lays the body out anew with the rows built before, what is new, and changedId.
    void Reload(int changedId, bool newEntry, std::vector<std::string> cars);
    // Builds the entry an id that is not on the page names ("12", "vendorEnd_12") and gives the
    // element; null when the id names no entry.
    Element* BuildNamedEntry(std::string_view id);
    // Lets go of the entries built only because they were looked up.
    void LetLookedUpEntriesGo();

    // The ids of the entries built only because they were looked up, and whether letting them go
    // is already due.
    std::unordered_set<int> m_lookedUp;
    bool m_letGoDue = false;
};
