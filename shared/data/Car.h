#pragma once

#include <string>

#include "platform/base/DateTime.h"
#include "shared/data/MaintenancePlan.h"

// One vehicle of the user's garage: a row of the Vehicles table plus what is worked out when the cars
// are loaded (current odometer, whether it is an estimate, the two daily distance rates), which has
// no column and is never stored. A plain value, copied freely.
//
// -1.0 in PurchaseOdometer, PurchasePrice and SoldPrice means "unknown". They hold what the user typed
// as it was typed (in double precision: a float would turn 54321.7 into 54321.699219, and a save of
// any other field would store that). A date that is not valid is left out of the statements that
// write the car, so its column keeps NULL or its old value.
class CCar {
public:
    std::string VehicleID;  // GUID text made when the car is added
    std::string Name;
    float CurrentOdometer = 0.0f;
    double PurchaseOdometer = -1.0;
    std::string MakeID;  // "0" for a custom car
    std::string Make;
    std::string ModelID;  // "0" for a custom car
    std::string Model;
    int StyleYear = 0;  // model year
    std::string Style;
    std::string StyleID;  // for a custom car "JV" and six digits
    std::string DriveType;
    std::string Engine;
    std::string Transmission;
    std::string Region;
    bool Custom = false;  // the user typed the car's data in
    std::string Notes;
    std::string DrivingCondition;  // "N" normal, "S" severe
    bool Selected = false;
    bool OdometerEstimated = false;    // CurrentOdometer is an estimate, not a reading
    CMaintenancePlan MaintenancePlan;  // after loading only its MaintenancePlanID is filled
    std::string VIN;
    std::string Color;
    jv::DateTime PurchaseDate;  // null when not known
    double PurchasePrice = -1.0;
    std::string PurchaseVendor;
    std::string PurchaseType;     // "N" new, "U" used
    std::string PurchaseOrLease;  // "P" purchase, "L" lease
    bool Sold = false;
    jv::DateTime SoldDate;
    double SoldPrice = -1.0;
    std::string SoldVendor;
    std::string InsuranceProvider;
    std::string PolicyNumber;
    std::string LicensePlate;
    float ForwardRate = 0.0f;   // distance a day, the purchase reading allowed as the start
    float BackwardRate = 0.0f;  // distance a day over the recorded readings only
};
