#include "mainapp/pages/WS_ExpenseRegisterPage.h"

#include <cstdlib>
#include <utility>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/RegisterPrintout.h"
#include "mainapp/pages/RegisterRows.h"
#include "platform/ui/Document.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/registers/ExpenseRegisterDatabaseObject.h"

using namespace registerrows;

namespace {

constexpr const char* kRegisterName = "Miscellaneous Expense Register";

}  // namespace

CWS_ExpenseRegisterPage::CWS_ExpenseRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVRegisterPageOf(resourceId, std::move(document), CExpenseRegisterDatabaseObject::Listing()) {
    if (CJorvaneDoc* doc = Doc())
        CExpenseRegisterDatabaseObject(doc->GetDatabaseConnection()).GetCategories(m_categories);
}

std::string CWS_ExpenseRegisterPage::CategoryName(int categoryId) const {
    for (const CExpenseCategory& category : m_categories)
        if (category.CategoryID == categoryId) return category.Name;
    return {};
}

void CWS_ExpenseRegisterPage::ProcessDocument() {
    ShowRegister("CWS_ExpenseRegisterPage::ProcessDocument", kRegisterName, "<col width=\"150px\">",
                 {"<col width=\"90px\" align=\"right\">", "<col>", "<col width=\"170px\">",
                  "<col width=\"120px\" align=\"right\">"},
                 {{"Odometer", "", true}, {"Vendor / Memo"}, {"Category"}, {"Cost", "last", true}}, 49, 79);
}

void CWS_ExpenseRegisterPage::FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index,
                                            const CCarsDB& cars, bool allCars) {
    const CExpense& expense = At(index);
    const OdometerEntry entry{expense.ExpenseID, expense.ExpenseDate, expense.Odometer, expense.Vendor,
                              expense.ExpenseMemo};
    AppendOdometerAndVendor(top, &entry, expense.VehicleID, cars, allCars);
    Element* cell = Append(*this, top, "td");
    AppendText(*this, cell, "<span class=registerValueBoxNoBorder id=category_span>", CategoryName(expense.CategoryID));
    Element* select =
        Append(*this, cell, "<select class=registerValueBoxNoBorder name=category style=\"display:none\">");
    for (const CExpenseCategory& category : m_categories) {
        Element* option =
            Append(*this, select, category.CategoryID == expense.CategoryID ? "<option selected>" : "<option>");
        if (option == nullptr) continue;
        option->setAttribute("value", std::to_string(category.CategoryID));
        option->setTextContent(category.Name);
    }
    cell = Append(*this, top, "<td id=last>");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Cost data-n=2 data-num>",
                NumberText(expense.Cost, 2));
    AppendText(*this, cell, "<textarea style=\"display:none;\" name=notes>", expense.Notes);
    AppendMemoRow(bottom, &entry, allCars, 1);
}

void CWS_ExpenseRegisterPage::FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars,
                                               bool allCars) {
    AppendOdometerAndVendor(top, nullptr, SelectedCar(), cars, allCars);
    Element* cell = Append(*this, top, "td");
    Append(*this, cell, "<span id=category_span class=registerValueBoxNoBorder style=\"display:none;\">");
    Element* select = Append(*this, cell, "<select class=registerValueBoxNoBorder name=category>");
    if (Element* option = AppendText(*this, select, "<option value=-1 selected>", "Select Category")) (void)option;
    for (const CExpenseCategory& category : m_categories) {
        Element* option = AppendText(*this, select, "option", category.Name);
        if (option != nullptr) option->setAttribute("value", std::to_string(category.CategoryID));
    }
    cell = Append(*this, top, "<td id=last>");
    Append(*this, cell, "<input class=registerValueBoxTip name=Cost value=Cost data-n=2 data-num>");
    Append(*this, cell, "<textarea style=\"display:none;\" name=notes>");
    AppendMemoRow(bottom, nullptr, allCars, 1);
}

void CWS_ExpenseRegisterPage::ShowCategory(jv::ui::Element* top, int categoryId) {
    Element* select = Field(top, "category");
    if (select == nullptr) return;
    // Chosen by the category's id: the new entry's list starts with "Select Category".
    for (Element* option : select->options()) {
        if (option->getAttribute("value").value_or("") == std::to_string(categoryId)) {
            option->setSelected(true);
            break;
        }
    }
    if (Element* span = top->item("category_span")) span->setTextContent(CategoryName(categoryId));
}

