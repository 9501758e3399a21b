#pragma once

#include <memory>
#include <string>
#include <vector>

#include "shared/data/CarsDB.h"
#include "shared/registers/CarsOverviewDB.h"
#include "shared/registers/Reminder.h"
#include "shared/ui/JVPage.h"

class CJorvaneView;

// The home page: a row per car shown (the selected car, or all cars) with its due services and
// their details, its odometer, distance and cost per chosen unit, fuel economy and total cost; the
// reminder actions of its menus (completed, skip, change schedule, update odometer, sell, delete);
// its prints; and below the list a cost graph of one car.
//
// A reminder is named in the page by its reminder id: its position in the page's list of
// reminders, sorted by due date, of the last BuildCarList. Ids that name no reminder of that list
// are refused without effect.
class CWS_HomePage : public CJVPage {
public:
    // The window is narrow below these widths (one car, all cars).
    static constexpr int kNarrowWidthOneCar = 983;
    static constexpr int kNarrowWidthAllCars = 1078;

    CWS_HomePage(int resourceId, std::shared_ptr<jv::ui::Document> document);
    ~CWS_HomePage() override;

    void ProcessDocument() override;
    // Chooses the narrow (1) or wide (2) layout for the main window's width.
    void UpdateLayout();
    // Fills the car rows and the reminders.
    void BuildCarList();
    // Rewrites the distance-per-time or the cost-per-unit column of every car row.
    void SetTimeSpan(const std::string& unit);
    void SetCostUnit(const std::string& unit);

    // Script methods.
    void CarOverviewSelect(const std::string& name, const std::string& value);
    void CompletedService(int reminderId);
    void SkipService(int reminderId);
    void SkipServiceAlways(int reminderId);
    void EditServiceItem(const std::string& vehicleId, int reminderId);
    void ChangeReminderDate(const std::string& date);
    void UpdateOdometer(const std::string& vehicleId);
    void PrintHomePage(int table);
    void PrintPage();
    void SelectCarGraph();

    // The graph controls and the first graph shown.
    void SetupGraphControls();
    // Draws graph `type` (1 total cost, 2 fuel economy, else the sample) of a car; the number of
    // points drawn (10 for the sample, 0 without a graph element).
    int DrawGraph(int type, const std::string& vehicleId);

    const std::vector<CReminder>& GetReminders() const { return m_reminders; }

private:
    CJorvaneView* View() const;
    // The reminder an id from the page script names, or null.
    const CReminder* ReminderAt(int reminderId) const;
    const CCar* CarWithId(const std::string& vehicleId) const;
    // Asks about the new car's automatic service entries; true when the user went to the service
    // register instead of the home page.
    bool ShowNewCarNotice();
    void ShowPrint(const std::string& html);
    void ShowOdometerDialog(const std::string& vehicleId, const std::string& date, const std::string& odometer);
    void RewriteColumn(int cell, const std::vector<std::string>& texts);

    CCarsDB m_cars;
    CCarsOverviewDB m_overview;
    std::vector<CReminder> m_reminders;
    int m_nLayout = 2;
    int m_nGraphType = 0;
};
