#pragma once

#include <string>
#include <vector>

#include "mainapp/pages/JVRegisterPage.h"
#include "shared/registers/Expense.h"
#include "shared/registers/ExpenseCategory.h"
#include "shared/registers/ExpenseRegisterDatabaseObject.h"

// The miscellaneous expense register (page 192): the costs of a car that are neither fuel nor
// services (parking, insurance, repairs), each with a category, for the selected car or all cars.
// Completing a vendor in the new entry fills its category, cost, memo and notes from that vendor's
// last expense.
class CWS_ExpenseRegisterPage : public CJVRegisterPageOf<CExpenseRegisterDatabaseObject, CExpense,
                                                         &CExpenseRegisterDatabaseObject::DeleteExpense> {
public:
    CWS_ExpenseRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    void GetLastValuesForVendor(const std::string& rowId, const std::string& vehicleId,
                                const std::string& vendor) override;
    void PrintPage() override;
    bool SaveEntry(const std::string& rowId) override;

    // Adds ("new") or updates one expense; as the fuel register's save: tips are empty, an empty
    // number is not given, text that is not a number or a date, or no category, is refused with a
    // message.
    void SaveExpense(const std::string& rowId, const std::string& date, const std::string& vehicleId,
                     const std::string& odometer, const std::string& vendor, const std::string& memo,
                     const std::string& categoryId, const std::string& cost, const std::string& notes);
    void DeleteExpenseRegisterRow(const std::string& rowId) { DeleteEntry(rowId); }
    void RestorePurchase(const std::string& rowId) { RestoreEntry(rowId); }

protected:
    void FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index, const CCarsDB& cars,
                       bool allCars) override;
    void FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars, bool allCars) override;

private:
    std::string CategoryName(int categoryId) const;
    // Shows the category with this id in the entry's select and span.
    void ShowCategory(jv::ui::Element* top, int categoryId);

    std::vector<CExpenseCategory> m_categories;
};
