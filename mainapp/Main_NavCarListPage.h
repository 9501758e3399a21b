#pragma once

#include <string>

#include "shared/data/CarsDB.h"
#include "shared/ui/JVPage.h"

class CJorvaneView;

// The car list at the left of the main window: a row per car, an All Cars row when there are
// several, the selected car highlighted between two corner images, and a provisional "New Car"
// row while a new car is entered. The selected car it sets is the one every workspace page shows.
//
// Rows of the table "carlist": 0 the top spacer, 1..count the cars, then "%" (All Cars, only with
// more than one car), the bottom spacer "lastrow" and the "Add A Car" row.
class CMain_NavCarListPage : public CJVPage {
public:
    CMain_NavCarListPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    // Selects the row at that index; a row that is no car, no "All Cars" and no "New Car" row
    // selects the last car row or "All Cars" instead.
    void SelectCar(int row);
    void SelectCarByID(const std::string& vehicleId);
    void AddNewCarRow();
    void UpdateNewCarInNavList(const std::string& name);

    int GetCarCount() const { return static_cast<int>(m_cars.m_cars.size()); }

private:
    CJorvaneView* View() const;
    bool IsSelectableRow(int row) const;
    int LastSelectableRow() const;
    void LoadCars();

    CCarsDB m_cars;
};
