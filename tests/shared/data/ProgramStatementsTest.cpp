#include <gtest/gtest.h>

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "tests/shared/data/TestDatabase.h"

namespace {

// Statements in the shapes the program's database classes build them, run in order on a new
// user database: the blank database must have every table and column they name, and the
// connection must run each of them as Jet would.
TEST(ProgramStatements, RunOnTheBlankDatabase) {
    jv::test::TestDatabase database;
    jv::db::Connection db = jv::db::Connection::Open(database.path());
    const char* const kId = "1B4E28BA-2FA1-11D2-883F-0016D3CCA427";
    const std::string car = std::string("'") + kId + "'";
    const std::string statements[] = {
        "INSERT into MaintenancePlan (StyleID, Name, DrivingCondition) values('301234', 'Plan', 'N')",
        "SELECT @@IDENTITY as MaintenancePlanID ",
        "INSERT into MaintenancePlanItems (MaintenancePlanID, severe_service_flag, engine_code, transmission_code, "
        "drive_type_code, INITIAL_MILEAGE, initial_month, INTERVAL_MILEAGE, interval_month, ACTION_DESCRIPTION, "
        "ITEM_DESCRIPTION, MVC_Qualifiers, Non_MVC_Qualifiers, Service_Type, Service_Indicator) values(1,'N','','',''"
        ",0,0,5000,6,'Replace','Engine oil','','','','N')",
        "INSERT into CustomMaintenancePlanItems ( INITIAL_MILEAGE, initial_month, INTERVAL_MILEAGE, interval_month, "
        "ACTION_DESCRIPTION, ITEM_DESCRIPTION, SEVERE_SERVICE_FLAG) values(0,0,3000,3,'Inspect','Wipers', 'N')",
        "INSERT into vehicles (VehicleID, Name, StyleID, MakeID, Make, ModelID, Model, Style, StyleYear, DriveType, "
        "Engine, Transmission, Custom, DrivingCondition, PurchaseDate, MaintenancePlanID, Notes, VIN, Color, "
        "PurchaseVendor, PurchaseType, PurchaseOrLease, PurchasePrice, PurchaseOdometer, Sold, SoldVendor, SoldDate, "
        "SoldPrice, InsuranceProvider, PolicyNumber, LicensePlate, Region) values(" +
            car +
            ", 'Blue', 'JV000042', '0', 'Make', '0', 'Model', 'Style', 2019, 'FWD', 'V6', 'Auto', -1, 'N', "
            "'03/15/2019', 1, '', '', '', '', 'N', 'P', 15999.990234, 12.000000, 0, '', '12/30/1899', -1.000000, '', "
            "'', '', '')",
        "UPDATE Vehicles set Name='Blue', StyleID='JV000042', MakeID=0, Make='Make', ModelID=0, Model='Model', "
        "Style='Style', StyleYear=2019, DriveType='FWD', Engine='V6', Transmission='Auto', Region='', Custom=-1, "
        "DrivingCondition='N', PurchaseDate='03/15/2019', Notes='', VIN='', Color='', PurchaseVendor='', "
        "PurchaseType='N', PurchaseOrLease='P', PurchasePrice=15999.990234, PurchaseOdometer=12.000000, Sold=0, "
        "SoldVendor='', SoldPrice=-1.000000, InsuranceProvider='', PolicyNumber='', LicensePlate='' where VehicleID=" +
            car,
        "SELECT name, vehicleid, MakeID, Make, ModelID, Model, Style, StyleID, StyleYear, DriveType, Engine, "
        "Transmission, Region, Custom, DrivingCondition, Notes, VIN, Color, PurchaseDate, PurchaseVendor, "
        "PurchaseType, "
        "PurchaseOrLease, PurchasePrice, PurchaseOdometer, Sold, SoldDate, SoldVendor, SoldPrice, InsuranceProvider, "
        "PolicyNumber, LicensePlate, MaintenancePlanID, Selected FROM vehicles Where VehicleID like '%' and Sold=0",
        "SELECT count(vehicleid) as carcount FROM vehicles Where Sold=0",
        "Insert into OdometerValues (VehicleID, OdometerDate, OdometerValue) values(" + car + ", #3/15/2019#, 12)",
        "Insert into Services (VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor, Other, Tax, "
        "Notes, Skipped) values(" +
            car + ", #6/1/2019#, 5012, 'Joe''s', 'Engine oil - Replace', 45.50, 20, 25.5, 0, 0, 'ok', 0)",
        "SELECT @@IDENTITY as ServiceID ",
        "Insert into ServiceItems (ServiceID, MaintenancePlanItemID) values(1, 1)",
        "Update Services set ServiceDate=#6/2/2019#, Odometer=5020, Vendor='Joe''s' where ServiceID=1",
        "Delete from OdometerValues where VehicleID=" + car +
            " and OdometerDate=#06/01/19# and OdometerValue > 5011.000000 and OdometerValue < 5013.000000",
        "Insert into FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, CostPer, "
        "Cost, OctaneRating, Roads , Notes) values(" +
            car + ", #7/1/2019#, 5400, 380, 'Shell', -1, 12.5, 3.25, 40.63, 87, 'M', '')",
        "Update FuelPurchases set FuelPurchaseDate=#7/2/2019#, Fillup=-1, Roads='H' where FuelPurchaseID=1",
        "Insert into Expenses (VehicleID, ExpenseDate, Odometer, Vendor, ExpenseMemo, CategoryID, Cost, Notes) "
        "values(" +
            car + ", #8/1/2019#, 5600, 'City', 'Parking', 5, 12, '')",
        "SELECT CategoryID, Name FROM ExpenseCategories ORDER BY Name",
        "SELECT MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , "
        "INTERVAL_MILEAGE , INTERVAL_MONTH  FROM MaintenancePlanItems  WHERE MaintenancePlanID=1 ORDER BY "
        "IIf(INITIAL_MILEAGE=0, INTERVAL_MILEAGE, INITIAL_MILEAGE), IIf(INITIAL_MONTH=0, INTERVAL_MONTH, "
        "INITIAL_MONTH)",
        "SELECT ACTION_DESCRIPTION, ITEM_DESCRIPTION, INITIAL_MILEAGE , INITIAL_MONTH , INTERVAL_MILEAGE , "
        "INTERVAL_MONTH  FROM CustomMaintenancePlanItems  WHERE SEVERE_SERVICE_FLAG='N' AND ITEM_DESCRIPTION + ' - ' + "
        "ACTION_DESCRIPTION not in ('Engine oil - Replace') ORDER BY ITEM_DESCRIPTION, ACTION_DESCRIPTION",
        "SELECT MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , "
        "INTERVAL_MILEAGE , INTERVAL_MONTH  FROM GenericMaintenancePlanItems  WHERE severe_service_flag='S' ORDER BY "
        "INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH",
        "SELECT MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , "
        "INTERVAL_MILEAGE , INTERVAL_MONTH FROM MaintenancePlanItems i, Vehicles v WHERE "
        "i.MaintenancePlanID=v.MaintenancePlanID and v.VehicleID = " +
            car + " and i.Skip=0 order by ITEM_DESCRIPTION, INTERVAL_MILEAGE desc, INTERVAL_MONTH desc;",
        "select s.ServiceDate, s.Odometer, s.VehicleID, i.MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION "
        ", INITIAL_MILEAGE , INITIAL_MONTH , INTERVAL_MILEAGE , INTERVAL_MONTH  from services s, serviceitems i, "
        "MostRecentServices ls, MaintenancePlanItems mpi where s.ServiceID = i.ServiceID and s.VehicleID like " +
            car +
            " and s.ServiceDate=ls.ServiceDate and i.MaintenancePlanItemID=ls.MaintenancePlanItemID and "
            "i.MaintenancePlanItemID=mpi.MaintenancePlanItemID order by s.ServiceDate",
        "SELECT max(OdometerDate) as DateBefore, max(OdometerValue) as OdomBefore FROM OdometerValues where "
        "VehicleID = " +
            car + " and OdometerDate <= #07/04/2019#",
        "SELECT sum(Cost) as TotalFuel, VehicleID, min(FuelPurchaseDate) as MinDate FROM FuelPurchases where VehicleID "
        "in (" +
            car + ") group by vehicleid",
        "SELECT FuelPurchaseDate as CostDate, Odometer, Cost FROM FuelPurchases where VehicleID=" + car +
            " UNION ALL SELECT ServiceDate as CostDate, Odometer, Cost FROM Services where VehicleID=" + car +
            " UNION ALL SELECT ExpenseDate as CostDate, Odometer, Cost FROM Expenses where VehicleID=" + car +
            " order by CostDate",
        "SELECT distinct Vendor FROM services UNION SELECT distinct  vendor FROM fuelpurchases UNION SELECT distinct  "
        "vendor FROM expenses",
        "SELECT UserName, Email, Country, PostalCode, VolumeUnit, DistanceUnit, MechanicName, MechanicAddress1, "
        "MechanicAddress2, MechanicCity, MechanicState, MechanicZip, MechanicPhone, ShowSoldCars, Internet, "
        "UploadErrors, UploadData FROM Prefs ",
        "Update Prefs set UserName='Ann', DistanceUnit=1, VolumeUnit=1, ShowSoldCars=-1, Internet=2, UploadData=0, "
        "UploadErrors=0",
        "UPDATE Vehicles set SoldDate=#2024-05-01#, SoldPrice='9000', SoldVendor='Bob', Sold=-1 where VehicleID=" + car,
        "DELETE from ServiceItems where ServiceID in (SELECT ServiceID from Services where VehicleID=" + car + ")",
        "DELETE from MaintenancePlanItems where MaintenancePlanID in (SELECT MaintenancePlanID from Vehicles where "
        "VehicleID=" +
            car + ")",
    };
    for (const std::string& sql : statements) {
        try {
            db.Execute(sql);
        } catch (const jv::db::DbError& error) {
            ADD_FAILURE() << sql << "\n" << error.description();
        }
    }

    // What the readers get back.
    jv::db::Recordset cars = db.Execute(
        "SELECT PurchaseDate, SoldDate, PurchasePrice, SoldPrice, Custom, Sold FROM vehicles Where VehicleID like '%'");
    EXPECT_EQ(*cars.GetDate("PurchaseDate"), jv::DateTime(2019, 3, 15));
    EXPECT_EQ(*cars.GetDate("SoldDate"), jv::DateTime(2024, 5, 1));
    EXPECT_EQ(cars.GetSingle("PurchasePrice"), 15999.99f);
    EXPECT_EQ(cars.GetSingle("SoldPrice"), 9000.0f);
    EXPECT_EQ(cars.GetInt("Custom"), -1);
    EXPECT_EQ(cars.GetInt("Sold"), -1);
    jv::db::Recordset costs = db.Execute(
        "SELECT e.Notes, s.Vendor, min(FuelPurchaseDate) as MinDate FROM Expenses e, "
        "Services s, FuelPurchases f");
    EXPECT_TRUE(costs.HasField("Notes"));
    EXPECT_TRUE(costs.HasField("Vendor"));
    EXPECT_EQ(costs.GetText("MinDate"), "7/2/2019");
    jv::db::Recordset vendors = db.Execute(
        "SELECT distinct Vendor FROM services UNION SELECT distinct  vendor FROM fuelpurchases UNION SELECT distinct  "
        "vendor FROM expenses");
    EXPECT_EQ(vendors.RecordCount(), 3u);
}

}  // namespace
