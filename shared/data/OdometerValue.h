#pragma once

#include <string>

#include "platform/base/DateTime.h"

// One odometer reading of a car (a row of OdometerValues), in the stored distance unit (miles).
class COdometerValue {
public:
    int OdometerValueID = 0;
    jv::DateTime OdometerDate = jv::DateTime::Invalid();
    float OdometerValue = -1.0f;
    std::string VehicleID;
};
