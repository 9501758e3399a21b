#include "shared/registers/FuelRegisterDatabaseObject.h"

#include <utility>

#include "shared/data/OdometerValue.h"
#include "shared/data/SqlValue.h"
#include "shared/registers/RegisterTable.h"
#include "shared/registers/RowColumns.h"
#include "shared/registers/RowValues.h"

namespace {

const CRegisterTable::Columns kFuelPurchases{"FuelPurchases", "FuelPurchaseID", "FuelPurchaseDate"};

// Call-site numbers of the operations; each handler adds its own offset below 10.
enum Line { kAdd = 100, kUpdate = 200, kRegister = 500, kRefused = 9 };

// The texts of one purchase as the page hands them over.
struct FuelTexts {
    const std::string& Odometer;
    const std::string& Distance;
    const std::string& Vendor;
    bool FillUp;
    const std::string& Volume;
    const std::string& CostPer;
    const std::string& Cost;
    const std::string& OctaneRating;
    const std::string& Roads;
    const std::string& Notes;
};

// The columns after the car and the date, in the order of the register; false when a value was
// refused. An insert always writes Roads (empty when not given), an update only when given.
bool AddValues(CRowValues& values, CRowColumns& columns, const FuelTexts& texts, bool insert,
               std::optional<double>& odometer) {
    odometer = values.Number("odometer value", texts.Odometer);
    const std::optional<double> distance = values.Number("distance", texts.Distance);
    const std::optional<double> volume = values.Number("volume", texts.Volume);
    const std::optional<double> costPer = values.Number("cost per", texts.CostPer);
    const std::optional<double> cost = values.Number("cost", texts.Cost);
    const std::optional<int> octane = values.Integer("octane rating", texts.OctaneRating);
    if (!values.IsValid()) return false;
    columns.AddOdometer(texts.Odometer, odometer);
    if (distance) columns.Add("Distance", sqlvalue::Number(*distance));
    columns.AddText("Vendor", texts.Vendor, sqlvalue::Quoted(texts.Vendor, CFuelRegisterDatabaseObject::kVendorWidth));
    columns.Add("Fillup", texts.FillUp ? "-1" : "0");
    if (volume) columns.Add("Volume", sqlvalue::Number(*volume));
    if (costPer) columns.Add("CostPer", sqlvalue::Number(*costPer));
    if (cost) columns.Add("Cost", sqlvalue::Number(*cost));
    if (octane) columns.Add("OctaneRating", std::to_string(*octane));
    if (insert || !texts.Roads.empty()) {
        columns.Add("Roads", sqlvalue::Quoted(texts.Roads, CFuelRegisterDatabaseObject::kRoadsWidth));
    }
    columns.AddText("Notes", texts.Notes, sqlvalue::Quoted(texts.Notes));
    return true;
}

}  // namespace

CFuelRegisterDatabaseObject::CFuelRegisterDatabaseObject(jv::db::Connection connection)
    : CRegisterDatabaseObject(std::move(connection), kFuelPurchases) {}

bool CFuelRegisterDatabaseObject::AddFuelData(const std::string& VehicleID, const std::string& dateText,
                                              const std::string& Odometer, const std::string& Distance,
                                              const std::string& Vendor, bool FillUp, const std::string& Volume,
                                              const std::string& CostPer, const std::string& Cost,
                                              const std::string& OctaneRating, const std::string& Roads,
                                              const std::string& Notes) {
    const std::string method = "CFuelRegisterDatabaseObject::AddFuelData";
    CRowValues values(method, kAdd + kRefused);
    values.VehicleID(VehicleID);
    const std::optional<jv::DateTime> date = values.Date(dateText);
    CRowColumns columns;
    if (values.IsValid()) {
        columns.Add("VehicleID", sqlvalue::Quoted(VehicleID));
        columns.Add("FuelPurchaseDate", sqlvalue::Date(*date));
    }
    const FuelTexts texts{Odometer, Distance, Vendor, FillUp, Volume, CostPer, Cost, OctaneRating, Roads, Notes};
    std::optional<double> odometer;
    if (!AddValues(values, columns, texts, true, odometer)) return false;

    return Table().InsertRow(columns.Insert("FuelPurchases"), RowReading{VehicleID, *date, odometer}, method, kAdd);
}

