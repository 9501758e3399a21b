#include "mainapp/pages/CostGraphSeries.h"

std::vector<JVGraphPoint> CCostGraphSeries::TotalCost(const std::vector<CCarCost>& costs) {
    std::vector<JVGraphPoint> series;
    double total = 0.0;
    for (const CCarCost& cost : costs) {
        if (!(cost.Cost > 0.0f) || !cost.CostDate.IsValid()) continue;
        total += cost.Cost;
        if (!series.empty() && cost.CostDate == series.back().Date)
            series.back().Value = static_cast<float>(total);
        else
            series.emplace_back(cost.CostDate, static_cast<float>(total), "");
    }
    return series;
}

std::vector<JVGraphPoint> CCostGraphSeries::FuelEconomy(const std::vector<CFuelPurchase>& purchases) {
    std::vector<JVGraphPoint> series;
    double distance = 0.0;
    double volume = 0.0;
    bool started = false;
    for (const CFuelPurchase& purchase : purchases) {
        const bool usable =
            purchase.GetDistance() > 0.0f && purchase.GetVolume() > 0.0f && purchase.GetFuelPurchaseDate().IsValid();
        if (usable) {
            if (started) {
                distance += purchase.GetDistance();
                volume += purchase.GetVolume();
            }
            if (purchase.GetFillUp()) {
                if (started && volume > 0.0)
                    series.emplace_back(purchase.GetFuelPurchaseDate(), static_cast<float>(distance / volume), "175");
                distance = 0.0;
                volume = 0.0;
                started = true;
            }
        } else {
            distance = 0.0;
            volume = 0.0;
            if (purchase.GetFillUp()) started = true;
        }
    }
    return series;
}
