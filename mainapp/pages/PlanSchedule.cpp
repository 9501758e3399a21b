#include "mainapp/pages/PlanSchedule.h"

#include <climits>
#include <cmath>

#include "shared/core/NumberUtils.h"
#include "shared/data/MaintenancePlanItem.h"
#include "shared/data/UserPreferences.h"

int CPlanSchedule::DisplayDistance(int miles, const CUserPreferences& prefs) {
    // The largest plan distances are more kilometres than an int holds.
    const double shown = prefs.ConvertDistanceRounded(miles, kStep);
    return shown >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(shown);
}

int CPlanSchedule::ToMiles(int typed, int storedMiles, const CUserPreferences& prefs) {
    if (typed == DisplayDistance(storedMiles, prefs)) return storedMiles;
    if (!prefs.UsesKilometres() || typed <= 0) return typed;
    // Rounding up keeps the shown value: typed <= miles * 1.6093 < typed + 1.61, which a cut
    // to a multiple of 50 brings back to a typed multiple of 50.
    return static_cast<int>(std::ceil(typed / CUserPreferences::kKilometresPerMile - 1e-9));
}

std::string CPlanSchedule::ScheduleText(const CMaintenancePlanItem& item, const CUserPreferences& prefs,
                                        const std::string& unitName, const jv::NumberFormat& format) {
    const auto number = [&format](double value) {
        std::string out;
        return DoubleToLocaleString(out, value, 0, format);
    };
    const auto distance = [&](int miles) { return number(DisplayDistance(miles, prefs)); };
    std::string text;
    const bool initial = item.INITIAL_MILEAGE > 0 || item.INITIAL_MONTH > 0;
    const bool interval = item.INTERVAL_MILEAGE > 0 || item.INTERVAL_MONTH > 0;
    if (initial) {
        text += "at ";
        if (item.INITIAL_MILEAGE > 0) {
            text += distance(item.INITIAL_MILEAGE) + " " + unitName;
            if (item.INITIAL_MONTH > 0) text += " or ";
        }
        if (item.INITIAL_MONTH > 0) text += number(item.INITIAL_MONTH) + " months";
        if (interval) text += "<br/>and then ";
    }
    if (interval) {
        text += "every ";
        if (item.INTERVAL_MILEAGE > 0) {
            text += distance(item.INTERVAL_MILEAGE) + " " + unitName;
            if (item.INTERVAL_MONTH > 0) text += " or ";
        }
        if (item.INTERVAL_MONTH > 0) text += number(item.INTERVAL_MONTH) + " months";
    }
    return text;
}
