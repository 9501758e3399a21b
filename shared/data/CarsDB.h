#pragma once

#include <string>
#include <vector>

#include "shared/data/Car.h"
#include "shared/data/DatabaseObject.h"

class COdometerValue;
class CUserPreferences;

// The database object of the Vehicles table: loads the cars into m_cars (with their daily
// distance rates and, on request, their current odometers), answers small questions about them
// and adds, updates, sells and deletes cars. Built on the stack for each use.
class CCarsDB : public CDatabaseObject {
public:
    using CDatabaseObject::CDatabaseObject;

    // Loads the cars matching a VehicleID ("%" for all cars), sold cars only when the preferences
    // show them. False when the query could not run (m_cars then keeps what it held).
    bool getCars(std::string VehicleID, CUserPreferences& prefs);
    // The name of the loaded car with that id; "All Cars" for "%", empty for an unknown id.
    std::string getCarName(const std::string& VehicleID) const;
    bool isCarNameUnique(std::string name);
    int getCarCount(bool includeSold);

    // Stores a new car with its maintenance plan; sets the car's VehicleID, its plan's id and, for a
    // custom car, its StyleID.
    bool addCar(CCar& car);
    // Rewrites the car's row and saves its plan (a plan without an id is created and linked).
    bool updateCar(CCar& car);
    // Records a sale: date text month/day/year (may be empty), price a plain decimal number.
    bool soldCar(const std::string& VehicleID, const std::string& soldDate, const std::string& soldPrice,
                 const std::string& soldVendor);
    // Removes the car and every row that belongs to it, all or nothing.
    bool deleteCar(const std::string& VehicleID);

    // The car's odometer on value.OdometerDate: the reading of that day, or an estimate from the
    // last reading and the car's forward rate (never below 0).
    bool getOdometerAtDate(CCar& car, COdometerValue& value, CUserPreferences& prefs);
    // Gives every loaded car its current odometer, and an unknown purchase odometer the reading of
    // the purchase date when there is one.
    void getCurrentOdometers(CUserPreferences& prefs);

    std::vector<CCar> m_cars;

private:
    // The statements of addCar and updateCar, run within their one step.
    bool insertCar(CCar& car);
    bool rewriteCar(CCar& car);
    bool makeCustomStyleID(CCar& car);
    bool linkMaintenancePlan(const CCar& car);
    // The plan id the car's row holds ("" for none); false when it could not be read.
    bool readMaintenancePlanID(const std::string& VehicleID, std::string& planID);
    // Removes a plan and its items unless a car still uses it.
    bool deleteMaintenancePlan(const std::string& planID);
    // The last reading carried on to value.OdometerDate at the car's forward rate (never below 0).
    static bool estimateFromLast(const CCar& car, const COdometerValue& last, COdometerValue& value);
};