bool CFuelRegisterDatabaseObject::UpdateFuelData(const std::string& rowID, const std::string& VehicleID,
                                                 const std::string& dateText, const std::string& Odometer,
                                                 const std::string& Distance, const std::string& Vendor, bool FillUp,
                                                 const std::string& Volume, const std::string& CostPer,
                                                 const std::string& Cost, const std::string& OctaneRating,
                                                 const std::string& Roads, const std::string& Notes) {
    const std::string method = "CFuelRegisterDatabaseObject::UpdateFuelData";
    CRowValues values(method, kUpdate + kRefused);
    values.RowID(rowID);
    values.VehicleID(VehicleID, true);
    const std::optional<jv::DateTime> date = values.Date(dateText);
    CRowColumns columns = UpdateColumns(values, date, VehicleID);
    const FuelTexts texts{Odometer, Distance, Vendor, FillUp, Volume, CostPer, Cost, OctaneRating, Roads, Notes};
    std::optional<double> odometer;
    if (!AddValues(values, columns, texts, false, odometer)) return false;

    return UpdateStoredRow(rowID, columns, method, kUpdate);
}

bool CFuelRegisterDatabaseObject::DeleteFuelRegisterRow(const std::string& rowID) {
    return DeleteRow(rowID, "CFuelRegisterDatabaseObject::DeleteFuelRegisterRow");
}

bool CFuelRegisterDatabaseObject::GetOdometerData(const std::string& rowID, COdometerValue& value) {
    return GetRowOdometerData(rowID, value, "CFuelRegisterDatabaseObject::GetOdometerData");
}

const RegisterListing& CFuelRegisterDatabaseObject::Listing() {
    static const RegisterListing listing{
        "FuelPurchaseID, fp.VehicleID, FuelPurchaseDate, OctaneRating, FillUp, Volume, Odometer, fp.Notes, Roads, "
        "Distance, Cost, CostPer, Vendor",
        "FuelPurchases",
        "fp",
        "FuelPurchaseID",
        "FuelPurchaseDate, Odometer",
        nullptr,
        "CFuelRegisterDatabaseObject::GetFuelRegister",
        kRegister};
    return listing;
}

CFuelPurchase CFuelRegisterDatabaseObject::ReadEntry(const jv::db::Recordset& rs) {
    CFuelPurchase purchase;
    purchase.SetFuelPurchaseID(rs.GetInt("FuelPurchaseID").value_or(0));
    purchase.SetVehicleID(rs.GetText("VehicleID").value_or(""));
    purchase.SetFuelPurchaseDate(rs.GetDate("FuelPurchaseDate").value_or(jv::DateTime::Invalid()));
    purchase.SetCost(rs.GetSingle("Cost").value_or(0.0f));
    purchase.SetCostPer(rs.GetSingle("CostPer").value_or(0.0f));
    purchase.SetVendor(rs.GetText("Vendor").value_or(""));
    purchase.SetFillUp(rs.GetInt("Fillup").value_or(0) == -1);
    purchase.SetVolume(rs.GetSingle("Volume").value_or(0.0f));
    purchase.SetNotes(rs.GetText("Notes").value_or(""));
    purchase.SetRoads(rs.GetText("Roads").value_or(""));
    purchase.SetOctaneRating(rs.GetInt("OctaneRating").value_or(0));
    purchase.SetOdometer(rs.GetSingle("Odometer").value_or(0.0f));
    purchase.SetDistance(rs.GetSingle("Distance").value_or(0.0f));
    return purchase;
}

void CFuelRegisterDatabaseObject::GetFuelRegister(std::string VehicleIDPattern, std::vector<CFuelPurchase>& purchases,
                                                  const CUserPreferences& prefs) {
    ReadRegister(Listing(), VehicleIDPattern, prefs, &ReadEntry, purchases);
}