void CWS_ExpenseRegisterPage::GetLastValuesForVendor(const std::string& rowId, const std::string& vehicleId,
                                                     const std::string& vendor) {
    const char* method = "CWS_ExpenseRegisterPage::GetLastValuesForVendor";
    CJorvaneDoc* doc = Doc();
    if (rowId != "new" || doc == nullptr) return;
    CExpense expense;
    expense.Vendor = vendor;
    expense.VehicleID = vehicleId;
    if (!CExpenseRegisterDatabaseObject(doc->GetDatabaseConnection()).GetExpense(expense)) return;
    Element* top = FindTopRow(*this, "new");
    if (top == nullptr) {
        TraceLog(method, TRACE_ERROR, "Couldn't find \"new\" row in Miscellaneous Expense Register.");
        return;
    }
    if (Field(top, "category") == nullptr) {
        TraceLog(method, TRACE_ERROR, "Couldn't find category element in Miscellaneous Expense Register.");
        return;
    }
    ShowCategory(top, expense.CategoryID);
    SetField(top, "Cost", NumberText(expense.Cost, 2));
    ElementPtr notes;
    if (GetElementById("details_notes", notes)) notes->setValue(expense.Notes);
    SetField(top, "notes", expense.Notes);
    Element* bottom = NextRow(top);
    if (bottom == nullptr) {
        TraceLog(method, TRACE_ERROR, "Couldn't find next row in Miscellaneous Expense Register.");
        return;
    }
    if (!expense.ExpenseMemo.empty()) SetField(bottom, "Memo", expense.ExpenseMemo);
}

void CWS_ExpenseRegisterPage::SaveExpense(const std::string& rowId, const std::string& date,
                                          const std::string& vehicleId, const std::string& odometer,
                                          const std::string& vendor, const std::string& memo,
                                          const std::string& categoryId, const std::string& cost,
                                          const std::string& notes) {
    SetSaveResult(*this, false);
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    if (RefuseWithoutCar(*this, vehicleId)) return;
    const auto numbers = NumbersForDatabase(rowId, {{"Odometer", odometer, "Odometer"}, {"Cost", cost, "Cost"}});
    if (!numbers) return;
    const std::string& odometerText = (*numbers)[0];
    const std::string& costText = (*numbers)[1];
    const CExpense* stored = StoredEntry(rowId);
    const auto dateText = EntryDateForDatabase(date, stored != nullptr ? &stored->ExpenseDate : nullptr);
    if (!dateText) return;
    if (categoryId.empty() || categoryId == "-1") {
        ShowMessage("Please select an Expense Category.");
        return;
    }
    const std::string vendorText = registerfields::WithoutTip(vendor, "Vendor");
    const std::string memoText = registerfields::WithoutTip(memo, "Memo");
    CExpenseRegisterDatabaseObject expenses(doc->GetDatabaseConnection());
    // The entry's fields show all of it: what the user emptied is stored empty.
    expenses.SetEmptyFields(EmptyFields::Clear);
    bool saved = false;
    if (rowId == "new") {
        saved =
            expenses.AddExpense(vehicleId, *dateText, odometerText, vendorText, memoText, categoryId, costText, notes);
    } else {
        saved = expenses.UpdateExpense(rowId, *dateText, vehicleId, odometerText, vendorText, memoText, categoryId,
                                       costText, notes);
    }
    if (!saved) {
        RefuseGoneEntry(rowId);
        return;
    }
    ShowSavedWithVendor(rowId, vendorText);
}

bool CWS_ExpenseRegisterPage::SaveEntry(const std::string& rowId) {
    Element* top = FindTopRow(*this, rowId);
    if (top == nullptr) return false;
    // The field the cursor is in may not have been left: its number as the page shows it once left.
    SaveExpense(rowId, EntryValue(top, "date"), EntryValue(top, "carname_select"), EntryValueAsLeft(top, "Odometer"),
                EntryValue(top, "Vendor"), EntryValue(top, "Memo"), EntryValue(top, "category"),
                EntryValueAsLeft(top, "Cost"), PageValue(*this, "details_notes"));
    return EntrySaved(*this);
}

void CWS_ExpenseRegisterPage::PrintPage() {
    PrintRegister("Miscellaneous Expense", {"Odometer", "Vendor", "Memo", "Category", "Cost"},
                  [this](Printout& printout, const CCarsDB& cars, bool allCars) {
                      for (const CExpense& expense : AllEntries()) {
                          printout.Row();
                          printout.Cell(DateText(expense.ExpenseDate));
                          if (allCars) printout.Cell(cars.getCarName(expense.VehicleID));
                          printout.Cell(NumberText(expense.Odometer, 1, true), "<td align=right>");
                          printout.Cell(expense.Vendor);
                          std::vector<std::string> memo = {expense.ExpenseMemo};
                          if (!expense.Notes.empty()) memo.push_back(expense.Notes);
                          printout.Lines(memo);
                          printout.Cell(CategoryName(expense.CategoryID));
                          printout.Cell(NumberText(expense.Cost, 2), "<td align=right>");
                      }
                  });
}
