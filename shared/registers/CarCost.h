#pragma once

#include "platform/base/DateTime.h"

// One cost of a car (a fuel purchase, a service or an expense) as the cost graph plots it.
struct CCarCost {
    jv::DateTime CostDate = jv::DateTime::Invalid();  // invalid when the row has no date
    float Odometer = 0.0f;
    float Cost = 0.0f;
};
