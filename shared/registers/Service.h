#pragma once

#include <string>
#include <vector>

#include "platform/base/DateTime.h"
#include "shared/data/MaintenancePlanItem.h"

// One service of the service register: a row of Services with the plan items it covered.
// A plain value, held by value in arrays of services.
class CService {
public:
    int ServiceID = 0;
    std::string VehicleID;
    jv::DateTime ServiceDate;  // 0.0, valid, until filled
    float Odometer = 0.0f;
    std::string Vendor;
    std::string ServiceMemo;
    float Cost = 0.0f;
    float Parts = 0.0f;
    float Labor = 0.0f;
    float Other = 0.0f;
    float Tax = 0.0f;
    std::string Notes;
    std::vector<CMaintenancePlanItem> items;
};
