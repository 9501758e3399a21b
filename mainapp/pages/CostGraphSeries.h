#pragma once

#include <vector>

#include "mainapp/pages/JVGraphPoint.h"
#include "shared/registers/CarCost.h"
#include "shared/registers/FuelPurchase.h"

// The series of the home page's graphs, worked out from what the registers hold.
class CCostGraphSeries {
public:
    // The running total of a car's costs, oldest first: one point per date (costs of one date add
    // up in one point); costs of 0 or less and costs without a valid date are left out.
    static std::vector<JVGraphPoint> TotalCost(const std::vector<CCarCost>& costs);

    // The fuel economy between fill-ups, in date order: a point at each fill-up after the first,
    // the distance over the volume bought since the fill-up before it. A purchase without distance,
    // volume or a valid date breaks the interval in progress (a fill-up on it starts a new one).
    // Each point opens the fuel register (page "175").
    static std::vector<JVGraphPoint> FuelEconomy(const std::vector<CFuelPurchase>& purchases);
};
