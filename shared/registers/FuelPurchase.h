#pragma once

#include <string>

#include "platform/base/DateTime.h"

// One row of the fuel register. Numbers left empty in the register read back as 0 and texts as
// empty; Roads is one letter: "C" city, "H" highway, "M" mixed.
class CFuelPurchase {
public:
    void SetFuelPurchaseID(int id) { FuelPurchaseID = id; }
    int GetFuelPurchaseID() const { return FuelPurchaseID; }
    void SetVehicleID(const std::string& id) { VehicleID = id; }
    std::string GetVehicleID() const { return VehicleID; }
    void SetFuelPurchaseDate(const jv::DateTime& date) { FuelPurchaseDate = date; }
    jv::DateTime GetFuelPurchaseDate() const { return FuelPurchaseDate; }
    void SetOctaneRating(int rating) { OctaneRating = rating; }
    int GetOctaneRating() const { return OctaneRating; }
    void SetFillUp(bool fillUp) { FillUp = fillUp; }
    bool GetFillUp() const { return FillUp; }
    void SetVolume(float volume) { Volume = volume; }
    float GetVolume() const { return Volume; }
    void SetOdometer(float odometer) { Odometer = odometer; }
    float GetOdometer() const { return Odometer; }
    void SetDistance(float distance) { Distance = distance; }
    float GetDistance() const { return Distance; }
    void SetCost(float cost) { Cost = cost; }
    float GetCost() const { return Cost; }
    void SetCostPer(float costPer) { CostPer = costPer; }
    float GetCostPer() const { return CostPer; }
    void SetVendor(const std::string& vendor) { Vendor = vendor; }
    std::string GetVendor() const { return Vendor; }
    void SetNotes(const std::string& notes) { Notes = notes; }
    std::string GetNotes() const { return Notes; }
    void SetRoads(const std::string& roads) { Roads = roads; }
    std::string GetRoads() const { return Roads; }

private:
    int FuelPurchaseID = 0;
    std::string VehicleID;
    jv::DateTime FuelPurchaseDate;
    int OctaneRating = 0;
    bool FillUp = false;
    float Volume = 0.0f;
    float Odometer = 0.0f;
    float Distance = 0.0f;
    float Cost = 0.0f;
    float CostPer = 0.0f;
    std::string Vendor;
    std::string Notes;
    std::string Roads;
};
