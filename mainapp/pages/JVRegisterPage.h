#pragma once

#include <memory>
#include <string>

#include "shared/ui/JVPage.h"

// The base of the fuel, expense and service registers: editable tables of past entries with a
// blank new entry at the bottom, whose Vendor field completes itself from every vendor the user has
// saved (the document's CAutocompleteList). The rows and their markup are in RegisterRows; the
// page script (resource 190) moves what the user does to the page's methods.
class CJVRegisterPage : public CJVPage {
public:
    CJVRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    // Unit labels, columns, heading row, then BuildRows.
    void ProcessDocument() override = 0;
    // Fills other fields of the new entry from the last entry with this vendor (expenses only).
    virtual void GetLastValuesForVendor(const std::string& rowId, const std::string& vehicleId,
                                        const std::string& vendor) = 0;
    // Appends the blank new entry (two rows) to the register table.
    virtual void AddUpdateRow(jv::ui::Element* table) = 0;
    // Rebuilds the register from the database, then the new entry, and focuses its date.
    virtual void BuildRows() = 0;
    // Builds the printout of the register and hands it to the print preview.
    virtual void PrintPage() = 0;
    // Saves the entry rowId as the page shows it (with the details below the register), as its
    // Submit button does; the user asked for it on leaving the page. False when it was refused
    // (a message said why).
    virtual bool SaveEntry(const std::string& rowId) = 0;

    // Completes the typed vendor text of the entry rowId: the rest of the first stored vendor that
    // begins with it goes into the span "vendorEnd_<row>", the whole vendor into "vendorWhole_<row>";
    // both are emptied when none does.
    void GetVendor(const std::string& rowId, const std::string& typed);

protected:
    // A vendor that was saved joins the completion list.
    static void RememberVendor(const std::string& vendor);
};
