#include "tests/shared/data/CarsTestDatabase.h"

#include "platform/base/NumberText.h"
#include "shared/data/CarsDB.h"

CarsTestDatabase::CarsTestDatabase() : connection(jv::db::Connection::Open(file.path())) {}

void CarsTestDatabase::Exec(const std::string& sql) {
    connection.ExecuteNonQuery(sql);
}

std::string CarsTestDatabase::Scalar(const std::string& sql) {
    jv::db::Recordset rs = connection.Execute(sql);
    if (rs.IsEOF() || rs.Columns().empty()) return "";
    return rs.GetText(rs.Columns()[0]).value_or("");
}

CCar CarsTestDatabase::AddCar(const std::string& name, int styleYear) {
    CCar car;
    car.Name = name;
    car.StyleYear = styleYear;
    car.SoldDate = jv::DateTime::Null();
    car.PurchaseDate = jv::DateTime::Null();
    CCarsDB cars(connection);
    EXPECT_TRUE(cars.addCar(car)) << name;
    return car;
}

void CarsTestDatabase::AddReading(const std::string& vehicleID, const jv::DateTime& date, double value) {
    Exec("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + vehicleID + "', #" +
         date.Format("%m/%d/%Y") + "#, " + jv::number::FormatFixed(value) + ")");
}
