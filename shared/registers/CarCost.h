#pragma once

#include "platform/base/DateTime.h"

// The costs of a car on one date (fuel purchases, services, expenses) as the cost graph plots them.
struct CCarCost {
    jv::DateTime CostDate = jv::DateTime::Invalid();  // invalid when the row has no date
    float Cost = 0.0f;
};
